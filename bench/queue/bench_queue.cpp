// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Figures of the rotation queue, through the document, the task list and its worker:
//   bench_queue [files] [width] [height]      (defaults 40 1600 1200)
// - batch: all files queued at once (in place, 90 degrees), time until the last is done;
// - latency: one job queued into an idle queue, time until its completion is logged;
// - idle: processor time the waiting worker and its polling cost per second.
//   bench_queue --ui [files] [width] [height] (defaults 12 4000 3000)
// - ui: while such a batch runs, the longest time the user-interface thread goes without
//   serving its event loop: a probe timer asks every 5 ms, and each probe takes the catalog
//   lock as a click's queueing does. Its worst lateness is what a user waits for a menu.
#include "document.h"
#include "qllock.h"
#include "vyrimg.h"
#include "vyrtaskvw.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <turbojpeg.h>
#include <vector>

namespace {

// A minimal little-endian Exif APP1 with Orientation 6, so that each job also rewrites it.
QByteArray ExifSegment()
{
    const unsigned char payload[] = {'E',  'x',  'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0,
                                     0x12, 0x01, 3,   0,   1, 0, 0,   0,   6,  0, 0, 0, 0, 0, 0, 0};
    QByteArray segment("\xFF\xE1", 2);
    const int length = int(sizeof payload) + 2;
    segment.append(char(length >> 8)).append(char(length & 0xFF));
    segment.append(reinterpret_cast<const char *>(payload), int(sizeof payload));
    return segment;
}

QByteArray MakeJpeg(int in_width, int in_height, int in_seed)
{
    QImage image(in_width, in_height, QImage::Format_RGB32);
    for (int y = 0; y < in_height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < in_width; ++x)
            line[x] =
                qRgb((x * 255 / in_width + in_seed) & 0xFF, y * 255 / in_height, (x ^ y) & 0xFF);
    }
    std::unique_ptr<void, decltype(&tjDestroy)> tj(tjInitCompress(), &tjDestroy);
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    if (!tj || tjCompress2(tj.get(), image.constBits(), in_width, int(image.bytesPerLine()),
                           in_height, TJPF_BGRX, &jpeg, &size, TJSAMP_420, 90, 0) != 0)
        return QByteArray();
    QByteArray bytes(reinterpret_cast<const char *>(jpeg), int(size));
    tjFree(jpeg);
    return bytes.left(2) + ExifSegment() + bytes.mid(2);
}

double CpuSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop until in_done() holds (looked at every millisecond), at most 10 min.
template <typename Done> bool Spin(Done in_done)
{
    QEventLoop loop;
    QTimer check;
    QElapsedTimer clock;
    clock.start();
    bool ok = true;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (in_done() || clock.elapsed() > 600000) {
            ok = in_done();
            loop.quit();
        }
    });
    check.start(1);
    if (!in_done())
        loop.exec();
    return ok;
}

// Writes in_files photos into in_dir; false when one cannot be written.
bool WritePhotos(const QTemporaryDir &in_dir, int in_files, int in_width, int in_height,
                 std::vector<QString> *out_pPaths)
{
    for (int i = 0; i < in_files; ++i) {
        const QByteArray bytes = MakeJpeg(in_width, in_height, i);
        QFile file(in_dir.filePath(QString::asprintf("img_%03d.jpg", i)));
        if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) ||
            file.write(bytes) != bytes.size())
            return false;
        out_pPaths->push_back(file.fileName());
    }
    return true;
}

double Percentile(std::vector<double> in_values, double in_fraction)
{
    if (in_values.empty())
        return 0.0;
    std::sort(in_values.begin(), in_values.end());
    const size_t at =
        std::min(in_values.size() - 1, size_t(in_fraction * double(in_values.size())));
    return in_values[at];
}

// The document with its task list and worker, and one item per written photo, every job
// turning a photo in place; what both benchmarks measure on.
struct QueueBench
{
    QTemporaryDir store, dir;
    Document doc;
    VYRTaskVw *view = nullptr; // owned by the document's views once created
    std::vector<VYRImage *> items;

    // 0, or the benchmark's exit code: 1 photos not written, 2 task list not created.
    int Open(int in_files, int in_width, int in_height)
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, store.path());
        std::vector<QString> paths;
        if (!WritePhotos(dir, in_files, in_width, in_height, &paths))
            return 1;
        doc.GetConfig().Inplace = 1;
        view = new VYRTaskVw;
        doc.AddView(view);
        if (view->OnCreate() != 0)
            return 2;
        for (const QString &path : paths) {
            VYRBitmap bitmap;
            bitmap.m_image = QImage(8, 8, QImage::Format_RGB32);
            auto *item = new VYRImage(QLImage(path, bitmap));
            doc.AddImage(item);
            items.push_back(item);
        }
        return 0;
    }
    // A quarter turn queued as a click queues it.
    void Queue(VYRImage *in_pItem)
    {
        {
            QLLockGuard lock(g_catalogLock);
            in_pItem->Rotate(90);
        }
        doc.NotifyViews(nullptr, HINT_ITEM_QUEUED, in_pItem);
    }
    bool Idle() const { return view->GetTaskCount() == 0 && doc.GetPendingCount() == 0; }
};

int RunResponsiveness(int in_files, int in_width, int in_height)
{
    QueueBench bench;
    if (const int failed = bench.Open(in_files, in_width, in_height))
        return failed;

    constexpr int kProbeMs = 5;
    std::vector<double> lateness;
    QElapsedTimer clock;
    qint64 last = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        lateness.push_back(std::max(0.0, double(now - last) / 1e6 - kProbeMs));
        last = now;
        QLLockGuard lock(g_catalogLock);
    });

    clock.start();
    for (VYRImage *item : bench.items)
        bench.Queue(item);
    last = clock.nsecsElapsed();
    probe.start(kProbeMs);
    if (!Spin([&] { return bench.Idle(); }))
        return 3;
    probe.stop();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    std::printf("ui: %d files of %dx%d (%.1f MP) in %.2f s, %.0f ms per job; event loop "
                "probed every %d ms: worst wait %.1f ms, 99th percentile %.1f ms, median "
                "%.1f ms (%zu probes)\n",
                in_files, in_width, in_height, in_width * double(in_height) / 1e6, seconds,
                1000.0 * seconds / in_files, kProbeMs, Percentile(lateness, 1.0),
                Percentile(lateness, 0.99), Percentile(lateness, 0.5), lateness.size());
    delete bench.view;
    bench.doc.DeleteContents();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--ui") {
        const int files = argc > 2 ? std::max(1, atoi(argv[2])) : 12;
        const int width = argc > 3 ? std::max(16, atoi(argv[3])) : 4000;
        const int height = argc > 4 ? std::max(16, atoi(argv[4])) : 3000;
        return RunResponsiveness(files, width, height);
    }
    const int files = argc > 1 ? std::max(1, atoi(argv[1])) : 40;
    const int width = argc > 2 ? std::max(16, atoi(argv[2])) : 1600;
    const int height = argc > 3 ? std::max(16, atoi(argv[3])) : 1200;

    QueueBench bench;
    if (const int failed = bench.Open(files, width, height))
        return failed;
    Document &doc = bench.doc;
    VYRTaskVw *view = bench.view;
    const std::vector<VYRImage *> &items = bench.items;
    const auto queue = [&](VYRImage *in_pItem) { bench.Queue(in_pItem); };
    const auto idle = [&] { return bench.Idle(); };

    // Batch.
    QElapsedTimer clock;
    clock.start();
    for (VYRImage *item : items)
        queue(item);
    if (!Spin(idle))
        return 3;
    const double batchSeconds = double(clock.nsecsElapsed()) / 1e9;
    std::printf("batch: %d files of %dx%d in %.3f s: %.1f jobs/s, %.1f ms per job\n", files, width,
                height, batchSeconds, files / batchSeconds, 1000.0 * batchSeconds / files);

    // Latency of one job into an idle queue (includes the worker's poll).
    std::vector<double> latencies;
    for (int i = 0; i < std::min(files, 10); ++i) {
        const int lines = int(doc.GetLog().size());
        clock.restart();
        queue(items[size_t(i)]);
        if (!Spin([&] { return int(doc.GetLog().size()) > lines && idle(); }))
            return 4;
        latencies.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("latency: one job queued to logged, median %.1f ms, max %.1f ms (%zu runs)\n",
                latencies[latencies.size() / 2], latencies.back(), latencies.size());

    // Idle cost: one second of an empty queue.
    const double cpuBefore = CpuSeconds();
    clock.restart();
    {
        QEventLoop loop;
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const double cpu = CpuSeconds() - cpuBefore;
    std::printf("idle: %.1f ms of processor time per second (%.2f %%), both threads\n",
                cpu * 1000.0, cpu * 100.0 * 1000.0 / double(clock.elapsed()));

    delete view;
    doc.DeleteContents();
    return 0;
}
