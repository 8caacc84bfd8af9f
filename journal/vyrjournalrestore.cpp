// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Settling what a killed process left, restoring, and expiry.
#include "vyrjournalstate.h"

#include "file/vyratomicfile.h"
#include "file/vyrreadfile.h"
#include "qlfs.h"
#include "qltrace.h"
#include "vyrengine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSet>

#include <algorithm>
#include <cerrno>

using namespace VYRJournalStore;

int VYRJournal::State::Settle(qint64 in_id)
{
    const VYRTurnRecord record = m_records.value(in_id);
    const VYRFileState now = Current(record.m_path);
    if (VYRSameState(now, record.m_after))
        return Finish(in_id, true) ? VYR_JOURNAL_OK : VYR_JOURNAL_ERR_IO;
    if (VYRSameState(now, record.m_before))
        return Finish(in_id, false) ? VYR_JOURNAL_OK : VYR_JOURNAL_ERR_IO;
    if (record.m_after.m_exists && record.m_after.m_digest.isEmpty() && now.m_exists &&
        now.m_size >= 0) // the result's digest was still to come: the photo's stands for it
        return Finish(in_id, true, &now) ? VYR_JOURNAL_OK : VYR_JOURNAL_ERR_IO;
    // Changed by someone else since: the kept original may be the only copy left of it.
    QLTrace("Journal: '%s' matches neither side of record %lld; its original is kept\n",
            qPrintable(record.m_path), in_id);
    return Finish(in_id, true) ? VYR_JOURNAL_OK : VYR_JOURNAL_ERR_IO;
}

void VYRJournal::State::SettleOrphans()
{
    // An owner file that can be locked belongs to a process that is gone (or an object that
    // was destroyed): its begun records will never be committed by it.
    QSet<QString> live;
    QList<int> deadFds;
    QList<QString> deadNames;
    const QStringList names = QDir(m_ownersFolder).entryList(QDir::Files);
    for (const QString &name : names) {
        if (name == m_ownerName) {
            live.insert(name);
            continue;
        }
        const QString path = m_ownersFolder + QLatin1Char('/') + name;
        const int fd = QLOpenFile(QFile::encodeName(path).constData(), QL_OPEN_READ_WRITE);
        if (fd < 0)
            continue;
        if (QLLockFile(fd, QLFileLock::TryExclusive) != 0) {
            QLCloseFile(fd);
            live.insert(name);
            continue;
        }
        deadFds.append(fd);
        deadNames.append(path);
    }
    const QList<qint64> ids = m_records.keys();
    for (qint64 id : ids)
        if (m_records.value(id).m_state == VYRRecordState::Begun &&
            !live.contains(m_owners.value(id)))
            Settle(id);
    // A restore committed just before a kill may not have marked its target yet.
    for (qint64 id : ids) {
        const VYRTurnRecord r = m_records.value(id);
        if (r.m_state != VYRRecordState::Begun && r.m_restores &&
            m_records.value(r.m_restores).m_state == VYRRecordState::Committed)
            MarkUndone(r.m_restores);
    }
    for (int i = 0; i < deadFds.size(); ++i) {
        QLRemoveFile(QFile::encodeName(deadNames.at(i)).constData());
        QLCloseFile(deadFds.at(i));
    }
}

void VYRJournal::State::SweepKept()
{
    QSet<QString> held;
    for (const VYRTurnRecord &r : std::as_const(m_records))
        held.insert(r.m_kept);
    const QStringList names = QDir(m_keptFolder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        const QString path = m_keptFolder + QLatin1Char('/') + name;
        if (!held.contains(path))
            ReleaseFile(path); // kept by a turn killed before its record was written
    }
    QFile::remove(m_logPath + QStringLiteral(".new"));
}

namespace {

// Gives the photo the kept original's modification time back with its bytes.
void RestoreTimes(const QString &in_path, const QString &in_kept)
{
    QLFileFacts st;
    if (QLStatPath(QFile::encodeName(in_kept).constData(), &st) != 0)
        return;
    QLSetPathTimes(QFile::encodeName(in_path).constData(), st.atimeSec, st.atimeNsec, st.mtimeSec,
                   st.mtimeNsec);
}

int CheckRecord(const VYRTurnRecord &in_record, const VYRFileState &in_now,
                QByteArray *out_pOriginal)
{
    if (in_record.m_state == VYRRecordState::Begun)
        return VYR_JOURNAL_ERR_PENDING;
    if (in_record.m_state == VYRRecordState::Undone)
        return VYR_JOURNAL_ERR_UNDONE;
    if (in_record.m_after.m_exists && !in_now.m_exists)
        return VYR_JOURNAL_ERR_MISSING;
    if (!in_record.m_after.m_exists && in_now.m_exists)
        return VYR_JOURNAL_ERR_OCCUPIED;
    if (in_now.m_exists && in_now.m_size == -2)
        return VYR_JOURNAL_ERR_READ;
    if (!VYRSameState(in_now, in_record.m_after))
        return VYR_JOURNAL_ERR_CHANGED;
    if (!in_record.m_before.m_exists)
        return VYR_JOURNAL_OK;
    if (in_record.m_kept.isEmpty() || !QFileInfo::exists(in_record.m_kept))
        return VYR_JOURNAL_ERR_NO_ORIGINAL;
    qint64 size = -1;
    const QByteArray digest = DigestFile(in_record.m_kept, &size, out_pOriginal);
    if (digest.isEmpty())
        return VYR_JOURNAL_ERR_NO_ORIGINAL;
    if (digest != in_record.m_before.m_digest || size != in_record.m_before.m_size)
        return VYR_JOURNAL_ERR_DAMAGED;
    return VYR_JOURNAL_OK;
}

} // namespace

int VYRJournal::State::RestoreLocked(qint64 in_id, qint64 in_batch)
{
    if (!m_records.contains(in_id) || !m_batches.contains(in_batch))
        return VYR_JOURNAL_ERR_UNKNOWN;
    const VYRTurnRecord record = m_records.value(in_id);
    const Identity identity = IdentityOf(record.m_path);
    const VYRFileState now = Current(record.m_path);
    QByteArray original;
    int rc = CheckRecord(record, now, &original);
    if (rc != VYR_JOURNAL_OK)
        return rc;

    // The restore is a turn like any other: its own record, with what it replaces kept.
    VYRTurnRecord restore;
    restore.m_batch = in_batch;
    restore.m_path = record.m_path;
    restore.m_source = record.m_path;
    restore.m_transform = VYR_JOURNAL_RESTORE;
    restore.m_restores = in_id;
    restore.m_before.m_exists = now.m_exists;
    restore.m_after = record.m_before;
    restore.m_sourceState = record.m_before;
    const qint64 id = BeginLocked(restore, &rc);
    if (!id)
        return rc;
    if (!VYRSameState(m_records.value(id).m_before, now) ||
        !(IdentityOf(record.m_path) == identity)) {
        Finish(id, false);
        return VYR_JOURNAL_ERR_CHANGED;
    }

    if (record.m_before.m_exists) {
        QLFileFacts st;
        const uint32_t mode = QLStatPath(QFile::encodeName(record.m_kept).constData(), &st) == 0
                                  ? st.permissions
                                  : 0644;
        // The writer replaces only the very file whose digest was just checked.
        VYRAtomicFile::Guard guard;
        QLFileFacts photo;
        if (QLStatPath(QFile::encodeName(record.m_path).constData(), &photo) == 0) {
            guard.m_source = record.m_path;
            guard.m_sourceRead = VYRIdentityOf(photo);
        }
        VYRAtomicFile output;
        rc = output.Prepare(record.m_path, mode, guard);
        if (rc == VYR_SUCCESS && !(IdentityOf(record.m_path) == identity))
            rc = VYR_JOURNAL_ERR_CHANGED;
        if (rc == VYR_SUCCESS)
            rc = output.Commit(reinterpret_cast<const uint8_t *>(original.constData()),
                               size_t(original.size()));
        if (rc != VYR_SUCCESS) {
            Finish(id, false);
            return rc;
        }
        RestoreTimes(record.m_path, record.m_kept);
    } else {
        // Nothing was there before the turn wrote its output: taking it back removes it.
        if (QLRemoveFile(QFile::encodeName(record.m_path).constData()) != 0) {
            // Taken before Finish, whose own writes may set errno.
            const int error = errno;
            Finish(id, false);
            return error == EACCES || error == EPERM || error == EROFS ? VYR_ERR_READ_ONLY
                                                                       : VYR_ERR_FILE_WRITE;
        }
        SyncFolder(QFileInfo(record.m_path).absolutePath());
    }
    return Finish(id, true) ? VYR_JOURNAL_OK : VYR_JOURNAL_ERR_IO;
}

int VYRJournal::Restore(qint64 in_id, qint64 in_batch)
{
    VYRJournalScope scope(&m_mutex, m_s.get(), true);
    if (!scope.IsOk())
        return m_s->m_open ? VYR_JOURNAL_ERR_IO : VYR_JOURNAL_ERR_NOT_OPEN;
    return m_s->RestoreLocked(in_id, in_batch);
}

int VYRJournal::RestoreBatch(qint64 in_batch, VYRRestoreReport *out_pReport,
                             const std::function<void(int, int)> &in_progress)
{
    VYRRestoreReport report;
    int result = VYR_JOURNAL_OK;
    {
        VYRJournalScope scope(&m_mutex, m_s.get(), true);
        if (!scope.IsOk())
            return m_s->m_open ? VYR_JOURNAL_ERR_IO : VYR_JOURNAL_ERR_NOT_OPEN;
        if (!m_s->m_batches.contains(in_batch))
            return VYR_JOURNAL_ERR_UNKNOWN;
        QList<qint64> ids;
        for (const VYRTurnRecord &r : std::as_const(m_s->m_records))
            if (r.m_batch == in_batch && r.m_state == VYRRecordState::Committed)
                ids.append(r.m_id);
        if (ids.isEmpty())
            return VYR_JOURNAL_ERR_UNDONE;
        // Last first: a photo turned twice in the batch goes back through each of its states.
        std::sort(ids.begin(), ids.end(), std::greater<qint64>());
        const QString origin = m_s->m_batches.value(in_batch).m_origin;
        report.m_batch = m_s->NewBatchLocked(origin, in_batch);
        if (!report.m_batch)
            return VYR_JOURNAL_ERR_IO;
        int done = 0;
        for (qint64 id : std::as_const(ids)) {
            const int rc = m_s->RestoreLocked(id, report.m_batch);
            if (in_progress)
                in_progress(++done, int(ids.size()));
            if (rc == VYR_JOURNAL_OK) {
                ++report.m_restored;
                continue;
            }
            report.m_refused.append({id, m_s->m_records.value(id).m_path, rc});
            if (result == VYR_JOURNAL_OK)
                result = rc;
        }
    }
    if (out_pReport)
        *out_pReport = report;
    return result;
}

QByteArray VYRJournal::State::Snapshot() const
{
    QJsonObject header;
    header.insert(QStringLiteral("format"), QStringLiteral("veyra-journal"));
    header.insert(QStringLiteral("version"), kJournalVersion);
    header.insert(QStringLiteral("next"), m_lastId + 1);
    QByteArray log = QJsonDocument(header).toJson(QJsonDocument::Compact) + '\n';
    QSet<qint64> used;
    for (const VYRTurnRecord &r : m_records)
        used.insert(r.m_batch);
    for (const VYRBatchInfo &b : m_batches) {
        if (!used.contains(b.m_id))
            continue;
        QJsonObject event{{QStringLiteral("op"), QStringLiteral("batch")},
                          {QStringLiteral("id"), b.m_id},
                          {QStringLiteral("time"), b.m_time.toString(Qt::ISODateWithMs)},
                          {QStringLiteral("origin"), b.m_origin}};
        if (b.m_undoes)
            event.insert(QStringLiteral("undoes"), b.m_undoes);
        log += QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n';
    }
    const auto line = [](const char *in_op, qint64 in_id) {
        return QByteArray("{\"id\":") + QByteArray::number(in_id) + ",\"op\":\"" + in_op + "\"}\n";
    };
    for (const VYRTurnRecord &r : m_records) {
        QJsonObject event = VYRRecordToJson(r, m_owners.value(r.m_id));
        if (r.m_kept.startsWith(m_root + QLatin1Char('/')))
            event.insert(QStringLiteral("kept"), r.m_kept.mid(m_root.size() + 1));
        log += QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n';
        if (r.m_state != VYRRecordState::Begun)
            log += line("commit", r.m_id);
        if (r.m_state == VYRRecordState::Undone)
            log += line("undone", r.m_id);
    }
    return log;
}

int VYRJournal::Expire(int in_maxAgeDays, qint64 in_maxBytes)
{
    VYRJournalScope scope(&m_mutex, m_s.get(), true);
    if (!scope.IsOk())
        return m_s->m_open ? VYR_JOURNAL_ERR_IO : VYR_JOURNAL_ERR_NOT_OPEN;
    State &s = *m_s;
    const QDateTime cutoff = QDateTime::currentDateTimeUtc().addDays(-in_maxAgeDays);
    qint64 bytes = 0;
    for (const VYRTurnRecord &r : std::as_const(s.m_records))
        if (!r.m_kept.isEmpty())
            bytes += qMax<qint64>(0, r.m_before.m_size);
    // Ids grow with time, so the map's order is oldest first.
    QList<QString> released;
    for (auto it = s.m_records.begin(); it != s.m_records.end();) {
        const bool old = it->m_time < cutoff;
        if (it->m_state == VYRRecordState::Begun || (!old && bytes <= in_maxBytes)) {
            ++it;
            continue;
        }
        if (!it->m_kept.isEmpty()) {
            bytes -= qMax<qint64>(0, it->m_before.m_size);
            released.append(it->m_kept);
        }
        s.m_owners.remove(it.key());
        it = s.m_records.erase(it);
    }
    const QByteArray snapshot = s.Snapshot();
    if (released.isEmpty() && s.m_end <= 2 * snapshot.size())
        return VYR_JOURNAL_OK;
    // The log without them is durable before their originals go: a kill in between leaves
    // files that no record holds, which the next Open() removes.
    if (!ReplaceFile(s.m_logPath, snapshot)) {
        s.Reset();
        return VYR_JOURNAL_ERR_IO;
    }
    for (const QString &kept : std::as_const(released))
        ReleaseFile(kept);
    s.Reset();
    return s.Refresh() ? VYR_JOURNAL_OK : VYR_JOURNAL_ERR_IO;
}

qint64 VYRJournal::KeptBytes()
{
    VYRJournalScope scope(&m_mutex, m_s.get(), false);
    qint64 bytes = 0;
    if (scope.IsOk())
        for (const VYRTurnRecord &r : std::as_const(m_s->m_records))
            if (!r.m_kept.isEmpty())
                bytes += qMax<qint64>(0, r.m_before.m_size);
    return bytes;
}
