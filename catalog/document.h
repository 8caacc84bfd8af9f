// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Document: the program's single document. It owns the image list of the last folder
// scan, the rotation queue, the settings and the event log, runs the folder scan and tells
// its views about every change by numbered hints.
#pragma once

#include "lnklst.h"
#include "qldocview.h"
#include "qllock.h"
#include "vyrconfig.h"
#include "vyrjournalsession.h"
#include "vyrlogview.h"
#include "vyrprefs.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QLImage;
class VYRImage;

// Hints passed to the views' OnUpdate; the hint object is the VYRImage concerned (or null).
enum : long
{
    HINT_RESET = 100,           // null: the image list is about to be emptied
    HINT_ITEM_ADDED = 101,      // the item appended to the image list
    HINT_ITEM_QUEUED = 102,     // the item whose rotation was queued (or changed while queued)
    HINT_ITEM_DONE = 103,       // the item whose rotation finished; the document alone handles it
    HINT_QUEUE_ABANDONED = 105, // null: the user quit and dropped every pending rotation
    HINT_ITEM_QUEUED_SETTLING = 106, // as HINT_ITEM_QUEUED, from a click: its job settles first
};

// Guards the document's image list and queue, and the rotation and marks of every item.
// Recursive; always taken through QLLockGuard / QLUniqueLock. Never wait for the user or
// for the other thread while holding it.
extern QLCriticalSection g_catalogLock;
// Set by the application while the command line is processed at start-up: OnOpenDocument
// then does nothing and succeeds.
extern bool g_bSuppressOpen;
// The thumbnail view (stored by that view when it is first updated): the scan posts
// WM_LOADING_STOPPED to it when it honours a stop request. Null when there is none.
extern QPointer<QObject> g_hThumbWnd;

// Where a folder scan stands, for the window's status bar (Document::SetScanListener).
struct VYRScanStatus
{
    enum class Phase
    {
        Started,    // m_total photos are to be loaded
        Progress,   // one more file done: m_shown listed, m_done of m_total looked at
        Stopped,    // stopped by the user (or the window) with m_shown listed
        Finished,   // the folder was read to its end: m_shown listed
        Missing,    // m_folder does not exist or is no folder; nothing was scanned
        Unreadable, // the system refuses to list m_folder; nothing could be listed
    };
    Phase m_phase = Phase::Started;
    QString m_folder;
    int m_shown = 0;
    int m_done = 0;
    int m_total = 0;
};
using VYRScanListener = std::function<void(const VYRScanStatus &in_status)>;

class Document : public QLDocument
{
public:
    // Loads the settings from the profile store.
    Document();
    // Saves the settings first, then closes an open log view. An orderly exit has emptied
    // both lists (SaveModified, DeleteContents); items still left are deleted once each.
    // The worker must have stopped before.
    ~Document() override;

    // --- Settings and paths ------------------------------------------------------------
    // Read / write the profile store (QSettings "Quillmere"/"Veyra"). Saving is atomic.
    void LoadSettings();
    void SaveSettings();
    VYRConfig &GetConfig() { return m_config; }
    const VYRConfig &GetConfig() const { return m_config; }
    void SetConfig(const VYRConfig &in_config) { m_config = in_config; }
    // The later settings (vyrprefs.h), loaded and saved with the others.
    VYRPrefs &GetPrefs() { return m_prefs; }
    const VYRPrefs &GetPrefs() const { return m_prefs; }
    // The window's use of the undo journal (any thread: the worker journals each write in
    // its current batch). Made with the settings, so UndoDays 0 turns it off.
    VYRJournalSession &GetJournal() { return *m_pJournal; }
    void SetThumbSize(int in_index) { m_config.ThumbSize = in_index; }
    QString GetRootPath() const { return m_config.RootPath; }
    QString GetDestPath() const { return m_config.DestPath; }
    // Sets RootPath; with Inplace on also SetDestPath(in_path). Shows the folder in the
    // main window's control 1026 (when it exists).
    void SetRootPath(const QString &in_path);
    // Sets DestPath and shows it in the main window's control 1028 (when it exists).
    void SetDestPath(const QString &in_path);
    // 0 -> 64, 1 -> 128, 2 -> 256 pixels; any other index -> 0.
    static int ThumbSizeToPixels(int in_index);

    // --- Scan control --------------------------------------------------------------------
    bool IsLoading() const { return m_bLoading; }
    void SetLoading(bool in_bLoading) { m_bLoading = in_bLoading; }
    // Asks the running scan to end at the next image (or when it finishes, whichever comes
    // first); the scan then posts WM_LOADING_STOPPED to g_hThumbWnd.
    void RequestStopLoading() { m_bStopLoading = true; }
    bool IsStopLoadingRequested() const { return m_bStopLoading; }
    // Told of every step of a scan (user-interface thread). Empty: nobody is told.
    void SetScanListener(VYRScanListener in_listener) { m_scanListener = std::move(in_listener); }
    // Scans in_path through OnOpenDocument; returns its result.
    bool OpenFolder(const QString &in_path) { return OnOpenDocument(in_path); }
    // The thumbnail loader's callback (in_pUserData is the Document). Lists one item for
    // in_pImage (the queued item of the same path when there is one). Returns false when
    // the scan must end: a stop was requested, or listing the item failed.
    static bool ThumbnailArrived(QLImage *in_pImage, void *in_pUserData);
    // The loader's callback for a file without a thumbnail: logs the ones the user must
    // hear of (not a JPEG, cannot be read or reached); other failures stay out of the grid.
    static void ThumbnailFailed(const QString &in_path, int in_status, void *in_pUserData);

    // --- Lists and queue (the lists are guarded by g_catalogLock) -----------------------
    // Empties the image list: items the queue holds become detached (the queue owns them
    // from now on), every other item is deleted.
    void ClearImages();
    // Appends in_pItem (the list owns it from now on) and announces HINT_ITEM_ADDED.
    void AddImage(VYRImage *in_pItem);
    // Finds the queued item whose path equals in_pImage's (exact, case-sensitive).
    bool FindQueuedItem(const QLImage *in_pImage, VYRImage **out_ppItem);
    // Appends in_pItem to the queue unless it is already there (it keeps its place).
    void QueueItem(VYRImage *in_pItem);
    // Takes in_pItem out of the queue; nothing happens when it is not there.
    void UnqueueItem(VYRImage *in_pItem);
    // UnqueueItem, then deletes the item when it is detached: do not touch it afterwards.
    void ItemDone(VYRImage *in_pItem);
    // Empties the queue, deleting detached items. ClearQueueUnlocked does the same for a
    // caller that already holds g_catalogLock (the worker).
    void ClearQueue();
    void ClearQueueUnlocked();
    // Number of queued items: a single read of the count, without the lock.
    int GetPendingCount() const { return m_queue.GetCount(); }
    // Read access for views and tests; hold g_catalogLock while walking them off the
    // user-interface thread.
    const QLLinkedList<VYRImage *> &GetImages() const { return m_images; }
    const QLLinkedList<VYRImage *> &GetQueue() const { return m_queue; }

    // The one entry for reporting a change. HINT_ITEM_QUEUED: QueueItem, then every view
    // except in_pSender. HINT_ITEM_DONE: ItemDone only (in_pItem may be deleted after the
    // call). Any other hint: every view except in_pSender.
    void NotifyViews(QLView *in_pSender, long in_hint, VYRImage *in_pItem);

    // --- Event log ------------------------------------------------------------------------
    // Appends a line to the log and to the open log view. User-interface thread only.
    void AddLogLine(const QString &in_line);
    const QStringList &GetLog() const { return m_log; }
    // When each line of GetLog was written, in the same order.
    const QList<QDateTime> &GetLogTimes() const { return m_logTimes; }
    // The open log view, or null.
    VYRLogView *GetLogView() const { return m_pLogView; }
    // How View > Log... makes its window: the shell installs it at start-up (tests may
    // too). Without one the command does nothing. User-interface thread only.
    static void SetLogViewFactory(VYRLogViewFactory in_factory);

    // --- Commands -------------------------------------------------------------------------
    // Handles ID_VIEW_LOG (40013, and its update), IDC_DEST_BROWSE (1027) and IDC_INPLACE
    // (1017). Returns true when it handled the command.
    bool OnCmdMsg(unsigned in_id, int in_code, void *in_pExtra) override;
    // Offers the command to every view in view order except in_pSkip; true at the first
    // view that handles it.
    virtual bool RouteCmdToAllViews(QLView *in_pSkip, unsigned in_id, int in_code, void *in_pExtra);
    // Opens the log view with the whole history, unless one is open.
    void OnViewLog();
    // Enables the command exactly while no log view is open.
    void OnUpdateViewLog(QLCmdUI *in_pCmdUI);
    // With Inplace off, lets the user pick the output folder (starting at the source
    // folder) and makes it DestPath. Does nothing with Inplace on.
    void OnBrowseDest();
    // Inplace = the check state of control 1017, then SetRootPath(RootPath).
    void OnInplace();

    // --- Framework steps ------------------------------------------------------------------
    // Traces, shows the stored folders in the control bar and posts command 1025 (pick
    // the source folder) to the main window.
    bool OnNewDocument() override;
    // The folder scan: logs "Opening folder ...", lists one item per thumbnail. Returns
    // false when the scan failed (items delivered before the failure stay listed); a scan
    // stopped by a request or the window counts as success. Does nothing and succeeds
    // while g_bSuppressOpen is set.
    bool OnOpenDocument(const QString &in_path) override;
    // Stops a running scan, then DeleteContents.
    void OnCloseDocument() override;
    // true when nothing is queued or the user agrees to drop the queue (which is then
    // abandoned); false when the user says No (nothing changes).
    bool SaveModified() override;
    // HINT_RESET to every view, then ClearImages.
    void DeleteContents() override;

private:
    VYRLogView *m_pLogView = nullptr;
    QLLinkedList<VYRImage *> m_images;
    QLLinkedList<VYRImage *> m_queue;
    bool m_bLoading = false;
    bool m_bStopLoading = false;
    VYRConfig m_config;
    VYRPrefs m_prefs;
    std::unique_ptr<VYRJournalSession> m_pJournal;
    QStringList m_log;
    QList<QDateTime> m_logTimes;
    VYRScanListener m_scanListener;
    VYRScanStatus m_scan;
    // Screen pixels per window pixel when the scan began: thumbnails are made that much
    // larger and painted back into their box, so a 2x screen shows them sharp.
    double m_thumbPixelRatio = 1.0;
    bool m_bScanUnreadable = false;

    void TellScan(VYRScanStatus::Phase in_phase);
    // Counts the files the scan of in_path will hand out (a listing only, no decoding).
    int CountScanFiles(const QString &in_path) const;
};
