// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The guarded reader's shared memory budget and cancel flag, across threads.
#include "testjpeg_codec.h"
#include "vyrjpegguard.h"

#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

class TestJpegGuard : public QObject
{
    Q_OBJECT

private slots:
    void decodesPixelsLikeLibjpeg();
    void guardStopsWhenTold();
};

void TestJpegGuard::decodesPixelsLikeLibjpeg()
{
    // A progressive picture is decoded from coefficients the guard holds for the whole image,
    // read back ahead of the decoder as it smooths blocks: every pixel must be libjpeg's.
    TestJpegCodec::Options o;
    o.width = 203;
    o.height = 117;
    o.progressive = true;
    const QByteArray jpeg = TestJpegCodec::Encode(o);
    VYRJpegGuard guard;
    QCOMPARE(
        guard.ReadHeader(reinterpret_cast<const uint8_t *>(jpeg.constData()), size_t(jpeg.size())),
        int(VYR_SUCCESS));
    QCOMPARE(guard.Reserve(guard.CoefficientBytes()), int(VYR_SUCCESS));
    jpeg_decompress_struct *info = guard.Info();
    info->out_color_space = JCS_RGB;
    QImage image(o.width, o.height, QImage::Format_RGB32);
    std::vector<JSAMPLE> row(size_t(o.width) * 3);
    const int rc = guard.Run([&](j_decompress_ptr in_pInfo) {
        jpeg_start_decompress(in_pInfo);
        while (in_pInfo->output_scanline < in_pInfo->output_height) {
            JSAMPROW rows[1] = {row.data()};
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(int(in_pInfo->output_scanline)));
            jpeg_read_scanlines(in_pInfo, rows, 1);
            for (int x = 0; x < o.width; ++x)
                line[x] = qRgb(row[size_t(x) * 3], row[size_t(x) * 3 + 1], row[size_t(x) * 3 + 2]);
        }
        jpeg_finish_decompress(in_pInfo);
    });
    QCOMPARE(rc, int(VYR_SUCCESS));
    QCOMPARE(image, TestJpegCodec::Decode(jpeg));
}

void TestJpegGuard::guardStopsWhenTold()
{
    const qint64 budget = VYRJpegGuard::kSharedBudgetBytes;
    QCOMPARE(VYRJpegGuard::FreeBudgetBytes(), budget);
    {
        // More than the whole budget can never be had.
        VYRJpegGuard greedy;
        QCOMPARE(greedy.Reserve(budget), int(VYR_ERR_TOO_COSTLY));
    }
    {
        auto holder = std::make_unique<VYRJpegGuard>();
        QCOMPARE(holder->Reserve(budget * 3 / 4), int(VYR_SUCCESS));
        // A second large reservation waits for the first; a cancelled one stops waiting.
        std::atomic<bool> cancel{true};
        VYRJpegGuard cancelled(&cancel);
        QCOMPARE(cancelled.Reserve(budget / 2), int(VYR_ERR_CANCELLED));

        std::atomic<int> waited{0};
        std::atomic<bool> started{false};
        std::thread waiter([&] {
            VYRJpegGuard second;
            started = true;
            waited = second.Reserve(budget / 2);
        });
        QTRY_VERIFY(started.load());
        QCOMPARE(waited.load(), 0);
        holder.reset();
        waiter.join();
        QCOMPARE(waited.load(), int(VYR_SUCCESS));
    }
    QCOMPARE(VYRJpegGuard::FreeBudgetBytes(), budget);

    // A cancel flag stops the decode itself between rows.
    const QByteArray jpeg = TestJpegCodec::Encode(TestJpegCodec::Options());
    std::atomic<bool> cancel{true};
    VYRJpegGuard guard(&cancel);
    QCOMPARE(
        guard.ReadHeader(reinterpret_cast<const uint8_t *>(jpeg.constData()), size_t(jpeg.size())),
        int(VYR_SUCCESS));
    QCOMPARE(guard.Reserve(guard.CoefficientBytes()), int(VYR_SUCCESS));
    QCOMPARE(guard.Run([](j_decompress_ptr in_pInfo) { jpeg_read_coefficients(in_pInfo); }),
             int(VYR_ERR_CANCELLED));
}

QTEST_GUILESS_MAIN(TestJpegGuard)
#include "tst_jpegguard.moc"
