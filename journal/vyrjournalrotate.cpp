// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrjournalrotate.h"

#include "qlfs.h"
#include "vyrjournal.h"
#include "vyrsha256.h"

#include <QFile>

#include <future>

namespace {

struct Turn
{
    VYRJournal *m_pJournal = nullptr;
    const VYRRotateFinish *m_pInner = nullptr;
    VYRTurnRecord m_record;
    std::future<VYRFileState> m_before;
    std::future<VYRFileState> m_source;
    std::future<VYRFileState> m_result;
    qint64 m_id = 0;
    int m_journalResult = VYR_JOURNAL_OK;
};

// The digest of a file with the identity it had throughout, so that the journal can trust it
// for the file it keeps; no identity when the file changed while it was read.
VYRFileState HashAhead(const QString &in_path)
{
    VYRFileState state;
    QLFileFacts before, after;
    const QByteArray name = QFile::encodeName(in_path);
    if (QLStatPath(name.constData(), &before) != 0)
        return state;
    state.m_exists = true;
    state.m_digest = VYRJournal::FileDigest(in_path, &state.m_size);
    if (QLStatPath(name.constData(), &after) == 0 && after.inode == before.inode &&
        after.device == before.device && after.size == before.size &&
        after.mtimeSec == before.mtimeSec && after.mtimeNsec == before.mtimeNsec &&
        !state.m_digest.isEmpty()) {
        state.m_device = quint64(after.device);
        state.m_inode = quint64(after.inode);
        state.m_mtimeNs = qint64(after.mtimeSec) * 1000000000 + after.mtimeNsec;
    }
    return state;
}

// The finishing step comes before the engine's verification and rename: the record is made
// durable here, with the original kept. Hashing runs beside the engine's own work (the
// photos while it turns, the result while it verifies), so the journal adds little more
// than its two flushes to the turn.
bool BeginFromFinish(uint8_t *inout_pData, size_t in_size, void *in_pUserData)
{
    auto *turn = static_cast<Turn *>(in_pUserData);
    if (turn->m_pInner && turn->m_pInner->m_pFunction &&
        !turn->m_pInner->m_pFunction(inout_pData, in_size, turn->m_pInner->m_pUserData))
        return false;
    QByteArray result(reinterpret_cast<const char *>(inout_pData), qsizetype(in_size));
    turn->m_result = std::async(std::launch::async, [result] {
        VYRFileState state;
        state.m_exists = true;
        state.m_size = result.size();
        state.m_digest = VYRSha256(result);
        return state;
    });
    turn->m_record.m_after.m_exists = true;
    turn->m_record.m_after.m_size = qint64(in_size);
    turn->m_record.m_before = turn->m_before.get();
    if (turn->m_source.valid())
        turn->m_record.m_sourceState = turn->m_source.get();
    else if (turn->m_record.m_before.m_exists)
        turn->m_record.m_sourceState = turn->m_record.m_before;
    turn->m_id = turn->m_pJournal->BeginTurn(turn->m_record, &turn->m_journalResult);
    return turn->m_id != 0;
}

} // namespace

int VYRJournalledRotate(VYRJournal *in_pJournal, qint64 in_batch, const QString &in_source,
                        const QString &in_destination, int in_code,
                        const VYRRotateFinish *in_pFinish, qint64 *out_pRecord,
                        int *out_pJournalResult)
{
    Turn turn;
    turn.m_pJournal = in_pJournal;
    turn.m_pInner = in_pFinish;
    turn.m_record.m_batch = in_batch;
    turn.m_record.m_path = in_destination;
    turn.m_record.m_source = in_source;
    turn.m_record.m_transform = in_code;
    turn.m_before = std::async(std::launch::async, HashAhead, in_destination);
    if (in_source != in_destination)
        turn.m_source = std::async(std::launch::async, HashAhead, in_source);
    VYRRotateFinish finish;
    finish.m_pFunction = &BeginFromFinish;
    finish.m_pUserData = &turn;
    if (in_pFinish) {
        // The caller's other options travel on; its own finishing step runs inside ours.
        finish.m_allowReplace = in_pFinish->m_allowReplace;
        finish.m_pReport = in_pFinish->m_pReport;
        finish.m_keepTime = in_pFinish->m_keepTime;
    }
    const int rc = VYRGetEngine().RotateFile(in_source, in_destination, in_code, 0, 0, 0, &finish);
    if (turn.m_id) {
        const VYRFileState after = turn.m_result.get();
        if (rc == VYR_SUCCESS)
            in_pJournal->CommitTurn(turn.m_id, &after);
        else
            in_pJournal->AbandonTurn(turn.m_id);
    }
    // Futures the engine never reached (it failed first) are waited for by their destructors.
    if (out_pRecord)
        *out_pRecord = rc == VYR_SUCCESS ? turn.m_id : 0;
    if (out_pJournalResult)
        *out_pJournalResult = turn.m_journalResult;
    return rc;
}
