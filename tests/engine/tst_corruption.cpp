// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Photos damaged in each way that djpeg warns about: the turn and the file rotation refuse
// every one and leave it as it was, a thumbnail still shows it, and a clean photo of the same
// kind still turns.
#include "jpeg/vyrjpegturn.h"
#include "testjpeg.h"
#include "testjpeg_codec.h"
#include "testjpeg_damage.h"
#include "thumb/vyrthumbdecode.h"
#include "vyrengine.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using TestJpegDamage::Kind;

namespace {

// What djpeg prints about the file on its error stream (empty when it is not installed).
QString DjpegSays(const QString &in_path)
{
    const QString djpeg = QStandardPaths::findExecutable("djpeg");
    if (djpeg.isEmpty())
        return {};
    QProcess process;
    process.start(djpeg, {QStringLiteral("-outfile"), QStringLiteral("/dev/null"), in_path});
    if (!process.waitForFinished(60000))
        return QStringLiteral("djpeg did not finish");
    return QString::fromLocal8Bit(process.readAllStandardError());
}

int Turn(const QByteArray &in_jpeg, VYRTurnResult *out_pResult)
{
    VYRTurnRequest request;
    request.m_code = VYR_ROTATE_90;
    request.m_name = "photo.jpg";
    return VYRTurnJpeg(reinterpret_cast<const uint8_t *>(in_jpeg.constData()),
                       size_t(in_jpeg.size()), request, out_pResult);
}

int RotateFile(const QString &in_source, const QString &in_destination)
{
    return VYRGetEngine().RotateFile(in_source, in_destination, VYR_ROTATE_90, 0, 0, 0, nullptr);
}

} // namespace

class TestCorruption : public QObject
{
    Q_OBJECT

private slots:
    void damagedPhotoRefused_data();
    void damagedPhotoRefused();
};

void TestCorruption::damagedPhotoRefused_data()
{
    QTest::addColumn<QByteArray>("clean");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("djpegSays");

    // Larger than djpeg's 4 KB reads, so that its reads and a read from memory differ.
    TestJpegCodec::Options o;
    o.width = 320;
    o.height = 240;
    const QByteArray baseline = TestJpegCodec::Encode(o);
    o.progressive = true;
    const QByteArray progressive = TestJpegCodec::Encode(o);
    o.arithmetic = true;
    const QByteArray progressiveArithmetic = TestJpegCodec::Encode(o);
    o.progressive = false;
    const QByteArray arithmetic = TestJpegCodec::Encode(o);
    o.arithmetic = false;
    o.restartInterval = 8;
    const QByteArray restarts = TestJpegCodec::Encode(o);
    o.sampling = {{1, 1}};
    const QByteArray greyRestarts = TestJpegCodec::Encode(o);

    const QString badHuffman = QStringLiteral("Corrupt JPEG data: bad Huffman code");
    const QString badArithmetic = QStringLiteral("Corrupt JPEG data: bad arithmetic code");
    QTest::newRow("bad Huffman code, baseline") << baseline << Kind::BadHuffmanCode << badHuffman;
    QTest::newRow("bad Huffman code, progressive")
        << progressive << Kind::BadHuffmanCode << badHuffman;
    QTest::newRow("bad Huffman code, restart intervals")
        << restarts << Kind::BadHuffmanCode << badHuffman;
    QTest::newRow("bad arithmetic code") << arithmetic << Kind::BadArithmeticCode << badArithmetic;
    QTest::newRow("bad arithmetic code, progressive")
        << progressiveArithmetic << Kind::BadArithmeticCode << badArithmetic;

    const QString cutShort = QStringLiteral("Premature end of JPEG file");
    const QString brokenOff = QStringLiteral("Corrupt JPEG data: premature end of data segment");
    QTest::newRow("cut short, baseline") << baseline << Kind::CutShort << cutShort;
    QTest::newRow("cut short, progressive") << progressive << Kind::CutShort << cutShort;
    QTest::newRow("broken off, baseline") << baseline << Kind::BrokenOff << brokenOff;
    QTest::newRow("broken off, progressive") << progressive << Kind::BrokenOff << brokenOff;

    const QString extraneous = QStringLiteral("extraneous bytes before marker 0xd9");
    QTest::newRow("extraneous bytes, baseline") << baseline << Kind::ExtraneousBytes << extraneous;
    QTest::newRow("extraneous bytes, arithmetic")
        << arithmetic << Kind::ExtraneousBytes << extraneous;

    QTest::newRow("restart marker missing")
        << restarts << Kind::MissingRestart << QStringLiteral("Corrupt JPEG data:");
    QTest::newRow("restart marker missing, greyscale")
        << greyRestarts << Kind::MissingRestart << QStringLiteral("Corrupt JPEG data:");
    QTest::newRow("restart marker wrong")
        << restarts << Kind::WrongRestart << QStringLiteral("found marker 0xd5 instead of RST0");

    const QString bogus = QStringLiteral("Inconsistent progression sequence");
    QTest::newRow("bogus progression") << progressive << Kind::BogusProgression << bogus;
    QTest::newRow("bogus progression, arithmetic")
        << progressiveArithmetic << Kind::BogusProgression << bogus;
}

void TestCorruption::damagedPhotoRefused()
{
    QFETCH(QByteArray, clean);
    QFETCH(Kind, kind);
    QFETCH(QString, djpegSays);
    QVERIFY(!clean.isEmpty());
    const QByteArray damaged = TestJpegDamage::Make(clean, kind);
    QVERIFY(!damaged.isEmpty());
    if (QByteArray(QTest::currentDataTag()).endsWith("baseline") && kind == Kind::BadHuffmanCode) {
        // As reported: libjpeg reading the whole file from memory says nothing.
        const TestJpegDamage::Reading inMemory =
            TestJpegDamage::Read(damaged, TestJpegDamage::Source::Memory);
        QVERIFY2(inMemory.m_warnings.isEmpty(), qPrintable(inMemory.m_firstWarning));
    }

    QTemporaryDir dir;
    const QString path = TestJpeg::WriteBytes(dir.path(), "photo.jpg", damaged);
    const QString said = DjpegSays(path);
    if (!said.isNull())
        QVERIFY2(said.contains(djpegSays), qPrintable(said));

    VYRTurnResult result;
    QCOMPARE(Turn(damaged, &result), int(VYR_ERR_FILE_DAMAGED));
    QVERIFY(result.m_jpeg.isEmpty());
    const QString other = dir.filePath("turned.jpg");
    QCOMPARE(RotateFile(path, other), int(VYR_ERR_FILE_DAMAGED));
    QCOMPARE(RotateFile(path, path), int(VYR_ERR_FILE_DAMAGED));
    QCOMPARE(TestJpeg::ReadAll(path), damaged);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"photo.jpg"});
    // A thumbnail only shows the photo: it lets the warning pass.
    QCOMPARE(VYRMakeThumbnail(path, QSize(64, 64), 0).m_status, int(VYR_SUCCESS));

    // The same photo undamaged turns, and reads back without a word from djpeg.
    const QString cleanPath = TestJpeg::WriteBytes(dir.path(), "clean.jpg", clean);
    QCOMPARE(Turn(clean, &result), int(VYR_SUCCESS));
    QCOMPARE(RotateFile(cleanPath, other), int(VYR_SUCCESS));
    const QString cleanSaid = DjpegSays(other);
    QVERIFY2(cleanSaid.isEmpty(), qPrintable(cleanSaid));
}

QTEST_GUILESS_MAIN(TestCorruption)
#include "tst_corruption.moc"
