// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Prints the resident memory of the whole program after it has scanned a folder of many
// photos, for each thumbnail size: the real document and thumbnail view in a window (offscreen),
// each size in a fresh process, next to the same process after scanning an empty folder.
//
//   bench_thumbmemory [--count N] [--photo FILE | --exif-thumbnail] [--sizes 64,128,256]
//
// The folder holds N (default 10,000) hard links of one 1600x1200 JPEG: FILE, or a photo-like
// one written here. The same program built on an older commit gives the figures to compare.
#include "benchgridscene.h"
#include "document.h"
#include "qltrace.h"
#include "qlwnd.h"
#include "thumbbenchfolder.h"
#include "vyrthumbvw.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Child mode: scan in_dir at in_size pixels in a shown view, then print
// "<resident KiB> <peak KiB> <cells> <seconds>".
int ScanAndReport(int argc, char **argv, const QString &in_dir, int in_size)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLSetTraceHook([](const QString &) {});
    QTemporaryDir store; // the user's settings stay untouched
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, store.path());

    BenchGridScene scene(in_size);
    Document &document = scene.document;
    VYRThumbVw &view = scene.view;

    QElapsedTimer timer;
    timer.start();
    view.LoadFolder(in_dir);
    const double seconds = timer.nsecsElapsed() / 1e9;
    QApplication::processEvents(); // the last repaint, as a user would see it
    std::printf("%ld %ld %d %.1f\n", ThumbBench::StatusKb("VmRSS:"), ThumbBench::StatusKb("VmHWM:"),
                view.GetCellCount(), seconds);
    view.ResetView();
    document.DeleteContents();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    auto option = [&](const char *in_name, const QString &in_default) {
        const int i = args.indexOf(QString::fromLatin1(in_name));
        return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : in_default;
    };
    if (args.contains(QStringLiteral("--child")))
        return ScanAndReport(argc, argv, option("--child", QString()),
                             option("--size", "128").toInt());

    const int count = option("--count", "10000").toInt();
    const QString photo = option("--photo", QString());
    const QStringList sizes = option("--sizes", "64,128,256").split(',');
    QTemporaryDir work;
    const QString folder = work.filePath(QStringLiteral("photos"));
    const QString empty = work.filePath(QStringLiteral("empty"));
    QDir().mkpath(empty);
    // --exif-thumbnail: the photo carries a 160x120 Exif thumbnail, which the grid shows.
    QString source = photo;
    if (args.contains(QStringLiteral("--exif-thumbnail"))) {
        const QByteArray plain = photo.isEmpty() ? ThumbBench::PhotoLikeJpeg() : QByteArray();
        const QByteArray thumb = ThumbBench::PhotoLikeJpeg(160, 120);
        source = work.filePath(QStringLiteral("with-thumbnail.jpg"));
        QFile out(source);
        if (plain.isEmpty() || !out.open(QIODevice::WriteOnly) ||
            out.write(ThumbBench::WithExifThumbnail(plain, thumb)) < 0) {
            std::fprintf(stderr, "--exif-thumbnail makes its own photo (no --photo)\n");
            return 1;
        }
    }
    if (!ThumbBench::MakeLinkedFolder(folder, source, count)) {
        std::fprintf(stderr, "cannot make the folder of %d photos in %s\n", count,
                     qPrintable(folder));
        return 1;
    }
    std::printf("%d hard links of %s (1600x1200)%s in %s\n", count,
                photo.isEmpty() ? "a photo-like JPEG" : qPrintable(photo),
                source != photo ? " with a 160x120 Exif thumbnail" : "", qPrintable(folder));
    std::printf("size   cells   scan s   resident MB   peak MB   goal\n");
    std::fflush(stdout);

    const auto run = [&](const QString &in_dir, const QString &in_size) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The entries the scan writes for the desktop go to a cache of this run's own.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CACHE_HOME"), work.filePath(QStringLiteral("cache")));
        child.setProcessEnvironment(env);
        child.start(args.at(0), {"--child", in_dir, "--size", in_size});
        child.waitForFinished(-1);
        return QString::fromLocal8Bit(child.readAllStandardOutput()).simplified().split(' ');
    };
    const QStringList base = run(empty, QStringLiteral("128"));
    std::printf("empty  %5s   %6s   %11.1f   %7.1f   (the program's own share)\n",
                qPrintable(base.value(2)), qPrintable(base.value(3)),
                base.value(0).toLong() / 1024.0, base.value(1).toLong() / 1024.0);
    for (const QString &size : sizes) {
        const QStringList got = run(folder, size);
        const char *goal = size == "128" ? "< 250 MB" : size == "256" ? "< 400 MB" : "";
        std::printf("%4s   %5s   %6s   %11.1f   %7.1f   %s\n", qPrintable(size),
                    qPrintable(got.value(2)), qPrintable(got.value(3)),
                    got.value(0).toLong() / 1024.0, got.value(1).toLong() / 1024.0, goal);
        std::fflush(stdout);
    }
    return 0;
}
