// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The image object, the error records, thumbnail loading and file rotation of the imaging
// wrapper, partly against a replaced engine table that records what the wrapper asks for.
#include "heldbudget.h"
#include "qlimg.h"
#include "qltrace.h"
#include "testjpeg.h"

#include <QCloseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

namespace {

// What the replaced engine saw, and what it answers.
struct EngineLog
{
    int m_angle = -1;
    int32_t m_rotateParam = -1;
    QRect m_dest;
    int m_copyResult = VYR_SUCCESS;
    int m_rotateResult = VYR_SUCCESS;
    int m_paintResult = VYR_SUCCESS;
    int m_fileResult = VYR_SUCCESS;
    int m_fileCode = -1;
    QList<int> m_fileZeros;
    int m_frees = 0;
};
EngineLog g_log;

int LoggedCopy(VYRBitmap *out_pDest, const VYRBitmap *in_pSource)
{
    if (g_log.m_copyResult != VYR_SUCCESS)
        return g_log.m_copyResult;
    return VYRDefaultEngine().CopyBitmap(out_pDest, in_pSource);
}

int LoggedFree(VYRBitmap *inout_pBitmap)
{
    ++g_log.m_frees;
    return VYRDefaultEngine().FreeBitmap(inout_pBitmap);
}

int LoggedRotate(VYRBitmap *, int in_angle, uint32_t, int32_t in_param)
{
    g_log.m_angle = in_angle;
    g_log.m_rotateParam = in_param;
    return g_log.m_rotateResult;
}

int LoggedPaint(QPainter *, const VYRBitmap *, const QRect *, const QRect *, const QRect *in_pDest,
                const QRect *, uint32_t)
{
    g_log.m_dest = in_pDest ? *in_pDest : QRect();
    return g_log.m_paintResult;
}

int LoggedRotateFile(const QString &, const QString &, int in_code, int in_a, int in_b, int in_c,
                     const VYRRotateFinish *)
{
    g_log.m_fileCode = in_code;
    g_log.m_fileZeros = {in_a, in_b, in_c};
    return g_log.m_fileResult;
}

// Installs the logging table for one test and puts the real engine back afterwards.
class LoggedEngine
{
public:
    LoggedEngine()
    {
        g_log = EngineLog();
        VYREngineTable table = VYRDefaultEngine();
        table.CopyBitmap = &LoggedCopy;
        table.FreeBitmap = &LoggedFree;
        table.RotateBitmap = &LoggedRotate;
        table.PaintBitmap = &LoggedPaint;
        table.RotateFile = &LoggedRotateFile;
        VYRSetEngine(&table);
    }
    ~LoggedEngine() { VYRSetEngine(nullptr); }
};

VYRBitmap MakeBitmap(int in_width, int in_height, int in_orientation = VYR_ORIENT_NORMAL)
{
    VYRBitmap bitmap;
    bitmap.m_image = QImage(in_width, in_height, QImage::Format_RGB32);
    bitmap.m_image.fill(Qt::darkGreen);
    bitmap.m_orientation = in_orientation;
    return bitmap;
}

// Runs in_call, which must throw a QLImageException*, and checks the record.
template <typename Call> void ExpectEngineError(Call in_call, int in_code, const char *in_function)
{
    try {
        in_call();
        QFAIL("nothing was thrown");
    } catch (QLException *in_pErr) {
        std::unique_ptr<QLException> err(in_pErr);
        QVERIFY(dynamic_cast<QLImageException *>(in_pErr) != nullptr);
        QCOMPARE(err->code, in_code);
        QCOMPARE(QString::fromLatin1(err->message), QStringLiteral("LEAD Tools Error"));
        QCOMPARE(QString::fromLatin1(err->file), QStringLiteral("qlimg"));
        QCOMPARE(QString::fromLatin1(err->function), QString::fromLatin1(in_function));
    }
}

struct LoadState
{
    QStringList m_names;
    int m_stopAt = -1;              // answer false at this delivery (1-based)
    int m_throwAt = -1;             // throw a QLImageException at this delivery
    QWidget *m_pCloseAt1 = nullptr; // post a close event for this window at the first delivery
    bool m_quitAt1 = false;
    QSize m_size;
    bool m_stopAsked = false; // what the stop query answers
};

bool Arrived(QLImage *in_pImage, void *in_pUserData)
{
    auto *state = static_cast<LoadState *>(in_pUserData);
    state->m_names << in_pImage->GetFileName();
    state->m_size = in_pImage->GetDisplaySize();
    const int count = state->m_names.size();
    if (count == 1 && state->m_pCloseAt1)
        QCoreApplication::postEvent(state->m_pCloseAt1, new QCloseEvent);
    if (count == 1 && state->m_quitAt1)
        QCoreApplication::postEvent(qApp, new QEvent(QEvent::Quit));
    if (count == state->m_throwAt)
        throw new QLImageException(-3, "test", "test", "test");
    return count != state->m_stopAt;
}

} // namespace

class TestQLImg : public QObject
{
    Q_OBJECT

private slots:
    void errorRecords();
    void pathParts_data();
    void pathParts();
    void constructorsCopyDeep();
    void failingCopyThrowsAndLeavesNoObject();
    void rotateAngles_data();
    void rotateAngles();
    void rotateFailureThrows();
    void displayRectangle_data();
    void displayRectangle();
    void displayDenserBitmapPixelForPixel();
    void displayFailureThrows();
    void loadDeliversEveryThumbnail();
    void loadStopsWhenCallbackSaysSo();
    void loadGoesOnAfterThrowingCallback();
    void loadStopsOnWindowCloseOrQuit();
    void loadStopsAtOnceWhileAFileDecodes_data();
    void loadStopsAtOnceWhileAFileDecodes();
    void loadFailsForMissingFolder();
    void rotateFileCodes();
    void rotateFileInPlaceAndReadOnly();
};

void TestQLImg::errorRecords()
{
    const tagQL_ERRSTRUCT empty;
    QCOMPARE(empty.code, 0);
    QCOMPARE(empty.message[0] | empty.file[0] | empty.function[0], 0);
    const std::string longText(5000, 'x');
    const QLImageException cut(-5, longText.c_str(), longText.c_str(), nullptr);
    QCOMPARE(qstrlen(cut.message), 1023u);
    QCOMPARE(qstrlen(cut.file), 259u);
    QCOMPARE(qstrlen(cut.function), 0u);
}

void TestQLImg::pathParts_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("folder");
    QTest::newRow("backslashes") << "C:\\photos\\img.jpg"
                                 << "img.jpg"
                                 << "C:\\photos";
    QTest::newRow("slashes") << "C:/photos/img.jpg"
                             << "img.jpg"
                             << "C:/photos";
    QTest::newRow("mixed") << "/home/a\\b/img.jpg"
                           << "img.jpg"
                           << "/home/a\\b";
    QTest::newRow("no separator") << "img.jpg"
                                  << ""
                                  << "img.jpg";
    QTest::newRow("first position not taken") << "/img.jpg"
                                              << ""
                                              << "/img.jpg";
    QTest::newRow("trailing") << "/photos/"
                              << ""
                              << "/photos";
}

void TestQLImg::pathParts()
{
    QFETCH(QString, path);
    QFETCH(QString, file);
    QFETCH(QString, folder);
    QLImage image(path, MakeBitmap(2, 2));
    QCOMPARE(image.GetPathName(), path);
    QCOMPARE(image.GetFileName(), file);
    QCOMPARE(image.GetDirectory(), folder);
}

void TestQLImg::constructorsCopyDeep()
{
    VYRBitmap bitmap = MakeBitmap(6, 3);
    QLImage first(QStringLiteral("/p/a.jpg"), bitmap);
    bitmap.m_image.fill(Qt::red); // the caller's record stays the caller's
    QCOMPARE(first.GetBitmap().m_image.pixel(0, 0), QColor(Qt::darkGreen).rgb());
    first.SetRotateParam(7);
    QLImage second(first);
    QCOMPARE(second.GetPathName(), QStringLiteral("/p/a.jpg"));
    QCOMPARE(second.GetRotateParam(), 7);
    // Turning the copy leaves the original as it was. (The real engine ignores the parameter.)
    second.Rotate(90);
    QCOMPARE(second.GetDisplaySize(), QSize(3, 6));
    QCOMPARE(first.GetDisplaySize(), QSize(6, 3));
}

void TestQLImg::failingCopyThrowsAndLeavesNoObject()
{
    LoggedEngine engine;
    const VYRBitmap bitmap = MakeBitmap(4, 4);
    QLImage good(QStringLiteral("/p/a.jpg"), bitmap);
    g_log.m_copyResult = VYR_ERR_NO_MEMORY;
    ExpectEngineError([&] { QLImage image(QStringLiteral("/p/b.jpg"), bitmap); }, VYR_ERR_NO_MEMORY,
                      "QLImage::QLImage()");
    ExpectEngineError([&] { QLImage copy(good); }, VYR_ERR_NO_MEMORY, "QLImage::QLImage()");
    ExpectEngineError([&] { std::unique_ptr<QLImage> heap(new QLImage(good)); }, VYR_ERR_NO_MEMORY,
                      "QLImage::QLImage()");
    // No half-built object was destroyed: the engine never freed anything.
    QCOMPARE(g_log.m_frees, 0);
}

void TestQLImg::rotateAngles_data()
{
    QTest::addColumn<int>("angle");
    QTest::addColumn<int>("hundredths");
    QTest::addColumn<int>("assertions");
    QTest::newRow("90") << 90 << 9000 << 0;
    QTest::newRow("180") << 180 << 18000 << 0;
    QTest::newRow("-90") << -90 << 27000 << 0;
    QTest::newRow("45 is refused") << 45 << 0 << 1;
    QTest::newRow("270 is refused") << 270 << 0 << 1;
}

void TestQLImg::rotateAngles()
{
    QFETCH(int, angle);
    QFETCH(int, hundredths);
    QFETCH(int, assertions);
    LoggedEngine engine;
    QLImage image(QStringLiteral("/p/a.jpg"), MakeBitmap(4, 2));
    image.SetRotateParam(42);
    QLResetAssertions();
    image.Rotate(angle);
    QCOMPARE(g_log.m_angle, hundredths);
    QCOMPARE(g_log.m_rotateParam, 42);
    QCOMPARE(QLAssertFailureCount(), assertions);
}

void TestQLImg::rotateFailureThrows()
{
    LoggedEngine engine;
    QLImage image(QStringLiteral("/p/a.jpg"), MakeBitmap(4, 2));
    g_log.m_rotateResult = VYR_ERR_NO_MEMORY;
    ExpectEngineError([&] { image.Rotate(180); }, VYR_ERR_NO_MEMORY, "QLImage::Rotate()");
}

void TestQLImg::displayRectangle_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("bottom");
    QTest::newRow("1") << 1 << 170 << 140;
    QTest::newRow("5") << 5 << 130 << 180;
    QTest::newRow("6 keeps its size") << 6 << 170 << 140;
    QTest::newRow("8") << 8 << 130 << 180;
}

void TestQLImg::displayRectangle()
{
    QFETCH(int, orientation);
    QFETCH(int, right);
    QFETCH(int, bottom);
    {
        LoggedEngine engine;
        QLImage image(QStringLiteral("/p/a.jpg"), MakeBitmap(160, 120, orientation));
        image.Display(nullptr, 10, 20);
        // Half-open: right and bottom lie just outside.
        QCOMPARE(g_log.m_dest.left(), 10);
        QCOMPARE(g_log.m_dest.top(), 20);
        QCOMPARE(g_log.m_dest.left() + g_log.m_dest.width(), right);
        QCOMPARE(g_log.m_dest.top() + g_log.m_dest.height(), bottom);
    }
    // The real engine paints exactly there.
    QLImage image(QStringLiteral("/p/a.jpg"), MakeBitmap(160, 120, orientation));
    QImage canvas(200, 200, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    image.Display(&painter, 10, 20);
    painter.end();
    const QRgb green = QColor(Qt::darkGreen).rgb();
    QCOMPARE(canvas.pixel(10, 20), green);
    QCOMPARE(canvas.pixel(right - 1, bottom - 1), green);
    QCOMPARE(canvas.pixel(right, bottom - 1), qRgb(255, 255, 255));
    QCOMPARE(canvas.pixel(right - 1, bottom), qRgb(255, 255, 255));
    QCOMPARE(canvas.pixel(9, 20), qRgb(255, 255, 255));
}

// A thumbnail made for a 2x screen fills the logical box and lands on the screen's pixels one
// to one: its 1-pixel stripes survive, which any resampling would blur to grey.
void TestQLImg::displayDenserBitmapPixelForPixel()
{
    QImage stripes(40, 30, QImage::Format_RGB32);
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    VYRBitmap bitmap;
    bitmap.m_image = stripes;
    QLImage image(QStringLiteral("/p/a.jpg"), bitmap);
    image.SetPixelRatio(2.0);
    const QLImage copy(image);
    QCOMPARE(copy.GetPixelRatio(), 2.0);

    QImage screen(100, 100, QImage::Format_RGB32);
    screen.setDevicePixelRatio(2.0);
    screen.fill(qRgb(0, 128, 0));
    QPainter painter(&screen);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    image.Display(&painter, 5, 10); // logical: 20 x 15 at (5, 10); device: 40 x 30 at (10, 20)
    painter.end();
    for (int x = 0; x < 40; ++x)
        QCOMPARE(screen.pixel(10 + x, 35), stripes.pixel(x, 15));
    QCOMPARE(screen.pixel(9, 20), qRgb(0, 128, 0));
    QCOMPARE(screen.pixel(50, 20), qRgb(0, 128, 0));
    QCOMPARE(screen.pixel(10, 50), qRgb(0, 128, 0));
}

void TestQLImg::displayFailureThrows()
{
    QLImage image(QStringLiteral("/p/a.jpg"), MakeBitmap(4, 2));
    // A painter that is not painting is refused by the real engine.
    ExpectEngineError([&] { image.Display(nullptr, 0, 0); }, VYR_ERR_PAINT, "QLImage::Display()");
}

void TestQLImg::loadDeliversEveryThumbnail()
{
    QTemporaryDir dir;
    for (const char *name : {"IMG_10.JPG", "IMG_9.jpg", "bad.jpg"})
        QVERIFY(!TestJpeg::Write(dir.path(), name).isEmpty());
    TestJpeg::WriteEmpty(dir.path(), "bad.jpg");
    LoadState state;
    QCOMPARE(
        QLLoadThumbnails(nullptr, dir.path(), QSize(128, 128), "*.jpg", 0, false, &Arrived, &state),
        1);
    // The damaged file never reaches the callback.
    QCOMPARE(state.m_names, QStringList({"IMG_9.jpg", "IMG_10.JPG"}));
    QCOMPARE(state.m_size, QSize(128, 128));
    // A null callback: thumbnails are made and dropped.
    QCOMPARE(
        QLLoadThumbnails(nullptr, dir.path(), QSize(64, 64), "*.jpg", 0, false, nullptr, nullptr),
        1);
}

void TestQLImg::loadStopsWhenCallbackSaysSo()
{
    QTemporaryDir dir;
    for (int i = 1; i <= 6; ++i)
        QVERIFY(!TestJpeg::Write(dir.path(), QStringLiteral("%1.jpg").arg(i)).isEmpty());
    LoadState state;
    state.m_stopAt = 3;
    ExpectEngineError(
        [&] {
            QLLoadThumbnails(nullptr, dir.path(), QSize(64, 64), "*.jpg", 0, false, &Arrived,
                             &state);
        },
        VYR_ERR_BROWSE_STOPPED, "QLLoadThumbnails()");
    QCOMPARE(state.m_names, QStringList({"1.jpg", "2.jpg", "3.jpg"}));
}

void TestQLImg::loadGoesOnAfterThrowingCallback()
{
    QTemporaryDir dir;
    for (int i = 1; i <= 3; ++i)
        QVERIFY(!TestJpeg::Write(dir.path(), QStringLiteral("%1.jpg").arg(i)).isEmpty());
    LoadState state;
    state.m_throwAt = 2;
    QLResetAssertions();
    QCOMPARE(
        QLLoadThumbnails(nullptr, dir.path(), QSize(64, 64), "*.jpg", 0, false, &Arrived, &state),
        1);
    QCOMPARE(state.m_names.size(), 3);
    QCOMPARE(QLAssertFailureCount(), 1);
}

void TestQLImg::loadStopsOnWindowCloseOrQuit()
{
    QTemporaryDir dir;
    for (int i = 1; i <= 5; ++i)
        QVERIFY(!TestJpeg::Write(dir.path(), QStringLiteral("%1.jpg").arg(i)).isEmpty());
    QWidget window;
    window.show();
    LoadState closing;
    closing.m_pCloseAt1 = &window;
    ExpectEngineError(
        [&] {
            QLLoadThumbnails(&window, dir.path(), QSize(64, 64), "*.jpg", 0, false, &Arrived,
                             &closing);
        },
        VYR_ERR_BROWSE_STOPPED, "QLLoadThumbnails()");
    QCOMPARE(closing.m_names, QStringList({"1.jpg"}));

    // A close of some other window does not stop the load.
    QWidget other;
    LoadState unrelated;
    unrelated.m_pCloseAt1 = &other;
    QCOMPARE(QLLoadThumbnails(&window, dir.path(), QSize(64, 64), "*.jpg", 0, false, &Arrived,
                              &unrelated),
             1);
    QCOMPARE(unrelated.m_names.size(), 5);

    LoadState quitting;
    quitting.m_quitAt1 = true;
    ExpectEngineError(
        [&] {
            QLLoadThumbnails(&window, dir.path(), QSize(64, 64), "*.jpg", 0, false, &Arrived,
                             &quitting);
        },
        VYR_ERR_BROWSE_STOPPED, "QLLoadThumbnails()");
    QCOMPARE(quitting.m_names.size(), 1);
}

void TestQLImg::loadStopsAtOnceWhileAFileDecodes_data()
{
    QTest::addColumn<QString>("stop");
    QTest::newRow("window closed") << "close";
    QTest::newRow("application quits") << "quit";
    QTest::newRow("caller asks") << "query";
}

void TestQLImg::loadStopsAtOnceWhileAFileDecodes()
{
    // A load that waits for a file still serves events, and a close of the window, a quit or
    // the caller's stop request ends it there. The decode waits for memory the test holds, so
    // it cannot have ended: it is cancelled, and nothing is delivered.
    QFETCH(QString, stop);
    QTemporaryDir dir;
    QVERIFY(!TestJpeg::Write(dir.path(), "1.jpg").isEmpty());
    QWidget window;
    window.show();
    HeldBudget held;
    QVERIFY(held.IsHeld());
    // Should the stop go unseen, the load ends anyway and the test fails instead of hanging.
    QTimer::singleShot(60000, &window, [&] { held.Release(); });
    LoadState state;
    if (stop == "close")
        QCoreApplication::postEvent(&window, new QCloseEvent);
    else if (stop == "quit")
        QCoreApplication::postEvent(qApp, new QEvent(QEvent::Quit));
    else
        QTimer::singleShot(0, [&] { state.m_stopAsked = true; });
    const auto stopAsked = [](void *in_pState) {
        return static_cast<LoadState *>(in_pState)->m_stopAsked;
    };
    ExpectEngineError(
        [&] {
            QLLoadThumbnails(&window, dir.path(), QSize(64, 64), "*.jpg", 0, false, &Arrived,
                             &state, stopAsked);
        },
        VYR_ERR_BROWSE_STOPPED, "QLLoadThumbnails()");
    QVERIFY(state.m_names.isEmpty() && held.IsHeld());
}

void TestQLImg::loadFailsForMissingFolder()
{
    QTemporaryDir dir;
    ExpectEngineError(
        [&] {
            QLLoadThumbnails(nullptr, dir.filePath("nope"), QSize(64, 64), "*.jpg", 0, true,
                             &Arrived, nullptr);
        },
        VYR_ERR_FOLDER_NOT_FOUND, "QLLoadThumbnails()");
}

void TestQLImg::rotateFileCodes()
{
    LoggedEngine engine;
    for (int code : {12, 4, 8}) {
        QLRotateFile(QStringLiteral("/a.jpg"), QStringLiteral("/b.jpg"), code);
        QCOMPARE(g_log.m_fileCode, code);
        QCOMPARE(g_log.m_fileZeros, QList<int>({0, 0, 0}));
    }
    g_log.m_fileResult = VYR_ERR_READ_ONLY;
    ExpectEngineError([] { QLRotateFile(QStringLiteral("/a.jpg"), QStringLiteral("/b.jpg"), 4); },
                      VYR_ERR_READ_ONLY, "QLRotateFile()");
}

void TestQLImg::rotateFileInPlaceAndReadOnly()
{
    QTemporaryDir dir;
    TestJpeg::Options o;
    o.width = 48;
    o.height = 32;
    o.exif = TestJpeg::Exif::Intel;
    o.orientation = 6;
    const QString path = TestJpeg::Write(dir.path(), "a.jpg", o);
    QLRotateFile(path, path, 4);
    QCOMPARE(TestJpeg::Decode(path).size(), QSize(32, 48));
    // The Orientation is set with the turn, not left to a later step.
    QCOMPARE(TestJpeg::ReadOrientationOfFile(path), 1);

    const QByteArray before = TestJpeg::ReadAll(path);
    QCOMPARE(chmod(QFile::encodeName(path).constData(), 0444), 0);
    ExpectEngineError([&] { QLRotateFile(path, path, 12); }, VYR_ERR_READ_ONLY, "QLRotateFile()");
    QCOMPARE(TestJpeg::ReadAll(path), before);
}

QTEST_MAIN(TestQLImg)
#include "tst_qlimg.moc"
