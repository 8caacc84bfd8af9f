// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Lossless file rotation of the engine: correct pixels, markers kept, nothing written on any
// failure, and the destination's link, mode and owner kept.
#include "qltrace.h"
#include "testjpeg.h"
#include "testjpeg_codec.h"
#include "tracecollector.h"
#include "vyrengine.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using TestJpeg::Options;
using TestJpeg::Sampling;

// These cases are about the write itself: a destination that is another file may be replaced
// (tst_safewrite holds the refusal without that permission).
int RotateFile(const QString &in_source, const QString &in_destination, int in_code)
{
    VYRRotateOptions options;
    options.m_allowReplace = true;
    return VYRDefaultEngine().RotateFile(in_source, in_destination, in_code, 0, 0, 0, &options);
}

int AngleOf(int in_code)
{
    return in_code == VYR_ROTATE_90 ? 90 : in_code == VYR_ROTATE_180 ? 180 : 270;
}

// Entries of a folder other than the given names: a temporary file left behind shows here.
QStringList Leftovers(const QString &in_dir, const QStringList &in_expected)
{
    QStringList names =
        QDir(in_dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : in_expected)
        names.removeAll(name);
    return names;
}

// The segments that must survive a rotation byte for byte: every APPn (the JFIF APP0 too)
// and comments.
QList<QPair<quint16, QByteArray>> KeptSegments(const QString &in_path)
{
    QList<QPair<quint16, QByteArray>> kept;
    for (const TestJpeg::Segment &s : TestJpeg::SegmentsOfFile(in_path)) {
        const bool app = s.marker >= 0xFFE0 && s.marker <= 0xFFEF;
        if (app || s.marker == 0xFFFE)
            kept.append({s.marker, s.payload});
    }
    return kept;
}

bool HasMarker(const QString &in_path, quint16 in_marker)
{
    for (const TestJpeg::Segment &s : TestJpeg::SegmentsOfFile(in_path)) {
        if (s.marker == in_marker)
            return true;
    }
    return false;
}

// How a step of the rotation is made to fail, through real conditions or the finishing step.
enum class Failure
{
    DamagedSource,
    FinishRefuses,
    FinishDamagesData,   // the result no longer decodes cleanly
    FinishChangesTables, // it decodes cleanly, to other coefficients than were turned
    FileSizeLimit,
    FolderVanishes,
};

struct FinishPlan
{
    Failure m_failure;
    QString m_folder; // the destination's folder
};

bool Finish(uint8_t *inout_pData, size_t in_size, void *in_pUserData)
{
    const auto *plan = static_cast<const FinishPlan *>(in_pUserData);
    const QByteArray view =
        QByteArray::fromRawData(reinterpret_cast<const char *>(inout_pData), qsizetype(in_size));
    switch (plan->m_failure) {
    case Failure::FinishRefuses:
        return false;
    case Failure::FinishDamagesData: {
        // Stuffed 0xFF bytes: runs of 1 bits that are no Huffman code.
        const qsizetype start = TestJpegCodec::ScanDataOffset(view);
        const qsizetype middle = start + (qsizetype(in_size) - start) / 2;
        for (qsizetype i = middle; i < middle + 32; i += 2) {
            inout_pData[i] = 0xFF;
            inout_pData[i + 1] = 0;
        }
        return true;
    }
    case Failure::FinishChangesTables: {
        const qsizetype dqt = view.indexOf("\xFF\xDB");
        if (dqt >= 0)
            ++inout_pData[dqt + 6]; // the first table's second value
        return true;
    }
    case Failure::FolderVanishes:
        return QDir().rename(plan->m_folder, plan->m_folder + "-moved");
    default:
        return true;
    }
}

} // namespace

class TestEngineRotate : public QObject
{
    Q_OBJECT

private slots:
    void turnedPixels_data();
    void turnedPixels();
    void fourQuarterTurnsAreIdentity_data();
    void fourQuarterTurnsAreIdentity();
    void unalignedSizeLosesOnlyTrimmedEdge_data();
    void unalignedSizeLosesOnlyTrimmedEdge();
    void markerSegmentsKeptInOrder();
    void progressiveStaysProgressive();
    void dataAfterEndOfImageKept();
    void damagedSourceRefused();
    void unusableSourcesRefused();
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

void TestEngineRotate::turnedPixels_data()
{
    QTest::addColumn<int>("sampling");
    QTest::addColumn<int>("code");
    const QList<QPair<const char *, Sampling>> samplings = {{"444", Sampling::S444},
                                                            {"422", Sampling::S422},
                                                            {"420", Sampling::S420},
                                                            {"gray", Sampling::Gray}};
    for (const auto &s : samplings) {
        for (int code : {VYR_ROTATE_90, VYR_ROTATE_180, VYR_ROTATE_270})
            QTest::addRow("%s-%d", s.first, code) << int(s.second) << code;
    }
}

void TestEngineRotate::turnedPixels()
{
    QFETCH(int, sampling);
    QFETCH(int, code);
    QTemporaryDir dir;
    Options o;
    o.width = 96;
    o.height = 64;
    o.sampling = Sampling(sampling);
    o.exif = TestJpeg::Exif::Intel;
    const QString src = TestJpeg::Write(dir.path(), "src.jpg", o);
    const QString dst = dir.filePath("out.jpg");
    QCOMPARE(RotateFile(src, dst, code), int(VYR_SUCCESS));

    const QImage expected = TestJpeg::Rotate(TestJpeg::Decode(src), AngleOf(code));
    const QImage result = TestJpeg::Decode(dst);
    QCOMPARE(result.size(), expected.size());
    // Decoding turned blocks differs from turning decoded pixels only by rounding and by the
    // direction of chroma upsampling: a few levels, never a displaced picture.
    const int diff = TestJpeg::MaxDifference(result, expected);
    QVERIFY2(diff >= 0 && diff <= 6, qPrintable(QString::number(diff)));
    QCOMPARE(Leftovers(dir.path(), {"src.jpg", "out.jpg"}), QStringList());
}

void TestEngineRotate::fourQuarterTurnsAreIdentity_data()
{
    QTest::addColumn<int>("sampling");
    QTest::addColumn<bool>("progressive");
    QTest::newRow("420") << int(Sampling::S420) << false;
    QTest::newRow("422") << int(Sampling::S422) << false;
    QTest::newRow("444-progressive") << int(Sampling::S444) << true;
}

void TestEngineRotate::fourQuarterTurnsAreIdentity()
{
    QFETCH(int, sampling);
    QFETCH(bool, progressive);
    QTemporaryDir dir;
    Options o;
    o.width = 64;
    o.height = 48;
    o.sampling = Sampling(sampling);
    o.progressive = progressive;
    const QString path = TestJpeg::Write(dir.path(), "a.jpg", o);
    const QImage before = TestJpeg::Decode(path);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(RotateFile(path, path, VYR_ROTATE_90), int(VYR_SUCCESS));
    QCOMPARE(TestJpeg::MaxDifference(TestJpeg::Decode(path), before), 0);
    // 90 then 270 too.
    QCOMPARE(RotateFile(path, path, VYR_ROTATE_90), int(VYR_SUCCESS));
    QCOMPARE(RotateFile(path, path, VYR_ROTATE_270), int(VYR_SUCCESS));
    QCOMPARE(TestJpeg::MaxDifference(TestJpeg::Decode(path), before), 0);
    QCOMPARE(Leftovers(dir.path(), {"a.jpg"}), QStringList());
}

void TestEngineRotate::unalignedSizeLosesOnlyTrimmedEdge_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QSize>("kept"); // part of the source that survives (4:2:0, 16x16 blocks)
    QTest::newRow("90") << int(VYR_ROTATE_90) << QSize(33, 16);
    QTest::newRow("180") << int(VYR_ROTATE_180) << QSize(32, 16);
    QTest::newRow("270") << int(VYR_ROTATE_270) << QSize(32, 17);
}

void TestEngineRotate::unalignedSizeLosesOnlyTrimmedEdge()
{
    QFETCH(int, code);
    QFETCH(QSize, kept);
    QTemporaryDir dir;
    Options o;
    o.width = 33;
    o.height = 17;
    o.sampling = Sampling::S420;
    const QString src = TestJpeg::Write(dir.path(), "odd.jpg", o);
    const QString dst = dir.filePath("out.jpg");
    TraceCollector traces;
    QCOMPARE(RotateFile(src, dst, code), int(VYR_SUCCESS));
    QVERIFY2(traces.Contains(QStringLiteral("trimmed")) &&
                 traces.Contains(QStringLiteral("odd.jpg")),
             qPrintable(traces.m_lines.join(QString())));

    const QImage expected =
        TestJpeg::Rotate(TestJpeg::Decode(src).copy(QRect(QPoint(0, 0), kept)), AngleOf(code));
    const QImage result = TestJpeg::Decode(dst);
    QCOMPARE(result.size(), expected.size());
    // Every pixel, edges included (upsampling sees one neighbour less at the cut): a
    // scrambled strip would differ by far more.
    const int diff = TestJpeg::MaxDifference(result, expected);
    QVERIFY2(diff >= 0 && diff <= 16, qPrintable(QString::number(diff)));

    // Narrower than one block along a moved edge: trimming keeps nothing whole, so the turn
    // is refused rather than written scrambled.
    o.height = 8;
    const QString thin = TestJpeg::Write(dir.path(), "thin.jpg", o);
    const QByteArray thinBytes = TestJpeg::ReadAll(thin);
    const int thinResult = RotateFile(thin, thin, code);
    if (code == VYR_ROTATE_270) {
        QCOMPARE(thinResult, int(VYR_SUCCESS)); // only the right edge moves, and it is trimmed
    } else {
        QCOMPARE(thinResult, int(VYR_ERR_NOT_LOSSLESS));
        QCOMPARE(TestJpeg::ReadAll(thin), thinBytes);
    }
}

void TestEngineRotate::markerSegmentsKeptInOrder()
{
    for (bool jfif : {true, false}) {
        QTemporaryDir dir;
        Options o;
        o.jfif = jfif;
        o.exif = TestJpeg::Exif::Motorola;
        o.thumbnail = true;
        o.xmp = TestJpeg::Xmp::AfterExif;
        static const char icc[] = "ICC_PROFILE\0\x01\x01 profile bytes";
        static const char iptc[] = "Photoshop 3.0\0 IPTC";
        o.extraSegments = {{0xFFE2, QByteArray(icc, sizeof(icc) - 1)},
                           {0xFFED, QByteArray(iptc, sizeof(iptc) - 1)}};
        o.comment = "a comment";
        const QString src = TestJpeg::Write(dir.path(), "m.jpg", o);
        const QString dst = dir.filePath("out.jpg");
        QCOMPARE(RotateFile(src, dst, VYR_ROTATE_270), int(VYR_SUCCESS));
        const auto before = KeptSegments(src);
        const auto after = KeptSegments(dst);
        QCOMPARE(before.size(), jfif ? 6 : 5);
        QCOMPARE(after.size(), before.size());
        // The Exif and XMP blocks are edited to match the turn (their own suite checks how);
        // every segment keeps its place, the others every byte.
        for (int i = 0; i < before.size(); ++i) {
            QCOMPARE(after[i].first, before[i].first);
            if (before[i].first != 0xFFE1)
                QCOMPARE(after[i].second, before[i].second);
        }
    }
}

void TestEngineRotate::progressiveStaysProgressive()
{
    QTemporaryDir dir;
    Options o;
    o.progressive = true;
    const QString src = TestJpeg::Write(dir.path(), "p.jpg", o);
    QVERIFY(HasMarker(src, 0xFFC2));
    QCOMPARE(RotateFile(src, src, VYR_ROTATE_180), int(VYR_SUCCESS));
    QVERIFY(HasMarker(src, 0xFFC2));

    o.progressive = false;
    const QString baseline = TestJpeg::Write(dir.path(), "b.jpg", o);
    QCOMPARE(RotateFile(baseline, baseline, VYR_ROTATE_90), int(VYR_SUCCESS));
    QVERIFY(HasMarker(baseline, 0xFFC0));
    QVERIFY(!HasMarker(baseline, 0xFFC2));
}

void TestEngineRotate::dataAfterEndOfImageKept()
{
    QTemporaryDir dir;
    Options o;
    o.trailer = QByteArray("appended data", 13);
    const QString src = TestJpeg::Write(dir.path(), "t.jpg", o);
    QCOMPARE(RotateFile(src, src, VYR_ROTATE_90), int(VYR_SUCCESS));
    QVERIFY(TestJpeg::ReadAll(src).endsWith("\xFF\xD9" + o.trailer));
}

void TestEngineRotate::damagedSourceRefused()
{
    QTemporaryDir dir;
    Options o;
    o.width = 128;
    o.height = 96;
    const QByteArray whole = TestJpeg::Build(o);
    o.truncateAt = whole.size() - 300;
    const QString src = TestJpeg::Write(dir.path(), "cut.jpg", o);
    const QByteArray original = TestJpeg::ReadAll(src);
    const QString other = dir.filePath("out.jpg");

    QCOMPARE(RotateFile(src, other, VYR_ROTATE_90), int(VYR_ERR_FILE_DAMAGED));
    QCOMPARE(RotateFile(src, src, VYR_ROTATE_90), int(VYR_ERR_FILE_DAMAGED));
    QCOMPARE(TestJpeg::ReadAll(src), original);
    QCOMPARE(Leftovers(dir.path(), {"cut.jpg"}), QStringList());
}

void TestEngineRotate::unusableSourcesRefused()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out.jpg");
    const QString good = TestJpeg::Write(dir.path(), "good.jpg");
    QCOMPARE(RotateFile(dir.filePath("missing.jpg"), out, VYR_ROTATE_90),
             int(VYR_ERR_FILE_NOT_FOUND));
    QCOMPARE(RotateFile(TestJpeg::WriteEmpty(dir.path(), "empty.jpg"), out, VYR_ROTATE_90),
             int(VYR_ERR_FILE_FORMAT));
    QCOMPARE(
        RotateFile(TestJpeg::WriteRandom(dir.path(), "noise.jpg", 4000, 7), out, VYR_ROTATE_90),
        int(VYR_ERR_FILE_FORMAT));
    QCOMPARE(RotateFile(TestJpeg::WriteRandom(dir.path(), "soi.jpg", 4000, 7, true), out,
                        VYR_ROTATE_90) < 0,
             true);
    QCOMPARE(RotateFile(dir.path(), out, VYR_ROTATE_90), int(VYR_ERR_FILE_READ));
    // A FIFO behind the name must not hang the worker; a file far larger than any photo is
    // not read into memory.
    QCOMPARE(mkfifo(QFile::encodeName(dir.filePath(".pipe")).constData(), 0644), 0);
    QVERIFY(QFile::link(".pipe", dir.filePath("pipe.jpg")));
    QCOMPARE(RotateFile(dir.filePath("pipe.jpg"), out, VYR_ROTATE_90), int(VYR_ERR_FILE_READ));
    QFile huge(dir.filePath("huge.jpg"));
    QVERIFY(huge.open(QIODevice::WriteOnly));
    huge.write(TestJpeg::ReadAll(good));
    if (huge.resize((qint64(1) << 30) + 1)) {
        huge.close();
        QCOMPARE(RotateFile(huge.fileName(), out, VYR_ROTATE_90), int(VYR_ERR_FILE_TOO_LARGE));
    }
    // 5 is the transverse now; no transform (0) and numbers between the codes stay refused.
    for (int code : {0, 2, 6, 16})
        QCOMPARE(RotateFile(good, out, code), int(VYR_ERR_INVALID_PARAMETER));
    QCOMPARE(RotateFile(good, dir.path(), VYR_ROTATE_90), int(VYR_ERR_FILE_WRITE));
    QVERIFY(!QFile::exists(out));
    QCOMPARE(Leftovers(dir.path(), {"good.jpg", "empty.jpg", "noise.jpg", "soi.jpg", ".pipe",
                                    "pipe.jpg", "huge.jpg"}),
             QStringList());
}

void TestEngineRotate::readOnlyDestination_data()
{
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<int>("fileMode"); // 0: the destination does not exist
    QTest::addColumn<int>("folderMode");
    QTest::newRow("file-0444") << false << 0444 << 0755;
    QTest::newRow("file-0444-in-place") << true << 0444 << 0755;
    QTest::newRow("folder-0555") << false << 0644 << 0555;
    QTest::newRow("folder-0555-new-file") << false << 0 << 0555;
}

void TestEngineRotate::readOnlyDestination()
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

void TestEngineRotate::readOnlyForRootToo()
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

void TestEngineRotate::fullDiskLeavesOriginal()
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

void TestEngineRotate::failedStepLeavesDestination_data()
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

void TestEngineRotate::failedStepLeavesDestination()
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

void TestEngineRotate::vanishedFolderLeavesOriginal()
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

void TestEngineRotate::symlinkedDestinationKeepsLink()
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

void TestEngineRotate::modeAndOwnerKept()
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

void TestEngineRotate::groupKeptForWriterWhoIsNotOwner()
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

QTEST_GUILESS_MAIN(TestEngineRotate)
#include "tst_enginerotate.moc"
