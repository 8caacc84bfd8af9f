// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrjpegturn.h"

#include "qltrace.h"
#include "vyrengine.h"
#include "vyrjpegscan.h"

#include <cstring>
#include <memory>
#include <turbojpeg.h>
#include <vector>

namespace {

using TjHandle = std::unique_ptr<void, decltype(&tjDestroy)>;
using TjBuffer = std::unique_ptr<unsigned char, decltype(&tjFree)>;

constexpr qint64 kMaxPixels = qint64(1) << 30;

int TransformOp(int in_code)
{
    switch (in_code) {
    case VYR_ROTATE_90:
        return TJXOP_ROT90;
    case VYR_ROTATE_180:
        return TJXOP_ROT180;
    case VYR_ROTATE_270:
        return TJXOP_ROT270;
    default:
        return -1;
    }
}

// Pixels the trim removes from the source: rows off the bottom edge when the turn moves it
// (90, 180), columns off the right edge (180, 270). Less than one MCU is never trimmed.
void TrimmedPixels(int in_code, int in_width, int in_height, int in_subsamp, int *out_pCols,
                   int *out_pRows)
{
    *out_pCols = *out_pRows = 0;
    if (in_subsamp < 0 || in_subsamp >= TJ_NUMSAMP)
        return;
    const int mcuW = tjMCUWidth[in_subsamp];
    const int mcuH = tjMCUHeight[in_subsamp];
    if (in_code != VYR_ROTATE_90 && in_width >= mcuW)
        *out_pCols = in_width % mcuW;
    if (in_code != VYR_ROTATE_270 && in_height >= mcuH)
        *out_pRows = in_height % mcuH;
}

bool TooSmallToTrim(int in_code, int in_width, int in_height, int in_subsamp)
{
    if (in_subsamp < 0 || in_subsamp >= TJ_NUMSAMP)
        return false;
    const bool movesRight = in_code != VYR_ROTATE_90;
    const bool movesBottom = in_code != VYR_ROTATE_270;
    return (movesRight && in_width % tjMCUWidth[in_subsamp] != 0 &&
            in_width < tjMCUWidth[in_subsamp]) ||
           (movesBottom && in_height % tjMCUHeight[in_subsamp] != 0 &&
            in_height < tjMCUHeight[in_subsamp]);
}

} // namespace

int VYRTurnJpeg(const uint8_t *in_pData, size_t in_size, const VYRTurnRequest &in_request,
                VYRTurnResult *out_pResult)
{
    const int op = TransformOp(in_request.m_code);
    if (op < 0 || !in_pData || !out_pResult)
        return VYR_ERR_INVALID_PARAMETER;
    const VYRJpegLayout layout = VYRScanJpeg(in_pData, in_size);
    if (!layout.m_isJpeg)
        return VYR_ERR_FILE_FORMAT;

    TjHandle handle(tjInitTransform(), &tjDestroy);
    if (!handle)
        return VYR_ERR_NO_MEMORY;
    const char *name = in_request.m_name.constData();

    int width = 0, height = 0, subsamp = -1, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), in_pData, in_size, &width, &height, &subsamp,
                            &colorspace) != 0) {
        // Subsampling outside TurboJPEG's list is not damage; anything else in the header is.
        if (width <= 0 || height <= 0) {
            QLTrace("Cannot rotate '%s': %s\n", name, tjGetErrorStr2(handle.get()));
            return VYR_ERR_FILE_DAMAGED;
        }
        subsamp = -1;
    }

    // The transform holds every coefficient in memory: a header claiming a gigapixel picture
    // (easily faked in a few bytes) would have it reserve many gigabytes before failing.
    if (qint64(width) * height > kMaxPixels) {
        QLTrace("Cannot rotate '%s': %dx%d pixels is too large\n", name, width, height);
        return VYR_ERR_NO_MEMORY;
    }

    tjtransform transform;
    std::memset(&transform, 0, sizeof(transform));
    transform.op = op;
    transform.options = TJXOPT_PERFECT | (layout.m_progressive ? TJXOPT_PROGRESSIVE : 0);
    // Any warning (premature end of data, corrupt entropy data) stops the transform: a photo
    // is never replaced by a repaired or padded copy. The scan limit guards against files
    // built to make the decoder loop for minutes.
    const int flags = TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;

    unsigned char *pOut = nullptr;
    unsigned long outSize = 0;
    int status =
        tjTransform(handle.get(), in_pData, in_size, 1, &pOut, &outSize, &transform, flags);
    TjBuffer outBuffer(pOut, &tjFree);
    int cols = 0, rows = 0;
    if (status != 0 && tjGetErrorCode(handle.get()) == TJERR_FATAL &&
        std::strstr(tjGetErrorStr2(handle.get()), "not perfect")) {
        // Partial MCU blocks on an edge that the turn moves cannot be carried over exactly:
        // drop them rather than write a scrambled strip. A picture narrower than one block
        // there has nothing whole to keep; trimming would leave it scrambled, so refuse.
        if (TooSmallToTrim(in_request.m_code, width, height, subsamp)) {
            QLTrace("Cannot rotate '%s' losslessly: %dx%d pixels is smaller than one %dx%d block "
                    "along an edge the turn moves\n",
                    name, width, height, tjMCUWidth[subsamp], tjMCUHeight[subsamp]);
            return VYR_ERR_NOT_LOSSLESS;
        }
        transform.options = (transform.options & ~TJXOPT_PERFECT) | TJXOPT_TRIM;
        pOut = nullptr;
        outSize = 0;
        status =
            tjTransform(handle.get(), in_pData, in_size, 1, &pOut, &outSize, &transform, flags);
        outBuffer.reset(pOut);
        if (status == 0) {
            TrimmedPixels(in_request.m_code, width, height, subsamp, &cols, &rows);
            QLTrace("Rotating '%s' (%dx%d pixels) trimmed the partial edge blocks: %d column(s) "
                    "on the right, %d row(s) at the bottom\n",
                    name, width, height, cols, rows);
        }
    }
    if (status != 0) {
        const bool damaged = tjGetErrorCode(handle.get()) == TJERR_WARNING;
        QLTrace("Cannot rotate '%s': %s\n", name, tjGetErrorStr2(handle.get()));
        return damaged ? VYR_ERR_FILE_DAMAGED : VYR_ERR_TRANSFORM;
    }
    if (!outBuffer || outSize == 0)
        return VYR_ERR_TRANSFORM;

    out_pResult->m_jpeg = QByteArray(reinterpret_cast<const char *>(outBuffer.get()),
                                     static_cast<qsizetype>(outSize));
    const bool quarter = in_request.m_code != VYR_ROTATE_180;
    out_pResult->m_width = quarter ? height - rows : width - cols;
    out_pResult->m_height = quarter ? width - cols : height - rows;
    out_pResult->m_trimmedColumns = cols;
    out_pResult->m_trimmedRows = rows;
    return VYR_SUCCESS;
}

int VYRVerifyJpeg(const uint8_t *in_pData, size_t in_size)
{
    TjHandle handle(tjInitDecompress(), &tjDestroy);
    if (!handle)
        return VYR_ERR_NO_MEMORY;
    int width = 0, height = 0, subsamp = 0, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), in_pData, in_size, &width, &height, &subsamp,
                            &colorspace) != 0)
        // A sampling TurboJPEG cannot name is no damage, but it cannot decode it either.
        return width > 0 && height > 0 ? VYR_SUCCESS : VYR_ERR_FILE_DAMAGED;
    // The smallest scale still reads every byte of entropy-coded data.
    const tjscalingfactor eighth = {1, 8};
    const int w = TJSCALED(width, eighth);
    const int h = TJSCALED(height, eighth);
    std::vector<unsigned char> pixels;
    try {
        pixels.resize(size_t(w) * size_t(h) * 4);
    } catch (const std::bad_alloc &) {
        return VYR_ERR_NO_MEMORY;
    }
    if (tjDecompress2(handle.get(), in_pData, in_size, pixels.data(), w, w * 4, h, TJPF_RGBX,
                      TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS) != 0)
        return VYR_ERR_FILE_DAMAGED;
    return VYR_SUCCESS;
}
