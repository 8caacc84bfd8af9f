// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Real camera photos turned as the worker turns them, then read by exiftool: every tag reads
// as before except the ones the turn must change, and no new warning appears. Skipped when the
// shared photos or exiftool are not there.
#include "testjpeg.h"
#include "vyrengine.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// exiftool's lines for each of in_files ("[Group] Tag : value"), in one run.
QMap<QString, QStringList> ExiftoolLines(const QString &in_exiftool, const QStringList &in_args,
                                         const QStringList &in_files)
{
    QProcess p;
    p.start(in_exiftool, in_args + in_files);
    p.waitForFinished(300000);
    QMap<QString, QStringList> lines;
    QString current = in_files.size() == 1 ? in_files[0] : QString();
    static const QRegularExpression header("^======== (.*)$");
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split('\n')) {
        const auto m = header.match(line);
        if (m.hasMatch())
            current = m.captured(1);
        else if (line.startsWith('['))
            lines[current] << line;
    }
    return lines;
}

// The tags a turn changes: the file's own fields, what exiftool derives from the size, and the
// copies of the orientation and size that the engine keeps in line with the pixels.
bool Edited(const QString &in_line)
{
    static const QRegularExpression edited(
        "^\\[(System|File|Composite)\\]|"
        "^\\[IFD0\\] *(Orientation|ImageWidth|ImageHeight) |"
        "^\\[ExifIFD\\] *ExifImage(Width|Height) |"
        "^\\[IFD1\\] *(Orientation|ImageWidth|ImageHeight|ThumbnailLength|ThumbnailImage) |"
        "^\\[XMP-tiff\\] *(Orientation|ImageWidth|ImageHeight) |"
        "^\\[XMP-exif\\] *ExifImage(Width|Height) |"
        "^\\[MPImage[0-9]+\\] *(MPImageLength|MPImageStart) |^\\[MPF0\\] *MPImage[0-9]+ ");
    return edited.match(in_line).hasMatch();
}

} // namespace

class TestPhotoSamples : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyOtherTagKept_data();
    void everyOtherTagKept();

private:
    QString m_exiftool;
    QString m_samples;
};

void TestPhotoSamples::initTestCase()
{
    const QString dir = qEnvironmentVariable("VEYRA_SAMPLES_DIR");
    m_samples = !dir.isEmpty() && QDir(dir).exists() ? dir : QString();
    m_exiftool = QStandardPaths::findExecutable("exiftool");
}

void TestPhotoSamples::everyOtherTagKept_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("code");
    QTest::newRow("camera 90") << "camera" << int(VYR_ROTATE_90);
    QTest::newRow("orientation 270") << "orientation" << int(VYR_ROTATE_270);
}

void TestPhotoSamples::everyOtherTagKept()
{
    QFETCH(QString, folder);
    QFETCH(int, code);
    if (m_samples.isEmpty() || m_exiftool.isEmpty())
        QSKIP("no sample photos or no exiftool");
    const QDir photos(QDir(m_samples).filePath(folder));
    QTemporaryDir dir;
    QStringList sources, results;
    for (const QString &name : photos.entryList({"*.jpg", "*.jpeg"}, QDir::Files, QDir::Name)) {
        const QString result = dir.filePath(name);
        const int rc =
            VYRDefaultEngine().RotateFile(photos.filePath(name), result, code, 0, 0, 0, nullptr);
        // A damaged photo is refused before any metadata is looked at (the engine's own
        // samples suite holds that against the reference tool).
        if (rc == VYR_ERR_FILE_DAMAGED)
            continue;
        QVERIFY2(rc == VYR_SUCCESS, qPrintable(QStringLiteral("%1: %2").arg(name).arg(rc)));
        sources << photos.filePath(name);
        results << result;
    }
    QVERIFY(!sources.isEmpty());

    const QStringList tags = {"-a", "-G1", "-s", "-n"};
    const auto before = ExiftoolLines(m_exiftool, tags, sources);
    const auto after = ExiftoolLines(m_exiftool, tags, results);
    const QStringList validate = {"-validate", "-warning", "-a", "-G1", "-s"};
    const auto warnedBefore = ExiftoolLines(m_exiftool, validate, sources);
    const auto warnedAfter = ExiftoolLines(m_exiftool, validate, results);
    QStringList problems;
    for (int i = 0; i < sources.size(); ++i) {
        QStringList was = before.value(sources[i]);
        QStringList is = after.value(results[i]);
        QVERIFY2(!was.isEmpty() && !is.isEmpty(), qPrintable(sources[i]));
        was.removeIf(&Edited);
        is.removeIf(&Edited);
        const QString name = QFileInfo(sources[i]).fileName();
        for (const QString &line : is) {
            if (!was.contains(line))
                problems << name + ": new " + line;
        }
        for (const QString &line : was) {
            if (!is.contains(line))
                problems << name + ": lost " + line;
        }
        for (const QString &line : warnedAfter.value(results[i])) {
            if (line.contains("Warning") && !warnedBefore.value(sources[i]).contains(line))
                problems << name + ": " + line;
        }
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.mid(0, 20).join('\n')));
}

QTEST_GUILESS_MAIN(TestPhotoSamples)
#include "tst_photosamples.moc"
