// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The journal's file operations: the advisory lock, the append-only log and the kept
// originals. Internal to the journal library.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

namespace VYRJournalStore {

// An open file held under flock(); released when the object goes away.
class FileLock
{
public:
    FileLock(int in_fd, bool in_exclusive);
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;
    bool IsHeld() const { return m_held; }

private:
    int m_fd;
    bool m_held;
};

// fsync() of a folder, so that the names created or removed in it survive a crash.
bool SyncFolder(const QString &in_folder);

// Reads the complete lines of in_path from in_offset on. *out_pEnd gets the offset just past
// the last complete line; bytes after it (a line torn by a kill) are left for the caller.
// Returns false when the file cannot be read.
bool ReadLines(const QString &in_path, qint64 in_offset, QList<QByteArray> *out_pLines,
               qint64 *out_pEnd, uint64_t *out_pInode);

// Appends in_line and a newline to in_path, cutting off first whatever follows in_end (a
// torn line; the caller holds the exclusive lock, so no live writer is behind it). fsync()s
// when in_durable. Returns false on any failure; the file then ends at in_end again.
bool AppendLine(const QString &in_path, qint64 in_end, const QByteArray &in_line, bool in_durable);

// Writes a whole new log beside in_path, flushed, and renames it over in_path.
bool ReplaceFile(const QString &in_path, const QByteArray &in_data);

enum class KeepKind
{
    Linked, // a hard link in the journal's folder
    Beside, // a hard link in a hidden folder beside the photo (another file system)
    Copied, // a copy in the journal's folder (no hard links there)
};

// Keeps the file at in_path (symbolic links followed) under in_name: a hard link into
// in_keptFolder, or beside the photo when that is another file system, or a copy. The new
// name is made durable. Returns the kept file's path, or empty when it cannot be kept.
QString KeepFile(const QString &in_path, const QString &in_keptFolder, const QString &in_name,
                 KeepKind *out_pKind);

// Removes a kept file, and its hidden folder beside a photo once empty.
void ReleaseFile(const QString &in_kept);

// SHA-256 of a file's bytes (empty when unreadable); *out_pData gets the bytes when given.
QByteArray DigestFile(const QString &in_path, qint64 *out_pSize, QByteArray *out_pData);

// Identity of a file (device, inode, size, modification time); all 0 when it is absent.
struct Identity
{
    uint64_t m_dev = 0;
    uint64_t m_ino = 0;
    qint64 m_size = 0;
    qint64 m_mtimeNs = 0;
    bool operator==(const Identity &o) const
    {
        return m_dev == o.m_dev && m_ino == o.m_ino && m_size == o.m_size &&
               m_mtimeNs == o.m_mtimeNs;
    }
};
Identity IdentityOf(const QString &in_path);

} // namespace VYRJournalStore
