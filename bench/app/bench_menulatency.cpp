// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// How long the File menu takes to open, from the moment it is asked for to its first paint,
// with the machine's cores kept busy by outside programs (one busy loop per core, as
// processes of their own) and Veyra either idle or turning a batch. The batch is run twice:
// with the worker and decoders below the window (as the program runs) and at the window's
// own priority, the way it ran before. Run it on a real X server for the most truthful
// figures (DISPLAY=:N), or offscreen.
//
//     bench_menulatency [PHOTOS] [OPENINGS]
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "document.h"
#include "mainwnd.h"
#include "qlprompt.h"
#include "qlthreadprio.h"
#include "testjpeg.h"
#include "vyrapp.h"
#include "vyrimg.h"
#include "vyrtaskvw.h"
#include "vyrthumbvw.h"

namespace {

// One busy loop per core, each a process of its own at the default priority: the load of
// other programs, which Veyra cannot lower.
std::vector<pid_t> StartOutsideLoad(int in_loops)
{
    std::vector<pid_t> children;
    for (int i = 0; i < in_loops; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            volatile unsigned long spin = 0;
            for (;;)
                spin = spin + 1;
        }
        if (pid > 0)
            children.push_back(pid);
    }
    return children;
}

void StopOutsideLoad(std::vector<pid_t> &inout_children)
{
    for (const pid_t pid : inout_children)
        kill(pid, SIGKILL);
    for (const pid_t pid : inout_children)
        waitpid(pid, nullptr, 0);
    inout_children.clear();
}

struct Figures
{
    double m_medianMs = 0;
    double m_p90Ms = 0;
    double m_maxMs = 0;
};

// Opens and closes the File menu in_count times, 150 ms apart; each time from the timer's
// due moment (the window was asleep until then) to the menu's first paint.
Figures MeasureMenuOpenings(MainWnd *in_pFrame, int in_count)
{
    QMenu *menu = in_pFrame->menuBar()->actions().first()->menu();
    std::vector<double> samples;
    QElapsedTimer clock;
    clock.start();
    qint64 dueNs = 0;
    struct PaintWatch : QObject
    {
        std::function<void()> m_onPaint;
        bool eventFilter(QObject *, QEvent *in_pEvent) override
        {
            if (in_pEvent->type() == QEvent::Paint && m_onPaint)
                m_onPaint();
            return false;
        }
    } watch;
    QEventLoop loop;
    watch.m_onPaint = [&] {
        if (dueNs == 0)
            return;
        samples.push_back(double(clock.nsecsElapsed() - dueNs) / 1e6);
        dueNs = 0;
        QTimer::singleShot(0, menu, [menu] { menu->hide(); });
    };
    menu->installEventFilter(&watch);
    std::function<void()> next = [&] {
        if (int(samples.size()) >= in_count) {
            loop.quit();
            return;
        }
        const int periodMs = 150;
        dueNs = clock.nsecsElapsed() + qint64(periodMs) * 1000000;
        QTimer::singleShot(periodMs, Qt::PreciseTimer, menu,
                           [&, menu] { menu->popup(in_pFrame->mapToGlobal(QPoint(10, 10))); });
        QTimer::singleShot(periodMs + 400, Qt::PreciseTimer, &loop, next);
    };
    next();
    loop.exec();
    menu->removeEventFilter(&watch);
    std::sort(samples.begin(), samples.end());
    Figures figures;
    if (samples.empty())
        return figures;
    figures.m_medianMs = samples[samples.size() / 2];
    figures.m_p90Ms = samples[std::min(samples.size() - 1, samples.size() * 9 / 10)];
    figures.m_maxMs = samples.back();
    return figures;
}

// Queues a quarter turn of every photo in the grid, as clicks would.
int QueueBatch(Document *in_pDoc, VYRThumbVw *in_pView)
{
    std::vector<VYRImage *> items;
    {
        QLLockGuard lock(g_catalogLock);
        VYRImage *item = nullptr;
        for (int i = 0; i < in_pDoc->GetImages().GetCount(); ++i)
            if (in_pDoc->GetImages().Get(i, item))
                items.push_back(item);
    }
    for (VYRImage *item : items) {
        {
            QLLockGuard lock(g_catalogLock);
            item->Rotate(90);
        }
        in_pDoc->NotifyViews(in_pView, HINT_ITEM_QUEUED, item);
    }
    return int(items.size());
}

void Print(const char *in_pCase, const Figures &in_figures, int in_left)
{
    std::printf("%-44s median %6.1f ms   p90 %6.1f ms   max %6.1f ms", in_pCase,
                in_figures.m_medianMs, in_figures.m_p90Ms, in_figures.m_maxMs);
    if (in_left >= 0)
        std::printf("   (%d jobs still waiting)", in_left);
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    VYRApp app(argc, argv);
    app.setOrganizationName(QStringLiteral("Quillmere"));
    const int photos = argc > 1 ? std::max(4, atoi(argv[1])) : 48;
    const int openings = argc > 2 ? std::max(5, atoi(argv[2])) : 20;
    const int cores = std::max(1u, std::thread::hardware_concurrency());

    QTemporaryDir dir;
    TestJpeg::Options options;
    options.width = 3000;
    options.height = 2000;
    for (int i = 0; i < photos; ++i)
        TestJpeg::Write(dir.path(), QStringLiteral("photo%1.jpg").arg(i, 3, 10, QLatin1Char('0')),
                        options);
    {
        QSettings store;
        store.setValue(QStringLiteral("Preferences/SettleMilliseconds"), 0);
        store.setValue(QStringLiteral("Preferences/UndoDays"), 0);
    }
    QLSetPromptHandler([](const QString &, unsigned) { return QL_IDYES; });
    if (!app.InitInstance({dir.path()}))
        return 1;
    MainWnd *frame = app.GetMainWnd();
    Document *doc = app.GetDocument();
    QTimer::singleShot(0, [] {}); // the scan is posted: let it run
    while (!doc->IsLoading() && frame->GetThumbView()->GetCellCount() == 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    while (doc->IsLoading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);

    std::printf("Menu-open latency, %d photos of 3000x2000, %d openings each, %d cores, "
                "platform %s\n",
                photos, openings, cores, qPrintable(QGuiApplication::platformName()));
    Print("quiet machine, Veyra idle", MeasureMenuOpenings(frame, openings), -1);

    std::vector<pid_t> load = StartOutsideLoad(cores);
    Print("busy machine, Veyra idle", MeasureMenuOpenings(frame, openings), -1);

    for (const bool lowered : {false, true}) {
        QLSetThreadPriorityLowering(lowered);
        // The worker lowers itself when it starts: start a fresh one for each case.
        app.ExitInstance();
        if (!app.InitInstance({dir.path()}))
            return 1;
        frame = app.GetMainWnd();
        doc = app.GetDocument();
        while (frame->GetThumbView()->GetCellCount() < photos || doc->IsLoading())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        QueueBatch(doc, frame->GetThumbView());
        // The first job under way.
        while (doc->GetPendingCount() == photos)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        const Figures figures = MeasureMenuOpenings(frame, openings);
        Print(lowered ? "busy machine, batch, worker below the window"
                      : "busy machine, batch, worker at window priority",
              figures, doc->GetPendingCount());
        // Leave the rest of the batch undone: the next case starts from the same files.
        QLSetPromptHandler([](const QString &, unsigned) { return QL_IDYES; });
        doc->SaveModified();
    }
    StopOutsideLoad(load);

    QLSetThreadPriorityLowering(true);
    app.ExitInstance();
    if (!app.InitInstance({dir.path()}))
        return 1;
    frame = app.GetMainWnd();
    doc = app.GetDocument();
    while (frame->GetThumbView()->GetCellCount() < photos || doc->IsLoading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QueueBatch(doc, frame->GetThumbView());
    while (doc->GetPendingCount() == photos)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    Print("quiet machine, batch, worker below the window", MeasureMenuOpenings(frame, openings),
          doc->GetPendingCount());
    doc->SaveModified();
    app.ExitInstance();
    return 0;
}
