// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The engine's file rotation: the turned picture, its segments and trims, and the sources it
// refuses.
#include "enginerotatetest.h"

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

QTEST_GUILESS_MAIN(TestEngineRotate)
#include "tst_enginerotate.moc"
