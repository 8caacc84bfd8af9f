// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The document's folder scan: thumbnails as they arrive, files that fail, and the status the
// window shows while it runs.
#include "document.h"

#include "file/vyrfolderwalk.h"
#include "qlimg.h"
#include "qltrace.h"
#include "qlwnd.h"
#include "resource.h"
#include "thumb/vyrsharedthumbs.h"
#include "vyrimg.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <memory>

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
