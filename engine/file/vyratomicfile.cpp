// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyratomicfile.h"

#include "core/vyrcodes.h"
#include "qlpathmax.h"
#include "qltrace.h"

#include <QFile>
#include <QSet>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

namespace {

// A short name: the destination's own name may already be at the length limit. The sweep
// removes nothing but names of exactly this form.
constexpr char kTempPrefix[] = ".vyr-";
constexpr int kTempRandomChars = 6;
constexpr char kTempChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

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
        QByteArray link(kQLPathMax, '\0');
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

QByteArray FolderOf(const QByteArray &in_path)
{
    const int slash = in_path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : in_path.left(slash);
}

// The same file name however it was spelt: the folder resolved, the name as it is.
QByteArray Spelt(const QByteArray &in_path)
{
    char resolved[kQLPathMax];
    const int slash = in_path.lastIndexOf('/');
    if (!realpath(FolderOf(in_path).constData(), resolved))
        return in_path;
    return QByteArray(resolved) + '/' + in_path.mid(slash + 1);
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

bool IsTempName(const char *in_name)
{
    const size_t prefix = sizeof(kTempPrefix) - 1;
    if (std::strncmp(in_name, kTempPrefix, prefix) != 0 ||
        std::strlen(in_name) != prefix + kTempRandomChars)
        return false;
    for (int i = 0; i < kTempRandomChars; ++i) {
        if (!std::strchr(kTempChars, in_name[prefix + i]) || in_name[prefix + i] == '\0')
            return false;
    }
    return true;
}

QByteArray RandomTempPath(const QByteArray &in_folder)
{
    static thread_local std::mt19937 random{std::random_device{}()};
    QByteArray name = in_folder + '/' + kTempPrefix;
    for (int i = 0; i < kTempRandomChars; ++i)
        name += kTempChars[random() % (sizeof(kTempChars) - 1)];
    return name;
}

// Whether in_path names the very file open as in_fd.
bool NamesFile(int in_dirFd, const char *in_path, int in_fd)
{
    struct stat named;
    struct stat open;
    return fstatat(in_dirFd, in_path, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           fstat(in_fd, &open) == 0 && named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

int WriteAll(int in_fd, const uint8_t *in_pData, size_t in_size)
{
    size_t done = 0;
    while (done < in_size) {
        const ssize_t n = write(in_fd, in_pData + done, in_size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return MapErrno(errno, VYR_ERR_DESTINATION_CHANGED);
        }
        done += size_t(n);
    }
    return VYR_SUCCESS;
}

} // namespace

int VYRAtomicFile::SweepLeftovers(const QByteArray &in_folder)
{
    // A folder is looked at once per process: a batch writes thousands of photos into one.
    static std::mutex s_mutex;
    static QSet<QByteArray> s_swept;
    struct stat folderSt;
    if (stat(in_folder.constData(), &folderSt) != 0)
        return 0;
    // With the path: a folder removed and made anew may get the same inode.
    const QByteArray key = QByteArray::number(quint64(folderSt.st_dev)) + ':' +
                           QByteArray::number(quint64(folderSt.st_ino)) + ':' + in_folder;
    {
        std::lock_guard<std::mutex> lock(s_mutex);
        if (s_swept.contains(key))
            return 0;
        s_swept.insert(key);
    }
    DIR *dir = opendir(in_folder.constData());
    if (!dir)
        return 0;
    int removed = 0;
    while (const dirent *entry = readdir(dir)) {
        if (!IsTempName(entry->d_name))
            continue;
        const int fd = openat(dirfd(dir), entry->d_name,
                              O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            continue;
        struct stat st;
        // A file that a live writer holds is its work in progress; only what nobody holds is
        // a leftover. The name is looked at again under the lock: it must still be this file.
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            NamesFile(dirfd(dir), entry->d_name, fd) &&
            unlinkat(dirfd(dir), entry->d_name, 0) == 0) {
            QLTrace("Removed '%s/%s', left by an earlier run that was stopped while writing\n",
                    in_folder.constData(), entry->d_name);
            ++removed;
        }
        close(fd);
    }
    closedir(dir);
    return removed;
}

VYRAtomicFile::~VYRAtomicFile()
{
    Discard();
}

void VYRAtomicFile::Discard()
{
    // The name goes before the descriptor: while it exists, the lock on it must hold.
    if (!m_tempPath.isEmpty()) {
        unlink(m_tempPath.constData());
        m_tempPath.clear();
    }
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    m_unnamed = false;
}

int VYRAtomicFile::Prepare(const QString &in_destination, mode_t in_newFileMode,
                           const Guard &in_guard)
{
    Discard();
    const QByteArray encoded = QFile::encodeName(in_destination);
    if (encoded.isEmpty())
        return VYR_ERR_INVALID_PARAMETER;
    if (encoded.size() >= kQLPathMax)
        return VYR_ERR_PATH_TOO_LONG;
    int rc = ResolveLinks(encoded, &m_target);
    if (rc != VYR_SUCCESS)
        return rc;
    m_source = QFile::encodeName(in_guard.m_source);
    m_sourceRead = in_guard.m_sourceRead;
    m_keepTime = in_guard.m_keepSourceTime;
    QByteArray source;
    const bool inPlace =
        ResolveLinks(m_source, &source) == VYR_SUCCESS && Spelt(source) == Spelt(m_target);

    m_folder = FolderOf(m_target);
    struct stat folderSt;
    if (stat(m_folder.constData(), &folderSt) != 0)
        return MapErrno(errno, VYR_ERR_FOLDER_NOT_FOUND);
    if (!S_ISDIR(folderSt.st_mode))
        return VYR_ERR_FOLDER_NOT_FOUND;
    if (IsReadOnlyFolder(m_folder, folderSt))
        return VYR_ERR_READ_ONLY;

    struct stat st;
    if (stat(m_target.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return VYR_ERR_FILE_WRITE;
        const VYRFileIdentity found = VYRIdentityOf(st);
        if (found.IsSameFile(m_sourceRead)) {
            // The photo itself (a turn in place, or by another name): it must still hold
            // what was read.
            if (!found.IsUnchanged(m_sourceRead))
                return VYR_ERR_SOURCE_CHANGED;
        } else if (inPlace) {
            return VYR_ERR_SOURCE_CHANGED; // another program saved a new file in its place
        } else if (!in_guard.m_allowReplace) {
            return VYR_ERR_OUTPUT_EXISTS;
        } else {
            // Without a source (a plain replace, not a turn) there is nothing to re-check.
            m_checkSource = !m_source.isEmpty();
        }
        if (IsReadOnlyFile(m_target, st))
            return VYR_ERR_READ_ONLY;
        m_expected = found;
        m_exists = true;
        m_mode = st.st_mode & 07777;
        m_uid = st.st_uid;
        m_gid = st.st_gid;
    } else if (errno == ENOENT) {
        if (inPlace)
            return VYR_ERR_SOURCE_CHANGED; // deleted meanwhile: not to be made again
        m_checkSource = !m_source.isEmpty();
        m_exists = false;
        m_mode = in_newFileMode & 07777;
    } else {
        return MapErrno(errno, VYR_ERR_FOLDER_NOT_FOUND);
    }

    SweepLeftovers(m_folder);
#if defined(O_TMPFILE)
    // An unnamed file is linked in through /proc (linkat with AT_EMPTY_PATH needs a
    // privilege a photographer's session does not have): without /proc, a named one.
    if (access("/proc/self/fd", X_OK) == 0)
        m_fd = open(m_folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    else
        errno = EOPNOTSUPP;
    if (m_fd >= 0) {
        m_unnamed = true;
        // Held from the start: once the file has a temporary name, no sweep may take it.
        flock(m_fd, LOCK_EX);
        return VYR_SUCCESS;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return MapErrno(errno, VYR_ERR_FOLDER_NOT_FOUND);
#endif
    return CreateNamed();
}

int VYRAtomicFile::CreateNamed()
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray temp = m_folder + '/' + kTempPrefix + QByteArray(kTempRandomChars, 'X');
        m_fd = mkostemp(temp.data(), O_CLOEXEC);
        if (m_fd < 0)
            return MapErrno(errno, VYR_ERR_FOLDER_NOT_FOUND);
        m_tempPath = temp;
        // Between its creation and this lock another process's sweep may have taken the
        // empty file for a leftover: then it is made again.
        if (flock(m_fd, LOCK_EX) == 0 && NamesFile(AT_FDCWD, m_tempPath.constData(), m_fd))
            return VYR_SUCCESS;
        close(m_fd);
        m_fd = -1;
        m_tempPath.clear();
    }
    return VYR_ERR_FILE_WRITE;
}

int VYRAtomicFile::WriteAndFlush(const uint8_t *in_pData, size_t in_size)
{
    int rc = WriteAll(m_fd, in_pData, in_size);
    if (rc != VYR_SUCCESS)
        return rc;
    // Owner first: chown clears set-user-ID bits that the mode then puts back. Only root
    // may give the file away; anyone else keeps at least the group where they belong to it,
    // so that a shared folder's group does not lose access to a replaced photo.
    if (m_exists && fchown(m_fd, m_uid, m_gid) != 0) {
        if (errno != EPERM || (fchown(m_fd, uid_t(-1), m_gid) != 0 && errno != EPERM))
            return VYR_ERR_FILE_WRITE;
    }
    if (m_keepTime) {
        // Set on the file before it is published: no reader ever sees the write's own time.
        const struct timespec times[2] = {
            {0, UTIME_NOW}, {time_t(m_sourceRead.m_mtimeSec), m_sourceRead.m_mtimeNsec}};
        if (futimens(m_fd, times) != 0)
            return MapErrno(errno, VYR_ERR_FILE_WRITE);
    }
    if (fchmod(m_fd, m_mode) != 0 || fsync(m_fd) != 0)
        return MapErrno(errno, VYR_ERR_DESTINATION_CHANGED);
    return VYR_SUCCESS;
}

// The last look before the result takes the destination's place.
int VYRAtomicFile::StillExpected() const
{
    struct stat st;
    if (m_checkSource) {
        // The result is a turn of what was read; a source that changed since may have been
        // read half old, half new.
        if (stat(m_source.constData(), &st) != 0 || !VYRIdentityOf(st).IsUnchanged(m_sourceRead))
            return VYR_ERR_SOURCE_CHANGED;
    }
    if (!m_exists)
        return VYR_SUCCESS;
    if (stat(m_target.constData(), &st) != 0 || !VYRIdentityOf(st).IsUnchanged(m_expected))
        return VYR_ERR_SOURCE_CHANGED;
    return VYR_SUCCESS;
}

int VYRAtomicFile::Commit(const uint8_t *in_pData, size_t in_size)
{
    if (m_fd < 0)
        return VYR_ERR_FILE_WRITE;
    int rc = WriteAndFlush(in_pData, in_size);
    if (rc == VYR_SUCCESS)
        rc = m_exists ? LinkOver() : LinkNew();
    if (rc != VYR_SUCCESS) {
        Discard();
        return rc;
    }
    Discard(); // a temporary name still there is a second link to the result
    // Make the link or rename itself durable; the file's data already is.
    const int dirFd = open(m_folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return VYR_SUCCESS;
}

// Gives the unnamed file the name in_name; never replaces anything there. Returns 0 or the
// error of the link.
int VYRAtomicFile::LinkUnnamed(const QByteArray &in_name)
{
    char proc[64];
    std::snprintf(proc, sizeof(proc), "/proc/self/fd/%d", m_fd);
    return linkat(AT_FDCWD, proc, AT_FDCWD, in_name.constData(), AT_SYMLINK_FOLLOW) == 0 ? 0
                                                                                         : errno;
}

int VYRAtomicFile::LinkNew()
{
    int rc = StillExpected();
    if (rc != VYR_SUCCESS)
        return rc;
    int error = 0;
    if (m_unnamed) {
        error = LinkUnnamed(m_target);
    } else if (renameat2(AT_FDCWD, m_tempPath.constData(), AT_FDCWD, m_target.constData(),
                         RENAME_NOREPLACE) == 0) {
        m_tempPath.clear();
    } else if (errno == EINVAL || errno == ENOSYS) {
        // No such rename on this file system: a hard link never replaces either.
        if (link(m_tempPath.constData(), m_target.constData()) != 0)
            error = errno;
    } else {
        error = errno;
    }
    if (error == EEXIST)
        return VYR_ERR_OUTPUT_EXISTS; // a file appeared there since Prepare()
    return error == 0 ? VYR_SUCCESS : MapErrno(error, VYR_ERR_DESTINATION_CHANGED);
}

int VYRAtomicFile::LinkOver()
{
    if (m_unnamed) {
        // rename() is the only atomic replace, and it needs a name to move: the file gets one
        // just now, and keeps it for the instant until the rename.
        int error = EEXIST;
        for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
            const QByteArray temp = RandomTempPath(m_folder);
            error = LinkUnnamed(temp);
            if (error == 0)
                m_tempPath = temp;
        }
        if (error != 0)
            return MapErrno(error, VYR_ERR_DESTINATION_CHANGED);
        m_unnamed = false;
    }
    const int rc = StillExpected();
    if (rc != VYR_SUCCESS)
        return rc;
    if (rename(m_tempPath.constData(), m_target.constData()) != 0)
        return MapErrno(errno, VYR_ERR_DESTINATION_CHANGED);
    m_tempPath.clear();
    return VYR_SUCCESS;
}
