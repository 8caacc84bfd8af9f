// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrapp.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <utility>

#include "aboutdlg.h"
#include "document.h"
#include "logviewdlg.h"
#include "mainwnd.h"
#include "qlprompt.h"
#include "qlskin.h"
#include "qltheme.h"
#include "resource.h"
#include "thumb/vyrsharedthumbwriter.h"
#include "vyrthumbvw.h"

// Resources live in this library; the linker keeps them only when something refers to them.
static void InitShellResources()
{
    Q_INIT_RESOURCE(veyra);
}

namespace {

const char kOrganisation[] = "Quillmere";
const char kSkinAppName[] = "Hopwell";

// The folder to open from the arguments: the first one that is not an option. A file
// stands for its folder. Empty when none is given.
QString FolderFromArguments(const QStringList &in_args)
{
    for (const QString &arg : in_args) {
        if (arg.isEmpty() || arg.startsWith(QLatin1Char('-')))
            continue;
        const QFileInfo info(arg);
        // A relative folder is made absolute now: it is stored as the source folder and must
        // mean the same folder at the next start.
        const QString folder = info.isFile() ? info.absolutePath() : info.absoluteFilePath();
        return QDir::cleanPath(folder);
    }
    return {};
}

// The framework's title of a document opened from a path: the last part of the path.
QString TitleOfPath(const QString &in_path)
{
    const QString name = QFileInfo(in_path).fileName();
    return name.isEmpty() ? in_path : name;
}

} // namespace

VYRApp::VYRApp(int &inout_argc, char **inout_argv) : QApplication(inout_argc, inout_argv)
{
    InitShellResources();
    Document::SetLogViewFactory([this](QWidget *in_pOwner, VYRLogViewClosed in_onClosed) {
        return CreateLogView(in_pOwner, std::move(in_onClosed));
    });
    setApplicationName(QString::fromUtf8(VYRText::kAppTitle));
    setApplicationDisplayName(QString::fromUtf8(VYRText::kAppTitle));
    setApplicationVersion(QStringLiteral("1.1"));
    setDesktopFileName(QStringLiteral("org.quillmere.Veyra"));
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/veyra/veyra-%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);
}

VYRApp::~VYRApp()
{
    ExitInstance();
}

bool VYRApp::InitInstance(const QStringList &in_args)
{
    QLSkinInitialize(nullptr, kSkinAppName);
    QLSkinLoadFromResource(nullptr, "DEFAULT", "SKINMAGIC");
    // Every profile call from now on goes to QSettings("Quillmere", "Veyra").
    setOrganizationName(QString::fromUtf8(kOrganisation));
    setApplicationName(QString::fromUtf8(VYRText::kAppTitle));

    ExitInstance(); // a second start (tests) begins from nothing
    m_pDocument = new Document;
    QLApplyTheme(m_pDocument->GetPrefs().Theme);
    m_pMainWnd = new MainWnd;
    if (!m_pMainWnd->LoadFrame(m_pDocument)) {
        ExitInstance();
        return false;
    }

    // While the command line is processed, opening a document only sets things up: the scan
    // itself waits until the window is visible.
    g_bSuppressOpen = true;
    const QString folder = FolderFromArguments(in_args);
    bool processed;
    if (folder.isEmpty()) {
        m_pDocument->SetTitle(QString::fromUtf8(VYRText::kUntitled));
        processed = m_pDocument->OnNewDocument();
    } else {
        processed = m_pDocument->OnOpenDocument(folder);
        if (processed) {
            m_pDocument->SetTitle(TitleOfPath(folder));
            // The scan shows the source folder, but with In-place off nothing would show
            // the stored output folder, and jobs would go to a folder the user cannot see.
            m_pDocument->SetDestPath(m_pDocument->GetDestPath());
        }
    }
    if (processed)
        m_pMainWnd->InitialUpdateFrame();
    g_bSuppressOpen = false;
    if (!processed) {
        ExitInstance();
        return false;
    }

    // A desktop without a window manager cannot maximise: the window still fills the screen.
    if (QScreen *screen = m_pMainWnd->screen())
        m_pMainWnd->resize(screen->availableGeometry().size());
    m_pMainWnd->showMaximized();
    // The thumbnails are what the keys act on: the window opens with the focus there, not on
    // the first control of the bar.
    if (VYRThumbVw *thumbs = m_pMainWnd->GetThumbView())
        thumbs->setFocus(Qt::OtherFocusReason);

    if (!folder.isEmpty()) {
        // Scanned once the event loop runs, so the thumbnails arrive one by one in the
        // window the user already sees.
        QPointer<MainWnd> frame(m_pMainWnd);
        QTimer::singleShot(0, m_pMainWnd, [frame, folder] {
            if (frame && frame->GetActiveDocument())
                frame->GetActiveDocument()->OnOpenDocument(folder);
        });
    }
    return true;
}

int VYRApp::ExitInstance()
{
    // The frame first: its task list waits for the worker, which may still need the document.
    delete std::exchange(m_pMainWnd, nullptr);
    delete std::exchange(m_pDocument, nullptr);
    return 0;
}

int VYRApp::Run()
{
    QStringList args = arguments();
    if (!args.isEmpty())
        args.removeFirst();
    if (!InitInstance(args))
        return 1;
    // The program ends with its window, even while the log view is still open.
    connect(m_pMainWnd, &MainWnd::Closed, this, &QCoreApplication::quit, Qt::QueuedConnection);
    const int code = exec();
    ExitInstance();
    // The window is gone: the shared-cache entries still queued get a moment, and what is left
    // is decoded again next time.
    VYRFinishSharedThumbWrites(1500);
    return code;
}

bool VYRApp::OnCmdMsg(unsigned in_id, int in_code, void *)
{
    if (in_code != QL_CN_COMMAND)
        return false;
    switch (in_id) {
    case ID_HELP:
        OnHelp();
        return true;
    case ID_HELP_CONTENTS:
        OnHelpContents();
        return true;
    case ID_HELP_ABOUT:
        OnAppAbout();
        return true;
    default:
        return false;
    }
}

void VYRApp::OnHelp()
{
    OnHelpContents();
}

void VYRApp::OnHelpContents()
{
    const QString chm = QDir::current().absoluteFilePath(QString::fromUtf8(VYRText::kHelpFile));
    if (QFileInfo::exists(chm) && QDesktopServices::openUrl(QUrl::fromLocalFile(chm)))
        return;
    // Most systems other than Windows have no viewer for the compiled help: the same pages
    // are installed as HTML.
    const QString html = FindHtmlHelp();
    if (html.isEmpty()) {
        QLMessageBox(QString::fromUtf8(VYRShellText::kHelpMissing));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(html)))
        QLMessageBox(
            QString::fromUtf8(VYRShellText::kHelpNotShown).arg(QDir::toNativeSeparators(html)));
}

VYRLogView *VYRApp::CreateLogView(QWidget *in_pOwner, VYRLogViewClosed in_onClosed)
{
    auto *view = new LogViewDlg(in_pOwner, std::move(in_onClosed));
    if (!m_pDocument)
        return view;
    view->RestoreGeometry(m_pDocument->GetPrefs().LogWindowGeometry);
    // The document is gone (null here) before its own destructor closes a view still open.
    view->SetTimeSource([this](int in_index) {
        if (!m_pDocument || in_index >= m_pDocument->GetLogTimes().size())
            return QDateTime();
        return m_pDocument->GetLogTimes().at(in_index);
    });
    view->SetGeometrySink([this](const QByteArray &in_geometry) {
        if (m_pDocument)
            m_pDocument->GetPrefs().LogWindowGeometry = in_geometry;
    });
    return view;
}

void VYRApp::OnAppAbout()
{
    AboutDlg dialog(m_pMainWnd);
    dialog.DoModal();
}

QString VYRApp::FindHtmlHelp()
{
    const QDir programDir(applicationDirPath());
    const QStringList candidates = {
        programDir.filePath(QStringLiteral("help/index.html")),
        programDir.filePath(QStringLiteral("../share/veyra/help/index.html")),
    };
    for (const QString &candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return QDir::cleanPath(candidate);
    }
    return {};
}
