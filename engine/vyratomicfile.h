// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Replaces or creates one file atomically: a temporary file in the destination's folder,
// written whole and flushed to disk, given the destination's mode bits, owner and group, then
// renamed over it. A destination that is a symbolic link has the file it points to replaced;
// the link stays. Until Commit() succeeds nothing visible changes, and the temporary file is
// removed whenever the object goes away uncommitted.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <sys/types.h>

class VYRAtomicFile
{
public:
    VYRAtomicFile() = default;
    ~VYRAtomicFile();
    VYRAtomicFile(const VYRAtomicFile &) = delete;
    VYRAtomicFile &operator=(const VYRAtomicFile &) = delete;

    // Resolves in_destination, checks that it can be written and creates the temporary file.
    // in_newFileMode is the mode a destination that does not exist yet gets.
    // Returns 1, or (engine codes): VYR_ERR_READ_ONLY when the destination has no write bit at
    // all, is immutable or append-only, is not writable for this user, or its folder is
    // read-only (no write bit, read-only mount, not writable, temporary file refused);
    // VYR_ERR_FOLDER_NOT_FOUND when the folder does not exist; VYR_ERR_PATH_TOO_LONG;
    // VYR_ERR_DISK_FULL; VYR_ERR_FILE_WRITE when the destination is not a regular file or on
    // any other system error.
    int Prepare(const QString &in_destination, mode_t in_newFileMode);

    // Writes in_pData whole to the temporary file, flushes it, sets mode and owner and renames
    // it over the destination. Returns 1, or VYR_ERR_DISK_FULL, VYR_ERR_DESTINATION_CHANGED
    // (the folder vanished meanwhile), VYR_ERR_READ_ONLY, VYR_ERR_FILE_WRITE. On failure the
    // destination is as it was and the temporary file is gone.
    int Commit(const uint8_t *in_pData, size_t in_size);

    // The file that is (or would be) replaced, after following symbolic links.
    QByteArray TargetPath() const { return m_target; }

private:
    void Discard();

    QByteArray m_target;   // resolved destination (encoded file name)
    QByteArray m_tempPath; // temporary file in the same folder
    int m_fd = -1;
    bool m_exists = false; // the destination exists and is replaced
    mode_t m_mode = 0;     // mode bits the result gets
    uid_t m_uid = 0;
    gid_t m_gid = 0;
};
