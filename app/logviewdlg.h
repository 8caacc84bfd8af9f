// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// LogViewDlg: the modeless "Veyra - Log View" window that shows the event log, one line per
// row in the order written.
#pragma once

#include "vyrlogview.h"

#include <QDialog>
#include <functional>

class QListWidget;

class LogViewDlg : public QDialog, public VYRLogView
{
    Q_OBJECT

public:
    // Told once, when the view closes (Escape, Enter or the close box) or is destroyed
    // otherwise. The document that opened the view forgets it there; the view is deleted
    // shortly afterwards and must not be used once this was called.
    using ClosedCallback = VYRLogViewClosed;

    // Creates the window, owned by in_pOwner (may be null), and shows it at once. Its list
    // (control 1033) starts empty.
    LogViewDlg(QWidget *in_pOwner, ClosedCallback in_onClosed);
    ~LogViewDlg() override;

    // Appends in_line at the end of the list. Returns false when the line could not be
    // added, true otherwise.
    bool AddLine(const QString &in_line) override;

    // The factory the document opens its log view with (Document::SetLogViewFactory).
    static VYRLogView *Create(QWidget *in_pOwner, VYRLogViewClosed in_onClosed);

    // The list control (tests and the shell read it).
    QListWidget *GetList() const { return m_pList; }

protected:
    // Escape and the close box: the window is destroyed, not merely hidden.
    void reject() override;
    // Enter closes the window just as Escape does.
    void accept() override;
    void keyPressEvent(QKeyEvent *in_pEvent) override;
    bool eventFilter(QObject *in_pWatched, QEvent *in_pEvent) override;

private:
    void Close();
    void NotifyClosed();

    QListWidget *m_pList = nullptr;
    ClosedCallback m_onClosed;
    bool m_bClosing = false;
};
