// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Renders the thumbnail grid of a folder to a PNG for a look by eye: one thumbnail turned by
// a right click (its rotation pending), and the pointer on the left handle of the second row.
// Usage: browser_snapshot <folder> <out.png>
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>

#include "document.h"
#include "qltrace.h"
#include "qlwnd.h"
#include "vyrthumbvw.h"

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: browser_snapshot <folder> <out.png>\n");
        return 2;
    }
    QLSetTraceHook([](const QString &) {});
    QTemporaryDir store; // the user's settings stay untouched
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, store.path());

    QWidget frame;
    QLSetMainWindow(&frame);
    Document document;
    VYRThumbVw view;
    document.AddView(&view);
    view.OnInitialUpdate();
    view.resize(1100, 640);
    view.show();
    QApplication::processEvents();

    view.LoadFolder(QString::fromLocal8Bit(argv[1]));
    QApplication::processEvents();
    if (view.GetCellCount() < 2) {
        std::fprintf(stderr, "no thumbnails in %s\n", argv[1]);
        return 1;
    }
    // A right click on the second thumbnail, then the pointer onto row 1's left handle.
    const GridRect second = view.GridToClient(view.GetCell(1)->GetRect());
    view.OnRButtonDown(QL_MK_RBUTTON, QPoint(second.left + 20, second.top + 20));
    const GridRect row = view.GridToClient(view.GetRowRect(1));
    view.OnMouseMove(0, QPoint(row.left - 10, row.top + 30));
    QApplication::processEvents();

    const bool saved = view.grab().save(QString::fromLocal8Bit(argv[2]));
    std::printf("%d thumbnails, grid %dx%d, hover row %d, %s\n", view.GetCellCount(),
                view.GetGridSize().width(), view.GetGridSize().height(), view.GetHoverRow(),
                saved ? "saved" : "NOT saved");
    view.ResetView();
    document.DeleteContents();
    document.ClearQueue();
    return saved ? 0 : 1;
}
