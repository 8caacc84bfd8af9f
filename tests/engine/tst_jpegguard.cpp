// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The guarded reader's shared memory budget and cancel flag, across threads.
#include "jpeg/vyrjpegguard.h"
#include "testjpeg_codec.h"

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
    void readsInPiecesWhatItReadsWhole();
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

void TestJpegGuard::readsInPiecesWhatItReadsWhole()
{
    // A segment far larger than a piece is skipped in one step; the data after the first scan
    // header is counted whole, and the coefficients are the same as from the whole file.
    TestJpegCodec::Options o;
    o.width = 200;
    o.height = 120;
    o.markers = {{0xE2, QByteArray(60000, 'm')}};
    const QByteArray jpeg = TestJpegCodec::Encode(o);
    const auto *data = reinterpret_cast<const uint8_t *>(jpeg.constData());
    std::vector<short> blocks[2];
    for (const bool tolerant : {false, true}) {
        VYRJpegGuard guard;
        if (tolerant)
            guard.TolerateWarnings();
        QCOMPARE(guard.ReadHeader(data, size_t(jpeg.size())), int(VYR_SUCCESS));
        QCOMPARE(guard.EntropyBytes(), qint64(jpeg.size() - TestJpegCodec::ScanDataOffset(jpeg)));
        QCOMPARE(guard.Reserve(guard.CoefficientBytes()), int(VYR_SUCCESS));
        std::vector<short> &all = blocks[tolerant ? 1 : 0];
        const int rc = guard.Run([&all](j_decompress_ptr in_pInfo) {
            jvirt_barray_ptr *arrays = jpeg_read_coefficients(in_pInfo);
            const jpeg_component_info &luma = in_pInfo->comp_info[0];
            for (JDIMENSION row = 0; row < luma.height_in_blocks; ++row) {
                JBLOCKARRAY rows = (*in_pInfo->mem->access_virt_barray)(
                    reinterpret_cast<j_common_ptr>(in_pInfo), arrays[0], row, 1, FALSE);
                all.insert(all.end(), rows[0][0], rows[0][0] + luma.width_in_blocks * DCTSIZE2);
            }
        });
        QCOMPARE(rc, int(VYR_SUCCESS));
    }
    QVERIFY(!blocks[0].empty());
    QVERIFY(blocks[0] == blocks[1]);

    // Cut inside that segment: the skip runs past the end, which is a warning.
    VYRJpegGuard cut;
    QCOMPARE(cut.ReadHeader(data, 30000), int(VYR_ERR_FILE_DAMAGED));
    QCOMPARE(cut.Reason(), QByteArray("Premature end of JPEG file"));
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
