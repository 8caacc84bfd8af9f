// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Auto Rotate's decision for one photo, as the window makes it: the Exif Orientation of the
// file's first APP1 segment, and the transform that makes the picture upright and unmirrored.
#pragma once

#include "vyrorient.h" // VYRAutoRotateTransform, the transform for a value

#include <QString>
#include <cstdint>

enum class VYROrientationRead
{
    Unreadable, // the file cannot be opened for reading
    NotJpeg,    // the file does not begin as a JPEG does (a text file, an empty file)
    NoInfo,     // no Exif APP1, no Orientation entry, or the read failed
    Found,
};

// Reads the Orientation of in_path. Found puts the value into *out_pValue; Unreadable puts the
// system's reason into *out_pError. The file is opened for reading only: a photo on a
// read-only card can still be turned into an output folder.
VYROrientationRead VYRReadOrientation(const QString &in_path, uint32_t *out_pValue,
                                      QString *out_pError);
