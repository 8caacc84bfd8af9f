// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// A photo whose Exif or XMP block holds a copy of the orientation that cannot be edited safely
// is refused whole and left byte for byte; every other photo turns with all its copies upright.
// The tag search and the turn's edits read a block with one reader, so they agree on which
// blocks are readable. Files go through the real rotation of the library, read back with the
// test kit's reader and exiftool.
#include "qlijpg.h"
#include "qlimg.h"
#include "qlimgfl.h"

#include "testjpeg.h"
#include "vyrengine.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using TestJpeg::Exif;
using TestJpeg::Options;

namespace {

// How a test file's Exif block (little-endian) is spoiled.
enum Damage
{
    BadMagic,       // "II" followed by 43
    BadByteOrder,   // "IM"
    Ifd0TooLong,    // IFD0 claims more entries than the block holds
    Ifd1OutOfBlock, // IFD0's link leads past the block
    Ifd1Loop,       // IFD0's link leads back to IFD0
    ExifIfdOutOfBlock,
    ExifIfdIsIfd0,
    NoDamage, // the Options alone make the block unreadable
};

void Put(QByteArray &io_bytes, qint64 in_pos, quint32 in_value, int in_size)
{
    for (int i = 0; i < in_size; ++i)
        io_bytes[in_pos + i] = char((in_value >> (8 * i)) & 0xFF);
}

quint32 Get(const QByteArray &in_bytes, qint64 in_pos, int in_size)
{
    quint32 v = 0;
    for (int i = 0; i < in_size; ++i)
        v |= quint32(uchar(in_bytes[in_pos + i])) << (8 * i);
    return v;
}

void Spoil(QByteArray &io_bytes, const TestJpeg::Layout &in_layout, Damage in_damage)
{
    const qint64 tiff = in_layout.tiffHeader;
    const qint64 ifd0 = in_layout.ifd0;
    const quint32 count = Get(io_bytes, ifd0, 2);
    const qint64 link = ifd0 + 2 + 12 * count;
    qint64 exifPointer = -1;
    for (quint32 i = 0; i < count; ++i) {
        if (Get(io_bytes, ifd0 + 2 + 12 * i, 2) == 34665)
            exifPointer = ifd0 + 2 + 12 * i + 8;
    }
    switch (in_damage) {
    case BadMagic:
        Put(io_bytes, tiff + 2, 43, 2);
        break;
    case BadByteOrder:
        io_bytes[tiff + 1] = 'M';
        break;
    case Ifd0TooLong:
        Put(io_bytes, ifd0, 0x0FFF, 2);
        break;
    case Ifd1OutOfBlock:
        Put(io_bytes, link, 0x00FFFFFF, 4);
        break;
    case Ifd1Loop:
        Put(io_bytes, link, quint32(ifd0 - tiff), 4);
        break;
    case ExifIfdOutOfBlock:
        Put(io_bytes, exifPointer, 0x00FFFFFF, 4);
        break;
    case ExifIfdIsIfd0:
        Put(io_bytes, exifPointer, quint32(ifd0 - tiff), 4);
        break;
    case NoDamage:
        break;
    }
}

QStringList Exiftool(const QStringList &in_args)
{
    const QString exiftool = QStandardPaths::findExecutable("exiftool");
    if (exiftool.isEmpty())
        return {};
    QProcess p;
    p.start(exiftool, in_args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

// The library's rotation in place: 1, or the code of the record it threw.
int Rotate(const QString &in_path)
{
    try {
        QLRotateFile(in_path, in_path, VYR_ROTATE_90);
        return VYR_SUCCESS;
    } catch (QLException *in_pErr) {
        const std::unique_ptr<QLException> err(in_pErr);
        return err->code;
    }
}

int SearchOrientation(const QString &in_path)
{
    QLImageFile file;
    if (!file.Open(in_path, 0))
        return -2;
    QL_IFDTAG tag = {};
    tag.tag = QL_TAG_ORIENTATION;
    return QLFindIFDTag(file.GetFile(), &tag) ? int(tag.value) : -1;
}

// An XMP APP1 payload whose rdf:Description ends with in_body.
QByteArray XmpPacket(const QByteArray &in_body)
{
    return "http://ns.adobe.com/xap/1.0/" + QByteArray(1, '\0') +
           "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/'>"
           "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
           "rdf:about='' xmlns:tiff='http://ns.adobe.com/tiff/1.0/' "
           "xmlns:exif='http://ns.adobe.com/exif/1.0/'" +
           in_body + "</rdf:RDF></x:xmpmeta>" + QByteArray(40, ' ') + "<?xpacket end='w'?>";
}

} // namespace

class TestDamagedMetadata : public QObject
{
    Q_OBJECT

private slots:
    void damagedExifRefusedUntouched_data();
    void damagedExifRefusedUntouched();
    void photosWithoutDamageStillTurn_data();
    void photosWithoutDamageStillTurn();
    void xmpOrientationForms_data();
    void xmpOrientationForms();
};

void TestDamagedMetadata::damagedExifRefusedUntouched_data()
{
    QTest::addColumn<Options>("options");
    QTest::addColumn<int>("damage");
    QTest::addColumn<int>("searchFinds"); // what the tag search reads: IFD0's Orientation or -1
    Options o;
    o.exif = Exif::Intel;
    o.orientation = 6;
    o.exifIfd = true;
    o.thumbnail = true;
    // The TIFF header or IFD0 itself: the tag search used to read the Orientation regardless
    // and Auto Rotate turned the photo, while the size and thumbnail edits refused the block.
    QTest::newRow("II and a wrong magic number") << o << int(BadMagic) << -1;
    QTest::newRow("no byte order") << o << int(BadByteOrder) << -1;
    QTest::newRow("IFD0 longer than the block") << o << int(Ifd0TooLong) << -1;
    // IFD0 is sound, another IFD an edit visits is not: the search reads IFD0, the turn refuses.
    QTest::newRow("IFD1 outside the block") << o << int(Ifd1OutOfBlock) << 6;
    QTest::newRow("IFD1 is IFD0 again") << o << int(Ifd1Loop) << 6;
    QTest::newRow("Exif IFD outside the block") << o << int(ExifIfdOutOfBlock) << 6;
    QTest::newRow("Exif IFD is IFD0") << o << int(ExifIfdIsIfd0) << 6;
    o.orientationCount = 2; // two SHORTs: no one number to set
    QTest::newRow("Orientation of two values") << o << int(NoDamage) << (6 << 16 | 6);
}

void TestDamagedMetadata::damagedExifRefusedUntouched()
{
    QFETCH(Options, options);
    QFETCH(int, damage);
    QFETCH(int, searchFinds);
    TestJpeg::Layout layout;
    QByteArray bytes = TestJpeg::Build(options, &layout);
    Spoil(bytes, layout, Damage(damage));
    QTemporaryDir dir;
    const QString path = TestJpeg::WriteBytes(dir.path(), "d.jpg", bytes);
    // The damage is real but does not hide the Orientation from a reader that does not check.
    if (damage != NoDamage)
        QCOMPARE(TestJpeg::ReadOrientation(bytes), 6);
    QCOMPARE(SearchOrientation(path), searchFinds);

    QCOMPARE(Rotate(path), int(VYR_ERR_METADATA_DAMAGED));
    QCOMPARE(TestJpeg::ReadAll(path), bytes);
}

void TestDamagedMetadata::photosWithoutDamageStillTurn_data()
{
    QTest::addColumn<Options>("options");
    QTest::addColumn<QString>("orientation"); // what exiftool reads afterwards in IFD0
    Options o;
    QTest::newRow("no Exif at all") << o << QString();
    o.exif = Exif::Motorola;
    o.orientation = -1;
    o.thumbnail = true;
    QTest::newRow("Exif without Orientation") << o << QString();
    o.exif = Exif::Intel;
    o.orientation = 6;
    o.thumbnail = false;
    o.otherEntries = false;
    QTest::newRow("Orientation alone, no sizes, no thumbnail") << o << "1";
    o.otherEntries = true;
    o.exifIfd = true;
    o.thumbnail = true;
    o.xmp = TestJpeg::Xmp::BeforeExif; // where the tag search does not look
    o.xmpOrientation = 6;
    QTest::newRow("XMP first, then Exif") << o << "1";
}

void TestDamagedMetadata::photosWithoutDamageStillTurn()
{
    QFETCH(Options, options);
    QFETCH(QString, orientation);
    QTemporaryDir dir;
    const QString path = TestJpeg::Write(dir.path(), "s.jpg", options);
    QCOMPARE(Rotate(path), int(VYR_SUCCESS));
    QCOMPARE(TestJpeg::Decode(path).size(), QSize(options.height, options.width));
    if (QStandardPaths::findExecutable("exiftool").isEmpty())
        QSKIP("exiftool is not installed");
    const QStringList read = Exiftool({"-n", "-s3", "-IFD0:Orientation", path});
    QCOMPARE(read, orientation.isEmpty() ? QStringList() : QStringList{orientation});
}

void TestDamagedMetadata::xmpOrientationForms_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("edited"); // otherwise refused
    QTest::newRow("decimal reference") << QByteArray(" tiff:Orientation='&#54;'/>") << true;
    QTest::newRow("hex reference, double quotes")
        << QByteArray(" tiff:Orientation=\"&#x36;\"/>") << true;
    QTest::newRow("element, reference and white space")
        << QByteArray(">\n<tiff:Orientation>\n &#54; </tiff:Orientation></rdf:Description>")
        << true;
    QTest::newRow("spaces around the equals sign")
        << QByteArray(" tiff:Orientation = ' 6 ' exif:PixelXDimension='&#54;4'/>") << true;
    // Forms exiftool reads as 6 that no plain replacement can make 1.
    QTest::newRow("CDATA") << QByteArray("><tiff:Orientation><![CDATA[6]]></tiff:Orientation>"
                                         "</rdf:Description>")
                           << false;
    QTest::newRow("rdf:value") << QByteArray("><tiff:Orientation rdf:parseType='Resource'>"
                                             "<rdf:value>6</rdf:value></tiff:Orientation>"
                                             "</rdf:Description>")
                               << false;
    QTest::newRow("sign") << QByteArray(" tiff:Orientation='+6'/>") << false;
    QTest::newRow("other reference") << QByteArray(" tiff:Orientation='6&amp;'/>") << false;
    QTest::newRow("size not a number") << QByteArray(" exif:PixelXDimension='64px'/>") << false;
}

void TestDamagedMetadata::xmpOrientationForms()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, edited);
    Options o;
    o.exif = Exif::Intel;
    o.orientation = 6;
    o.extraSegments = {{0xFFE1, XmpPacket(body)}};
    QTemporaryDir dir;
    const QString path = TestJpeg::Write(dir.path(), "x.jpg", o);
    const QByteArray before = TestJpeg::ReadAll(path);
    if (!edited) {
        QCOMPARE(Rotate(path), int(VYR_ERR_METADATA_DAMAGED));
        QCOMPARE(TestJpeg::ReadAll(path), before);
        return;
    }
    QCOMPARE(Rotate(path), int(VYR_SUCCESS));
    QCOMPARE(TestJpeg::XmpPayload(TestJpeg::ReadAll(path)).size(), XmpPacket(body).size());
    if (QStandardPaths::findExecutable("exiftool").isEmpty())
        QSKIP("exiftool is not installed");
    QCOMPARE(Exiftool({"-n", "-s3", "-XMP-tiff:Orientation", "-IFD0:Orientation", path}),
             (QStringList{"1", "1"}));
    if (body.contains("PixelXDimension"))
        QCOMPARE(Exiftool({"-n", "-s3", "-XMP-exif:ExifImageWidth", path}), QStringList{"48"});
}

QTEST_GUILESS_MAIN(TestDamagedMetadata)
#include "tst_qlijpg_damaged.moc"
