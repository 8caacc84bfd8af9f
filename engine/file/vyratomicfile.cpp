// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyratomicfile.h"

#include "core/vyrcodes.h"
#include "qlfs.h"
#include "qlpathmax.h"
#include "qltrace.h"

#include <QFile>
#include <QSet>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>

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
        QLFileFacts st;
        if (QLStatLink(path.constData(), &st) != 0) {
            if (errno == ENOENT) {
                *out_pTarget = path;
                return VYR_SUCCESS;
            }
            return errno == ENAMETOOLONG ? VYR_ERR_PATH_TOO_LONG
                   : errno == ENOTDIR    ? VYR_ERR_FOLDER_NOT_FOUND
                                         : VYR_ERR_FILE_WRITE;
        }
        if (st.kind != QLFileKind::Link) {
            *out_pTarget = path;
            return VYR_SUCCESS;
        }
        QByteArray link(kQLPathMax, '\0');
        const int64_t n = QLReadLink(path.constData(), link.data(), size_t(link.size()));
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
    if (!QLResolvePath(FolderOf(in_path).constData(), resolved))
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
bool IsReadOnlyFile(const QByteArray &in_path, const QLFileFacts &in_st)
{
    if ((in_st.permissions & 0222) == 0)
        return true;
    if (QLCheckWritable(in_path.constData(), false) != 0 &&
        (errno == EACCES || errno == EROFS || errno == EPERM))
        return true;
    return QLIsImmutable(in_path.constData());
}

bool IsReadOnlyFolder(const QByteArray &in_path, const QLFileFacts &in_st)
{
    if ((in_st.permissions & 0222) == 0)
        return true;
    if (QLCheckWritable(in_path.constData(), true) != 0 &&
        (errno == EACCES || errno == EROFS || errno == EPERM))
        return true;
    return QLIsOnReadOnlyMount(in_path.constData());
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

// Whether in_named (facts of a name, its link not followed) is the very file open as in_fd.
bool NamesFile(int in_statRc, const QLFileFacts &in_named, int in_fd)
{
    QLFileFacts open;
    return in_statRc == 0 && QLStatOpen(in_fd, &open) == 0 && in_named.device == open.device &&
           in_named.inode == open.inode;
}

} // namespace

int VYRAtomicFile::SweepLeftovers(const QByteArray &in_folder)
{
    // A folder is looked at once per process: a batch writes thousands of photos into one.
    static std::mutex s_mutex;
    static QSet<QByteArray> s_swept;
    QLFileFacts folderSt;
    if (QLStatPath(in_folder.constData(), &folderSt) != 0)
        return 0;
    // With the path: a folder removed and made anew may get the same inode.
    const QByteArray key = QByteArray::number(quint64(folderSt.device)) + ':' +
                           QByteArray::number(quint64(folderSt.inode)) + ':' + in_folder;
    {
        std::lock_guard<std::mutex> lock(s_mutex);
        if (s_swept.contains(key))
            return 0;
        s_swept.insert(key);
    }
    QLFolderReader dir(in_folder.constData());
    if (!dir.IsOpen())
        return 0;
    int removed = 0;
    while (const char *name = dir.Next()) {
        if (!IsTempName(name))
            continue;
        const int fd =
            QLOpenInFolder(dir.Fd(), name, QL_OPEN_READ | QL_OPEN_NO_FOLLOW | QL_OPEN_NO_BLOCK);
        if (fd < 0)
            continue;
        QLFileFacts st;
        QLFileFacts named;
        // A file that a live writer holds is its work in progress; only what nobody holds is
        // a leftover. The name is looked at again under the lock: it must still be this file.
        if (QLStatOpen(fd, &st) == 0 && st.kind == QLFileKind::Regular &&
            QLLockFile(fd, QLFileLock::TryExclusive) == 0 &&
            NamesFile(QLStatInFolder(dir.Fd(), name, false, &named), named, fd) &&
            QLRemoveInFolder(dir.Fd(), name) == 0) {
            QLTrace("Removed '%s/%s', left by an earlier run that was stopped while writing\n",
                    in_folder.constData(), name);
            ++removed;
        }
        QLCloseFile(fd);
    }
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
        QLRemoveFile(m_tempPath.constData());
        m_tempPath.clear();
    }
    if (m_fd >= 0) {
        QLCloseFile(m_fd);
        m_fd = -1;
    }
    m_unnamed = false;
}

int VYRAtomicFile::Prepare(const QString &in_destination, uint32_t in_newFileMode,
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
    QLFileFacts folderSt;
    if (QLStatPath(m_folder.constData(), &folderSt) != 0)
        return MapErrno(errno, VYR_ERR_FOLDER_NOT_FOUND);
    if (folderSt.kind != QLFileKind::Folder)
        return VYR_ERR_FOLDER_NOT_FOUND;
    if (IsReadOnlyFolder(m_folder, folderSt))
        return VYR_ERR_READ_ONLY;

    QLFileFacts st;
    if (QLStatPath(m_target.constData(), &st) == 0) {
        if (st.kind != QLFileKind::Regular)
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
        m_mode = st.permissions;
        m_uid = st.owner;
        m_gid = st.group;
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
    // Where the system or the file system has no unnamed files, a named one.
    m_fd = QLCreateUnnamed(m_folder.constData());
    if (m_fd >= 0) {
        m_unnamed = true;
        // Held from the start: once the file has a temporary name, no sweep may take it.
        QLLockFile(m_fd, QLFileLock::Exclusive);
        return VYR_SUCCESS;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return MapErrno(errno, VYR_ERR_FOLDER_NOT_FOUND);
    return CreateNamed();
}

int VYRAtomicFile::CreateNamed()
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray temp = m_folder + '/' + kTempPrefix + QByteArray(kTempRandomChars, 'X');
        m_fd = QLCreateTemporary(temp.data());
        if (m_fd < 0)
            return MapErrno(errno, VYR_ERR_FOLDER_NOT_FOUND);
        m_tempPath = temp;
        // Between its creation and this lock another process's sweep may have taken the
        // empty file for a leftover: then it is made again.
        QLFileFacts named;
        if (QLLockFile(m_fd, QLFileLock::Exclusive) == 0 &&
            NamesFile(QLStatLink(m_tempPath.constData(), &named), named, m_fd))
            return VYR_SUCCESS;
        QLCloseFile(m_fd);
        m_fd = -1;
        m_tempPath.clear();
    }
    return VYR_ERR_FILE_WRITE;
}

int VYRAtomicFile::WriteAndFlush(const uint8_t *in_pData, size_t in_size)
{
    if (!QLWriteAll(m_fd, in_pData, int64_t(in_size)))
        return MapErrno(errno, VYR_ERR_DESTINATION_CHANGED);
    // Owner first: chown clears set-user-ID bits that the mode then puts back. Only root
    // may give the file away; anyone else keeps at least the group where they belong to it,
    // so that a shared folder's group does not lose access to a replaced photo.
    if (m_exists && QLSetFileOwner(m_fd, m_uid, m_gid) != 0) {
        if (errno != EPERM || (QLSetFileOwner(m_fd, kQLKeepId, m_gid) != 0 && errno != EPERM))
            return VYR_ERR_FILE_WRITE;
    }
    if (m_keepTime) {
        // Set on the file before it is published: no reader ever sees the write's own time.
        if (QLSetFileModified(m_fd, m_sourceRead.m_mtimeSec, m_sourceRead.m_mtimeNsec) != 0)
            return MapErrno(errno, VYR_ERR_FILE_WRITE);
    }
    if (QLSetFileMode(m_fd, m_mode) != 0 || QLSyncFile(m_fd) != 0)
        return MapErrno(errno, VYR_ERR_DESTINATION_CHANGED);
    return VYR_SUCCESS;
}

// The last look before the result takes the destination's place.
int VYRAtomicFile::StillExpected() const
{
    QLFileFacts st;
    if (m_checkSource) {
        // The result is a turn of what was read; a source that changed since may have been
        // read half old, half new.
        if (QLStatPath(m_source.constData(), &st) != 0 ||
            !VYRIdentityOf(st).IsUnchanged(m_sourceRead))
            return VYR_ERR_SOURCE_CHANGED;
    }
    if (!m_exists)
        return VYR_SUCCESS;
    if (QLStatPath(m_target.constData(), &st) != 0 || !VYRIdentityOf(st).IsUnchanged(m_expected))
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
    QLSyncFolder(m_folder.constData());
    return VYR_SUCCESS;
}

// Gives the unnamed file the name in_name; never replaces anything there. Returns 0 or the
// error of the link.
int VYRAtomicFile::LinkUnnamed(const QByteArray &in_name)
{
    return QLLinkUnnamed(m_fd, in_name.constData()) == 0 ? 0 : errno;
}

int VYRAtomicFile::LinkNew()
{
    int rc = StillExpected();
    if (rc != VYR_SUCCESS)
        return rc;
    int error = 0;
    if (m_unnamed) {
        error = LinkUnnamed(m_target);
    } else if (QLRenameNoReplace(m_tempPath.constData(), m_target.constData()) == 0) {
        m_tempPath.clear();
    } else if (errno == EINVAL || errno == ENOSYS) {
        // No such rename on this file system: a hard link never replaces either.
        if (QLLinkFile(m_tempPath.constData(), m_target.constData()) != 0)
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
    if (QLRenameFile(m_tempPath.constData(), m_target.constData()) != 0)
        return MapErrno(errno, VYR_ERR_DESTINATION_CHANGED);
    m_tempPath.clear();
    return VYR_SUCCESS;
}
