// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The small pictures a photo already carries: the Exif thumbnail (IFD1's JPEG) and the large
// thumbnails of a multi-picture (MPF) file. Found from the markers alone, never decoded here;
// whether one may stand for the photo is decided from its size against the photo's frame.
#pragma once

#include "file/vyrreadfile.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

// What a JPEG's frame header says: the picture's size and its MCU in pixels.
struct VYRJpegFrame
{
    int m_width = 0;
    int m_height = 0;
    int m_blockWidth = 8; // one MCU: 8 or 16 pixels as the sampling gives
    int m_blockHeight = 8;
};

// Reads the SOFn header of the JPEG in in_pData[0, in_size), which may be the file's first
// bytes only. False when no frame header lies wholly inside the span, or it is not readable.
bool VYRReadJpegFrame(const uint8_t *in_pData, size_t in_size, VYRJpegFrame *out_pFrame);

// One preview, by where its JPEG lies in the file.
struct VYREmbeddedPreview
{
    qint64 m_offset = 0;
    qint64 m_size = 0;
    bool m_exif = false; // IFD1's thumbnail (else an MPF large thumbnail)
};

// The previews the photo names in in_pData[0, in_size), which may be the file's first bytes
// only (in_fileSize is the whole file's): the Exif thumbnail of the first Exif block, and
// the MPF entries of type large thumbnail that are JPEG. A preview may lie beyond the span
// (MPF pictures follow the primary one); none lies outside the file.
std::vector<VYREmbeddedPreview> VYRFindEmbeddedPreviews(const uint8_t *in_pData, size_t in_size,
                                                        qint64 in_fileSize);

// Whether a picture of in_preview's size shows the same frame as in_photo: scaled to the
// photo's width (and to its height), its other side lands within one MCU of the photo's,
// plus the half pixel of the preview's own rounding. A cropped or turned photo whose preview
// stayed behind fails.
bool VYRPreviewMatchesPhoto(QSize in_preview, const VYRJpegFrame &in_photo);

// Whether in_preview has the pixels in_target (what the box shows of the photo) needs on its
// long side, or falls short by at most in_tolerancePercent.
bool VYRPreviewIsLargeEnough(QSize in_preview, QSize in_target, int in_tolerancePercent);

// Reads at most in_maxBytes from the start of in_path, a regular file only (as
// VYRReadRegularFile), and the file as it was (size and times). Returns VYR_SUCCESS or that
// function's failures.
int VYRReadFileHead(const QString &in_path, qint64 in_maxBytes, QByteArray *out_pData,
                    VYRFileIdentity *out_pIdentity);
