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
