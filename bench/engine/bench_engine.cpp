// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Prints how fast the imaging wrapper makes thumbnails and rotates files, next to a bare
// two-thread TurboJPEG decode loop and the reference command-line tools run on the same files.
//
//   bench_engine [--corpus DIR] [--count N] [--rotations N] [--runs N] [--rotation-only]
//                [--thumbnail-only]
//
// Without photos in DIR (default /tmp/veyra-bench-corpus) it first writes N (default 200)
// 4000x3000 4:2:0 JPEGs with an Exif segment and photo-like content.
#include "jpeg/vyrjpegturn.h"
#include "qlimg.h"
#include "thumb/vyrthumbdecode.h"
#include "vyrengine.h"

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

#include <sys/resource.h>

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

// Wall-clock and CPU milliseconds (this process and the children it waited for) of a piece of
// work. The machine is shared: CPU time shows what a rotation costs whatever else runs, wall
// time what the user waits (disk flushes included).
class Stopwatch
{
public:
    Stopwatch()
    {
        m_wall.start();
        m_cpu = CpuMs();
    }
    struct Figures
    {
        double m_wall = 1e12;
        double m_cpu = 1e12;
    };
    // Per item; keeps the better of this and in_best.
    Figures Per(double in_items, const Figures &in_best) const
    {
        return {std::min(in_best.m_wall, m_wall.nsecsElapsed() / 1e6 / in_items),
                std::min(in_best.m_cpu, (CpuMs() - m_cpu) / in_items)};
    }

private:
    static double CpuMs()
    {
        double ms = 0;
        for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
            struct rusage usage;
            getrusage(who, &usage);
            ms += (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                  (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
        }
        return ms;
    }
    QElapsedTimer m_wall;
    double m_cpu;
};
using Figures = Stopwatch::Figures;

void WrapperRotations(const QStringList &in_files, const QString &in_outDir, bool in_inPlace,
                      Figures *inout_pBest)
{
    // Every round writes the same outputs again: the earlier round's may be replaced.
    VYRRotateOptions options;
    options.m_allowReplace = true;
    Stopwatch watch;
    for (const QString &file : in_files) {
        const QString dest = in_inPlace ? file : in_outDir + '/' + QFileInfo(file).fileName();
        try {
            QLRotateFile(file, dest, 4, &options);
        } catch (QLException *in_pErr) {
            std::printf("  rotation failed: %d\n", in_pErr->code);
            delete in_pErr;
        }
    }
    *inout_pBest = watch.Per(in_files.size(), *inout_pBest);
}

// The reference tool with in_args on every file; out_pBytes receives the bytes it wrote.
void ToolRun(const QString &in_tool, const QStringList &in_args, const QStringList &in_files,
             const QString &in_outDir, Figures *inout_pBest, qint64 *out_pBytes = nullptr)
{
    qint64 bytes = 0;
    Stopwatch watch;
    for (const QString &file : in_files) {
        const QString out = in_outDir + "/ref-" + QFileInfo(file).fileName();
        QProcess p;
        p.setStandardOutputFile(out);
        p.start(in_tool, in_args + QStringList(file));
        p.waitForFinished(-1);
        if (out_pBytes)
            bytes += QFileInfo(out).size();
    }
    *inout_pBest = watch.Per(in_files.size(), *inout_pBest);
    if (out_pBytes)
        *out_pBytes = bytes;
}

std::vector<QByteArray> LoadAll(const QStringList &in_files)
{
    std::vector<QByteArray> data;
    for (const QString &file : in_files) {
        QFile f(file);
        data.push_back(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
    }
    return data;
}

// The engine's in-memory turn alone (no file access, no verification).
void EngineTurns(const std::vector<QByteArray> &in_photos, bool in_optimize, Figures *inout_pBest,
                 qint64 *out_pBytes, int in_code = VYR_ROTATE_90)
{
    qint64 bytes = 0;
    Stopwatch watch;
    for (const QByteArray &photo : in_photos) {
        VYRTurnRequest request;
        request.m_code = in_code;
        request.m_optimizeTables = in_optimize;
        VYRTurnResult result;
        if (VYRTurnJpeg(reinterpret_cast<const uint8_t *>(photo.constData()), size_t(photo.size()),
                        request, &result) != VYR_SUCCESS)
            std::printf("  turn failed\n");
        bytes += result.m_jpeg.size();
    }
    *inout_pBest = watch.Per(double(in_photos.size()), *inout_pBest);
    *out_pBytes = bytes;
}

// The library's own transform in memory, as the engine ran it before (trim, stop on warnings).
void LibraryTransforms(const std::vector<QByteArray> &in_photos, Figures *inout_pBest)
{
    std::unique_ptr<void, decltype(&tjDestroy)> tj(tjInitTransform(), &tjDestroy);
    Stopwatch watch;
    for (const QByteArray &photo : in_photos) {
        tjtransform t = {};
        t.op = TJXOP_ROT90;
        t.options = TJXOPT_TRIM;
        unsigned char *out = nullptr;
        unsigned long size = 0;
        if (tjTransform(tj.get(), reinterpret_cast<const unsigned char *>(photo.constData()),
                        static_cast<unsigned long>(photo.size()), 1, &out, &size, &t,
                        TJFLAG_STOPONWARNING) != 0)
            std::printf("  tjTransform failed\n");
        tjFree(out);
    }
    *inout_pBest = watch.Per(double(in_photos.size()), *inout_pBest);
}

// The whole verified, atomic file rotation through the engine table.
void EngineFileRotations(const QStringList &in_files, const QString &in_outDir,
                         Figures *inout_pBest)
{
    VYRRotateOptions options;
    options.m_allowReplace = true; // the earlier round's outputs
    Stopwatch watch;
    for (const QString &file : in_files) {
        const int rc = VYRDefaultEngine().RotateFile(
            file, in_outDir + '/' + QFileInfo(file).fileName(), VYR_ROTATE_90, 0, 0, 0, &options);
        if (rc != VYR_SUCCESS)
            std::printf("  rotation failed: %d\n", rc);
    }
    *inout_pBest = watch.Per(in_files.size(), *inout_pBest);
}

// The rotation figures: the engine against jpegtran turning and merely copying coefficients,
// interleaved run by run so that a busy moment on the machine hits all of them alike.
// in_placeCopies are turned in place, so they change from run to run; the others stay.
void RotationFigures(const QStringList &in_sample, const QStringList &in_placeCopies,
                     const QString &in_work, int in_runs)
{
    const QString jpegtran = QStandardPaths::findExecutable("jpegtran");
    const QString outDir = in_work + "/out";
    const std::vector<QByteArray> photos = LoadAll(in_sample);
    Figures turn, turnOpt, library, file, inPlace, toFolder, toolTurn, toolCopy;
    Figures transpose, toolTranspose;
    qint64 ourBytes = 0, optBytes = 0, toolBytes = 0, unused = 0;
    for (int run = 0; run < in_runs; ++run) {
        EngineTurns(photos, false, &turn, &ourBytes);
        EngineTurns(photos, true, &turnOpt, &optBytes);
        EngineTurns(photos, false, &transpose, &unused, VYR_TRANSPOSE);
        LibraryTransforms(photos, &library);
        EngineFileRotations(in_sample, outDir, &file);
        WrapperRotations(in_placeCopies, QString(), true, &inPlace);
        WrapperRotations(in_sample, outDir, false, &toFolder);
        if (!jpegtran.isEmpty()) {
            ToolRun(jpegtran, {"-copy", "all", "-rotate", "90", "-trim"}, in_sample, outDir,
                    &toolTurn, &toolBytes);
            ToolRun(jpegtran, {"-copy", "all"}, in_sample, outDir, &toolCopy);
            ToolRun(jpegtran, {"-copy", "all", "-transpose", "-trim"}, in_sample, outDir,
                    &toolTranspose);
        }
    }
    if (jpegtran.isEmpty()) {
        std::printf("\njpegtran is not installed: no reference figures\n");
        toolTurn = toolCopy = {0, 0};
    }
    std::printf("\nLossless quarter turn of %lld photos (%dx%d, 4:2:0), ms per photo, best of %d "
                "runs\n                                       wall      cpu   ratio to jpegtran "
                "(wall, cpu)\n",
                static_cast<long long>(in_sample.size()), kWidth, kHeight, in_runs);
    auto line = [&](const char *in_what, const Figures &in_f, const char *in_goal) {
        std::printf("  %-36s %7.1f  %7.1f   %5.2f  %5.2f  %s\n", in_what, in_f.m_wall, in_f.m_cpu,
                    toolTurn.m_wall > 0 ? in_f.m_wall / toolTurn.m_wall : 0.0,
                    toolTurn.m_cpu > 0 ? in_f.m_cpu / toolTurn.m_cpu : 0.0, in_goal);
    };
    line("engine turn in memory", turn, "(goal <= 0.60)");
    line("engine turn, optimised tables", turnOpt, "");
    line("library transform in memory (before)", library, "");
    line("engine verified atomic file rotation", file, "(goal <= 1.15)");
    line("QLRotateFile in place", inPlace, "(goal <= 1.15)");
    line("QLRotateFile into other folder", toFolder, "(goal <= 1.15)");
    line("jpegtran -copy all -rotate 90 -trim", toolTurn, "");
    line("jpegtran -copy all (no turn)", toolCopy, "");
    line("engine transpose in memory", transpose, "");
    line("jpegtran -copy all -transpose -trim", toolTranspose, "");
    auto ratio = [](const Figures &in_a, const Figures &in_b) {
        return in_b.m_cpu > 0 ? in_a.m_cpu / in_b.m_cpu : 0.0;
    };
    std::printf("  transpose / 90-degree turn (cpu): engine %.2f (goal <= 1), jpegtran %.2f\n",
                ratio(transpose, turn), ratio(toolTranspose, toolTurn));
    const double n = double(in_sample.size());
    std::printf("  output size per photo: engine %.1f KB, optimised tables %.1f KB, jpegtran %.1f "
                "KB (engine/jpegtran %.4f, goal <= 1)\n",
                ourBytes / n / 1024, optBytes / n / 1024, toolBytes / n / 1024,
                toolBytes > 0 ? double(ourBytes) / double(toolBytes) : 0.0);
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

// Thumbnails per second of the wrapper, of a bare two-thread decode and of vipsthumbnail, per
// box, each the best of
// runs.
void ThumbnailTable(const QString &corpus, const QStringList &files, const QString &vips, int runs)
{
    std::printf("Thumbnails (files/s)      wrapper   bare 2-thread decode   ratio (goal >= 0.90)   "
                "vipsthumbnail x2   ratio (goal >= 1.20)\n");
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
}

// The first turn and verified rotation of fresh child processes (no memory to reuse yet).
void FirstPhotoFigures(const QString &in_self, const QString &in_photo, const QString &in_work,
                       int runs)
{
    // Each process's first photo pays for fresh memory; later ones reuse it.
    Figures firstTurn, firstRotation;
    for (int run = 0; run < runs; ++run) {
        QProcess first;
        first.start(in_self, {"--first-turn", in_photo, "--into", in_work + "/out"});
        first.waitForFinished(-1);
        const QList<QByteArray> f = first.readAllStandardOutput().trimmed().split(' ');
        firstTurn = {std::min(firstTurn.m_wall, f.value(0).toDouble()),
                     std::min(firstTurn.m_cpu, f.value(1).toDouble())};
        firstRotation = {std::min(firstRotation.m_wall, f.value(2).toDouble()),
                         std::min(firstRotation.m_cpu, f.value(3).toDouble())};
    }
    std::printf("  first photo of a fresh process: turn %.1f ms wall, %.1f ms cpu; verified file "
                "rotation %.1f ms wall, %.1f ms cpu\n",
                firstTurn.m_wall, firstTurn.m_cpu, firstRotation.m_wall, firstRotation.m_cpu);
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

    // Child mode: the first turn and verified rotation of a fresh process (no memory to reuse
    // yet), as wall and CPU milliseconds.
    if (args.contains("--first-turn")) {
        const QString file = option("--first-turn", QString());
        Figures turn, rotation;
        qint64 bytes = 0;
        EngineTurns(LoadAll({file}), false, &turn, &bytes);
        EngineFileRotations({file}, option("--into", QString()), &rotation);
        std::printf("%f %f %f %f\n", turn.m_wall, turn.m_cpu, rotation.m_wall, rotation.m_cpu);
        return 0;
    }

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
    const bool rotationOnly = args.contains("--rotation-only");
    // The machine is shared: each figure is the best of several interleaved runs.
    const int runs = option("--runs", "3").toInt();

    if (!rotationOnly) {
        ThumbnailTable(corpus, files, vips, runs);
        if (args.contains("--thumbnail-only"))
            return 0;
    }

    // Rotations work on copies so that the corpus stays as it is.
    QTemporaryDir work;
    for (const char *folder : {"in", "out", "place"})
        QDir(work.path()).mkdir(folder);
    QStringList sample, placeCopies;
    for (int i = 0; i < std::min(rotations, int(files.size())); ++i) {
        const QString name = QFileInfo(files.at(i)).fileName();
        QFile::copy(files.at(i), work.path() + "/in/" + name);
        QFile::copy(files.at(i), work.path() + "/place/" + name);
        sample << work.path() + "/in/" + name;
        placeCopies << work.path() + "/place/" + name;
    }
    RotationFigures(sample, placeCopies, work.path(), runs);
    FirstPhotoFigures(app.applicationFilePath(), sample.value(0), work.path(), runs);
    if (rotationOnly)
        return 0;

    QProcess child;
    child.start(app.applicationFilePath(), {"--scan-memory", corpus});
    child.waitForFinished(-1);
    const QList<QByteArray> answer = child.readAllStandardOutput().trimmed().split(' ');
    std::printf(
        "\nPeak memory of a %s-file 128 px scan (thumbnails kept): %.1f MB (goal < 150 MB)\n",
        answer.value(1).constData(), answer.value(0).toLong() / 1024.0);
    return 0;
}
