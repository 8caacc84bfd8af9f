// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The file rotation replaces nothing but the photo it read: not a namesake in the output
// folder, not a newer version another program saved meanwhile, not a photo deleted meanwhile;
// it leaves no temporary file, removes what a killed run left, and tells every result in words.
#include "testjpeg.h"
#include "vyrengine.h"
#include "vyrresulttext.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString Photo(const QString &in_dir, const QString &in_name, quint32 in_seed = 1)
{
    TestJpeg::Options o;
    o.exif = TestJpeg::Exif::Intel;
    o.orientation = 6;
    o.seed = in_seed;
    return TestJpeg::Write(in_dir, in_name, o);
}

// Everything in a folder, hidden names too.
QStringList Entries(const QString &in_dir)
{
    return QDir(in_dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// Runs in_meanwhile while the turn is under way: after the source was read and turned, before
// the result is written (the finishing step is the last thing before the write).
int RotateWhile(const QString &in_source, const QString &in_destination,
                const std::function<void()> &in_meanwhile, bool in_allowReplace = false)
{
    VYRRotateOptions options;
    options.m_pFunction = [](uint8_t *, size_t, void *in_pUser) {
        (*static_cast<const std::function<void()> *>(in_pUser))();
        return true;
    };
    options.m_pUserData = const_cast<std::function<void()> *>(&in_meanwhile);
    options.m_allowReplace = in_allowReplace;
    return VYRDefaultEngine().RotateFile(in_source, in_destination, VYR_ROTATE_90, 0, 0, 0,
                                         &options);
}

// Another program saving the photo the usual way: a new file renamed over the old one.
void SaveAnew(const QString &in_path, const QByteArray &in_bytes)
{
    const QString temp = in_path + ".saving";
    QVERIFY(!TestJpeg::WriteBytes(QFileInfo(temp).path(), QFileInfo(temp).fileName(), in_bytes)
                 .isEmpty());
    QCOMPARE(::rename(QFile::encodeName(temp).constData(), QFile::encodeName(in_path).constData()),
             0);
}

} // namespace

class TestSafeWrite : public QObject
{
    Q_OBJECT

private slots:
    // Out/IMG_01.jpg from another card stays byte for byte; allowed explicitly, it is replaced.
    void namesakeInOutputFolderIsNotReplaced()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("Card2") && QDir(dir.path()).mkpath("Out"));
        const QString source = Photo(dir.filePath("Card2"), "IMG_01.jpg", 1);
        const QString other = Photo(dir.filePath("Out"), "IMG_01.jpg", 2);
        const QByteArray sourceBytes = TestJpeg::ReadAll(source);
        const QByteArray otherBytes = TestJpeg::ReadAll(other);
        QCOMPARE(VYRDefaultEngine().RotateFile(source, other, VYR_ROTATE_90, 0, 0, 0, nullptr),
                 int(VYR_ERR_OUTPUT_EXISTS));
        QCOMPARE(TestJpeg::ReadAll(other), otherBytes);
        QCOMPARE(TestJpeg::ReadAll(source), sourceBytes);
        QCOMPARE(Entries(dir.filePath("Out")), QStringList{"IMG_01.jpg"});

        // A namesake that appears while the photo is turned is not replaced either.
        const QString late = dir.filePath("Out/IMG_02.jpg");
        QCOMPARE(RotateWhile(source, late, [&] { SaveAnew(late, otherBytes); }),
                 int(VYR_ERR_OUTPUT_EXISTS));
        QCOMPARE(TestJpeg::ReadAll(late), otherBytes);

        QCOMPARE(RotateWhile(
                     source, other, [] {}, true),
                 int(VYR_SUCCESS));
        QCOMPARE(TestJpeg::Decode(other).size(), TestJpeg::Decode(source).size().transposed());
        QCOMPARE(TestJpeg::ReadAll(source), sourceBytes);
        QCOMPARE(Entries(dir.filePath("Out")), QStringList({"IMG_01.jpg", "IMG_02.jpg"}));
    }

    // What another program does to the photo during its turn wins: the turn of the old content
    // is not put in place of a newer version, and a deleted photo is not made again.
    void photoChangedDuringItsTurnIsNotReplaced()
    {
        QTemporaryDir dir;
        const QString path = Photo(dir.path(), "a.jpg", 1);
        QVERIFY(QDir(dir.path()).mkpath("n"));
        const QByteArray newer = TestJpeg::ReadAll(Photo(dir.filePath("n"), "a.jpg", 7));

        QCOMPARE(RotateWhile(path, path, [&] { SaveAnew(path, newer); }),
                 int(VYR_ERR_SOURCE_CHANGED));
        QCOMPARE(TestJpeg::ReadAll(path), newer);

        // Edited in place (same file, new bytes and time): also refused.
        QCOMPARE(RotateWhile(path, path,
                             [&] {
                                 QFile file(path);
                                 QVERIFY(file.open(QIODevice::ReadWrite));
                                 file.seek(file.size() - 3);
                                 file.write("\x01", 1);
                                 // The clock may not have ticked since the read.
                                 const QDateTime written =
                                     file.fileTime(QFileDevice::FileModificationTime);
                                 file.setFileTime(written.addSecs(1),
                                                  QFileDevice::FileModificationTime);
                             }),
                 int(VYR_ERR_SOURCE_CHANGED));

        QCOMPARE(RotateWhile(path, path, [&] { QFile::remove(path); }),
                 int(VYR_ERR_SOURCE_CHANGED));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(Entries(dir.path()), QStringList{"n"});

        // Into another folder: a source saved anew meanwhile may have been read half old,
        // half new; nothing is written.
        const QString source = Photo(dir.path(), "b.jpg", 3);
        const QString output = dir.filePath("n/b.jpg");
        QCOMPARE(RotateWhile(source, output, [&] { SaveAnew(source, newer); }),
                 int(VYR_ERR_SOURCE_CHANGED));
        QVERIFY(!QFile::exists(output));
        QCOMPARE(Entries(dir.filePath("n")), QStringList{"a.jpg"});
    }

    // A named temporary file of a killed run goes with the next write into its folder; one
    // that a live writer holds (its flock), and any other name, stays.
    void leftoversOfKilledRunAreRemoved()
    {
        QTemporaryDir dir;
        const QString path = Photo(dir.path(), "a.jpg");
        QVERIFY(!TestJpeg::WriteBytes(dir.path(), ".vyr-Ab12cD", QByteArray(100, 'x')).isEmpty());
        QVERIFY(!TestJpeg::WriteBytes(dir.path(), ".vyr-Zz9Zz9", QByteArray(10, 'y')).isEmpty());
        QVERIFY(!TestJpeg::WriteBytes(dir.path(), ".vyr-photo.jpg", "z").isEmpty());
        QVERIFY(!TestJpeg::WriteBytes(dir.path(), ".vyr-abc", "z").isEmpty());
        const int held =
            ::open(QFile::encodeName(dir.filePath(".vyr-Zz9Zz9")).constData(), O_RDONLY);
        QVERIFY(held >= 0);
        QCOMPARE(::flock(held, LOCK_EX), 0);

        QCOMPARE(VYRDefaultEngine().RotateFile(path, path, VYR_ROTATE_90, 0, 0, 0, nullptr),
                 int(VYR_SUCCESS));
        ::close(held);
        QCOMPARE(Entries(dir.path()),
                 QStringList({".vyr-Zz9Zz9", ".vyr-abc", ".vyr-photo.jpg", "a.jpg"}));
    }

    // A turn that trims says so, through the report of the options and in words.
    void trimIsReported()
    {
        QTemporaryDir dir;
        TestJpeg::Options o;
        o.width = 70; // 4:2:0: 16-pixel blocks, 6 columns and 8 rows beyond them
        o.height = 56;
        const QString path = TestJpeg::Write(dir.path(), "t.jpg", o);
        VYRRotateReport report;
        report.m_trimmedRows = 99;
        VYRRotateOptions options;
        options.m_pReport = &report;
        QCOMPARE(VYRDefaultEngine().RotateFile(path, path, VYR_ROTATE_90, 0, 0, 0, &options),
                 int(VYR_SUCCESS));
        QCOMPARE(report.m_trimmedColumns, 0); // a quarter turn clockwise moves the bottom edge
        QCOMPARE(report.m_trimmedRows, 8);
        QCOMPARE(VYRTrimText(report, "t.jpg"), "'t.jpg': trimmed 8 pixels from the bottom edge");
        report.m_trimmedColumns = 1;
        QCOMPARE(VYRTrimText(report, "t.jpg"), "'t.jpg': trimmed 1 pixel from the right edge and "
                                               "8 pixels from the bottom edge");
        QVERIFY(VYRTrimText(VYRRotateReport(), "t.jpg").isEmpty());
    }

    // Every result code of the engine has its own words, naming the photo, and no number.
    void everyResultHasItsWords()
    {
        QFile header(QStringLiteral(VEYRA_CODES_HEADER));
        QVERIFY(header.open(QIODevice::ReadOnly));
        const QRegularExpression code("\\bVYR_ERR_[A-Z_]+ = (-\\d+)");
        QSet<QString> texts;
        int codes = 0;
        for (auto it = code.globalMatch(QString::fromUtf8(header.readAll())); it.hasNext();) {
            const int value = it.next().captured(1).toInt();
            ++codes;
            QVERIFY2(VYRResultTextKnown(value), qPrintable(QString::number(value)));
            const QString text = VYRResultText(value, "Beach.jpg", "Out/Beach.jpg");
            QVERIFY2(text.contains("Beach.jpg"), qPrintable(text));
            QVERIFY2(!text.contains(QString::number(-value)), qPrintable(text));
            QVERIFY2(!text.contains("error", Qt::CaseInsensitive), qPrintable(text));
            QVERIFY2(!texts.contains(text), qPrintable(text));
            texts.insert(text);
        }
        QVERIFY(codes >= 24);
        QCOMPARE(VYRResultText(VYR_ERR_OUTPUT_EXISTS, "Card2/IMG_01.jpg", "Out/IMG_01.jpg"),
                 "'Out/IMG_01.jpg' already exists in the output folder; not replaced");
        QCOMPARE(VYRResultText(VYR_ERR_SOURCE_CHANGED, "a.jpg"),
                 "'a.jpg' changed while it was being turned; not replaced");
        const QString unknown = VYRResultText(-999, "a.jpg");
        QVERIFY(unknown.contains("'a.jpg'") && !unknown.contains("999"));
    }
};

QTEST_GUILESS_MAIN(TestSafeWrite)
#include "tst_safewrite.moc"
