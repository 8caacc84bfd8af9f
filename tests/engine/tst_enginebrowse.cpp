// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The engine's thumbnail browse and its bitmap operations: walk order, filter, hidden
// entries and link loops, scaled decoding and fitting, failures per file, stopping.
#include "file/vyrfolderwalk.h"
#include "heldbudget.h"
#include "jpeg/vyrjpegscan.h"
#include "testjpeg.h"
#include "thumb/vyrthumbdecode.h"
#include "unreachabletree.h"
#include "vyrengine.h"
#include "vyrenginebitmap.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <functional>
#include <stdexcept>
#include <sys/stat.h>

namespace {

struct Delivery
{
    QString m_name; // path relative to the browsed folder
    int m_status = 0;
    QImage m_thumb;
    int m_index = -1;
    bool m_onCallerThread = false;
};

struct Recorder
{
    QString m_root;
    QList<Delivery> m_deliveries;
    int m_stopAfter = -1;    // answer 0 for the delivery with this count
    QList<int> m_waits;      // the file index of each call while the browse waits
    bool m_waitsBare = true; // those calls came without record and information
    std::function<int(int in_waits)> m_onWait;
};

int Record(VYRBitmap *in_pThumb, const QString &in_path, const VYRThumbFileInfo *in_pInfo,
           int in_status, int in_index, void *in_pUserData)
{
    auto *recorder = static_cast<Recorder *>(in_pUserData);
    if (in_status == VYR_BROWSE_WAITING) {
        recorder->m_waits << in_index;
        recorder->m_waitsBare = recorder->m_waitsBare && !in_pThumb && !in_pInfo;
        return recorder->m_onWait ? recorder->m_onWait(int(recorder->m_waits.size())) : 1;
    }
    Delivery d;
    d.m_name = QDir(recorder->m_root).relativeFilePath(in_path);
    d.m_status = in_status;
    d.m_thumb = in_pThumb ? VYREngineDisplayImage(*in_pThumb) : QImage();
    d.m_index = in_index;
    d.m_onCallerThread = QThread::currentThread() == qApp->thread();
    recorder->m_deliveries << d;
    return recorder->m_deliveries.size() == recorder->m_stopAfter ? 0 : 1;
}

int Browse(Recorder *inout_pRecorder, const QString &in_filter, bool in_subfolders, int in_box = 64,
           uint32_t in_matte = 0)
{
    return VYRDefaultEngine().BrowseThumbnails(
        inout_pRecorder->m_root, in_filter, in_box, in_box, 24, 0, 1, 1, in_matte, 1, 1, 0,
        in_subfolders ? 1 : 0, 0, 0, 0, &Record, inout_pRecorder);
}

// Threads of this process right now (Linux).
// A joined thread may still be listed for a moment, so callers wait for the count to fall
// back; one that ended just before it was first counted makes the count lower, never higher.
int ThreadCount()
{
    return QDir(QStringLiteral("/proc/self/task"))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
        .size();
}

QStringList Names(const Recorder &in_recorder)
{
    QStringList names;
    for (const Delivery &d : in_recorder.m_deliveries)
        names << d.m_name;
    return names;
}

} // namespace

class TestEngineBrowse : public QObject
{
    Q_OBJECT

private slots:
    void naturalCompare_data();
    void naturalCompare();
    void walkOrderFilterAndHidden();
    void linkLoopsVisitedOnce();
    void scaleChoice_data();
    void scaleChoice();
    void thumbnailFitsBoxOnMatte();
    void undecodableFilesReportedWalkGoesOn();
    void entriesThatAreNoPlainFileNeverStall();
    void unreachableEntriesDeliveredInPlace();
    void fakedHugeProgressiveRefused();
    void stopAfterThirdFile();
    void waitsCallBackAndStopAtOnce();
    void badArguments();
    void bitmapQuarterTurnsExact();
    void paintPlacesDisplayedPicture();
};

void TestEngineBrowse::naturalCompare_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("order"); // sign of compare(a, b)
    QTest::newRow("number value") << "IMG_2.jpg"
                                  << "IMG_10.jpg" << -1;
    QTest::newRow("case ignored") << "img_3.JPG"
                                  << "IMG_20.jpg" << -1;
    QTest::newRow("letters") << "apple.jpg"
                             << "Banana.jpg" << -1;
    QTest::newRow("prefix shorter first") << "IMG.jpg"
                                          << "IMG_1.jpg" << -1;
    QTest::newRow("long runs") << "a99999999999999999999.jpg"
                               << "a100000000000000000000.jpg" << -1;
    QTest::newRow("leading zeros tie") << "a01.jpg"
                                       << "a1.jpg" << 1;
    QTest::newRow("equal") << "same.jpg"
                           << "same.jpg" << 0;
    QTest::newRow("case only, fixed order") << "A.jpg"
                                            << "a.jpg" << -1;
}

void TestEngineBrowse::naturalCompare()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, order);
    const int forward = VYRNaturalCompare(a, b);
    const int backward = VYRNaturalCompare(b, a);
    QCOMPARE((forward > 0) - (forward < 0), order);
    QCOMPARE((backward > 0) - (backward < 0), -order);
}

void TestEngineBrowse::walkOrderFilterAndHidden()
{
    QTemporaryDir dir;
    QDir root(dir.path());
    for (const char *folder : {"b", "a10", "a2", "a2/inner", ".cache"})
        QVERIFY(root.mkpath(folder));
    QVERIFY(!TestJpeg::WriteBytes(dir.path(), "notes.txt", "not a picture").isEmpty());
    for (const char *name : {"IMG_10.JPG", "img_2.jpg", "IMG_1.jpeg", ".hidden.jpg", "b/x.jpg",
                             "a10/y.jpg", "a2/z.jpg", "a2/inner/w.JPG", ".cache/c.jpg", "pic.png"})
        QVERIFY(!TestJpeg::Write(dir.path(), name).isEmpty());

    Recorder all;
    all.m_root = dir.path();
    QCOMPARE(Browse(&all, "*.jpg", true), int(VYR_SUCCESS));
    QCOMPARE(Names(all), QStringList({"img_2.jpg", "IMG_10.JPG", "a2/z.jpg", "a2/inner/w.JPG",
                                      "a10/y.jpg", "b/x.jpg"}));
    for (int i = 0; i < all.m_deliveries.size(); ++i) {
        QCOMPARE(all.m_deliveries[i].m_index, i);
        QVERIFY(all.m_deliveries[i].m_onCallerThread);
        QCOMPARE(all.m_deliveries[i].m_status, int(VYR_SUCCESS));
    }

    Recorder top;
    top.m_root = dir.path();
    QCOMPARE(Browse(&top, " *.jpeg ; *.JPG;*.png", false), int(VYR_SUCCESS));
    QCOMPARE(Names(top), QStringList({"IMG_1.jpeg", "img_2.jpg", "IMG_10.JPG", "pic.png"}));

    Recorder everything;
    everything.m_root = dir.path();
    QCOMPARE(Browse(&everything, QString(), false), int(VYR_SUCCESS));
    QCOMPARE(everything.m_deliveries.size(), 5); // notes.txt too, as a file that is no picture
    QCOMPARE(everything.m_deliveries.last().m_name, QStringLiteral("pic.png"));
    QVERIFY(everything.m_deliveries[3].m_status != VYR_SUCCESS);
}

void TestEngineBrowse::linkLoopsVisitedOnce()
{
    QTemporaryDir dir;
    QDir root(dir.path());
    QVERIFY(root.mkpath("sub"));
    QVERIFY(!TestJpeg::Write(dir.filePath("sub"), "a.jpg").isEmpty());
    QVERIFY(QFile::link(dir.path(), dir.filePath("sub/up")));
    QVERIFY(QFile::link(dir.filePath("sub"), dir.filePath("again")));

    Recorder recorder;
    recorder.m_root = dir.path();
    QCOMPARE(Browse(&recorder, "*.jpg", true), int(VYR_SUCCESS));
    QCOMPARE(recorder.m_deliveries.size(), 1);
}

void TestEngineBrowse::scaleChoice_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("box");
    QTest::addColumn<int>("num");
    QTest::addColumn<int>("denom");
    QTest::newRow("12 MP into 128") << QSize(4000, 3000) << 128 << 1 << 8;
    QTest::newRow("12 MP into 256") << QSize(4000, 3000) << 256 << 1 << 8;
    QTest::newRow("1000 into 256") << QSize(1000, 750) << 256 << 3 << 8;
    QTest::newRow("600 into 128") << QSize(600, 450) << 128 << 1 << 4;
    QTest::newRow("portrait") << QSize(450, 600) << 128 << 1 << 4;
    QTest::newRow("small stays whole") << QSize(100, 59) << 128 << 1 << 1;
}

void TestEngineBrowse::scaleChoice()
{
    QFETCH(QSize, picture);
    QFETCH(int, box);
    QFETCH(int, num);
    QFETCH(int, denom);
    int gotNum = 0, gotDenom = 0;
    VYRChooseJpegScale(picture.width(), picture.height(), QSize(box, box), &gotNum, &gotDenom);
    QCOMPARE(gotNum * denom, num * gotDenom);
}

void TestEngineBrowse::thumbnailFitsBoxOnMatte()
{
    QTemporaryDir dir;
    TestJpeg::Options wide;
    wide.width = 400;
    wide.height = 200;
    wide.content = QImage(400, 200, QImage::Format_RGB32);
    wide.content.fill(Qt::white);
    QVERIFY(!TestJpeg::Write(dir.path(), "1wide.jpg", wide).isEmpty());
    TestJpeg::Options small;
    small.width = 20;
    small.height = 10;
    small.content = QImage(20, 10, QImage::Format_RGB32);
    small.content.fill(Qt::white);
    QVERIFY(!TestJpeg::Write(dir.path(), "2small.jpg", small).isEmpty());

    Recorder recorder;
    recorder.m_root = dir.path();
    // The matte is a COLORREF: red in the low byte.
    QCOMPARE(Browse(&recorder, "*.jpg", false, 64, 0x000000FFu), int(VYR_SUCCESS));
    QCOMPARE(recorder.m_deliveries.size(), 2);
    const QRgb red = qRgb(255, 0, 0);

    const QImage w = recorder.m_deliveries[0].m_thumb;
    QCOMPARE(w.size(), QSize(64, 64));
    QCOMPARE(w.format(), QImage::Format_RGB32);
    QCOMPARE(w.pixel(32, 5), red);  // above the 64x32 picture
    QCOMPARE(w.pixel(32, 60), red); // below it
    QVERIFY(qGray(w.pixel(0, 20)) > 240 && qGray(w.pixel(63, 43)) > 240);

    // A picture smaller than the box is centred, not enlarged.
    const QImage s = recorder.m_deliveries[1].m_thumb;
    QCOMPARE(s.size(), QSize(64, 64));
    QCOMPARE(s.pixel(21, 31), red);
    QVERIFY(qGray(s.pixel(22, 27)) > 240 && qGray(s.pixel(41, 36)) > 240);
    QCOMPARE(s.pixel(42, 31), red);
    QCOMPARE(s.pixel(31, 26), red);
    QCOMPARE(s.pixel(31, 37), red);
}

void TestEngineBrowse::undecodableFilesReportedWalkGoesOn()
{
    QTemporaryDir dir;
    QVERIFY(!TestJpeg::Write(dir.path(), "a.jpg").isEmpty());
    TestJpeg::WriteEmpty(dir.path(), "b.jpg");
    TestJpeg::WriteRandom(dir.path(), "c.jpg", 3000, 3, true);
    TestJpeg::WriteRandom(dir.path(), "d.jpg", 3000, 4, false);
    TestJpeg::Options cut;
    cut.truncateAt = 400;
    TestJpeg::Write(dir.path(), "e.jpg", cut);
    QVERIFY(!TestJpeg::Write(dir.path(), "f.jpg").isEmpty());

    Recorder recorder;
    recorder.m_root = dir.path();
    QCOMPARE(Browse(&recorder, "*.jpg", false), int(VYR_SUCCESS));
    QCOMPARE(Names(recorder), QStringList({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg"}));
    QCOMPARE(recorder.m_deliveries[0].m_status, int(VYR_SUCCESS));
    for (int i = 1; i <= 3; ++i) {
        QVERIFY(recorder.m_deliveries[i].m_status != VYR_SUCCESS);
        QVERIFY(recorder.m_deliveries[i].m_thumb.isNull());
    }
    // Data that breaks off still shows what there is.
    QCOMPARE(recorder.m_deliveries[4].m_status == VYR_SUCCESS,
             !recorder.m_deliveries[4].m_thumb.isNull());
    QCOMPARE(recorder.m_deliveries[5].m_status, int(VYR_SUCCESS));
}

void TestEngineBrowse::entriesThatAreNoPlainFileNeverStall()
{
    // A matching name may lead to a FIFO (opening it waits for a writer), to an endless
    // device, or to a huge sparse file: each is reported, and the walk goes on.
    QTemporaryDir dir;
    QVERIFY(!TestJpeg::Write(dir.path(), "a.jpg").isEmpty());
    const QByteArray fifo = QFile::encodeName(dir.filePath(".pipe"));
    QCOMPARE(mkfifo(fifo.constData(), 0644), 0);
    QVERIFY(QFile::link(".pipe", dir.filePath("b.jpg")));
    QVERIFY(QFile::link("/dev/zero", dir.filePath("c.jpg")));
    QFile huge(dir.filePath("d.jpg"));
    QVERIFY(huge.open(QIODevice::WriteOnly));
    const bool sparse = huge.resize((qint64(1) << 30) + 1);
    huge.close();
    QVERIFY(!TestJpeg::Write(dir.path(), "e.jpg").isEmpty());

    Recorder recorder;
    recorder.m_root = dir.path();
    QCOMPARE(Browse(&recorder, "*.jpg", false), int(VYR_SUCCESS));
    QCOMPARE(Names(recorder), QStringList({"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}));
    QCOMPARE(recorder.m_deliveries[0].m_status, int(VYR_SUCCESS));
    QVERIFY(recorder.m_deliveries[1].m_status != VYR_SUCCESS);
    QVERIFY(recorder.m_deliveries[2].m_status != VYR_SUCCESS);
    if (sparse)
        QCOMPARE(recorder.m_deliveries[3].m_status, int(VYR_ERR_NO_MEMORY));
    QCOMPARE(recorder.m_deliveries[4].m_status, int(VYR_SUCCESS));
}

void TestEngineBrowse::unreachableEntriesDeliveredInPlace()
{
    QTemporaryDir dir;
    UnreachableTree::Tree tree;
    QVERIFY(UnreachableTree::Make(dir.path(), &tree));
    Recorder recorder;
    recorder.m_root = dir.path();
    // Root reads every folder, the locked one too (this suite also runs under the thread
    // checker, so it keeps its privileges; the scan's test drops them).
    const bool root = ::geteuid() == 0;
    QCOMPARE(Browse(&recorder, "*.jpg", true), int(VYR_SUCCESS));
    UnreachableTree::Remove(dir.path());

    // In walk order, each in its place: files of a folder, then its subfolders.
    QCOMPARE(Names(recorder),
             QStringList({UnreachableTree::kBadNameShown, "empty.jpg", "good.jpg", "text.jpg",
                          QDir(dir.path()).relativeFilePath(tree.m_reachable),
                          QDir(dir.path()).relativeFilePath(tree.m_tooLong),
                          root ? QString(UnreachableTree::kLocked) + "/hidden.jpg"
                               : QString(UnreachableTree::kLocked)}));
    const QList<int> expected = {VYR_ERR_UNREACHABLE,
                                 VYR_ERR_FILE_FORMAT,
                                 VYR_SUCCESS,
                                 VYR_ERR_FILE_FORMAT,
                                 VYR_SUCCESS,
                                 VYR_ERR_PATH_TOO_LONG,
                                 root ? VYR_SUCCESS : VYR_ERR_FILE_READ};
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(recorder.m_deliveries[i].m_status, expected[i]);
        QCOMPARE(recorder.m_deliveries[i].m_index, i);
    }
    // The photo one byte below the limit is a whole thumbnail, never a cut path.
    QVERIFY(!recorder.m_deliveries[4].m_thumb.isNull());

    QCOMPARE(VYREscapedName(QByteArray("a\xC3\xA9\xFF\xC3\n\xEF\xBF\xBD.jpg")),
             QString::fromUtf8("a\u00E9\\xFF\\xC3\\x0A\uFFFD.jpg"));
}

void TestEngineBrowse::fakedHugeProgressiveRefused()
{
    // A progressive file is decoded from all its coefficients at once: a few hundred bytes
    // claiming 60000x60000 pixels would have the decoder fill gigabytes for one thumbnail.
    // Its data cannot describe that many blocks.
    TestJpeg::Options o;
    o.width = 64;
    o.height = 64;
    o.progressive = true;
    QByteArray bytes = TestJpeg::Build(o);
    const int sof = bytes.indexOf("\xFF\xC2");
    QVERIFY(sof > 0);
    bytes.replace(sof + 5, 4, QByteArray("\xEA\x60\xEA\x60", 4));
    QTemporaryDir dir;
    QVERIFY(!TestJpeg::WriteBytes(dir.path(), "bomb.jpg", bytes).isEmpty());
    const QString sane = TestJpeg::Write(dir.path(), "sane.jpg", o);
    Recorder recorder;
    recorder.m_root = dir.path();
    QCOMPARE(Browse(&recorder, "*.jpg", false), int(VYR_SUCCESS));
    QCOMPARE(Names(recorder), QStringList({"bomb.jpg", "sane.jpg"}));
    QCOMPARE(recorder.m_deliveries[0].m_status, int(VYR_ERR_FILE_DAMAGED));
    QCOMPARE(recorder.m_deliveries[1].m_status, int(VYR_SUCCESS));

    // A sequential frame whose first scan carries one of three components is buffered whole
    // too; one that interleaves all three is not.
    const auto header = [](int in_scanComponents) {
        QByteArray h("\xFF\xD8", 2);
        h += QByteArray("\xFF\xC0\x00\x11\x08\x01\x00\x01\x00\x03", 10);
        h += QByteArray(9, '\x11');
        h += QByteArray("\xFF\xDA\x00", 3) + char(6 + 2 * in_scanComponents) +
             char(in_scanComponents) + QByteArray(2 * in_scanComponents + 3, '\0');
        return h;
    };
    for (int scan : {1, 3}) {
        const QByteArray h = header(scan);
        QCOMPARE(VYRJpegBuffersWholeImage(reinterpret_cast<const uint8_t *>(h.constData()),
                                          size_t(h.size())),
                 scan == 1);
    }
}

void TestEngineBrowse::stopAfterThirdFile()
{
    QTemporaryDir dir;
    for (int i = 1; i <= 12; ++i)
        QVERIFY(!TestJpeg::Write(dir.path(), QStringLiteral("p%1.jpg").arg(i)).isEmpty());
    Recorder recorder;
    recorder.m_root = dir.path();
    recorder.m_stopAfter = 3;
    QCOMPARE(Browse(&recorder, "*.jpg", false), int(VYR_ERR_BROWSE_STOPPED));
    QCOMPARE(Names(recorder), QStringList({"p1.jpg", "p2.jpg", "p3.jpg"}));

    // Without a callback the walk runs to its end.
    QCOMPARE(VYRDefaultEngine().BrowseThumbnails(dir.path(), "*.jpg", 64, 64, 24, 0, 1, 1, 0, 1, 1,
                                                 0, 0, 0, 0, 0, nullptr, nullptr),
             int(VYR_SUCCESS));

    // An exception from the callback passes through; the decoding threads are gone either way.
    const int threadsBefore = ThreadCount();
    const auto throwing = [](VYRBitmap *, const QString &, const VYRThumbFileInfo *, int, int,
                             void *) -> int { throw std::runtime_error("callback failed"); };
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, VYRDefaultEngine().BrowseThumbnails(
                                                     dir.path(), "*.jpg", 64, 64, 24, 0, 1, 1, 0, 1,
                                                     1, 0, 0, 0, 0, 0, throwing, nullptr));
    QTRY_VERIFY(ThreadCount() <= threadsBefore);
}

void TestEngineBrowse::waitsCallBackAndStopAtOnce()
{
    // While another holds all the memory the decoders share, each decode waits for it: the
    // browse calls back meanwhile, and a stop there cancels the waiting decodes (which could
    // not have ended) instead of waiting for them.
    QTemporaryDir dir;
    for (int i = 1; i <= 3; ++i)
        QVERIFY(!TestJpeg::Write(dir.path(), QStringLiteral("p%1.jpg").arg(i)).isEmpty());
    HeldBudget held;
    QVERIFY(held.IsHeld());
    const int threadsBefore = ThreadCount();
    Recorder stopped;
    stopped.m_root = dir.path();
    stopped.m_onWait = [](int in_waits) { return in_waits == 2 ? 0 : 1; };
    QCOMPARE(Browse(&stopped, "*.jpg", false), int(VYR_ERR_BROWSE_STOPPED));
    QCOMPARE(stopped.m_waits, QList<int>({0, 0}));
    QVERIFY(stopped.m_waitsBare && stopped.m_deliveries.isEmpty() && held.IsHeld());
    QTRY_VERIFY(ThreadCount() <= threadsBefore);

    // Memory given back: the waiting decodes go on, and deliveries keep their order.
    Recorder resumed;
    resumed.m_root = dir.path();
    resumed.m_onWait = [&](int) {
        held.Release();
        return 1;
    };
    QCOMPARE(Browse(&resumed, "*.jpg", false), int(VYR_SUCCESS));
    QCOMPARE(Names(resumed), QStringList({"p1.jpg", "p2.jpg", "p3.jpg"}));
    QCOMPARE(resumed.m_waits.value(0), 0);
    QCOMPARE(VYRJpegGuard::FreeBudgetBytes(), VYRJpegGuard::kSharedBudgetBytes);
}

void TestEngineBrowse::badArguments()
{
    QTemporaryDir dir;
    Recorder recorder;
    recorder.m_root = dir.filePath("missing");
    QCOMPARE(Browse(&recorder, "*.jpg", true), int(VYR_ERR_FOLDER_NOT_FOUND));
    recorder.m_root = TestJpeg::Write(dir.path(), "file.jpg");
    QCOMPARE(Browse(&recorder, "*.jpg", true), int(VYR_ERR_FOLDER_NOT_FOUND));
    recorder.m_root = dir.path();
    QCOMPARE(Browse(&recorder, "*.jpg", true, 0), int(VYR_ERR_INVALID_PARAMETER));
    QVERIFY(recorder.m_deliveries.isEmpty());
}

void TestEngineBrowse::bitmapQuarterTurnsExact()
{
    const VYREngineTable &engine = VYRDefaultEngine();
    VYRBitmap bitmap;
    bitmap.m_image = TestJpeg::MakeContent(7, 4);
    const QImage original = bitmap.m_image.convertToFormat(QImage::Format_RGB32);
    for (int hundredths : {9000, 18000, 27000}) {
        VYRBitmap turned;
        QCOMPARE(engine.CopyBitmap(&turned, &bitmap), int(VYR_SUCCESS));
        QCOMPARE(engine.RotateBitmap(&turned, hundredths, 0, 0), int(VYR_SUCCESS));
        QCOMPARE(turned.m_image.convertToFormat(QImage::Format_RGB32),
                 TestJpeg::Rotate(original, hundredths / 100));
    }
    // The copy is the destination's own: turning it leaves the source alone.
    QCOMPARE(bitmap.m_image.convertToFormat(QImage::Format_RGB32), original);
    QCOMPARE(engine.RotateBitmap(&bitmap, 4500, 0, 0), int(VYR_ERR_INVALID_PARAMETER));
    QCOMPARE(engine.FreeBitmap(&bitmap), int(VYR_SUCCESS));
    QVERIFY(bitmap.m_image.isNull());
    VYRBitmap empty;
    QCOMPARE(engine.CopyBitmap(&bitmap, &empty), int(VYR_ERR_EMPTY_BITMAP));
}

void TestEngineBrowse::paintPlacesDisplayedPicture()
{
    const VYREngineTable &engine = VYRDefaultEngine();
    VYRBitmap bitmap;
    bitmap.m_image = QImage(4, 2, QImage::Format_RGB32);
    bitmap.m_image.fill(Qt::blue);
    bitmap.m_image.setPixel(0, 0, qRgb(255, 0, 0)); // top-left marker
    QImage canvas(20, 20, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        const QRect dest(10, 5, 4, 2);
        QCOMPARE(
            engine.PaintBitmap(&painter, &bitmap, nullptr, nullptr, &dest, nullptr, VYR_SRCCOPY),
            int(VYR_SUCCESS));
        // Code 5: stored rows are shown turned a quarter clockwise, 2 wide and 4 high.
        bitmap.m_orientation = VYR_ORIENT_ROTATE_90;
        const QRect turned(1, 1, 2, 4);
        QCOMPARE(
            engine.PaintBitmap(&painter, &bitmap, nullptr, nullptr, &turned, nullptr, VYR_SRCCOPY),
            int(VYR_SUCCESS));
        QCOMPARE(
            engine.PaintBitmap(&painter, &bitmap, nullptr, nullptr, &dest, nullptr, 0x00EE0086u),
            int(VYR_ERR_INVALID_PARAMETER));
    }
    QCOMPARE(canvas.pixel(10, 5), qRgb(255, 0, 0));
    QCOMPARE(canvas.pixel(13, 6), qRgb(0, 0, 255));
    QCOMPARE(canvas.pixel(14, 6), qRgb(255, 255, 255));
    QCOMPARE(canvas.pixel(2, 1), qRgb(255, 0, 0)); // top-left went to the top-right
    QCOMPARE(canvas.pixel(1, 4), qRgb(0, 0, 255));
    QCOMPARE(canvas.pixel(3, 1), qRgb(255, 255, 255));
    QCOMPARE(engine.PaintBitmap(nullptr, &bitmap, nullptr, nullptr, nullptr, nullptr, VYR_SRCCOPY),
             int(VYR_ERR_PAINT));
}

QTEST_MAIN(TestEngineBrowse)
#include "tst_enginebrowse.moc"
