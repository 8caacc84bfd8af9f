// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrenginerotate.h"

#include "qltrace.h"
#include "vyratomicfile.h"
#include "vyrjpegscan.h"
#include "vyrreadfile.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>
#include <vector>

namespace {

using TjHandle = std::unique_ptr<void, decltype(&tjDestroy)>;
using TjBuffer = std::unique_ptr<unsigned char, decltype(&tjFree)>;

constexpr qint64 kMaxPixels = qint64(1) << 30;

struct SourceFile
{
    QByteArray m_bytes;
    mode_t m_mode = 0644;
    const unsigned char *Data() const
    {
        return reinterpret_cast<const unsigned char *>(m_bytes.constData());
    }
    size_t Size() const { return size_t(m_bytes.size()); }
};

int ReadSource(const QString &in_path, SourceFile *out_pSource)
{
    return VYRReadRegularFile(in_path, &out_pSource->m_bytes, &out_pSource->m_mode);
}

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

int VYREngineRotateFile(const QString &in_source, const QString &in_destination, int in_code, int,
                        int, int)
{
    const int op = TransformOp(in_code);
    if (op < 0 || in_source.isEmpty() || in_destination.isEmpty())
        return VYR_ERR_INVALID_PARAMETER;

    SourceFile source;
    int rc = ReadSource(in_source, &source);
    if (rc != VYR_SUCCESS)
        return rc;
    const VYRJpegLayout layout = VYRScanJpeg(source.Data(), source.Size());
    if (!layout.m_isJpeg)
        return VYR_ERR_FILE_FORMAT;

    // Claim the destination before the expensive part: a read-only folder fails at once.
    VYRAtomicFile output;
    rc = output.Prepare(in_destination, source.m_mode);
    if (rc != VYR_SUCCESS)
        return rc;

    TjHandle handle(tjInitTransform(), &tjDestroy);
    if (!handle)
        return VYR_ERR_NO_MEMORY;
    const QByteArray name = QFile::encodeName(in_source);

    int width = 0, height = 0, subsamp = -1, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), source.Data(), source.Size(), &width, &height, &subsamp,
                            &colorspace) != 0) {
        // Subsampling outside TurboJPEG's list is not damage; anything else in the header is.
        if (width <= 0 || height <= 0) {
            QLTrace("Cannot rotate '%s': %s\n", name.constData(), tjGetErrorStr2(handle.get()));
            return VYR_ERR_FILE_DAMAGED;
        }
        subsamp = -1;
    }

    // The transform holds every coefficient in memory: a header claiming a gigapixel picture
    // (easily faked in a few bytes) would have it reserve many gigabytes before failing.
    if (qint64(width) * height > kMaxPixels) {
        QLTrace("Cannot rotate '%s': %dx%d pixels is too large\n", name.constData(), width, height);
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
    int status = tjTransform(handle.get(), source.Data(), source.Size(), 1, &pOut, &outSize,
                             &transform, flags);
    TjBuffer outBuffer(pOut, &tjFree);
    if (status != 0 && tjGetErrorCode(handle.get()) == TJERR_FATAL &&
        std::strstr(tjGetErrorStr2(handle.get()), "not perfect")) {
        // Partial MCU blocks on an edge that the turn moves cannot be carried over exactly:
        // drop them rather than write a scrambled strip. A picture narrower than one block
        // there has nothing whole to keep; trimming would leave it scrambled, so refuse.
        if (TooSmallToTrim(in_code, width, height, subsamp)) {
            QLTrace("Cannot rotate '%s' losslessly: %dx%d pixels is smaller than one %dx%d block "
                    "along an edge the turn moves\n",
                    name.constData(), width, height, tjMCUWidth[subsamp], tjMCUHeight[subsamp]);
            return VYR_ERR_NOT_LOSSLESS;
        }
        transform.options = (transform.options & ~TJXOPT_PERFECT) | TJXOPT_TRIM;
        pOut = nullptr;
        outSize = 0;
        status = tjTransform(handle.get(), source.Data(), source.Size(), 1, &pOut, &outSize,
                             &transform, flags);
        outBuffer.reset(pOut);
        if (status == 0) {
            int cols = 0, rows = 0;
            TrimmedPixels(in_code, width, height, subsamp, &cols, &rows);
            QLTrace("Rotating '%s' (%dx%d pixels) trimmed the partial edge blocks: %d column(s) "
                    "on the right, %d row(s) at the bottom\n",
                    name.constData(), width, height, cols, rows);
        }
    }
    if (status != 0) {
        const bool damaged = tjGetErrorCode(handle.get()) == TJERR_WARNING;
        QLTrace("Cannot rotate '%s': %s\n", name.constData(), tjGetErrorStr2(handle.get()));
        return damaged ? VYR_ERR_FILE_DAMAGED : VYR_ERR_TRANSFORM;
    }
    if (!outBuffer || outSize == 0)
        return VYR_ERR_TRANSFORM;

    if (layout.m_complete && layout.m_endOfImage < source.Size()) {
        QLTrace("Rotating '%s' dropped %llu byte(s) after the end-of-image marker\n",
                name.constData(),
                static_cast<unsigned long long>(source.Size() - layout.m_endOfImage));
    }
    return output.Commit(outBuffer.get(), outSize);
}
