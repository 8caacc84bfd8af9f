// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The file-system calls on POSIX systems, with Linux's own where it has them (unnamed files,
// a rename that never replaces, the immutable flag). A port to another system adds its own
// file beside this one (docs/porting.md).
#include "qlfs.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

namespace {

void FactsOf(const struct stat &in_st, QLFileFacts *out_pFacts)
{
    QLFileFacts facts;
    facts.device = uint64_t(in_st.st_dev);
    facts.inode = uint64_t(in_st.st_ino);
    facts.size = int64_t(in_st.st_size);
    facts.permissions = uint32_t(in_st.st_mode & 07777);
    if (S_ISREG(in_st.st_mode))
        facts.kind = QLFileKind::Regular;
    else if (S_ISDIR(in_st.st_mode))
        facts.kind = QLFileKind::Folder;
    else if (S_ISLNK(in_st.st_mode))
        facts.kind = QLFileKind::Link;
    facts.mtimeSec = int64_t(in_st.st_mtim.tv_sec);
    facts.mtimeNsec = in_st.st_mtim.tv_nsec;
    facts.atimeSec = int64_t(in_st.st_atim.tv_sec);
    facts.atimeNsec = in_st.st_atim.tv_nsec;
    facts.owner = uint32_t(in_st.st_uid);
    facts.group = uint32_t(in_st.st_gid);
    *out_pFacts = facts;
}

int Done(int in_rc, const struct stat &in_st, QLFileFacts *out_pFacts)
{
    if (in_rc != 0)
        return -1;
    FactsOf(in_st, out_pFacts);
    return 0;
}

int OpenFlags(int in_flags)
{
    int flags = O_CLOEXEC | O_NOCTTY;
    switch (in_flags & 3) {
    case QL_OPEN_WRITE:
        flags |= O_WRONLY;
        break;
    case QL_OPEN_READ_WRITE:
        flags |= O_RDWR;
        break;
    default:
        flags |= O_RDONLY;
        break;
    }
    if (in_flags & QL_OPEN_CREATE)
        flags |= O_CREAT;
    if (in_flags & QL_OPEN_EXCLUSIVE)
        flags |= O_EXCL;
    if (in_flags & QL_OPEN_TRUNCATE)
        flags |= O_TRUNC;
    if (in_flags & QL_OPEN_NO_FOLLOW)
        flags |= O_NOFOLLOW;
    if (in_flags & QL_OPEN_NO_BLOCK)
        flags |= O_NONBLOCK;
    if (in_flags & QL_OPEN_FOLDER)
        flags |= O_DIRECTORY;
    return flags;
}

} // namespace

int QLStatPath(const char *in_path, QLFileFacts *out_pFacts)
{
    struct stat st;
    return Done(::stat(in_path, &st), st, out_pFacts);
}

int QLStatLink(const char *in_path, QLFileFacts *out_pFacts)
{
    struct stat st;
    return Done(::lstat(in_path, &st), st, out_pFacts);
}

int QLStatOpen(int in_fd, QLFileFacts *out_pFacts)
{
    struct stat st;
    return Done(::fstat(in_fd, &st), st, out_pFacts);
}

int QLStatStream(FILE *in_pStream, QLFileFacts *out_pFacts)
{
    if (!in_pStream) {
        errno = EBADF;
        return -1;
    }
    return QLStatOpen(fileno(in_pStream), out_pFacts);
}

int QLStatInFolder(int in_folderFd, const char *in_name, bool in_followLink,
                   QLFileFacts *out_pFacts)
{
    struct stat st;
    const int rc = ::fstatat(in_folderFd, in_name, &st, in_followLink ? 0 : AT_SYMLINK_NOFOLLOW);
    return Done(rc, st, out_pFacts);
}

int QLOpenFile(const char *in_path, int in_flags, uint32_t in_mode)
{
    return ::open(in_path, OpenFlags(in_flags), mode_t(in_mode));
}

int QLOpenInFolder(int in_folderFd, const char *in_name, int in_flags)
{
    return ::openat(in_folderFd, in_name, OpenFlags(in_flags));
}

int QLRemoveInFolder(int in_folderFd, const char *in_name)
{
    return ::unlinkat(in_folderFd, in_name, 0);
}

int64_t QLReadUpTo(int in_fd, void *out_pBuffer, int64_t in_bytes)
{
    auto *buffer = static_cast<char *>(out_pBuffer);
    int64_t done = 0;
    while (done < in_bytes) {
        const ssize_t n = ::read(in_fd, buffer + done, size_t(in_bytes - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

int64_t QLReadAt(int in_fd, void *out_pBuffer, int64_t in_bytes, int64_t in_offset)
{
    auto *buffer = static_cast<char *>(out_pBuffer);
    int64_t done = 0;
    while (done < in_bytes) {
        const ssize_t n =
            ::pread(in_fd, buffer + done, size_t(in_bytes - done), off_t(in_offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

bool QLWriteAll(int in_fd, const void *in_pData, int64_t in_bytes)
{
    const auto *data = static_cast<const char *>(in_pData);
    int64_t done = 0;
    while (done < in_bytes) {
        const ssize_t n = ::write(in_fd, data + done, size_t(in_bytes - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0) {
            errno = EIO; // no progress: asking again would loop for ever
            return false;
        }
        done += n;
    }
    return true;
}

int QLCloseFile(int in_fd)
{
    return ::close(in_fd);
}

int QLSyncFile(int in_fd)
{
    return ::fsync(in_fd);
}

int QLSyncData(int in_fd)
{
    return ::fdatasync(in_fd);
}

int QLTruncateFile(int in_fd, int64_t in_size)
{
    return ::ftruncate(in_fd, off_t(in_size));
}

int64_t QLSeekTo(int in_fd, int64_t in_offset)
{
    return int64_t(::lseek(in_fd, off_t(in_offset), SEEK_SET));
}

bool QLSyncFolder(const char *in_path)
{
    const int fd = ::open(in_path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

int QLLockFile(int in_fd, QLFileLock in_lock)
{
    switch (in_lock) {
    case QLFileLock::Shared:
        return ::flock(in_fd, LOCK_SH);
    case QLFileLock::Exclusive:
        return ::flock(in_fd, LOCK_EX);
    case QLFileLock::TryExclusive:
        return ::flock(in_fd, LOCK_EX | LOCK_NB);
    case QLFileLock::Release:
        break;
    }
    return ::flock(in_fd, LOCK_UN);
}

int QLSetFileMode(int in_fd, uint32_t in_mode)
{
    return ::fchmod(in_fd, mode_t(in_mode));
}

int QLSetFileOwner(int in_fd, uint32_t in_owner, uint32_t in_group)
{
    return ::fchown(in_fd, uid_t(in_owner), gid_t(in_group));
}

int QLSetFileModified(int in_fd, int64_t in_sec, long in_nsec)
{
    const struct timespec times[2] = {{0, UTIME_NOW}, {time_t(in_sec), in_nsec}};
    return ::futimens(in_fd, times);
}

int QLSetPathTimes(const char *in_path, int64_t in_atimeSec, long in_atimeNsec, int64_t in_mtimeSec,
                   long in_mtimeNsec)
{
    const struct timespec times[2] = {{time_t(in_atimeSec), in_atimeNsec},
                                      {time_t(in_mtimeSec), in_mtimeNsec}};
    return ::utimensat(AT_FDCWD, in_path, times, 0);
}

int QLRenameFile(const char *in_from, const char *in_to)
{
    return ::rename(in_from, in_to);
}

int QLRenameNoReplace(const char *in_from, const char *in_to)
{
#if defined(RENAME_NOREPLACE)
    return ::renameat2(AT_FDCWD, in_from, AT_FDCWD, in_to, RENAME_NOREPLACE);
#else
    (void)in_from;
    (void)in_to;
    errno = ENOSYS;
    return -1;
#endif
}

int QLLinkFile(const char *in_from, const char *in_to)
{
    return ::linkat(AT_FDCWD, in_from, AT_FDCWD, in_to, AT_SYMLINK_FOLLOW);
}

int QLRemoveFile(const char *in_path)
{
    return ::unlink(in_path);
}

int QLMakeFolder(const char *in_path, uint32_t in_mode)
{
    return ::mkdir(in_path, mode_t(in_mode));
}

int64_t QLReadLink(const char *in_path, char *out_pTarget, size_t in_capacity)
{
    return int64_t(::readlink(in_path, out_pTarget, in_capacity));
}

bool QLResolvePath(const char *in_path, char *out_pResolved)
{
    return ::realpath(in_path, out_pResolved) != nullptr;
}

int QLCheckWritable(const char *in_path, bool in_andSearch)
{
    return ::faccessat(AT_FDCWD, in_path, in_andSearch ? W_OK | X_OK : W_OK, AT_EACCESS);
}

int QLCheckSearchable(int in_folderFd)
{
    return ::faccessat(in_folderFd, ".", X_OK, AT_EACCESS);
}

bool QLIsImmutable(const char *in_path)
{
#if defined(__linux__)
    const int fd = ::open(in_path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    int flags = 0;
    const bool known = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    ::close(fd);
    return known && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL));
#else
    (void)in_path;
    return false;
#endif
}

bool QLIsOnReadOnlyMount(const char *in_path)
{
    struct statvfs vfs;
    return ::statvfs(in_path, &vfs) == 0 && (vfs.f_flag & ST_RDONLY);
}

int QLCreateTemporary(char *io_template)
{
    return ::mkostemp(io_template, O_CLOEXEC);
}

int QLCreateUnnamed(const char *in_folder)
{
#if defined(O_TMPFILE)
    // An unnamed file is linked in through /proc (linkat with AT_EMPTY_PATH needs a
    // privilege a photographer's session does not have): without /proc, none is made.
    if (::access("/proc/self/fd", X_OK) == 0)
        return ::open(in_folder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#else
    (void)in_folder;
#endif
    errno = EOPNOTSUPP;
    return -1;
}

int QLLinkUnnamed(int in_fd, const char *in_name)
{
    char proc[64];
    std::snprintf(proc, sizeof(proc), "/proc/self/fd/%d", in_fd);
    return ::linkat(AT_FDCWD, proc, AT_FDCWD, in_name, AT_SYMLINK_FOLLOW);
}

QLFolderReader::QLFolderReader(const char *in_path) : m_pDir(::opendir(in_path)) {}

QLFolderReader::~QLFolderReader()
{
    if (m_pDir)
        ::closedir(static_cast<DIR *>(m_pDir));
}

int QLFolderReader::Fd() const
{
    return m_pDir ? ::dirfd(static_cast<DIR *>(m_pDir)) : -1;
}

const char *QLFolderReader::Next(QLFileKind *out_pKind)
{
    if (!m_pDir)
        return nullptr;
    errno = 0;
    const dirent *entry = ::readdir(static_cast<DIR *>(m_pDir));
    if (!entry)
        return nullptr;
    if (out_pKind) {
        switch (entry->d_type) {
        case DT_UNKNOWN:
            *out_pKind = QLFileKind::Unknown;
            break;
        case DT_REG:
            *out_pKind = QLFileKind::Regular;
            break;
        case DT_DIR:
            *out_pKind = QLFileKind::Folder;
            break;
        case DT_LNK:
            *out_pKind = QLFileKind::Link;
            break;
        default:
            *out_pKind = QLFileKind::Other;
            break;
        }
    }
    return entry->d_name;
}

long QLProcessId()
{
    return long(::getpid());
}
