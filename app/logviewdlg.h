// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// LogViewDlg: the modeless event log window: one line per row in the order written, each with
// the time it was written; the lines can be copied, saved as text and cleared from the window.
// The window can be resized and tells its geometry when it closes, so the next one opens alike.
#pragma once

#include "vyrlogview.h"

#include <QDateTime>
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

    // The list control (tests and the shell read it). Each row's text is the log line as
    // written; its time is in the row's Qt::UserRole as a QDateTime.
    QListWidget *GetList() const { return m_pList; }

    // Where the time of the n-th line added (0 for the first, counted across Clear) comes
    // from: the document's record. Without one a line takes the time it is added.
    using TimeSource = std::function<QDateTime(int in_index)>;
    void SetTimeSource(TimeSource in_source) { m_timeSource = std::move(in_source); }
    // Told the window's saveGeometry() when it closes or is destroyed.
    using GeometrySink = std::function<void(const QByteArray &in_geometry)>;
    void SetGeometrySink(GeometrySink in_sink) { m_geometrySink = std::move(in_sink); }
    // Puts the window where a saved geometry says; false (nothing changes) for a bad one.
    bool RestoreGeometry(const QByteArray &in_geometry);

    // The rows as text, one "HH:mm:ss  line" per row: the selected rows, or every row when
    // none is selected.
    QString LinesAsText(bool in_bSelectedOnly) const;
    // Copy puts LinesAsText(true) on the clipboard.
    void Copy();
    // Writes every row as text (UTF-8, one line each) to in_path, atomically. Returns false
    // with the reason in out_pError when it cannot.
    bool SaveTo(const QString &in_path, QString *out_pError) const;
    // Asks for a file and saves there; a failure is told in a message box.
    void SaveAs();
    // Empties the window; the log itself is kept (the next window shows it whole).
    void Clear();

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

    void CreateButtons(class QVBoxLayout *inout_pLayout);

    QListWidget *m_pList = nullptr;
    ClosedCallback m_onClosed;
    TimeSource m_timeSource;
    GeometrySink m_geometrySink;
    int m_linesAdded = 0;
    bool m_bClosing = false;
};
