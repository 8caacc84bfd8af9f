// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qlijpg.h"
#include "qlimgfl.h"

#include "qltrace.h"
#include "testjpeg.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using TestJpeg::Exif;
using TestJpeg::Options;

namespace {

QL_IFDTAG OrientationQuery()
{
    QL_IFDTAG tag;
    std::memset(&tag, 0, sizeof(tag));
    tag.tag = QL_TAG_ORIENTATION;
    return tag;
}

// Sets a big-endian 16-bit number in a byte array.
void SetBe16(QByteArray &io_bytes, qint64 in_pos, int in_value)
{
    io_bytes[in_pos] = char((in_value >> 8) & 0xFF);
    io_bytes[in_pos + 1] = char(in_value & 0xFF);
}

} // namespace

class TestExifTags : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_serial = 0;

    QString Write(const Options &in_options, TestJpeg::Layout *out_layout = nullptr)
    {
        return TestJpeg::Write(m_dir.path(), QStringLiteral("f%1.jpg").arg(++m_serial), in_options,
                               out_layout);
    }
    QString WriteBytes(const QByteArray &in_bytes)
    {
        return TestJpeg::WriteBytes(m_dir.path(), QStringLiteral("b%1.jpg").arg(++m_serial),
                                    in_bytes);
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QLResetAssertions();
    }

    // The two rewrites the worker performs: exactly the entry's 12 bytes change.
    void rewriteChangesOnlyTheEntry_data()
    {
        QTest::addColumn<int>("byteOrder");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<bool>("progressive");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("II 6") << int(Exif::Intel) << 6 << false
                              << QByteArray::fromHex("120103000100000001000000");
        QTest::newRow("MM 8") << int(Exif::Motorola) << 8 << false
                              << QByteArray::fromHex("011200030000000100010000");
        QTest::newRow("MM 3 progressive")
            << int(Exif::Motorola) << 3 << true << QByteArray::fromHex("011200030000000100010000");
    }
    void rewriteChangesOnlyTheEntry()
    {
        QFETCH(int, byteOrder);
        QFETCH(int, orientation);
        QFETCH(bool, progressive);
        QFETCH(QByteArray, expected);
        Options o;
        o.exif = Exif(byteOrder);
        o.orientation = orientation;
        o.progressive = progressive;
        o.thumbnail = true;
        o.exifIfd = true;
        o.xmp = TestJpeg::Xmp::AfterExif;
        TestJpeg::Layout layout;
        const QString path = Write(o, &layout);
        QVERIFY(!path.isEmpty());
        const QByteArray before = TestJpeg::ReadAll(path);

        QLImageFile file;
        QVERIFY(file.Open(path, 3));
        QL_IFDTAG tag = OrientationQuery();
        QVERIFY(QLFindIFDTag(file.GetFile(), &tag));
        QCOMPARE(tag.tag, quint16(274));
        QCOMPARE(tag.type, quint16(3));
        QCOMPARE(tag.count, quint32(1));
        QCOMPARE(tag.value, quint32(orientation));
        QCOMPARE(qint64(std::ftell(file.GetFile())), layout.orientationEntry + 12);

        tag.value = 1;
        QVERIFY(QLWriteIFDTag(file.GetFile(), &tag));
        QCOMPARE(std::fflush(file.GetFile()), 0);
        file.Close();

        const QByteArray after = TestJpeg::ReadAll(path);
        QCOMPARE(TestJpeg::Hex(after, layout.orientationEntry, 12), TestJpeg::Hex(expected));
        QVERIFY(TestJpeg::EqualOutside(before, after, layout.orientationEntry, 12));
        QCOMPARE(TestJpeg::ReadOrientation(after), 1);
        QString warning;
        QVERIFY(!TestJpeg::Decode(path, &warning).isNull());
        QVERIFY2(warning.isEmpty(), qPrintable(warning));
    }

    // Found exactly where an IFD0 walk finds it, whatever else the file holds.
    void findMatchesLayout_data()
    {
        QTest::addColumn<Options>("options");
        QTest::addColumn<int>("expected");
        for (Exif order : {Exif::Intel, Exif::Motorola}) {
            const char *bo = order == Exif::Intel ? "II" : "MM";
            for (int value : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 65535}) {
                Options o;
                o.exif = order;
                o.orientation = value;
                QTest::addRow("%s value %d", bo, value) << o << value;
            }
            Options o;
            o.exif = order;
            o.orientation = 6;
            o.otherEntries = false; // Orientation is the only entry
            QTest::addRow("%s only entry", bo) << o << 6;
            o = Options();
            o.exif = order;
            o.orientation = 8;
            o.jfif = false;
            o.sampling = TestJpeg::Sampling::Gray;
            o.comment = "x";
            QTest::addRow("%s no JFIF, gray, comment", bo) << o << 8;
            o = Options();
            o.exif = order;
            o.orientation = 70000; // a LONG: read as one 32-bit value
            o.orientationType = 4;
            QTest::addRow("%s LONG value", bo) << o << 70000;
            o.orientation = 3;
            o.orientationType = 3;
            o.orientationCount = 2; // two SHORTs: the value field is one 32-bit number
            QTest::addRow("%s two SHORTs", bo) << o << (3 << 16 | 3);
            o = Options();
            o.exif = order;
            o.orientation = 3;
            o.decoys = TestJpeg::AllDecoys;
            o.thumbnail = true;
            QTest::addRow("%s decoys", bo) << o << 3;
        }
    }
    void findMatchesLayout()
    {
        QFETCH(Options, options);
        QFETCH(int, expected);
        TestJpeg::Layout layout;
        const QString path = Write(options, &layout);
        QVERIFY(!path.isEmpty());
        QLImageFile file;
        QVERIFY(file.Open(path, 3));
        QL_IFDTAG tag = OrientationQuery();
        QVERIFY(QLFindIFDTag(file.GetFile(), &tag));
        QCOMPARE(tag.value, quint32(expected));
        QCOMPARE(tag.type, options.orientationType);
        QCOMPARE(tag.count, options.orientationCount);
        QCOMPARE(qint64(std::ftell(file.GetFile())), layout.orientationEntry + 12);
    }

    // Words equal to 274 in other entries are never taken for the entry, and the write does
    // not touch them.
    void decoyWordsAreNeverMatched_data()
    {
        QTest::addColumn<int>("byteOrder");
        QTest::addColumn<unsigned>("decoys");
        QTest::addColumn<int>("orientation");
        for (Exif order : {Exif::Intel, Exif::Motorola}) {
            const char *bo = order == Exif::Intel ? "II" : "MM";
            QTest::addRow("%s value", bo) << int(order) << unsigned(TestJpeg::DecoyValue) << 6;
            QTest::addRow("%s count", bo) << int(order) << unsigned(TestJpeg::DecoyCount) << 8;
            QTest::addRow("%s offset", bo) << int(order) << unsigned(TestJpeg::DecoyOffset) << 3;
            QTest::addRow("%s all, no entry", bo)
                << int(order) << unsigned(TestJpeg::AllDecoys) << -1;
        }
    }
    void decoyWordsAreNeverMatched()
    {
        QFETCH(int, byteOrder);
        QFETCH(unsigned, decoys);
        QFETCH(int, orientation);
        Options o;
        o.exif = Exif(byteOrder);
        o.decoys = decoys;
        o.orientation = orientation;
        TestJpeg::Layout layout;
        const QString path = Write(o, &layout);
        const QByteArray before = TestJpeg::ReadAll(path);
        QVERIFY(!layout.decoyWords.isEmpty());
        for (qint64 d : layout.decoyWords) // the decoys really are there
            QCOMPARE(TestJpeg::Hex(before, d, 2),
                     byteOrder == int(Exif::Intel) ? "12 01" : "01 12");

        QLImageFile file;
        QVERIFY(file.Open(path, 3));
        QL_IFDTAG tag = OrientationQuery();
        QCOMPARE(QLFindIFDTag(file.GetFile(), &tag), orientation >= 0);
        if (orientation >= 0)
            QCOMPARE(tag.value, quint32(orientation));
        tag = OrientationQuery();
        tag.type = 3;
        tag.count = 1;
        tag.value = 1;
        QCOMPARE(QLWriteIFDTag(file.GetFile(), &tag), orientation >= 0);
        file.Close();
        const QByteArray after = TestJpeg::ReadAll(path);
        if (orientation < 0)
            QCOMPARE(after, before);
        else
            QVERIFY(TestJpeg::EqualOutside(before, after, layout.orientationEntry, 12));
    }

    // Files where the Orientation cannot be found: false, and a write changes nothing.
    void notFound_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        Options o;
        QTest::newRow("JFIF only") << TestJpeg::Build(o);
        o.exif = Exif::Intel;
        o.orientation = -1;
        o.thumbnail = true;
        QTest::newRow("no Orientation entry") << TestJpeg::Build(o);
        o = Options();
        o.exif = Exif::Motorola;
        o.orientation = 6;
        o.xmp = TestJpeg::Xmp::BeforeExif;
        QTest::newRow("first APP1 is XMP") << TestJpeg::Build(o);

        o = Options();
        o.exif = Exif::Intel;
        o.orientation = 6;
        TestJpeg::Layout layout;
        const QByteArray good = TestJpeg::Build(o, &layout);
        for (qint64 cut : {layout.tiffHeader, layout.tiffHeader + 3, layout.tiffHeader + 7,
                           layout.ifd0 + 1, layout.orientationEntry + 11})
            QTest::addRow("cut at %lld", cut) << good.left(cut);
        QByteArray zero = good;
        SetBe16(zero, layout.exifSegment + 2, 0);
        QTest::newRow("APP1 length 0") << zero;
        QByteArray one = good;
        SetBe16(one, layout.exifSegment + 2, 1);
        QTest::newRow("APP1 length 1") << one;
        // The segment ends before the entry: the entry lies outside it and is not read.
        QByteArray shortSeg = good;
        SetBe16(shortSeg, layout.exifSegment + 2,
                int(layout.orientationEntry - layout.exifSegment - 2 + 11));
        QTest::newRow("entry beyond segment end") << shortSeg;
        QByteArray wrongId = good;
        wrongId[layout.exifPayload + 4] = 'x';
        QTest::newRow("identifier Exifx") << wrongId;
        QByteArray farIfd = good;
        farIfd[layout.tiffHeader + 7] = char(0x7F); // II: IFD0 offset 0x7F000008
        QTest::newRow("IFD0 offset beyond segment") << farIfd;
        QByteArray noSoi = good;
        noSoi[1] = char(0xD9);
        QTest::newRow("no SOI") << noSoi;
        QTest::newRow("empty") << QByteArray();
    }
    void notFound()
    {
        QFETCH(QByteArray, bytes);
        const QString path = WriteBytes(bytes);
        QLImageFile file;
        QVERIFY(file.Open(path, 3));
        QL_IFDTAG tag = OrientationQuery();
        QVERIFY(!QLFindIFDTag(file.GetFile(), &tag));
        tag = OrientationQuery();
        tag.type = 3;
        tag.count = 1;
        tag.value = 1;
        QVERIFY(!QLWriteIFDTag(file.GetFile(), &tag));
        file.Close();
        QCOMPARE(TestJpeg::ReadAll(path), bytes);
        QCOMPARE(QLAssertFailureCount(), 0);
    }

    // A cut inside the TIFF header: the header read still succeeds, the search does not.
    void truncatedTiffHeader()
    {
        Options o;
        o.exif = Exif::Motorola;
        TestJpeg::Layout layout;
        const QByteArray good = TestJpeg::Build(o, &layout);
        const QString path = WriteBytes(good.left(layout.tiffHeader + 5));
        QLImageFile file;
        QVERIFY(file.Open(path, 0));
        QCOMPARE(QLFindJpegMarker(file.GetFile(), QL_JPEG_APP1), int(layout.exifLength - 2));
        QL_EXIFHEADER header;
        std::memset(&header, 0, sizeof(header));
        QVERIFY(QLReadExifHeader(file.GetFile(), &header));
        QCOMPARE(header.byteOrder, quint16(0x4D4D));
        QCOMPARE(header.magic, quint16(42));
        QCOMPARE(header.ifdOffset, quint32(0)); // not read
        QL_IFDTAG tag = OrientationQuery();
        QVERIFY(!QLFindIFDTag(file.GetFile(), &tag));
    }

    void exifHeaderFields_data()
    {
        QTest::addColumn<int>("byteOrder");
        QTest::addColumn<int>("stored");
        QTest::newRow("II") << int(Exif::Intel) << 0x4949;
        QTest::newRow("MM") << int(Exif::Motorola) << 0x4D4D;
    }
    void exifHeaderFields()
    {
        QFETCH(int, byteOrder);
        QFETCH(int, stored);
        Options o;
        o.exif = Exif(byteOrder);
        TestJpeg::Layout layout;
        QLImageFile file;
        QVERIFY(file.Open(Write(o, &layout), 0));
        QCOMPARE(qint64(QLFindJpegMarker(file.GetFile(), QL_JPEG_APP1)), layout.exifLength - 2);
        QCOMPARE(qint64(std::ftell(file.GetFile())), layout.exifPayload);
        QL_EXIFHEADER header;
        std::memset(&header, 0, sizeof(header));
        QVERIFY(QLReadExifHeader(file.GetFile(), &header));
        QCOMPARE(QByteArray(header.identifier, 6), QByteArray("Exif\0\0", 6));
        QCOMPARE(int(header.byteOrder), stored);
        QCOMPARE(header.magic, quint16(42));
        QCOMPARE(header.ifdOffset, quint32(8));
        QCOMPARE(qint64(std::ftell(file.GetFile())), layout.tiffHeader + 8);

        // The JFIF payload read from the APP0 marker.
        QCOMPARE(QLFindJpegMarker(file.GetFile(), QL_JPEG_APP0), 14);
        QL_JFIFHEADER jfif;
        std::memset(&jfif, 0, sizeof(jfif));
        jfif.length = 14;
        QVERIFY(QLReadJfifHeader(file.GetFile(), &jfif));
        QCOMPARE(jfif.versionMajor, quint8(1));
        QCOMPARE(jfif.versionMinor, quint8(1));
        QCOMPARE(jfif.xDensity, quint16(1));
        QCOMPARE(jfif.yDensity, quint16(1));
        // Asking for more than the record holds reads only its 14 bytes.
        QCOMPARE(QLFindJpegMarker(file.GetFile(), QL_JPEG_APP0), 14);
        jfif.length = 1000;
        QVERIFY(QLReadJfifHeader(file.GetFile(), &jfif));
        QCOMPARE(qint64(std::ftell(file.GetFile())), qint64(6 + 14));
        // An APP1 payload is not JFIF.
        QVERIFY(QLFindJpegMarker(file.GetFile(), QL_JPEG_APP1) > 0);
        jfif.length = 14;
        QVERIFY(!QLReadJfifHeader(file.GetFile(), &jfif));
    }

    // Markers are found by walking segments, never by bytes that merely look like one.
    void markerWalk()
    {
        Options o;
        o.exif = Exif::Intel;
        o.orientation = 8;
        // A comment holding a complete fake Exif APP1 (orientation 3) before the real one.
        Options fake = o;
        fake.orientation = 3;
        const QByteArray fakeExif = TestJpeg::BuildExifPayload(fake);
        QByteArray comment("\xFF\xE1", 2);
        comment.append(char((fakeExif.size() + 2) >> 8)).append(char((fakeExif.size() + 2) & 0xFF));
        comment.append(fakeExif);
        o.extraSegments << TestJpeg::RawSegment{0xFFE2, comment};
        // Put the real Exif after the fake one by listing it as an extra segment too.
        o.extraSegments << TestJpeg::RawSegment{0xFFE1, TestJpeg::BuildExifPayload(o)};
        o.exif = Exif::None;
        const QByteArray bytes = TestJpeg::Build(o);
        const QString path = WriteBytes(bytes);
        QLImageFile file;
        QVERIFY(file.Open(path, 3));
        QL_IFDTAG tag = OrientationQuery();
        QVERIFY(QLFindIFDTag(file.GetFile(), &tag));
        QCOMPARE(tag.value, quint32(8));

        FILE *f = file.GetFile();
        QCOMPARE(QLFindJpegMarker(f, QL_JPEG_SOI), 0);
        QCOMPARE(std::ftell(f), 2L);
        QCOMPARE(QLFindJpegMarker(f, QL_JPEG_APP0), 14);
        QCOMPARE(std::ftell(f), 6L);
        QVERIFY(QLFindJpegMarker(f, QL_JPEG_SOS) > 0);
        // Nothing after the start of scan is a header marker, not even the real EOI.
        QCOMPARE(QLFindJpegMarker(f, QL_JPEG_EOI), -1);
        QCOMPARE(QLFindJpegMarker(f, 0xFFEC), -1);
    }

    void completeJpeg()
    {
        Options o;
        const QByteArray good = TestJpeg::Build(o);
        QLImageFile a, b, c, d;
        QVERIFY(a.Open(WriteBytes(good), 0));
        QVERIFY(QLIsCompleteJpeg(a.GetFile()));
        QVERIFY(b.Open(WriteBytes(good.left(good.size() - 1)), 0));
        QVERIFY(!QLIsCompleteJpeg(b.GetFile()));
        QVERIFY(c.Open(WriteBytes(QByteArray("\xFF\xD8", 2)), 0));
        QVERIFY(!QLIsCompleteJpeg(c.GetFile()));
        QByteArray notJpeg = good;
        notJpeg[0] = 'x';
        QVERIFY(d.Open(WriteBytes(notJpeg), 0));
        QVERIFY(!QLIsCompleteJpeg(d.GetFile()));
    }

    void writeOnReadOnlyStreamFails()
    {
        Options o;
        o.exif = Exif::Intel;
        o.orientation = 6;
        const QString path = Write(o);
        const QByteArray before = TestJpeg::ReadAll(path);
        QLImageFile file;
        QVERIFY(file.Open(path, 0));
        QL_IFDTAG tag = OrientationQuery();
        QVERIFY(QLFindIFDTag(file.GetFile(), &tag));
        tag.value = 1;
        QVERIFY(!QLWriteIFDTag(file.GetFile(), &tag));
        file.Close();
        QCOMPARE(TestJpeg::ReadAll(path), before);
    }

    void nullArgumentsAreRefused()
    {
        Options o;
        o.exif = Exif::Intel;
        QLImageFile file;
        QVERIFY(file.Open(Write(o), 3));
        QL_IFDTAG tag = OrientationQuery();
        QL_EXIFHEADER header{};
        QL_JFIFHEADER jfif{};

        QCOMPARE(QLFindJpegMarker(nullptr, QL_JPEG_APP1), -1);
        QCOMPARE(QLLastAssertion(), QStringLiteral("in_pFile"));
        QVERIFY(!QLFindIFDTag(nullptr, &tag));
        QVERIFY(!QLWriteIFDTag(nullptr, &tag));
        QVERIFY(!QLReadExifHeader(nullptr, &header));
        QVERIFY(!QLReadJfifHeader(nullptr, &jfif));
        QVERIFY(!QLIsCompleteJpeg(nullptr));
        QCOMPARE(QLAssertFailureCount(), 6);
        QCOMPARE(QLLastAssertion(), QStringLiteral("in_pFile"));

        QVERIFY(!QLReadExifHeader(file.GetFile(), nullptr));
        QCOMPARE(QLLastAssertion(), QStringLiteral("out_pHeader"));
        QVERIFY(!QLReadJfifHeader(file.GetFile(), nullptr));
        QCOMPARE(QLLastAssertion(), QStringLiteral("out_pHeader"));
        QVERIFY(!QLFindIFDTag(file.GetFile(), nullptr));
        QCOMPARE(QLLastAssertion(), QStringLiteral("inout_pIFDTag"));
        QVERIFY(!QLWriteIFDTag(file.GetFile(), nullptr));
        QCOMPARE(QLLastAssertion(), QStringLiteral("in_pIFDTag"));
    }

    void reverseBytes()
    {
        unsigned char four[] = {1, 2, 3, 4};
        QLReverseBytes(four, 4);
        QCOMPARE(QByteArray(reinterpret_cast<char *>(four), 4), QByteArray("\x04\x03\x02\x01", 4));
        unsigned char three[] = {1, 2, 3};
        QLReverseBytes(three, 3);
        QCOMPARE(QByteArray(reinterpret_cast<char *>(three), 3), QByteArray("\x03\x02\x01", 3));
        QLReverseBytes(three, 0);
        QLReverseBytes(nullptr, 4);
        QCOMPARE(three[0], (unsigned char)3);
    }
};

QTEST_GUILESS_MAIN(TestExifTags)
#include "tst_qlijpg.moc"
