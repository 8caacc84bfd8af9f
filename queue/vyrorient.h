// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Resetting the Exif Orientation of a file that has just been rotated.
#pragma once

#include <QString>

// Exif Orientation (tag 274) values, as the first row / first column of the stored picture
// shows them:
//   1 top/left: upright            3 bottom/right: upside down
//   6 right/top: turn 90 clockwise 8 left/bottom: turn 90 counter-clockwise
//   2, 4, 5, 7: mirrored forms (never written by this program)
enum : unsigned
{
    VYR_TAG_ORIENTATION = 274,
    VYR_ORIENTATION_UPRIGHT = 1,
};

// Opens in_path for update and, when its first APP1 segment carries an Exif Orientation
// entry whose value is not 1, rewrites that entry in place to 1, then flushes and closes the
// file. A file that cannot be opened, has no Exif data or no Orientation entry, or is
// already upright is left byte for byte as it was. A failed rewrite is traced ("Error
// updating IFD tag data"). Returns true when the value was rewritten.
bool VYRResetOrientation(const QString &in_path);
