// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Compact thumbnails: what the browse hands out is small, draws as the decoded picture on its
// matte at the same place, turns without ever degrading, copies independently, and is drawn
// through a bounded cache that several threads may use at once.
#include "testjpeg.h"
#include "thumb/vyrthumbcache.h"
#include "thumb/vyrthumbdecode.h"
#include "vyrengine.h"
#include "vyrenginebitmap.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <thread>
#include <vector>

namespace {

constexpr QRgb kCanvas = 0xFF00FF00; // never a matte or picture colour below
constexpr QPoint kAt(3, 5);          // where the thumbnail is drawn on the canvas

// Draws in_bitmap as the image object does (whole, at its own size, at kAt) onto a canvas two
// pixels larger all round, so a picture or matte drawn out of place shows.
QImage Draw(const VYRBitmap &in_bitmap)
{
    QImage canvas(in_bitmap.Width() + kAt.x() + 2, in_bitmap.Height() + kAt.y() + 2,
                  QImage::Format_RGB32);
    canvas.fill(kCanvas);
    QPainter painter(&canvas);
    const QRect dest(kAt, QSize(in_bitmap.Width(), in_bitmap.Height()));
    if (VYRDefaultEngine().PaintBitmap(&painter, &in_bitmap, nullptr, nullptr, &dest, nullptr,
                                       VYR_SRCCOPY) != VYR_SUCCESS)
        return QImage();
    return canvas;
}

// The thumbnail's box as drawn; a null image when anything was drawn around it.
QImage BoxOf(const QImage &in_canvas, QSize in_box)
{
    const QRect box(kAt, in_box);
    for (int y = 0; y < in_canvas.height(); ++y) {
        for (int x = 0; x < in_canvas.width(); ++x) {
            if (!box.contains(x, y) && in_canvas.pixel(x, y) != kCanvas)
                return QImage();
        }
    }
    return in_canvas.copy(box);
}

int BrowseOne(const QString &in_dir, int in_box, uint32_t in_matte, VYRBitmap *out_pThumb)
{
    const auto keep = [](VYRBitmap *in_pThumb, const QString &, const VYRThumbFileInfo *,
                         int in_status, int, void *in_pUserData) {
        if (in_status == VYR_SUCCESS)
            VYRDefaultEngine().CopyBitmap(static_cast<VYRBitmap *>(in_pUserData), in_pThumb);
        return 1;
    };
    return VYRDefaultEngine().BrowseThumbnails(in_dir, "*.jpg", in_box, in_box, 24, 0, 1, 1,
                                               in_matte, 1, 1, 0, 0, 0, 0, 0, keep, out_pThumb);
}

std::shared_ptr<const VYRCompactThumb> MakeCompact(QSize in_picture, QSize in_box, quint32 in_seed)
{
    const QPoint at((in_box.width() - in_picture.width()) / 2,
                    (in_box.height() - in_picture.height()) / 2);
    return VYRCompressThumb(TestJpeg::MakeContent(in_picture.width(), in_picture.height(), in_seed),
                            in_box, at, qRgb(20, 30, 200));
}

} // namespace

class TestThumbCache : public QObject
{
    Q_OBJECT

private slots:
    void drawnAsDecodedOnMatte_data();
    void drawnAsDecodedOnMatte();
    void turnsNeverDegrade();
    void copiesAreIndependent();
    void otherPaintsMatchThePlainPicture_data();
    void otherPaintsMatchThePlainPicture();
    void cacheStaysWithinItsLimit();
    void drawnFromSeveralThreads();
};

void TestThumbCache::drawnAsDecodedOnMatte_data()
{
    QTest::addColumn<QSize>("photo");
    QTest::addColumn<int>("box");
    QTest::newRow("landscape") << QSize(400, 300) << 128;
    QTest::newRow("portrait, odd margins") << QSize(150, 301) << 64;
    QTest::newRow("smaller than the box") << QSize(21, 10) << 64;
    QTest::newRow("square, large box") << QSize(512, 512) << 256;
}

void TestThumbCache::drawnAsDecodedOnMatte()
{
    QFETCH(QSize, photo);
    QFETCH(int, box);
    QTemporaryDir dir;
    TestJpeg::Options o;
    o.width = photo.width();
    o.height = photo.height();
    const QString path = TestJpeg::Write(dir.path(), "a.jpg", o);
    QVERIFY(!path.isEmpty());
    VYRBitmap thumb;
    QCOMPARE(BrowseOne(dir.path(), box, 0x00336699u, &thumb), int(VYR_SUCCESS));

    // Held compactly: a fraction of the box of pixels it stands for.
    QVERIFY(thumb.m_compact && thumb.m_image.isNull());
    QVERIFY(thumb.m_compact->m_jpeg.size() < box * box); // a quarter of the RGB32 box
    QCOMPARE(QSize(thumb.Width(), thumb.Height()), QSize(box, box));

    QImage picture;
    VYRThumbFileInfo info;
    QCOMPARE(VYRDecodeFittedPicture(path, QSize(box, box), &picture, &info), int(VYR_SUCCESS));
    const QRect where(QPoint((box - picture.width()) / 2, (box - picture.height()) / 2),
                      picture.size());
    const QImage drawn = BoxOf(Draw(thumb), QSize(box, box));
    QVERIFY2(!drawn.isNull(), "drawn outside its box");

    const QRgb matte = qRgb(0x99, 0x66, 0x33);
    double squares = 0;
    for (int y = 0; y < box; ++y) {
        for (int x = 0; x < box; ++x) {
            const QRgb got = drawn.pixel(x, y);
            if (!where.contains(x, y)) {
                QCOMPARE(got, matte); // the matte exactly, picture never bleeding into it
                continue;
            }
            const QRgb want = picture.pixel(x - where.x(), y - where.y());
            for (int shift : {0, 8, 16}) {
                const int d = int((got >> shift) & 0xFF) - int((want >> shift) & 0xFF);
                QVERIFY2(std::abs(d) <= 48,
                         qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
                squares += d * d;
            }
        }
    }
    const double mse = squares / (3.0 * where.width() * where.height());
    QVERIFY2(10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9)) >= 30, "picture too lossy");
}

void TestThumbCache::turnsNeverDegrade()
{
    VYRBitmap thumb;
    thumb.m_compact = MakeCompact(QSize(50, 31), QSize(64, 64), 3);
    QVERIFY(thumb.m_compact);
    const QImage first = Draw(thumb);
    QVERIFY(!first.isNull());
    const QImage firstBox = first.copy(QRect(kAt, QSize(64, 64)));
    const VYREngineTable &engine = VYRDefaultEngine();

    // A turned thumbnail is the drawn one turned, exactly, and sits where it should.
    for (int angle : {90, 180, -90}) {
        VYRBitmap turned;
        QCOMPARE(engine.CopyBitmap(&turned, &thumb), int(VYR_SUCCESS));
        QCOMPARE(engine.RotateBitmap(&turned, angle * 100, 0, 0), int(VYR_SUCCESS));
        QCOMPARE(BoxOf(Draw(turned), QSize(64, 64)), TestJpeg::Rotate(firstBox, angle));
    }

    // Full circles, turn-backs and long runs of clicks give back exactly the first picture.
    const QList<QList<int>> runs = {
        {9000, 9000, 9000, 9000},
        {9000, -9000},
        {18000, 18000},
        {27000, 9000},
        {36000},
        {-36000},
        {9000, 9000, 27000, 18000, 9000, 9000, 27000, 18000, 27000, 27000}};
    for (const QList<int> &run : runs) {
        VYRBitmap turned;
        QCOMPARE(engine.CopyBitmap(&turned, &thumb), int(VYR_SUCCESS));
        for (int hundredths : run)
            QCOMPARE(engine.RotateBitmap(&turned, hundredths, 0, 0), int(VYR_SUCCESS));
        QCOMPARE(turned.m_quarterTurns, 0);
        QCOMPARE(Draw(turned), first);
    }
}

void TestThumbCache::copiesAreIndependent()
{
    const VYREngineTable &engine = VYRDefaultEngine();
    auto *original = new VYRBitmap;
    original->m_compact = MakeCompact(QSize(40, 64), QSize(64, 64), 5);
    const QImage before = Draw(*original);
    VYRBitmap copy;
    QCOMPARE(engine.CopyBitmap(&copy, original), int(VYR_SUCCESS));
    QCOMPARE(engine.RotateBitmap(&copy, 9000, 0, 0), int(VYR_SUCCESS));
    QCOMPARE(Draw(*original), before); // turning the copy left the original alone
    const QImage turned = Draw(copy);
    QCOMPARE(engine.FreeBitmap(original), int(VYR_SUCCESS));
    QVERIFY(original->IsEmpty());
    delete original;
    QCOMPARE(Draw(copy), turned); // the copy outlives the original

    // Copying a plain record over a compact one leaves nothing of the compact one behind.
    VYRBitmap plain;
    plain.m_image = TestJpeg::MakeContent(8, 4);
    QCOMPARE(engine.CopyBitmap(&copy, &plain), int(VYR_SUCCESS));
    QVERIFY(!copy.m_compact);
    QCOMPARE(QSize(copy.Width(), copy.Height()), QSize(8, 4));
}

void TestThumbCache::otherPaintsMatchThePlainPicture_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QRect>("source");
    QTest::addColumn<QRect>("dest");
    QTest::newRow("scaled up") << int(VYR_ORIENT_NORMAL) << QRect() << QRect(2, 2, 128, 64);
    QTest::newRow("part of it") << int(VYR_ORIENT_NORMAL) << QRect(10, 5, 30, 20)
                                << QRect(1, 1, 30, 20);
    QTest::newRow("orientation code 5")
        << int(VYR_ORIENT_ROTATE_90) << QRect() << QRect(0, 0, 32, 64);
    QTest::newRow("orientation code 2") << int(VYR_ORIENT_MIRROR) << QRect() << QRect(0, 0, 64, 32);
}

void TestThumbCache::otherPaintsMatchThePlainPicture()
{
    QFETCH(int, orientation);
    QFETCH(QRect, source);
    QFETCH(QRect, dest);
    VYRBitmap compact;
    compact.m_compact = MakeCompact(QSize(50, 20), QSize(64, 32), 9);
    compact.m_quarterTurns = 2;
    compact.m_orientation = orientation;
    const VYRBitmap plain = VYREnginePlainBitmap(compact);
    QVERIFY(!plain.m_compact && !plain.m_image.isNull());
    QCOMPARE(plain.m_orientation, orientation);

    QImage canvases[2];
    const VYRBitmap *bitmaps[2] = {&compact, &plain};
    for (int i = 0; i < 2; ++i) {
        canvases[i] = QImage(140, 80, QImage::Format_RGB32);
        canvases[i].fill(kCanvas);
        QPainter painter(&canvases[i]);
        QCOMPARE(VYRDefaultEngine().PaintBitmap(&painter, bitmaps[i],
                                                source.isNull() ? nullptr : &source, nullptr, &dest,
                                                nullptr, VYR_SRCCOPY),
                 int(VYR_SUCCESS));
    }
    QCOMPARE(canvases[0], canvases[1]);
}

void TestThumbCache::cacheStaysWithinItsLimit()
{
    const qint64 limit = VYRThumbCacheLimit();
    VYRThumbCacheClear();
    const qint64 picture = qint64(60) * 60 * 4;
    VYRThumbCacheSetLimit(10 * picture);
    QList<VYRBitmap> thumbs;
    QList<QImage> firstDraws;
    for (int i = 0; i < 40; ++i) {
        VYRBitmap thumb;
        thumb.m_compact = MakeCompact(QSize(60, 60), QSize(64, 64), quint32(i + 1));
        thumbs << thumb;
        firstDraws << Draw(thumb);
        QVERIFY(VYRThumbCacheCost() <= 10 * picture);
    }
    QVERIFY(VYRThumbCacheCost() > 0);
    // The first ones were dropped long ago: they are decoded again, the same as before.
    for (int i = 0; i < 3; ++i)
        QCOMPARE(Draw(thumbs[i]), firstDraws[i]);
    VYRThumbCacheSetLimit(limit);
}

void TestThumbCache::drawnFromSeveralThreads()
{
    // Each thread draws its own copies of the same thumbnails, turned differently, through a
    // cache small enough to drop and decode pictures all the time.
    const qint64 limit = VYRThumbCacheLimit();
    VYRThumbCacheSetLimit(qint64(6) * 64 * 64 * 4);
    std::vector<VYRBitmap> thumbs(12);
    std::vector<QImage> expected;
    for (size_t i = 0; i < thumbs.size(); ++i) {
        thumbs[i].m_compact = MakeCompact(QSize(64, 48), QSize(64, 64), quint32(100 + i));
        thumbs[i].m_quarterTurns = int(i % 4);
        expected.push_back(Draw(thumbs[i]));
    }

    int mismatches[2] = {0, 0};
    const auto work = [&](int in_thread) {
        for (int round = 0; round < 20; ++round) {
            for (size_t i = 0; i < thumbs.size(); ++i) {
                const size_t k = in_thread ? thumbs.size() - 1 - i : i;
                VYRBitmap mine;
                VYRDefaultEngine().CopyBitmap(&mine, &thumbs[k]);
                if (Draw(mine) != expected[k])
                    ++mismatches[in_thread];
            }
        }
    };
    std::thread other(work, 1);
    work(0);
    other.join();
    VYRThumbCacheSetLimit(limit);
    QCOMPARE(mismatches[0], 0);
    QCOMPARE(mismatches[1], 0);
}

QTEST_MAIN(TestThumbCache)
#include "tst_thumbcache.moc"
