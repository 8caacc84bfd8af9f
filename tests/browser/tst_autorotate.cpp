// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Auto Rotate on real files: which Orientation values queue which turn, what is skipped,
// the log lines and the summary.
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <thread>

#include "browsertest.h"
#include "testjpeg.h"
#include "vyrengine.h"
#include "writegate.h"

namespace {

// The worker writes real files; under a sanitizer on a loaded machine a batch of eight takes
// seconds, far more than the default wait.
constexpr int kWorkerTimeoutMs = 30000;

QString Summary(int in_considered, int in_rotated, int in_upright, int in_pending, int in_noInfo)
{
    return QString::asprintf(VYRText::kAutoSummary, in_considered, in_rotated, in_upright,
                             in_pending, in_noInfo);
}

QString Line(const char *in_format, const QString &in_name, int in_angle = 0)
{
    return QString::asprintf(in_format, qUtf8Printable(in_name), in_angle);
}

// A file with the given Exif byte order and Orientation (< 0: Exif without the entry).
QString WriteOriented(const QString &in_dir, const QString &in_name, TestJpeg::Exif in_exif,
                      int in_orientation)
{
    TestJpeg::Options options;
    options.exif = in_exif;
    options.orientation = in_orientation;
    return TestJpeg::Write(in_dir, in_name, options);
}

// The picture the grid shows of an item: the middle in_size of its thumbnail's box. The test
// photos fit the box unscaled, so that is the decoded photo itself.
QImage GridPicture(const VYRImage *in_pItem, QSize in_size)
{
    const QImage box = in_pItem->GetBitmap().m_image;
    return box.copy((box.width() - in_size.width()) / 2, (box.height() - in_size.height()) / 2,
                    in_size.width(), in_size.height());
}

// Two renderings of one file: equal but for the decoders' rounding.
bool Same(const QImage &in_a, const QImage &in_b)
{
    const int diff = TestJpeg::MaxDifference(in_a, in_b);
    return diff >= 0 && diff <= 6;
}

// The grid's picture against a rendering of the photo: the thumbnail is kept as a small JPEG of
// its own, so only the mean difference per channel is small; a wrong orientation of the
// textured test picture is tens of levels off.
bool Shows(const QImage &in_grid, const QImage &in_photo)
{
    if (in_grid.size() != in_photo.size() || in_grid.isNull())
        return false;
    qint64 sum = 0;
    for (int y = 0; y < in_grid.height(); ++y) {
        for (int x = 0; x < in_grid.width(); ++x) {
            const QRgb a = in_grid.pixel(x, y), b = in_photo.pixel(x, y);
            sum +=
                qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
        }
    }
    const double mean = double(sum) / (3.0 * in_grid.width() * in_grid.height());
    if (mean > 3.0)
        qWarning("the grid's picture is %.1f levels off on average", mean);
    return mean <= 3.0;
}

bool IsMirroredTag(int in_tag)
{
    return in_tag == 2 || in_tag == 4 || in_tag == 5 || in_tag == 7;
}

int FailingRotate(VYRBitmap *, int, uint32_t, int32_t)
{
    return VYR_ERR_NO_MEMORY;
}

} // namespace

class TestAutoRotate : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_storeDir;

private slots:
    void init() { QVERIFY(IsolateStore(m_storeDir.path())); }

    void orientationDecidesTheTurn()
    {
        using TestJpeg::Exif;
        struct Case
        {
            const char *name;
            Exif exif;
            int orientation;
            int angle;       // queued; 0: none
            const char *log; // the expected log line's format
        };
        const Case cases[] = {
            {"01.jpg", Exif::Intel, 6, 90, VYRText::kLogAutoQueueing},
            {"02.jpg", Exif::Motorola, 6, 90, VYRText::kLogAutoQueueing},
            {"03.jpg", Exif::Intel, 8, -90, VYRText::kLogAutoQueueing},
            {"04.jpg", Exif::Motorola, 8, -90, VYRText::kLogAutoQueueing},
            {"05.jpg", Exif::Intel, 3, 180, VYRText::kLogAutoQueueing},
            {"06.jpg", Exif::Motorola, 3, 180, VYRText::kLogAutoQueueing},
            {"07.jpg", Exif::Intel, 1, 0, VYRText::kLogAutoOriented},
            // The grid shows a mirrored photo with its mirror undone: the turn that is left,
            // and for 2 a job that only mirrors.
            {"08.jpg", Exif::Motorola, 2, 0, VYRText::kLogAutoQueueing},
            {"09.jpg", Exif::Intel, 4, 180, VYRText::kLogAutoQueueing},
            {"10.jpg", Exif::Motorola, 5, -90, VYRText::kLogAutoQueueing},
            {"11.jpg", Exif::Intel, 7, 90, VYRText::kLogAutoQueueing},
            {"12.jpg", Exif::Motorola, 0, 0, VYRText::kLogAutoOriented},
            {"13.jpg", Exif::None, 6, 0, VYRText::kLogAutoNoInfo},
            {"14.jpg", Exif::Intel, -1, 0, VYRText::kLogAutoNoInfo},
        };
        QTemporaryDir dir;
        for (const Case &c : cases)
            QVERIFY(!WriteOriented(dir.path(), c.name, c.exif, c.orientation).isEmpty());
        Scene s;
        s.view.LoadFolder(dir.path());
        QCOMPARE(s.view.GetCellCount(), 14);
        const QImage before = s.Item(0)->GetBitmap().m_image;

        s.view.OnCmdMsg(IDC_AUTO_ROTATE, QL_CN_COMMAND, nullptr);
        const QStringList log = s.LogAfterOpen();
        QCOMPARE(log.size(), 14);
        for (int i = 0; i < 14; ++i) {
            const Case &c = cases[i];
            QCOMPARE(log[i], Line(c.log, c.name, c.angle));
            QCOMPARE(s.Item(i)->GetRotation(), c.angle);
            const bool mirrored =
                c.exif != Exif::None && (c.orientation == 2 || c.orientation == 4 ||
                                         c.orientation == 5 || c.orientation == 7);
            QCOMPARE(s.Item(i)->IsFileMirrored(), mirrored);
            QCOMPARE(s.Item(i)->IsMirrorPending(), mirrored);
            QCOMPARE(s.tasks.FindTask(s.Item(i)) >= 0, c.angle != 0 || mirrored);
        }
        QCOMPARE(s.tasks.GetTaskText(0, VYRTaskVw::COL_ROTATION), QStringLiteral("90"));
        // The thumbnail turned at once; nothing was written to any file.
        QCOMPARE(
            TestJpeg::MaxDifference(s.Item(0)->GetBitmap().m_image, TestJpeg::Rotate(before, 90)),
            0);
        QCOMPARE(TestJpeg::ReadOrientationOfFile(dir.filePath("01.jpg")), 6);
        // The task list's Rotation column is the net angle, 0 for the pure mirror.
        QCOMPARE(s.tasks.GetTaskText(6, VYRTaskVw::COL_ROTATION), QStringLiteral("0"));
        QCOMPARE(s.prompts, QStringList{Summary(14, 10, 2, 0, 2)});

        // A second run before the worker came: the queued images count as pending, unlogged.
        s.view.OnAutoRotate();
        QCOMPARE(s.prompts.last(), Summary(14, 0, 2, 10, 2));
        QCOMPARE(s.LogAfterOpen().size(), 14 + 4);
    }

    void fiveImageExample()
    {
        QTemporaryDir dir;
        QVERIFY(!WriteOriented(dir.path(), "a.jpg", TestJpeg::Exif::Intel, 6).isEmpty());
        QVERIFY(!WriteOriented(dir.path(), "b.jpg", TestJpeg::Exif::Motorola, 1).isEmpty());
        QVERIFY(!WriteOriented(dir.path(), "c.jpg", TestJpeg::Exif::Intel, 6).isEmpty());
        QVERIFY(!WriteOriented(dir.path(), "d.jpg", TestJpeg::Exif::None, 1).isEmpty());
        QVERIFY(!WriteOriented(dir.path(), "e.jpg", TestJpeg::Exif::Motorola, 8).isEmpty());
        Scene s;
        s.view.LoadFolder(dir.path());
        s.view.OnCellClick(s.view.GetCell(2), QPoint(), QL_MK_LBUTTON); // c pending at -90
        const int lines = s.document.GetLog().size();

        s.view.OnAutoRotate();
        QCOMPARE(s.prompts.size(), 1);
        QCOMPARE(s.prompts[0],
                 QStringLiteral("5\timages considered\n"
                                "2\trotated based on camera orientation information\n"
                                "1\thad orientation information indicating correct orientation\n"
                                "1\twere skipped due to pending operation\n"
                                "1\twere skipped due to lack of orientation information"));
        QCOMPARE(s.Item(2)->GetRotation(), -90); // unchanged although its tag asks for 90
        QCOMPARE(s.document.GetLog().size(), lines + 4);
        QVERIFY(s.document.GetLog().mid(lines).filter(QLatin1String("c.jpg")).isEmpty());
    }

    void readOnlyFileCountsConsideredOnly()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 10; ++i) {
            QVERIFY(!WriteOriented(dir.path(), QString::asprintf("f%d.jpg", i),
                                   TestJpeg::Exif::Intel, i == 4 ? 6 : 1)
                         .isEmpty());
        }
        const QString locked = dir.filePath("f4.jpg");
        QVERIFY(
            QFile::setPermissions(locked, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        Scene s;
        s.view.LoadFolder(dir.path());
        QCOMPARE(s.view.GetCellCount(), 10);
        s.view.OnAutoRotate();
        QCOMPARE(s.prompts, QStringList{Summary(10, 0, 9, 0, 0)});
        QCOMPARE(s.Item(4)->GetRotation(), 0);
        QVERIFY(s.document.GetLog().filter(QLatin1String("f4.jpg")).isEmpty());
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner);
    }

    void emptyGridShowsNothing()
    {
        Scene s;
        const int lines = s.document.GetLog().size();
        s.view.OnAutoRotate();
        QVERIFY(s.prompts.isEmpty());
        QCOMPARE(s.document.GetLog().size(), lines);
    }

    void failedThumbnailTurnQueuesNothing()
    {
        QTemporaryDir dir;
        QVERIFY(!WriteOriented(dir.path(), "a.jpg", TestJpeg::Exif::Intel, 6).isEmpty());
        Scene s;
        s.view.LoadFolder(dir.path());
        VYREngineTable table = VYRDefaultEngine();
        table.RotateBitmap = &FailingRotate;
        VYRSetEngine(&table);
        s.view.OnAutoRotate();
        s.view.OnCellClick(s.view.GetCell(0), QPoint(), QL_MK_RBUTTON);
        VYRSetEngine(nullptr);
        QCOMPARE(s.Item(0)->GetRotation(), 0);
        QCOMPARE(s.tasks.GetTaskCount(), 0);
        QCOMPARE(s.document.GetQueue().GetCount(), 0);
        QCOMPARE(s.prompts, QStringList{Summary(1, 0, 0, 0, 0)});
        // No lock stays held: another thread can take it at once.
        bool taken = false;
        std::thread([&taken] {
            taken = g_catalogLock.try_lock();
            if (taken)
                g_catalogLock.unlock();
        }).join();
        QVERIFY(taken);
    }

    // The worker writes files without the catalog lock. An image whose job has begun still
    // has its old file (Orientation 6) on disk until the write ends: Auto Rotate counts it as
    // pending instead of turning it a second time.
    void imageBeingWrittenCountsAsPending()
    {
        QTemporaryDir dir;
        const QString a = WriteOriented(dir.path(), "a.jpg", TestJpeg::Exif::Intel, 6);
        QVERIFY(!a.isEmpty());
        QVERIFY(!WriteOriented(dir.path(), "b.jpg", TestJpeg::Exif::Intel, 8).isEmpty());
        const QSize stored = TestJpeg::Decode(a).size();
        {
            WriteGate gate;
            Scene s(true);
            s.document.GetConfig().Inplace = 1;
            s.view.LoadFolder(dir.path());
            s.view.OnCellClick(s.view.GetCell(0), QPoint(), QL_MK_RBUTTON); // a.jpg by hand
            QTRY_VERIFY(gate.Entered());

            s.view.OnAutoRotate();
            QCOMPARE(s.prompts.last(), Summary(2, 1, 0, 1, 0));
            gate.Release();
            QTRY_COMPARE_WITH_TIMEOUT(s.document.GetQueue().GetCount(), 0, kWorkerTimeoutMs);
            QTRY_COMPARE(s.tasks.GetTaskCount(), 0);
        }
        QCOMPARE(TestJpeg::Decode(a).size(), stored.transposed()); // turned once
        QCOMPARE(TestJpeg::ReadOrientationOfFile(a), 1);
        QCOMPARE(TestJpeg::ReadOrientationOfFile(dir.filePath("b.jpg")), 1);
    }

    // All eight tags in one run: each written file shows in an Exif-aware viewer as its source
    // did, and as the grid shows it; the jobs that flipped say so in the log.
    void everyTagWrittenAsViewersShowedIt()
    {
        QTemporaryDir dir, kept;
        for (int tag = 1; tag <= 8; ++tag) {
            const QString name = QString("tag%1.jpg").arg(tag);
            const QString path = WriteOriented(dir.path(), name, TestJpeg::Exif::Intel, tag);
            QVERIFY(!path.isEmpty());
            QVERIFY(QFile::copy(path, kept.filePath(name)));
        }
        Scene s(true);
        s.document.GetConfig().Inplace = 1;
        s.view.LoadFolder(dir.path());
        QCOMPARE(s.view.GetCellCount(), 8);
        s.view.OnAutoRotate();
        QCOMPARE(s.prompts.last(), Summary(8, 7, 1, 0, 0));
        QTRY_COMPARE_WITH_TIMEOUT(s.document.GetQueue().GetCount(), 0, kWorkerTimeoutMs);
        QTRY_COMPARE(s.tasks.GetTaskCount(), 0);

        const QStringList log = s.LogAfterOpen();
        for (int tag = 1; tag <= 8; ++tag) {
            const QString name = QString("tag%1.jpg").arg(tag);
            const QString path = dir.filePath(name);
            const QImage shown = TestJpeg::Shown(path);
            QVERIFY2(Same(shown, TestJpeg::Shown(kept.filePath(name))), qPrintable(name));
            QVERIFY2(Shows(GridPicture(s.Item(tag - 1), shown.size()), shown), qPrintable(name));
            QCOMPARE(TestJpeg::ReadOrientationOfFile(path), 1);
            QVERIFY(!s.Item(tag - 1)->IsFileMirrored()); // its file is no longer mirrored
            if (tag > 1)
                QVERIFY2(log.contains(Line(IsMirroredTag(tag) ? VYRText::kLogRotatedMirrored
                                                              : VYRText::kLogRotated,
                                           name)),
                         qPrintable(log.join('\n')));
        }
        s.view.OnAutoRotate();
        QCOMPARE(s.prompts.last(), Summary(8, 0, 8, 0, 0));
    }

    // Every tag and every click: the grid shows a mirrored photo with its mirror undone, and
    // the written file shows in an Exif-aware viewer what the grid showed after the click.
    void clickWritesWhatTheGridShows_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<unsigned>("buttons");
        const QPair<const char *, unsigned> clicks[] = {{"left", QL_MK_LBUTTON},
                                                        {"right", QL_MK_RBUTTON},
                                                        {"both", QL_MK_LBUTTON | QL_MK_RBUTTON}};
        for (int tag = 1; tag <= 8; ++tag) {
            for (const auto &click : clicks)
                QTest::addRow("%d %s", tag, click.first) << tag << click.second;
        }
    }
    void clickWritesWhatTheGridShows()
    {
        QFETCH(int, tag);
        QFETCH(unsigned, buttons);
        QTemporaryDir dir;
        const QString path = WriteOriented(dir.path(), "a.jpg", TestJpeg::Exif::Motorola, tag);
        QVERIFY(!path.isEmpty());
        const QImage stored = TestJpeg::Decode(path);
        Scene s(true);
        s.document.GetConfig().Inplace = 1;
        s.view.LoadFolder(dir.path());
        QVERIFY(Shows(GridPicture(s.Item(0), stored.size()),
                      IsMirroredTag(tag) ? stored.mirrored(true, false) : stored));

        s.view.OnCellClick(s.view.GetCell(0), QPoint(), buttons);
        QTRY_COMPARE_WITH_TIMEOUT(s.document.GetQueue().GetCount(), 0, kWorkerTimeoutMs);
        const QImage shown = TestJpeg::Shown(path);
        QVERIFY(Shows(GridPicture(s.Item(0), shown.size()), shown));
        QCOMPARE(TestJpeg::ReadOrientationOfFile(path), 1);
        QCOMPARE(s.LogAfterOpen().last(),
                 Line(IsMirroredTag(tag) ? VYRText::kLogRotatedMirrored : VYRText::kLogRotated,
                      "a.jpg"));
    }

    // The new user's try: a photo tagged 5, turned by one click until it looks upright in
    // the grid, is written so that every Exif-aware viewer still shows it as before.
    void transposedPhotoClickedUpright()
    {
        QTemporaryDir dir;
        const QString path = WriteOriented(dir.path(), "a.jpg", TestJpeg::Exif::Intel, 5);
        QVERIFY(!path.isEmpty());
        const QImage before = TestJpeg::Shown(path);
        Scene s(true);
        s.document.GetConfig().Inplace = 1;
        s.view.LoadFolder(dir.path());
        s.view.OnCellClick(s.view.GetCell(0), QPoint(), QL_MK_LBUTTON); // -90
        QVERIFY(Shows(GridPicture(s.Item(0), before.size()), before));  // upright in the grid
        QTRY_COMPARE_WITH_TIMEOUT(s.document.GetQueue().GetCount(), 0, kWorkerTimeoutMs);
        QVERIFY(Same(TestJpeg::Shown(path), before));
        QCOMPARE(TestJpeg::ReadOrientationOfFile(path), 1);
    }

    // A file whose tag gained or lost its mirror after the grid showed it: no turn of what the
    // grid shows reaches what the tag asks for, so nothing is queued (considered only).
    void mirrorChangedSinceTheScanQueuesNothing()
    {
        QTemporaryDir dir;
        QVERIFY(!WriteOriented(dir.path(), "a.jpg", TestJpeg::Exif::Intel, 6).isEmpty());
        QVERIFY(!WriteOriented(dir.path(), "b.jpg", TestJpeg::Exif::Intel, 5).isEmpty());
        Scene s;
        s.view.LoadFolder(dir.path());
        QVERIFY(!s.Item(0)->IsFileMirrored());
        QVERIFY(s.Item(1)->IsFileMirrored());
        QVERIFY(!WriteOriented(dir.path(), "a.jpg", TestJpeg::Exif::Intel, 7).isEmpty());
        QVERIFY(!WriteOriented(dir.path(), "b.jpg", TestJpeg::Exif::Intel, 8).isEmpty());
        s.view.OnAutoRotate();
        QCOMPARE(s.prompts.last(), Summary(2, 0, 0, 0, 0));
        QCOMPARE(s.tasks.GetTaskCount(), 0);
        QVERIFY(!s.Item(0)->HasWork() && !s.Item(1)->HasWork());
    }

    void runAfterTheWorkerCountsUpright()
    {
        QTemporaryDir dir;
        QVERIFY(!WriteOriented(dir.path(), "a.jpg", TestJpeg::Exif::Intel, 6).isEmpty());
        QVERIFY(!WriteOriented(dir.path(), "b.jpg", TestJpeg::Exif::Motorola, 3).isEmpty());
        Scene s(true);
        s.document.GetConfig().Inplace = 1;
        s.view.LoadFolder(dir.path());
        s.view.OnAutoRotate();
        QCOMPARE(s.prompts.last(), Summary(2, 2, 0, 0, 0));
        QTRY_COMPARE_WITH_TIMEOUT(s.document.GetQueue().GetCount(), 0, kWorkerTimeoutMs);
        QCOMPARE(TestJpeg::ReadOrientationOfFile(dir.filePath("a.jpg")), 1);
        QCOMPARE(TestJpeg::ReadOrientationOfFile(dir.filePath("b.jpg")), 1);
        s.view.OnAutoRotate();
        QCOMPARE(s.prompts.last(), Summary(2, 0, 2, 0, 0));
    }
};

QTEST_MAIN(TestAutoRotate)
#include "tst_autorotate.moc"
