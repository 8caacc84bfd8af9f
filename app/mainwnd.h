// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// MainWnd: the only top-level window. From top to bottom: the menu, the control bar, a
// splitter with the thumbnail view above the task list, and a one-pane status bar. It
// routes every command to all views of the document and turns the window's close into the
// program's own exit command.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <vector>

#include "qldocview.h"

class QActionGroup;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;
class QStatusBar;
class VYRControlBar;
class VYRScanStatusPane;
struct VYRScanStatus;
class VYRTaskVw;
class VYRUndoController;
class VYRThumbVw;
class VYRSuggestController;
class Document;

class MainWnd : public QMainWindow, public QLCmdTarget
{
    Q_OBJECT

public:
    explicit MainWnd(QWidget *in_pParent = nullptr);
    ~MainWnd() override;

    // Builds the frame for in_pDocument: OnCreate, then OnCreateClient. Returns false when
    // either fails (the frame is then unusable and should be deleted).
    bool LoadFrame(QLDocument *in_pDocument);
    // Menu, accelerators (F5, F1, Ctrl+Q), status bar with its progress bar, and control bar;
    // registers this window as the main window (QLSetMainWindow). Returns 0, or -1 when a
    // part could not be made.
    int OnCreate();
    // The splitter with the thumbnail view (700 pixels high) above the task list (200
    // pixels), both views of in_pDocument; starts the task list's worker. Accepts drops of
    // folders and files. Returns false, with no splitter left, when a view cannot be made.
    bool OnCreateClient(QLDocument *in_pDocument);
    // The framework's first update: OnInitialUpdate on every view in view order; the
    // thumbnail view becomes the active view.
    void InitialUpdateFrame();

    // The window's system commands: the close command (0xF060) becomes File > Exit (40002);
    // the others are left to the window system.
    void OnSysCommand(unsigned in_command, qintptr in_param);
    // Routes a command: the active view, its document, this frame, the application; when
    // none of them handles it, every other view of the document. Returns true when handled.
    bool OnCmdMsg(unsigned in_id, int in_code, void *in_pExtra) override;

    // The view that last had the keyboard focus (the thumbnail view at first), or null.
    QLView *GetActiveView() const;
    // The active view's document, or the frame's own document when no view is active.
    QLDocument *GetActiveDocument() const;
    VYRThumbVw *GetThumbView() const { return m_pThumbView; }
    VYRTaskVw *GetTaskView() const { return m_pTaskView; }
    VYRUndoController *GetUndo() const { return m_pUndo; }
    VYRSuggestController *GetSuggest() const { return m_pSuggest; }
    QSplitter *GetSplitter() const { return m_wndSplitter; }
    // The status bar's batch progress: photos done of the batch, and the file being written.
    // Both are hidden while no job is queued.
    QProgressBar *GetProgressBar() const { return m_pProgressBar; }
    QLabel *GetProgressFile() const { return m_pProgressFile; }
    VYRControlBar *GetControlBar() const { return m_wndControlBar; }

    // Opens a folder dropped on the window (a dropped file opens its folder) in the
    // thumbnail view, as the source folder. Returns false when the path is neither.
    bool OpenDroppedPath(const QString &in_path);

    // The folder scan's state in the status bar; a missing or unreadable folder is also told
    // in a message box, once the scan call has returned.
    void OnScanStatus(const VYRScanStatus &in_status);
    VYRScanStatusPane *GetScanStatus() const { return m_pScanStatus; }
    // A folder typed into a field (IDC_SOURCE_PATH opens it, IDC_DEST_PATH makes it the
    // output folder). A path that is no folder is refused with a message and the field
    // shows the folder in use again. Returns true when the path was taken.
    bool OnPathEntered(unsigned in_id, const QString &in_path);
    // The file-type box's choice becomes the Filter setting and the folder is loaded again;
    // "Custom..." asks for the patterns first (in_customPatterns stands in for the question
    // when given, as tests do).
    void OnFilterChosen(const QString *in_pCustomPatterns = nullptr);
    // View > Theme: "System", "Light" or "Dark"; stored as the Theme preference and applied.
    void OnThemeChosen(const QString &in_choice);
    QActionGroup *GetThemeActions() const { return m_pThemeGroup; }

    // Asks every update handler about the commands of in_pMenu and enables or checks its
    // items accordingly (done each time a menu opens).
    void UpdateMenuState(QMenu *in_pMenu);

signals:
    // The window has closed for good: the user's exit passed SaveModified.
    void Closed();

protected:
    bool event(QEvent *in_pEvent) override;
    void closeEvent(QCloseEvent *in_pEvent) override;
    void dragEnterEvent(QDragEnterEvent *in_pEvent) override;
    void dragMoveEvent(QDragMoveEvent *in_pEvent) override;
    void dropEvent(QDropEvent *in_pEvent) override;

private:
    void CreateMenus();
    void CreateProgress();
    void CreateThemeMenu(QMenu *in_pView);
    void CreateScanStatus();
    void OnControlCommand(unsigned in_id, int in_code);
    // The output field takes typing only while In-place is off, as its "..." does.
    void SyncDestField();
    void RememberFolder(const QString &in_folder);
    Document *GetCatalog() const;
    void OnProgressChanged(int in_done, int in_total, const QString &in_fileName);
    void OnFocusChanged(QWidget *in_pOld, QWidget *in_pNow);
    QLView *ViewOfWidget(const QWidget *in_pWidget) const;

    QSplitter *m_wndSplitter = nullptr;
    QStatusBar *m_wndStatusBar = nullptr;
    VYRControlBar *m_wndControlBar = nullptr;
    QProgressBar *m_pProgressBar = nullptr;
    QLabel *m_pProgressFile = nullptr;
    QMenu *m_pViewMenu = nullptr;
    QMenu *m_pHelpMenu = nullptr;
    VYRUndoController *m_pUndo = nullptr;       // owned (child QObject)
    VYRSuggestController *m_pSuggest = nullptr; // owned (child QObject)
    VYRScanStatusPane *m_pScanStatus = nullptr;
    QActionGroup *m_pThemeGroup = nullptr;

    QLDocument *m_pDocument = nullptr;
    VYRThumbVw *m_pThumbView = nullptr;
    VYRTaskVw *m_pTaskView = nullptr;
    QLView *m_pActiveView = nullptr;
    // The exit command has been given: the next close of the window is the program's own
    // (immediately, or once a running scan has stopped) and goes on to SaveModified.
    bool m_bExitRequested = false;
    // A close that passed SaveModified: the window may go.
    bool m_bClosing = false;
};
