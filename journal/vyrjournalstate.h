// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The journal's state in memory, rebuilt from the log and kept up to date with what other
// processes append. Internal to the journal library.
#pragma once

#include "vyrjournal.h"
#include "vyrjournalstore.h"

#include <QHash>
#include <QJsonObject>
#include <QMap>
#include <QMutexLocker>
#include <cstdint>

inline constexpr int kJournalVersion = 1;

struct VYRJournal::State
{
    QString m_root;
    QString m_logPath;
    QString m_keptFolder;
    QString m_ownersFolder;
    int m_lockFd = -1;
    int m_ownerFd = -1;  // held locked while this object lives: its begun records are live
    QString m_ownerName; // that file's name, written into every record begun here
    bool m_open = false;

    qint64 m_end = 0; // offset just past the last line read
    uint64_t m_inode = 0;
    qint64 m_lastId = 0; // records and batches share one sequence
    QMap<qint64, VYRTurnRecord> m_records;
    QHash<qint64, QString> m_owners;
    QMap<qint64, VYRBatchInfo> m_batches;

    // Reads what was appended since the last call; the whole log again after a rewrite.
    bool Refresh();
    void Reset();
    void Apply(const QJsonObject &in_event);
    // Appends one event and applies it. Only under the exclusive lock.
    bool Append(const QJsonObject &in_event, bool in_durable);
    QByteArray Snapshot() const; // the log as Expire() rewrites it

    qint64 NewBatchLocked(const QString &in_origin, qint64 in_undoes);
    int RestoreLocked(qint64 in_id, qint64 in_batch);
    qint64 BeginLocked(VYRTurnRecord in_record, int *out_pResult);
    bool Finish(qint64 in_id, bool in_committed, const VYRFileState *in_pAfter = nullptr);
    bool MarkUndone(qint64 in_id);
    void Release(qint64 in_id);
    int Settle(qint64 in_id); // a record left begun by a process that is gone
    void SettleOrphans();
    void SweepKept();
    VYRFileState Current(const QString &in_path) const;
};

// The journal's mutex and the log's lock, and the log read up to date, for one operation.
class VYRJournalScope
{
public:
    VYRJournalScope(QMutex *in_pMutex, VYRJournal::State *in_pState, bool in_exclusive)
        : m_mutex(in_pMutex), m_lock(in_pState->m_lockFd, in_exclusive)
    {
        m_ok = in_pState->m_open && m_lock.IsHeld() && in_pState->Refresh();
    }
    bool IsOk() const { return m_ok; }

private:
    QMutexLocker<QMutex> m_mutex;
    VYRJournalStore::FileLock m_lock;
    bool m_ok = false;
};

QJsonObject VYRRecordToJson(const VYRTurnRecord &in_record, const QString &in_owner);
bool VYRSameState(const VYRFileState &in_a, const VYRFileState &in_b);
