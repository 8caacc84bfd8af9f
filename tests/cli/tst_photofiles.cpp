// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// What a turn does to the files beside the picture, through the real program: the file date
// kept on request, and XMP sidecars brought in line or the photo left alone.
#include "testjpeg.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

const char kSidecar[] =
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
    "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
    "xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" "
    "tiff:Orientation=\"6\" exif:PixelXDimension=\"%1\" exif:PixelYDimension=\"%2\"/>"
    "</rdf:RDF></x:xmpmeta>\n";

struct timespec Mtime(const QString &in_path)
{
    struct stat info = {};
    stat(QFile::encodeName(in_path).constData(), &info);
    return info.st_mtim;
}

void WriteFile(const QString &in_path, const QByteArray &in_bytes)
{
    QFile file(in_path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(in_bytes), in_bytes.size());
}

} // namespace

class TestPhotoFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QProcessEnvironment m_env;

    int Veyra(const QStringList &in_args, QString *out_pOut = nullptr)
    {
        QProcess process;
        process.setProcessEnvironment(m_env);
        process.start(QStringLiteral(VEYRA_BINARY), in_args);
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        if (out_pOut)
            *out_pOut = QString::fromUtf8(process.readAllStandardOutput());
        return process.exitCode();
    }

    static QString Photo(const QString &in_dir, const QString &in_name)
    {
        TestJpeg::Options o;
        o.width = 96;
        o.height = 64;
        o.exif = TestJpeg::Exif::Intel;
        o.orientation = 6;
        return TestJpeg::Write(in_dir, in_name, o);
    }

private slots:
    void initTestCase()
    {
        m_env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            m_env.remove(QString::fromLatin1(name));
        m_env.insert(QStringLiteral("HOME"), m_home.path());
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath("config"));
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath("data"));
    }

    void keepTimeKeepsTheNanoseconds()
    {
        QTemporaryDir dir;
        const QString kept = Photo(dir.path(), "kept.jpg");
        const QString plain = Photo(dir.path(), "plain.jpg");
        const struct timespec old[2] = {{1600000000, 123456789}, {1600000000, 123456789}};
        for (const QString &path : {kept, plain})
            QCOMPARE(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), old, 0), 0);

        QCOMPARE(Veyra({"-a", "-q", "--keep-time", kept}), 0);
        QCOMPARE(Veyra({"-a", "-q", plain}), 0);
        QCOMPARE(TestJpeg::ReadOrientationOfFile(kept), 1);
        QCOMPARE(Mtime(kept).tv_sec, old[1].tv_sec);
        QCOMPARE(Mtime(kept).tv_nsec, old[1].tv_nsec);
        QVERIFY(Mtime(plain).tv_sec > old[1].tv_sec); // the time of the turn by default
        // An undo gives the very date back too.
        QCOMPARE(Veyra({"--undo", "-q"}), 0);
        QCOMPARE(Mtime(plain).tv_nsec, old[1].tv_nsec);
    }

    void sidecarFollowsTheTurnOrStopsIt()
    {
        QTemporaryDir dir;
        const QString photo = Photo(dir.path(), "IMG_1.jpg");
        const QString base = dir.filePath("IMG_1.xmp");
        const QString whole = dir.filePath("IMG_1.jpg.xmp");
        WriteFile(base, QString::fromLatin1(kSidecar).arg(96).arg(64).toUtf8());
        WriteFile(whole, QString::fromLatin1(kSidecar).arg(96).arg(64).toUtf8());
        const QByteArray sidecarBefore = TestJpeg::ReadAll(base);

        QCOMPARE(Veyra({"-a", "-q", photo}), 0);
        QCOMPARE(TestJpeg::Decode(photo).size(), QSize(64, 96));
        for (const QString &path : {base, whole}) {
            const QByteArray now = TestJpeg::ReadAll(path);
            QVERIFY2(now.contains("tiff:Orientation=\"1\"") &&
                         now.contains("exif:PixelXDimension=\"64\"") &&
                         now.contains("exif:PixelYDimension=\"96\""),
                     now.constData());
        }
        // Undo takes photo and sidecars back together.
        QCOMPARE(Veyra({"--undo", "-q"}), 0);
        QCOMPARE(TestJpeg::ReadAll(base), sidecarBefore);

        // A sidecar whose orientation cannot be edited safely stops the job: nothing changes.
        const QString other = Photo(dir.path(), "IMG_2.jpg");
        const QByteArray photoBefore = TestJpeg::ReadAll(other);
        const QByteArray broken =
            QByteArray(kSidecar).replace("tiff:Orientation=\"6\"", "tiff:Orientation=\"six\"");
        WriteFile(dir.filePath("IMG_2.xmp"), broken);
        QString out;
        QCOMPARE(Veyra({"-a", other}, &out), 1);
        QVERIFY2(out.contains("IMG_2.jpg' cannot be read, edited safely or "
                              "written"),
                 qPrintable(out));
        QCOMPARE(TestJpeg::ReadAll(other), photoBefore);
        QCOMPARE(TestJpeg::ReadAll(dir.filePath("IMG_2.xmp")), broken);
    }
};

QTEST_GUILESS_MAIN(TestPhotoFiles)
#include "tst_photofiles.moc"
