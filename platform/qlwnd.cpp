// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qlwnd.h"

#include <QCoreApplication>
#include <QPointer>

namespace {
const char kControlIdProperty[] = "qlControlId";
QPointer<QWidget> g_mainWindow; // user-interface thread only
} // namespace

QLMessageEvent::QLMessageEvent(unsigned in_message, qintptr in_wParam, qintptr in_lParam)
    : QEvent(Type()), m_message(in_message), m_wParam(in_wParam), m_lParam(in_lParam)
{
}

QEvent::Type QLMessageEvent::Type()
{
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void QLPostMessage(QObject *in_pTarget, unsigned in_message, qintptr in_wParam, qintptr in_lParam)
{
    if (!in_pTarget)
        return;
    QCoreApplication::postEvent(in_pTarget, new QLMessageEvent(in_message, in_wParam, in_lParam));
}

QWidget *QLGetMainWindow()
{
    return g_mainWindow.data();
}

void QLSetMainWindow(QWidget *in_pWindow)
{
    g_mainWindow = in_pWindow;
}

void QLSetControlId(QWidget *in_pControl, int in_id)
{
    if (in_pControl)
        in_pControl->setProperty(kControlIdProperty, in_id);
}

int QLGetControlId(const QWidget *in_pControl)
{
    return in_pControl ? in_pControl->property(kControlIdProperty).toInt() : 0;
}

QWidget *QLFindControl(QWidget *in_pRoot, int in_id)
{
    if (!in_pRoot)
        return nullptr;
    if (QLGetControlId(in_pRoot) == in_id)
        return in_pRoot;
    const auto children = in_pRoot->findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (QLGetControlId(child) == in_id)
            return child;
    }
    return nullptr;
}
