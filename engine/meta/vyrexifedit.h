// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// In-place edits of an Exif block after the picture it describes was turned. Values are
// overwritten where they lie and nothing is moved or written afresh, so every offset in the
// block, those inside maker notes included, stays valid.
#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>

// The largest payload one APPn segment can carry (a 16-bit length that counts itself).
constexpr size_t kVYRMaxSegmentPayload = 65535 - 2;

struct VYRExifEdit
{
    int m_code = 0;  // the transform the picture took (VYROrientation::Code)
    int m_width = 0; // the written picture's size, after any trim
    int m_height = 0;
    QByteArray m_name; // what traces call the photo
};

// What VYRPlaceExifThumbnail did.
enum class VYRThumbPlacement
{
    InPlace,     // written over the old one; the space it leaves is zero-filled
    Grown,       // the old one ended the block, which grew to take the larger one
    DoesNotFit,  // larger, and other data follows it (or the block would pass 64 KiB): kept
    NoThumbnail, // IFD1 names no JPEG thumbnail inside the block
};

// Brings the Exif APP1 payload *inout_pPayload ("Exif\0\0" and the TIFF structure) in line with
// the turned picture:
// - IFD0's Orientation becomes 1;
// - IFD0 ImageWidth/ImageLength and the Exif IFD's PixelXDimension/PixelYDimension, where
//   present as one SHORT or LONG, become in_edit's size;
// - IFD1's JPEG thumbnail is turned the same way and placed by VYRPlaceExifThumbnail; once it
//   is turned, IFD1's own Orientation becomes 1 and its ImageWidth/ImageLength, if any, the
//   thumbnail's new size. A thumbnail that cannot be turned or placed stays as it was (traced).
// Nothing else changes; the payload only grows as VYRPlaceExifThumbnail allows.
// Returns VYR_SUCCESS; VYR_ERR_METADATA_DAMAGED, with the payload untouched, when the block
// cannot be edited safely: its TIFF header is not valid, IFD0, the Exif IFD or IFD1 cannot be
// read (a table outside the block, a pointer back to an IFD already visited), or IFD0's
// Orientation is not one number; VYR_ERR_INVALID_PARAMETER for a null payload.
int VYREditExif(QByteArray *inout_pPayload, const VYRExifEdit &in_edit);

// Puts the JPEG in_thumb in the place of IFD1's thumbnail in *inout_pPayload: over the old one
// when it is no larger (JPEGInterchangeFormatLength updated, the rest of the old space zeroed),
// or, when the old one is the last thing in the block, by growing the block up to
// kVYRMaxSegmentPayload bytes. Otherwise nothing changes.
VYRThumbPlacement VYRPlaceExifThumbnail(QByteArray *inout_pPayload, const QByteArray &in_thumb);
