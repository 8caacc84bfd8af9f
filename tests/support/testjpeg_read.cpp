// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The reading half of the test support: decoding, segment lists, a second opinion on the
// Orientation, byte and pixel comparisons.
#include "testjpeg.h"

#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>

#include <turbojpeg.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace TestJpeg {

namespace {

using TjHandle = std::unique_ptr<void, decltype(&tjDestroy)>;

quint32 Read16(const uchar *in_p, bool in_bigEndian)
{
    return in_bigEndian ? (quint32(in_p[0]) << 8 | in_p[1]) : (quint32(in_p[1]) << 8 | in_p[0]);
}

quint32 Read32(const uchar *in_p, bool in_bigEndian)
{
    return in_bigEndian ? (Read16(in_p, true) << 16 | Read16(in_p + 2, true))
                        : (Read16(in_p + 2, false) << 16 | Read16(in_p, false));
}

} // namespace

QByteArray ReadAll(const QString &in_path)
{
    QFile f(in_path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QImage DecodeBytes(const QByteArray &in_bytes, QString *out_warning, QString *out_error)
{
    if (out_warning)
        out_warning->clear();
    if (out_error)
        out_error->clear();
    TjHandle handle(tjInitDecompress(), &tjDestroy);
    if (!handle) {
        if (out_error)
            *out_error = QString::fromUtf8(tjGetErrorStr2(nullptr));
        return {};
    }
    const auto *src = reinterpret_cast<const unsigned char *>(in_bytes.constData());
    int w = 0, h = 0, sub = 0, cs = 0;
    if (tjDecompressHeader3(handle.get(), src, in_bytes.size(), &w, &h, &sub, &cs) != 0) {
        if (out_error)
            *out_error = QString::fromUtf8(tjGetErrorStr2(handle.get()));
        return {};
    }
    QImage img(w, h, QImage::Format_RGB32);
    if (img.isNull()) {
        if (out_error)
            *out_error = QStringLiteral("image too large");
        return {};
    }
    const int pf = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRX : TJPF_XRGB;
    if (tjDecompress2(handle.get(), src, in_bytes.size(), img.bits(), w, int(img.bytesPerLine()), h,
                      pf, 0) != 0) {
        const QString text = QString::fromUtf8(tjGetErrorStr2(handle.get()));
        if (tjGetErrorCode(handle.get()) == TJERR_WARNING) {
            if (out_warning)
                *out_warning = text.isEmpty() ? QStringLiteral("warning") : text;
        } else {
            if (out_error)
                *out_error = text;
            return {};
        }
    }
    return img;
}

QImage Decode(const QString &in_path, QString *out_warning, QString *out_error)
{
    QFile f(in_path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (out_warning)
            out_warning->clear();
        if (out_error)
            *out_error = f.errorString();
        return {};
    }
    return DecodeBytes(f.readAll(), out_warning, out_error);
}

QList<Segment> Segments(const QByteArray &in_bytes)
{
    QList<Segment> out;
    const auto *p = reinterpret_cast<const uchar *>(in_bytes.constData());
    const qint64 n = in_bytes.size();
    if (n < 2 || p[0] != 0xFF || p[1] != 0xD8)
        return out;
    Segment soi;
    soi.marker = 0xFFD8;
    out << soi;
    qint64 pos = 2;
    while (pos + 1 < n) {
        if (p[pos] != 0xFF)
            break;
        // Fill bytes (0xFF 0xFF ...) may precede a marker.
        while (pos + 1 < n && p[pos + 1] == 0xFF)
            ++pos;
        if (pos + 1 >= n)
            break;
        Segment s;
        s.offset = pos;
        s.marker = quint16(0xFF00 | p[pos + 1]);
        const bool standalone = s.marker == 0xFF01 || (s.marker >= 0xFFD0 && s.marker <= 0xFFD9);
        if (standalone) {
            out << s;
            pos += 2;
            if (s.marker == 0xFFD9)
                break;
            continue;
        }
        if (pos + 3 >= n) {
            out << s;
            break;
        }
        s.length = int(p[pos + 2]) << 8 | p[pos + 3];
        const qint64 end = std::min<qint64>(n, pos + 2 + std::max(2, s.length));
        s.payload = in_bytes.mid(pos + 4, std::max<qint64>(0, end - pos - 4));
        out << s;
        if (s.marker == 0xFFDA || s.length < 2)
            break;
        pos += 2 + s.length;
    }
    return out;
}

QList<Segment> SegmentsOfFile(const QString &in_path)
{
    return Segments(ReadAll(in_path));
}

int ReadOrientation(const QByteArray &in_bytes)
{
    for (const Segment &s : Segments(in_bytes)) {
        if (s.marker != 0xFFE1)
            continue;
        // Only the first APP1 counts.
        const QByteArray &pl = s.payload;
        if (pl.size() < 14 || !pl.startsWith(QByteArray("Exif\0", 5)))
            return -1;
        const auto *t = reinterpret_cast<const uchar *>(pl.constData()) + 6;
        const qint64 size = pl.size() - 6;
        const bool be = t[0] == 'M' && t[1] == 'M';
        const quint32 ifd = Read32(t + 4, be);
        if (qint64(ifd) + 2 > size)
            return -1;
        const quint32 count = Read16(t + ifd, be);
        for (quint32 i = 0; i < count; ++i) {
            const qint64 e = qint64(ifd) + 2 + 12 * qint64(i);
            if (e + 12 > size)
                return -1;
            if (Read16(t + e, be) != 274)
                continue;
            const quint32 type = Read16(t + e + 2, be);
            const quint32 cnt = Read32(t + e + 4, be);
            return int(type == 3 && cnt == 1 ? Read16(t + e + 8, be) : Read32(t + e + 8, be));
        }
        return -1;
    }
    return -1;
}

int ReadOrientationOfFile(const QString &in_path)
{
    return ReadOrientation(ReadAll(in_path));
}

namespace {

// The single SHORT/LONG entries of the IFD at in_ifd; false when its table leaves the data.
bool ReadIfd(const uchar *in_t, qint64 in_size, quint32 in_ifd, bool in_be,
             QMap<quint16, quint32> *out_values, QMap<quint16, qint64> *out_at,
             quint32 *out_next = nullptr)
{
    if (in_ifd < 8 || qint64(in_ifd) + 2 > in_size)
        return false;
    const quint32 count = Read16(in_t + in_ifd, in_be);
    if (qint64(in_ifd) + 2 + 12 * qint64(count) > in_size)
        return false;
    for (quint32 i = 0; i < count; ++i) {
        const uchar *e = in_t + in_ifd + 2 + 12 * i;
        const quint32 type = Read16(e + 2, in_be);
        if (Read32(e + 4, in_be) != 1)
            continue;
        out_at->insert(quint16(Read16(e, in_be)), 6 + in_ifd + 2 + 12 * i + 8);
        if (type == 3)
            out_values->insert(quint16(Read16(e, in_be)), Read16(e + 8, in_be));
        else if (type == 4 || type == 13)
            out_values->insert(quint16(Read16(e, in_be)), Read32(e + 8, in_be));
    }
    const qint64 link = qint64(in_ifd) + 2 + 12 * qint64(count);
    if (out_next)
        *out_next = link + 4 <= in_size ? Read32(in_t + link, in_be) : 0;
    return true;
}

} // namespace

ExifView ReadExif(const QByteArray &in_bytes)
{
    ExifView view;
    for (const Segment &s : Segments(in_bytes)) {
        if (s.marker != 0xFFE1 || !s.payload.startsWith(QByteArray("Exif\0", 5)) ||
            s.payload.size() < 14)
            continue;
        view.segment = s.offset;
        view.payload = s.payload;
        const auto *t = reinterpret_cast<const uchar *>(s.payload.constData()) + 6;
        const qint64 size = s.payload.size() - 6;
        const bool be = t[0] == 'M';
        quint32 next = 0;
        if (!ReadIfd(t, size, Read32(t + 4, be), be, &view.ifd0, &view.ifd0At, &next))
            return view;
        view.valid = true;
        if (view.ifd0.contains(34665))
            ReadIfd(t, size, view.ifd0.value(34665), be, &view.exifIfd, &view.exifIfdAt);
        if (next != 0 && ReadIfd(t, size, next, be, &view.ifd1, &view.ifd1At) &&
            view.ifd1.contains(513) && view.ifd1.contains(514)) {
            const qint64 at = view.ifd1.value(513);
            const qint64 length = view.ifd1.value(514);
            if (at + length <= size) {
                view.thumbnail = s.payload.mid(6 + at, length);
                view.thumbnailAt = 6 + at;
            }
        }
        return view;
    }
    return view;
}

QList<MpfEntry> ReadMpf(const QByteArray &in_bytes, qint64 *out_header)
{
    QList<MpfEntry> entries;
    for (const Segment &s : Segments(in_bytes)) {
        if (s.marker != 0xFFE2 || !s.payload.startsWith(QByteArray("MPF\0", 4)) ||
            s.payload.size() < 12)
            continue;
        const auto *h = reinterpret_cast<const uchar *>(s.payload.constData()) + 4;
        const qint64 size = s.payload.size() - 4;
        const bool be = h[0] == 'M';
        const quint32 ifd = Read32(h + 4, be);
        if (qint64(ifd) + 2 > size)
            return entries;
        const quint32 count = Read16(h + ifd, be);
        for (quint32 i = 0; i < count && qint64(ifd) + 14 + 12 * i <= size; ++i) {
            const uchar *e = h + ifd + 2 + 12 * i;
            if (Read16(e, be) != 0xB002)
                continue;
            const qint64 n = Read32(e + 4, be) / 16;
            const qint64 at = Read32(e + 8, be);
            for (qint64 k = 0; k < n && at + 16 * (k + 1) <= size; ++k) {
                const uchar *m = h + at + 16 * k;
                entries << MpfEntry{Read32(m, be), Read32(m + 4, be), Read32(m + 8, be)};
            }
        }
        if (out_header)
            *out_header = s.offset + 8;
        return entries;
    }
    return entries;
}

QByteArray XmpPayload(const QByteArray &in_bytes)
{
    static const QByteArray kId("http://ns.adobe.com/xap/1.0/\0", 29);
    for (const Segment &s : Segments(in_bytes)) {
        if (s.marker == 0xFFE1 && s.payload.startsWith(kId))
            return s.payload;
    }
    return {};
}

QList<qint64> DifferingOffsets(const QByteArray &in_a, const QByteArray &in_b)
{
    QList<qint64> out;
    const qint64 common = std::min(in_a.size(), in_b.size());
    for (qint64 i = 0; i < common; ++i)
        if (in_a[i] != in_b[i])
            out << i;
    for (qint64 i = common; i < std::max(in_a.size(), in_b.size()); ++i)
        out << i;
    return out;
}

bool EqualOutside(const QByteArray &in_a, const QByteArray &in_b, qint64 in_from, qint64 in_count)
{
    if (in_a.size() != in_b.size())
        return false;
    for (qint64 d : DifferingOffsets(in_a, in_b))
        if (d < in_from || d >= in_from + in_count)
            return false;
    return true;
}

QString Hex(const QByteArray &in_bytes, qint64 in_from, qint64 in_count)
{
    const QByteArray slice = in_bytes.mid(in_from, in_count < 0 ? -1 : in_count);
    return QString::fromLatin1(slice.toHex(' ')).toUpper();
}

QImage Rotate(const QImage &in_image, int in_degrees)
{
    const int deg = ((in_degrees % 360) + 360) % 360;
    const QImage src = in_image.convertToFormat(QImage::Format_RGB32);
    const int w = src.width();
    const int h = src.height();
    if (deg != 90 && deg != 180 && deg != 270)
        return src;
    QImage dst(deg == 180 ? w : h, deg == 180 ? h : w, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(src.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            // Clockwise: (x, y) -> (h-1-y, x) for 90; (w-1-x, h-1-y) for 180; (y, w-1-x) for 270.
            if (deg == 90)
                dst.setPixel(h - 1 - y, x, line[x]);
            else if (deg == 180)
                dst.setPixel(w - 1 - x, h - 1 - y, line[x]);
            else
                dst.setPixel(y, w - 1 - x, line[x]);
        }
    }
    return dst;
}

int MaxDifference(const QImage &in_a, const QImage &in_b, int in_edge)
{
    if (in_a.isNull() || in_b.isNull() || in_a.size() != in_b.size())
        return -1;
    const QImage a = in_a.convertToFormat(QImage::Format_RGB32);
    const QImage b = in_b.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int y = in_edge; y < a.height() - in_edge; ++y) {
        const QRgb *la = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const QRgb *lb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = in_edge; x < a.width() - in_edge; ++x) {
            worst = std::max({worst, std::abs(qRed(la[x]) - qRed(lb[x])),
                              std::abs(qGreen(la[x]) - qGreen(lb[x])),
                              std::abs(qBlue(la[x]) - qBlue(lb[x]))});
        }
    }
    return worst;
}

QImage Shown(const QString &in_path)
{
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (!convert.isEmpty()) {
        QProcess tool;
        tool.start(convert, {in_path, QStringLiteral("-auto-orient"), QStringLiteral("png:-")});
        if (tool.waitForFinished(60000) && tool.exitCode() == 0)
            return QImage::fromData(tool.readAllStandardOutput(), "PNG")
                .convertToFormat(QImage::Format_RGB32);
    }
    QImageReader reader(in_path);
    reader.setAutoTransform(true);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

} // namespace TestJpeg
