// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Test support: writes real JPEG files with chosen metadata, and reads them back with code that
// is independent of the program's own readers.
//
// Writing:
//     TestJpeg::Options o;          // 64x48, 4:2:0, quality 90, baseline, JFIF APP0, no Exif
//     o.exif = TestJpeg::Exif::Intel;
//     o.orientation = 6;            // Orientation entry (tag 274, SHORT, count 1) with value 6
//     QString path = TestJpeg::Write(dir.path(), "a.jpg", o);   // empty string on failure
//
// The file is assembled from our own marker segments: SOI, [APP0 JFIF], [XMP APP1 before],
// [Exif APP1], [XMP APP1 after], [extra segments], [COM], then the tables, frame, scan and EOI
// that TurboJPEG produced. Build() returns the same bytes without writing them, and fills a
// Layout with the file offsets that tests need (where the Orientation entry and decoy words lie).
//
// Exif APP1 layout (IFD0 entries in ascending tag order, as TIFF requires):
//     ImageWidth (256) and ImageLength (257), of sizeType    when otherEntries
//     ImageDescription (270, ASCII, offset)                 when decoys has DecoyCount
//     Make (271, ASCII, offset to make)                     when otherEntries
//     Orientation (274, orientationType, orientationCount)  unless orientation < 0
//     XResolution/YResolution (282/283, RATIONAL, offset)   when otherEntries
//     ResolutionUnit (296, SHORT)                           when otherEntries
//     ExifIFD pointer (34665, LONG) -> ExifVersion, [MakerNote], PixelXDimension,
//                                      PixelYDimension (of sizeType)  when exifIfd
// then the next-IFD link (to IFD1 when thumbnail, else 0), the data area, the Exif IFD, the
// maker note, IFD1 (Compression 6, [Orientation], JPEGInterchangeFormat 513,
// JPEGInterchangeFormatLength 514), the embedded thumbnail JPEG and afterThumbnail.
// Decoys are words equal to 274 that a scan of 16-bit words from the start of IFD0 would meet
// before the real Orientation entry (all at even distances from the TIFF header):
//     DecoyValue  - ImageWidth's value is 274 (the image stays its real size)
//     DecoyCount  - ImageDescription has count 274 (a 273-character text + NUL)
//     DecoyOffset - Make's text is placed at TIFF offset 274
// A reader that only walks IFD0's real entries finds the true Orientation; a raw scan does not.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>

namespace TestJpeg {

enum class Sampling
{
    S444,
    S422,
    S420,
    Gray
};
enum class Exif
{
    None,
    Intel,
    Motorola
};
enum class Xmp
{
    None,
    BeforeExif,
    AfterExif
};

enum class XmpForm
{
    Attribute, // tiff:Orientation='3'
    Element    // <tiff:Orientation>3</tiff:Orientation>
};

// A further picture of a multi-picture file (see Options::mpfPictures).
struct MpfPicture
{
    int width = 32;
    int height = 24;
    Exif exif = Exif::None; // its own Exif block, with Orientation and sizes
    int orientation = 6;
    QByteArray bytes;                // the picture's bytes as they are, instead of a JPEG
    quint32 attribute = 0x00010001u; // MP type: large thumbnail, JPEG data
};

// Decoy flags (combine with |).
enum Decoy : unsigned
{
    NoDecoy = 0,
    DecoyValue = 1,
    DecoyCount = 2,
    DecoyOffset = 4,
    AllDecoys = 7
};

// One raw marker segment to insert (marker 0xFFxx with a length field; payload without length).
struct RawSegment
{
    quint16 marker = 0xFFE2;
    QByteArray payload;
};

struct Options
{
    int width = 64;
    int height = 48;
    Sampling sampling = Sampling::S420;
    int quality = 90;
    bool progressive = false;
    // Seed of the generated content; ignored when content is set.
    quint32 seed = 1;
    // Content to compress instead of the generated picture (scaled to width x height if needed).
    QImage content;

    bool jfif = true;            // JFIF APP0 right after SOI
    Exif exif = Exif::None;      // Exif APP1 and its byte order
    int orientation = 1;         // value of the Orientation entry; < 0: no entry at all
    quint16 orientationType = 3; // TIFF type of that entry (3 = SHORT)
    quint32 orientationCount = 1;
    bool otherEntries = true;  // ImageWidth, ImageLength, Make, X/YResolution, ResolutionUnit
    unsigned decoys = NoDecoy; // Decoy flags
    bool thumbnail = false;    // IFD1 with an embedded JPEG thumbnail (16x12 by default)
    bool exifIfd = false;      // Exif sub-IFD pointer in IFD0
    Xmp xmp = Xmp::None;       // extra non-Exif APP1 ("http://ns.adobe.com/xap/1.0/\0" + packet)
    QByteArray comment;        // COM segment when not empty
    QList<RawSegment> extraSegments; // inserted after the APPn segments, before COM
    QByteArray trailer;              // bytes appended after EOI (after the further pictures)

    // Sizes: ImageWidth/ImageLength in IFD0 and PixelX/YDimension in the Exif IFD are written
    // with this TIFF type (3 SHORT, 4 LONG).
    quint16 sizeType = 4;
    // Thumbnail (when thumbnail is set): its size, IFD1's Orientation (< 0: none), bytes used
    // instead of the generated JPEG, and bytes placed after it in the Exif block.
    int thumbWidth = 16;
    int thumbHeight = 12;
    int thumbOrientation = -1;
    QByteArray thumbnailBytes;
    QByteArray afterThumbnail;
    // A maker note (tag 37500, in the Exif IFD): an IFD whose text values lie at offsets
    // from the TIFF header, as many cameras write it. Needs exifIfd.
    bool makerNote = false;
    QByteArray make = "VeyraTest"; // Make's text ("Canon" lets readers decode the maker note)
    // XMP packet (when xmp is set): form, Orientation (< 0: none), whether it carries
    // tiff:ImageWidth/ImageLength and exif:PixelX/YDimension (the picture's size), white space
    // padding before the closing xpacket instruction, and the prefix bound to the tiff namespace.
    XmpForm xmpForm = XmpForm::Attribute;
    int xmpOrientation = 3;
    bool xmpSizes = false;
    int xmpPadding = 0;
    QByteArray xmpTiffPrefix = "tiff";
    // Multi-picture file: an APP2 "MPF" index after the other APPn segments, and these
    // pictures right after the primary's EOI, in order.
    QList<MpfPicture> mpfPictures;
    qint64 truncateAt = -1; // >= 0: keep only the first truncateAt bytes
};

// File offsets of what Build() assembled (-1 when absent).
struct Layout
{
    qint64 exifSegment = -1;      // offset of the Exif APP1 marker (FF E1)
    qint64 exifPayload = -1;      // offset of "Exif\0\0"
    qint64 exifLength = -1;       // the Exif APP1 length field's value
    qint64 tiffHeader = -1;       // offset of the TIFF header ("II"/"MM")
    qint64 ifd0 = -1;             // offset of IFD0 (its entry count)
    qint64 orientationEntry = -1; // offset of the Orientation entry's 12 bytes
    QList<qint64> decoyWords;     // offsets of the decoy words equal to 274
    qint64 scanStart = -1;        // offset of the frame/scan data (first segment after metadata)
    qint64 thumbnail = -1;        // offset of the Exif thumbnail's first byte
    qint64 thumbnailLength = -1;
    qint64 makerNote = -1;     // offset of the maker note's first byte
    qint64 xmpSegment = -1;    // offset of the XMP APP1 marker
    qint64 mpfSegment = -1;    // offset of the MPF APP2 marker
    qint64 mpfHeader = -1;     // offset of the MP header (MPF offsets count from here)
    qint64 primaryEnd = -1;    // offset just past the primary picture's EOI
    QList<qint64> mpfPictures; // offsets of the further pictures
};

// The deterministic, asymmetric picture: gradients, a few hard edges and seeded texture.
// A rotation or a mirror changes it visibly.
QImage MakeContent(int in_width, int in_height, quint32 in_seed = 1);

// The whole file as bytes, or an empty array when TurboJPEG fails (reason on qWarning).
QByteArray Build(const Options &in_options = Options(), Layout *out_layout = nullptr);
// Only the Exif APP1 payload ("Exif\0\0" + TIFF data), offsets relative to that payload.
QByteArray BuildExifPayload(const Options &in_options, Layout *out_layout = nullptr);

// Writes Build(in_options) to in_dir/in_name; returns the path, or an empty string on failure.
QString Write(const QString &in_dir, const QString &in_name, const Options &in_options = Options(),
              Layout *out_layout = nullptr);
// Writes the bytes as they are; returns the path, or an empty string on failure.
QString WriteBytes(const QString &in_dir, const QString &in_name, const QByteArray &in_bytes);
// An empty file.
QString WriteEmpty(const QString &in_dir, const QString &in_name);
// in_size seeded random bytes (optionally starting with FF D8 so it looks like a JPEG).
QString WriteRandom(const QString &in_dir, const QString &in_name, int in_size, quint32 in_seed,
                    bool in_startWithSoi = false);
// Bytes of a file, or an empty array when it cannot be read.
QByteArray ReadAll(const QString &in_path);

// Decodes with TurboJPEG into Format_RGB32. Returns a null image on failure. Warnings (for
// example a premature end of data) still give an image; the text of the first one goes to
// *out_warning (empty when there was none). *out_error receives the failure text.
QImage Decode(const QString &in_path, QString *out_warning = nullptr, QString *out_error = nullptr);
// What an Exif-aware viewer shows of a photo (its Orientation applied): ImageMagick's rendering
// where `convert` is installed, Qt's own Exif handling otherwise; Format_RGB32.
QImage Shown(const QString &in_path);
QImage DecodeBytes(const QByteArray &in_bytes, QString *out_warning = nullptr,
                   QString *out_error = nullptr);

// One marker segment before the start of scan.
struct Segment
{
    quint16 marker = 0; // 0xFFxx
    qint64 offset = 0;  // offset of the marker's first byte
    int length = 0;     // the length field (0 for markers without one)
    QByteArray payload; // bytes after the length field (may be short in a truncated file)
};
// Walks the segments from SOI (which is listed first) up to and including SOS, or up to EOI
// or the end of the data. A file that does not start with SOI gives an empty list.
QList<Segment> Segments(const QByteArray &in_bytes);
QList<Segment> SegmentsOfFile(const QString &in_path);

// A second opinion on the Orientation: the first APP1 segment, if it is Exif, is parsed as
// TIFF and IFD0's entries are walked. Returns the value of the entry with tag 274 (the first
// SHORT of its value field, in the file's byte order), or -1 when there is none (no APP1, first
// APP1 not Exif, no such entry, or anything out of bounds).
int ReadOrientation(const QByteArray &in_bytes);
int ReadOrientationOfFile(const QString &in_path);

// A second opinion on the whole Exif block: the first APP1 whose payload starts with "Exif"
// wherever it lies, walked as TIFF. Values of single SHORT or LONG entries by tag, per IFD.
struct ExifView
{
    bool valid = false;
    qint64 segment = -1; // offset of the APP1 marker
    QByteArray payload;  // "Exif\0\0" and the TIFF data
    QMap<quint16, quint32> ifd0, exifIfd, ifd1;
    QMap<quint16, qint64> ifd0At, exifIfdAt, ifd1At; // payload offsets of those value fields
    QByteArray thumbnail;    // IFD1's JPEG thumbnail, when it lies inside the block
    qint64 thumbnailAt = -1; // its payload offset
};
ExifView ReadExif(const QByteArray &in_bytes);

// The MPF index of the first APP2 "MPF" segment: per picture its attribute, size and offset
// (from the MP header, whose file offset goes to *out_header). Empty when there is none.
struct MpfEntry
{
    quint32 attribute = 0;
    quint32 size = 0;
    quint32 offset = 0;
};
QList<MpfEntry> ReadMpf(const QByteArray &in_bytes, qint64 *out_header = nullptr);

// The payload of the first APP1 that starts with the XMP identifier (identifier included).
QByteArray XmpPayload(const QByteArray &in_bytes);

// Offsets at which the two arrays differ (a length difference counts from the shorter end).
QList<qint64> DifferingOffsets(const QByteArray &in_a, const QByteArray &in_b);
// True when the arrays are equal except in [in_from, in_from + in_count).
bool EqualOutside(const QByteArray &in_a, const QByteArray &in_b, qint64 in_from, qint64 in_count);
// Hex bytes "12 01 03 00" of a slice, for readable failures.
QString Hex(const QByteArray &in_bytes, qint64 in_from = 0, qint64 in_count = -1);

// Rotates clockwise by 90, 180 or -90/270 degrees (exact pixel moves); other angles give a copy.
QImage Rotate(const QImage &in_image, int in_degrees);
// Largest difference of one colour channel between two images of the same size, ignoring an
// edge of in_edge pixels all round. -1 when the sizes differ or an image is null.
int MaxDifference(const QImage &in_a, const QImage &in_b, int in_edge = 0);

} // namespace TestJpeg

// Options can be a column of a data-driven test.
Q_DECLARE_METATYPE(TestJpeg::Options)
