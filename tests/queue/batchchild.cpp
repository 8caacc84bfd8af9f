// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// A batch run in a child process: batchchild FOLDER [OUTPUT] turns every *.jpg of FOLDER a
// quarter turn clockwise, in place or into OUTPUT, through the document, the task list and
// its worker, as the program does. Prints "<n> items pending" whenever the count changes,
// "processing <path>" when a job is taken, then every event-log line as "log: <line>" and
// "finished" at the end, so that the parent can kill it part-way or read what it did.
#include "document.h"
#include "qllock.h"
#include "vyrimg.h"
#include "vyrtaskvw.h"

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3)
        return 2;
    QTemporaryDir store;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, store.path());

    Document doc;
    doc.GetConfig().Inplace = argc == 3 ? 0 : 1;
    if (argc == 3)
        doc.GetConfig().DestPath = QString::fromLocal8Bit(argv[2]);
    doc.SetTitleListener([](const QString &in_title) {
        std::printf("%s\n", qPrintable(in_title));
        std::fflush(stdout);
    });
    auto *view = new VYRTaskVw;
    doc.AddView(view);
    if (view->OnCreate() != 0)
        return 3;
    // The worker marks row 0 just before it takes the job: the parent kills on this line
    // to land inside a file's rotation.
    QObject::connect(view, &QTreeWidget::itemChanged, [](QTreeWidgetItem *in_pRow, int in_column) {
        if (in_column == VYRTaskVw::COL_STATUS && in_pRow->text(in_column) == "Processing...") {
            std::printf("processing %s\n", qPrintable(in_pRow->text(VYRTaskVw::COL_SOURCE)));
            std::fflush(stdout);
        }
    });

    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QStringList names = folder.entryList({"*.jpg"}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        VYRBitmap bitmap;
        bitmap.m_image = QImage(8, 8, QImage::Format_RGB32);
        bitmap.m_image.fill(Qt::gray);
        auto *item = new VYRImage(QLImage(folder.filePath(name), bitmap));
        doc.AddImage(item);
        {
            QLLockGuard lock(g_catalogLock);
            item->Rotate(90);
        }
        doc.NotifyViews(nullptr, HINT_ITEM_QUEUED, item);
    }

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (doc.GetPendingCount() == 0)
            app.quit();
    });
    poll.start(10);
    app.exec();
    delete view;
    doc.DeleteContents();
    for (const QString &line : doc.GetLog())
        std::printf("log: %s\n", qPrintable(line));
    std::printf("finished\n");
    std::fflush(stdout);
    return 0;
}
