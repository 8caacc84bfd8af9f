// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyratomicfile.h"

#include "vyrengine.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

namespace {

// Follows symbolic links to the file they finally name, which may not exist yet. The links
// themselves are never replaced: rename() over a link would swap the link for a plain file.
int ResolveLinks(const QByteArray &in_path, QByteArray *out_pTarget)
{
    QByteArray path = in_path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(path.constData(), &st) != 0) {
            if (errno == ENOENT) {
                *out_pTarget = path;
                return VYR_SUCCESS;
            }
            return errno == ENAMETOOLONG ? VYR_ERR_PATH_TOO_LONG
                   : errno == ENOTDIR    ? VYR_ERR_FOLDER_NOT_FOUND
                                         : VYR_ERR_FILE_WRITE;
        }
        if (!S_ISLNK(st.st_mode)) {
            *out_pTarget = path;
            return VYR_SUCCESS;
        }
        QByteArray link(PATH_MAX, '\0');
        const ssize_t n = readlink(path.constData(), link.data(), link.size());
        if (n < 0 || n >= link.size())
            return VYR_ERR_FILE_WRITE;
        link.truncate(n);
        if (!link.startsWith('/')) {
            const int slash = path.lastIndexOf('/');
            link = (slash < 0 ? QByteArray() : path.left(slash + 1)) + link;
        }
        path = link;
    }
    return VYR_ERR_FILE_WRITE; // a loop of links
}

int MapErrno(int in_errno, int in_missing)
{
    switch (in_errno) {
    case EACCES:
    case EPERM:
    case EROFS:
        return VYR_ERR_READ_ONLY;
    case ENOSPC:
    case EDQUOT:
        return VYR_ERR_DISK_FULL;
    case ENOENT:
    case ENOTDIR:
        return in_missing;
    case ENAMETOOLONG:
        return VYR_ERR_PATH_TOO_LONG;
    default:
        return VYR_ERR_FILE_WRITE;
    }
}

// Root passes every permission check and rename() replaces even a 0444 file, so the
// read-only tests are made on the mode bits and flags themselves.
bool IsReadOnlyFile(const QByteArray &in_path, const struct stat &in_st)
{
    if ((in_st.st_mode & 0222) == 0)
        return true;
    if (faccessat(AT_FDCWD, in_path.constData(), W_OK, AT_EACCESS) != 0 &&
        (errno == EACCES || errno == EROFS || errno == EPERM))
        return true;
#if defined(__linux__)
    const int fd = open(in_path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0) {
        int flags = 0;
        const bool known = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        close(fd);
        if (known && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)))
            return true;
    }
#endif
    return false;
}

bool IsReadOnlyFolder(const QByteArray &in_path, const struct stat &in_st)
{
    if ((in_st.st_mode & 0222) == 0)
        return true;
    if (faccessat(AT_FDCWD, in_path.constData(), W_OK | X_OK, AT_EACCESS) != 0 &&
        (errno == EACCES || errno == EROFS || errno == EPERM))
        return true;
    struct statvfs vfs;
    if (statvfs(in_path.constData(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY))
        return true;
    return false;
}

} // namespace

VYRAtomicFile::~VYRAtomicFile()
{
    Discard();
}

void VYRAtomicFile::Discard()
{
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.isEmpty()) {
        unlink(m_tempPath.constData());
        m_tempPath.clear();
    }
}

int VYRAtomicFile::Prepare(const QString &in_destination, mode_t in_newFileMode)
{
    Discard();
    const QByteArray encoded = QFile::encodeName(in_destination);
    if (encoded.isEmpty())
        return VYR_ERR_INVALID_PARAMETER;
    if (encoded.size() >= PATH_MAX)
        return VYR_ERR_PATH_TOO_LONG;
    int rc = ResolveLinks(encoded, &m_target);
    if (rc != VYR_SUCCESS)
        return rc;

    const int slash = m_target.lastIndexOf('/');
    const QByteArray folder = slash < 0    ? QByteArray(".")
                              : slash == 0 ? QByteArray("/")
                                           : m_target.left(slash);
    struct stat folderSt;
    if (stat(folder.constData(), &folderSt) != 0)
        return MapErrno(errno, VYR_ERR_FOLDER_NOT_FOUND);
    if (!S_ISDIR(folderSt.st_mode))
        return VYR_ERR_FOLDER_NOT_FOUND;
    if (IsReadOnlyFolder(folder, folderSt))
        return VYR_ERR_READ_ONLY;

    struct stat st;
    if (stat(m_target.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return VYR_ERR_FILE_WRITE;
        if (IsReadOnlyFile(m_target, st))
            return VYR_ERR_READ_ONLY;
        m_exists = true;
        m_mode = st.st_mode & 07777;
        m_uid = st.st_uid;
        m_gid = st.st_gid;
    } else if (errno == ENOENT) {
        m_exists = false;
        m_mode = in_newFileMode & 07777;
    } else {
        return MapErrno(errno, VYR_ERR_FOLDER_NOT_FOUND);
    }

    // A short name: the destination's own name may already be at the length limit.
    QByteArray temp = folder + "/.vyr-XXXXXX";
    m_fd = mkostemp(temp.data(), O_CLOEXEC);
    if (m_fd < 0)
        return MapErrno(errno, VYR_ERR_FOLDER_NOT_FOUND);
    m_tempPath = temp;
    return VYR_SUCCESS;
}

int VYRAtomicFile::Commit(const uint8_t *in_pData, size_t in_size)
{
    if (m_fd < 0)
        return VYR_ERR_FILE_WRITE;
    size_t done = 0;
    while (done < in_size) {
        const ssize_t n = write(m_fd, in_pData + done, in_size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int rc = MapErrno(errno, VYR_ERR_DESTINATION_CHANGED);
            Discard();
            return rc;
        }
        done += size_t(n);
    }
    // Owner first: chown clears set-user-ID bits that the mode then puts back. Only root
    // may give the file away; anyone else keeps at least the group where they belong to it,
    // so that a shared folder's group does not lose access to a replaced photo.
    if (m_exists && fchown(m_fd, m_uid, m_gid) != 0) {
        if (errno != EPERM || (fchown(m_fd, uid_t(-1), m_gid) != 0 && errno != EPERM)) {
            Discard();
            return VYR_ERR_FILE_WRITE;
        }
    }
    if (fchmod(m_fd, m_mode) != 0 || fsync(m_fd) != 0) {
        const int rc = MapErrno(errno, VYR_ERR_DESTINATION_CHANGED);
        Discard();
        return rc;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (close(fd) != 0) {
        const int rc = MapErrno(errno, VYR_ERR_DESTINATION_CHANGED);
        Discard();
        return rc;
    }
    if (rename(m_tempPath.constData(), m_target.constData()) != 0) {
        const int rc = MapErrno(errno, VYR_ERR_DESTINATION_CHANGED);
        Discard();
        return rc;
    }
    m_tempPath.clear();

    // Make the rename itself durable; the file's data already is.
    const int slash = m_target.lastIndexOf('/');
    const QByteArray folder = slash < 0    ? QByteArray(".")
                              : slash == 0 ? QByteArray("/")
                                           : m_target.left(slash);
    const int dirFd = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return VYR_SUCCESS;
}
