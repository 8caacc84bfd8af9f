// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Auto Rotate's decision for one photo, as the window makes it: the Exif Orientation of the
// file's first APP1 segment, and the turn that makes the picture upright.
#pragma once

#include <QString>
#include <cstdint>

enum class VYROrientationRead
{
    Unreadable, // the file cannot be opened for reading
    NoInfo,     // no Exif APP1, no Orientation entry, or the read failed
    Found,
};

// Reads the Orientation of in_path. Found puts the value into *out_pValue; Unreadable puts the
// system's reason into *out_pError. The file is opened for reading only: a photo on a
// read-only card can still be turned into an output folder.
VYROrientationRead VYRReadOrientation(const QString &in_path, uint32_t *out_pValue,
                                      QString *out_pError);

// The clockwise turn in degrees that makes a picture with this Orientation upright: 3 -> 180,
// 6 -> 90, 8 -> -90. Upright (1), the mirrored values (2, 4, 5, 7) and anything else -> 0: the
// photo is counted as correctly oriented and left alone, as the window's Auto Rotate does.
int VYRAngleForOrientation(uint32_t in_value);
