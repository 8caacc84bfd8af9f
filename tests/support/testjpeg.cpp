// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "testjpeg.h"

#include <QDir>
#include <QFile>
#include <QtDebug>

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace TestJpeg {

namespace {

using TjHandle = std::unique_ptr<void, decltype(&tjDestroy)>;
using TjBuffer = std::unique_ptr<unsigned char, decltype(&tjFree)>;

// Byte order aware writer of TIFF numbers into a growing buffer.
class TiffBytes
{
public:
    explicit TiffBytes(bool in_bigEndian) : m_bigEndian(in_bigEndian) {}

    QByteArray &Bytes() { return m_bytes; }
    bool BigEndian() const { return m_bigEndian; }

    void Put16(qint64 in_pos, quint32 in_value)
    {
        Reserve(in_pos + 2);
        quint8 *p = reinterpret_cast<quint8 *>(m_bytes.data()) + in_pos;
        if (m_bigEndian) {
            p[0] = quint8(in_value >> 8);
            p[1] = quint8(in_value);
        } else {
            p[0] = quint8(in_value);
            p[1] = quint8(in_value >> 8);
        }
    }
    void Put32(qint64 in_pos, quint32 in_value)
    {
        if (m_bigEndian) {
            Put16(in_pos, in_value >> 16);
            Put16(in_pos + 2, in_value & 0xFFFF);
        } else {
            Put16(in_pos, in_value & 0xFFFF);
            Put16(in_pos + 2, in_value >> 16);
        }
    }
    // Number in file order as a byte array of in_size bytes (1, 2 or 4).
    QByteArray Number(quint32 in_value, int in_size) const
    {
        QByteArray out(in_size, '\0');
        for (int i = 0; i < in_size; ++i) {
            const int shift = m_bigEndian ? 8 * (in_size - 1 - i) : 8 * i;
            out[i] = char((in_value >> shift) & 0xFF);
        }
        return out;
    }
    void Reserve(qint64 in_size)
    {
        if (m_bytes.size() < in_size)
            m_bytes.append(QByteArray(in_size - m_bytes.size(), '\0'));
    }
    // Appends at an even offset (TIFF data starts on word boundaries); returns the offset.
    qint64 AppendAligned(const QByteArray &in_data, qint64 in_atLeast = 0)
    {
        qint64 pos = std::max<qint64>(m_bytes.size(), in_atLeast);
        if (pos % 2)
            ++pos;
        Reserve(pos);
        m_bytes.append(in_data);
        return pos;
    }

private:
    QByteArray m_bytes;
    bool m_bigEndian;
};

struct Entry
{
    quint16 tag = 0;
    quint16 type = 0;
    quint32 count = 0;
    QByteArray data;          // the values in file order (count * type size bytes)
    qint64 forcedOffset = -1; // out-of-line data placed at this TIFF offset
    bool isPointer = false;   // value is an offset patched later (sub-IFD, thumbnail)
    qint64 valuePos = -1;     // filled in when written: TIFF offset of the value field
};

int TypeSize(quint16 in_type)
{
    switch (in_type) {
    case 1:
    case 2:
    case 6:
    case 7:
        return 1;
    case 3:
    case 8:
        return 2;
    case 4:
    case 9:
    case 11:
        return 4;
    case 5:
    case 10:
    case 12:
        return 8;
    default:
        return 1;
    }
}

// Writes an IFD at in_pos with its entries, appending out-of-line data after the current end.
// Returns the TIFF offset of the next-IFD link field.
qint64 WriteIfd(TiffBytes &io_tiff, qint64 in_pos, std::vector<Entry> &io_entries)
{
    io_tiff.Put16(in_pos, quint32(io_entries.size()));
    const qint64 linkPos = in_pos + 2 + 12 * qint64(io_entries.size());
    io_tiff.Put32(linkPos, 0);
    // Forced offsets first, so that nothing else takes their place.
    std::vector<size_t> order(io_entries.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return (io_entries[a].forcedOffset >= 0) > (io_entries[b].forcedOffset >= 0);
    });
    for (size_t i : order) {
        Entry &e = io_entries[i];
        const qint64 entryPos = in_pos + 2 + 12 * qint64(i);
        io_tiff.Put16(entryPos, e.tag);
        io_tiff.Put16(entryPos + 2, e.type);
        io_tiff.Put32(entryPos + 4, e.count);
        e.valuePos = entryPos + 8;
        if (e.data.size() <= 4 && e.forcedOffset < 0) {
            io_tiff.Reserve(entryPos + 12);
            QByteArray &b = io_tiff.Bytes();
            for (int k = 0; k < 4; ++k)
                b[entryPos + 8 + k] = k < e.data.size() ? e.data[k] : '\0';
        } else {
            const qint64 at =
                io_tiff.AppendAligned(e.data, std::max<qint64>(e.forcedOffset, linkPos + 4));
            io_tiff.Put32(entryPos + 8, quint32(at));
        }
    }
    return linkPos;
}

Entry MakeEntry(const TiffBytes &in_tiff, quint16 in_tag, quint16 in_type, quint32 in_count,
                quint32 in_value)
{
    Entry e;
    e.tag = in_tag;
    e.type = in_type;
    e.count = in_count;
    const int size = TypeSize(in_type);
    for (quint32 i = 0; i < in_count; ++i) {
        if (size == 8) {
            e.data += in_tiff.Number(in_value, 4);
            e.data += in_tiff.Number(1, 4);
        } else {
            e.data += in_tiff.Number(in_value, size);
        }
    }
    return e;
}

Entry MakeAscii(quint16 in_tag, const QByteArray &in_text)
{
    Entry e;
    e.tag = in_tag;
    e.type = 2;
    e.data = in_text + '\0';
    e.count = quint32(e.data.size());
    return e;
}

Entry MakeRational(const TiffBytes &in_tiff, quint16 in_tag, quint32 in_num, quint32 in_den)
{
    Entry e;
    e.tag = in_tag;
    e.type = 5;
    e.count = 1;
    e.data = in_tiff.Number(in_num, 4) + in_tiff.Number(in_den, 4);
    return e;
}

int TjSampling(Sampling in_sampling)
{
    switch (in_sampling) {
    case Sampling::S444:
        return TJSAMP_444;
    case Sampling::S422:
        return TJSAMP_422;
    case Sampling::Gray:
        return TJSAMP_GRAY;
    case Sampling::S420:
        break;
    }
    return TJSAMP_420;
}

// Compresses an image with TurboJPEG; optionally makes it progressive. Empty on failure.
QByteArray Compress(const QImage &in_image, Sampling in_sampling, int in_quality,
                    bool in_progressive)
{
    const QImage img = in_image.convertToFormat(QImage::Format_RGB32);
    TjHandle handle(tjInitCompress(), &tjDestroy);
    if (!handle) {
        qWarning("TestJpeg: tjInitCompress failed: %s", tjGetErrorStr2(nullptr));
        return {};
    }
    unsigned char *buf = nullptr;
    unsigned long size = 0;
    // Format_RGB32 is 0xffRRGGBB per pixel: B, G, R, X in memory on a little-endian host.
    const int pf = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRX : TJPF_XRGB;
    if (tjCompress2(handle.get(), img.constBits(), img.width(), int(img.bytesPerLine()),
                    img.height(), pf, &buf, &size, TjSampling(in_sampling), in_quality, 0) != 0) {
        qWarning("TestJpeg: tjCompress2 failed: %s", tjGetErrorStr2(handle.get()));
        tjFree(buf);
        return {};
    }
    TjBuffer owned(buf, &tjFree);
    QByteArray out(reinterpret_cast<const char *>(buf), int(size));
    if (!in_progressive)
        return out;

    TjHandle xhandle(tjInitTransform(), &tjDestroy);
    tjtransform xform{};
    xform.op = TJXOP_NONE;
    xform.options = TJXOPT_PROGRESSIVE;
    unsigned char *dst = nullptr;
    unsigned long dstSize = 0;
    if (!xhandle || tjTransform(xhandle.get(), buf, size, 1, &dst, &dstSize, &xform, 0) != 0) {
        qWarning("TestJpeg: tjTransform failed: %s", tjGetErrorStr2(xhandle.get()));
        tjFree(dst);
        return {};
    }
    TjBuffer ownedDst(dst, &tjFree);
    return QByteArray(reinterpret_cast<const char *>(dst), int(dstSize));
}

// The bytes of a TurboJPEG stream from its first table/frame segment on (SOI, APPn and COM
// removed), so that we place the metadata ourselves.
QByteArray StripMetadata(const QByteArray &in_jpeg)
{
    const QList<Segment> segs = Segments(in_jpeg);
    for (const Segment &s : segs) {
        if (s.marker == 0xFFD8 || (s.marker >= 0xFFE0 && s.marker <= 0xFFEF) || s.marker == 0xFFFE)
            continue;
        return in_jpeg.mid(s.offset);
    }
    return {};
}

QByteArray SegmentBytes(quint16 in_marker, const QByteArray &in_payload)
{
    QByteArray out;
    const int len = int(in_payload.size()) + 2;
    out.append(char(in_marker >> 8)).append(char(in_marker & 0xFF));
    out.append(char((len >> 8) & 0xFF)).append(char(len & 0xFF));
    out.append(in_payload);
    return out;
}

QByteArray JfifPayload()
{
    // "JFIF\0", version 1.01, aspect-ratio units, density 1:1, no thumbnail.
    static const char kJfif[] = {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
    return QByteArray(kJfif, sizeof(kJfif));
}

// The XMP APP1 payload. With the default options it is the one attribute tiff:Orientation='3'.
QByteArray BuildXmp(const Options &in_options)
{
    const QByteArray t = in_options.xmpTiffPrefix;
    QList<QPair<QByteArray, int>> properties;
    if (in_options.xmpOrientation >= 0)
        properties.append({t + ":Orientation", in_options.xmpOrientation});
    if (in_options.xmpSizes) {
        properties.append({t + ":ImageWidth", in_options.width});
        properties.append({t + ":ImageLength", in_options.height});
        properties.append({"exif:PixelXDimension", in_options.width});
        properties.append({"exif:PixelYDimension", in_options.height});
    }
    QByteArray p("http://ns.adobe.com/xap/1.0/");
    p.append('\0');
    p.append("<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>"
             "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
             "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
             "<rdf:Description rdf:about='' xmlns:");
    p.append(t + "='http://ns.adobe.com/tiff/1.0/'");
    if (in_options.xmpSizes)
        p.append(" xmlns:exif='http://ns.adobe.com/exif/1.0/'");
    if (in_options.xmpForm == XmpForm::Attribute) {
        for (const auto &property : properties)
            p.append(' ' + property.first + "='" + QByteArray::number(property.second) + '\'');
        p.append("/>");
    } else {
        p.append('>');
        for (const auto &property : properties)
            p.append('<' + property.first + '>' + QByteArray::number(property.second) + "</" +
                     property.first + '>');
        p.append("</rdf:Description>");
    }
    p.append("</rdf:RDF></x:xmpmeta>");
    // Padding as writers lay it out: lines of spaces.
    for (int i = 0; i < in_options.xmpPadding; ++i)
        p.append(i % 100 == 99 ? '\n' : ' ');
    p.append("<?xpacket end='w'?>");
    return p;
}

// A maker note laid out as an IFD whose text values lie at offsets from the TIFF header (the
// note itself placed at in_base): moving the note would break them.
QByteArray MakerNote(const TiffBytes &in_tiff, quint32 in_base)
{
    const QList<QPair<quint16, QByteArray>> texts = {{0x0006, "Veyra Test Image"},
                                                     {0x0007, "Firmware Version 1.0.0"},
                                                     {0x0009, "Veyra Owner Name"}};
    const int count = int(texts.size());
    QByteArray note = in_tiff.Number(quint32(count), 2);
    QByteArray data;
    const quint32 dataAt = in_base + 2 + 12 * quint32(count) + 4;
    for (const auto &text : texts) {
        const QByteArray value = text.second + '\0';
        note += in_tiff.Number(text.first, 2) + in_tiff.Number(2, 2) +
                in_tiff.Number(quint32(value.size()), 4) +
                in_tiff.Number(dataAt + quint32(data.size()), 4);
        data += value;
        if (data.size() % 2)
            data += '\0';
    }
    note += in_tiff.Number(0, 4);
    return note + data;
}

// An MPF payload: "MPF\0", the MP header, and either the index of in_count pictures (sizes and
// offsets left 0 for the caller to fill) or, for a further picture, its attributes only.
QByteArray MpfPayload(bool in_bigEndian, int in_count, quint32 in_individualNumber)
{
    TiffBytes t(in_bigEndian);
    t.Reserve(8);
    t.Bytes()[0] = t.Bytes()[1] = in_bigEndian ? 'M' : 'I';
    t.Put16(2, 42);
    t.Put32(4, 8);
    qint64 attributes = 8;
    if (in_count > 0) {
        // Index IFD: MPFVersion, NumberOfImages, MPEntry; then the entries.
        t.Put16(8, 3);
        t.Put16(10, 0xB000);
        t.Put16(12, 7);
        t.Put32(14, 4);
        t.Reserve(22);
        t.Bytes().replace(18, 4, "0100");
        t.Put16(22, 0xB001);
        t.Put16(24, 4);
        t.Put32(26, 1);
        t.Put32(30, quint32(in_count));
        t.Put16(34, 0xB002);
        t.Put16(36, 7);
        t.Put32(38, 16 * quint32(in_count));
        t.Put32(42, 50);
        attributes = 50 + 16 * in_count;
        t.Put32(46, quint32(attributes));
        t.Reserve(attributes);
    }
    // Attribute IFD: MPFVersion, MPIndividualNum.
    t.Put16(attributes, 2);
    t.Put16(attributes + 2, 0xB000);
    t.Put16(attributes + 4, 7);
    t.Put32(attributes + 6, 4);
    t.Reserve(attributes + 14);
    t.Bytes().replace(attributes + 10, 4, "0100");
    t.Put16(attributes + 14, 0xB101);
    t.Put16(attributes + 16, 4);
    t.Put32(attributes + 18, 1);
    t.Put32(attributes + 22, in_individualNumber);
    t.Put32(attributes + 26, 0);
    return QByteArray("MPF\0", 4) + t.Bytes();
}

QByteArray MpfIndexPayload(const Options &in_options)
{
    return MpfPayload(in_options.exif == Exif::Motorola, int(in_options.mpfPictures.size()) + 1, 1);
}

// Appends the further pictures after the primary and fills the index in its APP2 segment.
bool AppendMpfPictures(const Options &in_options, QByteArray *inout_pFile, Layout *inout_pLayout)
{
    if (in_options.mpfPictures.isEmpty())
        return true;
    const bool bigEndian = in_options.exif == Exif::Motorola;
    TiffBytes t(bigEndian);
    const qint64 header = inout_pLayout->mpfHeader;
    const qint64 entries = header + 50;
    auto putEntry = [&](int in_index, quint32 in_attribute, quint32 in_size, quint32 in_offset) {
        const QByteArray entry = t.Number(in_attribute, 4) + t.Number(in_size, 4) +
                                 t.Number(in_offset, 4) + t.Number(0, 4);
        inout_pFile->replace(entries + 16 * in_index, 16, entry);
    };
    // The primary: representative, baseline MP primary picture.
    putEntry(0, 0x20030000u, quint32(inout_pLayout->primaryEnd), 0);
    for (int i = 0; i < in_options.mpfPictures.size(); ++i) {
        const MpfPicture &pic = in_options.mpfPictures[i];
        QByteArray bytes = pic.bytes;
        if (bytes.isEmpty()) {
            Options o;
            o.width = pic.width;
            o.height = pic.height;
            o.seed = in_options.seed + 7 + quint32(i);
            o.jfif = false;
            o.exif = pic.exif;
            o.orientation = pic.orientation;
            o.exifIfd = pic.exif != Exif::None;
            o.extraSegments = {{0xFFE2, MpfPayload(bigEndian, 0, quint32(i) + 2)}};
            bytes = Build(o);
            if (bytes.isEmpty())
                return false;
        }
        const qint64 at = inout_pFile->size();
        inout_pLayout->mpfPictures << at;
        putEntry(i + 1, pic.attribute, quint32(bytes.size()), quint32(at - header));
        inout_pFile->append(bytes);
    }
    return true;
}

} // namespace

QImage MakeContent(int in_width, int in_height, quint32 in_seed)
{
    QImage img(std::max(1, in_width), std::max(1, in_height), QImage::Format_RGB32);
    std::mt19937 rng(in_seed);
    std::uniform_int_distribution<int> noise(-10, 10);
    const int w = img.width();
    const int h = img.height();
    for (int y = 0; y < h; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            int r = w > 1 ? 30 + 200 * x / (w - 1) : 128;
            int g = h > 1 ? 40 + 180 * y / (h - 1) : 128;
            int b = 128 + int(60.0 * std::sin(0.35 * x + 0.15 * y + 0.01 * in_seed));
            // Dark block in the top-left quadrant and a bright band near the bottom: asymmetric
            // in both axes, so every turn and mirror shows.
            if (x >= w / 8 && x < w / 3 && y >= h / 8 && y < h / 2) {
                r /= 4;
                g /= 4;
                b /= 4;
            }
            if (y >= h * 3 / 4 && y < h * 3 / 4 + std::max(1, h / 12) && x < w * 2 / 3)
                r = g = b = 235;
            if (x == y * w / std::max(1, h))
                r = 250;
            const int n = noise(rng);
            line[x] = qRgb(std::clamp(r + n, 0, 255), std::clamp(g + n, 0, 255),
                           std::clamp(b - n, 0, 255));
        }
    }
    return img;
}

QByteArray BuildExifPayload(const Options &in_options, Layout *out_layout)
{
    Layout layout;
    const bool mm = in_options.exif == Exif::Motorola;
    TiffBytes tiff(mm);
    tiff.Reserve(8);
    tiff.Bytes()[0] = mm ? 'M' : 'I';
    tiff.Bytes()[1] = mm ? 'M' : 'I';
    tiff.Put16(2, 42);
    tiff.Put32(4, 8);

    const bool decoyValue = in_options.decoys & DecoyValue;
    const bool decoyCount = in_options.decoys & DecoyCount;
    const bool decoyOffset = in_options.decoys & DecoyOffset;

    std::vector<Entry> ifd0;
    if (in_options.otherEntries || decoyValue) {
        // The decoy sits in a LONG's low half, where the layout expects it.
        const quint16 type = decoyValue ? 4 : in_options.sizeType;
        ifd0.push_back(
            MakeEntry(tiff, 256, type, 1, decoyValue ? 274u : quint32(in_options.width)));
        ifd0.push_back(MakeEntry(tiff, 257, type, 1, quint32(in_options.height)));
    }
    if (decoyCount)
        ifd0.push_back(MakeAscii(270, QByteArray(273, 'd')));
    if (in_options.otherEntries || decoyOffset) {
        Entry make = MakeAscii(271, in_options.make);
        if (decoyOffset)
            make.forcedOffset = 274;
        ifd0.push_back(make);
    }
    int orientationIndex = -1;
    if (in_options.orientation >= 0) {
        orientationIndex = int(ifd0.size());
        ifd0.push_back(MakeEntry(tiff, 274, in_options.orientationType, in_options.orientationCount,
                                 quint32(in_options.orientation)));
    }
    if (in_options.otherEntries) {
        ifd0.push_back(MakeRational(tiff, 282, 72, 1));
        ifd0.push_back(MakeRational(tiff, 283, 72, 1));
        ifd0.push_back(MakeEntry(tiff, 296, 3, 1, 2));
    }
    int exifIndex = -1;
    if (in_options.exifIfd) {
        exifIndex = int(ifd0.size());
        Entry e = MakeEntry(tiff, 34665, 4, 1, 0);
        e.isPointer = true;
        ifd0.push_back(e);
    }

    const qint64 ifd0Link = WriteIfd(tiff, 8, ifd0);
    layout.ifd0 = 8;
    if (orientationIndex >= 0)
        layout.orientationEntry = 8 + 2 + 12 * orientationIndex;
    for (const Entry &e : ifd0) {
        if (e.tag == 256 && decoyValue)
            layout.decoyWords << (mm ? e.valuePos + 2 : e.valuePos);
        if (e.tag == 270 && decoyCount)
            layout.decoyWords << (mm ? e.valuePos - 2 : e.valuePos - 4);
        if (e.tag == 271 && decoyOffset)
            layout.decoyWords << (mm ? e.valuePos + 2 : e.valuePos);
    }

    if (exifIndex >= 0) {
        std::vector<Entry> sub;
        Entry version;
        version.tag = 36864;
        version.type = 7;
        version.count = 4;
        version.data = "0231";
        sub.push_back(version);
        int makerIndex = -1;
        if (in_options.makerNote) {
            makerIndex = int(sub.size());
            Entry note;
            note.tag = 37500;
            note.type = 7;
            note.count = quint32(MakerNote(tiff, 0).size());
            note.isPointer = true;
            sub.push_back(note);
        }
        sub.push_back(MakeEntry(tiff, 40962, in_options.sizeType, 1, quint32(in_options.width)));
        sub.push_back(MakeEntry(tiff, 40963, in_options.sizeType, 1, quint32(in_options.height)));
        const qint64 at = tiff.AppendAligned(QByteArray());
        tiff.Put32(ifd0[exifIndex].valuePos, quint32(at));
        tiff.Reserve(at + 2 + 12 * qint64(sub.size()) + 4);
        WriteIfd(tiff, at, sub);
        if (makerIndex >= 0) {
            // Its inner offsets count from the TIFF header, so it is built where it will lie.
            const qint64 noteAt = tiff.AppendAligned(QByteArray());
            tiff.AppendAligned(MakerNote(tiff, quint32(noteAt)));
            tiff.Put32(sub[makerIndex].valuePos, quint32(noteAt));
            layout.makerNote = noteAt;
        }
    }

    if (in_options.thumbnail) {
        QByteArray thumb = in_options.thumbnailBytes;
        if (thumb.isEmpty()) {
            const QImage small =
                MakeContent(in_options.thumbWidth, in_options.thumbHeight, in_options.seed + 1);
            thumb = Compress(small, Sampling::S420, 75, false);
        }
        std::vector<Entry> ifd1;
        ifd1.push_back(MakeEntry(tiff, 259, 3, 1, 6));
        if (in_options.thumbOrientation >= 0)
            ifd1.push_back(MakeEntry(tiff, 274, 3, 1, quint32(in_options.thumbOrientation)));
        Entry fmt = MakeEntry(tiff, 513, 4, 1, 0);
        fmt.isPointer = true;
        const size_t fmtIndex = ifd1.size();
        ifd1.push_back(fmt);
        ifd1.push_back(MakeEntry(tiff, 514, 4, 1, quint32(thumb.size())));
        const qint64 at = tiff.AppendAligned(QByteArray());
        tiff.Put32(ifd0Link, quint32(at));
        tiff.Reserve(at + 2 + 12 * qint64(ifd1.size()) + 4);
        WriteIfd(tiff, at, ifd1);
        const qint64 thumbAt = tiff.AppendAligned(thumb);
        tiff.Put32(ifd1[fmtIndex].valuePos, quint32(thumbAt));
        tiff.Bytes().append(in_options.afterThumbnail);
        layout.thumbnail = thumbAt + 6;
        layout.thumbnailLength = thumb.size();
    }

    QByteArray payload("Exif");
    payload.append('\0').append('\0');
    payload.append(tiff.Bytes());
    // Offsets relative to the payload.
    layout.tiffHeader = 6;
    layout.ifd0 += 6;
    if (layout.orientationEntry >= 0)
        layout.orientationEntry += 6;
    for (qint64 &d : layout.decoyWords)
        d += 6;
    if (layout.makerNote >= 0)
        layout.makerNote += 6;
    layout.exifPayload = 0;
    if (out_layout)
        *out_layout = layout;
    return payload;
}

QByteArray Build(const Options &in_options, Layout *out_layout)
{
    QImage content = in_options.content;
    if (content.isNull())
        content = MakeContent(in_options.width, in_options.height, in_options.seed);
    else if (content.width() != in_options.width || content.height() != in_options.height)
        content = content.scaled(in_options.width, in_options.height);
    const QByteArray compressed =
        Compress(content, in_options.sampling, in_options.quality, in_options.progressive);
    if (compressed.isEmpty())
        return {};
    const QByteArray body = StripMetadata(compressed);
    if (body.isEmpty())
        return {};

    Layout layout;
    QByteArray out("\xFF\xD8", 2);
    if (in_options.jfif)
        out += SegmentBytes(0xFFE0, JfifPayload());
    if (in_options.xmp == Xmp::BeforeExif) {
        layout.xmpSegment = out.size();
        out += SegmentBytes(0xFFE1, BuildXmp(in_options));
    }
    if (in_options.exif != Exif::None) {
        Layout exif;
        const QByteArray payload = BuildExifPayload(in_options, &exif);
        const qint64 base = out.size() + 4;
        layout.exifSegment = out.size();
        layout.exifPayload = base;
        layout.exifLength = payload.size() + 2;
        layout.tiffHeader = base + exif.tiffHeader;
        layout.ifd0 = base + exif.ifd0;
        if (exif.orientationEntry >= 0)
            layout.orientationEntry = base + exif.orientationEntry;
        for (qint64 d : exif.decoyWords)
            layout.decoyWords << base + d;
        if (exif.thumbnail >= 0) {
            layout.thumbnail = base + exif.thumbnail;
            layout.thumbnailLength = exif.thumbnailLength;
        }
        if (exif.makerNote >= 0)
            layout.makerNote = base + exif.makerNote;
        if (payload.size() + 2 > 0xFFFF)
            qWarning("TestJpeg: Exif payload too large for one segment");
        out += SegmentBytes(0xFFE1, payload);
    }
    if (in_options.xmp == Xmp::AfterExif) {
        layout.xmpSegment = out.size();
        out += SegmentBytes(0xFFE1, BuildXmp(in_options));
    }
    if (!in_options.mpfPictures.isEmpty()) {
        layout.mpfSegment = out.size();
        layout.mpfHeader = out.size() + 4 + 4;
        out += SegmentBytes(0xFFE2, MpfIndexPayload(in_options));
    }
    for (const RawSegment &s : in_options.extraSegments)
        out += SegmentBytes(s.marker, s.payload);
    if (!in_options.comment.isEmpty())
        out += SegmentBytes(0xFFFE, in_options.comment);
    layout.scanStart = out.size();
    out += body;
    layout.primaryEnd = out.size();
    if (!AppendMpfPictures(in_options, &out, &layout))
        return {};
    out += in_options.trailer;
    if (in_options.truncateAt >= 0 && in_options.truncateAt < out.size())
        out.truncate(int(in_options.truncateAt));
    if (out_layout)
        *out_layout = layout;
    return out;
}

QString Write(const QString &in_dir, const QString &in_name, const Options &in_options,
              Layout *out_layout)
{
    const QByteArray bytes = Build(in_options, out_layout);
    if (bytes.isEmpty() && in_options.truncateAt != 0)
        return {};
    return WriteBytes(in_dir, in_name, bytes);
}

QString WriteBytes(const QString &in_dir, const QString &in_name, const QByteArray &in_bytes)
{
    const QString path = QDir(in_dir).filePath(in_name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qWarning("TestJpeg: cannot write %s: %s", qPrintable(path), qPrintable(f.errorString()));
        return {};
    }
    if (f.write(in_bytes) != in_bytes.size()) {
        qWarning("TestJpeg: short write to %s", qPrintable(path));
        return {};
    }
    return path;
}

QString WriteEmpty(const QString &in_dir, const QString &in_name)
{
    return WriteBytes(in_dir, in_name, QByteArray());
}

QString WriteRandom(const QString &in_dir, const QString &in_name, int in_size, quint32 in_seed,
                    bool in_startWithSoi)
{
    std::mt19937 rng(in_seed);
    QByteArray bytes(std::max(0, in_size), '\0');
    for (char &c : bytes)
        c = char(rng() & 0xFF);
    if (in_startWithSoi && bytes.size() >= 2) {
        bytes[0] = char(0xFF);
        bytes[1] = char(0xD8);
    }
    return WriteBytes(in_dir, in_name, bytes);
}

} // namespace TestJpeg
