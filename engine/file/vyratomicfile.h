// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Replaces or creates one file atomically, and only the file it is meant to. The result is
// written whole into a file of the destination's folder that has no name (O_TMPFILE), flushed
// to disk, given the destination's mode bits, owner and group, and only then linked in: a new
// file with a link that never replaces anything, a replacement under a temporary name that is
// at once renamed over the destination. A kill therefore leaves nothing behind, except in the
// instant between that link and the rename. Where the file system has no unnamed files, a
// named temporary file (.vyr-XXXXXX) is written instead. Every temporary name is held under
// an flock while it exists, and the first write into a folder removes the temporary files
// there that no live process holds: the leftovers of a killed run.
//
// A destination that is a symbolic link has the file it points to replaced; the link stays.
// Until Commit() succeeds nothing visible changes.
#pragma once

#include "file/vyrreadfile.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

class VYRAtomicFile
{
public:
    // What may be replaced at the destination.
    struct Guard
    {
        QString m_source;             // the photo the result was made from
        VYRFileIdentity m_sourceRead; // that photo as it was read
        bool m_allowReplace = false;  // another file at the destination may be replaced
        // The result gets the source's modification time as read (to the nanosecond) before
        // it takes the destination's place, instead of the time of the write.
        bool m_keepSourceTime = false;
    };

    VYRAtomicFile() = default;
    ~VYRAtomicFile();
    VYRAtomicFile(const VYRAtomicFile &) = delete;
    VYRAtomicFile &operator=(const VYRAtomicFile &) = delete;

    // Resolves in_destination, checks that it can be written and creates the temporary file.
    // in_newFileMode is the mode a destination that does not exist yet gets.
    // Returns 1, or (engine codes): VYR_ERR_OUTPUT_EXISTS when the destination is another
    // file than the source and in_guard does not allow replacing it; VYR_ERR_SOURCE_CHANGED
    // when the destination is the source and it is no longer the file that was read;
    // VYR_ERR_READ_ONLY when the destination has no write bit at all, is immutable or
    // append-only, is not writable for this user, or its folder is read-only (no write bit,
    // read-only mount, not writable, temporary file refused); VYR_ERR_FOLDER_NOT_FOUND when the
    // folder does not exist; VYR_ERR_PATH_TOO_LONG; VYR_ERR_DISK_FULL; VYR_ERR_FILE_WRITE when
    // the destination is not a regular file or on any other system error.
    int Prepare(const QString &in_destination, uint32_t in_newFileMode, const Guard &in_guard);

    // Writes in_pData whole, flushes it, sets mode and owner and puts it in the destination's
    // place, after a last look that the destination (and the source) are still the files
    // Prepare() found. Returns 1, or VYR_ERR_SOURCE_CHANGED (the source or the file to be
    // replaced was changed, replaced or removed meanwhile), VYR_ERR_OUTPUT_EXISTS (a file
    // appeared at a destination that was free), VYR_ERR_DISK_FULL, VYR_ERR_DESTINATION_CHANGED
    // (the folder vanished meanwhile), VYR_ERR_READ_ONLY, VYR_ERR_FILE_WRITE. On failure the
    // destination is as it was and no temporary file is left.
    int Commit(const uint8_t *in_pData, size_t in_size);

    // The file that is (or would be) replaced, after following symbolic links.
    QByteArray TargetPath() const { return m_target; }

    // Removes, once per folder and process, the temporary files of in_folder that no live
    // process holds (the leftovers of a run that was killed). Returns how many went.
    static int SweepLeftovers(const QByteArray &in_folder);

private:
    void Discard();
    int CreateNamed();
    int WriteAndFlush(const uint8_t *in_pData, size_t in_size);
    int StillExpected() const;
    int LinkNew();
    int LinkOver();
    int LinkUnnamed(const QByteArray &in_name);

    QByteArray m_target;   // resolved destination (encoded file name)
    QByteArray m_folder;   // its folder
    QByteArray m_tempPath; // the named temporary file, when there is one
    QByteArray m_source;   // encoded source path, checked at the commit
    int m_fd = -1;
    bool m_unnamed = false; // m_fd is an O_TMPFILE file not yet linked anywhere
    bool m_exists = false;  // the destination exists and is replaced
    bool m_checkSource = false;
    bool m_keepTime = false;      // the result gets m_sourceRead's modification time
    VYRFileIdentity m_expected;   // what stands at the destination to be replaced
    VYRFileIdentity m_sourceRead; // the source as it was read
    uint32_t m_mode = 0;          // mode bits the result gets
    uint32_t m_uid = 0;
    uint32_t m_gid = 0;
};
