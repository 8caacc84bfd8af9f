// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Makes the thumbnail of one file: JPEGs through TurboJPEG's scaled decoding straight into a
// QImage, other formats through QImageReader; then a smooth shrink to fit the box, centred on
// the matte colour, kept compact. Pixels are shown as stored (the Exif orientation is not
// applied). Safe to call from any thread; each call uses its own decoder.
#pragma once

#include "vyrengine.h"

#include <QSize>
#include <QString>

struct VYRThumbResult
{
    int m_status = VYR_SUCCESS; // 1, or the failure code for this file
    VYRBitmap m_thumb;          // when m_status is 1: compact (plain if compressing failed)
    VYRThumbFileInfo m_info;
};

// The TurboJPEG scaling factor (num/denom, at most 1/1) that gives the smallest picture whose
// size still covers what the picture would be when fitted into in_box: the shrink that
// follows then never enlarges. Returns 1/1 when the picture already fits.
void VYRChooseJpegScale(int in_width, int in_height, QSize in_box, int *out_pNum, int *out_pDenom);

// Decodes in_path into a thumbnail for a in_box box on a background of in_matte (0x00BBGGRR):
// the picture fitted into the box (VYRDecodeFittedPicture) and centred on the matte.
// Failure statuses: VYR_ERR_FILE_NOT_FOUND, VYR_ERR_FILE_READ (also when the name leads to
// something other than a regular file), VYR_ERR_FILE_FORMAT (not a picture),
// VYR_ERR_FILE_DAMAGED (could not be decoded), VYR_ERR_NO_MEMORY (also for a file or picture
// too large to hold: over 1 GiB, or a progressive picture of some 170 megapixels and more).
VYRThumbResult VYRMakeThumbnail(const QString &in_path, QSize in_box, uint32_t in_matte);

// The picture of in_path shrunk smoothly to fit in_box (never enlarged, at least 1x1), in
// Format_RGB32, and what was learnt about the file on the way. Returns 1 or a failure status
// of VYRMakeThumbnail; *out_pPicture is set on success only.
int VYRDecodeFittedPicture(const QString &in_path, QSize in_box, QImage *out_pPicture,
                           VYRThumbFileInfo *out_pInfo);

// The COLORREF-style matte (red in the low byte) as a Qt colour.
QRgb VYRMatteToRgb(uint32_t in_matte);
