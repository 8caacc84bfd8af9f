// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// bench_suggest DEVSET [MIN-CONFIDENCE] [BIG.jpg]
//
// Runs the suggester over every photo of DEVSET, whose names make-devset.sh gives as
// CLASS__NAME__rTURN.jpg (the upright original turned clockwise by TURN, 0/90/180/270, no
// Exif), and prints per class: photos, suggestions made, precision (right turns among the
// suggestions), coverage (turned photos given the right turn), false suggestions on the upright
// copies, and milliseconds per photo; then the whole set, the cost of BIG.jpg (a 12 MP photo)
// and the peak resident memory. One thread, so the figures are one core's.
#include "vyrsuggest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMap>
#include <cstdio>
#include <sys/resource.h>

namespace {

struct Tally
{
    int m_photos = 0, m_turned = 0, m_upright = 0;
    int m_suggested = 0, m_right = 0, m_falseUpright = 0, m_wrongTurn = 0;
    double m_ms = 0;
    void Add(const Tally &in_other)
    {
        m_photos += in_other.m_photos;
        m_turned += in_other.m_turned;
        m_upright += in_other.m_upright;
        m_suggested += in_other.m_suggested;
        m_right += in_other.m_right;
        m_falseUpright += in_other.m_falseUpright;
        m_wrongTurn += in_other.m_wrongTurn;
        m_ms += in_other.m_ms;
    }
};

void PrintRow(const QString &in_name, const Tally &in_tally)
{
    const auto share = [](int in_part, int in_whole) {
        return in_whole > 0 ? QString::number(double(in_part) / in_whole, 'f', 3)
                            : QStringLiteral("-");
    };
    std::printf("%-10s %6d %9d %9s %9s %8d/%-4d %6d %8.1f\n", qUtf8Printable(in_name),
                in_tally.m_photos, in_tally.m_suggested,
                qUtf8Printable(share(in_tally.m_right, in_tally.m_suggested)),
                qUtf8Printable(share(in_tally.m_right, in_tally.m_turned)), in_tally.m_falseUpright,
                in_tally.m_upright, in_tally.m_wrongTurn,
                in_tally.m_photos ? in_tally.m_ms / in_tally.m_photos : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication::setAttribute(Qt::AA_Use96Dpi);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: bench_suggest DEVSET [MIN-CONFIDENCE] [BIG.jpg]\n");
        return 2;
    }
    const double minimum = args.size() > 1 ? args.at(1).toDouble() : VYRDefaultSuggestConfidence();
    QElapsedTimer timer;
    timer.start();
    VYRSuggester suggester;
    QString why;
    if (!suggester.IsReady(&why)) {
        std::fprintf(stderr, "suggester not ready: %s\n", qUtf8Printable(why));
        return 1;
    }
    std::printf("detectors loaded in %lld ms; minimum confidence %.2f\n",
                (long long)timer.elapsed(), minimum);

    QMap<QString, Tally> tallies;
    const QDir dir(args.first());
    const QStringList names = dir.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        const QStringList parts = name.chopped(4).split(QStringLiteral("__"));
        if (parts.size() != 3 || !parts.at(2).startsWith(QLatin1Char('r')))
            continue;
        const int turned = parts.at(2).mid(1).toInt();
        // The photo stands turned clockwise; the way back is the other way round.
        const int expected = turned == 0 ? 0 : turned == 90 ? -90 : turned == 180 ? 180 : 90;
        Tally &tally = tallies[parts.at(0)];
        VYRSuggestion suggestion;
        QString error;
        timer.restart();
        const bool ok = suggester.Suggest(dir.filePath(name), &suggestion, &error);
        tally.m_ms += timer.nsecsElapsed() / 1e6;
        ++tally.m_photos;
        ++(turned == 0 ? tally.m_upright : tally.m_turned);
        if (!ok) {
            std::fprintf(stderr, "%s: %s\n", qUtf8Printable(name), qUtf8Printable(error));
            continue;
        }
        const bool suggested = suggestion.m_angle != 0 && suggestion.m_confidence >= minimum;
        if (!suggested)
            continue;
        ++tally.m_suggested;
        if (suggestion.m_angle == expected)
            ++tally.m_right;
        else if (turned == 0)
            ++tally.m_falseUpright;
        else
            ++tally.m_wrongTurn;
        if (suggestion.m_angle != expected)
            std::printf("  wrong: %s -> %d (%.2f, %s)\n", qUtf8Printable(name), suggestion.m_angle,
                        suggestion.m_confidence, qUtf8Printable(suggestion.m_evidence));
    }

    std::printf("%-10s %6s %9s %9s %9s %13s %6s %8s\n", "class", "photos", "suggested", "precision",
                "coverage", "false/upright", "wrong", "ms/photo");
    Tally all;
    for (auto it = tallies.cbegin(); it != tallies.cend(); ++it) {
        PrintRow(it.key(), it.value());
        all.Add(it.value());
    }
    PrintRow(QStringLiteral("all"), all);

    if (args.size() > 2) {
        VYRSuggestion suggestion;
        QString error;
        double best = 1e9;
        for (int run = 0; run < 5; ++run) {
            timer.restart();
            suggester.Suggest(args.at(2), &suggestion, &error);
            best = std::min(best, timer.nsecsElapsed() / 1e6);
        }
        std::printf("12 MP photo %s: %.1f ms (best of 5, one core)\n", qUtf8Printable(args.at(2)),
                    best);
    }
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
