// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The orientation type against what the pictures do: its composition is what doing one
// transform of the pixels after the other does, its Exif values mean what Exif-aware readers
// show, and a photo turned by a click shows in those readers what the click meant.
#include "core/vyrorientation.h"
#include "qlimg.h"
#include "testjpeg.h"
#include "vyrengine.h"
#include "vyrorient.h"

#include <QImageReader>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The transform applied to pixels as its definition says: mirrored left-right first, then
// turned clockwise.
QImage Apply(const QImage &in_image, VYROrientation in_transform)
{
    const QImage mirrored = in_transform.IsMirrored() ? in_image.mirrored(true, false) : in_image;
    return TestJpeg::Rotate(mirrored, 90 * in_transform.QuarterTurns());
}

QList<VYROrientation> AllEight()
{
    QList<VYROrientation> all;
    for (int turns = 0; turns < 4; ++turns)
        all << VYROrientation::FromTurns(turns) << VYROrientation::FromTurns(turns, true);
    return all;
}

} // namespace

class TestOrientation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void groupLaws();
    void namesRoundTrip();
    void exifValuesMeanWhatReadersShow_data();
    void exifValuesMeanWhatReadersShow();
    void clickShowsInEveryViewer_data();
    void clickShowsInEveryViewer();
};

void TestOrientation::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("veyra.trace=false"));
}

// Composition is doing the pixels' transforms one after the other; each has its undoing.
void TestOrientation::groupLaws()
{
    const QImage picture = TestJpeg::MakeContent(24, 16, 7);
    for (VYROrientation a : AllEight()) {
        QCOMPARE(a.Then(a.Inverse()), VYROrientation());
        QCOMPARE(a.Inverse().Then(a), VYROrientation());
        QCOMPARE(a.Then(VYROrientation()), a);
        QCOMPARE(Apply(picture, a).size() != picture.size(), a.SwapsAxes());
        for (VYROrientation b : AllEight())
            QVERIFY2(Apply(Apply(picture, a), b) == Apply(picture, a.Then(b)),
                     qPrintable(QStringLiteral("%1 then %2").arg(a.Name(), b.Name())));
    }
}

void TestOrientation::namesRoundTrip()
{
    QSet<int> codes, bitmaps, exif;
    for (VYROrientation o : AllEight()) {
        QCOMPARE(VYROrientation::FromExif(o.ExifValue()), o);
        QCOMPARE(VYROrientation::FromCode(o.Code()), o);
        QCOMPARE(VYROrientation::FromBitmapCode(o.BitmapCode()), o);
        codes << o.Code();
        bitmaps << o.BitmapCode();
        exif << int(o.ExifValue());
        if (!o.IsMirrored())
            QCOMPARE(VYROrientation::FromAngle(o.Angle()), o);
    }
    QCOMPARE(codes, (QSet<int>{0, 1, 4, 5, 8, 9, 12, 13}));
    QCOMPARE(exif, (QSet<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    QCOMPARE(bitmaps, exif);
    // The codes the program has always used keep their meaning.
    QCOMPARE(VYROrientation::FromCode(4), VYROrientation::FromAngle(90));
    QCOMPARE(VYROrientation::FromCode(8), VYROrientation::FromAngle(180));
    QCOMPARE(VYROrientation::FromCode(12), VYROrientation::FromAngle(-90));
    QCOMPARE(VYROrientation::FromExif(6).Angle(), 90);
    QCOMPARE(VYROrientation::FromExif(8).Angle(), -90);
    QCOMPARE(VYROrientation::FromBitmapCode(VYR_ORIENT_ROTATE_90), VYROrientation::FromAngle(90));
    QCOMPARE(VYROrientation::FromBitmapCode(VYR_ORIENT_TRANSPOSE).Code(), int(VYR_TRANSPOSE));
    for (int bad : {-1, 2, 3, 6, 7, 10, 11, 14, 16}) {
        bool valid = true;
        QCOMPARE(VYROrientation::FromCode(bad, &valid), VYROrientation());
        QVERIFY(!valid);
    }
    for (uint32_t bad : {0u, 9u, 65535u}) {
        bool valid = true;
        QCOMPARE(VYROrientation::FromExif(bad, &valid), VYROrientation());
        QVERIFY(!valid);
    }
    bool valid = true;
    VYROrientation::FromAngle(45, &valid);
    QVERIFY(!valid);
}

void TestOrientation::exifValuesMeanWhatReadersShow_data()
{
    QTest::addColumn<int>("value");
    for (int value = 1; value <= 8; ++value)
        QTest::addRow("%d", value) << value;
}

// The stored picture with the value's transform applied is what a viewer shows of it.
void TestOrientation::exifValuesMeanWhatReadersShow()
{
    QFETCH(int, value);
    QTemporaryDir dir;
    TestJpeg::Options o;
    o.sampling = TestJpeg::Sampling::S444;
    o.exif = TestJpeg::Exif::Intel;
    o.orientation = value;
    const QString path = TestJpeg::Write(dir.path(), "photo.jpg", o);
    QVERIFY(!path.isEmpty());
    const QImage stored = TestJpeg::Decode(path);
    const QImage shown = TestJpeg::Shown(path);
    const QImage ours = Apply(stored, VYROrientation::FromExif(uint32_t(value)));
    QCOMPARE(ours.size(), shown.size());
    // Two decoders: a few levels apart at most, where a wrong transform is far off.
    QVERIFY2(TestJpeg::MaxDifference(ours, shown) <= 6,
             qPrintable(QString::number(TestJpeg::MaxDifference(ours, shown))));
}

void TestOrientation::clickShowsInEveryViewer_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("angle");
    for (int value = 1; value <= 8; ++value) {
        for (int angle : {90, 180, -90})
            QTest::addRow("tag %d, turn %d", value, angle) << value << angle;
    }
}

// Composition against the pixels: the one transform that is the photo's orientation followed
// by a turn, written with the tag reset, shows in every viewer as the viewer's picture turned.
// (The grid itself shows the stored picture with only a mirror undone; tst_autorotate checks
// that what it shows after a click is what the written file shows.)
void TestOrientation::clickShowsInEveryViewer()
{
    QFETCH(int, value);
    QFETCH(int, angle);
    QTemporaryDir dir;
    TestJpeg::Options o;
    o.sampling = TestJpeg::Sampling::S444;
    o.exif = TestJpeg::Exif::Motorola;
    o.orientation = value;
    o.thumbnail = true;
    const QString source = TestJpeg::Write(dir.path(), "photo.jpg", o);
    QVERIFY(!source.isEmpty());
    const QImage expected = TestJpeg::Rotate(TestJpeg::Shown(source), angle);

    const VYROrientation job =
        VYROrientation::FromExif(uint32_t(value)).Then(VYROrientation::FromAngle(angle));
    if (job.IsUpright()) {
        // The click undid the tag's turn: the stored pixels with the tag reset are the result.
        QVERIFY(TestJpeg::MaxDifference(TestJpeg::Decode(source), expected) <= 6);
        return;
    }
    const QString result = dir.filePath("result.jpg");
    try {
        VYRRotatePhoto(source, result, job.Code());
    } catch (QLException *e) {
        const int code = e->code;
        delete e;
        QFAIL(qPrintable(QStringLiteral("rotation failed: %1").arg(code)));
    }
    QCOMPARE(TestJpeg::ReadOrientationOfFile(result), 1);
    const QImage shown = TestJpeg::Shown(result);
    QCOMPARE(shown.size(), expected.size());
    QVERIFY2(TestJpeg::MaxDifference(shown, expected) <= 6,
             qPrintable(QString::number(TestJpeg::MaxDifference(shown, expected))));
}

QTEST_GUILESS_MAIN(TestOrientation)
#include "tst_orientation.moc"
