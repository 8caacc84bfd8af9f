// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Prints how fast the thumbnail grid works with real, compactly held thumbnails of a large
// folder: a repaint, a hover and a click with the decoded pictures cached, and scrolling by a
// screenful onto rows whose thumbnails have never been decoded; the repaint with the names
// under the thumbnails on and off, and with every cell selected.
//
//   bench_thumbgrid [--count N] [--size 64|128|256] [--photo FILE] [--pages P]
//
// Each figure is printed as wall-clock mean, median and worst, and the mean processor time of
// the user-interface thread (on a shared machine the wall clock also counts other processes).
//
// The folder holds N (default 10,000) hard links of one 1600x1200 JPEG (FILE, or a photo-like
// one written here); the window is 1280x900, offscreen.
#include "benchgridscene.h"
#include "document.h"
#include "qltrace.h"
#include "qlwnd.h"
#include "thumb/vyrthumbcache.h"
#include "thumbbenchfolder.h"
#include "vyrthumbvw.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

// Milliseconds of this thread's processor time: on a shared machine the wall clock also counts
// the time other processes had the processor.
double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

struct Times
{
    std::vector<double> m_wallMs;
    std::vector<double> m_cpuMs;
};

// Wall and processor milliseconds of each of in_runs calls of in_step.
Times Measure(int in_runs, const std::function<void(int)> &in_step)
{
    Times times;
    QElapsedTimer timer;
    for (int i = 0; i < in_runs; ++i) {
        const double cpu = ThreadCpuMs();
        timer.start();
        in_step(i);
        times.m_wallMs.push_back(timer.nsecsElapsed() / 1e6);
        times.m_cpuMs.push_back(ThreadCpuMs() - cpu);
    }
    return times;
}

double Mean(const std::vector<double> &in_ms)
{
    double sum = 0;
    for (double ms : in_ms)
        sum += ms;
    return sum / in_ms.size();
}

double Median(std::vector<double> in_ms)
{
    std::sort(in_ms.begin(), in_ms.end());
    return in_ms[in_ms.size() / 2];
}

void Print(const char *in_what, const Times &in_times, double in_goalMs)
{
    std::printf("%-52s %8.3f %8.3f %8.3f %8.3f   < %g\n", in_what, Mean(in_times.m_wallMs),
                Median(in_times.m_wallMs),
                *std::max_element(in_times.m_wallMs.begin(), in_times.m_wallMs.end()),
                Mean(in_times.m_cpuMs), in_goalMs);
    std::fflush(stdout);
}

// The warm figures: repaints with the visible pictures cached, names on and off, a hover
// move and a click.
void MeasureWarm(VYRThumbVw &view)
{
    // Warm: the visible cells' pictures are decoded by the first repaint.
    QScrollBar *bar = view.verticalScrollBar();
    bar->setValue(0);
    view.viewport()->repaint();
    Print("repaint of the visible area, warm (widget)",
          Measure(50, [&](int) { view.viewport()->repaint(); }), 5);
    QImage canvas(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    Print("repaint of the visible area, warm (drawing alone)",
          Measure(50,
                  [&](int) {
                      QPainter painter(&canvas);
                      painter.fillRect(canvas.rect(), view.GetBackgroundBrush());
                      painter.translate(-view.GetScrollPosition());
                      view.OnDraw(&painter);
                  }),
          5);

    // Names under the thumbnails: each cell also draws its (cached, already cut) name, and
    // the selection tints the marked cells.
    view.SetShowFileNames(true);
    view.viewport()->repaint();
    Print("repaint, warm, names on (widget)", Measure(50, [&](int) { view.viewport()->repaint(); }),
          5);
    view.MarkAll();
    Print("repaint, warm, names on, all selected (widget)",
          Measure(50, [&](int) { view.viewport()->repaint(); }), 5);
    view.ClearMarks();
    view.SetShowFileNames(false);
    view.viewport()->repaint();
    Print("repaint, warm, names off (widget)",
          Measure(50, [&](int) { view.viewport()->repaint(); }), 5);
    view.SetShowFileNames(true);

    const GridRect a = view.GridToClient(view.GetCell(0)->GetRect());
    const GridRect b = view.GridToClient(view.GetCell(1)->GetRect());
    const QPoint onA(a.left + 10, a.top + 10);
    const QPoint onB(b.left + 10, b.top + 10);
    view.OnMouseMove(0, onA);
    QApplication::processEvents();
    Print("hover move between two cells, with its repaint",
          Measure(100,
                  [&](int i) {
                      view.OnMouseMove(0, i % 2 ? onA : onB);
                      QApplication::processEvents();
                  }),
          5);
    // Left and right in turn: the thumbnail goes a quarter turn back and forth, both drawn
    // from the cache after the first two clicks.
    Print("click queueing a rotation, with its repaint",
          Measure(100,
                  [&](int i) {
                      view.OnLButtonDown(i % 2 ? QL_MK_LBUTTON : QL_MK_RBUTTON, onB);
                      QApplication::processEvents();
                  }),
          5);
    std::printf("decoded pictures cached: %.1f MB (limit %.0f MB)\n",
                VYRThumbCacheCost() / 1048576.0, VYRThumbCacheLimit() / 1048576.0);
}

// The cold figures: scrolling to rows never drawn, while the cache grows and once it is full.
void MeasureCold(VYRThumbVw &view, int pages)
{
    // Cold: every step shows rows that were never drawn, so each thumbnail on screen is
    // decoded during the repaint. While the cache grows, its pictures also take memory the
    // process never touched before (the kernel supplies it page by page); once it is full, the
    // pictures that give way leave their memory to the new ones.
    QScrollBar *bar = view.verticalScrollBar();
    const int page = view.viewport()->height();
    int step = 0;
    const auto scrollPage = [&](int) {
        bar->setValue(page * ++step);
        view.viewport()->repaint();
    };
    Print("scroll a screenful, never-drawn rows, cache growing", Measure(pages, scrollPage), 16);
    while (VYRThumbCacheCost() < VYRThumbCacheLimit() * 9 / 10 && bar->value() < bar->maximum())
        scrollPage(0);
    Print("scroll a screenful, never-drawn rows, cache full", Measure(pages, scrollPage), 16);
    VYRThumbCacheClear();
    Print("repaint of the visible area after dropping the cache",
          Measure(1, [&](int) { view.viewport()->repaint(); }), 16);
    std::printf("decoded pictures cached: %.1f MB\n", VYRThumbCacheCost() / 1048576.0);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto option = [&](const char *in_name, const QString &in_default) {
        const int i = args.indexOf(QString::fromLatin1(in_name));
        return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : in_default;
    };
    const int count = option("--count", "10000").toInt();
    const int size = option("--size", "128").toInt();
    const int pages = option("--pages", "20").toInt();
    if (count < 200 || (size != 64 && size != 128 && size != 256) || pages < 1) {
        std::fprintf(stderr, "usage: bench_thumbgrid [--count N>=200] [--size 64|128|256] "
                             "[--photo FILE] [--pages P]\n");
        return 2;
    }
    QLSetTraceHook([](const QString &) {}); // keep the figures readable

    QTemporaryDir work;
    const QString folder = work.filePath(QStringLiteral("photos"));
    if (!ThumbBench::MakeLinkedFolder(folder, option("--photo", QString()), count)) {
        std::fprintf(stderr, "cannot make the folder in %s\n", qPrintable(folder));
        return 1;
    }
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, work.path());
    BenchGridScene scene(size);
    Document &document = scene.document;
    VYRThumbVw &view = scene.view;

    QElapsedTimer timer;
    timer.start();
    view.LoadFolder(folder);
    const double scanSeconds = timer.nsecsElapsed() / 1e9;
    QApplication::processEvents();
    const QSize grid = view.GetGridSize();
    std::printf("%d thumbnails of %d px in %d columns x %d rows, viewport %dx%d, scan %.1f s\n",
                view.GetCellCount(), size, grid.width(), grid.height(), view.viewport()->width(),
                view.viewport()->height(), scanSeconds);

    std::printf("%-52s %8s %8s %8s %8s   %s\n", "milliseconds", "mean", "median", "worst",
                "cpu mean", "goal");
    MeasureWarm(view);
    MeasureCold(view, pages);

    view.ResetView();
    document.DeleteContents();
    document.ClearQueue();
    return 0;
}
