// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The file-system calls the program makes, one thin function each. Paths are the system's
// bytes (QFile::encodeName); an open file is an int descriptor, closed by QLCloseFile. A call
// that fails returns -1 (or false, or a null pointer) and leaves the system's error number in
// errno, so that callers map and report it as before. One implementation per system:
// qlfs_posix.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// What a file is, as far as the program cares.
enum class QLFileKind
{
    Other, // a FIFO, a device, a socket
    Regular,
    Folder,
    Link,    // only where links are not followed
    Unknown, // only from QLFolderReader::Next: the folder does not record it
};

// The facts of one status query.
struct QLFileFacts
{
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = -1;
    uint32_t permissions = 0; // the mode's low twelve bits (07777)
    QLFileKind kind = QLFileKind::Other;
    int64_t mtimeSec = 0;
    long mtimeNsec = 0;
    int64_t atimeSec = 0;
    long atimeNsec = 0;
    uint32_t owner = 0;
    uint32_t group = 0;
};

// The facts of the file at in_path with a link followed (QLStatPath) or not (QLStatLink), of
// an open file, or of the file under a stream (EBADF for a null stream). 0, or -1 with errno;
// *out_pFacts is untouched on failure.
int QLStatPath(const char *in_path, QLFileFacts *out_pFacts);
int QLStatLink(const char *in_path, QLFileFacts *out_pFacts);
int QLStatOpen(int in_fd, QLFileFacts *out_pFacts);
int QLStatStream(FILE *in_pStream, QLFileFacts *out_pFacts);

// How QLOpenFile opens. Every descriptor is closed on exec and never becomes the controlling
// terminal.
enum : int
{
    QL_OPEN_READ = 0,
    QL_OPEN_WRITE = 1,
    QL_OPEN_READ_WRITE = 2,
    QL_OPEN_CREATE = 0x04,    // with the mode given, before the umask
    QL_OPEN_EXCLUSIVE = 0x08, // with CREATE: fails (EEXIST) on any name there, links included
    QL_OPEN_TRUNCATE = 0x10,
    QL_OPEN_NO_FOLLOW = 0x20, // a final symbolic link is refused (ELOOP)
    QL_OPEN_NO_BLOCK = 0x40,  // a name that leads to a FIFO does not hang the caller
    QL_OPEN_FOLDER = 0x80,    // only a folder (ENOTDIR otherwise), to sync or list it
};
// The descriptor, or -1 with errno. It opens whatever the name leads to: a caller that wants
// a regular file checks QLStatOpen's kind.
int QLOpenFile(const char *in_path, int in_flags, uint32_t in_mode = 0);

// read and write, retrying interrupted calls: reads until in_bytes are in, the file ends or a
// read fails and returns the bytes read (fewer: errno tells a failure from the end); writes
// all or returns false with errno (EIO when the system writes nothing). QLReadAt reads from
// in_offset and leaves the file position alone.
int64_t QLReadUpTo(int in_fd, void *out_pBuffer, int64_t in_bytes);
int64_t QLReadAt(int in_fd, void *out_pBuffer, int64_t in_bytes, int64_t in_offset);
bool QLWriteAll(int in_fd, const void *in_pData, int64_t in_bytes);

// close, fsync (data and facts), fdatasync (data and what reading it back needs), ftruncate,
// lseek from the start (the new position, or -1): 0, or -1 with errno.
int QLCloseFile(int in_fd);
int QLSyncFile(int in_fd);
int QLSyncData(int in_fd);
int QLTruncateFile(int in_fd, int64_t in_size);
int64_t QLSeekTo(int in_fd, int64_t in_offset);
// Makes the folder's entries (a new name, a rename) durable: false when it cannot be opened
// or synced.
bool QLSyncFolder(const char *in_path);

// Locks on a whole open file, advisory, held until released or the descriptor closes.
// Shared and Exclusive wait; TryExclusive fails at once (EWOULDBLOCK) when another holds it.
enum class QLFileLock
{
    Shared,
    Exclusive,
    TryExclusive,
    Release,
};
int QLLockFile(int in_fd, QLFileLock in_lock);

// fchmod; fchown where kQLKeepId keeps the owner or group; the modification time (the access
// time becomes now). 0, or -1 with errno.
inline constexpr uint32_t kQLKeepId = uint32_t(-1);
int QLSetFileMode(int in_fd, uint32_t in_mode);
int QLSetFileOwner(int in_fd, uint32_t in_owner, uint32_t in_group);
int QLSetFileModified(int in_fd, int64_t in_sec, long in_nsec);
// Both times of the file at in_path (a link followed).
int QLSetPathTimes(const char *in_path, int64_t in_atimeSec, long in_atimeNsec, int64_t in_mtimeSec,
                   long in_mtimeNsec);

// rename (replaces what is at in_to); the same without ever replacing (EEXIST; EINVAL or
// ENOSYS where the file system cannot); a hard link, a link at in_from followed; unlink;
// mkdir. 0, or -1 with errno.
int QLRenameFile(const char *in_from, const char *in_to);
int QLRenameNoReplace(const char *in_from, const char *in_to);
int QLLinkFile(const char *in_from, const char *in_to);
int QLRemoveFile(const char *in_path);
int QLMakeFolder(const char *in_path, uint32_t in_mode);

// The target of the symbolic link at in_path into out_pTarget (not terminated): its length,
// or -1 with errno. A result of in_capacity or more means it did not fit.
int64_t QLReadLink(const char *in_path, char *out_pTarget, size_t in_capacity);
// The absolute path of in_path with every link and "." or ".." resolved, into out_pResolved
// of kQLPathMax bytes. False with errno when it does not exist.
bool QLResolvePath(const char *in_path, char *out_pResolved);

// Whether this process, by its effective ids, may write (and with in_andSearch, also enter)
// the file or folder at in_path: 0, or -1 with errno (EACCES, EROFS, EPERM: no).
int QLCheckWritable(const char *in_path, bool in_andSearch);
// Whether it may enter the open folder in_folderFd: 0, or -1 with errno.
int QLCheckSearchable(int in_folderFd);
// The file's own immutable or append-only flag (Linux's chattr +i, +a): true when set and
// readable; false when clear or where the system has none.
bool QLIsImmutable(const char *in_path);
// Whether the file system holding in_path is mounted read-only.
bool QLIsOnReadOnlyMount(const char *in_path);

// Temporary files. QLCreateTemporary replaces the trailing "XXXXXX" of io_template with a
// name no file has and creates it (mode 0600, read and write): the descriptor, or -1 with
// errno. QLCreateUnnamed makes a file without a name in the folder in_folder (mode 0600) that
// QLLinkUnnamed gives a name later, never replacing one (EEXIST); -1 with EOPNOTSUPP where the
// system or file system has no such files.
int QLCreateTemporary(char *io_template);
int QLCreateUnnamed(const char *in_folder);
int QLLinkUnnamed(int in_fd, const char *in_name);

// Calls on a name in an open folder (from QLFolderReader::Fd): the facts with the final link
// followed or not, an open with QLOpenFile's flags, unlink. As the calls above.
int QLStatInFolder(int in_folderFd, const char *in_name, bool in_followLink,
                   QLFileFacts *out_pFacts);
int QLOpenInFolder(int in_folderFd, const char *in_name, int in_flags);
int QLRemoveInFolder(int in_folderFd, const char *in_name);

// A folder's entries, read through the system: names are bytes, "." and ".." come too.
class QLFolderReader
{
public:
    // Opens in_path; IsOpen() is false, with errno, when it cannot.
    explicit QLFolderReader(const char *in_path);
    ~QLFolderReader();
    QLFolderReader(const QLFolderReader &) = delete;
    QLFolderReader &operator=(const QLFolderReader &) = delete;

    bool IsOpen() const { return m_pDir != nullptr; }
    // The folder's descriptor for the calls above; -1 when it is not open.
    int Fd() const;
    // The next name, valid until the next call; null at the end (errno 0) or on a read error
    // (errno set). *out_pKind, when given, is what the folder records, a link not followed:
    // Unknown where the file system does not say.
    const char *Next(QLFileKind *out_pKind = nullptr);

private:
    void *m_pDir = nullptr;
};

// This process's id, for names of temporary files that must not clash between processes.
long QLProcessId();
