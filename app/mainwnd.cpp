// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "mainwnd.h"

#include "suggestctl.h"
#include "undoctl.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "controlbar.h"
#include "document.h"
#include "qlskin.h"
#include "qlwnd.h"
#include "resource.h"
#include "scanstatus.h"
#include "vyrtaskvw.h"
#include "vyrthumbvw.h"

namespace {

// The window system's command message and its close command: the close box, the system
// menu's Close and Alt+F4 arrive as this.
constexpr unsigned kWmSysCommand = 0x0112;
constexpr unsigned kScClose = 0xF060;

// Every menu action carries its command identifier in this property.
const char kCommandProperty[] = "qlCommandId";

// Initial heights of the two panes.
constexpr int kThumbPaneHeightPx = 700;
constexpr int kTaskPaneHeightPx = 200;

unsigned CommandOf(const QAction *in_pAction)
{
    return in_pAction->property(kCommandProperty).toUInt();
}

} // namespace

MainWnd::MainWnd(QWidget *in_pParent) : QMainWindow(in_pParent)
{
    setWindowTitle(QString::fromUtf8(VYRText::kAppTitle));
    connect(qApp, &QApplication::focusChanged, this, &MainWnd::OnFocusChanged);
}

MainWnd::~MainWnd()
{
    disconnect(qApp, &QApplication::focusChanged, this, &MainWnd::OnFocusChanged);
    m_pActiveView = nullptr;
    // The task list goes first: it waits for the worker, whose last completion may still
    // reach the document and the thumbnail view. Both go while this frame is whole.
    delete std::exchange(m_pTaskView, nullptr);
    delete std::exchange(m_pThumbView, nullptr);
    if (m_pDocument)
        m_pDocument->SetTitleListener(nullptr);
    if (Document *catalog = GetCatalog())
        catalog->SetScanListener(nullptr);
    if (QLGetMainWindow() == this)
        QLSetMainWindow(nullptr);
}

bool MainWnd::LoadFrame(QLDocument *in_pDocument)
{
    return OnCreate() == 0 && OnCreateClient(in_pDocument);
}

int MainWnd::OnCreate()
{
    QLSetMainWindow(this);
    CreateMenus();

    m_wndStatusBar = new QStatusBar(this);
    QLSetControlId(m_wndStatusBar, AFX_IDW_STATUS_BAR);
    setStatusBar(m_wndStatusBar);
    // One message pane: the prompt of the menu item under the pointer; otherwise the folder
    // scan's state ("Ready" before the first scan).
    CreateScanStatus();
    connect(m_wndStatusBar, &QStatusBar::messageChanged, this, [this](const QString &in_text) {
        if (in_text.isEmpty())
            m_wndStatusBar->showMessage(m_pScanStatus->GetIdleText());
    });
    CreateProgress();
    m_wndStatusBar->showMessage(m_pScanStatus->GetIdleText());

    auto *client = new QWidget(this);
    auto *layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_wndControlBar = new VYRControlBar(
        [this](unsigned in_id, int in_code) { OnControlCommand(in_id, in_code); }, client);
    m_wndControlBar->SetPathSink(
        [this](unsigned in_id, const QString &in_path) { OnPathEntered(in_id, in_path); });
    QLSetControlId(m_wndControlBar, AFX_IDW_CONTROLBAR);
    layout->addWidget(m_wndControlBar);
    auto *border = new QFrame(client);
    border->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    layout->addWidget(border);
    setCentralWidget(client);

    QLSkinSetWindowSkin(this, "MainFrame");
    QLSkinSetWindowFlag(this, 1);
    QLSkinSetWindowSkin(m_wndControlBar, "Dialog");
    return 0;
}

void MainWnd::CreateMenus()
{
    const auto addCommand = [this](QMenu *in_pMenu, unsigned in_id, const char *in_pText,
                                   const char *in_pPrompt) {
        QAction *action = in_pMenu->addAction(QString::fromUtf8(in_pText));
        action->setProperty(kCommandProperty, in_id);
        action->setStatusTip(QString::fromUtf8(in_pPrompt));
        connect(action, &QAction::triggered, this,
                [this, in_id] { OnCmdMsg(in_id, QL_CN_COMMAND, nullptr); });
        return action;
    };

    QMenu *file = menuBar()->addMenu(QString::fromUtf8(VYRText::kMenuFile));
    QAction *exit = addCommand(file, ID_FILE_EXIT, VYRText::kMenuExit, VYRText::kPromptExit);
    // Ctrl+Q, the desktop's quit key, goes the way of File > Exit: a running scan defers it
    // and pending rotations are asked about first.
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // Also from the log window, which is a window of its own.
    exit->setShortcutContext(Qt::ApplicationShortcut);
    addAction(exit);

    QMenu *view = menuBar()->addMenu(QString::fromUtf8(VYRText::kMenuView));
    m_pViewMenu = view;
    addCommand(view, ID_VIEW_LOG, VYRText::kMenuLog, VYRText::kPromptLog);
    view->addSeparator();
    QAction *refresh =
        addCommand(view, ID_VIEW_REFRESH, VYRText::kMenuRefresh, VYRText::kPromptRefresh);
    // The accelerator: F5 anywhere in the window, whichever pane has the focus. The menu
    // text already names the key, so the action adds none of its own.
    refresh->setShortcut(QKeySequence(Qt::Key_F5));
    refresh->setShortcutContext(Qt::WindowShortcut);
    addAction(refresh);
    QAction *names = view->addAction(QString::fromUtf8(VYRGridText::kMenuShowNames));
    names->setCheckable(true);
    names->setStatusTip(QString::fromUtf8(VYRGridText::kPromptShowNames));
    connect(names, &QAction::triggered, this, [this](bool in_bOn) {
        if (m_pThumbView)
            m_pThumbView->SetShowFileNames(in_bOn);
    });
    connect(view, &QMenu::aboutToShow, this, [this, names] {
        names->setChecked(m_pThumbView && m_pThumbView->IsShowingFileNames());
    });
    CreateThemeMenu(view);

    QMenu *help = menuBar()->addMenu(QString::fromUtf8(VYRText::kMenuHelp));
    m_pHelpMenu = help;
    addCommand(help, ID_HELP_CONTENTS, VYRText::kMenuContents, VYRText::kPromptContents);
    help->addSeparator();
    addCommand(help, ID_HELP_ABOUT, VYRText::kMenuAbout, VYRText::kPromptAbout);

    // F1 is the usual help key; it gives the general help command.
    auto *helpKey = new QAction(this);
    helpKey->setProperty(kCommandProperty, static_cast<unsigned>(ID_HELP));
    helpKey->setShortcut(QKeySequence(Qt::Key_F1));
    helpKey->setShortcutContext(Qt::WindowShortcut);
    connect(helpKey, &QAction::triggered, this,
            [this] { OnCmdMsg(ID_HELP, QL_CN_COMMAND, nullptr); });
    addAction(helpKey);

    for (QMenu *menu : {file, view, help})
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenuState(menu); });
}

bool MainWnd::OnCreateClient(QLDocument *in_pDocument)
{
    if (!in_pDocument || !centralWidget())
        return false;
    m_pDocument = in_pDocument;
    setAcceptDrops(true);
    if (auto *catalog = dynamic_cast<Document *>(in_pDocument)) {
        m_pUndo = new VYRUndoController(
            this, catalog, [this] { OnCmdMsg(ID_VIEW_REFRESH, QL_CN_COMMAND, nullptr); });
        m_pUndo->AddMenus(m_pViewMenu, m_pViewMenu);
        m_pSuggest = new VYRSuggestController(this, catalog, [this] { return m_pThumbView; });
        m_pSuggest->AddMenu(m_pHelpMenu);
    }

    m_wndSplitter = new QSplitter(Qt::Vertical, centralWidget());
    QLSetControlId(m_wndSplitter, AFX_IDW_PANE_FIRST);
    m_wndSplitter->setChildrenCollapsible(false);

    m_pThumbView = new VYRThumbVw(m_wndSplitter);
    in_pDocument->AddView(m_pThumbView);
    m_pTaskView = new VYRTaskVw(m_wndSplitter);
    in_pDocument->AddView(m_pTaskView);
    if (m_pTaskView->OnCreate() != 0) {
        // Without its worker the task list cannot do its job: the frame is not made.
        delete std::exchange(m_pTaskView, nullptr);
        delete std::exchange(m_pThumbView, nullptr);
        delete std::exchange(m_wndSplitter, nullptr);
        return false;
    }
    connect(m_pTaskView, &VYRTaskVw::ProgressChanged, this, &MainWnd::OnProgressChanged);
    // The count of selected photos, beside the message pane; empty without a selection.
    auto *picked = new QLabel(m_wndStatusBar);
    m_wndStatusBar->addPermanentWidget(picked);
    connect(m_pThumbView, &VYRThumbVw::MarkedCountChanged, picked, [picked](int in_count) {
        picked->setText(in_count > 0 ? QString::fromUtf8(VYRGridText::kSelectedCount).arg(in_count)
                                     : QString());
    });
    if (auto *catalog = dynamic_cast<Document *>(in_pDocument)) {
        catalog->SetScanListener(
            [this](const VYRScanStatus &in_status) { OnScanStatus(in_status); });
    }
    m_wndSplitter->addWidget(m_pThumbView);
    m_wndSplitter->addWidget(m_pTaskView);
    // The thumbnails take whatever height the window gains or loses; the task list keeps
    // its own until the user drags the bar.
    m_wndSplitter->setStretchFactor(0, 1);
    m_wndSplitter->setStretchFactor(1, 0);
    m_wndSplitter->setSizes({kThumbPaneHeightPx, kTaskPaneHeightPx});
    centralWidget()->layout()->addWidget(m_wndSplitter);

    const QString suffix = QStringLiteral(" - ") + QString::fromUtf8(VYRText::kAppTitle);
    in_pDocument->SetTitleListener([this, suffix](const QString &in_title) {
        setWindowTitle(in_title.isEmpty() ? QString::fromUtf8(VYRText::kAppTitle)
                                          : in_title + suffix);
    });
    return true;
}

void MainWnd::CreateProgress()
{
    // Right of the message pane, shown only while jobs run.
    m_pProgressFile = new QLabel(m_wndStatusBar);
    m_pProgressFile->setTextFormat(Qt::PlainText);
    m_pProgressBar = new QProgressBar(m_wndStatusBar);
    m_pProgressBar->setFormat(QString::fromUtf8(VYRText::kProgressFormat));
    m_pProgressBar->setAccessibleName(QString::fromUtf8(VYRText::kProgressName));
    m_pProgressBar->setMaximumWidth(fontMetrics().averageCharWidth() * 30);
    m_wndStatusBar->addPermanentWidget(m_pProgressFile);
    m_wndStatusBar->addPermanentWidget(m_pProgressBar);
    m_pProgressFile->hide();
    m_pProgressBar->hide();
}

void MainWnd::OnProgressChanged(int in_done, int in_total, const QString &in_fileName)
{
    if (in_total <= 0) {
        m_pProgressBar->hide();
        m_pProgressFile->hide();
        return;
    }
    m_pProgressBar->setRange(0, in_total);
    m_pProgressBar->setValue(in_done);
    m_pProgressFile->setText(
        in_fileName.isEmpty()
            ? QString()
            : QString::asprintf(VYRText::kProgressFile, qUtf8Printable(in_fileName)));
    m_pProgressFile->setVisible(!in_fileName.isEmpty());
    m_pProgressBar->show();
}

void MainWnd::InitialUpdateFrame()
{
    if (!m_pDocument)
        return;
    const std::vector<QLView *> views = m_pDocument->GetViews();
    for (QLView *view : views)
        view->OnInitialUpdate();
    if (m_pThumbView) {
        m_pActiveView = m_pThumbView;
        m_pThumbView->setFocus(Qt::OtherFocusReason);
    }
    if (Document *catalog = GetCatalog()) {
        m_wndControlBar->ShowFilter(catalog->GetConfig().Filter);
        m_wndControlBar->SetRecentFolders(catalog->GetPrefs().RecentFolders);
    }
    SyncDestField();
}

void MainWnd::OnSysCommand(unsigned in_command, qintptr)
{
    if (in_command == kScClose) {
        m_bExitRequested = true;
        OnCmdMsg(ID_FILE_EXIT, QL_CN_COMMAND, nullptr);
    }
}

bool MainWnd::OnCmdMsg(unsigned in_id, int in_code, void *in_pExtra)
{
    if (in_id == ID_FILE_EXIT && in_code == QL_CN_COMMAND)
        m_bExitRequested = true;

    QLView *active = GetActiveView();
    QLDocument *document = GetActiveDocument();
    if (active && active->OnCmdMsg(in_id, in_code, in_pExtra))
        return true;
    if (document && document->OnCmdMsg(in_id, in_code, in_pExtra))
        return true;
    if (QLCmdTarget::OnCmdMsg(in_id, in_code, in_pExtra))
        return true;
    if (auto *app = dynamic_cast<QLCmdTarget *>(QCoreApplication::instance())) {
        if (app->OnCmdMsg(in_id, in_code, in_pExtra))
            return true;
    }
    if (auto *catalog = dynamic_cast<Document *>(document)) {
        if (catalog->RouteCmdToAllViews(active, in_id, in_code, in_pExtra))
            return true;
    }
    // Nobody carries the exit (no thumbnail view): close as the framework would.
    if (in_id == ID_FILE_EXIT && in_code == QL_CN_COMMAND)
        QLPostMessage(this, QL_WM_CLOSE);
    return false;
}

QLView *MainWnd::GetActiveView() const
{
    return m_pActiveView;
}

QLDocument *MainWnd::GetActiveDocument() const
{
    if (m_pActiveView && m_pActiveView->GetDocument())
        return m_pActiveView->GetDocument();
    return m_pDocument;
}

bool MainWnd::OpenDroppedPath(const QString &in_path)
{
    const QFileInfo info(in_path);
    QString folder;
    if (info.isDir())
        folder = info.absoluteFilePath();
    else if (info.exists())
        folder = info.absolutePath();
    if (folder.isEmpty() || !m_pThumbView)
        return false;
    // The same way as a folder picked with "...": the view stops a running scan first and
    // the pending rotations stay queued, so there is nothing to confirm.
    m_pThumbView->LoadFolder(QDir::cleanPath(folder));
    return true;
}

void MainWnd::UpdateMenuState(QMenu *in_pMenu)
{
    const auto actions = in_pMenu->actions();
    for (QAction *action : actions) {
        const unsigned id = CommandOf(action);
        if (id == 0)
            continue;
        QLCmdUI state(id);
        OnCmdMsg(id, QL_CN_UPDATE_COMMAND_UI, &state);
        action->setEnabled(!state.m_bEnableChanged || state.m_bEnabled);
        if (state.m_check >= 0) {
            action->setCheckable(true);
            action->setChecked(state.m_check != 0);
        }
    }
}

bool MainWnd::event(QEvent *in_pEvent)
{
    if (in_pEvent->type() != QLMessageEvent::Type())
        return QMainWindow::event(in_pEvent);
    const auto *message = static_cast<QLMessageEvent *>(in_pEvent);
    switch (message->m_message) {
    case QL_WM_COMMAND:
        OnCmdMsg(static_cast<unsigned>(message->m_wParam & 0xFFFF),
                 static_cast<qint16>((message->m_wParam >> 16) & 0xFFFF), nullptr);
        break;
    case QL_WM_CLOSE:
        m_bExitRequested = true;
        close();
        break;
    case kWmSysCommand:
        OnSysCommand(static_cast<unsigned>(message->m_wParam), message->m_lParam);
        break;
    default:
        break;
    }
    return true;
}

void MainWnd::closeEvent(QCloseEvent *in_pEvent)
{
    if (m_bClosing) {
        in_pEvent->accept();
        return;
    }
    const bool ownExit = std::exchange(m_bExitRequested, false);
    auto *document = dynamic_cast<Document *>(m_pDocument);
    if (!ownExit || (document && document->IsLoading())) {
        // The close box, the system menu and Alt+F4 go the way of File > Exit, which waits
        // for a running scan. The command is posted: a close started from inside this one
        // would be swallowed by the window system's close in progress.
        in_pEvent->ignore();
        QLPostMessage(this, kWmSysCommand, kScClose);
        return;
    }
    if (m_pDocument && !m_pDocument->SaveModified()) {
        in_pEvent->ignore();
        return;
    }
    if (m_pDocument)
        m_pDocument->OnCloseDocument();
    m_bClosing = true;
    in_pEvent->accept();
    emit Closed();
}

namespace {

// A drop only opens what was dropped: it must never be a move, which lets the drag source
// delete the folder once the drop is done. Copy where offered, else link; otherwise refuse.
bool AcceptAsCopyOrLink(QDropEvent *inout_pEvent)
{
    const QMimeData *data = inout_pEvent->mimeData();
    if (!data || !data->hasUrls() || data->urls().isEmpty() || !data->urls().first().isLocalFile())
        return false;
    const Qt::DropActions offered = inout_pEvent->possibleActions();
    if (offered & Qt::CopyAction)
        inout_pEvent->setDropAction(Qt::CopyAction);
    else if (offered & Qt::LinkAction)
        inout_pEvent->setDropAction(Qt::LinkAction);
    else
        return false;
    inout_pEvent->accept();
    return true;
}

} // namespace

void MainWnd::dragEnterEvent(QDragEnterEvent *in_pEvent)
{
    AcceptAsCopyOrLink(in_pEvent);
}

void MainWnd::dragMoveEvent(QDragMoveEvent *in_pEvent)
{
    AcceptAsCopyOrLink(in_pEvent);
}

void MainWnd::dropEvent(QDropEvent *in_pEvent)
{
    if (!AcceptAsCopyOrLink(in_pEvent))
        return;
    // One window, one folder: the first path dropped is opened.
    const QString path = in_pEvent->mimeData()->urls().first().toLocalFile();
    activateWindow();
    // The scan runs for a while and processes events: let the drag finish first.
    QPointer<MainWnd> self(this);
    QTimer::singleShot(0, this, [self, path] {
        if (self)
            self->OpenDroppedPath(path);
    });
}

void MainWnd::OnFocusChanged(QWidget *, QWidget *in_pNow)
{
    if (QLView *view = ViewOfWidget(in_pNow))
        m_pActiveView = view;
}

QLView *MainWnd::ViewOfWidget(const QWidget *in_pWidget) const
{
    if (!in_pWidget)
        return nullptr;
    if (m_pThumbView && (in_pWidget == m_pThumbView || m_pThumbView->isAncestorOf(in_pWidget)))
        return m_pThumbView;
    if (m_pTaskView && (in_pWidget == m_pTaskView || m_pTaskView->isAncestorOf(in_pWidget)))
        return m_pTaskView;
    return nullptr;
}
