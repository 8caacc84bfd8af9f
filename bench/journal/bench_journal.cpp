// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Prints what the journal adds to turning a batch of 12-megapixel photos in place: the batch
// through the engine's rotation alone, the same batch journalled (record, kept original,
// commit), and exiftran on the same files, each on fresh copies, in the same run; then the
// disk space the journal holds.
//
//   bench_journal [--count N] [--runs N] [--corpus DIR]
//
// Without photos in DIR (default /tmp/veyra-journal-corpus) it first writes N (default 20)
// 4000x3000 JPEGs with noise, so that they compress and hash like photos.
#include "vyrengine.h"
#include "vyrjournal.h"
#include "vyrjournalrotate.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

namespace {

QImage Noisy(quint32 in_seed)
{
    QRandomGenerator rng(in_seed);
    QImage image(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(rng.bounded(24));
            row[x] = qRgb((x / 16 + n) & 255, (y / 12 + n) & 255, ((x + y) / 28 + n) & 255);
        }
    }
    return image;
}

QStringList Corpus(const QString &in_folder, int in_count)
{
    QDir().mkpath(in_folder);
    QStringList photos;
    for (int i = 0; i < in_count; ++i) {
        const QString path =
            in_folder + QStringLiteral("/photo%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
        if (!QFile::exists(path)) {
            QImageWriter writer(path, "jpg");
            writer.setQuality(90);
            if (!writer.write(Noisy(quint32(i + 1)))) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return {};
            }
        }
        photos << path;
    }
    return photos;
}

QStringList Copies(const QStringList &in_photos, const QString &in_folder)
{
    QDir().mkpath(in_folder);
    QStringList copies;
    for (const QString &p : in_photos) {
        const QString copy = in_folder + QLatin1Char('/') + QFileInfo(p).fileName();
        QFile::remove(copy);
        if (!QFile::copy(p, copy))
            return {};
        copies << copy;
    }
    return copies;
}

// Processor time of the whole process, all threads, in milliseconds.
double CpuMs()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double Plain(const QStringList &in_photos)
{
    QElapsedTimer timer;
    timer.start();
    for (const QString &p : in_photos)
        if (VYRGetEngine().RotateFile(p, p, VYR_ROTATE_90, 0, 0, 0, nullptr) != VYR_SUCCESS)
            std::fprintf(stderr, "turn failed: %s\n", qPrintable(p));
    return double(timer.nsecsElapsed()) / 1e6;
}

double Journalled(const QStringList &in_photos, VYRJournal *in_pJournal)
{
    QElapsedTimer timer;
    timer.start();
    const qint64 batch = in_pJournal->NewBatch(QStringLiteral("bench"));
    for (const QString &p : in_photos)
        if (VYRJournalledRotate(in_pJournal, batch, p, p, VYR_ROTATE_90) != VYR_SUCCESS)
            std::fprintf(stderr, "journalled turn failed: %s\n", qPrintable(p));
    return double(timer.nsecsElapsed()) / 1e6;
}

double Exiftran(const QStringList &in_photos)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("exiftran"));
    if (tool.isEmpty())
        return -1;
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.start(tool, QStringList{QStringLiteral("-9"), QStringLiteral("-i")} + in_photos);
    process.waitForFinished(-1);
    return process.exitCode() == 0 ? double(timer.nsecsElapsed()) / 1e6 : -1;
}

qint64 FolderBytes(const QString &in_folder)
{
    qint64 bytes = 0;
    QDirIterator it(in_folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        bytes += QFileInfo(it.next()).size();
    return bytes;
}

double Median(QList<double> in_values)
{
    std::sort(in_values.begin(), in_values.end());
    return in_values.isEmpty() ? 0 : in_values.at(in_values.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("veyra.trace=false"));
    const QStringList args = app.arguments();
    auto option = [&](const char *in_name, const QString &in_default) {
        const int i = args.indexOf(QString::fromLatin1(in_name));
        return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : in_default;
    };
    const int count = option("--count", QStringLiteral("20")).toInt();
    const int runs = option("--runs", QStringLiteral("3")).toInt();
    const QStringList photos =
        Corpus(option("--corpus", QStringLiteral("/tmp/veyra-journal-corpus")), count);
    if (photos.isEmpty())
        return 1;
    qint64 corpusBytes = 0;
    for (const QString &p : photos)
        corpusBytes += QFileInfo(p).size();

    QTemporaryDir work;
    QList<double> plain, journalled, exiftran, plainCpu, journalledCpu;
    qint64 kept = 0, held = 0;
    for (int run = 0; run < runs; ++run) {
        // Alternate the order so that neither side always meets a warmer cache.
        const QString base = work.filePath(QStringLiteral("run%1").arg(run));
        const QStringList a = Copies(photos, base + QStringLiteral("/plain"));
        const QStringList b = Copies(photos, base + QStringLiteral("/journalled"));
        const QStringList c = Copies(photos, base + QStringLiteral("/exiftran"));
        VYRJournal journal(base + QStringLiteral("/journal"));
        if (a.isEmpty() || b.isEmpty() || c.isEmpty() || journal.Open() != VYR_JOURNAL_OK)
            return 1;
        const auto plainRun = [&] {
            const double cpu = CpuMs();
            plain << Plain(a);
            plainCpu << CpuMs() - cpu;
        };
        const auto journalledRun = [&] {
            const double cpu = CpuMs();
            journalled << Journalled(b, &journal);
            journalledCpu << CpuMs() - cpu;
        };
        if (run % 2 == 0) {
            plainRun();
            journalledRun();
        } else {
            journalledRun();
            plainRun();
        }
        exiftran << Exiftran(c);
        kept = journal.KeptBytes();
        held = FolderBytes(base + QStringLiteral("/journal"));
    }
    const double p = Median(plain), j = Median(journalled), e = Median(exiftran);
    std::printf("%d photos 4000x3000 (%.1f MB), quarter turn in place, median of %d runs\n", count,
                double(corpusBytes) / 1e6, runs);
    const double pc = Median(plainCpu), jc = Median(journalledCpu);
    std::printf("  engine alone        %9.1f ms  (%.1f ms a photo), processor %.1f ms\n", p,
                p / count, pc);
    std::printf("  engine + journal    %9.1f ms  (%.1f ms a photo), processor %.1f ms  "
                "%+.1f%% wall, %+.1f%% processor\n",
                j, j / count, jc, (j / p - 1) * 100, (jc / pc - 1) * 100);
    if (e >= 0)
        std::printf("  exiftran -9 -i      %9.1f ms  (%.1f ms a photo)\n", e, e / count);
    else
        std::printf("  exiftran            not available\n");
    std::printf("journal after one batch: %.1f MB held in its folder (log %.1f KB), of which\n"
                "  %.1f MB are kept originals, hard links to the replaced photos' bytes\n",
                double(held) / 1e6, double(held - kept) / 1e3, double(kept) / 1e6);
    return 0;
}
