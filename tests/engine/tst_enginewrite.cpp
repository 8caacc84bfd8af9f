// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The engine's file rotation at the destination: read-only files and folders, a full disk,
// a failing step, a vanished folder, links, mode, owner and group kept.
#include "enginerotatetest.h"

class TestEngineWrite : public QObject
{
    Q_OBJECT

private slots:
    void readOnlyDestination_data();
    void readOnlyDestination();
    void readOnlyForRootToo();
    void fullDiskLeavesOriginal();
    void failedStepLeavesDestination_data();
    void failedStepLeavesDestination();
    void vanishedFolderLeavesOriginal();
    void symlinkedDestinationKeepsLink();
    void modeAndOwnerKept();
    void groupKeptForWriterWhoIsNotOwner();
};

void TestEngineWrite::readOnlyDestination_data()
{
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<int>("fileMode"); // 0: the destination does not exist
    QTest::addColumn<int>("folderMode");
    QTest::newRow("file-0444") << false << 0444 << 0755;
    QTest::newRow("file-0444-in-place") << true << 0444 << 0755;
    QTest::newRow("folder-0555") << false << 0644 << 0555;
    QTest::newRow("folder-0555-new-file") << false << 0 << 0555;
}

void TestEngineWrite::readOnlyDestination()
{
    QFETCH(bool, inPlace);
    QFETCH(int, fileMode);
    QFETCH(int, folderMode);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("out"));
    const QString outDir = dir.filePath("out");
    const QString src = TestJpeg::Write(inPlace ? outDir : dir.path(), "a.jpg");
    const QString dst = inPlace ? src : outDir + "/a.jpg";
    if (!inPlace && fileMode)
        TestJpeg::WriteBytes(outDir, "a.jpg", "old contents");
    const QByteArray srcBytes = TestJpeg::ReadAll(src);
    const QByteArray dstBytes = TestJpeg::ReadAll(dst);
    if (fileMode)
        QCOMPARE(chmod(QFile::encodeName(dst).constData(), mode_t(fileMode)), 0);
    QCOMPARE(chmod(QFile::encodeName(outDir).constData(), mode_t(folderMode)), 0);

    const int rc = RotateFile(src, dst, VYR_ROTATE_90);
    chmod(QFile::encodeName(outDir).constData(), 0755);
    QCOMPARE(rc, int(VYR_ERR_READ_ONLY));
    QCOMPARE(TestJpeg::ReadAll(src), srcBytes);
    QCOMPARE(QFile::exists(dst), fileMode != 0);
    QCOMPARE(TestJpeg::ReadAll(dst), dstBytes);
    QCOMPARE(Leftovers(outDir, {"a.jpg"}), QStringList());
}

void TestEngineWrite::readOnlyForRootToo()
{
    // Root passes every permission check, so these must be seen for what they are.
    if (geteuid() != 0)
        QSKIP("needs root");
    QTemporaryDir dir;
    const QString src = TestJpeg::Write(dir.path(), "a.jpg");
    const QByteArray srcBytes = TestJpeg::ReadAll(src);

    // An immutable or append-only file.
    for (int flag : {int(FS_IMMUTABLE_FL), int(FS_APPEND_FL)}) {
        const QString dst = TestJpeg::WriteBytes(dir.path(), "locked.jpg", "old contents");
        const int fd = open(QFile::encodeName(dst).constData(), O_RDONLY);
        QVERIFY(fd >= 0);
        int flags = 0;
        const bool set = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                         (flags |= flag, ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
        const int rc = set ? RotateFile(src, dst, VYR_ROTATE_90) : 0;
        if (set) {
            flags &= ~flag;
            ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        close(fd);
        if (!set) {
            QVERIFY(QFile::remove(dst));
            continue; // no such flags here, or no right to set them
        }
        QCOMPARE(rc, int(VYR_ERR_READ_ONLY));
        QCOMPARE(TestJpeg::ReadAll(dst), QByteArray("old contents"));
        QVERIFY(QFile::remove(dst));
    }

    // A read-only mount.
    QVERIFY(QDir(dir.path()).mkdir("ro"));
    const QByteArray mp = QFile::encodeName(dir.filePath("ro"));
    if (mount("tmpfs", mp.constData(), "tmpfs", 0, "size=1m") != 0)
        QSKIP("cannot mount a tmpfs here");
    struct Unmount
    {
        QByteArray m_path;
        ~Unmount() { umount(m_path.constData()); }
    } unmount{mp};
    const QString dst = TestJpeg::WriteBytes(dir.filePath("ro"), "a.jpg", srcBytes);
    QCOMPARE(mount("tmpfs", mp.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=1m"), 0);
    QCOMPARE(RotateFile(src, dst, VYR_ROTATE_90), int(VYR_ERR_READ_ONLY));
    QCOMPARE(RotateFile(dst, dst, VYR_ROTATE_90), int(VYR_ERR_READ_ONLY));
    QCOMPARE(TestJpeg::ReadAll(dst), srcBytes);
    QCOMPARE(TestJpeg::ReadAll(src), srcBytes);
}

void TestEngineWrite::fullDiskLeavesOriginal()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("small"));
    const QString mountPoint = dir.filePath("small");
    const QByteArray mp = QFile::encodeName(mountPoint);
    Options o;
    o.width = 512;
    o.height = 512;
    o.quality = 98;
    const QByteArray bytes = TestJpeg::Build(o);
    // Room for the photo once, not for a second copy beside it.
    const QByteArray options =
        "size=" + QByteArray::number((bytes.size() * 3 / 2 + 4095) / 4096 * 4096);
    if (mount("tmpfs", mp.constData(), "tmpfs", 0, options.constData()) != 0)
        QSKIP("cannot mount a small tmpfs here");
    struct Unmount
    {
        QByteArray m_path;
        ~Unmount() { umount(m_path.constData()); }
    } unmount{mp};

    const QString src = TestJpeg::WriteBytes(mountPoint, "big.jpg", bytes);
    QVERIFY(!src.isEmpty());
    const QByteArray original = TestJpeg::ReadAll(src);
    QCOMPARE(original, bytes);

    QCOMPARE(RotateFile(src, src, VYR_ROTATE_90), int(VYR_ERR_DISK_FULL));
    QCOMPARE(TestJpeg::ReadAll(src), original);
    QCOMPARE(Leftovers(mountPoint, {"big.jpg"}), QStringList());
}

void TestEngineWrite::failedStepLeavesDestination_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<int>("expected");
    QTest::newRow("damaged-source") << int(Failure::DamagedSource) << int(VYR_ERR_FILE_DAMAGED);
    QTest::newRow("finish-refuses") << int(Failure::FinishRefuses) << int(VYR_ERR_FINISH);
    QTest::newRow("finish-damages-data")
        << int(Failure::FinishDamagesData) << int(VYR_ERR_TRANSFORM);
    QTest::newRow("finish-changes-tables")
        << int(Failure::FinishChangesTables) << int(VYR_ERR_TRANSFORM);
    QTest::newRow("file-size-limit") << int(Failure::FileSizeLimit) << int(VYR_ERR_FILE_WRITE);
    QTest::newRow("folder-vanishes")
        << int(Failure::FolderVanishes) << int(VYR_ERR_DESTINATION_CHANGED);
}

void TestEngineWrite::failedStepLeavesDestination()
{
    QFETCH(int, failure);
    QFETCH(int, expected);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("out"));
    const QString outDir = dir.filePath("out");
    Options o;
    o.width = 256;
    o.height = 192;
    o.exif = TestJpeg::Exif::Intel;
    if (Failure(failure) == Failure::DamagedSource)
        o.truncateAt = TestJpeg::Build(o).size() - 500;
    const QString src = TestJpeg::Write(dir.path(), "a.jpg", o);
    o.truncateAt = -1;
    o.seed = 2;
    const QString dst = TestJpeg::Write(outDir, "a.jpg", o); // an earlier result
    const QByteArray srcBytes = TestJpeg::ReadAll(src);
    const QByteArray dstBytes = TestJpeg::ReadAll(dst);
    FinishPlan plan{Failure(failure), outDir};
    const VYRRotateFinish finish{&Finish, &plan, true};

    int rc = 0;
    if (Failure(failure) == Failure::FileSizeLimit) {
        // The limit applies to the process: a child takes it, with the signal that would end
        // it ignored, so the write itself fails.
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const struct rlimit limit = {4096, 4096};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                _exit(99);
            const int result =
                VYRDefaultEngine().RotateFile(src, dst, VYR_ROTATE_90, 0, 0, 0, &finish);
            _exit(result < 0 ? -result : 0);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) != 99);
        rc = -WEXITSTATUS(status);
    } else {
        rc = VYRDefaultEngine().RotateFile(src, dst, VYR_ROTATE_90, 0, 0, 0, &finish);
    }
    QCOMPARE(rc, expected);
    QCOMPARE(TestJpeg::ReadAll(src), srcBytes);
    if (Failure(failure) == Failure::FolderVanishes) {
        // The earlier result went with its folder, untouched.
        QCOMPARE(TestJpeg::ReadAll(outDir + "-moved/a.jpg"), dstBytes);
        return;
    }
    QCOMPARE(TestJpeg::ReadAll(dst), dstBytes);
    QCOMPARE(Leftovers(outDir, {"a.jpg"}), QStringList());
}

void TestEngineWrite::vanishedFolderLeavesOriginal()
{
    QTemporaryDir dir;
    const QString src = TestJpeg::Write(dir.path(), "a.jpg");
    const QByteArray original = TestJpeg::ReadAll(src);
    QCOMPARE(RotateFile(src, dir.filePath("gone/a.jpg"), VYR_ROTATE_90),
             int(VYR_ERR_FOLDER_NOT_FOUND));
    // A link that points into a folder that no longer exists.
    QVERIFY(QFile::link(dir.filePath("gone/b.jpg"), dir.filePath("link.jpg")));
    QVERIFY(RotateFile(src, dir.filePath("link.jpg"), VYR_ROTATE_90) < 0);
    QCOMPARE(TestJpeg::ReadAll(src), original);
    QVERIFY(QFileInfo(dir.filePath("link.jpg")).isSymLink());
    QCOMPARE(Leftovers(dir.path(), {"a.jpg", "link.jpg"}), QStringList());
}

void TestEngineWrite::symlinkedDestinationKeepsLink()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("real"));
    const QString target = TestJpeg::Write(dir.filePath("real"), "photo.jpg");
    const QImage before = TestJpeg::Decode(target);
    const QString link = dir.filePath("photo.jpg");
    QVERIFY(QFile::link("real/photo.jpg", link)); // relative, as links often are

    QCOMPARE(RotateFile(link, link, VYR_ROTATE_90), int(VYR_SUCCESS));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(link).symLinkTarget(), QFileInfo(target).absoluteFilePath());
    QCOMPARE(TestJpeg::Decode(target).size(), QSize(before.height(), before.width()));
    QCOMPARE(Leftovers(dir.path(), {"real", "photo.jpg"}), QStringList());
    QCOMPARE(Leftovers(dir.filePath("real"), {"photo.jpg"}), QStringList());
}

void TestEngineWrite::modeAndOwnerKept()
{
    QTemporaryDir dir;
    const QString src = TestJpeg::Write(dir.path(), "a.jpg");
    const QByteArray srcName = QFile::encodeName(src);
    QCOMPARE(chmod(srcName.constData(), 0604), 0);

    // A new destination takes the source's mode.
    const QString fresh = dir.filePath("fresh.jpg");
    QCOMPARE(RotateFile(src, fresh, VYR_ROTATE_90), int(VYR_SUCCESS));
    struct stat st;
    QCOMPARE(stat(QFile::encodeName(fresh).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 07777), 0604);

    // A replaced destination keeps its own mode, owner and group.
    const QString kept = TestJpeg::WriteBytes(dir.path(), "kept.jpg", "old");
    const QByteArray keptName = QFile::encodeName(kept);
    QCOMPARE(chmod(keptName.constData(), 0640), 0);
    const bool root = geteuid() == 0;
    if (root)
        QCOMPARE(chown(keptName.constData(), 1234, 5678), 0);
    QCOMPARE(RotateFile(src, kept, VYR_ROTATE_180), int(VYR_SUCCESS));
    QCOMPARE(stat(keptName.constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 07777), 0640);
    if (root) {
        QCOMPARE(int(st.st_uid), 1234);
        QCOMPARE(int(st.st_gid), 5678);
    }
    QVERIFY(TestJpeg::ReadAll(kept).startsWith("\xFF\xD8"));
}

void TestEngineWrite::groupKeptForWriterWhoIsNotOwner()
{
    // A group member who may write another user's photo cannot give the result back to its
    // owner, but keeps its group: the rest of the group must not lose access to it.
    if (geteuid() != 0)
        QSKIP("needs root to set up another user's file");
    QTemporaryDir dir;
    QCOMPARE(chmod(QFile::encodeName(dir.path()).constData(), 0711), 0);
    QVERIFY(QDir(dir.path()).mkdir("shared"));
    const QString shared = dir.filePath("shared");
    QCOMPARE(chmod(QFile::encodeName(shared).constData(), 0777), 0);
    const QString src = TestJpeg::Write(shared, "a.jpg");
    const QByteArray srcName = QFile::encodeName(src);
    QCOMPARE(chmod(srcName.constData(), 0664), 0);
    QCOMPARE(chown(srcName.constData(), 1234, 5678), 0);

    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        const gid_t groups[] = {5678};
        const bool dropped = setgroups(1, groups) == 0 && setgid(65534) == 0 && setuid(65534) == 0;
        if (!dropped)
            _exit(2);
        _exit(RotateFile(src, src, VYR_ROTATE_90) == VYR_SUCCESS ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2)
        QSKIP("cannot take on another user's identity here");
    QCOMPARE(WEXITSTATUS(status), 0);
    struct stat st;
    QCOMPARE(stat(srcName.constData(), &st), 0);
    QCOMPARE(int(st.st_uid), 65534);
    QCOMPARE(int(st.st_gid), 5678);
    QCOMPARE(int(st.st_mode & 07777), 0664);
    QCOMPARE(Leftovers(shared, {"a.jpg"}), QStringList());
}

QTEST_GUILESS_MAIN(TestEngineWrite)
#include "tst_enginewrite.moc"
