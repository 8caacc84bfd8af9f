// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Takes the picture of the main window for the documentation: Veyra on a folder of sample
// photos, three of them turned by mouse clicks and still waiting in the task list. Run it on
// a real X server (scripts/screenshot.sh starts one).
//
//     veyra-screenshot PHOTO_FOLDER OUTPUT_PNG
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "document.h"
#include "mainwnd.h"
#include "vyrapp.h"
#include "vyrtaskvw.h"
#include "vyrthumbvw.h"

namespace {

bool WaitFor(const std::function<bool()> &in_done, int in_timeoutMs)
{
    QDeadlineTimer deadline(in_timeoutMs);
    while (!in_done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    VYRApp app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PHOTO_FOLDER OUTPUT_PNG\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    if (!app.InitInstance({folder}))
        return 1;
    MainWnd *frame = app.GetMainWnd();
    // Without a window manager nothing maximises the window: give it the whole screen.
    frame->setGeometry(frame->screen()->geometry());
    VYRThumbVw *thumbs = frame->GetThumbView();
    Document *doc = app.GetDocument();
    if (!WaitFor([&] { return thumbs->GetCellCount() > 0 && !doc->IsLoading(); }, 30000)) {
        std::fprintf(stderr, "no thumbnails from %s\n", argv[1]);
        return 1;
    }

    int code = 0;
    {
        // Keeps the worker off the jobs while the picture is taken, so they show as waiting.
        QLUniqueLock hold(g_catalogLock);
        const struct
        {
            int cell;
            Qt::MouseButton button;
        } clicks[] = {{0, Qt::RightButton}, {2, Qt::LeftButton}, {3, Qt::MiddleButton}};
        for (const auto &click : clicks) {
            if (click.cell >= thumbs->GetCellCount())
                continue;
            const GridRect rect = thumbs->GetCell(click.cell)->GetRect();
            const QPoint centre((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
            QTest::mouseClick(thumbs->viewport(), click.button, {}, thumbs->GridToClient(centre));
        }
        WaitFor([] { return false; }, 500); // let every pane repaint
        const QPixmap shot = frame->screen()->grabWindow(0);
        if (shot.isNull() || !shot.save(output)) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            code = 1;
        }
    }
    WaitFor([&] { return frame->GetTaskView()->GetTaskCount() == 0; }, 30000);
    app.ExitInstance();
    return code;
}
