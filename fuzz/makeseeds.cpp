// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Writes the fuzzers' seed corpus: small, varied JPEGs made by the test writer (both Exif byte
// orders, decoys, thumbnails, XMP, comments, trailers, odd sizes, every sampling, baseline and
// progressive, cut short). Usage: veyra-fuzzseeds FOLDER
#include "testjpeg.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int in_argc, char **in_argv)
{
    QCoreApplication app(in_argc, in_argv);
    if (in_argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", in_argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(in_argv[1]);
    if (!QDir().mkpath(folder))
        return 1;

    struct Size
    {
        int w, h;
    };
    const Size sizes[] = {{16, 16}, {33, 17}, {8, 40}, {64, 48}};
    const TestJpeg::Sampling samplings[] = {TestJpeg::Sampling::S444, TestJpeg::Sampling::S422,
                                            TestJpeg::Sampling::S420, TestJpeg::Sampling::Gray};
    int written = 0;
    int n = 0;
    for (const Size size : sizes) {
        for (const TestJpeg::Sampling sampling : samplings) {
            TestJpeg::Options o;
            o.width = size.w;
            o.height = size.h;
            o.sampling = sampling;
            o.quality = 60 + 10 * (n % 4);
            o.progressive = n % 3 == 1;
            o.exif = n % 2 ? TestJpeg::Exif::Motorola : TestJpeg::Exif::Intel;
            o.orientation = 1 + n % 8;
            o.decoys = n % 4 == 0 ? TestJpeg::AllDecoys : TestJpeg::NoDecoy;
            o.thumbnail = n % 3 == 2;
            o.exifIfd = n % 2 == 0;
            o.xmp = n % 5 == 0   ? TestJpeg::Xmp::BeforeExif
                    : n % 5 == 1 ? TestJpeg::Xmp::AfterExif
                                 : TestJpeg::Xmp::None;
            o.jfif = n % 4 != 3;
            if (n % 6 == 0)
                o.comment = "seed";
            if (n % 7 == 0)
                o.trailer = QByteArray("\xFF\xD8\xFF\xE0 trailing data", 19);
            if (n % 9 == 4)
                o.truncateAt = 200;
            o.seed = quint32(n + 1);
            const QByteArray bytes = TestJpeg::Build(o);
            if (!bytes.isEmpty() &&
                !TestJpeg::WriteBytes(folder, QString::asprintf("seed%02d.jpg", n), bytes)
                     .isEmpty())
                ++written;
            ++n;
        }
    }
    std::printf("%d seed(s) in %s\n", written, qPrintable(folder));
    return written > 0 ? 0 : 1;
}
