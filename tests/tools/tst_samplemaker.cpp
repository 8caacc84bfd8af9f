// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include <QDir>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include "testjpeg.h"

class TestSampleMaker : public QObject
{
    Q_OBJECT

private slots:
    void writesMixedFolder();
    void refusesBadArguments();
};

void TestSampleMaker::writesMixedFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("photos"));
    QProcess maker;
    maker.start(QStringLiteral(VEYRA_SAMPLES_TOOL), {folder, QStringLiteral("12")});
    QVERIFY(maker.waitForFinished(60000));
    QCOMPARE(maker.exitCode(), 0);

    const QStringList names =
        QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    QCOMPARE(names.size(), 12);
    QSet<int> orientations;
    QSet<QByteArray> byteOrders;
    for (const QString &name : names) {
        const QString path = QDir(folder).filePath(name);
        const QByteArray bytes = TestJpeg::ReadAll(path);
        QString warning;
        const QImage image = TestJpeg::DecodeBytes(bytes, &warning);
        QVERIFY2(!image.isNull() && warning.isEmpty(), qPrintable(name));
        const int orientation = TestJpeg::ReadOrientation(bytes);
        orientations.insert(orientation);
        // A camera held sideways stores a portrait frame of the landscape.
        const bool sideways = orientation == 6 || orientation == 8;
        QCOMPARE(image.width() < image.height(), sideways);
        for (const TestJpeg::Segment &segment : TestJpeg::Segments(bytes)) {
            if (segment.marker == 0xFFE1 && segment.payload.startsWith(QByteArray("Exif\0\0", 6)))
                byteOrders.insert(segment.payload.mid(6, 2));
        }
    }
    QCOMPARE(orientations, QSet<int>({-1, 1, 3, 6, 8}));
    QCOMPARE(byteOrders, QSet<QByteArray>({QByteArray("II"), QByteArray("MM")}));
}

void TestSampleMaker::refusesBadArguments()
{
    QProcess maker;
    maker.start(QStringLiteral(VEYRA_SAMPLES_TOOL), {});
    QVERIFY(maker.waitForFinished(30000));
    QVERIFY(maker.exitCode() != 0);
}

QTEST_GUILESS_MAIN(TestSampleMaker)
#include "tst_samplemaker.moc"
