// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrjournalrotate.h"

#include "vyrjournal.h"

#include <QCryptographicHash>

namespace {

struct Turn
{
    VYRJournal *m_pJournal = nullptr;
    const VYRRotateFinish *m_pInner = nullptr;
    VYRTurnRecord m_record;
    qint64 m_id = 0;
    int m_journalResult = VYR_JOURNAL_OK;
};

// The finishing step sees the exact bytes that will be written, so their digest is the
// result's; the record is durable before the engine renames anything.
bool BeginFromFinish(uint8_t *inout_pData, size_t in_size, void *in_pUserData)
{
    auto *turn = static_cast<Turn *>(in_pUserData);
    if (turn->m_pInner && turn->m_pInner->m_pFunction &&
        !turn->m_pInner->m_pFunction(inout_pData, in_size, turn->m_pInner->m_pUserData))
        return false;
    turn->m_record.m_after.m_exists = true;
    turn->m_record.m_after.m_size = qint64(in_size);
    turn->m_record.m_after.m_digest = QCryptographicHash::hash(
        QByteArrayView(reinterpret_cast<const char *>(inout_pData), qsizetype(in_size)),
        QCryptographicHash::Sha256);
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
    VYRRotateFinish finish;
    finish.m_pFunction = &BeginFromFinish;
    finish.m_pUserData = &turn;
    const int rc = VYRGetEngine().RotateFile(in_source, in_destination, in_code, 0, 0, 0, &finish);
    if (turn.m_id) {
        if (rc == VYR_SUCCESS)
            in_pJournal->CommitTurn(turn.m_id);
        else
            in_pJournal->AbandonTurn(turn.m_id);
    }
    if (out_pRecord)
        *out_pRecord = rc == VYR_SUCCESS ? turn.m_id : 0;
    if (out_pJournalResult)
        *out_pJournalResult = turn.m_journalResult;
    return rc;
}
