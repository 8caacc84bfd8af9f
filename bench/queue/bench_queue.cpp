// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Figures of the rotation queue, through the document, the task list and its worker:
//   bench_queue [files] [width] [height]      (defaults 40 1600 1200)
// - batch: all files queued at once (in place, 90 degrees), time until the last is done;
// - latency: one job queued into an idle queue, time until its completion is logged;
// - idle: processor time the waiting worker and its polling cost per second.
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

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::max(1, atoi(argv[1])) : 40;
    const int width = argc > 2 ? std::max(16, atoi(argv[2])) : 1600;
    const int height = argc > 3 ? std::max(16, atoi(argv[3])) : 1200;

    QTemporaryDir store, dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, store.path());
    std::vector<QString> paths;
    for (int i = 0; i < files; ++i) {
        const QByteArray bytes = MakeJpeg(width, height, i);
        QFile file(dir.filePath(QString::asprintf("img_%03d.jpg", i)));
        if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) ||
            file.write(bytes) != bytes.size())
            return 1;
        paths.push_back(file.fileName());
    }

    Document doc;
    doc.GetConfig().Inplace = 1;
    auto *view = new VYRTaskVw;
    doc.AddView(view);
    if (view->OnCreate() != 0)
        return 2;
    std::vector<VYRImage *> items;
    for (const QString &path : paths) {
        VYRBitmap bitmap;
        bitmap.m_image = QImage(8, 8, QImage::Format_RGB32);
        auto *item = new VYRImage(QLImage(path, bitmap));
        doc.AddImage(item);
        items.push_back(item);
    }
    const auto queue = [&](VYRImage *in_pItem) {
        {
            QLLockGuard lock(g_catalogLock);
            in_pItem->Rotate(90);
        }
        doc.NotifyViews(nullptr, HINT_ITEM_QUEUED, in_pItem);
    };
    const auto idle = [&] { return view->GetTaskCount() == 0 && doc.GetPendingCount() == 0; };

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
