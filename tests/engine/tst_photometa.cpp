// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// A turned photo is whole and consistent: every copy of its orientation and size agrees with
// the written pixels, every other metadata byte stays, data after the picture goes along, and
// the further pictures of a multi-picture file turn with it or the file is refused.
// Files go through the real file rotation, as the worker runs it.
#include "meta/vyrexifedit.h"
#include "qltrace.h"
#include "testjpeg.h"
#include "testjpeg_codec.h"
#include "tracecollector.h"
#include "vyrengine.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using TestJpeg::Exif;
using TestJpeg::Options;

// The worker's rotation: the engine's turn, which makes every copy of the orientation upright.
int Turn(const QString &in_source, const QString &in_destination, int in_code)
{
    return VYRDefaultEngine().RotateFile(in_source, in_destination, in_code, 0, 0, 0, nullptr);
}

// What a 4:2:0 picture of in_size becomes: the partial 16-pixel blocks on the edges the turn
// moves are trimmed (the bottom for 90 and 180, the right for 180 and 270), then it turns.
QSize Turned(QSize in_size, int in_code, int in_block = 16)
{
    const int w = in_size.width() - (in_code != VYR_ROTATE_90 ? in_size.width() % in_block : 0);
    const int h = in_size.height() - (in_code != VYR_ROTATE_270 ? in_size.height() % in_block : 0);
    return in_code == VYR_ROTATE_180 ? QSize(w, h) : QSize(h, w);
}

int Degrees(int in_code)
{
    return in_code * 90 / 4;
}

// The offsets of a value field (4 bytes) of each named entry: what the rotation may change.
void AddFields(const QMap<quint16, qint64> &in_at, const QList<quint16> &in_tags,
               QList<QPair<qint64, qint64>> *inout_pAllowed)
{
    for (quint16 tag : in_tags) {
        if (in_at.contains(tag))
            inout_pAllowed->append({in_at.value(tag), 4});
    }
}

// exiftool's view of a file as "[Group] Tag: value" lines.
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

} // namespace

class TestPhotoMeta : public QObject
{
    Q_OBJECT

private slots:
    void exifFollowsTheTurn_data();
    void exifFollowsTheTurn();
    void makerNoteAndOtherTagsUntouched();
    void thumbnailThatCannotBePlacedIsKept();
    void xmpFollowsTheTurn_data();
    void xmpFollowsTheTurn();
    void xmpWithoutRoomKeepsItsSizes();
    void dataAfterThePictureKept();
    void multiPictureFileTurnsWhole();
    void multiPictureFileRefused_data();
    void multiPictureFileRefused();
    void thumbnailLengthClaimingMoreKeepsWhatFollows();
};

void TestPhotoMeta::exifFollowsTheTurn_data()
{
    QTest::addColumn<Options>("options");
    QTest::addColumn<int>("code");
    Options o;
    o.width = 72; // 4:2:0 at 72x52: both edges hold partial blocks
    o.height = 52;
    o.exif = Exif::Intel;
    o.orientation = 6;
    o.exifIfd = true;
    o.thumbnail = true;
    o.thumbWidth = 160;
    o.thumbHeight = 120;
    o.thumbOrientation = 6;
    for (int code : {VYR_ROTATE_90, VYR_ROTATE_180, VYR_ROTATE_270})
        QTest::addRow("II LONG JFIF first %d", Degrees(code)) << o << code;
    o.exif = Exif::Motorola;
    o.sizeType = 3;
    o.orientation = 8;
    QTest::newRow("MM SHORT JFIF first 270") << o << int(VYR_ROTATE_270);
    o.jfif = false;
    QTest::newRow("MM SHORT Exif first 90") << o << int(VYR_ROTATE_90);
    // Nothing else resets the Orientation of an Exif block behind another APP1.
    o.xmp = TestJpeg::Xmp::BeforeExif;
    QTest::newRow("MM SHORT XMP first 90") << o << int(VYR_ROTATE_90);
    o.exif = Exif::Intel;
    o.sizeType = 4;
    QTest::newRow("II LONG XMP first 180") << o << int(VYR_ROTATE_180);
}

void TestPhotoMeta::exifFollowsTheTurn()
{
    QFETCH(Options, options);
    QFETCH(int, code);
    QTemporaryDir dir;
    const QString src = TestJpeg::Write(dir.path(), "p.jpg", options);
    const QString dst = dir.filePath("out.jpg");
    QCOMPARE(Turn(src, dst, code), int(VYR_SUCCESS));
    const TestJpeg::ExifView before = TestJpeg::ReadExif(TestJpeg::ReadAll(src));
    const QByteArray bytes = TestJpeg::ReadAll(dst);
    const TestJpeg::ExifView after = TestJpeg::ReadExif(bytes);
    QVERIFY(before.valid && after.valid);

    const QSize size = Turned({options.width, options.height}, code);
    QCOMPARE(TestJpeg::DecodeBytes(bytes).size(), size);
    QCOMPARE(after.ifd0.value(256), quint32(size.width()));
    QCOMPARE(after.ifd0.value(257), quint32(size.height()));
    QCOMPARE(after.exifIfd.value(40962), quint32(size.width()));
    QCOMPARE(after.exifIfd.value(40963), quint32(size.height()));
    QCOMPARE(after.ifd0.value(274), 1u);
    QCOMPARE(after.ifd1.value(274), 1u);

    // The thumbnail shows what it showed, turned the same way.
    QString warning;
    const QImage oldThumb = TestJpeg::DecodeBytes(before.thumbnail);
    const QImage newThumb = TestJpeg::DecodeBytes(after.thumbnail, &warning);
    QVERIFY(warning.isEmpty());
    const QSize thumbSize = Turned(oldThumb.size(), code);
    QCOMPARE(newThumb.size(), thumbSize);
    const QSize kept = code == VYR_ROTATE_180 ? thumbSize : thumbSize.transposed();
    const QImage expected = TestJpeg::Rotate(oldThumb.copy(QRect(QPoint(), kept)), Degrees(code));
    QVERIFY2(TestJpeg::MaxDifference(newThumb, expected, 2) <= 16,
             qPrintable(QString::number(TestJpeg::MaxDifference(newThumb, expected, 2))));

    // Every other byte of the block is as it was: the edited values and the thumbnail's own
    // span (grown only when it ends the block) are the only differences.
    const qint64 span = std::max(before.thumbnail.size(), after.thumbnail.size());
    QCOMPARE(after.thumbnailAt, before.thumbnailAt);
    QList<QPair<qint64, qint64>> allowed = {{before.thumbnailAt, span}};
    AddFields(before.ifd0At, {256, 257, 274}, &allowed);
    AddFields(before.exifIfdAt, {40962, 40963}, &allowed);
    AddFields(before.ifd1At, {274, 514}, &allowed);
    for (qint64 d : TestJpeg::DifferingOffsets(before.payload, after.payload)) {
        const bool ok = std::any_of(allowed.begin(), allowed.end(), [d](const auto &a) {
            return d >= a.first && d < a.first + a.second;
        });
        QVERIFY2(ok, qPrintable(QStringLiteral("Exif byte %1 changed: %2")
                                    .arg(d)
                                    .arg(TestJpeg::Hex(after.payload, d - 8, 16))));
    }
    // A smaller turned thumbnail leaves zeros behind in the old span.
    const qint64 left = before.thumbnail.size() - after.thumbnail.size();
    if (left > 0)
        QCOMPARE(after.payload.mid(before.thumbnailAt + after.thumbnail.size(), left),
                 QByteArray(left, '\0'));
}

void TestPhotoMeta::makerNoteAndOtherTagsUntouched()
{
    if (QStandardPaths::findExecutable("exiftool").isEmpty())
        QSKIP("exiftool is not installed");
    QTemporaryDir dir;
    Options o;
    o.width = 64;
    o.height = 48;
    o.exif = Exif::Motorola;
    o.orientation = 6;
    o.exifIfd = true;
    o.makerNote = true;
    o.make = "Canon";
    o.thumbnail = true;
    o.thumbWidth = 160;
    o.thumbHeight = 120;
    o.xmp = TestJpeg::Xmp::AfterExif;
    o.xmpSizes = true;
    o.xmpPadding = 200;
    const QString src = TestJpeg::Write(dir.path(), "canon.jpg", o);
    const QString dst = dir.filePath("out.jpg");
    QCOMPARE(Turn(src, dst, VYR_ROTATE_90), int(VYR_SUCCESS));

    const QStringList args = {"-a", "-G1", "-s", "-n"};
    QStringList before = Exiftool(args + QStringList{src});
    QStringList after = Exiftool(args + QStringList{dst});
    // The maker note's texts are found through its inner offsets.
    QVERIFY(before.filter(QRegularExpression("CanonFirmwareVersion *: Firmware Version 1.0.0"))
                .size() == 1);
    static const QRegularExpression edited(
        "^\\[(System|File|Composite)\\]|^\\[IFD0\\] *(Orientation|ImageWidth|ImageHeight) |"
        "^\\[ExifIFD\\] *ExifImage(Width|Height) |^\\[IFD1\\] *(ThumbnailLength|ThumbnailImage) |"
        "^\\[XMP-tiff\\] *(Orientation|ImageWidth|ImageHeight) |"
        "^\\[XMP-exif\\] *ExifImage(Width|Height) ");
    before.removeIf([](const QString &l) { return edited.match(l).hasMatch(); });
    after.removeIf([](const QString &l) { return edited.match(l).hasMatch(); });
    QCOMPARE(after, before);
    const QStringList turned = Exiftool({"-n", "-s3", "-IFD0:Orientation", "-ExifImageWidth",
                                         "-XMP-tiff:Orientation", "-XMP-tiff:ImageWidth", dst});
    QCOMPARE(turned, (QStringList{"1", "48", "1", "48"}));
}

void TestPhotoMeta::thumbnailThatCannotBePlacedIsKept()
{
    Options o;
    o.exif = Exif::Intel;
    o.thumbnail = true;
    o.thumbWidth = 48;
    o.thumbHeight = 32;
    QByteArray payload = TestJpeg::BuildExifPayload(o);
    Options big;
    big.width = 160;
    big.height = 120;
    big.jfif = false;
    const QByteArray larger = TestJpeg::Build(big);

    // Last in the block: the block grows to take it.
    QByteArray grown = payload;
    QCOMPARE(VYRPlaceExifThumbnail(&grown, larger), VYRThumbPlacement::Grown);
    QCOMPARE(TestJpeg::ReadExif(QByteArray("\xFF\xD8\xFF\xE1", 4) + char((grown.size() + 2) >> 8) +
                                char((grown.size() + 2) & 0xFF) + grown)
                 .thumbnail,
             larger);
    // Other data behind it, or a block that would pass 64 KiB: kept byte for byte.
    o.afterThumbnail = "data that must not move";
    payload = TestJpeg::BuildExifPayload(o);
    QByteArray blocked = payload;
    QCOMPARE(VYRPlaceExifThumbnail(&blocked, larger), VYRThumbPlacement::DoesNotFit);
    QCOMPARE(blocked, payload);
    o.afterThumbnail.clear();
    payload = TestJpeg::BuildExifPayload(o);
    blocked = payload;
    QCOMPARE(VYRPlaceExifThumbnail(&blocked, QByteArray("\xFF\xD8", 2) + QByteArray(66000, 'x')),
             VYRThumbPlacement::DoesNotFit);
    QCOMPARE(blocked, payload);

    // A thumbnail that cannot be turned stays, and the photo still turns.
    QTemporaryDir dir;
    Options damaged;
    damaged.exif = Exif::Intel;
    damaged.orientation = 6;
    damaged.thumbnail = true;
    damaged.thumbnailBytes = TestJpeg::Build(big).left(900);
    const QString src = TestJpeg::Write(dir.path(), "d.jpg", damaged);
    const QByteArray oldThumb = TestJpeg::ReadExif(TestJpeg::ReadAll(src)).thumbnail;
    TraceCollector traces;
    QCOMPARE(Turn(src, src, VYR_ROTATE_90), int(VYR_SUCCESS));
    QCOMPARE(TestJpeg::ReadExif(TestJpeg::ReadAll(src)).thumbnail, oldThumb);
    QVERIFY(traces.Contains("kept its Exif thumbnail as it was"));
}

void TestPhotoMeta::xmpFollowsTheTurn_data()
{
    QTest::addColumn<Options>("options");
    QTest::addColumn<int>("code");
    Options o;
    o.width = 100; // 4:2:0: the half turn trims it to 96, one digit less
    o.height = 1000;
    o.exif = Exif::Intel;
    o.orientation = 6;
    o.xmp = TestJpeg::Xmp::BeforeExif;
    o.xmpOrientation = 6;
    o.xmpSizes = true;
    QTest::newRow("attribute, no padding, 90") << o << int(VYR_ROTATE_90);
    o.xmpPadding = 120;
    QTest::newRow("attribute, padding, 180") << o << int(VYR_ROTATE_180);
    o.xmpForm = TestJpeg::XmpForm::Element;
    o.xmp = TestJpeg::Xmp::AfterExif;
    QTest::newRow("element, padding, 270") << o << int(VYR_ROTATE_270);
    o.xmpTiffPrefix = "t";
    o.xmpPadding = 0;
    QTest::newRow("element, own prefix, no padding, 180") << o << int(VYR_ROTATE_180);
}

void TestPhotoMeta::xmpFollowsTheTurn()
{
    QFETCH(Options, options);
    QFETCH(int, code);
    QTemporaryDir dir;
    const QString src = TestJpeg::Write(dir.path(), "x.jpg", options);
    QCOMPARE(Turn(src, src, code), int(VYR_SUCCESS));
    const QByteArray bytes = TestJpeg::ReadAll(src);
    const QByteArray before = TestJpeg::XmpPayload(TestJpeg::Build(options));
    const QByteArray after = TestJpeg::XmpPayload(bytes);
    QCOMPARE(after.size(), before.size());
    const QSize size = TestJpeg::DecodeBytes(bytes).size();
    QCOMPARE(size, Turned({options.width, options.height}, code));
    const QByteArray t = options.xmpTiffPrefix;
    const auto value = [&](const QByteArray &in_name) {
        const QRegularExpression re(
            QString::fromLatin1("%1(?:='|>) *([0-9]+)")
                .arg(QRegularExpression::escape(QString::fromLatin1(in_name))));
        const auto m = re.match(QString::fromLatin1(after));
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    };
    QCOMPARE(value(t + ":Orientation"), 1);
    QCOMPARE(value(t + ":ImageWidth"), size.width());
    QCOMPARE(value(t + ":ImageLength"), size.height());
    QCOMPARE(value("exif:PixelXDimension"), size.width());
    QCOMPARE(value("exif:PixelYDimension"), size.height());
    QVERIFY(after.endsWith("<?xpacket end='w'?>"));
    // The Orientation that readers of the Exif block see agrees.
    QCOMPARE(TestJpeg::ReadExif(bytes).ifd0.value(274), 1u);
}

void TestPhotoMeta::xmpWithoutRoomKeepsItsSizes()
{
    // One size alone, no padding: a quarter turn would need a byte the packet does not have.
    // The Orientation is still made right; extended XMP is never touched.
    const QByteArray packet = "http://ns.adobe.com/xap/1.0/" + QByteArray(1, '\0') +
                              "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:Description "
                              "xmlns:tiff='http://ns.adobe.com/tiff/1.0/' "
                              "xmlns:exif='http://ns.adobe.com/exif/1.0/' "
                              "exif:PixelXDimension='96' tiff:Orientation=\"6\"/></x:xmpmeta>";
    const QByteArray extended = "http://ns.adobe.com/xmp/extension/" + QByteArray(1, '\0') +
                                "0123456789ABCDEF0123456789ABCDEF <tiff:Orientation>6<";
    Options o;
    o.width = 96;
    o.height = 1000;
    o.extraSegments = {{0xFFE1, packet}, {0xFFE1, extended}};
    QTemporaryDir dir;
    const QString src = TestJpeg::Write(dir.path(), "n.jpg", o);
    TraceCollector traces;
    QCOMPARE(Turn(src, src, VYR_ROTATE_90), int(VYR_SUCCESS));
    QByteArray expected = packet;
    expected.replace("Orientation=\"6\"", "Orientation=\"1\"");
    const QList<TestJpeg::Segment> segments = TestJpeg::SegmentsOfFile(src);
    QList<QByteArray> app1;
    for (const TestJpeg::Segment &s : segments) {
        if (s.marker == 0xFFE1)
            app1 << s.payload;
    }
    QCOMPARE(app1, (QList<QByteArray>{expected, extended}));
    QVERIFY(traces.Contains("left the XMP sizes as they were"));
}

void TestPhotoMeta::dataAfterThePictureKept()
{
    QTemporaryDir dir;
    Options o;
    o.exif = Exif::Intel;
    o.orientation = 3;
    // A motion photo's clip: any bytes, markers included.
    o.trailer = QByteArray("\x00\x00\x00\x18"
                           "ftypmp42\xFF\xD8\xFF\xD9 clip",
                           21);
    const QString src = TestJpeg::Write(dir.path(), "m.jpg", o);
    QCOMPARE(Turn(src, src, VYR_ROTATE_180), int(VYR_SUCCESS));
    const QByteArray bytes = TestJpeg::ReadAll(src);
    QVERIFY(bytes.endsWith(QByteArray("\xFF\xD9", 2) + o.trailer));
    QString warning;
    QVERIFY(!TestJpeg::DecodeBytes(bytes, &warning).isNull());
    QVERIFY(warning.isEmpty());
}

void TestPhotoMeta::multiPictureFileTurnsWhole()
{
    QTemporaryDir dir;
    Options o;
    o.width = 96;
    o.height = 64;
    o.exif = Exif::Motorola;
    o.orientation = 6;
    o.exifIfd = true;
    TestJpeg::MpfPicture large;
    large.width = 48;
    large.height = 32;
    large.exif = Exif::Intel;
    TestJpeg::MpfPicture small; // no Exif; an odd size that the turn trims
    small.width = 40;
    small.height = 28;
    o.mpfPictures = {large, small};
    o.trailer = "after all pictures";
    const QString src = TestJpeg::Write(dir.path(), "mp.jpg", o);
    QCOMPARE(Turn(src, src, VYR_ROTATE_90), int(VYR_SUCCESS));

    const QByteArray bytes = TestJpeg::ReadAll(src);
    qint64 header = -1;
    const QList<TestJpeg::MpfEntry> index = TestJpeg::ReadMpf(bytes, &header);
    QCOMPARE(index.size(), 3);
    QCOMPARE(index[0].offset, 0u);
    QCOMPARE(bytes.mid(index[0].size - 2, 2), QByteArray("\xFF\xD9", 2));
    QCOMPARE(TestJpeg::DecodeBytes(bytes.left(index[0].size)).size(), QSize(64, 96));
    const QList<QSize> sizes = {{32, 48}, {16, 40}};
    qint64 end = index[0].size;
    for (int i = 1; i < 3; ++i) {
        QCOMPARE(qint64(header + index[i].offset), end); // laid out one after the other
        const QByteArray picture = bytes.mid(header + index[i].offset, index[i].size);
        QString warning;
        QCOMPARE(TestJpeg::DecodeBytes(picture, &warning).size(), sizes[i - 1]);
        QVERIFY(warning.isEmpty());
        end += index[i].size;
    }
    QCOMPARE(bytes.mid(end), o.trailer);
    // The further picture's own Exif block is made right by the engine alone.
    const TestJpeg::ExifView second =
        TestJpeg::ReadExif(bytes.mid(header + index[1].offset, index[1].size));
    QCOMPARE(second.ifd0.value(274), 1u);
    QCOMPARE(second.exifIfd.value(40962), 32u);
    QCOMPARE(TestJpeg::ReadExif(bytes).ifd0.value(274), 1u);

    // exiftool finds every picture where the index says.
    const QStringList lengths = Exiftool({"-n", "-s3", "-a", "-MPImageLength", "-Warning", src});
    if (!lengths.isEmpty())
        QCOMPARE(lengths,
                 (QStringList{QString::number(index[0].size), QString::number(index[1].size),
                              QString::number(index[2].size)}));
}

void TestPhotoMeta::multiPictureFileRefused_data()
{
    QTest::addColumn<Options>("options");
    QTest::addColumn<int>("patchEntry"); // index entry whose offset is moved out of the file
    Options o;
    o.exif = Exif::Intel;
    TestJpeg::MpfPicture picture;
    o.mpfPictures = {picture, picture};
    QTest::newRow("offset beyond the end") << o << 2;
    TestJpeg::MpfPicture text;
    text.bytes = "not a picture at all";
    o.mpfPictures = {picture, text};
    QTest::newRow("not a JPEG") << o << -1;
    TestJpeg::MpfPicture damaged;
    Options d;
    d.width = 64;
    d.height = 64;
    damaged.bytes = TestJpeg::Build(d).chopped(300);
    o.mpfPictures = {damaged};
    QTest::newRow("damaged picture") << o << -1;
    TestJpeg::MpfPicture tiny; // smaller than one block along an edge the turn moves
    tiny.width = 6;
    tiny.height = 6;
    o.mpfPictures = {tiny};
    QTest::newRow("cannot be turned") << o << -1;
    // Each further picture costs a turn: a few bytes per index entry must not buy thousands.
    o.mpfPictures = QList<TestJpeg::MpfPicture>(40, tiny);
    o.mpfPictures.fill(picture);
    QTest::newRow("more pictures than a camera makes") << o << -1;
    o.mpfPictures = {picture};
    QTest::newRow("index cannot be read") << o << -2;
    // A picture whose coefficients standard Huffman tables cannot carry: it decodes cleanly
    // and would be written as another picture. Only the check against what was turned sees it.
    TestJpeg::MpfPicture outOfRange;
    TestJpegCodec::Options arithmetic;
    arithmetic.width = 32;
    arithmetic.height = 32;
    arithmetic.sampling = {QPoint(1, 1)};
    outOfRange.bytes = TestJpegCodec::Recode(
        TestJpegCodec::Encode(arithmetic),
        [](int, int in_row, int in_column, short *inout_pBlock) {
            if (in_row == 0 && in_column == 0)
                inout_pBlock[1] = 20000;
        },
        true);
    o.mpfPictures = {outOfRange};
    QTest::newRow("picture that cannot be written back") << o << -1;
}

void TestPhotoMeta::multiPictureFileRefused()
{
    QFETCH(Options, options);
    QFETCH(int, patchEntry);
    QTemporaryDir dir;
    TestJpeg::Layout layout;
    QByteArray bytes = TestJpeg::Build(options, &layout);
    if (patchEntry >= 0) // entries follow the 42-byte index IFD behind the MP header
        bytes.replace(layout.mpfHeader + 50 + 16 * patchEntry + 8, 4,
                      QByteArray("\xFF\xFF\xFF\x00", 4));
    if (patchEntry == -2) // no byte order: nothing of the index can be read
        bytes.replace(layout.mpfHeader, 2, "XX");
    const QString src = TestJpeg::WriteBytes(dir.path(), "r.jpg", bytes);
    QCOMPARE(Turn(src, src, VYR_ROTATE_90), int(VYR_ERR_METADATA));
    QCOMPARE(TestJpeg::ReadAll(src), bytes);
}

// A thumbnail length may claim more than the thumbnail: what lies behind its end-of-image
// marker belongs to someone else and survives the thumbnail's replacement.
void TestPhotoMeta::thumbnailLengthClaimingMoreKeepsWhatFollows()
{
    Options o;
    o.exif = Exif::Intel;
    o.orientation = 6;
    o.thumbnail = true;
    o.thumbWidth = 64;
    o.thumbHeight = 48;
    o.afterThumbnail = "another tag's data, behind the thumbnail";
    QByteArray bytes = TestJpeg::Build(o);
    // IFD1's JPEGInterchangeFormatLength entry: tag 514, LONG, count 1, then the length.
    const QByteArray lengthEntry("\x02\x02\x04\x00\x01\x00\x00\x00", 8);
    const qsizetype at = bytes.indexOf(lengthEntry);
    QVERIFY(at > 0);
    const QByteArray thumb = TestJpeg::ReadExif(bytes).thumbnail;
    const quint32 claimed = quint32(thumb.size() + o.afterThumbnail.size());
    for (int i = 0; i < 4; ++i)
        bytes[at + 8 + i] = char((claimed >> (8 * i)) & 0xFF);
    QTemporaryDir dir;
    const QString src = TestJpeg::WriteBytes(dir.path(), "t.jpg", bytes);
    QCOMPARE(Turn(src, src, VYR_ROTATE_90), int(VYR_SUCCESS));
    const QByteArray after = TestJpeg::ReadAll(src);
    QVERIFY(after.contains(o.afterThumbnail));
    const QImage turnedThumb = TestJpeg::DecodeBytes(TestJpeg::ReadExif(after).thumbnail);
    QCOMPARE(turnedThumb.size(), QSize(48, 64));
}

QTEST_GUILESS_MAIN(TestPhotoMeta)
#include "tst_photometa.moc"
