// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Makes the thumbnail of one file: JPEGs through the guarded libjpeg decoder (VYRJpegGuard),
// scaled in the DCT straight into a QImage, other formats through QImageReader; then a smooth
// shrink to fit the box, centred on the matte colour, kept compact. Pixels are shown as stored
// (the Exif orientation's turn is not applied), except that a JPEG whose Orientation is
// mirrored (2, 4, 5, 7) has its left-right mirror undone. Safe to call from any thread; each
// call uses its own decoder.
//
// A JPEG costs in proportion to its data: the guard refuses a size its entropy-coded data
// cannot describe, and more scans or block visits than a photo needs; beyond 64 MB of memory
// (coefficients held for a multi-scan picture, and the decoded picture) a file must bring a
// byte of data per 128 bytes; the memory is reserved from the budget all guards share. A
// damaged JPEG shows what libjpeg makes of it (the part there is, grey after data that breaks
// off) under the same limits.
#pragma once

#include "thumb/vyrbitmap.h"
#include "thumb/vyrsharedthumbs.h"

#include <QSize>
#include <QString>
#include <atomic>

struct VYRThumbResult
{
    int m_status = VYR_SUCCESS; // 1, or the failure code for this file
    VYRBitmap m_thumb;          // when m_status is 1: compact (plain if compressing failed)
    VYRThumbFileInfo m_info;
};

// The DCT scaling factor (num/denom, at most 1/1, from libjpeg-turbo's list) that gives the
// smallest picture whose size still covers what the picture would be when fitted into in_box:
// the shrink that follows then never enlarges. Returns 1/1 when the picture already fits.
void VYRChooseJpegScale(int in_width, int in_height, QSize in_box, int *out_pNum, int *out_pDenom);

// Decodes in_path into a thumbnail for a in_box box on a background of in_matte (0x00BBGGRR):
// the picture fitted into the box (VYRDecodeFittedPicture) and centred on the matte. The
// decode stops soon after in_pCancel (when given) turns true.
// Failure statuses: VYR_ERR_FILE_NOT_FOUND, VYR_ERR_FILE_READ (also when the name leads to
// something other than a regular file), VYR_ERR_FILE_FORMAT (not a picture, or a JPEG kind
// that cannot be decoded: 12-bit, lossless), VYR_ERR_FILE_DAMAGED (could not be decoded, or
// less data than the picture's size needs), VYR_ERR_TOO_COSTLY (more memory or work than a
// photo of that file size could need), VYR_ERR_NO_MEMORY (also for a file over 1 GiB),
// VYR_ERR_CANCELLED. Each refusal of a JPEG is traced with its reason.
// With in_pSources, the picture may come from the shared thumbnail cache or a preview the
// file carries, and the cache may be written (VYRDecodeThumbPicture); without, it is decoded.
VYRThumbResult VYRMakeThumbnail(const QString &in_path, QSize in_box, uint32_t in_matte,
                                const std::atomic<bool> *in_pCancel = nullptr,
                                const VYRThumbSources *in_pSources = nullptr);

// The picture of in_path shrunk smoothly to fit in_box (never enlarged, at least 1x1), in
// Format_RGB32, and what was learnt about the file on the way. Returns 1 or a failure status
// of VYRMakeThumbnail; *out_pPicture is set on success only.
int VYRDecodeFittedPicture(const QString &in_path, QSize in_box, QImage *out_pPicture,
                           VYRThumbFileInfo *out_pInfo,
                           const std::atomic<bool> *in_pCancel = nullptr);

// The COLORREF-style matte (red in the low byte) as a Qt colour.
QRgb VYRMatteToRgb(uint32_t in_matte);

// The picture of in_path fitted to in_box as VYRDecodeFittedPicture makes it, taken from the
// cheapest source in_sources allow that shows the same: a valid entry of the shared thumbnail
// cache (of a size class at least the box's), else the Exif thumbnail or an MPF large thumbnail
// that has the pixels the box needs (or falls short by at most the tolerance), shows the
// photo's frame (within one MCU) and decodes without a single warning, else the photo itself,
// whose picture is then written to the shared cache when that is allowed. A picture from the
// cache or a preview is brought to exactly the size the decode would give, in the photo's
// stored orientation. Only the file's first bytes are read unless the photo is decoded or its
// preview lies further on. Results as VYRDecodeFittedPicture; a preview or cache entry that
// cannot be used is never a failure.
int VYRDecodeThumbPicture(const QString &in_path, QSize in_box, const VYRThumbSources &in_sources,
                          QImage *out_pPicture, VYRThumbFileInfo *out_pInfo,
                          const std::atomic<bool> *in_pCancel = nullptr);
