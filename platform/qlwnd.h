// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Window messages, the main window and control identifiers on top of Qt's event system.
#pragma once

#include <QEvent>
#include <QString>
#include <QWidget>

enum : unsigned
{
    QL_WM_CLOSE = 0x0010,
    QL_WM_QUIT = 0x0012,
    QL_WM_COMMAND = 0x0111, // wParam: command identifier (low 16 bits), notification code (high 16)
    QL_WM_VSCROLL = 0x0115, // wParam: QL_SB_LINEUP or QL_SB_LINEDOWN
    QL_WM_USER = 0x0400,
};

enum : int
{
    QL_SB_LINEUP = 0,
    QL_SB_LINEDOWN = 1,
};

// A numbered message with two parameters, delivered through the receiver's event queue.
// Receivers pick it up in event()/customEvent() by checking type() == QLMessageEvent::Type().
class QLMessageEvent : public QEvent
{
public:
    QLMessageEvent(unsigned in_message, qintptr in_wParam = 0, qintptr in_lParam = 0);
    static QEvent::Type Type();

    unsigned m_message;
    qintptr m_wParam;
    qintptr m_lParam;
};

// Queues a message for in_pTarget; it is handled later, on the target's thread, when its
// event loop runs (also inside a nested processEvents). A null target drops the message.
void QLPostMessage(QObject *in_pTarget, unsigned in_message, qintptr in_wParam = 0,
                   qintptr in_lParam = 0);

// Builds the wParam of a QL_WM_COMMAND message.
constexpr qintptr QLMakeCommandParam(unsigned in_id, int in_code = 0)
{
    return static_cast<qintptr>((in_id & 0xFFFFu) |
                                ((static_cast<unsigned>(in_code) & 0xFFFFu) << 16));
}

// The application's main window (the frame); null before it exists and after it is gone.
QWidget *QLGetMainWindow();
void QLSetMainWindow(QWidget *in_pWindow);

// Control identifiers: the numbers by which code finds a control among a window's
// descendants (stored as the widget property "qlControlId").
void QLSetControlId(QWidget *in_pControl, int in_id);
int QLGetControlId(const QWidget *in_pControl); // 0 when none is set
// The first descendant of in_pRoot (or in_pRoot itself) with that identifier, or null.
QWidget *QLFindControl(QWidget *in_pRoot, int in_id);
