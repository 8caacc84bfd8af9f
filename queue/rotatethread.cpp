// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "rotatethread.h"

#include "document.h"
#include "qlfiletimes.h"
#include "qlimg.h"
#include "qlprompt.h"
#include "qltrace.h"
#include "qluichannel.h"
#include "resource.h"
#include "vyrimg.h"
#include "vyrorient.h"
#include "vyrtaskvw.h"

#include <QFile>
#include <chrono>
#include <climits>
#include <memory>
#include <thread>

namespace {

#ifdef PATH_MAX
constexpr int kPathLimit = PATH_MAX; // bytes, the terminating NUL included
#else
constexpr int kPathLimit = 260;
#endif

constexpr std::chrono::milliseconds kIdlePoll(5);

// Engine result for a destination (or its folder) that is read-only.
constexpr int kReadOnlyCode = -805;

// Row 0 as the worker sees it.
struct Job
{
    VYRImage *m_pItem = nullptr;
    QString m_source;
    QString m_output;
};

enum class JobResult
{
    Done,
    Failed,
    ReadOnly
};

void PostDone(VYRTaskVw *in_pView, VYRImage *in_pItem)
{
    in_pView->GetChannel()->Post(
        [in_pView, in_pItem] { in_pView->OnRotationDone(0, reinterpret_cast<qintptr>(in_pItem)); });
}

// The file work of one job; the caller holds g_catalogLock throughout.
JobResult RunJob(VYRTaskVw *in_pView, VYRImage *in_pItem, int in_angle, const Job &in_job)
{
    const int code = VYRTransformCodeForAngle(in_angle);
    if (code == 0) {
        PostDone(in_pView, in_pItem);
        return JobResult::Done;
    }

    QL_FILE_ATTRIBUTE_DATA attributes;
    int error = 0;
    if (!QLGetFileAttributesEx(in_job.m_output, &attributes, &error))
        QLTrace(VYRWorkerText::kAttributesError, error);

    // Posted before the file work: the view drops the row at once, and its completion
    // then waits for the lock until this job is over.
    PostDone(in_pView, in_pItem);

    // A path the system cannot open must neither reach the engine nor become the item's
    // path: the job fails like any other engine failure.
    if (in_job.m_output.isEmpty()) {
        QLTrace("%s", VYRWorkerText::kNoOutputFolder);
        return JobResult::Failed;
    }
    if (QFile::encodeName(in_job.m_output).size() >= kPathLimit) {
        QLTrace(VYRWorkerText::kPathTooLong, qUtf8Printable(in_job.m_output.left(64)));
        return JobResult::Failed;
    }
    try {
        // The turn and the Orientation reset land in one atomic write.
        VYRRotatePhoto(in_job.m_source, in_job.m_output, code);
    } catch (QLException *in_pErr) {
        std::unique_ptr<QLException> err(in_pErr);
        return err->code == kReadOnlyCode ? JobResult::ReadOnly : JobResult::Failed;
    } catch (...) {
        // Out of memory inside the engine, for instance: the engine leaves the files as
        // they were, and the worker must outlive the job.
        return JobResult::Failed;
    }

    in_pItem->SetPathName(in_job.m_output);

    if (QLCanSetCreationTime()) {
        error = 0;
        if (QLSetFileCreationTime(in_job.m_output, attributes.ftCreationTime, &error) ==
            QLSetTimeResult::Failed)
            QLTrace(VYRWorkerText::kFileTimeError, error);
    }
    return JobResult::Done;
}

// Takes row 0 as the next job, if there is one, and marks it started. Runs on the
// user-interface thread: reading the row and marking it in one request means that no
// queueing request can slip between the two and change what row 0 is.
bool TakeRowZero(VYRTaskVw *in_pView, Job *out_pJob)
{
    if (in_pView->GetTaskCount() == 0)
        return false;
    out_pJob->m_pItem = in_pView->GetTaskItem(0);
    in_pView->OnRotationStarted(0, reinterpret_cast<qintptr>(out_pJob->m_pItem));
    out_pJob->m_source = in_pView->GetTaskText(0, VYRTaskVw::COL_SOURCE);
    out_pJob->m_output = in_pView->GetTaskText(0, VYRTaskVw::COL_OUTPUT);
    return out_pJob->m_pItem != nullptr;
}

// With no rows left, drops what the queue still holds. Runs on the user-interface thread:
// between the document's queueing of an item and the task list's new row for it the queue
// is briefly ahead of the list, and a purge there would drop a job that is about to get its
// row (and free it if it is detached). Requests are served between two user actions, never
// inside one.
void PurgeIfIdle(VYRTaskVw *in_pView)
{
    if (in_pView->GetTaskCount() != 0)
        return;
    auto *doc = dynamic_cast<Document *>(in_pView->GetDocument());
    if (!doc)
        return;
    QLLockGuard lock(g_catalogLock);
    if (doc->GetPendingCount() != 0)
        doc->ClearQueueUnlocked();
}

} // namespace

int VYRTransformCodeForAngle(int in_angle)
{
    switch (in_angle) {
    case 90:
        return 4;
    case 180:
        return 8;
    case -90:
        return 12;
    default:
        return 0;
    }
}

unsigned RotateThreadProc(VYRTaskVw *in_pView)
{
    QLUiChannel *channel = in_pView->GetChannel();
    while (!in_pView->IsStopRequested()) {
        Job job;
        bool haveJob = false;
        // A closed channel means the view is going away: stop as if asked to.
        if (!channel->Send([&] { haveJob = TakeRowZero(in_pView, &job); }))
            break;
        if (haveJob) {
            JobResult result = JobResult::Done;
            {
                QLLockGuard lock(g_catalogLock);
                // The row may have gone while this thread waited for the lock (its rotation
                // came back to 0, or the queue was abandoned): the item is then no longer
                // ours to touch.
                if (in_pView->IsRunningJob(job.m_pItem)) {
                    // A row whose item has nothing to do would stay at the top for ever:
                    // let the view remove and complete it.
                    if (job.m_pItem->GetRotation() == 0)
                        PostDone(in_pView, job.m_pItem);
                    while (job.m_pItem->GetRotation() != 0) {
                        const int angle = job.m_pItem->GetRotation();
                        job.m_pItem->ResetRotation();
                        result = RunJob(in_pView, job.m_pItem, angle, job);
                        in_pView->SetJobOutcome(job.m_pItem, result != JobResult::Done, angle);
                    }
                }
            }
            // Only now, with the lock released: the user-interface thread may be waiting
            // for it.
            if (result == JobResult::ReadOnly)
                channel->Send(
                    [] { QLMessageBox(QString::fromUtf8(VYRText::kReadOnly), QL_MB_OK); });
        }
        if (in_pView->IsStopRequested())
            break;
        if (!channel->Send([in_pView] { PurgeIfIdle(in_pView); }))
            break;
        std::this_thread::sleep_for(kIdlePoll);
    }
    QLTrace("%s", VYRWorkerText::kExiting);
    return 0;
}
