// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The engine against the shared real-world photos: every photo gets a thumbnail (damaged
// files at least never crash the walk), and every lossless rotation decodes to exactly the
// pixels of the library's own transform. Skipped when the photos are not there.
#include "testjpeg.h"
#include "testjpeg_codec.h"
#include "vyrengine.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString SamplesDir()
{
    const QString dir = qEnvironmentVariable("VEYRA_SAMPLES_DIR");
    return !dir.isEmpty() && QDir(dir).exists() ? dir : QString();
}

QStringList PhotosIn(const QString &in_folder)
{
    QStringList photos;
    const QStringList names =
        QDir(in_folder).entryList({"*.jpg", "*.jpeg"}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : names)
        photos << QDir(in_folder).filePath(name);
    return photos;
}

struct Walk
{
    QMap<QString, int> m_status; // file name -> status
    int m_badThumbs = 0;         // status 1 without a box-sized picture
};

int Collect(VYRBitmap *in_pThumb, const QString &in_path, const VYRThumbFileInfo *, int in_status,
            int, void *in_pUserData)
{
    auto *walk = static_cast<Walk *>(in_pUserData);
    walk->m_status.insert(QFileInfo(in_path).fileName(), in_status);
    if (in_status == VYR_SUCCESS &&
        (!in_pThumb || QSize(in_pThumb->Width(), in_pThumb->Height()) != QSize(128, 128)))
        ++walk->m_badThumbs;
    return 1;
}

} // namespace

class TestEngineSamples : public QObject
{
    Q_OBJECT

private slots:
    void everyPhotoGetsAThumbnail_data();
    void everyPhotoGetsAThumbnail();
    void rotationsMatchReferenceTool_data();
    void rotationsMatchReferenceTool();
};

void TestEngineSamples::everyPhotoGetsAThumbnail_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("allMade");
    QTest::newRow("camera") << "camera" << true;
    QTest::newRow("orientation") << "orientation" << true;
    QTest::newRow("invalid") << "invalid" << false;
}

void TestEngineSamples::everyPhotoGetsAThumbnail()
{
    QFETCH(QString, folder);
    QFETCH(bool, allMade);
    const QString samples = SamplesDir();
    if (samples.isEmpty())
        QSKIP("no sample photos");
    const QString path = QDir(samples).filePath(folder);
    Walk walk;
    QCOMPARE(VYRDefaultEngine().BrowseThumbnails(path, "*.jpg;*.jpeg", 128, 128, 24, 0, 1, 1, 0, 1,
                                                 1, 0, 0, 0, 0, 0, &Collect, &walk),
             int(VYR_SUCCESS));
    QCOMPARE(walk.m_status.size(), PhotosIn(path).size());
    QCOMPARE(walk.m_badThumbs, 0);
    if (allMade) {
        for (auto it = walk.m_status.cbegin(); it != walk.m_status.cend(); ++it)
            QVERIFY2(it.value() == VYR_SUCCESS, qPrintable(it.key()));
    }
}

void TestEngineSamples::rotationsMatchReferenceTool_data()
{
    QTest::addColumn<QString>("photo");
    const QString samples = SamplesDir();
    // Without rows Qt Test would abort at the first fetch: skip the whole function instead.
    if (samples.isEmpty())
        QSKIP("no sample photos");
    for (const char *folder : {"camera", "orientation", "invalid"}) {
        for (const QString &photo : PhotosIn(QDir(samples).filePath(folder)))
            QTest::newRow(
                qPrintable(QString::fromLatin1(folder) + '/' + QFileInfo(photo).fileName()))
                << photo;
    }
}

void TestEngineSamples::rotationsMatchReferenceTool()
{
    QFETCH(QString, photo);
    QTemporaryDir dir;
    const QByteArray original = TestJpeg::ReadAll(photo);
    QString sourceWarning;
    TestJpegCodec::Decode(original, &sourceWarning);
    for (int code : {VYR_ROTATE_90, VYR_ROTATE_180, VYR_ROTATE_270}) {
        const int degrees = code * 90 / 4;
        QString refused;
        const QByteArray reference = TestJpegCodec::ReferenceTurn(original, degrees, &refused);
        const QString ours = dir.filePath(QStringLiteral("ours%1.jpg").arg(degrees));
        const int rc = VYRDefaultEngine().RotateFile(photo, ours, code, 0, 0, 0, nullptr);
        QCOMPARE(TestJpeg::ReadAll(photo), original);
        if (rc != VYR_SUCCESS) {
            // Only what the reference refuses, or what a decoder warns about (the reference
            // misses some warnings), is refused; and nothing is written.
            QVERIFY2(reference.isEmpty() || !sourceWarning.isEmpty(),
                     qPrintable(QStringLiteral("code %1 for %2").arg(rc).arg(degrees)));
            QVERIFY(!QFile::exists(ours));
            continue;
        }
        QVERIFY2(!reference.isEmpty(), qPrintable(refused));
        QString warning;
        const QImage expected = TestJpegCodec::Decode(reference);
        const QByteArray result = TestJpeg::ReadAll(ours);
        const QImage turned = TestJpegCodec::Decode(result, &warning);
        QVERIFY(!turned.isNull());
        QCOMPARE(warning, QString());
        QCOMPARE(turned.size(), expected.size());
        QCOMPARE(TestJpeg::MaxDifference(turned, expected), 0);
    }
}

QTEST_MAIN(TestEngineSamples)
#include "tst_enginesamples.moc"
