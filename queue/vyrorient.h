// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Turning a photo upright on disk: the lossless turn and the Exif Orientation reset, written
// together in one atomic step.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

// Exif Orientation (tag 274): the values are VYROrientation's (vyrorientation.h).
enum : unsigned
{
    VYR_TAG_ORIENTATION = 274,
    VYR_ORIENTATION_UPRIGHT = 1,
};

// The clockwise turn in degrees that makes a picture with this Orientation upright: 3 -> 180,
// 6 -> 90, 8 -> -90. Upright (1), the mirrored values (2, 4, 5, 7) and anything else -> 0: such
// a photo is counted as correctly oriented and left alone. Auto Rotate and the command line
// decide with it.
int VYRAngleForOrientation(uint32_t in_value);

// Opens in_path for update and, when its first APP1 segment carries an Exif Orientation
// entry whose value is not 1, rewrites that entry in place to 1, then flushes and closes the
// file. A file that cannot be opened, has no Exif data or no Orientation entry, or is
// already upright is left byte for byte as it was. A failed rewrite is traced ("Error
// updating IFD tag data"). Returns true when the value was rewritten.
bool VYRResetOrientation(const QString &in_path);

// The same reset on a whole JPEG file held in memory (in_size bytes, edited in place through
// a stdio stream over the buffer). Returns false when the entry was found but could not be
// rewritten or the stream could not be flushed and closed; true otherwise (also when there is
// nothing to rewrite).
bool VYRResetOrientationInMemory(uint8_t *inout_pData, size_t in_size);

// Turns in_source by in_code (4, 8 or 12: a quarter, half or three-quarter turn clockwise) into
// in_destination (which may be in_source) with its Orientation reset to 1, all in one atomic
// write: the destination holds either its previous bytes or the whole result. Throws
// QLImageException* as QLRotateFile does (code -805 for a read-only destination).
void VYRRotatePhoto(const QString &in_source, const QString &in_destination, int in_code);
