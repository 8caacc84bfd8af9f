// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qlprompt.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QStyle>
#include <QThread>

#include "qltrace.h"

namespace {
// Only touched on the user-interface thread.
QLPromptHandler g_promptHandler;
} // namespace

int QLMessageBox(const QString &in_text, unsigned in_type)
{
    QL_ASSERT(QThread::currentThread() == qApp->thread());
    if (g_promptHandler)
        return g_promptHandler(in_text, in_type);

    const bool yesNo = (in_type & 0x000F) == QL_MB_YESNO;
    QMessageBox box(yesNo ? QMessageBox::Question : QMessageBox::Information,
                    QApplication::applicationDisplayName(), in_text,
                    yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok,
                    QApplication::activeWindow());
    // The buttons stand in the desktop's order (QDialogButtonBox's layout); Enter chooses
    // the default, Escape the safe answer.
    if (yesNo) {
        box.setDefaultButton((in_type & QL_MB_DEFBUTTON2) ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    // The icon theme's drawing where the desktop has one, as its other programs show.
    const QIcon themed = QIcon::fromTheme(yesNo ? QStringLiteral("dialog-question")
                                                : QStringLiteral("dialog-information"));
    if (!themed.isNull()) {
        const int edge = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
        box.setIconPixmap(themed.pixmap(QSize(edge, edge), box.devicePixelRatioF()));
    }
    const int answer = box.exec();
    if (!yesNo)
        return QL_IDOK;
    return answer == QMessageBox::Yes ? QL_IDYES : QL_IDNO;
}

QLPromptHandler QLSetPromptHandler(QLPromptHandler in_handler)
{
    QLPromptHandler previous = std::move(g_promptHandler);
    g_promptHandler = std::move(in_handler);
    return previous;
}
