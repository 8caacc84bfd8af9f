// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// A folder tree with everything a walk cannot hand out as a photo: a file whose name is not
// valid UTF-8, a folder nobody but its owner may read, files that are no JPEG (text, empty),
// and a chain of folders that ends in one photo whose path is PATH_MAX - 1 bytes (still
// reachable) beside one whose path is PATH_MAX bytes (not). Made by their bytes, with the
// *at() calls, since no text path reaches that deep.
#pragma once

#include "testjpeg.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace UnreachableTree {

inline constexpr char kBadName[] = "caf\xE9.jpg";       // Latin-1, as an old camera tool writes
inline constexpr char kBadNameShown[] = "caf\\xE9.jpg"; // how Veyra shows it
inline constexpr char kLocked[] = "private/locked";     // mode 000, holds one photo

inline bool WriteAt(int in_dirFd, const QByteArray &in_name, const QByteArray &in_bytes)
{
    const int fd = ::openat(in_dirFd, in_name.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool written =
        ::write(fd, in_bytes.constData(), size_t(in_bytes.size())) == ssize_t(in_bytes.size());
    return ::close(fd) == 0 && written;
}

struct Tree
{
    QString m_deepFolder; // the last folder of the chain
    QString m_reachable;  // its photo of PATH_MAX - 1 bytes (Orientation 6)
    QString m_tooLong;    // its photo of PATH_MAX bytes
};

// Makes the tree in in_root (made readable to every user, for a test that drops its
// privileges). Returns false when a part could not be made.
inline bool Make(const QString &in_root, Tree *out_pTree)
{
    if (::chmod(QFile::encodeName(in_root).constData(), 0755) != 0)
        return false;
    TestJpeg::Options turn;
    turn.exif = TestJpeg::Exif::Intel;
    turn.orientation = 6;
    const QByteArray photo = TestJpeg::Build(turn);
    QDir root(in_root);
    if (photo.isEmpty() || TestJpeg::Write(in_root, "good.jpg").isEmpty() ||
        TestJpeg::WriteBytes(in_root, "text.jpg", "just some notes\n").isEmpty() ||
        TestJpeg::WriteEmpty(in_root, "empty.jpg").isEmpty() || !root.mkpath(kLocked) ||
        TestJpeg::Write(root.filePath(kLocked), "hidden.jpg").isEmpty() ||
        ::chmod(QFile::encodeName(root.filePath(kLocked)).constData(), 0) != 0)
        return false;
    const int rootFd = ::open(QFile::encodeName(in_root).constData(), O_RDONLY | O_DIRECTORY);
    bool made = rootFd >= 0 && WriteAt(rootFd, kBadName, photo);

    // Folders of 200 bytes until a name of 38 to 238 bytes ends the path at the limit; the
    // deep folder leaves room for the temporary file a turn writes beside its photo.
    QString folder = in_root;
    int fd = ::dup(rootFd);
    const QByteArray level(200, 'd');
    while (made && QFile::encodeName(folder).size() + 1 + level.size() <= PATH_MAX - 40) {
        made = ::mkdirat(fd, level.constData(), 0755) == 0;
        const int next = ::openat(fd, level.constData(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        folder += QLatin1Char('/') + QString::fromLatin1(level);
        made = made && fd >= 0;
    }
    const int room = PATH_MAX - 1 - int(QFile::encodeName(folder).size()) - 1;
    const QByteArray reachable = QByteArray(room - 4, 'r') + ".jpg";
    const QByteArray tooLong = QByteArray(room - 3, 't') + ".jpg";
    made = made && WriteAt(fd, reachable, photo) && WriteAt(fd, tooLong, photo);
    if (fd >= 0)
        ::close(fd);
    if (rootFd >= 0)
        ::close(rootFd);
    out_pTree->m_deepFolder = folder;
    out_pTree->m_reachable = folder + QLatin1Char('/') + QString::fromLatin1(reachable);
    out_pTree->m_tooLong = folder + QLatin1Char('/') + QString::fromLatin1(tooLong);
    return made;
}

// Empties in_dirFd's folder by file descriptors (a text path cannot reach the deep end) and
// closes it.
inline void RemoveContents(int in_dirFd)
{
    DIR *dir = ::fdopendir(in_dirFd);
    if (!dir) {
        ::close(in_dirFd);
        return;
    }
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        ::fchmodat(in_dirFd, entry->d_name, 0755, 0);
        const int child = ::openat(in_dirFd, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
        if (child >= 0) {
            RemoveContents(child);
            ::unlinkat(in_dirFd, entry->d_name, AT_REMOVEDIR);
        } else {
            ::unlinkat(in_dirFd, entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

// Removes what Make made, so that the temporary folder can go.
inline void Remove(const QString &in_root)
{
    const int fd = ::open(QFile::encodeName(in_root).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0)
        RemoveContents(fd);
}

// The uid of an unprivileged user when this process runs as root (which reads every folder),
// else -1: the current user already cannot read the locked folder.
inline int UnprivilegedUid()
{
    if (::geteuid() != 0)
        return -1;
    const passwd *nobody = ::getpwnam("nobody");
    return nobody ? int(nobody->pw_uid) : 65534;
}

// Runs the scope as in_uid (when not -1) for this whole process, threads included, then as
// root again: for a walk inside the test process.
class EffectiveUser
{
public:
    explicit EffectiveUser(int in_uid) : m_changed(in_uid >= 0 && ::seteuid(uid_t(in_uid)) == 0) {}
    ~EffectiveUser()
    {
        if (m_changed)
            (void)::seteuid(0);
    }
    EffectiveUser(const EffectiveUser &) = delete;
    EffectiveUser &operator=(const EffectiveUser &) = delete;

private:
    bool m_changed;
};

} // namespace UnreachableTree
