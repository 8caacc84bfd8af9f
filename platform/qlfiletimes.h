// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// A file's attributes and time stamps, and putting its creation time back after the file
// has been replaced. Times are 64-bit counts of 100-nanosecond intervals since
// 1601-01-01 UTC (the Windows FILETIME scale); 0 means "unknown".
#pragma once

#include <QString>
#include <cstdint>

// Attribute bits (the Windows values, so that records mean the same on every platform).
enum : uint32_t
{
    QL_FILE_ATTRIBUTE_READONLY = 0x00000001, // no write permission bit at all
    QL_FILE_ATTRIBUTE_HIDDEN = 0x00000002,   // the name begins with '.' (on POSIX systems)
    QL_FILE_ATTRIBUTE_DIRECTORY = 0x00000010,
    QL_FILE_ATTRIBUTE_NORMAL = 0x00000080, // none of the others
};

// What the standard attribute query fills in.
struct QL_FILE_ATTRIBUTE_DATA
{
    uint32_t dwFileAttributes = 0;
    uint64_t ftCreationTime = 0; // birth time; 0 where the file system does not record it
    uint64_t ftLastAccessTime = 0;
    uint64_t ftLastWriteTime = 0;
    uint32_t nFileSizeHigh = 0;
    uint32_t nFileSizeLow = 0;
};

// Fills *out_pData for the file or folder at in_path (a symbolic link is followed).
// Returns true on success. On failure returns false, leaves *out_pData as it was and, when
// out_pError is given, stores the system error number there (ENOENT, 2, for a missing file:
// the same number as the Windows "file not found" code).
bool QLGetFileAttributesEx(const QString &in_path, QL_FILE_ATTRIBUTE_DATA *out_pData,
                           int *out_pError = nullptr);

// Whether this platform can set a file's creation time at all (Windows, macOS: yes; Linux:
// no, a birth time is fixed when the file is made and an atomic replace makes a new one).
bool QLCanSetCreationTime();

// The outcome of QLSetFileCreationTime.
enum class QLSetTimeResult
{
    Done,        // the creation time was set (or was 0 and is left as it is)
    NotOpened,   // the file could not be opened for writing: nothing was tried
    Failed,      // the file was opened but the time could not be set; *out_pError says why
    Unsupported, // the platform cannot set creation times (QLCanSetCreationTime() is false)
};

// Sets the creation time of the existing file at in_path to in_creationTime and leaves its
// last-access and last-write times alone. A time of 0 (unknown, e.g. the query before the
// file existed failed) changes nothing, as SetFileTime treats it. Opening needs read and
// write access, as the original did, so a read-only file reports NotOpened.
QLSetTimeResult QLSetFileCreationTime(const QString &in_path, uint64_t in_creationTime,
                                      int *out_pError = nullptr);

// Conversions between the 1601-based scale and Unix seconds + nanoseconds.
uint64_t QLFileTimeFromUnix(int64_t in_seconds, uint32_t in_nanoseconds);
void QLFileTimeToUnix(uint64_t in_fileTime, int64_t *out_pSeconds, uint32_t *out_pNanoseconds);
