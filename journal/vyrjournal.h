// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The journal of every photo Veyra writes, and the originals kept to give them back.
//
// One journal per user, in a folder of its own (by default $XDG_DATA_HOME/Quillmere/Veyra/
// journal, usually under ~/.local/share). Its format is described in
// docs/undo.md: an append-only log of JSON lines, guarded by an advisory lock so that the
// window and the command line may use it at once, and a folder of kept originals.
//
// A turn is journalled in two steps around the rename that publishes it:
//     id = journal.BeginTurn(record, &rc);   // durable, original kept; before the rename
//     ... rename ...
//     journal.CommitTurn(id);                // or AbandonTurn(id) when the write failed
// A record that was begun and never committed (the process died) is settled by the next Open()
// of any journal object on the same folder, by the photo's digest: the result's means the
// rename happened (committed), the earlier content's means it did not (dropped, its original
// released). A photo that matches neither is kept as committed, so that no original is lost.
//
// Every method is safe to call from several threads; the lock also orders other processes.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

// Result codes of the journal. 1 is success, as in the engine; the engine's write codes
// (VYR_ERR_READ_ONLY, VYR_ERR_DISK_FULL, VYR_ERR_FILE_WRITE, ...) pass through from a restore's
// write unchanged.
enum : int
{
    VYR_JOURNAL_OK = 1,
    VYR_JOURNAL_ERR_IO = -901,          // the journal's folder, log or lock cannot be used
    VYR_JOURNAL_ERR_FORMAT = -902,      // the log is not a journal, or of a newer version
    VYR_JOURNAL_ERR_UNKNOWN = -903,     // no such record or batch
    VYR_JOURNAL_ERR_CHANGED = -904,     // the photo was changed since Veyra wrote it
    VYR_JOURNAL_ERR_MISSING = -905,     // the photo Veyra wrote is no longer there
    VYR_JOURNAL_ERR_NO_ORIGINAL = -906, // the kept original is gone (expired, drive absent)
    VYR_JOURNAL_ERR_DAMAGED = -907,     // the kept original no longer has its recorded digest
    VYR_JOURNAL_ERR_UNDONE = -908,      // the record was already taken back
    VYR_JOURNAL_ERR_PENDING = -909,     // the record is not committed (its write is under way)
    VYR_JOURNAL_ERR_NOT_OPEN = -910,    // Open() has not succeeded
    VYR_JOURNAL_ERR_READ = -911,        // the photo or the source cannot be read
    VYR_JOURNAL_ERR_OCCUPIED = -912,    // a file appeared where the record says there was none
};

// The state of one file at a path: absent, or present with these bytes.
struct VYRFileState
{
    bool m_exists = false;
    QByteArray m_digest; // SHA-256, 32 bytes; empty when absent (or, of m_after, not known yet)
    qint64 m_size = -1;  // -1 when absent
    // The file the digest was taken of (device, inode, modification time in ns), when a
    // caller hashed it ahead: BeginTurn trusts such a digest of the content it keeps only when
    // the kept file still has this identity. Not stored in the journal.
    quint64 m_device = 0;
    quint64 m_inode = 0;
    qint64 m_mtimeNs = 0;
};

// The code of a record that takes another back (its m_transform).
inline constexpr int VYR_JOURNAL_RESTORE = 0;
// The code of a record that brought a photo's XMP sidecar in line with the photo's turn.
inline constexpr int VYR_JOURNAL_SIDECAR = 64;

enum class VYRRecordState
{
    Begun,     // durable, the rename may or may not have happened yet
    Committed, // the photo was written
    Undone,    // a committed restore record took it back
};

struct VYRTurnRecord
{
    qint64 m_id = 0;    // given by BeginTurn
    qint64 m_batch = 0; // from NewBatch
    QString m_path;     // the photo written (the destination)
    QString m_source;   // the photo that was read (the same path for a turn in place)
    int m_transform = VYR_JOURNAL_RESTORE; // 4, 8, 12 the quarter turns clockwise; any int
    VYRFileState m_sourceState;            // the source's bytes as read
    VYRFileState m_before;                 // what the destination held before (filled in)
    VYRFileState m_after;                  // what the destination holds after the write
    QDateTime m_time;                      // UTC, filled in by BeginTurn
    qint64 m_restores = 0;                 // for a restore: the record it takes back
    QString m_kept; // where m_before's bytes are kept (empty: none needed or released)
    VYRRecordState m_state = VYRRecordState::Begun;
};

struct VYRBatchInfo
{
    qint64 m_id = 0;
    QDateTime m_time;    // UTC
    QString m_origin;    // who made it ("window", "command line", ...)
    qint64 m_undoes = 0; // the batch this one takes back (undo or redo), 0 for turns
    int m_count = 0;     // its committed records
    int m_undone = 0;    // of those, already taken back
};

// One photo of a batch restore that could not be restored.
struct VYRRestoreFailure
{
    qint64 m_record = 0;
    QString m_path;
    int m_result = 0; // a code above, or an engine write code
};

struct VYRRestoreReport
{
    qint64 m_batch = 0;                 // the batch holding the restores (0: none made)
    int m_restored = 0;                 // photos given back
    QList<VYRRestoreFailure> m_refused; // the others, and why
};

class VYRJournal
{
public:
    // in_root: the journal's folder; empty means DefaultRoot().
    explicit VYRJournal(const QString &in_root = QString());
    ~VYRJournal();
    VYRJournal(const VYRJournal &) = delete;
    VYRJournal &operator=(const VYRJournal &) = delete;

    // The default root: $XDG_DATA_HOME/Quillmere/Veyra/journal.
    static QString DefaultRoot();
    QString Root() const { return m_root; }

    // Creates the folder and log when missing, reads the log (dropping a torn last line),
    // settles the records left begun by processes that are gone, and removes kept originals
    // that no record holds. Returns 1, VYR_JOURNAL_ERR_IO or VYR_JOURNAL_ERR_FORMAT.
    int Open();

    // A fresh batch id, durable. Returns > 0, or 0 when the journal cannot be written.
    qint64 NewBatch(const QString &in_origin);

    // Records a write before its rename: in_record gives batch, path, source, transform and
    // m_after (the result's digest and size; the digest may be left empty and given to
    // CommitTurn, when the caller cannot hash before the rename without delaying it). The
    // destination's current content (m_before) is kept and hashed here, unless the caller
    // hashed it ahead (see VYRFileState): hard-linked into the journal's folder,
    // or into a hidden ".veyra-kept" folder beside the photo when the journal is on another
    // file system, or copied when the file system has no hard links. m_sourceState is read
    // from the source when left empty. Returns the record id (> 0), or 0 and *out_pResult
    // (when given) set to a code above; nothing is written then and the caller must not go on
    // with the rename.
    qint64 BeginTurn(const VYRTurnRecord &in_record, int *out_pResult = nullptr);
    // The rename happened; in_pAfter, when given, is the result's state (its digest when
    // BeginTurn did not have it). Returns 1, VYR_JOURNAL_ERR_UNKNOWN, VYR_JOURNAL_ERR_IO. Not
    // made durable on its own: a lost commit is settled by digest on the next Open() (the
    // photo's digest then stands for a result whose digest was not recorded).
    int CommitTurn(qint64 in_id, const VYRFileState *in_pAfter = nullptr);
    // The write failed: the record is dropped and its original released. Returns as CommitTurn.
    int AbandonTurn(qint64 in_id);

    // Every batch with at least one record, newest first.
    QList<VYRBatchInfo> Batches();
    // The records of a batch in the order they were begun (dropped ones left out).
    QList<VYRTurnRecord> Records(qint64 in_batch);
    VYRTurnRecord Record(qint64 in_id, bool *out_pFound = nullptr);

    // Takes one committed record back: checks that the photo still holds m_after, reads the
    // kept original and checks it against m_before, and writes it over the photo atomically
    // (or, when there was nothing before, removes the photo). The restore is itself a record
    // in in_batch (a batch from NewBatch), so it can be taken back in turn. Returns 1, or
    // VYR_JOURNAL_ERR_CHANGED / _MISSING / _NO_ORIGINAL / _DAMAGED / _UNDONE / _PENDING /
    // _UNKNOWN / _READ / _OCCUPIED / _IO, or an engine write code; on any failure the photo is
    // as it was.
    int Restore(qint64 in_id, qint64 in_batch);
    // Restores every record of in_batch not yet taken back, last first, into a new batch that
    // undoes it. Returns 1 when every one was restored, VYR_JOURNAL_ERR_UNKNOWN for an unknown
    // batch, VYR_JOURNAL_ERR_UNDONE when nothing was left to restore, else the first refusal's
    // code; *out_pReport (when given) lists each refusal. in_progress, when given, is called
    // after each photo with the count done and the count in all (from the calling thread,
    // with the journal locked: it must not call back into the journal).
    int RestoreBatch(qint64 in_batch, VYRRestoreReport *out_pReport = nullptr,
                     const std::function<void(int, int)> &in_progress = {});

    // Drops the records older than in_maxAgeDays, then the oldest until the kept originals
    // take at most in_maxBytes, releasing their originals, and rewrites the log without them.
    // Records still begun are never dropped. Returns 1 or VYR_JOURNAL_ERR_IO.
    int Expire(int in_maxAgeDays = 30, qint64 in_maxBytes = qint64(2) << 30);
    // The bytes the kept originals take (the ones held only by the journal count in full).
    qint64 KeptBytes();

    // SHA-256 of a file, or empty when it cannot be read; *out_pSize gets its size.
    static QByteArray FileDigest(const QString &in_path, qint64 *out_pSize = nullptr);

    struct State; // internal (vyrjournalstate.h)

private:
    std::unique_ptr<State> m_s;
    QString m_root;
    QMutex m_mutex;
};
