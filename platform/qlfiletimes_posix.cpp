// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// File attributes and times on POSIX systems (birth times through statx on Linux). A port to
// another system adds its own file beside this one (docs/porting.md).
#include "qlfiletimes.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    *out_pData = data;
    return true;
}

bool QLCanSetCreationTime()
{
    return false;
}

QLSetTimeResult QLSetFileCreationTime(const QString &in_path, uint64_t in_creationTime,
                                      int *out_pError)
{
    // A POSIX file's birth time cannot be set, and the rotated file is a new inode anyway:
    // the step is skipped and the last-write time stays the time of the rotation.
    Q_UNUSED(in_path);
    Q_UNUSED(in_creationTime);
    Q_UNUSED(out_pError);
    return QLSetTimeResult::Unsupported;
}
