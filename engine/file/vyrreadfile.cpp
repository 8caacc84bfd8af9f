// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrreadfile.h"

#include "core/vyrcodes.h"
#include "qlfs.h"
#include "qlpathmax.h"

#include <QFile>
#include <cerrno>
#include <climits>

namespace {

int ReadWhole(const QString &in_path, QByteArray *out_pData, QLFileFacts *out_pSt, int in_tooLarge)
{
    const QByteArray encoded = QFile::encodeName(in_path);
    if (encoded.size() >= kQLPathMax)
        return VYR_ERR_PATH_TOO_LONG;
    // Without blocking: a name that leads to a FIFO must not hang the caller in open().
    const int fd = QLOpenFile(encoded.constData(), QL_OPEN_READ | QL_OPEN_NO_BLOCK);
    if (fd < 0) {
        switch (errno) {
        case ENOENT:
        case ENOTDIR:
            return VYR_ERR_FILE_NOT_FOUND;
        case ENAMETOOLONG:
            return VYR_ERR_PATH_TOO_LONG;
        default:
            return VYR_ERR_FILE_READ;
        }
    }
    QLFileFacts &st = *out_pSt;
    if (QLStatOpen(fd, &st) != 0 || st.kind != QLFileKind::Regular) {
        QLCloseFile(fd);
        return VYR_ERR_FILE_READ;
    }
    if (st.size > kVYRMaxFileBytes) {
        QLCloseFile(fd);
        return in_tooLarge;
    }
    QByteArray data(qsizetype(st.size), Qt::Uninitialized);
    const qsizetype done = qsizetype(QLReadUpTo(fd, data.data(), data.size()));
    QLCloseFile(fd);
    if (done != data.size())
        return VYR_ERR_FILE_READ; // a read error, or the file shrank under us
    *out_pData = std::move(data);
    return VYR_SUCCESS;
}

} // namespace

VYRFileIdentity VYRIdentityOf(const QLFileFacts &in_facts)
{
    VYRFileIdentity id;
    id.m_device = in_facts.device;
    id.m_inode = in_facts.inode;
    id.m_size = in_facts.size;
    id.m_mtimeSec = in_facts.mtimeSec;
    id.m_mtimeNsec = in_facts.mtimeNsec;
    id.m_mode = in_facts.permissions;
    return id;
}

int VYRReadRegularFile(const QString &in_path, QByteArray *out_pData, uint32_t *out_pMode,
                       qint64 *out_pSize)
{
    QLFileFacts st; // size -1 until the open file's facts are in
    const int rc = ReadWhole(in_path, out_pData, &st, VYR_ERR_NO_MEMORY);
    if (st.size >= 0) {
        if (out_pSize)
            *out_pSize = st.size;
        if (out_pMode)
            *out_pMode = st.permissions;
    }
    return rc;
}

int VYRReadPhotoFile(const QString &in_path, QByteArray *out_pData, VYRFileIdentity *out_pIdentity)
{
    QLFileFacts st;
    const int rc = ReadWhole(in_path, out_pData, &st, VYR_ERR_FILE_TOO_LARGE);
    if (rc == VYR_SUCCESS && out_pIdentity)
        *out_pIdentity = VYRIdentityOf(st);
    return rc;
}
