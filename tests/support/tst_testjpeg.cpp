// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Every suite trusts these files, so the writer is checked against TurboJPEG's own header
// reader and, when installed, against exiftool.
#include "testjpeg.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <turbojpeg.h>

using TestJpeg::Exif;
using TestJpeg::Options;

namespace {

QList<quint16> Markers(const QByteArray &in_bytes)
{
    QList<quint16> out;
    for (const TestJpeg::Segment &s : TestJpeg::Segments(in_bytes))
        out << s.marker;
    return out;
}

int Subsampling(const QByteArray &in_bytes)
{
    tjhandle h = tjInitDecompress();
    int w = 0, hgt = 0, sub = -1, cs = 0;
    tjDecompressHeader3(h, reinterpret_cast<const unsigned char *>(in_bytes.constData()),
                        in_bytes.size(), &w, &hgt, &sub, &cs);
    tjDestroy(h);
    return sub;
}

} // namespace

class TestTestJpeg : public QObject
{
    Q_OBJECT

private slots:
    void pixelsSurviveCompression_data()
    {
        QTest::addColumn<int>("sampling");
        QTest::addColumn<int>("tjSampling");
        QTest::addColumn<bool>("progressive");
        QTest::newRow("444") << int(TestJpeg::Sampling::S444) << int(TJSAMP_444) << false;
        QTest::newRow("422 progressive")
            << int(TestJpeg::Sampling::S422) << int(TJSAMP_422) << true;
        QTest::newRow("420") << int(TestJpeg::Sampling::S420) << int(TJSAMP_420) << false;
        QTest::newRow("gray") << int(TestJpeg::Sampling::Gray) << int(TJSAMP_GRAY) << false;
    }
    void pixelsSurviveCompression()
    {
        QFETCH(int, sampling);
        QFETCH(int, tjSampling);
        QFETCH(bool, progressive);
        Options o;
        o.width = 40;
        o.height = 24;
        o.quality = 98;
        o.sampling = TestJpeg::Sampling(sampling);
        o.progressive = progressive;
        o.exif = Exif::Intel;
        const QByteArray bytes = TestJpeg::Build(o);
        QCOMPARE(Subsampling(bytes), tjSampling);
        QCOMPARE(Markers(bytes).contains(0xFFC2), progressive);
        QString warning;
        const QImage decoded = TestJpeg::DecodeBytes(bytes, &warning);
        QVERIFY(warning.isEmpty());
        QCOMPARE(decoded.size(), QSize(40, 24));
        if (o.sampling == TestJpeg::Sampling::S444) {
            const QImage source = TestJpeg::MakeContent(40, 24, o.seed);
            QVERIFY(TestJpeg::MaxDifference(decoded, source, 1) < 40);
            // The content is asymmetric: a half turn is far from the original.
            QVERIFY(TestJpeg::MaxDifference(TestJpeg::Rotate(decoded, 180), source) > 100);
        }
    }

    void rotateHelpers()
    {
        const QImage img = TestJpeg::MakeContent(7, 3, 9);
        const QImage quarter = TestJpeg::Rotate(img, 90);
        QCOMPARE(quarter.size(), QSize(3, 7));
        // Clockwise: the top-left pixel goes to the top-right corner.
        QCOMPARE(quarter.pixel(2, 0), img.pixel(0, 0));
        QCOMPARE(TestJpeg::Rotate(img, -90).pixel(0, 6), img.pixel(0, 0));
        QCOMPARE(TestJpeg::MaxDifference(TestJpeg::Rotate(quarter, 270), img), 0);
        QCOMPARE(TestJpeg::MaxDifference(TestJpeg::Rotate(TestJpeg::Rotate(img, 180), 180), img),
                 0);
        QCOMPARE(TestJpeg::MaxDifference(img, quarter), -1);
    }

    void segmentOrderAndCuts()
    {
        Options o;
        o.exif = Exif::Motorola;
        o.xmp = TestJpeg::Xmp::BeforeExif;
        o.comment = "note";
        o.trailer = "TRAILER";
        TestJpeg::Layout layout;
        const QByteArray bytes = TestJpeg::Build(o, &layout);
        const QList<quint16> markers = Markers(bytes);
        QCOMPARE(markers.mid(0, 5), (QList<quint16>{0xFFD8, 0xFFE0, 0xFFE1, 0xFFE1, 0xFFFE}));
        QCOMPARE(markers.last(), quint16(0xFFDA));
        QCOMPARE(TestJpeg::Segments(bytes)[3].offset, layout.exifSegment);
        QVERIFY(bytes.endsWith("\xFF\xD9TRAILER"));
        QCOMPARE(TestJpeg::ReadOrientation(bytes), -1); // the first APP1 is XMP

        o.jfif = false;
        o.xmp = TestJpeg::Xmp::None;
        o.truncateAt = 30;
        QCOMPARE(TestJpeg::Build(o).size(), 30);
        QCOMPARE(Markers(TestJpeg::Build(o)).mid(0, 2), (QList<quint16>{0xFFD8, 0xFFE1}));

        QTemporaryDir dir;
        const QString empty = TestJpeg::WriteEmpty(dir.path(), "e.jpg");
        QVERIFY(QFileInfo(empty).exists());
        QCOMPARE(QFileInfo(empty).size(), 0);
        const QString random = TestJpeg::WriteRandom(dir.path(), "r.jpg", 100, 3, true);
        QCOMPARE(TestJpeg::ReadAll(random).left(2), QByteArray("\xFF\xD8"));
        QString error;
        QVERIFY(TestJpeg::Decode(empty, nullptr, &error).isNull());
        QVERIFY(!error.isEmpty());
    }

    void truncatedDataDecodesWithWarning()
    {
        Options o;
        o.width = 64;
        o.height = 64;
        const QByteArray bytes = TestJpeg::Build(o);
        QString warning;
        QString error;
        const QImage img = TestJpeg::DecodeBytes(bytes.left(bytes.size() - 200), &warning, &error);
        QVERIFY(!img.isNull());
        QVERIFY(!warning.isEmpty());
        QVERIFY(error.isEmpty());
    }

    // exiftool reads the Exif data as we meant it: order, Orientation, decoys, thumbnail.
    void exiftoolAgrees_data()
    {
        QTest::addColumn<Options>("options");
        QTest::addColumn<QString>("expected");
        Options o;
        o.exif = Exif::Intel;
        o.orientation = 6;
        o.exifIfd = true;
        QTest::newRow("II") << o << "II|6|64|VeyraTest|64|-";
        o.exif = Exif::Motorola;
        o.orientation = 8;
        o.decoys = TestJpeg::AllDecoys;
        o.thumbnail = true;
        QTest::newRow("MM decoys thumbnail") << o << "MM|8|274|VeyraTest|64|yes";
    }
    void exiftoolAgrees()
    {
        QFETCH(Options, options);
        QFETCH(QString, expected);
        const QString exiftool = QStandardPaths::findExecutable(QStringLiteral("exiftool"));
        if (exiftool.isEmpty())
            QSKIP("exiftool is not installed");
        QTemporaryDir dir;
        const QString path = TestJpeg::Write(dir.path(), QStringLiteral("x.jpg"), options);
        QProcess p;
        p.start(exiftool, {"-n", "-s3", "-f", "-ExifByteOrder", "-IFD0:Orientation",
                           "-IFD0:ImageWidth", "-IFD0:Make", "-ExifIFD:ExifImageWidth",
                           "-IFD1:ThumbnailLength", "-Warning", path});
        QVERIFY(p.waitForFinished(30000));
        QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).trimmed().split('\n');
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines.takeLast(), QStringLiteral("-")); // no warning
        if (lines[5] != QLatin1String("-"))
            lines[5] = QStringLiteral("yes");
        QCOMPARE(lines.join('|'), expected);
    }

    // The richer options read back as meant, by our reader and by exiftool: sizes of SHORT
    // type, a real-sized thumbnail with its own Orientation, a maker note found through its
    // inner offsets, XMP sizes in element form with padding, an MPF index with its picture.
    void richOptionsReadBack()
    {
        Options o;
        o.exif = Exif::Motorola;
        o.exifIfd = true;
        o.sizeType = 3;
        o.thumbnail = true;
        o.thumbWidth = 160;
        o.thumbHeight = 120;
        o.thumbOrientation = 6;
        o.makerNote = true;
        o.make = "Canon";
        o.xmp = TestJpeg::Xmp::AfterExif;
        o.xmpForm = TestJpeg::XmpForm::Element;
        o.xmpSizes = true;
        o.xmpPadding = 50;
        TestJpeg::MpfPicture picture;
        picture.exif = Exif::Intel;
        o.mpfPictures = {picture};
        o.trailer = "T";
        TestJpeg::Layout layout;
        const QByteArray bytes = TestJpeg::Build(o, &layout);
        const TestJpeg::ExifView exif = TestJpeg::ReadExif(bytes);
        QVERIFY(exif.valid);
        QCOMPARE(TestJpeg::DecodeBytes(exif.thumbnail).size(), QSize(160, 120));
        QCOMPARE(exif.thumbnailAt + exif.segment + 4, layout.thumbnail);
        qint64 header = -1;
        const QList<TestJpeg::MpfEntry> index = TestJpeg::ReadMpf(bytes, &header);
        QCOMPARE(header, layout.mpfHeader);
        QCOMPARE(index.size(), 2);
        QCOMPARE(qint64(index[0].size), layout.primaryEnd);
        QCOMPARE(header + index[1].offset, layout.mpfPictures[0]);
        QCOMPARE(
            TestJpeg::ReadExif(bytes.mid(layout.mpfPictures[0], index[1].size)).ifd0.value(274),
            6u);
        QVERIFY(TestJpeg::XmpPayload(bytes).endsWith(QByteArray(50, ' ') + "<?xpacket end='w'?>"));

        const QString exiftool = QStandardPaths::findExecutable(QStringLiteral("exiftool"));
        if (exiftool.isEmpty())
            QSKIP("exiftool is not installed");
        QTemporaryDir dir;
        const QString path = TestJpeg::WriteBytes(dir.path(), QStringLiteral("r.jpg"), bytes);
        QProcess p;
        p.start(exiftool, {"-n", "-s3", "-f", "-IFD0:ImageWidth", "-ExifIFD:ExifImageHeight",
                           "-IFD1:Orientation", "-CanonFirmwareVersion", "-XMP-tiff:ImageWidth",
                           "-XMP-exif:ExifImageHeight", "-NumberOfImages", "-Warning", path});
        QVERIFY(p.waitForFinished(30000));
        const QStringList lines =
            QString::fromUtf8(p.readAllStandardOutput()).trimmed().split('\n');
        QCOMPARE(lines.join('|'), QStringLiteral("64|48|6|Firmware Version 1.0.0|64|48|2|-"));
    }
};

QTEST_GUILESS_MAIN(TestTestJpeg)
#include "tst_testjpeg.moc"
