// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrjournalsession.h"

#include <QHash>

namespace {

bool IsLive(const VYRBatchInfo &in_batch)
{
    return in_batch.m_count > in_batch.m_undone;
}

} // namespace

VYRBatchKind VYRKindOfBatch(const QList<VYRBatchInfo> &in_batches, qint64 in_batch)
{
    QHash<qint64, qint64> undoes;
    for (const VYRBatchInfo &b : in_batches)
        undoes.insert(b.m_id, b.m_undoes);
    // Each step back along the chain flips undo and redo; a chain that leaves the journal
    // (expired) ends at a batch of turns. Ids only ever decrease along it.
    int depth = 0;
    for (qint64 id = undoes.value(in_batch); id != 0; id = undoes.value(id))
        ++depth;
    if (depth == 0)
        return VYRBatchKind::Turns;
    return depth % 2 ? VYRBatchKind::Undo : VYRBatchKind::Redo;
}

qint64 VYRUndoTarget(const QList<VYRBatchInfo> &in_batches)
{
    for (const VYRBatchInfo &b : in_batches)
        if (IsLive(b) && VYRKindOfBatch(in_batches, b.m_id) != VYRBatchKind::Undo)
            return b.m_id;
    return 0;
}

qint64 VYRRedoTarget(const QList<VYRBatchInfo> &in_batches)
{
    for (const VYRBatchInfo &b : in_batches) {
        if (!IsLive(b))
            continue;
        switch (VYRKindOfBatch(in_batches, b.m_id)) {
        case VYRBatchKind::Undo:
            return b.m_id;
        case VYRBatchKind::Turns:
            return 0;
        case VYRBatchKind::Redo:
            break; // an earlier undo may still be redone
        }
    }
    return 0;
}

VYRJournalSession::VYRJournalSession(const QString &in_origin, const QString &in_root,
                                     bool in_enabled)
    : m_origin(in_origin), m_root(in_root), m_enabled(in_enabled)
{
}

VYRJournalSession::~VYRJournalSession() = default;

void VYRJournalSession::SetExpiry(int in_maxAgeDays, qint64 in_maxBytes)
{
    QMutexLocker lock(&m_mutex);
    m_maxAgeDays = in_maxAgeDays;
    m_maxBytes = in_maxBytes;
}

VYRJournal *VYRJournalSession::Journal(int *out_pResult)
{
    QMutexLocker lock(&m_mutex);
    if (!m_enabled) {
        if (out_pResult)
            *out_pResult = VYR_JOURNAL_ERR_NOT_OPEN;
        return nullptr;
    }
    if (!m_tried) {
        m_tried = true;
        auto journal = std::make_unique<VYRJournal>(m_root);
        m_openResult = journal->Open();
        if (m_openResult == VYR_JOURNAL_OK) {
            // Old records go before new ones are added: expiry never drops this run's work.
            if (m_maxAgeDays >= 0)
                journal->Expire(m_maxAgeDays, m_maxBytes);
            m_pJournal = std::move(journal);
        }
    }
    if (out_pResult)
        *out_pResult = m_openResult;
    return m_pJournal.get();
}

qint64 VYRJournalSession::CurrentBatch()
{
    VYRJournal *journal = Journal();
    QMutexLocker lock(&m_mutex);
    if (!journal)
        return 0;
    if (m_batch == 0)
        m_batch = journal->NewBatch(m_origin);
    return m_batch;
}

void VYRJournalSession::EndBatch()
{
    QMutexLocker lock(&m_mutex);
    m_batch = 0;
}
