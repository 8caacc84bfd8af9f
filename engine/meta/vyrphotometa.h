// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Makes a turned photo whole: everything around the turned picture is brought in line with it.
#pragma once

#include "jpeg/vyrjpegscan.h"
#include "jpeg/vyrjpegturn.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

// Builds the complete turned file from the source file in_pSource[0, in_size) (walked as
// in_layout), the turn in_code and the turned primary picture in_turned (whose marker segments
// are the source's, verbatim). The result goes to out_pPhoto. Every edit is made in place, byte
// for byte; no block is written afresh:
// - the Exif block, wherever it lies among the segments: IFD0's Orientation becomes 1, IFD0
//   ImageWidth/ImageLength and the Exif IFD's PixelXDimension/PixelYDimension take the turned
//   size, IFD1's JPEG thumbnail is turned the same way (kept as it was, and traced, when it
//   cannot be turned or placed);
// - the XMP packet: tiff:Orientation 1, its sizes the turned size (within its padding);
// - the bytes after the end-of-image marker follow the new one, byte for byte. When an MPF
//   index lists further pictures there, each is turned the same way (its own Orientation set
//   to 1) and the index's sizes and offsets are corrected.
// in_name is what traces call the photo.
// Returns VYR_SUCCESS; VYR_ERR_METADATA_DAMAGED when the Exif or XMP block of any picture
// holds a copy of the orientation or size that cannot be edited safely (see VYREditExif and
// VYREditXmp): every copy is edited or the photo is refused; VYR_ERR_METADATA when an MPF
// index lists a picture that cannot be turned with the primary (out of range, overlapping,
// not a JPEG, or refused by the turn): the file is refused rather than written half-turned;
// VYR_ERR_INVALID_PARAMETER for null pointers. out_pPhoto is unspecified after a failure.
int VYRCompletePhoto(const uint8_t *in_pSource, size_t in_size, const VYRJpegLayout &in_layout,
                     int in_code, const VYRTurnResult &in_turned, QByteArray *out_pPhoto,
                     const QByteArray &in_name);
