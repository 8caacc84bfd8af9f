// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrreadfile.h"

#include "core/vyrcodes.h"
#include "qlpathmax.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int ReadWhole(const QString &in_path, QByteArray *out_pData, struct stat *out_pSt, int in_tooLarge)
{
    const QByteArray encoded = QFile::encodeName(in_path);
    if (encoded.size() >= kQLPathMax)
        return VYR_ERR_PATH_TOO_LONG;
    // O_NONBLOCK: a name that leads to a FIFO must not hang the caller in open().
    const int fd = open(encoded.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
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
    struct stat &st = *out_pSt;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return VYR_ERR_FILE_READ;
    }
    if (st.st_size > kVYRMaxFileBytes) {
        close(fd);
        return in_tooLarge;
    }
    QByteArray data(qsizetype(st.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = read(fd, data.data() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    close(fd);
    if (done != data.size())
        return VYR_ERR_FILE_READ; // a read error, or the file shrank under us
    *out_pData = std::move(data);
    return VYR_SUCCESS;
}

} // namespace

VYRFileIdentity VYRIdentityOf(const struct stat &in_st)
{
    VYRFileIdentity id;
    id.m_device = in_st.st_dev;
    id.m_inode = in_st.st_ino;
    id.m_size = in_st.st_size;
    id.m_mtimeSec = in_st.st_mtim.tv_sec;
    id.m_mtimeNsec = in_st.st_mtim.tv_nsec;
    id.m_mode = in_st.st_mode & 07777;
    return id;
}

int VYRReadRegularFile(const QString &in_path, QByteArray *out_pData, mode_t *out_pMode,
                       qint64 *out_pSize)
{
    struct stat st = {};
    st.st_size = -1;
    const int rc = ReadWhole(in_path, out_pData, &st, VYR_ERR_NO_MEMORY);
    if (st.st_size >= 0) {
        if (out_pSize)
            *out_pSize = st.st_size;
        if (out_pMode)
            *out_pMode = st.st_mode & 07777;
    }
    return rc;
}

int VYRReadPhotoFile(const QString &in_path, QByteArray *out_pData, VYRFileIdentity *out_pIdentity)
{
    struct stat st = {};
    const int rc = ReadWhole(in_path, out_pData, &st, VYR_ERR_FILE_TOO_LARGE);
    if (rc == VYR_SUCCESS && out_pIdentity)
        *out_pIdentity = VYRIdentityOf(st);
    return rc;
}
