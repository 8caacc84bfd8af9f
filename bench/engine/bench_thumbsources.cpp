// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// How fast a folder fills when thumbnails come from what the files hold: camera-like 12 MP
// photos (4000x3000) with a 160x120 Exif thumbnail, hard links of one file. For each box size,
// the time and processor time until every cell has its thumbnail, beside the reference run
// that decodes every photo (no previews, no shared cache), with the ratio:
//   first visit  - previews used, shared cache empty (goal >= 5x)
//   second visit - shared cache filled by a decoding visit (goal >= 20x)
//   no preview   - photos without one, everything on, cache empty (goal: ratio >= ~1)
//
//   bench_thumbsources [--count N] [--sizes 64,128]
#include "qlimg.h"
#include "thumb/vyrsharedthumbs.h"
#include "thumb/vyrsharedthumbwriter.h"
#include "thumbbenchfolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/resource.h>

namespace {

QByteArray Jpeg(const QImage &in_image)
{
    std::unique_ptr<void, decltype(&tjDestroy)> tj(tjInitCompress(), &tjDestroy);
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    if (!tj ||
        tjCompress2(tj.get(), in_image.constBits(), in_image.width(), int(in_image.bytesPerLine()),
                    in_image.height(), TJPF_BGRX, &jpeg, &size, TJSAMP_420, 90, 0) != 0)
        return QByteArray();
    QByteArray bytes(reinterpret_cast<const char *>(jpeg), qsizetype(size));
    tjFree(jpeg);
    return bytes;
}

struct Run
{
    double m_seconds = 0;
    double m_cpu = 0; // user + system, all threads
    int m_cells = 0;
    double m_flushSeconds = 0; // writing the queued shared-cache entries afterwards
    double m_flushCpu = 0;
};

double CpuSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool Count(QLImage *, void *in_pCells)
{
    ++*static_cast<int *>(in_pCells);
    return true;
}

Run Visit(const QString &in_dir, int in_box, const VYRThumbSources &in_sources)
{
    VYRSetThumbSources(in_sources);
    Run run;
    const double cpu = CpuSeconds();
    QElapsedTimer timer;
    timer.start();
    QLLoadThumbnails(nullptr, in_dir, QSize(in_box, in_box), "*.jpg", 0, false, &Count,
                     &run.m_cells);
    run.m_seconds = timer.nsecsElapsed() / 1e9;
    run.m_cpu = CpuSeconds() - cpu;
    // The entries still queued are written after the cells are shown: timed on their own.
    const double flushCpu = CpuSeconds();
    timer.restart();
    VYRFlushSharedThumbWrites();
    run.m_flushSeconds = timer.nsecsElapsed() / 1e9;
    run.m_flushCpu = CpuSeconds() - flushCpu;
    return run;
}

void Print(const char *in_name, const Run &in_run, const Run &in_reference, int in_count)
{
    std::printf("  %-34s %8.2f s %8.2f s cpu %7.0f/s   x%.2f (cpu x%.2f)%s\n", in_name,
                in_run.m_seconds, in_run.m_cpu, in_count / in_run.m_seconds,
                in_reference.m_seconds / in_run.m_seconds, in_reference.m_cpu / in_run.m_cpu,
                in_run.m_cells == in_count ? "" : "   (cells missing!)");
    if (in_run.m_flushSeconds >= 0.005)
        std::printf("  %-34s %8.2f s %8.2f s cpu   (after the cells are shown)\n",
                    "  then writing queued entries", in_run.m_flushSeconds, in_run.m_flushCpu);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto option = [&args](const char *in_name, const QString &in_default) {
        const int at = args.indexOf(QLatin1String(in_name));
        return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : in_default;
    };
    const int count = option("--count", QStringLiteral("2000")).toInt();
    const QStringList sizes = option("--sizes", QStringLiteral("64,128")).split(QLatin1Char(','));

    QTemporaryDir work;
    const QImage content = QImage::fromData(ThumbBench::PhotoLikeJpeg(4000, 3000), "jpeg")
                               .convertToFormat(QImage::Format_RGB32);
    const QByteArray plain = Jpeg(content);
    const QByteArray thumb =
        Jpeg(content.scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    const QString withThumb = work.filePath(QStringLiteral("camera.jpg"));
    const QString without = work.filePath(QStringLiteral("plain.jpg"));
    QFile a(withThumb), b(without);
    if (plain.isEmpty() || thumb.isEmpty() || !a.open(QIODevice::WriteOnly) ||
        a.write(ThumbBench::WithExifThumbnail(plain, thumb)) < 0 || !b.open(QIODevice::WriteOnly) ||
        b.write(plain) < 0) {
        std::fprintf(stderr, "cannot write the photos\n");
        return 1;
    }
    a.close();
    b.close();
    const QString cameraDir = work.filePath(QStringLiteral("camera"));
    const QString plainDir = work.filePath(QStringLiteral("plain"));
    if (!ThumbBench::MakeLinkedFolder(cameraDir, withThumb, count) ||
        !ThumbBench::MakeLinkedFolder(plainDir, without, count)) {
        std::fprintf(stderr, "cannot make the folders\n");
        return 1;
    }
    std::printf("%d hard links of a 4000x3000 photo (%lld KB, Exif thumbnail 160x120), 2 "
                "decoding threads\n",
                count, (long long)(a.size() >> 10));

    VYRThumbSources none;
    none.m_useEmbedded = none.m_readShared = none.m_writeShared = false;
    for (const QString &size : sizes) {
        const int box = size.toInt();
        VYRThumbSources all;
        all.m_cacheRoot = work.filePath(QStringLiteral("cache-%1/thumbnails").arg(box));
        VYRThumbSources fill = all;
        fill.m_useEmbedded = false;
        std::printf("%d px box                             wall        cpu       rate   ratio\n",
                    box);
        const Run reference = Visit(cameraDir, box, none);
        Print("decode every photo (reference)", reference, reference, count);
        Print("first visit: Exif thumbnails", Visit(cameraDir, box, all), reference, count);
        Print("visit decoding, filling the cache", Visit(cameraDir, box, fill), reference, count);
        Print("second visit: shared cache", Visit(cameraDir, box, all), reference, count);
        VYRThumbSources plainAll = all;
        plainAll.m_cacheRoot += QStringLiteral("-plain");
        const Run plainReference = Visit(plainDir, box, none);
        Print("no thumbnail: decode (reference)", plainReference, plainReference, count);
        Print("no thumbnail: all on, writing cache", Visit(plainDir, box, plainAll), plainReference,
              count);
    }
    return 0;
}
