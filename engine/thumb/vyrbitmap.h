// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The engine's bitmap record, what the browse tells about each file beside it, and the exact
// quarter turn of a picture's pixels that plain records and compact thumbnails both use.
#pragma once

#include "core/vyrcodes.h"

#include <QImage>
#include <QtGlobal>
#include <cstdint>
#include <memory>

// The engine's bitmap record. A default record holds no image. A record holds its picture in
// one of two forms:
// - plain: m_image, turned pixel for pixel by the rotate operation;
// - compact (the thumbnails the browse makes): m_compact, the picture's own area compressed, and
//   a count of quarter turns applied when it is drawn, so turning never degrades it. It takes
//   about a tenth of the memory of the same thumbnail in plain form.
// The compact data is never changed once made, so records share it: a copy is independent all
// the same. Records are copied through the copy operation of the table.
struct VYRCompactThumb;
struct VYRBitmap
{
    QImage m_image;                                   // the plain form; null when compact
    std::shared_ptr<const VYRCompactThumb> m_compact; // the compact form, or null
    int m_quarterTurns = 0;                           // of the compact form, clockwise, 0-3
    int m_orientation = VYR_ORIENT_NORMAL;

    bool IsEmpty() const { return m_image.isNull() && !m_compact; }
    // Size of the stored picture, turns included (the orientation code not applied).
    int Width() const;
    int Height() const;
};

// What the browse tells its callback about each file besides the thumbnail.
struct VYRThumbFileInfo
{
    int m_width = 0; // the picture's stored size in pixels, 0 when it could not be read
    int m_height = 0;
    qint64 m_fileSize = 0;
    // The Exif Orientation of a JPEG's first APP1 block (the one Auto Rotate reads), 0 when
    // it has none. A mirrored value's mirror is already undone in the thumbnail.
    uint32_t m_exifOrientation = 0;
};

// in_image turned by in_quarters clockwise quarter turns (any integer), exactly, pixel for
// pixel. 32-bit images keep their format; others come back from a quarter turn as
// Format_ARGB32. A null image when out of memory.
QImage VYRTurnImage(const QImage &in_image, int in_quarters);
