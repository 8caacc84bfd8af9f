// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Prints how long the thumbnail grid takes for its everyday work with many thumbnails
// (default 10,000 cells of 128 pixels): adding a cell early and late, a full repaint of the
// visible area at the top and the bottom, a hover move over cells, gaps and row handles, and
// a click that queues a rotation. Usage: bench_browser [cells] [thumbnail size]
#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <vector>

#include "benchgridscene.h"
#include "document.h"
#include "qltrace.h"
#include "qlwnd.h"
#include "vyrimg.h"
#include "vyrthumbvw.h"

namespace {

// Mean milliseconds per call of in_step over in_runs calls.
double MeanMs(int in_runs, const std::function<void(int)> &in_step)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < in_runs; ++i)
        in_step(i);
    return timer.nsecsElapsed() / 1e6 / in_runs;
}

VYRImage *MakeItem(int in_index, int in_size)
{
    VYRBitmap bitmap;
    bitmap.m_image = QImage(in_size, in_size, QImage::Format_RGB32);
    bitmap.m_image.fill(QColor::fromHsv((in_index * 37) % 360, 160, 220));
    const QLImage thumbnail(QString::asprintf("/photos/IMG_%05d.jpg", in_index), bitmap);
    return new VYRImage(thumbnail);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int cells = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000;
    const int size = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 128;
    if (cells < 200 || (size != 64 && size != 128 && size != 256)) {
        std::fprintf(stderr, "usage: bench_browser [cells >= 200] [64|128|256]\n");
        return 2;
    }
    QLSetTraceHook([](const QString &) {}); // keep the figures readable

    // The user's settings stay untouched.
    QTemporaryDir store;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, store.path());
    BenchGridScene scene(size);
    Document &document = scene.document;
    VYRThumbVw &view = scene.view;

    // Adding: the same path as a scan (the document lists the item, the view adds a cell).
    std::vector<double> addMs;
    QElapsedTimer timer;
    for (int i = 0; i < cells; ++i) {
        VYRImage *item = MakeItem(i, size);
        timer.start();
        document.AddImage(item);
        addMs.push_back(timer.nsecsElapsed() / 1e6);
    }
    auto meanOf = [&addMs](int in_from, int in_count) {
        double sum = 0;
        for (int i = in_from; i < in_from + in_count; ++i)
            sum += addMs[i];
        return sum / in_count;
    };
    QApplication::processEvents();

    const QSize grid = view.GetGridSize();
    std::printf("grid: %d cells of %d px in %d columns x %d rows, viewport %dx%d\n", cells, size,
                grid.width(), grid.height(), view.viewport()->width(), view.viewport()->height());
    std::printf("add a cell: first 100 %.4f ms each, last 100 %.4f ms each\n", meanOf(0, 100),
                meanOf(cells - 100, 100));

    // The widget repaint includes Qt's backing store and the platform's flush; the drawing
    // alone is the view's own part (background, handles, cells, frames).
    QScrollBar *bar = view.verticalScrollBar();
    QImage canvas(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (const char *where : {"top", "bottom"}) {
        bar->setValue(where[0] == 't' ? 0 : bar->maximum());
        const double widgetMs = MeanMs(50, [&view](int) { view.viewport()->repaint(); });
        const double drawMs = MeanMs(50, [&](int) {
            QPainter painter(&canvas);
            painter.fillRect(canvas.rect(), view.GetBackgroundBrush());
            painter.translate(-view.GetScrollPosition());
            view.OnDraw(&painter);
        });
        std::printf(
            "full repaint of the visible area (%s): widget %.3f ms, drawing alone %.3f ms\n", where,
            widgetMs, drawMs);
    }

    // Pointer work near the end of the grid, where walks from the head are longest.
    const int last = cells - 1;
    const GridRect a = view.GridToClient(view.GetCell(last - 1)->GetRect());
    const GridRect b = view.GridToClient(view.GetCell(last)->GetRect());
    const GridRect row = view.GridToClient(view.GetRowRect(grid.height() - 1));
    const QPoint onA(a.left + 10, a.top + 10);
    const QPoint onB(b.left + 10, b.top + 10);
    const QPoint inGap(a.right + 1, a.top + 10);
    const QPoint onHandle(row.left - 10, row.top + 10);
    double ms = MeanMs(200, [&](int i) { view.OnMouseMove(0, i % 2 ? onA : onB); });
    std::printf("hover move between two cells: %.4f ms\n", ms);
    ms = MeanMs(200, [&](int i) { view.OnMouseMove(0, i % 2 ? onA : inGap); });
    std::printf("hover move cell <-> gap: %.4f ms\n", ms);
    ms = MeanMs(200, [&](int i) { view.OnMouseMove(0, i % 2 ? onA : onHandle); });
    std::printf("hover move cell <-> last row handle: %.4f ms\n", ms);
    ms = MeanMs(20, [&](int) {
        view.OnMouseMove(0, onB);
        QApplication::processEvents(); // the repaint the move asked for
    });
    std::printf("hover move including its repaint: %.3f ms\n", ms);
    ms =
        MeanMs(200, [&](int i) { view.OnLButtonDown(i % 2 ? QL_MK_LBUTTON : QL_MK_RBUTTON, onB); });
    std::printf("click queueing a rotation (last cell): %.4f ms\n", ms);

    view.ResetView();
    document.DeleteContents();
    document.ClearQueue();
    return 0;
}
