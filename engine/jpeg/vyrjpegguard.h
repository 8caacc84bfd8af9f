// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// A libjpeg decompressor that cannot be turned against us: every libjpeg error and every
// warning ends the decode with a result code instead of exiting or quietly padding (a caller
// that only shows the picture may let warnings pass), and the data is handed over in pieces
// so that no invalid code passes without one (see kPieceBytes); the cost of a picture is
// estimated from its headers and refused when no real photo of that file size could need it;
// the work over all scans and the memory are capped; and a cancel flag stops it between rows.
// The lossless turn and its verification read JPEG data through it, and so does the thumbnail
// decoder (jpeg_start_decompress() and jpeg_read_scanlines() inside Run()). One picture per
// guard.
//
//     VYRJpegGuard guard;
//     int rc = guard.ReadHeader(data, size);            // plausibility checked here
//     if (rc == VYR_SUCCESS)
//         rc = guard.Reserve(guard.CoefficientBytes()); // shared memory budget
//     if (rc == VYR_SUCCESS)
//         rc = guard.Run([&](j_decompress_ptr in_pInfo) {
//             arrays = jpeg_read_coefficients(in_pInfo);
//         });
//     if (rc != VYR_SUCCESS)
//         QLTrace("Cannot read '%s': %s\n", name, guard.Reason().constData());
//
// The step given to Run() is left by a long jump when libjpeg fails: it must only call libjpeg
// and hold nothing that needs a destructor (no QByteArray, no std::vector) while it does.
#pragma once

#include "core/vyrcodes.h"

#include <QByteArray>
#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio> // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
#include <memory>

class VYRJpegGuard
{
public:
    // Work allowed over all scans, in block visits, as a multiple of the picture's blocks.
    // libjpeg's own progressive script visits every block about five times; no encoder we know
    // of comes near this.
    static constexpr int kWorkMultiple = 32;
    // Scans allowed in one picture (real progressive photos have about ten).
    static constexpr int kMaxScans = 500;
    // Above this much coefficient memory an arithmetic-coded picture must bring at least one
    // byte of entropy-coded data per kArithmeticBlocksPerByte blocks (its coding has no
    // minimum cost per block, so a few bytes could claim any size).
    static constexpr qint64 kArithmeticFreeBytes = qint64(32) << 20;
    static constexpr int kArithmeticBlocksPerByte = 64;
    // The memory all guards of the process may hold at once for their coefficients.
    static constexpr qint64 kSharedBudgetBytes = qint64(2) << 30;
    // A guard that refuses warnings hands libjpeg its data in pieces of at most this many
    // bytes. libjpeg-turbo decodes sequential Huffman data with a fast path whenever 512 bytes
    // per block of the MCU are at hand; that path decodes an invalid code as zero without a
    // warning, only the other one warns. Handed the whole file, nearly every MCU took it, and
    // a photo with a bad code was turned as if intact.
    static constexpr size_t kPieceBytes = 256;

    // in_pCancel, when given, is read between rows and scans (and while waiting for memory);
    // once it is true the decode ends with VYR_ERR_CANCELLED. It must outlive the guard.
    explicit VYRJpegGuard(const std::atomic<bool> *in_pCancel = nullptr);
    ~VYRJpegGuard();
    VYRJpegGuard(const VYRJpegGuard &) = delete;
    VYRJpegGuard &operator=(const VYRJpegGuard &) = delete;

    // The decompressor, for settings between the steps (scaling, output colour space) and for
    // libjpeg calls inside Run(). Valid for the guard's lifetime.
    jpeg_decompress_struct *Info() { return &m_info; }
    // The error manager, to attach a compressor (a transcode's writer) to the same guard: its
    // errors and warnings then end the Run() step that caused them, too.
    jpeg_error_mgr *ErrorManager() { return &m_error.m_pub; }
    // Lets a compressor made with ErrorManager() read the block arrays this guard's
    // decompressor holds (a transcode writes them out). Call after jpeg_create_compress().
    static void ShareArrays(j_compress_ptr inout_pCompressor)
    {
        inout_pCompressor->mem->access_virt_barray = &VYRJpegGuard::AccessArray;
    }

    // For a decode that only shows the picture (a thumbnail): warnings no longer end a step,
    // and libjpeg carries on as it does by default (data that breaks off is padded with grey,
    // a bad code skips to the next marker), under the same checks and caps. Warning() then
    // holds the first one. The data is handed over whole, so that libjpeg's fast Huffman
    // decoder runs (it decodes a bad code as zero without a word; see kPieceBytes). Call
    // before ReadHeader(). The turn never calls it.
    void TolerateWarnings() { m_tolerateWarnings = true; }
    // The first warning a tolerant guard carried on past; empty when there was none.
    const QByteArray &Warning() const { return m_warning; }

    // After ReadHeader(): lowers the cap on block visits over all scans to in_visits (it is
    // never raised), for a caller that knows the picture is worth less work.
    void LimitWork(qint64 in_visits) { m_allowedVisits = std::min(m_allowedVisits, in_visits); }

    // Reads the markers of in_pData[0, in_size) up to the first scan and checks that the
    // picture is plausible for the data there is: with Huffman coding every block of a
    // sequential picture costs at least 2 bits and every block of a progressive one at least 1
    // bit (its first DC scan); arithmetic coding has no such floor, so a large arithmetic-coded
    // picture must come with some data (see kArithmeticFreeBytes). The data must stay valid and
    // unchanged while the guard lives. Call once.
    // Returns VYR_SUCCESS, or VYR_ERR_FILE_FORMAT (no JPEG start), VYR_ERR_FILE_DAMAGED (any
    // warning or error in the markers, or less data than the blocks need),
    // VYR_ERR_TOO_COSTLY (implausibly little arithmetic-coded data), VYR_ERR_TRANSFORM (a
    // JPEG that this libjpeg cannot decode: 12-bit, lossless, hierarchical), VYR_ERR_CANCELLED.
    int ReadHeader(const uint8_t *in_pData, size_t in_size);

    // After ReadHeader(): takes in_bytes (plus room for libjpeg's tables and buffers) from the
    // budget that all guards of the process share, waiting while others hold too much of it.
    // The block arrays, which the guard keeps for libjpeg, must then fit in it, and libjpeg's
    // other large arrays are capped at it (without a backing store, going beyond fails
    // cleanly). Without a reservation no block array can be had. Call at most once.
    // Returns VYR_SUCCESS, or VYR_ERR_TOO_COSTLY (more than the whole budget),
    // VYR_ERR_CANCELLED (cancelled while waiting).
    int Reserve(qint64 in_bytes);

    // Runs in_step(Info()). A libjpeg error or warning (unless tolerated), the cancel flag,
    // more than kMaxScans scans or more than the allowed block visits (kWorkMultiple per
    // block, or less after LimitWork()) end it at once.
    // Returns VYR_SUCCESS, or VYR_ERR_FILE_DAMAGED (a warning, or an error in the data),
    // VYR_ERR_FILE_FORMAT, VYR_ERR_TRANSFORM (something libjpeg does not support),
    // VYR_ERR_TOO_COSTLY (the work or memory cap), VYR_ERR_NO_MEMORY (an allocation failed),
    // VYR_ERR_CANCELLED. After a failure every further Run() returns the same code at once.
    template <typename Step> int Run(Step &&in_step)
    {
        if (m_failure != VYR_SUCCESS)
            return m_failure;
        m_armed = true;
        if (setjmp(m_jump) == 0)
            in_step(&m_info);
        m_armed = false;
        return m_failure;
    }

    // After all scans were read (jpeg_read_coefficients()): refuses a picture in which a
    // component never had a scan of its own data. libjpeg reads such a file without a
    // warning and leaves the component flat grey; a turn would hand that on as intact.
    // Returns VYR_SUCCESS or VYR_ERR_FILE_DAMAGED (and every later Run() returns it too).
    int RequireEveryComponent();

    // Why the last step failed, in words fit for a trace ("Corrupt JPEG data: ...").
    const QByteArray &Reason() const { return m_reason; }

    // After ReadHeader(): the real blocks of all components, and the memory their coefficient
    // arrays take (with libjpeg's padding to whole MCUs).
    qint64 Blocks() const { return m_blocks; }
    qint64 CoefficientBytes() const { return m_coefficientBytes; }
    // Bytes from the first scan's data to the end of the input.
    qint64 EntropyBytes() const { return m_entropyBytes; }

    // The budget still free, for tests and diagnostics.
    static qint64 FreeBudgetBytes();

private:
    struct ErrorHandler
    {
        jpeg_error_mgr m_pub;
        VYRJpegGuard *m_pGuard;
    };
    struct ProgressManager
    {
        jpeg_progress_mgr m_pub;
        VYRJpegGuard *m_pGuard;
    };
    // The data in pieces of kPieceBytes: [m_pNext, m_pEnd) is what is not handed over yet.
    struct PieceSource
    {
        jpeg_source_mgr m_pub;
        const JOCTET *m_pNext;
        const JOCTET *m_pEnd;
    };

    static VYRJpegGuard *GuardOf(j_common_ptr in_pInfo);
    static void OnError(j_common_ptr in_pInfo);
    static void OnMessage(j_common_ptr in_pInfo, int in_level);
    static void OnProgress(j_common_ptr in_pInfo);
    // Records the failure and leaves the running step. in_reason is copied first; nothing
    // with a destructor may live in the frames that the jump skips.
    [[noreturn]] void Fail(int in_code, const char *in_reason);
    // Records a failure found outside a step.
    int Refuse(int in_code, const char *in_reason);
    int CheckPlausible();
    void UsePieces(const uint8_t *in_pData, size_t in_size);
    static boolean FillPiece(j_decompress_ptr in_pInfo);
    static void SkipPieces(j_decompress_ptr in_pInfo, long in_bytes);
    // libjpeg's block arrays, kept by the guard: see the .cpp.
    static jvirt_barray_ptr RequestArray(j_common_ptr in_pInfo, int in_poolId, boolean in_preZero,
                                         JDIMENSION in_blocksPerRow, JDIMENSION in_rows,
                                         JDIMENSION in_maxAccess);
    static void RealizeArrays(j_common_ptr in_pInfo);
    static JBLOCKARRAY AccessArray(j_common_ptr in_pInfo, jvirt_barray_ptr in_array,
                                   JDIMENSION in_startRow, JDIMENSION in_rows, boolean in_writable);

    jpeg_decompress_struct m_info;
    ErrorHandler m_error;
    ProgressManager m_progress;
    PieceSource m_pieces;
    std::jmp_buf m_jump;
    bool m_armed = false;
    bool m_created = false;
    bool m_tolerateWarnings = false;
    QByteArray m_warning;
    int m_failure = VYR_SUCCESS;
    QByteArray m_reason;
    const std::atomic<bool> *m_pCancel;

    qint64 m_blocks = 0;
    qint64 m_coefficientBytes = 0;
    qint64 m_entropyBytes = 0;
    qint64 m_reserved = 0;
    std::unique_ptr<jvirt_barray_control[]> m_pArrays; // requested so far, in order
    int m_arrayCount = 0;
    void (*m_pLibraryRealize)(j_common_ptr) = nullptr;
    void *m_pSlab = nullptr; // the memory of all realised arrays
    size_t m_slabBytes = 0;
    int m_lastScan = 0;
    uint32_t m_scannedComponents = 0; // bit c: component c had a scan that brings its data
    qint64 m_visits = 0;
    qint64 m_allowedVisits = 0;
};
