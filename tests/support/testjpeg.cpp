// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "testjpeg.h"

#include "testjpeg_tiff.h"

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

using namespace Detail;

namespace {

using TjHandle = std::unique_ptr<void, decltype(&tjDestroy)>;
using TjBuffer = std::unique_ptr<unsigned char, decltype(&tjFree)>;

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

} // namespace

QByteArray Detail::Compress(const QImage &in_image, Sampling in_sampling, int in_quality,
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

namespace {

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
