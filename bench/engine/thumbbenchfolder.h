// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// A folder of many photos for the thumbnail benchmarks: hard links of one 1600x1200 JPEG (a
// given photo, or one written here with photo-like content), so ten thousand of them cost one
// file's space and the scan still decodes each one.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QString>

#include <cmath>
#include <cstdio>
#include <memory>
#include <turbojpeg.h>
#include <unistd.h>

namespace ThumbBench {

// Sky, ground, soft shapes and sensor-like noise: compresses and shrinks like a photo.
inline QByteArray PhotoLikeJpeg(int in_width = 1600, int in_height = 1200)
{
    QRandomGenerator rng(7);
    QImage image(in_width, in_height, QImage::Format_RGB32);
    const int horizon = in_height * 5 / 9;
    for (int y = 0; y < in_height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < in_width; ++x) {
            int r, g, b;
            if (y < horizon) {
                r = 90 + y * 80 / in_height;
                g = 140 + y * 60 / in_height;
                b = 230 - y * 40 / in_height;
            } else {
                r = 70 + int(30 * std::sin(x * 0.013 + y * 0.004));
                g = 110 + int(40 * std::sin(y * 0.021 + x * 0.002));
                b = 50 + x * 37 / in_width;
            }
            const int dx = x - in_width / 3, dy = y - in_height / 2;
            if (dx * dx + dy * dy < 200 * 200) {
                r = (r + 220) / 2;
                g = (g + 60) / 2;
                b = (b + 40) / 2;
            }
            const int noise = int(rng.bounded(13)) - 6;
            line[x] = qRgb(qBound(0, r + noise, 255), qBound(0, g + noise, 255),
                           qBound(0, b + noise, 255));
        }
    }
    std::unique_ptr<void, decltype(&tjDestroy)> tj(tjInitCompress(), &tjDestroy);
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    if (!tj || tjCompress2(tj.get(), image.constBits(), in_width, int(image.bytesPerLine()),
                           in_height, TJPF_BGRX, &jpeg, &size, TJSAMP_420, 90, 0) != 0)
        return QByteArray();
    QByteArray bytes(reinterpret_cast<const char *>(jpeg), qsizetype(size));
    tjFree(jpeg);
    return bytes;
}

// in_jpeg with an Exif block after SOI whose IFD1 holds in_thumb, as cameras write it (IFD0
// holds the Orientation, 1).
inline QByteArray WithExifThumbnail(const QByteArray &in_jpeg, const QByteArray &in_thumb)
{
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    auto put16 = [&tiff](int in_v) { tiff.append(char(in_v & 0xFF)).append(char(in_v >> 8)); };
    auto put32 = [&](quint32 in_v) { put16(int(in_v & 0xFFFF)), put16(int(in_v >> 16)); };
    auto entry = [&](int in_tag, int in_type, quint32 in_value) {
        put16(in_tag), put16(in_type), put32(1), put32(in_value);
    };
    put16(1); // IFD0 at 8: Orientation
    entry(274, 3, 1);
    const quint32 ifd1 = 8 + 2 + 12 + 4;
    put32(ifd1);
    put16(3); // IFD1: Compression 6, the thumbnail's offset and length
    entry(259, 3, 6);
    entry(513, 4, ifd1 + 2 + 3 * 12 + 4);
    entry(514, 4, quint32(in_thumb.size()));
    put32(0);
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff + in_thumb;
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char((payload.size() + 2) >> 8)).append(char((payload.size() + 2) & 0xFF));
    return in_jpeg.left(2) + segment + payload + in_jpeg.mid(2);
}

// Fills in_dir with in_count hard links IMG_00001.jpg ... of in_photo (or of a photo-like
// 1600x1200 JPEG written there when in_photo is empty). Returns false when that fails.
inline bool MakeLinkedFolder(const QString &in_dir, const QString &in_photo, int in_count)
{
    QDir().mkpath(in_dir);
    const QString first = QDir(in_dir).filePath(QStringLiteral("IMG_00001.jpg"));
    if (in_photo.isEmpty()) {
        const QByteArray bytes = PhotoLikeJpeg();
        QFile out(first);
        if (bytes.isEmpty() || !out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            return false;
    } else if (!QFile::copy(in_photo, first)) {
        return false;
    }
    const QByteArray source = QFile::encodeName(first);
    for (int i = 2; i <= in_count; ++i) {
        const QString name = QStringLiteral("IMG_%1.jpg").arg(i, 5, 10, QLatin1Char('0'));
        if (::link(source.constData(), QFile::encodeName(QDir(in_dir).filePath(name))) != 0)
            return false;
    }
    return true;
}

// Resident and peak resident memory of this process in KiB (Linux), -1 when unknown.
inline long StatusKb(const char *in_field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(in_field))
            return line.mid(int(qstrlen(in_field))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace ThumbBench
