// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "document.h"

#include "qlimg.h"
#include "qlprompt.h"
#include "qltrace.h"
#include "qlwnd.h"
#include "resource.h"
#include "slctfldr.h"
#include "vyrfolderwalk.h"
#include "vyrimg.h"
#include "vyrsharedthumbs.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include <algorithm>
#include <memory>
#include <unordered_set>

QLCriticalSection g_catalogLock;
bool g_bSuppressOpen = false;
QPointer<QObject> g_hThumbWnd;

namespace {

const char kStoreOrganization[] = "Quillmere";
const char kStoreApplication[] = "Veyra";

VYRLogViewFactory &LogViewFactory()
{
    static VYRLogViewFactory factory;
    return factory;
}

// Shows in_text in the main window's control in_id. The control bar builds labels, but
// any control with a text property will do; a missing window or control is no error (the
// document also lives without a frame, in tests and before the frame exists).
void SetControlText(int in_id, const QString &in_text)
{
    QWidget *control = QLFindControl(QLGetMainWindow(), in_id);
    if (!control)
        return;
    if (auto *label = qobject_cast<QLabel *>(control)) {
        label->setText(in_text);
        return;
    }
    if (control->metaObject()->indexOfProperty("text") >= 0)
        control->setProperty("text", in_text);
}

int FindInList(const QLLinkedList<VYRImage *> &in_list, const VYRImage *in_pItem)
{
    VYRImage *entry = nullptr;
    for (int i = 0; i < in_list.GetCount(); ++i) {
        if (in_list.Get(i, entry) && entry == in_pItem)
            return i;
    }
    return -1;
}

void Append(QLLinkedList<VYRImage *> &inout_list, VYRImage *in_pItem)
{
    inout_list.Insert(inout_list.GetCount(), in_pItem);
}

} // namespace

Document::Document()
{
    LoadSettings();
    m_pJournal = std::make_unique<VYRJournalSession>(QString::fromUtf8(VYRUndoText::kWindowOrigin),
                                                     QString(), m_prefs.UndoDays > 0);
    m_pJournal->SetExpiry(m_prefs.UndoDays, qint64(m_prefs.UndoMegabytes) << 20);
}

Document::~Document()
{
    // Settings first: whatever goes wrong below, the user's choices are kept.
    SaveSettings();
    delete m_pLogView; // its close notice clears m_pLogView

    // An orderly exit has emptied both lists. When it did not, free each item once: an
    // item may sit in both lists (listed and queued).
    QLLockGuard lock(g_catalogLock);
    std::unordered_set<VYRImage *> items;
    VYRImage *item = nullptr;
    for (int i = 0; i < m_images.GetCount(); ++i) {
        if (m_images.Get(i, item))
            items.insert(item);
    }
    for (int i = 0; i < m_queue.GetCount(); ++i) {
        if (m_queue.Get(i, item))
            items.insert(item);
    }
    while (m_images.GetCount() > 0)
        m_images.Remove(0);
    while (m_queue.GetCount() > 0)
        m_queue.Remove(0);
    for (VYRImage *leftover : items)
        delete leftover;
}

// --- Settings and paths ----------------------------------------------------------------

void Document::LoadSettings()
{
    QSettings store(QString::fromLatin1(kStoreOrganization),
                    QString::fromLatin1(kStoreApplication));
    m_config.Load(store);
    m_prefs.Load(store);
}

void Document::SaveSettings()
{
    QSettings store(QString::fromLatin1(kStoreOrganization),
                    QString::fromLatin1(kStoreApplication));
    // A run killed while saving must leave the previous file whole, not half of a new one:
    // the file is written aside and renamed over the old one.
    store.setAtomicSyncRequired(true);
    m_config.Save(store);
    m_prefs.Save(store);
    store.sync(); // failures are not reported: the previous file stays whole
}

void Document::SetRootPath(const QString &in_path)
{
    m_config.RootPath = in_path;
    if (m_config.Inplace)
        SetDestPath(in_path);
    SetControlText(IDC_SOURCE_PATH, m_config.RootPath);
}

void Document::SetDestPath(const QString &in_path)
{
    m_config.DestPath = in_path;
    SetControlText(IDC_DEST_PATH, m_config.DestPath);
}

int Document::ThumbSizeToPixels(int in_index)
{
    switch (in_index) {
    case 0:
        return 64;
    case 1:
        return 128;
    case 2:
        return 256;
    default:
        return 0;
    }
}

// --- Scan ------------------------------------------------------------------------------

bool Document::ThumbnailArrived(QLImage *in_pImage, void *in_pUserData)
{
    auto *document = static_cast<Document *>(in_pUserData);
    if (!QL_ASSERT(in_pImage) || !QL_ASSERT(document))
        return false;
    try {
        VYRImage *queued = nullptr;
        std::unique_ptr<VYRImage> fresh;
        {
            QLLockGuard lock(g_catalogLock);
            // Only a detached queued item may be listed again: one still listed (queued
            // during this very scan) must not end up in the list twice.
            if (!document->FindQueuedItem(in_pImage, &queued) || !queued->IsDetached()) {
                queued = nullptr;
                fresh = std::make_unique<VYRImage>(*in_pImage);
            }
        }
        if (document->m_bStopLoading) {
            document->m_bStopLoading = false;
            QLPostMessage(g_hThumbWnd, WM_LOADING_STOPPED);
            return false; // a matched queued item stays detached; a fresh one goes
        }
        VYRImage *item = queued;
        if (queued) {
            QLLockGuard lock(g_catalogLock);
            queued->SetDetached(false);
        } else {
            // A queued item found again keeps the bitmap, and so the ratio, of its own scan.
            fresh->SetPixelRatio(document->m_thumbPixelRatio);
            item = fresh.release();
        }
        document->AddImage(item);
        ++document->m_scan.m_shown;
        ++document->m_scan.m_done;
        document->TellScan(VYRScanStatus::Phase::Progress);
        return true;
    } catch (QLException *in_pError) {
        delete in_pError;
        return false;
    } catch (...) {
        return false;
    }
}

void Document::ThumbnailFailed(const QString &in_path, int in_status, void *in_pUserData)
{
    auto *document = static_cast<Document *>(in_pUserData);
    if (QL_ASSERT(document)) {
        // The walk tells a folder it may not list in its place; the folder itself refused
        // means that nothing at all could be shown.
        if (in_status == VYR_ERR_FILE_READ &&
            QDir::cleanPath(in_path) == QDir::cleanPath(document->m_scan.m_folder))
            document->m_bScanUnreadable = true;
        ++document->m_scan.m_done;
        document->TellScan(VYRScanStatus::Phase::Progress);
    }
    const char *format = nullptr;
    switch (in_status) {
    case VYR_ERR_FILE_FORMAT:
        format = VYRText::kLogNotJpeg;
        break;
    case VYR_ERR_FILE_READ:
        format = VYRText::kLogCannotRead;
        break;
    case VYR_ERR_UNREACHABLE:
        format = VYRText::kLogNameNotUtf8;
        break;
    case VYR_ERR_PATH_TOO_LONG:
        format = VYRText::kLogPathTooLong;
        break;
    default:
        return; // a damaged or costly photo: the thumbnail's own trace tells the developer
    }
    if (QL_ASSERT(document))
        document->AddLogLine(
            QString::asprintf(format, qUtf8Printable(QDir::toNativeSeparators(in_path))));
}

bool Document::OnOpenDocument(const QString &in_path)
{
    if (g_bSuppressOpen)
        return true;
    QLTrace("\tOnOpenDocument(%s)\n", qUtf8Printable(in_path));
    DeleteContents();
    const int edge = ThumbSizeToPixels(m_config.ThumbSize);
    // The window may not be on a screen yet (a folder named on the command line): then the
    // screen it will open on tells.
    const QWidget *window = QLGetMainWindow();
    const QScreen *screen = window && window->screen() ? window->screen()
                            : qGuiApp                  ? QGuiApplication::primaryScreen()
                                                       : nullptr;
    m_thumbPixelRatio = screen ? std::max(1.0, screen->devicePixelRatio()) : 1.0;
    const int box = qRound(edge * m_thumbPixelRatio);
    AddLogLine(QString::asprintf(VYRText::kLogOpening, qUtf8Printable(in_path)));
    SetRootPath(in_path);
    m_scan = VYRScanStatus();
    m_scan.m_folder = in_path;
    m_bScanUnreadable = false;
    const bool missing = !QFileInfo(in_path).isDir();
    if (missing) {
        TellScan(VYRScanStatus::Phase::Missing);
    } else {
        m_scan.m_total = CountScanFiles(in_path);
        TellScan(VYRScanStatus::Phase::Started);
    }
    SetLoading(true);

    // The scan ends with the loading flag down however it ends, even by an exception that
    // is not ours to catch.
    struct LoadingReset
    {
        Document *m_pDocument;
        ~LoadingReset() { m_pDocument->SetLoading(false); }
    } loadingReset{this};

    bool succeeded = true;
    bool stopped = false;
    // A stop asked for while a slow file decodes ends the scan there and then; the request
    // is consumed below, as one that came after the last image.
    const QLLoadStopQuery stopAsked = [](void *in_pDocument) {
        return static_cast<Document *>(in_pDocument)->m_bStopLoading;
    };
    VYRThumbSources sources;
    sources.m_useEmbedded = m_prefs.UseEmbeddedThumbnails;
    sources.m_tolerancePercent = m_prefs.EmbeddedThumbnailTolerance;
    sources.m_writeShared = m_prefs.WriteSharedThumbnails;
    VYRSetThumbSources(sources);
    try {
        // An unknown thumbnail size gives an empty box, which the loader refuses: the scan
        // then fails instead of dividing by zero anywhere.
        QLLoadThumbnails(QLGetMainWindow(), in_path, QSize(box, box), m_config.Filter,
                         m_config.MatteColor, m_config.IncludeSubDirs != 0,
                         &Document::ThumbnailArrived, this, stopAsked, &Document::ThumbnailFailed);
    } catch (QLException *in_pError) {
        std::unique_ptr<QLException> error(in_pError);
        // -10: the load was stopped (by us or by the window): no failure.
        succeeded = error->code == VYR_ERR_BROWSE_STOPPED;
        stopped = succeeded;
    }

    // A stop asked for after the last image was delivered (or while a file was still being
    // decoded) was not seen by the callback. Consume it here: left set, it would end the next
    // scan at its first image, and the thumbnail view would wait for a stop notice that never
    // comes.
    if (m_bStopLoading) {
        m_bStopLoading = false;
        stopped = true;
        QLPostMessage(g_hThumbWnd, WM_LOADING_STOPPED);
    }
    if (!missing) {
        if (stopped)
            TellScan(VYRScanStatus::Phase::Stopped);
        else if (m_bScanUnreadable && m_scan.m_shown == 0)
            TellScan(VYRScanStatus::Phase::Unreadable);
        else
            TellScan(VYRScanStatus::Phase::Finished);
    }
    return succeeded;
}

void Document::TellScan(VYRScanStatus::Phase in_phase)
{
    m_scan.m_phase = in_phase;
    if (m_scanListener)
        m_scanListener(m_scan);
}

int Document::CountScanFiles(const QString &in_path) const
{
    // Directory listings only: a few milliseconds for thousands of photos, against tens of
    // milliseconds of decoding for each one of them.
    VYRFolderWalk walk(in_path, m_config.Filter, m_config.IncludeSubDirs != 0);
    VYRWalkEntry entry;
    int count = 0;
    while (walk.Next(&entry))
        ++count;
    return count;
}

// --- Lists and queue -------------------------------------------------------------------

void Document::ClearImages()
{
    QLLockGuard lock(g_catalogLock);
    VYRImage *item = nullptr;
    while (m_images.GetCount() > 0) {
        if (!m_images.Get(0, item) || !m_images.Remove(0))
            break;
        // A pending item passes to the queue. What decides is whether the queue holds it:
        // an item queued but not yet marked pending must not leave a dangling entry, and
        // one still marked pending after the worker purged the queue would have no owner.
        if (FindInList(m_queue, item) >= 0)
            item->SetDetached(true);
        else
            delete item;
    }
}

void Document::AddImage(VYRImage *in_pItem)
{
    if (!QL_ASSERT(in_pItem))
        return;
    {
        QLLockGuard lock(g_catalogLock);
        try {
            Append(m_images, in_pItem);
        } catch (...) {
            // Not listed: the list cannot own it. The queue still owns a queued item.
            if (FindInList(m_queue, in_pItem) < 0)
                delete in_pItem;
            else
                in_pItem->SetDetached(true);
            throw;
        }
    }
    NotifyViews(nullptr, HINT_ITEM_ADDED, in_pItem);
}

bool Document::FindQueuedItem(const QLImage *in_pImage, VYRImage **out_ppItem)
{
    if (!QL_ASSERT(in_pImage) || !QL_ASSERT(out_ppItem))
        return false;
    *out_ppItem = nullptr;
    const QString path = in_pImage->GetPathName();
    QLLockGuard lock(g_catalogLock);
    VYRImage *item = nullptr;
    for (int i = 0; i < m_queue.GetCount(); ++i) {
        if (m_queue.Get(i, item) && item->GetPathName() == path) {
            *out_ppItem = item;
            return true;
        }
    }
    return false;
}

void Document::QueueItem(VYRImage *in_pItem)
{
    if (!QL_ASSERT(in_pItem))
        return;
    QLLockGuard lock(g_catalogLock);
    if (FindInList(m_queue, in_pItem) < 0)
        Append(m_queue, in_pItem);
}

void Document::UnqueueItem(VYRImage *in_pItem)
{
    QLLockGuard lock(g_catalogLock);
    const int index = FindInList(m_queue, in_pItem);
    if (index >= 0)
        m_queue.Remove(index);
}

void Document::ItemDone(VYRImage *in_pItem)
{
    if (!in_pItem)
        return;
    QLLockGuard lock(g_catalogLock);
    const int index = FindInList(m_queue, in_pItem);
    if (index < 0)
        return; // not ours (any more): whoever took it out of the queue disposed of it
    m_queue.Remove(index);
    if (in_pItem->IsDetached())
        delete in_pItem;
}

void Document::ClearQueue()
{
    QLLockGuard lock(g_catalogLock);
    ClearQueueUnlocked();
}

void Document::ClearQueueUnlocked()
{
    VYRImage *item = nullptr;
    while (m_queue.GetCount() > 0) {
        if (!m_queue.Get(0, item) || !m_queue.Remove(0))
            break;
        if (item->IsDetached())
            delete item;
    }
}

void Document::NotifyViews(QLView *in_pSender, long in_hint, VYRImage *in_pItem)
{
    switch (in_hint) {
    case HINT_ITEM_QUEUED:
    case HINT_ITEM_QUEUED_SETTLING:
        QueueItem(in_pItem);
        UpdateAllViews(in_pSender, in_hint, in_pItem);
        break;
    case HINT_ITEM_DONE:
        ItemDone(in_pItem);
        break;
    default:
        UpdateAllViews(in_pSender, in_hint, in_pItem);
        break;
    }
}

void Document::DeleteContents()
{
    NotifyViews(nullptr, HINT_RESET, nullptr);
    ClearImages();
}

// --- Event log and commands ------------------------------------------------------------

void Document::AddLogLine(const QString &in_line)
{
    m_logTimes.append(QDateTime::currentDateTime());
    m_log.append(in_line);
    if (m_pLogView)
        m_pLogView->AddLine(in_line);
}

bool Document::OnCmdMsg(unsigned in_id, int in_code, void *in_pExtra)
{
    switch (in_id) {
    case ID_VIEW_LOG:
        if (in_code == QL_CN_COMMAND) {
            OnViewLog();
            return true;
        }
        if (in_code == QL_CN_UPDATE_COMMAND_UI && in_pExtra) {
            OnUpdateViewLog(static_cast<QLCmdUI *>(in_pExtra));
            return true;
        }
        break;
    case IDC_DEST_BROWSE:
        if (in_code == QL_CN_COMMAND) {
            OnBrowseDest();
            return true;
        }
        break;
    case IDC_INPLACE:
        if (in_code == QL_CN_COMMAND) {
            OnInplace();
            return true;
        }
        break;
    default:
        break;
    }
    return QLDocument::OnCmdMsg(in_id, in_code, in_pExtra);
}

bool Document::RouteCmdToAllViews(QLView *in_pSkip, unsigned in_id, int in_code, void *in_pExtra)
{
    // A handler may add or remove views: walk a copy.
    const std::vector<QLView *> views = GetViews();
    for (QLView *view : views) {
        if (view != in_pSkip && view->OnCmdMsg(in_id, in_code, in_pExtra))
            return true;
    }
    return false;
}

void Document::SetLogViewFactory(VYRLogViewFactory in_factory)
{
    LogViewFactory() = std::move(in_factory);
}

void Document::OnViewLog()
{
    if (m_pLogView || !LogViewFactory())
        return;
    m_pLogView = LogViewFactory()(QLGetMainWindow(), [this](VYRLogView *in_pView) {
        if (m_pLogView == in_pView)
            m_pLogView = nullptr;
    });
    if (!m_pLogView)
        return;
    for (const QString &line : std::as_const(m_log))
        m_pLogView->AddLine(line);
}

void Document::OnUpdateViewLog(QLCmdUI *in_pCmdUI)
{
    if (QL_ASSERT(in_pCmdUI))
        in_pCmdUI->Enable(m_pLogView == nullptr);
}

void Document::OnBrowseDest()
{
    if (m_config.Inplace)
        return;
    // Opens on the source folder: output folders are usually picked next to it.
    QLBrowseFolderDlg dialog(QLGetMainWindow(), m_config.RootPath);
    if (dialog.DoModal() == 1)
        SetDestPath(dialog.GetPath());
}

void Document::OnInplace()
{
    // Without the check box there is no state to take over.
    if (auto *box = qobject_cast<QAbstractButton *>(QLFindControl(QLGetMainWindow(), IDC_INPLACE)))
        m_config.Inplace = box->isChecked() ? 1 : 0;
    SetRootPath(m_config.RootPath);
}

// --- Framework steps -------------------------------------------------------------------

bool Document::OnNewDocument()
{
    QLTrace("OnNewDocument()\n");
    if (!QLDocument::OnNewDocument())
        return false;
    SetRootPath(m_config.RootPath);
    SetDestPath(m_config.DestPath);
    // Opens the source folder picker as soon as the event loop runs.
    QLPostMessage(QLGetMainWindow(), QL_WM_COMMAND, QLMakeCommandParam(IDC_SOURCE_BROWSE));
    return true;
}

void Document::OnCloseDocument()
{
    if (m_bLoading)
        RequestStopLoading();
    SetLoading(false);
    QLDocument::OnCloseDocument();
}

bool Document::SaveModified()
{
    {
        QLLockGuard lock(g_catalogLock);
        if (m_queue.GetCount() == 0)
            return true;
    }
    // Asked without the lock: the worker may need it meanwhile.
    if (QLMessageBox(QString::fromUtf8(VYRText::kQuitPending), QL_MB_YESNO | QL_MB_DEFBUTTON2) !=
        QL_IDYES)
        return false;
    NotifyViews(nullptr, HINT_QUEUE_ABANDONED, nullptr);
    {
        QLLockGuard lock(g_catalogLock);
        VYRImage *item = nullptr;
        for (int i = 0; i < m_queue.GetCount(); ++i) {
            if (m_queue.Get(i, item))
                item->SetPending(false);
        }
        ClearQueueUnlocked();
    }
    return true;
}
