// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Where a thumbnail comes from besides the photo's decode: the preview the file carries, and
// the desktop's shared cache, which is written as the standard lays it out and emptied of a
// photo's entries when the command line turns it.
#include "testjpeg.h"
#include "thumb/vyrsharedthumbs.h"
#include "thumb/vyrsharedthumbwriter.h"
#include "thumb/vyrthumbdecode.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

constexpr QRgb kRed = qRgb(255, 0, 0);
constexpr QRgb kDarkRed = qRgb(150, 0, 0);
constexpr QRgb kBlue = qRgb(0, 0, 255);
constexpr QRgb kDarkBlue = qRgb(0, 0, 150);

bool Near(QRgb in_a, QRgb in_b)
{
    return std::abs(qRed(in_a) - qRed(in_b)) < 40 && std::abs(qGreen(in_a) - qGreen(in_b)) < 40 &&
           std::abs(qBlue(in_a) - qBlue(in_b)) < 40;
}

// Left half in_left, right half in_right.
QImage Halves(int in_width, int in_height, QRgb in_left, QRgb in_right)
{
    QImage image(in_width, in_height, QImage::Format_RGB32);
    image.fill(in_right);
    QPainter(&image).fillRect(0, 0, in_width / 2, in_height, in_left);
    return image;
}

QByteArray JpegOf(const QImage &in_content)
{
    TestJpeg::Options o;
    o.width = in_content.width();
    o.height = in_content.height();
    o.content = in_content;
    return TestJpeg::Build(o);
}

int ModeOf(const QString &in_path)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(in_path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

} // namespace

class TestSharedThumbs : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_xdg; // this test's XDG_CACHE_HOME
    int m_counter = 0;

    VYRThumbSources Sources(bool in_embedded, bool in_write, int in_tolerance = 0) const
    {
        VYRThumbSources sources;
        sources.m_useEmbedded = in_embedded;
        sources.m_writeShared = in_write;
        sources.m_tolerancePercent = in_tolerance;
        sources.m_cacheRoot = m_xdg + QStringLiteral("/thumbnails");
        return sources;
    }

    // A 1024x768 photo of dark-red/dark-blue halves with the given Exif thumbnail.
    QString Photo(const QByteArray &in_thumb, int in_orientation = 1)
    {
        TestJpeg::Options o;
        o.width = 1024;
        o.height = 768;
        o.sampling = TestJpeg::Sampling::S444;
        o.content = Halves(1024, 768, kDarkRed, kDarkBlue);
        o.exif = TestJpeg::Exif::Intel;
        o.orientation = in_orientation;
        o.thumbnail = !in_thumb.isEmpty();
        o.thumbnailBytes = in_thumb;
        const QString name = QStringLiteral("p%1.jpg").arg(++m_counter);
        return TestJpeg::Write(m_dir.path(), name, o);
    }

    QImage Picture(const QString &in_path, int in_box, const VYRThumbSources &in_sources)
    {
        QImage picture;
        VYRThumbFileInfo info;
        if (VYRDecodeThumbPicture(in_path, QSize(in_box, in_box), in_sources, &picture, &info) !=
            VYR_SUCCESS)
            return QImage();
        // Entries are written once decoding pauses: these tests look at them right away.
        VYRFlushSharedThumbWrites();
        return picture;
    }

    QString EntryPath(const QString &in_photo, const char *in_class) const
    {
        return m_xdg + QStringLiteral("/thumbnails/") + QLatin1String(in_class) + QLatin1Char('/') +
               VYRSharedThumbName(VYRSharedThumbUri(in_photo));
    }

    // An entry as another program would write it: a flat in_colour picture.
    void WriteForeignEntry(const QString &in_photo, QRgb in_colour, qint64 in_mtimeShift = 0)
    {
        QImage entry(128, 96, QImage::Format_RGB32);
        entry.fill(in_colour);
        entry.setText(QStringLiteral("Thumb::URI"), QString::fromUtf8(VYRSharedThumbUri(in_photo)));
        const qint64 mtime = QFileInfo(in_photo).lastModified().toSecsSinceEpoch() + in_mtimeShift;
        entry.setText(QStringLiteral("Thumb::MTime"), QString::number(mtime));
        entry.setText(QStringLiteral("Software"), QStringLiteral("Another viewer"));
        QDir().mkpath(m_xdg + QStringLiteral("/thumbnails/normal"));
        QVERIFY(entry.save(EntryPath(in_photo, "normal"), "png"));
    }

private slots:
    void init() { m_xdg = m_dir.path() + QStringLiteral("/cache%1").arg(++m_counter); }

    // The red preview stands for the photo only when it is fit to.
    void embeddedPreview_data()
    {
        QTest::addColumn<QSize>("thumb");
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<int>("box");
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<bool>("embedded");
        QTest::addColumn<bool>("used");
        QTest::newRow("large enough") << QSize(160, 120) << false << 128 << 0 << true << true;
        QTest::newRow("smaller box") << QSize(160, 120) << false << 64 << 0 << true << true;
        QTest::newRow("too small") << QSize(160, 120) << false << 256 << 0 << true << false;
        QTest::newRow("short, no tolerance")
            << QSize(120, 90) << false << 128 << 0 << true << false;
        QTest::newRow("short, within tolerance")
            << QSize(120, 90) << false << 128 << 10 << true << true;
        QTest::newRow("stale: square") << QSize(160, 160) << false << 128 << 0 << true << false;
        QTest::newRow("stale: turned") << QSize(120, 160) << false << 128 << 0 << true << false;
        QTest::newRow("stale: cropped 16:9")
            << QSize(160, 90) << false << 128 << 0 << true << false;
        QTest::newRow("damaged") << QSize(160, 120) << true << 128 << 0 << true << false;
        QTest::newRow("turned off") << QSize(160, 120) << false << 128 << 0 << false << false;
    }
    void embeddedPreview()
    {
        QFETCH(QSize, thumb);
        QFETCH(bool, damaged);
        QFETCH(int, box);
        QFETCH(int, tolerance);
        QFETCH(bool, embedded);
        QFETCH(bool, used);
        QByteArray bytes = JpegOf(Halves(thumb.width(), thumb.height(), kRed, kRed));
        if (damaged)
            bytes.truncate(bytes.size() * 2 / 3);
        const QString path = Photo(bytes);
        QVERIFY(!path.isEmpty());
        const QImage picture = Picture(path, box, Sources(embedded, false, tolerance));
        QVERIFY(!picture.isNull());
        // Whatever its source, the picture has the size the photo's decode gives.
        QCOMPARE(picture.size(), QSize(1024, 768).scaled(box, box, Qt::KeepAspectRatio));
        const QRgb left = picture.pixel(picture.width() / 4, picture.height() / 2);
        QCOMPARE(Near(left, kRed), used);
        QVERIFY(used || Near(left, kDarkRed));
    }

    void mpfLargeThumbnail()
    {
        TestJpeg::Options o;
        o.width = 1024;
        o.height = 768;
        o.content = Halves(1024, 768, kDarkRed, kDarkBlue);
        TestJpeg::MpfPicture preview;
        preview.width = 320;
        preview.height = 240;
        preview.bytes = JpegOf(Halves(320, 240, kRed, kRed));
        o.mpfPictures = {preview};
        const QString path = TestJpeg::Write(m_dir.path(), QStringLiteral("mpf.jpg"), o);
        const QImage picture = Picture(path, 256, Sources(true, false));
        QCOMPARE(picture.size(), QSize(256, 192));
        QVERIFY(Near(picture.pixel(10, 96), kRed));
    }

    // A preview, and the cache entry Veyra wrote, show the photo exactly as its decode does,
    // in every orientation (the entry holds it as file managers show it).
    void sameAsDecode_data()
    {
        QTest::addColumn<int>("orientation");
        for (int o = 1; o <= 8; ++o)
            QTest::addRow("orientation %d", o) << o;
    }
    void sameAsDecode()
    {
        QFETCH(int, orientation);
        const QString path = Photo(JpegOf(Halves(160, 120, kRed, kBlue)), orientation);
        // The preview first: once the decode wrote its entry, that would be read instead.
        const QImage preview = Picture(path, 128, Sources(true, false));
        const QImage decoded = Picture(path, 128, Sources(false, true));
        QCOMPARE(preview.size(), decoded.size());
        const int y = decoded.height() / 2;
        const int left = decoded.width() / 4, right = decoded.width() * 3 / 4;
        QVERIFY(Near(decoded.pixel(left, y), kDarkRed) && Near(decoded.pixel(right, y), kDarkBlue));
        QVERIFY(Near(preview.pixel(left, y), kRed) && Near(preview.pixel(right, y), kBlue));

        // The decode wrote the entry, turned as the orientation says; read back, it is the
        // decode's picture again.
        const QImage entry(EntryPath(path, "normal"));
        QCOMPARE(entry.size(), orientation >= 5 ? QSize(96, 128) : QSize(128, 96));
        const QImage cached = Picture(path, 128, Sources(false, false));
        QCOMPARE(cached.size(), decoded.size());
        QVERIFY(Near(cached.pixel(left, y), kDarkRed) && Near(cached.pixel(right, y), kDarkBlue));
        // And it was the entry that was read: its inverse is read as such.
        QImage inverse = entry;
        inverse.invertPixels();
        for (const QString &key : entry.textKeys())
            inverse.setText(key, entry.text(key));
        QVERIFY(inverse.save(EntryPath(path, "normal"), "png"));
        const QImage inverted = Picture(path, 128, Sources(false, false));
        QVERIFY(Near(inverted.pixel(left, y), qRgb(105, 255, 255)));
    }

    void entryFollowsStandard()
    {
        const QString path = Photo(QByteArray());
        QVERIFY(!Picture(path, 64, Sources(true, true)).isNull());
        const QString entryPath = EntryPath(path, "normal");
        // The name is the MD5 of the URI, with the path's own characters escaped.
        QCOMPARE(QFileInfo(entryPath).fileName(),
                 QString::fromLatin1(QCryptographicHash::hash("file://" + QFile::encodeName(path),
                                                              QCryptographicHash::Md5)
                                         .toHex()) +
                     QStringLiteral(".png"));
        QCOMPARE(VYRSharedThumbUri(QStringLiteral("/a b/ü#%.jpg")),
                 QByteArray("file:///a%20b/%C3%BC%23%25.jpg"));
        QCOMPARE(ModeOf(entryPath), 0600);
        QCOMPARE(ModeOf(m_xdg + QStringLiteral("/thumbnails")), 0700);
        QCOMPARE(ModeOf(m_xdg + QStringLiteral("/thumbnails/normal")), 0700);
        QCOMPARE(QDir(m_xdg + QStringLiteral("/thumbnails/normal"))
                     .entryList(QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(entryPath).fileName()}); // no temporary file left

        QImageReader format(entryPath);
        QCOMPARE(format.format(), QByteArray("png"));
        const QImage reader(entryPath);
        QCOMPARE(reader.size(), QSize(128, 96)); // the class's size, not the box's
        QCOMPARE(reader.text(QStringLiteral("Thumb::URI")).toUtf8(), VYRSharedThumbUri(path));
        const QFileInfo photo(path);
        QCOMPARE(reader.text(QStringLiteral("Thumb::MTime")),
                 QString::number(photo.lastModified().toSecsSinceEpoch()));
        QCOMPARE(reader.text(QStringLiteral("Thumb::Size")), QString::number(photo.size()));
        QCOMPARE(reader.text(QStringLiteral("Thumb::Image::Width")), QStringLiteral("1024"));
        QCOMPARE(reader.text(QStringLiteral("Thumb::Image::Height")), QStringLiteral("768"));
        QVERIFY(reader.text(QStringLiteral("Software")).startsWith(QLatin1String("Veyra")));

        // Writing turned off: nothing is written.
        const QString other = Photo(QByteArray());
        QVERIFY(!Picture(other, 64, Sources(true, false)).isNull());
        QVERIFY(!QFile::exists(EntryPath(other, "normal")));
    }

    // Another program's entry (a flat green picture) is used only while it is valid.
    void foreignEntry_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("mtimeShift");
        QTest::addColumn<bool>("used");
        QTest::newRow("valid") << 1 << 0 << true;
        QTest::newRow("MTime differs") << 1 << -5 << false;
        QTest::newRow("turned photo: how it was made is unknown") << 6 << 0 << false;
    }
    void foreignEntry()
    {
        QFETCH(int, orientation);
        QFETCH(int, mtimeShift);
        QFETCH(bool, used);
        const QString path = Photo(QByteArray(), orientation);
        WriteForeignEntry(path, qRgb(0, 255, 0), mtimeShift);
        const QImage picture = Picture(path, 128, Sources(false, false));
        QVERIFY(!picture.isNull());
        QCOMPARE(Near(picture.pixel(10, picture.height() / 2), qRgb(0, 255, 0)), used);
    }

    // Entries wait while thumbnails are decoded and are written once decoding pauses; a photo
    // rewritten meanwhile loses its waiting entry; a full queue makes the decoder write its own.
    void deferredEntries()
    {
        const VYRThumbSources sources = Sources(false, true);
        QImage picture;
        VYRThumbFileInfo info;
        const QString waits = Photo(QByteArray());
        const QString rewritten = Photo(QByteArray());
        {
            const VYRThumbDecodeScope grid; // the grid still decoding
            QCOMPARE(VYRDecodeThumbPicture(waits, QSize(128, 128), sources, &picture, &info),
                     VYR_SUCCESS);
            QCOMPARE(VYRDecodeThumbPicture(rewritten, QSize(128, 128), sources, &picture, &info),
                     VYR_SUCCESS);
            QTest::qWait(400);
            QCOMPARE(VYRPendingSharedThumbWrites(), 2);
            QVERIFY(!QFile::exists(EntryPath(waits, "normal")));
            VYRForgetSharedThumbnails(rewritten);
            QCOMPARE(VYRPendingSharedThumbWrites(), 1);
        }
        QTRY_VERIFY(QFile::exists(EntryPath(waits, "normal")));
        VYRFlushSharedThumbWrites();
        QVERIFY(!QFile::exists(EntryPath(rewritten, "normal")));

        // 1024x768 pictures for the 1024 class, held at three bytes a pixel.
        const VYRThumbDecodeScope grid;
        const int fit = int(kVYRDeferredThumbBytes / (1024 * 768 * 3));
        QStringList photos;
        for (int i = 0; i <= fit; ++i) {
            photos << Photo(QByteArray());
            QCOMPARE(
                VYRDecodeThumbPicture(photos.last(), QSize(1024, 1024), sources, &picture, &info),
                VYR_SUCCESS);
        }
        QCOMPARE(VYRPendingSharedThumbWrites(), fit);
        QVERIFY(!QFile::exists(EntryPath(photos.first(), "xx-large")));
        QVERIFY(QFile::exists(EntryPath(photos.last(), "xx-large")));
        VYRFlushSharedThumbWrites();
        QVERIFY(QFile::exists(EntryPath(photos.first(), "xx-large")));
    }

#ifdef VEYRA_BINARY
    // A turn through the command line removes the photo's entries from every size class and
    // from the failure folders.
    void turnForgetsEntries()
    {
        QTemporaryDir folder;
        TestJpeg::Options o;
        o.width = 256;
        o.height = 192;
        o.exif = TestJpeg::Exif::Intel;
        o.orientation = 6;
        const QString path = TestJpeg::Write(folder.path(), QStringLiteral("IMG_1.jpg"), o);
        // The smaller class first: a larger entry would serve the smaller box.
        QVERIFY(!Picture(path, 128, Sources(false, true)).isNull());
        QVERIFY(!Picture(path, 256, Sources(false, true)).isNull());
        const QString fail = m_xdg + QStringLiteral("/thumbnails/fail/other-1.0");
        QVERIFY(QDir().mkpath(fail));
        QFile marker(fail + QLatin1Char('/') + VYRSharedThumbName(VYRSharedThumbUri(path)));
        QVERIFY(marker.open(QIODevice::WriteOnly));
        marker.close();
        QVERIFY(QFile::exists(EntryPath(path, "normal")) &&
                QFile::exists(EntryPath(path, "large")));

        QProcess veyra;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_xdg);
        env.remove(QStringLiteral("DISPLAY"));
        veyra.setProcessEnvironment(env);
        veyra.start(QStringLiteral(VEYRA_BINARY),
                    {QStringLiteral("--auto-rotate"), QStringLiteral("--quiet"), folder.path()});
        QVERIFY(veyra.waitForFinished(60000));
        QCOMPARE(veyra.exitCode(), 0);
        QCOMPARE(TestJpeg::ReadOrientationOfFile(path), 1);
        QVERIFY(!QFile::exists(EntryPath(path, "normal")));
        QVERIFY(!QFile::exists(EntryPath(path, "large")));
        QVERIFY(!QFile::exists(marker.fileName()));
    }
#endif
};

QTEST_GUILESS_MAIN(TestSharedThumbs)
#include "tst_sharedthumbs.moc"
