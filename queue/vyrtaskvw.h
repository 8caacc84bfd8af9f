// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// VYRTaskVw: the task list, one row per rotation that has not started yet. Its rows are the
// rotation worker's work list: the worker always takes row 0. The view starts the worker when
// it is created and waits for it to end when it goes away.
#pragma once

#include "qldocview.h"
#include "vyroutputclaims.h"
#include "vyrworklist.h"

#include <QTreeWidget>
#include <atomic>
#include <memory>
#include <thread>

class Document;
class QLUiChannel;
class QTimer;
class VYRImage;

class VYRTaskVw : public QTreeWidget, public QLView, public VYRWorkList
{
    Q_OBJECT

public:
    // Columns, in the order OnCreate inserts them.
    enum : int
    {
        COL_STATUS = 0,   // "Pending..." or "Processing..."
        COL_SOURCE = 1,   // the item's full path when the row was made
        COL_OUTPUT = 2,   // where the rotated file goes
        COL_ROTATION = 3, // the item's net rotation, "%d"
    };

    // Construct on the user-interface thread. The list is empty and no worker runs until
    // OnCreate.
    explicit VYRTaskVw(QWidget *in_pParent = nullptr);
    // Stops the worker and waits for it (OnDestroy, WaitForWorker), so that the thread never
    // outlives the view.
    ~VYRTaskVw() override;

    // Inserts the four columns, then starts the rotation worker. Returns 0, or -1 when the
    // worker thread could not be started (the view then has no worker). Call it once, after
    // the view has been added to its document.
    int OnCreate();
    // Asks the worker to stop; it finishes a job it has begun first. Returns at once.
    void OnDestroy();
    // Waits until the worker has ended, serving its requests (and the completion of its last
    // job) meanwhile, so that the wait can neither deadlock nor leave the thread running.
    // Call after OnDestroy; returns at once when no worker runs. The destructor calls both.
    void WaitForWorker();

    // HINT_ITEM_QUEUED: marks the item pending and brings its row in line (UpdateTask);
    // completes the job at once when the row is gone. HINT_ITEM_QUEUED_SETTLING: the same,
    // and the row then waits the settling time (the SettleMilliseconds preference) before the
    // worker may take it, showing "Settling...": clicks within it add up into one job, and
    // clicks that cancel out write nothing. HINT_QUEUE_ABANDONED: deletes every
    // row and lets go of the running job. Other hints, and hints this view sent itself, are
    // ignored.
    void OnUpdate(QLView *in_pSender, long in_hint, void *in_pHint) override;

    // WM_ROTATION_STARTED (wParam: row index, lParam: the item): row in_wParam shows
    // "Processing..." and its item becomes the running job.
    qintptr OnRotationStarted(qintptr in_wParam, qintptr in_lParam);

    // Brings the item's row in line: appends one when there is none (1), rewrites its
    // Rotation cell when the item's rotation is not 0 (1), deletes it otherwise (0). The
    // running job's item gets no row while its file is being written (1): its completion
    // queues what was asked for meanwhile, on the path of the written file. Then sets the
    // document's title to "%d items pending".
    // in_settleMs: how long the row waits before the worker may take it.
    int UpdateTask(VYRImage *in_pItem, int in_settleMs = 0);
    // Appends a row "Pending...", the item's path, its output path and its rotation. The
    // output path is the item's path in place, otherwise DestPath, the platform's
    // separator and the item's file name (settings read now, never again for this row).
    void InsertTask(VYRImage *in_pItem);
    // Deletes the row at in_row; an index that does not exist does nothing.
    void DeleteTask(int in_row);
    // Writes the item's rotation into the Rotation cell of in_row.
    void UpdateTaskRotation(int in_row, VYRImage *in_pItem);
    // The row of in_pItem, or -1.
    int FindTask(VYRImage *in_pItem);
    // Finishes the item's job: its rotation and pending mark go to 0 (a failed job's
    // thumbnail is turned back first), the title is updated, the log receives "Successfully
    // rotated '<name>'" or, for a failed job, "Failed to rotate '<name>'" (after a line of
    // its own when another photo holds the output), and the document gets HINT_ITEM_DONE.
    // The item may be deleted by then: it is not touched afterwards. When the item was
    // queued again while its job ran, that request is kept instead: the item stays pending
    // and queued, and gets a new row at the end.
    void CompleteTask(VYRImage *in_pItem);
    // Number of rows.
    int GetTaskCount() const;
    // Whether the row's settling time is over (rows queued without one always are).
    bool IsRowSettled(int in_row) const;
    // The item of in_row, or null when the row does not exist.
    VYRImage *GetTaskItem(int in_row) const;
    // The text of one cell, or empty when the row does not exist.
    QString GetTaskText(int in_row, int in_column) const;

    // --- VYRWorkList: the worker's side (see vyrworklist.h) ------------------------------
    QLUiChannel *GetChannel() const override { return m_pChannel; }
    bool IsStopRequested() const override { return m_bStopWorker.load() != 0; }
    VYROutputClaims &GetOutputClaims() override { return m_outputClaims; }
    bool TakeNextJob(VYRJob *out_pJob) override;
    qintptr OnRotationDone(qintptr in_wParam, qintptr in_lParam) override;
    void OnRotationFinished(VYRImage *in_pItem, const VYRJobOutcome &in_outcome) override;
    void PurgeIfIdle() override;
    bool IsRunningJob(const VYRImage *in_pItem) const override;

    // Whether the worker thread is running (between OnCreate and the end of OnDestroy).
    bool IsWorkerRunning() const { return m_hWorkerThread.joinable(); }
    // Whether the read-only message is on screen now.
    bool IsReadOnlyMessageShown() const { return m_bReadOnlyShown; }

signals:
    // The batch's progress changed: in_done jobs of in_total have ended since the queue was
    // last empty, and in_fileName is being written (empty between two jobs). in_total is 0
    // once nothing is left to do.
    void ProgressChanged(int in_done, int in_total, const QString &in_fileName);

protected:
    // WM_ROTATION_STARTED and WM_ROTATION_DONE may also arrive as QLMessageEvents.
    bool event(QEvent *in_pEvent) override;

private:
    Document *GetDoc() const;
    void SetPendingTitle();
    void UpdateProgress();
    // Shows the read-only message, unless it is on screen already: a batch into a read-only
    // folder fails photo after photo, and one box says it for all of them (the log names
    // each).
    void ShowReadOnlyMessage();
    // The row whose item data is in_pItem, without the lock (rows belong to this thread).
    int RowOf(const VYRImage *in_pItem) const;
    // Row in_row may be taken in_ms from now (0: at once); its status says which.
    void SetRowSettle(int in_row, int in_ms);
    // Rows whose settling time is over become "Pending..."; the timer is set for the next.
    void OnSettleTimer();
    // The row the worker takes next: the first that has settled, or -1.
    int NextSettledRow() const;

    QLUiChannel *m_pChannel = nullptr; // owned (child QObject)
    QTimer *m_pSettleTimer = nullptr;  // owned (child QObject)
    std::thread m_hWorkerThread;
    std::atomic<int> m_bStopWorker{0};
    std::atomic<bool> m_bWorkerEnded{false};
    VYROutputClaims m_outputClaims;

    // The running job, written on this thread under g_catalogLock (so this thread reads it
    // without the lock; the worker reads it under the lock).
    VYRImage *m_pJobItem = nullptr;
    // This thread only: whether the running job's row is gone, and the outcome its
    // completion reports.
    bool m_bJobRowRemoved = false;
    VYRJobOutcome m_jobOutcome;

    // This thread only.
    bool m_bReadOnlyShown = false;
    int m_batchDone = 0;
    int m_shownDone = -1;
    int m_shownTotal = -1;
    QString m_shownFile;
    QString m_jobFileName;
};
