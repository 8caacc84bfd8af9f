// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Turning a photo upright on disk: the lossless turn with every copy of the orientation made
// upright, written in one atomic step.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

struct VYRRotateReport;

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

// Turns in_source by in_code (4, 8 or 12: a quarter, half or three-quarter turn clockwise) into
// in_destination (which may be in_source) with every copy of its orientation set to 1 (the
// engine's metadata step), all in one atomic write: the destination holds either its previous
// bytes or the whole result. Throws QLImageException* as QLRotateFile does (code -805 for a
// read-only destination, -24 for a photo whose Exif or XMP block cannot be edited safely).
// Another file at the destination is replaced only when in_allowReplace is set; out_pReport,
// when given, receives what the turn trimmed.
void VYRRotatePhoto(const QString &in_source, const QString &in_destination, int in_code,
                    bool in_allowReplace = false, VYRRotateReport *out_pReport = nullptr);
