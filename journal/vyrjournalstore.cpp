// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrjournalstore.h"

#include "qlfs.h"
#include "vyrsha256.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace VYRJournalStore {

namespace {

QByteArray Encoded(const QString &in_path)
{
    return QFile::encodeName(in_path);
}

// A copy for file systems without hard links (FAT on memory cards), flushed before it counts.
bool CopyDurably(const QString &in_from, const QString &in_to)
{
    QFile from(in_from);
    if (!from.open(QIODevice::ReadOnly))
        return false;
    const int fd = QLOpenFile(Encoded(in_to).constData(),
                              QL_OPEN_WRITE | QL_OPEN_CREATE | QL_OPEN_EXCLUSIVE, 0600);
    if (fd < 0)
        return false;
    bool ok = true;
    QByteArray chunk;
    while (ok && !(chunk = from.read(1 << 20)).isEmpty())
        ok = QLWriteAll(fd, chunk.constData(), chunk.size());
    ok = ok && from.error() == QFileDevice::NoError && QLSyncFile(fd) == 0;
    ok = QLCloseFile(fd) == 0 && ok;
    if (!ok)
        QLRemoveFile(Encoded(in_to).constData());
    return ok;
}

bool LinkFollowing(const QString &in_from, const QString &in_to, int *out_pErrno)
{
    if (QLLinkFile(Encoded(in_from).constData(), Encoded(in_to).constData()) == 0)
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
        rc = QLLockFile(m_fd, in_exclusive ? QLFileLock::Exclusive : QLFileLock::Shared);
    while (rc != 0 && errno == EINTR);
    m_held = rc == 0;
}

FileLock::~FileLock()
{
    if (m_held)
        QLLockFile(m_fd, QLFileLock::Release);
}

bool SyncFolder(const QString &in_folder)
{
    return QLSyncFolder(Encoded(in_folder).constData());
}

bool ReadLines(const QString &in_path, qint64 in_offset, QList<QByteArray> *out_pLines,
               qint64 *out_pEnd, uint64_t *out_pInode)
{
    out_pLines->clear();
    *out_pEnd = in_offset;
    const int fd = QLOpenFile(Encoded(in_path).constData(), QL_OPEN_READ);
    if (fd < 0)
        return false;
    QLFileFacts st;
    if (QLStatOpen(fd, &st) != 0) {
        QLCloseFile(fd);
        return false;
    }
    *out_pInode = st.inode;
    QByteArray data;
    if (st.size > in_offset) {
        data.resize(qsizetype(st.size - in_offset));
        data.truncate(qsizetype(QLReadAt(fd, data.data(), data.size(), in_offset)));
    }
    QLCloseFile(fd);
    qsizetype start = 0;
    for (qsizetype nl; (nl = data.indexOf('\n', start)) >= 0; start = nl + 1)
        out_pLines->append(data.mid(start, nl - start));
    *out_pEnd = in_offset + start;
    return true;
}

bool AppendLine(const QString &in_path, qint64 in_end, const QByteArray &in_line, bool in_durable)
{
    const int fd = QLOpenFile(Encoded(in_path).constData(), QL_OPEN_WRITE);
    if (fd < 0)
        return false;
    QLFileFacts st;
    bool ok = QLStatOpen(fd, &st) == 0 && (st.size == in_end || QLTruncateFile(fd, in_end) == 0);
    const QByteArray line = in_line + '\n';
    if (ok && QLSeekTo(fd, in_end) == in_end) {
        ok = QLWriteAll(fd, line.constData(), line.size()) && (!in_durable || QLSyncData(fd) == 0);
        if (!ok && QLTruncateFile(fd, in_end) == 0)
            QLSyncData(fd);
    } else {
        ok = false;
    }
    return QLCloseFile(fd) == 0 && ok;
}

bool ReplaceFile(const QString &in_path, const QByteArray &in_data)
{
    const QString temp = in_path + QStringLiteral(".new");
    const int fd = QLOpenFile(Encoded(temp).constData(),
                              QL_OPEN_WRITE | QL_OPEN_CREATE | QL_OPEN_TRUNCATE, 0600);
    if (fd < 0)
        return false;
    bool ok = QLWriteAll(fd, in_data.constData(), in_data.size()) && QLSyncFile(fd) == 0;
    ok = QLCloseFile(fd) == 0 && ok;
    ok = ok && QLRenameFile(Encoded(temp).constData(), Encoded(in_path).constData()) == 0;
    if (!ok) {
        QLRemoveFile(Encoded(temp).constData());
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
    QLRemoveFile(Encoded(in_kept).constData());
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
    QLFileFacts st;
    if (QLStatPath(Encoded(in_path).constData(), &st) == 0) {
        id.m_dev = st.device;
        id.m_ino = st.inode;
        id.m_size = st.size;
        id.m_mtimeNs = qint64(st.mtimeSec) * 1000000000 + st.mtimeNsec;
    }
    return id;
}

} // namespace VYRJournalStore
