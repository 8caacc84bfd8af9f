// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Prints how fast the imaging wrapper makes thumbnails and rotates files, next to a bare
// two-thread TurboJPEG decode loop and the reference command-line tools run on the same files.
//
//   bench_engine [--corpus DIR] [--count N] [--rotations N] [--runs N]
//
// Without photos in DIR (default /tmp/veyra-bench-corpus) it first writes N (default 200)
// 4000x3000 4:2:0 JPEGs with an Exif segment and photo-like content.
#include "qlimg.h"
#include "vyrthumbdecode.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <thread>
#include <turbojpeg.h>
#include <vector>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Sky, a horizon, a few soft shapes and sensor-like noise: compresses and decodes like a
// photo, unlike a flat test card.
QImage PhotoLike(quint32 in_seed)
{
    QRandomGenerator rng(in_seed);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    const int horizon = kHeight / 2 + int(rng.bounded(400)) - 200;
    struct Blob
    {
        int x, y, r;
        QRgb c;
    };
    std::vector<Blob> blobs;
    for (int i = 0; i < 12; ++i)
        blobs.push_back(
            {int(rng.bounded(kWidth)), int(rng.bounded(kHeight)), 80 + int(rng.bounded(500)),
             qRgb(int(rng.bounded(256)), int(rng.bounded(256)), int(rng.bounded(256)))});
    for (int y = 0; y < kHeight; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            int r, g, b;
            if (y < horizon) {
                r = 90 + y * 80 / kHeight;
                g = 140 + y * 60 / kHeight;
                b = 230 - y * 40 / kHeight;
            } else {
                r = 70 + int(30 * std::sin(x * 0.01 + y * 0.003));
                g = 110 + int(40 * std::sin(y * 0.02));
                b = 50 + (x * 37 / kWidth);
            }
            for (const Blob &blob : blobs) {
                const int dx = x - blob.x, dy = y - blob.y;
                if (dx * dx + dy * dy < blob.r * blob.r) {
                    r = (r + qRed(blob.c)) / 2;
                    g = (g + qGreen(blob.c)) / 2;
                    b = (b + qBlue(blob.c)) / 2;
                }
            }
            const int noise = int(rng.bounded(17)) - 8;
            line[x] = qRgb(qBound(0, r + noise, 255), qBound(0, g + noise, 255),
                           qBound(0, b + noise, 255));
        }
    }
    return image;
}

// A small Exif APP1 segment (little-endian TIFF, IFD0 with Orientation 1 and Make).
QByteArray ExifSegment()
{
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    auto u16 = [&](quint16 v) { tiff.append(char(v & 0xFF)).append(char(v >> 8)); };
    auto u32 = [&](quint32 v) {
        u16(quint16(v & 0xFFFF));
        u16(quint16(v >> 16));
    };
    u16(2);
    u16(271);
    u16(2);
    u32(6);
    u32(8 + 2 + 24 + 4); // Make -> after the IFD
    u16(274);
    u16(3);
    u32(1);
    u16(1);
    u16(0); // Orientation 1
    u32(0);
    tiff.append("Bench\0", 6);
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    const quint16 length = quint16(payload.size() + 2);
    segment.append(char(length >> 8)).append(char(length & 0xFF));
    return segment + payload;
}

bool WriteCorpus(const QString &in_dir, int in_count)
{
    QDir().mkpath(in_dir);
    const int distinct = std::min(in_count, 10); // encoding is slow; the rest are copies
    std::vector<QByteArray> files;
    std::unique_ptr<void, decltype(&tjDestroy)> tj(tjInitCompress(), &tjDestroy);
    for (int i = 0; i < distinct; ++i) {
        const QImage image = PhotoLike(quint32(i + 1));
        unsigned char *jpeg = nullptr;
        unsigned long size = 0;
        if (tjCompress2(tj.get(), image.constBits(), kWidth, int(image.bytesPerLine()), kHeight,
                        TJPF_BGRX, &jpeg, &size, TJSAMP_420, 90, 0) != 0)
            return false;
        const QByteArray bytes(reinterpret_cast<const char *>(jpeg), qsizetype(size));
        tjFree(jpeg);
        files.push_back(bytes.left(2) + ExifSegment() + bytes.mid(2));
        std::printf("  wrote photo %d of %d (%.1f MB)\n", i + 1, distinct,
                    files.back().size() / 1e6);
        std::fflush(stdout);
    }
    for (int i = 0; i < in_count; ++i) {
        QFile out(QStringLiteral("%1/IMG_%2.jpg").arg(in_dir).arg(i + 1, 4, 10, QLatin1Char('0')));
        if (!out.open(QIODevice::WriteOnly) || out.write(files[size_t(i % distinct)]) < 0)
            return false;
    }
    return true;
}

QStringList Photos(const QString &in_dir)
{
    QStringList list;
    for (const QString &name : QDir(in_dir).entryList({"*.jpg"}, QDir::Files, QDir::Name))
        list << QDir(in_dir).filePath(name);
    return list;
}

bool KeepThumbnail(QLImage *in_pImage, void *in_pUserData)
{
    // As the document does: each thumbnail is copied into an item that stays.
    static_cast<std::vector<std::unique_ptr<QLImage>> *>(in_pUserData)
        ->emplace_back(new QLImage(*in_pImage));
    return true;
}

double WrapperThumbnails(const QString &in_dir, int in_box, int in_files)
{
    std::vector<std::unique_ptr<QLImage>> kept;
    QElapsedTimer timer;
    timer.start();
    QLLoadThumbnails(nullptr, in_dir, QSize(in_box, in_box), "*.jpg", 0, false, &KeepThumbnail,
                     &kept);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (int(kept.size()) != in_files)
        std::printf("  warning: %zu thumbnails for %d files\n", kept.size(), in_files);
    return in_files / seconds;
}

// Two threads, each reading a file and decoding it at the thumbnail's scale: the most the
// machine can do with TurboJPEG, with no walk, no fitting and no delivery.
double BareDecodeLoop(const QStringList &in_files, int in_box)
{
    std::atomic<int> next{0};
    auto work = [&] {
        std::unique_ptr<void, decltype(&tjDestroy)> tj(tjInitDecompress(), &tjDestroy);
        std::vector<unsigned char> pixels;
        for (int i = next++; i < in_files.size(); i = next++) {
            QFile file(in_files.at(i));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QByteArray data = file.readAll();
            const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
            int w = 0, h = 0, s = 0, c = 0;
            if (tjDecompressHeader3(tj.get(), bytes, data.size(), &w, &h, &s, &c) != 0)
                continue;
            int num = 1, denom = 1;
            VYRChooseJpegScale(w, h, QSize(in_box, in_box), &num, &denom);
            const tjscalingfactor f = {num, denom};
            pixels.resize(size_t(TJSCALED(w, f)) * TJSCALED(h, f) * 4);
            tjDecompress2(tj.get(), bytes, data.size(), pixels.data(), TJSCALED(w, f), 0,
                          TJSCALED(h, f), TJPF_BGRX, 0);
        }
    };
    QElapsedTimer timer;
    timer.start();
    std::thread a(work), b(work);
    a.join();
    b.join();
    return in_files.size() / (timer.nsecsElapsed() / 1e9);
}

double VipsThumbnails(const QString &in_tool, const QStringList &in_files, int in_box)
{
    QTemporaryDir out;
    QStringList halves[2];
    for (int i = 0; i < in_files.size(); ++i)
        halves[i % 2] << in_files.at(i);
    QElapsedTimer timer;
    timer.start();
    QProcess procs[2];
    for (int i = 0; i < 2; ++i) {
        procs[i].start(in_tool,
                       QStringList({"-s", QString::number(in_box), "-o", out.path() + "/%s.jpg"}) +
                           halves[i]);
    }
    for (QProcess &p : procs)
        p.waitForFinished(-1);
    return in_files.size() / (timer.nsecsElapsed() / 1e9);
}

// Milliseconds per file.
double WrapperRotations(const QStringList &in_files, const QString &in_outDir, bool in_inPlace)
{
    QElapsedTimer timer;
    timer.start();
    for (const QString &file : in_files) {
        const QString dest = in_inPlace ? file : in_outDir + '/' + QFileInfo(file).fileName();
        try {
            QLRotateFile(file, dest, 4);
        } catch (QLException *in_pErr) {
            std::printf("  rotation failed: %d\n", in_pErr->code);
            delete in_pErr;
        }
    }
    return timer.nsecsElapsed() / 1e6 / in_files.size();
}

double ToolRotations(const QString &in_tool, const QStringList &in_files, const QString &in_outDir)
{
    QElapsedTimer timer;
    timer.start();
    for (const QString &file : in_files) {
        QProcess p;
        p.setStandardOutputFile(in_outDir + "/ref-" + QFileInfo(file).fileName());
        p.start(in_tool, {"-copy", "all", "-rotate", "90", "-trim", file});
        p.waitForFinished(-1);
    }
    return timer.nsecsElapsed() / 1e6 / in_files.size();
}

long PeakRssKb()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Every 4000x3000 photo loses its 8 partial rows on a quarter turn; one trace each is noise
    // here.
    QLoggingCategory::setFilterRules(QStringLiteral("veyra.trace=false"));
    QStringList args = app.arguments();
    auto option = [&](const char *in_name, const QString &in_default) {
        const int i = args.indexOf(QString::fromLatin1(in_name));
        return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : in_default;
    };

    // Child mode: one 128-pixel scan, then the peak resident memory of this process.
    if (args.contains("--scan-memory")) {
        const QString dir = option("--scan-memory", QString());
        std::vector<std::unique_ptr<QLImage>> kept;
        QLLoadThumbnails(nullptr, dir, QSize(128, 128), "*.jpg", 0, false, &KeepThumbnail, &kept);
        std::printf("%ld %zu\n", PeakRssKb(), kept.size());
        return 0;
    }

    const QString corpus = option("--corpus", "/tmp/veyra-bench-corpus");
    const int count = option("--count", "200").toInt();
    const int rotations = option("--rotations", "20").toInt();
    if (Photos(corpus).size() < count) {
        std::printf("Writing %d test photos (%dx%d, 4:2:0, Exif) to %s\n", count, kWidth, kHeight,
                    qPrintable(corpus));
        if (!WriteCorpus(corpus, count)) {
            std::printf("cannot write the corpus\n");
            return 1;
        }
    }
    const QStringList files = Photos(corpus);
    std::printf("Corpus: %lld files in %s\n\n", static_cast<long long>(files.size()),
                qPrintable(corpus));

    const QString vips = QStandardPaths::findExecutable("vipsthumbnail");
    const QString jpegtran = QStandardPaths::findExecutable("jpegtran");

    std::printf("Thumbnails (files/s)      wrapper   bare 2-thread decode   ratio (goal >= 0.90)   "
                "vipsthumbnail x2   ratio (goal >= 1.20)\n");
    // The machine is shared: each figure is the best of several interleaved runs.
    const int runs = option("--runs", "3").toInt();
    for (int box : {64, 128, 256}) {
        double ours = 0, bare = 0, ref = 0;
        for (int run = 0; run < runs; ++run) {
            ours = std::max(ours, WrapperThumbnails(corpus, box, int(files.size())));
            bare = std::max(bare, BareDecodeLoop(files, box));
            if (!vips.isEmpty())
                ref = std::max(ref, VipsThumbnails(vips, files, box));
        }
        std::printf("  %3d px                  %7.1f   %20.1f   %20.2f   %16.1f   %20.2f\n", box,
                    ours, bare, ours / bare, ref, ref > 0 ? ours / ref : 0.0);
        std::fflush(stdout);
    }

    // Rotations work on copies so that the corpus stays as it is.
    QTemporaryDir work;
    QDir(work.path()).mkdir("in");
    QDir(work.path()).mkdir("out");
    QStringList sample;
    for (int i = 0; i < std::min(rotations, int(files.size())); ++i) {
        const QString copy = work.path() + "/in/" + QFileInfo(files.at(i)).fileName();
        QFile::copy(files.at(i), copy);
        sample << copy;
    }
    double inPlace = 1e9, toFolder = 1e9, ref = 1e9;
    for (int run = 0; run < runs; ++run) {
        inPlace = std::min(inPlace, WrapperRotations(sample, QString(), true));
        toFolder = std::min(toFolder, WrapperRotations(sample, work.path() + "/out", false));
        if (!jpegtran.isEmpty())
            ref = std::min(ref, ToolRotations(jpegtran, sample, work.path() + "/out"));
    }
    if (jpegtran.isEmpty())
        ref = 0;
    std::printf("\nLossless rotation of %lld files (ms per file, lower is better)\n",
                static_cast<long long>(sample.size()));
    std::printf("  QLRotateFile in place           %7.1f ms   %5.2fx jpegtran (goal <= 1.15)\n",
                inPlace, ref > 0 ? inPlace / ref : 0.0);
    std::printf("  QLRotateFile into other folder  %7.1f ms   %5.2fx jpegtran (goal <= 1.15)\n",
                toFolder, ref > 0 ? toFolder / ref : 0.0);
    std::printf("  jpegtran -copy all -rotate 90 -trim  %7.1f ms\n", ref);

    QProcess child;
    child.start(app.applicationFilePath(), {"--scan-memory", corpus});
    child.waitForFinished(-1);
    const QList<QByteArray> answer = child.readAllStandardOutput().trimmed().split(' ');
    std::printf(
        "\nPeak memory of a %s-file 128 px scan (thumbnails kept): %.1f MB (goal < 150 MB)\n",
        answer.value(1).constData(), answer.value(0).toLong() / 1024.0);
    return 0;
}
