// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The file-system and process seams: the flags reach the system, errno comes back through the
// wrappers, and the facts say what the file is.
#include "qlfs.h"
#include "qlprocess.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <csignal>
#include <sys/stat.h>

namespace {

QByteArray Make(const QTemporaryDir &in_dir, const char *in_name, const QByteArray &in_bytes)
{
    const QByteArray path = QFile::encodeName(in_dir.filePath(QString::fromLatin1(in_name)));
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::WriteOnly) && file.write(in_bytes) == in_bytes.size()
               ? path
               : QByteArray();
}

} // namespace

class TestQLFs : public QObject
{
    Q_OBJECT

private slots:
    void failuresKeepErrnoAndLeaveFactsAlone()
    {
        QTemporaryDir dir;
        const QByteArray file = Make(dir, "a", "abc");
        const QByteArray missing = QFile::encodeName(dir.filePath("none"));
        QLFileFacts facts;
        facts.size = 77;
        errno = 0;
        QCOMPARE(QLStatPath(missing.constData(), &facts), -1);
        QCOMPARE(errno, ENOENT);
        QCOMPARE(facts.size, int64_t(77));
        errno = 0;
        QCOMPARE(QLOpenFile(missing.constData(), QL_OPEN_READ), -1);
        QCOMPARE(errno, ENOENT);
        QCOMPARE(QLStatStream(nullptr, &facts), -1);
        QCOMPARE(errno, EBADF);
        QCOMPARE(
            QLOpenFile(file.constData(), QL_OPEN_WRITE | QL_OPEN_CREATE | QL_OPEN_EXCLUSIVE, 0600),
            -1);
        QCOMPARE(errno, EEXIST);
        QCOMPARE(QLOpenFile(file.constData(), QL_OPEN_READ | QL_OPEN_FOLDER), -1);
        QCOMPARE(errno, ENOTDIR);
        // A read-only descriptor really is one: the flag bits are not lost on the way.
        const int fd = QLOpenFile(file.constData(), QL_OPEN_READ);
        QVERIFY(fd >= 0);
        QVERIFY(!QLWriteAll(fd, "x", 1));
        QCOMPARE(errno, EBADF);
        QCOMPARE(QLCloseFile(fd), 0);
    }

    void noFollowNoBlockAndKinds()
    {
        QTemporaryDir dir;
        const QByteArray file = Make(dir, "photo.jpg", QByteArray(1000, 'p'));
        const QByteArray link = QFile::encodeName(dir.filePath("link.jpg"));
        const QByteArray fifo = QFile::encodeName(dir.filePath("fifo"));
        QVERIFY(QFile::link(QFile::decodeName(file), QFile::decodeName(link)));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);

        errno = 0;
        QCOMPARE(QLOpenFile(link.constData(), QL_OPEN_READ | QL_OPEN_NO_FOLLOW), -1);
        QCOMPARE(errno, ELOOP);
        // A FIFO without a writer: the open returns at once, and the facts say what it is.
        const int fd = QLOpenFile(fifo.constData(), QL_OPEN_READ | QL_OPEN_NO_BLOCK);
        QVERIFY(fd >= 0);
        QLFileFacts facts;
        QCOMPARE(QLStatOpen(fd, &facts), 0);
        QCOMPARE(facts.kind, QLFileKind::Other);
        QLCloseFile(fd);

        QLFileFacts viaLink, itself, linkItself;
        QCOMPARE(QLStatPath(link.constData(), &viaLink), 0);
        QCOMPARE(QLStatPath(file.constData(), &itself), 0);
        QCOMPARE(QLStatLink(link.constData(), &linkItself), 0);
        QCOMPARE(viaLink.kind, QLFileKind::Regular);
        QCOMPARE(viaLink.size, int64_t(1000));
        QCOMPARE(viaLink.inode, itself.inode);
        QCOMPARE(viaLink.device, itself.device);
        QCOMPARE(linkItself.kind, QLFileKind::Link);
        QVERIFY(linkItself.inode != itself.inode);

        // Times to the nanosecond, both ways in.
        const int out = QLOpenFile(file.constData(), QL_OPEN_WRITE);
        QCOMPARE(QLSetFileModified(out, 1600000000, 123456789), 0);
        QCOMPARE(QLSetFileMode(out, 0640), 0);
        QLCloseFile(out);
        QCOMPARE(QLStatPath(file.constData(), &itself), 0);
        QCOMPARE(itself.mtimeSec, int64_t(1600000000));
        QCOMPARE(itself.mtimeNsec, 123456789L);
        QCOMPARE(itself.permissions, 0640u);
        QCOMPARE(QLSetPathTimes(file.constData(), 1500000000, 5, 1500000001, 6), 0);
        QCOMPARE(QLStatPath(file.constData(), &itself), 0);
        QCOMPARE(itself.atimeSec, int64_t(1500000000));
        QCOMPARE(itself.mtimeNsec, 6L);
    }

    void folderReaderListsEveryNameOnce()
    {
        QTemporaryDir dir;
        Make(dir, "a", "1");
        Make(dir, ".hidden", "2");
        QVERIFY(QFile::link(dir.filePath("a"), dir.filePath("l")));
        QLFolderReader reader(QFile::encodeName(dir.path()).constData());
        QVERIFY(reader.IsOpen());
        QSet<QByteArray> names;
        QLFileKind kind = QLFileKind::Other;
        while (const char *name = reader.Next(&kind)) {
            QVERIFY(!names.contains(name));
            names.insert(name);
            if (QByteArray(name) == "l") {
                QVERIFY(kind == QLFileKind::Link || kind == QLFileKind::Unknown);
                QLFileFacts followed;
                QCOMPARE(QLStatInFolder(reader.Fd(), name, true, &followed), 0);
                QCOMPARE(followed.kind, QLFileKind::Regular);
            }
        }
        QCOMPARE(errno, 0); // the end, not a failure
        QCOMPARE(names, (QSet<QByteArray>{".", "..", "a", ".hidden", "l"}));
        QCOMPARE(QLCheckSearchable(reader.Fd()), 0);

        QLFolderReader missing(QFile::encodeName(dir.filePath("none")).constData());
        QVERIFY(!missing.IsOpen());
        QCOMPARE(errno, ENOENT);
        QCOMPARE(missing.Fd(), -1);
        QCOMPARE(missing.Next(), nullptr);
    }

    void locksAndNamesThatNeverReplace()
    {
        QTemporaryDir dir;
        const QByteArray a = Make(dir, "a", "a");
        const QByteArray b = Make(dir, "b", "b");
        const int first = QLOpenFile(a.constData(), QL_OPEN_READ_WRITE);
        const int second = QLOpenFile(a.constData(), QL_OPEN_READ_WRITE);
        QCOMPARE(QLLockFile(first, QLFileLock::Exclusive), 0);
        QCOMPARE(QLLockFile(second, QLFileLock::TryExclusive), -1);
        QCOMPARE(errno, EWOULDBLOCK);
        QCOMPARE(QLLockFile(first, QLFileLock::Release), 0);
        QCOMPARE(QLLockFile(second, QLFileLock::TryExclusive), 0);
        QLCloseFile(first);
        QLCloseFile(second);

        const int rc = QLRenameNoReplace(a.constData(), b.constData());
        QCOMPARE(rc, -1); // never over b: EEXIST, or the file system cannot do it at all
        QVERIFY(errno == EEXIST || errno == EINVAL || errno == ENOSYS);
        QCOMPARE(QLLinkFile(a.constData(), b.constData()), -1);
        QCOMPARE(errno, EEXIST);

        const int unnamed = QLCreateUnnamed(QFile::encodeName(dir.path()).constData());
        if (unnamed < 0) {
            QCOMPARE(errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL, true);
            return;
        }
        QVERIFY(QLWriteAll(unnamed, "new", 3));
        QCOMPARE(QLLinkUnnamed(unnamed, b.constData()), -1);
        QCOMPARE(errno, EEXIST);
        const QByteArray c = QFile::encodeName(dir.filePath("c"));
        QCOMPARE(QLLinkUnnamed(unnamed, c.constData()), 0);
        char back[4] = {};
        QCOMPARE(QLReadAt(unnamed, back, 3, 0), int64_t(3));
        QCOMPARE(QByteArray(back), QByteArray("new"));
        QLCloseFile(unnamed);
        QFile linked(QFile::decodeName(c));
        QVERIFY(linked.open(QIODevice::ReadOnly));
        QCOMPARE(linked.readAll(), QByteArray("new"));
    }

    void stopSignalsOnlySetTheFlagAndGoBack()
    {
        struct sigaction before = {};
        QCOMPARE(sigaction(SIGPIPE, nullptr, &before), 0);
        std::atomic<bool> flag{false};
        QLCatchStopSignals(&flag);
        QCOMPARE(std::raise(SIGTERM), 0); // would end the test without the handler
        QVERIFY(flag.load());
        QCOMPARE(std::raise(SIGPIPE), 0);
        QLReleaseStopSignals();
        // What was there before is back.
        struct sigaction now = {};
        QCOMPARE(sigaction(SIGPIPE, nullptr, &now), 0);
        QVERIFY(now.sa_handler == before.sa_handler);
        QVERIFY(!QLIsTerminal(nullptr));
        QTemporaryDir dir;
        FILE *file = std::fopen(Make(dir, "t", "").constData(), "r");
        QVERIFY(file && !QLIsTerminal(file));
        std::fclose(file);
    }
};

QTEST_GUILESS_MAIN(TestQLFs)
#include "tst_qlfs.moc"
