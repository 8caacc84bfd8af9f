// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The headless batch next to the reference tool, on copies of the same camera-sized photos:
//   bench_cli [photos] [width] [height] [jobs] [rounds]      (defaults 12 4000 3000 2 3)
// Each photo is 4:2:0 with an Exif Orientation of 3, 6 or 8 and an embedded thumbnail, as a
// camera writes it. Prints wall time, photos per second and peak memory of each run, and the
// ratio of the two speeds.
#include "vyrautodecision.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <turbojpeg.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

struct RunFigures
{
    bool m_ok = false;
    double m_seconds = 0;
    double m_peakMiB = 0;
    double m_userSeconds = 0; // processor time of the child and its threads
    double m_systemSeconds = 0;
};

QByteArray Compress(const QImage &in_image, int in_quality)
{
    std::unique_ptr<void, decltype(&tjDestroy)> tj(tjInitCompress(), &tjDestroy);
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    if (!tj ||
        tjCompress2(tj.get(), in_image.constBits(), in_image.width(), int(in_image.bytesPerLine()),
                    in_image.height(), TJPF_BGRX, &jpeg, &size, TJSAMP_420, in_quality, 0) != 0)
        return QByteArray();
    QByteArray bytes(reinterpret_cast<const char *>(jpeg), int(size));
    tjFree(jpeg);
    return bytes;
}

void Put16(QByteArray *inout_pData, int in_value)
{
    inout_pData->append(char(in_value & 0xFF)).append(char((in_value >> 8) & 0xFF));
}

void Put32(QByteArray *inout_pData, quint32 in_value)
{
    Put16(inout_pData, int(in_value & 0xFFFF));
    Put16(inout_pData, int(in_value >> 16));
}

void PutEntry(QByteArray *inout_pData, int in_tag, int in_type, quint32 in_value)
{
    Put16(inout_pData, in_tag);
    Put16(inout_pData, in_type);
    Put32(inout_pData, 1);
    Put32(inout_pData, in_value);
}

// An Intel-order Exif APP1: IFD0 with the Orientation, IFD1 with a JPEG thumbnail.
QByteArray ExifSegment(int in_orientation, const QByteArray &in_thumbnail)
{
    QByteArray tiff("II\x2A\x00\x08\x00\x00\x00", 8);
    Put16(&tiff, 1);
    PutEntry(&tiff, 274, 3, quint32(in_orientation));
    Put32(&tiff, 26); // IFD1
    Put16(&tiff, 3);
    PutEntry(&tiff, 259, 3, 6);
    PutEntry(&tiff, 513, 4, 68);
    PutEntry(&tiff, 514, 4, quint32(in_thumbnail.size()));
    Put32(&tiff, 0);
    tiff += in_thumbnail;
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const int length = payload.size() + 2;
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char(length >> 8)).append(char(length & 0xFF));
    return segment + payload;
}

// Smooth areas, edges and fine grain, so the entropy-coded data is as dense as a photo's.
QImage MakePicture(int in_width, int in_height, quint32 in_seed)
{
    QImage image(in_width, in_height, QImage::Format_RGB32);
    quint32 state = in_seed * 2654435761u + 1;
    for (int y = 0; y < in_height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < in_width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int grain = int(state >> 28) - 8;
            const int band = ((x / 97 + y / 61) & 1) ? 40 : 0;
            line[x] = qRgb(qBound(0, x * 200 / in_width + band + grain, 255),
                           qBound(0, y * 200 / in_height + grain, 255),
                           qBound(0, ((x + y) * 255 / (in_width + in_height)) + grain * 2, 255));
        }
    }
    return image;
}

// Runs a program, waits for it and reports its wall time and peak resident memory.
RunFigures Run(const std::vector<QByteArray> &in_argv)
{
    RunFigures figures;
    std::vector<char *> argv;
    for (const QByteArray &arg : in_argv)
        argv.push_back(const_cast<char *>(arg.constData()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    QElapsedTimer clock;
    clock.start();
    pid_t child = 0;
    const int rc = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return figures;
    int status = 0;
    rusage usage = {};
    if (wait4(child, &status, 0, &usage) != child)
        return figures;
    figures.m_seconds = double(clock.nsecsElapsed()) / 1e9;
    figures.m_peakMiB = double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
    figures.m_userSeconds = double(usage.ru_utime.tv_sec) + double(usage.ru_utime.tv_usec) / 1e6;
    figures.m_systemSeconds = double(usage.ru_stime.tv_sec) + double(usage.ru_stime.tv_usec) / 1e6;
    figures.m_ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return figures;
}

bool CopyAll(const QStringList &in_files, const QString &in_dir, QStringList *out_pCopies)
{
    QDir().mkpath(in_dir);
    for (const QString &file : in_files) {
        const QString copy = QDir(in_dir).filePath(QFileInfo(file).fileName());
        if (!QFile::copy(file, copy))
            return false;
        *out_pCopies << copy;
    }
    return true;
}

int CountUpright(const QStringList &in_files)
{
    int upright = 0;
    for (const QString &file : in_files) {
        uint32_t value = 0;
        if (VYRReadOrientation(file, &value, nullptr) == VYROrientationRead::Found && value == 1)
            ++upright;
    }
    return upright;
}

void PrintRun(const char *in_name, const RunFigures &in_run, int in_photos, int in_jobs,
              int in_upright)
{
    std::printf("%-30s %6.2f s  %5.2f photos/s  user %5.2f s  sys %5.2f s  peak %6.1f MiB "
                "(%.1f per job)  %d/%d upright%s\n",
                in_name, in_run.m_seconds, in_photos / in_run.m_seconds, in_run.m_userSeconds,
                in_run.m_systemSeconds, in_run.m_peakMiB, in_run.m_peakMiB / in_jobs, in_upright,
                in_photos, in_run.m_ok ? "" : "  FAILED");
}

// Writes the photos to in_folder: 4:2:0, Orientation 6, 8 and 3 in turn, each with a thumbnail.
bool WritePhotos(const QString &in_folder, int photos, int width, int height,
                 QStringList *out_pFiles, qint64 *out_pBytes)
{
    const int orientations[] = {6, 8, 3};
    for (int i = 0; i < photos; ++i) {
        const QImage picture = MakePicture(width, height, quint32(i + 1));
        const QByteArray thumb = Compress(picture.scaled(160, 120), 75);
        const QByteArray jpeg = Compress(picture, 92);
        if (jpeg.isEmpty() || thumb.isEmpty())
            return false;
        const QByteArray photo =
            jpeg.left(2) + ExifSegment(orientations[i % 3], thumb) + jpeg.mid(2);
        QFile file(QDir(in_folder).filePath(QString::asprintf("IMG_%04d.JPG", i + 1)));
        if (!file.open(QIODevice::WriteOnly) || file.write(photo) != photo.size())
            return false;
        *out_pFiles << file.fileName();
        *out_pBytes += photo.size();
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const int photos = argc > 1 ? std::max(1, atoi(argv[1])) : 12;
    const int width = argc > 2 ? std::max(16, atoi(argv[2])) : 4000;
    const int height = argc > 3 ? std::max(16, atoi(argv[3])) : 3000;
    const int jobs = argc > 4 ? std::max(1, atoi(argv[4])) : 2;
    const int rounds = argc > 5 ? std::max(1, atoi(argv[5])) : 3;

    QTemporaryDir work;
    const QString originals = work.filePath(QStringLiteral("originals"));
    QDir().mkpath(originals);
    QStringList files;
    qint64 bytes = 0;
    if (!WritePhotos(originals, photos, width, height, &files, &bytes))
        return 1;
    std::printf("%d photos of %dx%d (4:2:0, Orientation 6/8/3, with thumbnail), %.1f MB in all, "
                "%ld processors\n",
                photos, width, height, double(bytes) / 1e6, sysconf(_SC_NPROCESSORS_ONLN));

    // Each round turns fresh copies with every tool in turn; the best round of each counts, so
    // a burst of other work on a shared machine does not decide the comparison.
    const QByteArray jobsText = QByteArray::number(jobs);
    const QByteArray name = "veyra --auto-rotate --jobs " + jobsText;
    struct Tool
    {
        QByteArray m_name;
        int m_jobs;
        RunFigures m_best;
        int m_upright = 0;
        bool m_ok = true;
    };
    std::vector<Tool> tools = {
        {"exiftran -a -i", 1, {}}, {name, jobs, {}}, {"veyra --auto-rotate --jobs 1", 1, {}}};
    for (int round = 0; round < rounds; ++round) {
        for (size_t t = 0; t < tools.size(); ++t) {
            QStringList copies;
            const QString dir = work.filePath(QString::asprintf("round%d-%zu", round, t));
            if (!CopyAll(files, dir, &copies))
                return 1;
            std::vector<QByteArray> argv;
            if (t == 0) {
                argv = {"exiftran", "-a", "-i"};
                for (const QString &copy : copies)
                    argv.push_back(QFile::encodeName(copy));
            } else {
                argv = {VEYRA_BINARY,
                        "--auto-rotate",
                        "--quiet",
                        "--jobs",
                        QByteArray::number(tools[t].m_jobs),
                        QFile::encodeName(dir)};
            }
            const RunFigures run = Run(argv);
            if (t == 0 && !run.m_ok && run.m_seconds == 0) {
                std::printf("exiftran is not installed (Debian package exiftran): no comparison\n");
                return 2;
            }
            tools[t].m_ok = tools[t].m_ok && run.m_ok;
            tools[t].m_upright = CountUpright(copies);
            if (tools[t].m_best.m_seconds == 0 || run.m_seconds < tools[t].m_best.m_seconds)
                tools[t].m_best = run;
            QDir(dir).removeRecursively();
        }
    }

    // Other work on a shared machine stretches every wall time; the load says how much.
    double load[1] = {0};
    getloadavg(load, 1);
    std::printf("best of %d rounds (load average %.1f at the end):\n", rounds, load[0]);
    for (const Tool &tool : tools) {
        RunFigures best = tool.m_best;
        best.m_ok = tool.m_ok;
        PrintRun(tool.m_name.constData(), best, photos, tool.m_jobs, tool.m_upright);
    }
    std::printf("speed ratio veyra (%d jobs) / exiftran: %.2fx (goal at least 2x on two cores); "
                "1 job: %.2fx\n",
                jobs, tools[0].m_best.m_seconds / tools[1].m_best.m_seconds,
                tools[0].m_best.m_seconds / tools[2].m_best.m_seconds);
    const auto cpu = [](const RunFigures &in_run) {
        return in_run.m_userSeconds + in_run.m_systemSeconds;
    };
    std::printf("processor time per photo: exiftran %.0f ms, veyra %.0f ms (%d jobs), %.0f ms "
                "(1 job)\n",
                1000 * cpu(tools[0].m_best) / photos, 1000 * cpu(tools[1].m_best) / photos, jobs,
                1000 * cpu(tools[2].m_best) / photos);
    for (const Tool &tool : tools) {
        if (!tool.m_ok)
            return 3;
    }
    return 0;
}
