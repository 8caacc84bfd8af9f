// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrjournalstate.h"

#include "qlfs.h"
#include "qltrace.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>

namespace {

using namespace VYRJournalStore;

void PutState(QJsonObject *inout_pObj, const char *in_prefix, const VYRFileState &in_state)
{
    const QString prefix = QString::fromLatin1(in_prefix);
    inout_pObj->insert(prefix + QStringLiteral("_size"), in_state.m_exists ? in_state.m_size : -1);
    if (in_state.m_exists)
        inout_pObj->insert(prefix + QStringLiteral("_sha256"),
                           QString::fromLatin1(in_state.m_digest.toHex()));
}

VYRFileState GetState(const QJsonObject &in_obj, const char *in_prefix)
{
    const QString prefix = QString::fromLatin1(in_prefix);
    VYRFileState state;
    state.m_size = qint64(in_obj.value(prefix + QStringLiteral("_size")).toDouble(-1));
    state.m_exists = state.m_size >= 0;
    if (state.m_exists)
        state.m_digest = QByteArray::fromHex(
            in_obj.value(prefix + QStringLiteral("_sha256")).toString().toLatin1());
    else
        state.m_size = -1;
    return state;
}

QString TimeText(const QDateTime &in_time)
{
    return in_time.toUTC().toString(Qt::ISODateWithMs);
}

QJsonObject Event(const char *in_op, qint64 in_id)
{
    QJsonObject obj;
    obj.insert(QStringLiteral("op"), QString::fromLatin1(in_op));
    obj.insert(QStringLiteral("id"), in_id);
    return obj;
}

} // namespace

QJsonObject VYRRecordToJson(const VYRTurnRecord &in_record, const QString &in_owner)
{
    QJsonObject obj = Event("begin", in_record.m_id);
    obj.insert(QStringLiteral("batch"), in_record.m_batch);
    obj.insert(QStringLiteral("time"), TimeText(in_record.m_time));
    obj.insert(QStringLiteral("path"), in_record.m_path);
    obj.insert(QStringLiteral("source"), in_record.m_source);
    obj.insert(QStringLiteral("transform"), in_record.m_transform);
    PutState(&obj, "source", in_record.m_sourceState);
    PutState(&obj, "before", in_record.m_before);
    PutState(&obj, "after", in_record.m_after);
    if (in_record.m_restores)
        obj.insert(QStringLiteral("restores"), in_record.m_restores);
    obj.insert(QStringLiteral("kept"), in_record.m_kept);
    obj.insert(QStringLiteral("owner"), in_owner);
    return obj;
}

bool VYRSameState(const VYRFileState &in_a, const VYRFileState &in_b)
{
    return in_a.m_exists == in_b.m_exists &&
           (!in_a.m_exists || (in_a.m_size == in_b.m_size && in_a.m_digest == in_b.m_digest));
}

void VYRJournal::State::Reset()
{
    m_end = 0;
    m_inode = 0;
    m_records.clear();
    m_owners.clear();
    m_batches.clear();
}

bool VYRJournal::State::Refresh()
{
    const Identity now = IdentityOf(m_logPath);
    if (now.m_ino != m_inode || now.m_size < m_end)
        Reset(); // rewritten by an expiry: read it again from the start
    QList<QByteArray> lines;
    qint64 end = 0;
    uint64_t inode = 0;
    if (!ReadLines(m_logPath, m_end, &lines, &end, &inode))
        return false;
    if (m_inode != 0 && inode != m_inode) {
        Reset();
        return Refresh();
    }
    m_inode = inode;
    for (const QByteArray &line : lines) {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        if (!doc.isObject()) {
            QLTrace("Journal: skipped an unreadable line at offset %lld\n", m_end);
            m_end += line.size() + 1;
            continue;
        }
        const QJsonObject event = doc.object();
        if (m_end == 0 &&
            (event.value(QStringLiteral("format")).toString() != QLatin1String("veyra-journal") ||
             event.value(QStringLiteral("version")).toInt() > kJournalVersion))
            return false;
        Apply(event);
        m_end += line.size() + 1;
    }
    return true;
}

void VYRJournal::State::Apply(const QJsonObject &in_event)
{
    const QString op = in_event.value(QStringLiteral("op")).toString();
    const qint64 id = qint64(in_event.value(QStringLiteral("id")).toDouble());
    if (op.isEmpty()) { // the header
        m_lastId = qMax(m_lastId, qint64(in_event.value(QStringLiteral("next")).toDouble(1)) - 1);
        return;
    }
    m_lastId = qMax(m_lastId, id);
    if (op == QLatin1String("batch")) {
        VYRBatchInfo &batch = m_batches[id];
        batch.m_id = id;
        batch.m_time = QDateTime::fromString(in_event.value(QStringLiteral("time")).toString(),
                                             Qt::ISODateWithMs);
        batch.m_origin = in_event.value(QStringLiteral("origin")).toString();
        batch.m_undoes = qint64(in_event.value(QStringLiteral("undoes")).toDouble());
    } else if (op == QLatin1String("begin")) {
        VYRTurnRecord &r = m_records[id];
        r.m_id = id;
        r.m_batch = qint64(in_event.value(QStringLiteral("batch")).toDouble());
        r.m_time = QDateTime::fromString(in_event.value(QStringLiteral("time")).toString(),
                                         Qt::ISODateWithMs);
        r.m_path = in_event.value(QStringLiteral("path")).toString();
        r.m_source = in_event.value(QStringLiteral("source")).toString();
        r.m_transform = in_event.value(QStringLiteral("transform")).toInt();
        r.m_sourceState = GetState(in_event, "source");
        r.m_before = GetState(in_event, "before");
        r.m_after = GetState(in_event, "after");
        r.m_restores = qint64(in_event.value(QStringLiteral("restores")).toDouble());
        r.m_kept = in_event.value(QStringLiteral("kept")).toString();
        if (!r.m_kept.isEmpty() && QFileInfo(r.m_kept).isRelative())
            r.m_kept = m_root + QLatin1Char('/') + r.m_kept;
        r.m_state = VYRRecordState::Begun;
        m_owners.insert(id, in_event.value(QStringLiteral("owner")).toString());
    } else if (!m_records.contains(id)) {
        return; // an event of a record an expiry dropped
    } else if (op == QLatin1String("commit")) {
        m_records[id].m_state = VYRRecordState::Committed;
        if (in_event.contains(QStringLiteral("after_size")))
            m_records[id].m_after = GetState(in_event, "after");
    } else if (op == QLatin1String("undone")) {
        m_records[id].m_state = VYRRecordState::Undone;
    } else if (op == QLatin1String("release")) {
        m_records[id].m_kept.clear();
    } else if (op == QLatin1String("drop") || op == QLatin1String("expire")) {
        m_records.remove(id);
        m_owners.remove(id);
    }
}

bool VYRJournal::State::Append(const QJsonObject &in_event, bool in_durable)
{
    const QByteArray line = QJsonDocument(in_event).toJson(QJsonDocument::Compact);
    if (!AppendLine(m_logPath, m_end, line, in_durable))
        return false;
    m_end += line.size() + 1;
    Apply(in_event);
    return true;
}

VYRFileState VYRJournal::State::Current(const QString &in_path) const
{
    VYRFileState state;
    state.m_exists = QFileInfo::exists(in_path);
    if (state.m_exists) {
        state.m_digest = DigestFile(in_path, &state.m_size, nullptr);
        if (state.m_digest.isEmpty())
            state.m_size = -2; // present but unreadable: matches no recorded state
    }
    return state;
}

VYRJournal::VYRJournal(const QString &in_root)
    : m_s(std::make_unique<State>()), m_root(in_root.isEmpty() ? DefaultRoot() : in_root)
{
    m_s->m_root = m_root;
    m_s->m_logPath = m_root + QStringLiteral("/journal.jsonl");
    m_s->m_keptFolder = m_root + QStringLiteral("/kept");
    m_s->m_ownersFolder = m_root + QStringLiteral("/owners");
}

VYRJournal::~VYRJournal()
{
    if (m_s->m_ownerFd >= 0) {
        // Nothing of ours is in flight any more when the object goes; a begun record left
        // behind is settled by the next Open() like a killed process's.
        QLRemoveFile(QFile::encodeName(m_s->m_ownersFolder + QLatin1Char('/') + m_s->m_ownerName)
                         .constData());
        QLCloseFile(m_s->m_ownerFd);
    }
    if (m_s->m_lockFd >= 0)
        QLCloseFile(m_s->m_lockFd);
}

QString VYRJournal::DefaultRoot()
{
    // Spelled out rather than the application's data folder: the window and the command line
    // (which names no application) must find the same journal.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Quillmere/Veyra/journal");
}

int VYRJournal::Open()
{
    QMutexLocker<QMutex> guard(&m_mutex);
    State &s = *m_s;
    if (s.m_open)
        return VYR_JOURNAL_OK;
    if (!QDir().mkpath(s.m_keptFolder) || !QDir().mkpath(s.m_ownersFolder))
        return VYR_JOURNAL_ERR_IO;
    QFile::setPermissions(m_root,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    s.m_lockFd = QLOpenFile(QFile::encodeName(m_root + QStringLiteral("/lock")).constData(),
                            QL_OPEN_READ_WRITE | QL_OPEN_CREATE, 0600);
    if (s.m_lockFd < 0)
        return VYR_JOURNAL_ERR_IO;
    // This object's liveness for the others: a locked file that dies with the process.
    for (int tries = 0; s.m_ownerFd < 0 && tries < 8; ++tries) {
        s.m_ownerName =
            QStringLiteral("%1-%2")
                .arg(QLProcessId())
                .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
        s.m_ownerFd = QLOpenFile(
            QFile::encodeName(s.m_ownersFolder + QLatin1Char('/') + s.m_ownerName).constData(),
            QL_OPEN_READ_WRITE | QL_OPEN_CREATE | QL_OPEN_EXCLUSIVE, 0600);
    }
    if (s.m_ownerFd < 0 || QLLockFile(s.m_ownerFd, QLFileLock::TryExclusive) != 0)
        return VYR_JOURNAL_ERR_IO;

    FileLock lock(s.m_lockFd, true);
    if (!lock.IsHeld())
        return VYR_JOURNAL_ERR_IO;
    if (!QFileInfo::exists(s.m_logPath)) {
        QJsonObject header;
        header.insert(QStringLiteral("format"), QStringLiteral("veyra-journal"));
        header.insert(QStringLiteral("version"), kJournalVersion);
        header.insert(QStringLiteral("next"), 1);
        if (!ReplaceFile(s.m_logPath, QJsonDocument(header).toJson(QJsonDocument::Compact) + '\n'))
            return VYR_JOURNAL_ERR_IO;
    }
    s.Reset();
    if (!s.Refresh())
        return QFileInfo(s.m_logPath).isReadable() ? VYR_JOURNAL_ERR_FORMAT : VYR_JOURNAL_ERR_IO;
    s.m_open = true;
    s.SettleOrphans();
    s.SweepKept();
    return VYR_JOURNAL_OK;
}

qint64 VYRJournal::State::NewBatchLocked(const QString &in_origin, qint64 in_undoes)
{
    QJsonObject event = Event("batch", m_lastId + 1);
    event.insert(QStringLiteral("time"), TimeText(QDateTime::currentDateTimeUtc()));
    event.insert(QStringLiteral("origin"), in_origin);
    if (in_undoes)
        event.insert(QStringLiteral("undoes"), in_undoes);
    return Append(event, true) ? m_lastId : 0;
}

qint64 VYRJournal::NewBatch(const QString &in_origin)
{
    VYRJournalScope scope(&m_mutex, m_s.get(), true);
    return scope.IsOk() ? m_s->NewBatchLocked(in_origin, 0) : 0;
}

qint64 VYRJournal::State::BeginLocked(VYRTurnRecord in_record, int *out_pResult)
{
    in_record.m_id = m_lastId + 1;
    in_record.m_time = QDateTime::currentDateTimeUtc();
    in_record.m_state = VYRRecordState::Begun;
    in_record.m_kept.clear();
    if (in_record.m_before.m_exists) {
        KeepKind kind = KeepKind::Linked;
        in_record.m_kept =
            KeepFile(in_record.m_path, m_keptFolder, QString::number(in_record.m_id), &kind);
        if (in_record.m_kept.isEmpty()) {
            *out_pResult = VYR_JOURNAL_ERR_IO;
            return 0;
        }
        // The digest describes the kept file itself, what a restore reads: taken of it here,
        // or ahead by the caller of the very same file (identity unchanged since).
        const Identity kept = IdentityOf(in_record.m_kept);
        const VYRFileState &ahead = in_record.m_before;
        const bool known = !ahead.m_digest.isEmpty() && ahead.m_inode != 0 &&
                           ahead.m_device == quint64(kept.m_dev) &&
                           ahead.m_inode == quint64(kept.m_ino) && ahead.m_size == kept.m_size &&
                           ahead.m_mtimeNs == kept.m_mtimeNs;
        qint64 size = ahead.m_size;
        const QByteArray digest =
            known ? ahead.m_digest : DigestFile(in_record.m_kept, &size, nullptr);
        if (digest.isEmpty()) {
            ReleaseFile(in_record.m_kept);
            *out_pResult = VYR_JOURNAL_ERR_READ;
            return 0;
        }
        in_record.m_before.m_digest = digest;
        in_record.m_before.m_size = size;
    }
    if (!in_record.m_sourceState.m_exists)
        in_record.m_sourceState = in_record.m_source == in_record.m_path
                                      ? in_record.m_before
                                      : Current(in_record.m_source);
    QJsonObject event = VYRRecordToJson(in_record, m_ownerName);
    if (in_record.m_kept.startsWith(m_root + QLatin1Char('/')))
        event.insert(QStringLiteral("kept"), in_record.m_kept.mid(m_root.size() + 1));
    if (!Append(event, true)) {
        ReleaseFile(in_record.m_kept);
        *out_pResult = VYR_JOURNAL_ERR_IO;
        return 0;
    }
    *out_pResult = VYR_JOURNAL_OK;
    return in_record.m_id;
}

qint64 VYRJournal::BeginTurn(const VYRTurnRecord &in_record, int *out_pResult)
{
    int rc = VYR_JOURNAL_ERR_NOT_OPEN;
    qint64 id = 0;
    {
        VYRJournalScope scope(&m_mutex, m_s.get(), true);
        if (scope.IsOk()) {
            VYRTurnRecord record = in_record;
            record.m_before.m_exists = QFileInfo::exists(record.m_path);
            id = m_s->BeginLocked(record, &rc);
        } else if (m_s->m_open) {
            rc = VYR_JOURNAL_ERR_IO;
        }
    }
    if (out_pResult)
        *out_pResult = rc;
    return id;
}

bool VYRJournal::State::Finish(qint64 in_id, bool in_committed, const VYRFileState *in_pAfter)
{
    if (!m_records.contains(in_id))
        return false;
    const VYRTurnRecord record = m_records.value(in_id);
    if (!in_committed) {
        if (!Append(Event("drop", in_id), false))
            return false;
        ReleaseFile(record.m_kept);
        return true;
    }
    QJsonObject commit = Event("commit", in_id);
    if (in_pAfter)
        PutState(&commit, "after", *in_pAfter);
    if (!Append(commit, false))
        return false;
    // A restore's own kept file replaces its target's: the target's bytes are back in place.
    if (record.m_restores && m_records.contains(record.m_restores))
        MarkUndone(record.m_restores);
    return true;
}

bool VYRJournal::State::MarkUndone(qint64 in_id)
{
    if (!Append(Event("undone", in_id), false))
        return false;
    Release(in_id);
    return true;
}

void VYRJournal::State::Release(qint64 in_id)
{
    const QString kept = m_records.value(in_id).m_kept;
    if (!kept.isEmpty() && Append(Event("release", in_id), false))
        ReleaseFile(kept);
}

int VYRJournal::CommitTurn(qint64 in_id, const VYRFileState *in_pAfter)
{
    VYRJournalScope scope(&m_mutex, m_s.get(), true);
    if (!scope.IsOk())
        return m_s->m_open ? VYR_JOURNAL_ERR_IO : VYR_JOURNAL_ERR_NOT_OPEN;
    if (m_s->m_records.value(in_id).m_state != VYRRecordState::Begun)
        return VYR_JOURNAL_ERR_UNKNOWN;
    return m_s->Finish(in_id, true, in_pAfter) ? VYR_JOURNAL_OK : VYR_JOURNAL_ERR_IO;
}

int VYRJournal::AbandonTurn(qint64 in_id)
{
    VYRJournalScope scope(&m_mutex, m_s.get(), true);
    if (!scope.IsOk())
        return m_s->m_open ? VYR_JOURNAL_ERR_IO : VYR_JOURNAL_ERR_NOT_OPEN;
    if (m_s->m_records.value(in_id).m_state != VYRRecordState::Begun)
        return VYR_JOURNAL_ERR_UNKNOWN;
    return m_s->Finish(in_id, false) ? VYR_JOURNAL_OK : VYR_JOURNAL_ERR_IO;
}

QList<VYRBatchInfo> VYRJournal::Batches()
{
    VYRJournalScope scope(&m_mutex, m_s.get(), false);
    QList<VYRBatchInfo> batches;
    if (!scope.IsOk())
        return batches;
    QMap<qint64, VYRBatchInfo> counted = m_s->m_batches;
    for (const VYRTurnRecord &r : std::as_const(m_s->m_records)) {
        if (r.m_state == VYRRecordState::Begun || !counted.contains(r.m_batch))
            continue;
        ++counted[r.m_batch].m_count;
        if (r.m_state == VYRRecordState::Undone)
            ++counted[r.m_batch].m_undone;
    }
    for (const VYRBatchInfo &b : std::as_const(counted))
        if (b.m_count > 0)
            batches.prepend(b);
    return batches;
}

QList<VYRTurnRecord> VYRJournal::Records(qint64 in_batch)
{
    VYRJournalScope scope(&m_mutex, m_s.get(), false);
    QList<VYRTurnRecord> records;
    if (!scope.IsOk())
        return records;
    for (const VYRTurnRecord &r : std::as_const(m_s->m_records))
        if (r.m_batch == in_batch)
            records.append(r);
    return records;
}

VYRTurnRecord VYRJournal::Record(qint64 in_id, bool *out_pFound)
{
    VYRJournalScope scope(&m_mutex, m_s.get(), false);
    const bool found = scope.IsOk() && m_s->m_records.contains(in_id);
    if (out_pFound)
        *out_pFound = found;
    return found ? m_s->m_records.value(in_id) : VYRTurnRecord();
}

QByteArray VYRJournal::FileDigest(const QString &in_path, qint64 *out_pSize)
{
    return DigestFile(in_path, out_pSize, nullptr);
}
