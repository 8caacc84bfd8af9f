// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qlfiletimes.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__APPLE__)
#include <sys/attr.h>
#endif
#endif

namespace {

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ull;
constexpr uint64_t kTicksPerSecond = 10000000ull;

} // namespace

uint64_t QLFileTimeFromUnix(int64_t in_seconds, uint32_t in_nanoseconds)
{
    // Times before 1601 cannot be expressed; they read as unknown.
    const int64_t ticks = in_seconds * static_cast<int64_t>(kTicksPerSecond) +
                          static_cast<int64_t>(in_nanoseconds / 100);
    if (ticks < -static_cast<int64_t>(kUnixEpochAsFileTime))
        return 0;
    return static_cast<uint64_t>(ticks + static_cast<int64_t>(kUnixEpochAsFileTime));
}

void QLFileTimeToUnix(uint64_t in_fileTime, int64_t *out_pSeconds, uint32_t *out_pNanoseconds)
{
    const int64_t ticks =
        static_cast<int64_t>(in_fileTime) - static_cast<int64_t>(kUnixEpochAsFileTime);
    int64_t seconds = ticks / static_cast<int64_t>(kTicksPerSecond);
    int64_t rest = ticks % static_cast<int64_t>(kTicksPerSecond);
    if (rest < 0) {
        rest += kTicksPerSecond;
        --seconds;
    }
    if (out_pSeconds)
        *out_pSeconds = seconds;
    if (out_pNanoseconds)
        *out_pNanoseconds = static_cast<uint32_t>(rest * 100);
}

#if defined(_WIN32)

static uint64_t FromFileTime(const FILETIME &in_ft)
{
    return (static_cast<uint64_t>(in_ft.dwHighDateTime) << 32) | in_ft.dwLowDateTime;
}

bool QLGetFileAttributesEx(const QString &in_path, QL_FILE_ATTRIBUTE_DATA *out_pData,
                           int *out_pError)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!out_pData || !GetFileAttributesExW(reinterpret_cast<LPCWSTR>(in_path.utf16()),
                                            GetFileExInfoStandard, &data)) {
        if (out_pError)
            *out_pError = out_pData ? static_cast<int>(GetLastError()) : ERROR_INVALID_PARAMETER;
        return false;
    }
    out_pData->dwFileAttributes = data.dwFileAttributes;
    out_pData->ftCreationTime = FromFileTime(data.ftCreationTime);
    out_pData->ftLastAccessTime = FromFileTime(data.ftLastAccessTime);
    out_pData->ftLastWriteTime = FromFileTime(data.ftLastWriteTime);
    out_pData->nFileSizeHigh = data.nFileSizeHigh;
    out_pData->nFileSizeLow = data.nFileSizeLow;
    return true;
}

bool QLCanSetCreationTime()
{
    return true;
}

QLSetTimeResult QLSetFileCreationTime(const QString &in_path, uint64_t in_creationTime,
                                      int *out_pError)
{
    HANDLE file =
        CreateFileW(reinterpret_cast<LPCWSTR>(in_path.utf16()), GENERIC_READ | GENERIC_WRITE, 0,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return QLSetTimeResult::NotOpened;
    FILETIME creation;
    creation.dwLowDateTime = static_cast<DWORD>(in_creationTime & 0xFFFFFFFFu);
    creation.dwHighDateTime = static_cast<DWORD>(in_creationTime >> 32);
    // A zero FILETIME tells the system to leave that time unchanged.
    const BOOL ok = SetFileTime(file, &creation, nullptr, nullptr);
    const DWORD error = ok ? 0 : GetLastError();
    CloseHandle(file);
    if (!ok) {
        if (out_pError)
            *out_pError = static_cast<int>(error);
        return QLSetTimeResult::Failed;
    }
    return QLSetTimeResult::Done;
}

#else // POSIX

namespace {

uint32_t AttributesFor(const QString &in_path, mode_t in_mode)
{
    uint32_t attributes = 0;
    if ((in_mode & 0222) == 0)
        attributes |= QL_FILE_ATTRIBUTE_READONLY;
    if (S_ISDIR(in_mode))
        attributes |= QL_FILE_ATTRIBUTE_DIRECTORY;
    if (QFileInfo(in_path).fileName().startsWith(QLatin1Char('.')))
        attributes |= QL_FILE_ATTRIBUTE_HIDDEN;
    return attributes ? attributes : QL_FILE_ATTRIBUTE_NORMAL;
}

void SetSize(QL_FILE_ATTRIBUTE_DATA *out_pData, uint64_t in_size)
{
    out_pData->nFileSizeHigh = static_cast<uint32_t>(in_size >> 32);
    out_pData->nFileSizeLow = static_cast<uint32_t>(in_size & 0xFFFFFFFFu);
}

} // namespace

bool QLGetFileAttributesEx(const QString &in_path, QL_FILE_ATTRIBUTE_DATA *out_pData,
                           int *out_pError)
{
    if (!out_pData) {
        if (out_pError)
            *out_pError = EINVAL;
        return false;
    }
    const QByteArray name = QFile::encodeName(in_path);
    QL_FILE_ATTRIBUTE_DATA data;
#if defined(__linux__)
    // statx is the only call that reports the birth time on Linux; file systems that do
    // not keep one leave STATX_BTIME out of the mask and the time reads as unknown.
    struct statx st = {};
    if (name.isEmpty() ||
        ::statx(AT_FDCWD, name.constData(), 0, STATX_BASIC_STATS | STATX_BTIME, &st) != 0) {
        if (out_pError)
            *out_pError = name.isEmpty() ? ENOENT : errno;
        return false;
    }
    data.dwFileAttributes = AttributesFor(in_path, st.stx_mode);
    if (st.stx_mask & STATX_BTIME)
        data.ftCreationTime = QLFileTimeFromUnix(st.stx_btime.tv_sec, st.stx_btime.tv_nsec);
    data.ftLastAccessTime = QLFileTimeFromUnix(st.stx_atime.tv_sec, st.stx_atime.tv_nsec);
    data.ftLastWriteTime = QLFileTimeFromUnix(st.stx_mtime.tv_sec, st.stx_mtime.tv_nsec);
    SetSize(&data, st.stx_size);
#else
    struct stat st = {};
    if (name.isEmpty() || ::stat(name.constData(), &st) != 0) {
        if (out_pError)
            *out_pError = name.isEmpty() ? ENOENT : errno;
        return false;
    }
    data.dwFileAttributes = AttributesFor(in_path, st.st_mode);
#if defined(__APPLE__)
    data.ftCreationTime =
        QLFileTimeFromUnix(st.st_birthtimespec.tv_sec, st.st_birthtimespec.tv_nsec);
    data.ftLastAccessTime = QLFileTimeFromUnix(st.st_atimespec.tv_sec, st.st_atimespec.tv_nsec);
    data.ftLastWriteTime = QLFileTimeFromUnix(st.st_mtimespec.tv_sec, st.st_mtimespec.tv_nsec);
#else
    data.ftLastAccessTime = QLFileTimeFromUnix(st.st_atime, 0);
    data.ftLastWriteTime = QLFileTimeFromUnix(st.st_mtime, 0);
#endif
    SetSize(&data, static_cast<uint64_t>(st.st_size));
#endif
    *out_pData = data;
    return true;
}

bool QLCanSetCreationTime()
{
#if defined(__APPLE__)
    return true;
#else
    return false;
#endif
}

QLSetTimeResult QLSetFileCreationTime(const QString &in_path, uint64_t in_creationTime,
                                      int *out_pError)
{
#if defined(__APPLE__)
    const QByteArray name = QFile::encodeName(in_path);
    const int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return QLSetTimeResult::NotOpened;
    int error = 0;
    if (in_creationTime != 0) {
        struct attrlist list = {};
        list.bitmapcount = ATTR_BIT_MAP_COUNT;
        list.commonattr = ATTR_CMN_CRTIME;
        int64_t seconds = 0;
        uint32_t nanoseconds = 0;
        QLFileTimeToUnix(in_creationTime, &seconds, &nanoseconds);
        struct timespec creation = {static_cast<time_t>(seconds), static_cast<long>(nanoseconds)};
        if (::fsetattrlist(fd, &list, &creation, sizeof creation, 0) != 0)
            error = errno;
    }
    ::close(fd);
    if (error != 0) {
        if (out_pError)
            *out_pError = error;
        return QLSetTimeResult::Failed;
    }
    return QLSetTimeResult::Done;
#else
    // The birth time of a Linux file cannot be set, and the rotated file is a new inode
    // anyway: the step is skipped and the last-write time stays the time of the rotation.
    Q_UNUSED(in_path);
    Q_UNUSED(in_creationTime);
    Q_UNUSED(out_pError);
    return QLSetTimeResult::Unsupported;
#endif
}

#endif
