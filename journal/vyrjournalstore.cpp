// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrjournalstore.h"

#include "vyrsha256.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace VYRJournalStore {

namespace {

QByteArray Encoded(const QString &in_path)
{
    return QFile::encodeName(in_path);
}

bool WriteAll(int in_fd, const char *in_pData, qint64 in_size)
{
    qint64 done = 0;
    while (done < in_size) {
        const ssize_t n = write(in_fd, in_pData + done, size_t(in_size - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += n;
    }
    return true;
}

// A copy for file systems without hard links (FAT on memory cards), flushed before it counts.
bool CopyDurably(const QString &in_from, const QString &in_to)
{
    QFile from(in_from);
    if (!from.open(QIODevice::ReadOnly))
        return false;
    const int fd = open(Encoded(in_to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = true;
    QByteArray chunk;
    while (ok && !(chunk = from.read(1 << 20)).isEmpty())
        ok = WriteAll(fd, chunk.constData(), chunk.size());
    ok = ok && from.error() == QFileDevice::NoError && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok)
        unlink(Encoded(in_to).constData());
    return ok;
}

bool LinkFollowing(const QString &in_from, const QString &in_to, int *out_pErrno)
{
    if (linkat(AT_FDCWD, Encoded(in_from).constData(), AT_FDCWD, Encoded(in_to).constData(),
               AT_SYMLINK_FOLLOW) == 0)
        return true;
    *out_pErrno = errno;
    return false;
}

} // namespace

FileLock::FileLock(int in_fd, bool in_exclusive) : m_fd(in_fd), m_held(false)
{
    if (m_fd < 0)
        return;
    int rc;
    do
        rc = flock(m_fd, in_exclusive ? LOCK_EX : LOCK_SH);
    while (rc != 0 && errno == EINTR);
    m_held = rc == 0;
}

FileLock::~FileLock()
{
    if (m_held)
        flock(m_fd, LOCK_UN);
}

bool SyncFolder(const QString &in_folder)
{
    const int fd = open(Encoded(in_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

bool ReadLines(const QString &in_path, qint64 in_offset, QList<QByteArray> *out_pLines,
               qint64 *out_pEnd, ino_t *out_pInode)
{
    out_pLines->clear();
    *out_pEnd = in_offset;
    const int fd = open(Encoded(in_path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (fstat(fd, &st) != 0) {
        close(fd);
        return false;
    }
    *out_pInode = st.st_ino;
    QByteArray data;
    if (st.st_size > in_offset) {
        data.resize(qsizetype(st.st_size - in_offset));
        qint64 done = 0;
        while (done < data.size()) {
            const ssize_t n =
                pread(fd, data.data() + done, size_t(data.size() - done), off_t(in_offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += n;
        }
        data.truncate(qsizetype(done));
    }
    close(fd);
    qsizetype start = 0;
    for (qsizetype nl; (nl = data.indexOf('\n', start)) >= 0; start = nl + 1)
        out_pLines->append(data.mid(start, nl - start));
    *out_pEnd = in_offset + start;
    return true;
}

bool AppendLine(const QString &in_path, qint64 in_end, const QByteArray &in_line, bool in_durable)
{
    const int fd = open(Encoded(in_path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && (st.st_size == in_end || ftruncate(fd, in_end) == 0);
    const QByteArray line = in_line + '\n';
    if (ok && lseek(fd, in_end, SEEK_SET) == in_end) {
        ok = WriteAll(fd, line.constData(), line.size()) && (!in_durable || fdatasync(fd) == 0);
        if (!ok && ftruncate(fd, in_end) == 0)
            fdatasync(fd);
    } else {
        ok = false;
    }
    return close(fd) == 0 && ok;
}

bool ReplaceFile(const QString &in_path, const QByteArray &in_data)
{
    const QString temp = in_path + QStringLiteral(".new");
    const int fd = open(Encoded(temp).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, in_data.constData(), in_data.size()) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(Encoded(temp).constData(), Encoded(in_path).constData()) == 0;
    if (!ok) {
        unlink(Encoded(temp).constData());
        return false;
    }
    return SyncFolder(QFileInfo(in_path).absolutePath());
}

QString KeepFile(const QString &in_path, const QString &in_keptFolder, const QString &in_name,
                 KeepKind *out_pKind)
{
    const QString inJournal = in_keptFolder + QLatin1Char('/') + in_name;
    int err = 0;
    if (LinkFollowing(in_path, inJournal, &err)) {
        *out_pKind = KeepKind::Linked;
        return SyncFolder(in_keptFolder) ? inJournal : (ReleaseFile(inJournal), QString());
    }
    if (err == EXDEV) {
        // Another file system: a link beside the photo still costs no copy, and the atomic
        // write proves that folder is writable. The browse skips hidden folders.
        const QString target = QFileInfo(in_path).canonicalFilePath();
        const QString beside = QFileInfo(target).absolutePath() + QStringLiteral("/.veyra-kept");
        const QString name = beside + QLatin1Char('/') + in_name;
        if (!target.isEmpty() && (QDir().mkpath(beside)) && LinkFollowing(target, name, &err)) {
            *out_pKind = KeepKind::Beside;
            if (SyncFolder(beside) && SyncFolder(QFileInfo(beside).absolutePath()))
                return name;
            ReleaseFile(name);
            return QString();
        }
        QDir().rmdir(beside);
    }
    if (err != EXDEV && err != EPERM && err != EMLINK && err != EOPNOTSUPP)
        return QString(); // the photo cannot be read or the journal written: no turn then
    if (!CopyDurably(in_path, inJournal) || !SyncFolder(in_keptFolder))
        return QString();
    *out_pKind = KeepKind::Copied;
    return inJournal;
}

void ReleaseFile(const QString &in_kept)
{
    if (in_kept.isEmpty())
        return;
    unlink(Encoded(in_kept).constData());
    const QFileInfo info(in_kept);
    if (info.absolutePath().endsWith(QStringLiteral("/.veyra-kept")))
        QDir().rmdir(info.absolutePath()); // fails, as it should, while others are kept there
}

QByteArray DigestFile(const QString &in_path, qint64 *out_pSize, QByteArray *out_pData)
{
    QFile file(in_path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return QByteArray();
    if (out_pSize)
        *out_pSize = data.size();
    if (out_pData)
        *out_pData = data;
    return VYRSha256(data);
}

Identity IdentityOf(const QString &in_path)
{
    Identity id;
    struct stat st;
    if (stat(Encoded(in_path).constData(), &st) == 0) {
        id.m_dev = st.st_dev;
        id.m_ino = st.st_ino;
        id.m_size = st.st_size;
        id.m_mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    }
    return id;
}

} // namespace VYRJournalStore
