// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// What the rotation worker sees of its work list. The task list hands out the job at the top of
// its rows one at a time and takes back the worker's notices; the worker knows nothing else of
// it (and the list nothing of the worker's loop).
//
// The hand-over of one job, in order (docs/worker-protocol.md tells why):
//   1. TakeNextJob (request, user-interface thread): row 0 shows "Processing..." and its item
//      becomes the running job.
//   2. Holding g_catalogLock, if IsRunningJob(item): the worker moves the item's rotation (and
//      mirror pending) into the job.
//   3. OnRotationDone (posted): the job's row goes.
//   4. The file work, without any lock, on the paths and angle taken in 1 and 2.
//   5. Holding g_catalogLock, if IsRunningJob(item) and the file was written: the item is
//      pointed at the output file, which is no longer mirrored.
//   6. OnRotationFinished (posted): the item's job is completed with the outcome.
#pragma once

#include "vyrengine.h"

#include <QString>

class QLUiChannel;
class VYRImage;
class VYRJournalSession;
class VYROutputClaims;

// Row 0 as the worker takes it: the item and the row's two paths.
struct VYRJob
{
    VYRImage *m_pItem = nullptr;
    QString m_source;
    QString m_output;
    // The journal the write is recorded in (the document's); null: not journalled.
    VYRJournalSession *m_pJournal = nullptr;
    // The written photo keeps its modification time (the KeepFileTime preference).
    bool m_keepTime = false;
};

enum class VYRJobResult
{
    Done,        // written, or nothing to write (no turn and no mirror)
    Failed,      // not written; source and output keep their bytes
    ReadOnly,    // not written: the output or its folder is read-only
    OutputTaken, // not written: the output holds another photo's result of this session
};

// How a job ended, as the worker reports it.
struct VYRJobOutcome
{
    VYRJobResult m_result = VYRJobResult::Done;
    // The angle the job applied or tried to apply; 0 when there was nothing to do.
    int m_angle = 0;
    // Whether the job also undid its file's mirror (wrote or tried to write a flip).
    bool m_mirrored = false;
    QString m_output;
    // OutputTaken: the source whose result holds m_output.
    QString m_holder;
    // Failed or ReadOnly: the engine's result, 0 when the job failed before the engine.
    int m_code = 0;
    // Done: what the turn trimmed.
    VYRRotateReport m_trim;
};

class VYRWorkList
{
public:
    // --- Any thread ----------------------------------------------------------------------
    // The channel that carries the worker's requests and notices to the list's thread.
    virtual QLUiChannel *GetChannel() const = 0;
    // Whether the list has asked the worker to stop (it finishes a job it has begun first).
    virtual bool IsStopRequested() const = 0;
    // Which photo may write which output, for the whole session.
    virtual VYROutputClaims &GetOutputClaims() = 0;

    // --- User-interface thread (requests and notices through the channel) ------------------
    // Takes row 0 as the next job (step 1). false, with *out_pJob untouched, when there are
    // no rows.
    virtual bool TakeNextJob(VYRJob *out_pJob) = 0;
    // Step 3 (in_wParam: row index, in_lParam: the item): the running job's row goes. A notice
    // for an item that is not the running job is stale and ignored.
    virtual qintptr OnRotationDone(qintptr in_wParam, qintptr in_lParam) = 0;
    // Step 6: completes the running job in_pItem with in_outcome. A notice for an item that
    // is not the running job (the queue was abandoned meanwhile) is ignored, and the item,
    // which may be gone, is not touched.
    virtual void OnRotationFinished(VYRImage *in_pItem, const VYRJobOutcome &in_outcome) = 0;
    // With no rows and no running job, drops what the document's queue still holds.
    virtual void PurgeIfIdle() = 0;

    // --- Worker, holding g_catalogLock ---------------------------------------------------
    // Whether in_pItem is still the job TakeNextJob handed out. It is not once the queue was
    // abandoned: the worker then leaves the item alone, since the document may delete it.
    virtual bool IsRunningJob(const VYRImage *in_pItem) const = 0;

protected:
    ~VYRWorkList() = default;
};
