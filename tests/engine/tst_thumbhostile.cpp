// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Hostile photos in a folder scan: four copies of each in one folder are refused (or shown)
// within a bounded memory, measured in a child process of their own.
#include "testjpeg.h"
#include "testjpeg_codec.h"
#include "vyrengine.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Outcome
{
    int m_status[4] = {};
    long m_peakKb = -1; // growth of the resident memory while browsing
    double m_ms = 0;
};

long PeakKb()
{
    QFile status("/proc/self/status");
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    const qsizetype at = text.indexOf("VmHWM:");
    return at < 0 ? -1 : text.mid(at + 6, 20).trimmed().split(' ').value(0).toLong();
}

Outcome BrowseInChild(const QString &in_dir)
{
    Outcome outcome;
    int fds[2];
    if (pipe(fds) != 0)
        return outcome;
    const pid_t child = fork();
    if (child == 0) {
        QFile clear("/proc/self/clear_refs"); // "5" starts the peak from here
        const bool reset = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
        clear.close();
        const long before = PeakKb();
        QElapsedTimer timer;
        timer.start();
        const auto keep = [](VYRBitmap *, const QString &, const VYRThumbFileInfo *, int in_status,
                             int in_index, void *in_pOutcome) {
            if (in_status != VYR_BROWSE_WAITING && in_index < 4)
                static_cast<Outcome *>(in_pOutcome)->m_status[in_index] = in_status;
            return 1;
        };
        VYRDefaultEngine().BrowseThumbnails(in_dir, "*.jpg", 256, 256, 24, 0, 1, 1, 0, 1, 1, 0, 0,
                                            0, 0, 0, keep, &outcome);
        outcome.m_ms = timer.nsecsElapsed() / 1e6;
        outcome.m_peakKb = reset && before >= 0 ? PeakKb() - before : -1;
        _exit(write(fds[1], &outcome, sizeof(outcome)) == sizeof(outcome) ? 0 : 1);
    }
    close(fds[1]);
    if (child < 0 || read(fds[0], &outcome, sizeof(outcome)) != sizeof(outcome))
        outcome = Outcome();
    close(fds[0]);
    if (child > 0)
        waitpid(child, nullptr, 0);
    return outcome;
}

QByteArray Claiming(QByteArray in_jpeg, int in_width, int in_height)
{
    return TestJpegCodec::SetFrameSize(&in_jpeg, in_width, in_height) ? in_jpeg : QByteArray();
}

} // namespace

class TestThumbHostile : public QObject
{
    Q_OBJECT

private slots:
    void copiesRefusedOrShownCheaply_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("expected");
        // 40-60 KB of grey picture in 481 scans (every AC coefficient refined bit by bit).
        TestJpegCodec::Options grey;
        grey.width = grey.height = 512;
        grey.sampling = {{1, 1}};
        grey.quality = 85;
        grey.scans = {{{0}, 0, 0, 0, 0}};
        for (int k = 1; k <= 60; ++k) {
            for (int bit = 7; bit >= 0; --bit)
                grey.scans.append({{0}, k, k, bit == 7 ? 0 : bit + 1, bit});
        }
        const QByteArray huffman = TestJpegCodec::Encode(grey);
        grey.arithmetic = true;
        const QByteArray arithmetic = TestJpegCodec::Encode(grey);
        QTest::newRow("480 scans claim 16000x16000")
            << Claiming(huffman, 16000, 16000) << int(VYR_ERR_FILE_DAMAGED);
        QTest::newRow("arithmetic, 480 scans claim 16000x16000")
            << Claiming(arithmetic, 16000, 16000) << int(VYR_ERR_TOO_COSTLY);
        // Enough data for that size, not for the memory it would take.
        QTest::newRow("arithmetic, 480 scans claim 8000x8000")
            << Claiming(arithmetic, 8000, 8000) << int(VYR_ERR_TOO_COSTLY);
        // Within the memory any file may take: the work over its scans gives out.
        QTest::newRow("arithmetic, 480 scans claim 4000x4000")
            << Claiming(arithmetic, 4000, 4000) << int(VYR_ERR_TOO_COSTLY);
        QTest::newRow("2 KB claim 16000x16000")
            << Claiming(TestJpegCodec::Encode({}), 16000, 16000) << int(VYR_ERR_FILE_DAMAGED);
        // A photo whose data breaks off still shows what there is.
        TestJpegCodec::Options photo;
        photo.width = photo.height = 1024;
        const QByteArray whole = TestJpegCodec::Encode(photo);
        QTest::newRow("cut short") << whole.left(whole.size() / 2) << int(VYR_SUCCESS);
    }

    void copiesRefusedOrShownCheaply()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, expected);
        QLoggingCategory::setFilterRules(QStringLiteral("veyra.trace=false"));
        QTemporaryDir dir;
        for (int i = 0; i < 4; ++i)
            QVERIFY(!TestJpeg::WriteBytes(dir.path(), QStringLiteral("%1.jpg").arg(i), bytes)
                         .isEmpty());
        const Outcome outcome = BrowseInChild(dir.path());
        for (int status : outcome.m_status)
            QCOMPARE(status, expected);
        qInfo("%d bytes: %.1f ms, %ld KB", int(bytes.size()), outcome.m_ms, outcome.m_peakKb);
        if (outcome.m_peakKb >= 0)
            QVERIFY2(outcome.m_peakKb < 256 * 1024, qPrintable(QString::number(outcome.m_peakKb)));
    }
};

QTEST_GUILESS_MAIN(TestThumbHostile)
#include "tst_thumbhostile.moc"
