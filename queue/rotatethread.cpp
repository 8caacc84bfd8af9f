// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "rotatethread.h"

#include "document.h"
#include "qlfiletimes.h"
#include "qlimg.h"
#include "qlpathmax.h"
#include "qlthreadprio.h"
#include "qltrace.h"
#include "qluichannel.h"
#include "resource.h"
#include "thumb/vyrsharedthumbs.h"
#include "vyrimg.h"
#include "vyrorient.h"
#include "vyroutputclaims.h"

#include <QFile>
#include <chrono>
#include <climits>
#include <memory>
#include <new>
#include <thread>

namespace {

constexpr int kPathLimit = kQLPathMax; // bytes, the terminating NUL included

constexpr std::chrono::milliseconds kIdlePoll(5);

// Engine result for a destination (or its folder) that is read-only.
constexpr int kReadOnlyCode = -805;

// Writes the turned photo. Runs without any lock: it reads nothing but its arguments, so the
// user-interface thread stays free for the whole write.
VYRJobResult TurnFile(VYRWorkList *in_pList, const VYRJob &in_job, int in_code,
                      const QL_FILE_ATTRIBUTE_DATA &in_attributes, VYRJobOutcome *inout_pOutcome)
{
    // A path the system cannot open must neither reach the engine nor become the item's
    // path: the job fails like any other engine failure.
    if (in_job.m_output.isEmpty()) {
        QLTrace("%s", VYRWorkerText::kNoOutputFolder);
        return VYRJobResult::Failed;
    }
    if (QFile::encodeName(in_job.m_output).size() >= kPathLimit) {
        QLTrace(VYRWorkerText::kPathTooLong, qUtf8Printable(in_job.m_output.left(64)));
        inout_pOutcome->m_code = VYR_ERR_PATH_TOO_LONG;
        return VYRJobResult::Failed;
    }
    // Two photos of a folder tree can share an output name: the second must not replace the
    // first one's result.
    if (!in_pList->GetOutputClaims().Claim(in_job.m_output, in_job.m_source,
                                           &inout_pOutcome->m_holder))
        return VYRJobResult::OutputTaken;
    try {
        // The turn and the Orientation reset land in one atomic write, which replaces no
        // other file than the photo itself (a namesake from another card stays).
        // Journalled before the rename, so that it can be taken back.
        VYRPhotoWrite write;
        write.m_pReport = &inout_pOutcome->m_trim;
        write.m_pJournal = in_job.m_pJournal;
        write.m_keepTime = in_job.m_keepTime;
        VYRRotatePhoto(in_job.m_source, in_job.m_output, in_code, write);
        VYRForgetSharedThumbnails(in_job.m_output);
    } catch (QLException *in_pErr) {
        std::unique_ptr<QLException> err(in_pErr);
        inout_pOutcome->m_code = err->code;
        return err->code == kReadOnlyCode ? VYRJobResult::ReadOnly : VYRJobResult::Failed;
    } catch (const std::bad_alloc &) {
        inout_pOutcome->m_code = VYR_ERR_NO_MEMORY;
        return VYRJobResult::Failed;
    } catch (...) {
        // Out of memory inside the engine, for instance: the engine leaves the files as
        // they were, and the worker must outlive the job.
        return VYRJobResult::Failed;
    }

    if (QLCanSetCreationTime()) {
        int error = 0;
        if (QLSetFileCreationTime(in_job.m_output, in_attributes.ftCreationTime, &error) ==
            QLSetTimeResult::Failed)
            QLTrace(VYRWorkerText::kFileTimeError, error);
    }
    return VYRJobResult::Done;
}

// One job, from taking its angle to posting its outcome.
void RunJob(VYRWorkList *in_pList, const VYRJob &in_job)
{
    VYRImage *item = in_job.m_pItem;
    QLUiChannel *channel = in_pList->GetChannel();
    VYRJobOutcome outcome;
    outcome.m_output = in_job.m_output;
    VYROrientation transform;
    {
        QLLockGuard lock(g_catalogLock);
        // The queue may have been abandoned while this thread waited for the lock: the item
        // is then no longer ours to touch.
        if (!in_pList->IsRunningJob(item))
            return;
        outcome.m_angle = item->GetRotation();
        // The mirror's undoing and the turn in one transform, as the grid shows the photo.
        transform = item->GetTransform();
        item->ResetRotation();
    }
    outcome.m_mirrored = transform.IsMirrored();

    const int code = transform.Code();
    QL_FILE_ATTRIBUTE_DATA attributes;
    if (code != 0) {
        int error = 0;
        if (!QLGetFileAttributesEx(in_job.m_output, &attributes, &error))
            QLTrace(VYRWorkerText::kAttributesError, error);
    }

    // The row goes as the file work begins: the list shows only jobs not yet started.
    channel->Post(
        [in_pList, item] { in_pList->OnRotationDone(0, reinterpret_cast<qintptr>(item)); });

    if (code != 0) {
        outcome.m_result = TurnFile(in_pList, in_job, code, attributes, &outcome);
        if (outcome.m_result == VYRJobResult::Done) {
            QLLockGuard lock(g_catalogLock);
            // From now on the item stands for the written file: its next job turns that one.
            // Written with Orientation 1: its picture is now as the grid shows it, unmirrored.
            if (in_pList->IsRunningJob(item)) {
                item->SetPathName(in_job.m_output);
                item->SetFileMirrored(false);
            }
        }
    }

    channel->Post([in_pList, item, outcome] { in_pList->OnRotationFinished(item, outcome); });
}

} // namespace

int VYRTransformCodeForAngle(int in_angle)
{
    bool valid = false;
    const VYROrientation turn = VYROrientation::FromAngle(in_angle, &valid);
    // Only the three angles an item holds; 270 or 360 are no angle of the task list's.
    return valid && turn.Angle() == in_angle ? turn.Code() : 0;
}

unsigned RotateThreadProc(VYRWorkList *in_pList)
{
    QLLowerThreadPriority(); // the window comes first on a busy machine
    QLUiChannel *channel = in_pList->GetChannel();
    while (!in_pList->IsStopRequested()) {
        VYRJob job;
        bool haveJob = false;
        // A closed channel means the list is going away: stop as if asked to.
        if (!channel->Send([&] { haveJob = in_pList->TakeNextJob(&job); }))
            break;
        if (haveJob && job.m_pItem)
            RunJob(in_pList, job);
        if (in_pList->IsStopRequested())
            break;
        if (!channel->Send([in_pList] { in_pList->PurgeIfIdle(); }))
            break;
        std::this_thread::sleep_for(kIdlePoll);
    }
    QLTrace("%s", VYRWorkerText::kExiting);
    return 0;
}
