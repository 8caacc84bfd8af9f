// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Compact thumbnails: only the picture's own area, kept as a small in-memory JPEG, plus where
// it lies in its box and the matte around it; and one cache of decoded pictures, shared by all
// records, for the cells on screen. A folder of tens of thousands of photos then costs a few
// kilobytes per photo instead of a whole box of pixels.
#pragma once

#include "core/vyrcodes.h"

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <memory>

// One thumbnail in compact form. Made once (on a decoding thread) and never changed after, so
// any number of records on any threads may share it.
struct VYRCompactThumb
{
    QByteArray m_jpeg; // the picture area, JPEG-compressed
    QSize m_box;       // the whole thumbnail, matte included
    QRect m_picture;   // where the picture lies in the box, before any turn
    QRgb m_matte = 0;  // fills the box around the picture
    quint64 m_id = 0;  // unique in the process: the cache's key (addresses get reused)
};

// Compresses in_picture (any format; Format_RGB32 avoids a conversion), to be shown with its
// top-left corner at in_topLeft in a in_box box of in_matte. Returns null when the picture is
// empty or does not fit the box, or when it cannot be compressed (out of memory).
// Safe from any thread.
std::shared_ptr<const VYRCompactThumb> VYRCompressThumb(const QImage &in_picture, QSize in_box,
                                                        QPoint in_topLeft, QRgb in_matte);

// The box after in_quarterTurns clockwise quarter turns, and where the picture then lies in it:
// exactly where turning the whole box of pixels would put it.
QSize VYRTurnedBoxSize(const VYRCompactThumb &in_thumb, int in_quarterTurns);
QRect VYRTurnedPictureRect(const VYRCompactThumb &in_thumb, int in_quarterTurns);

// The picture area decoded and turned by in_quarterTurns clockwise (Format_RGB32, the size of
// VYRTurnedPictureRect): from the cache when it is there, otherwise decoded and kept, the least
// recently used pictures giving way once the cache is over its limit. A null image when it
// cannot be decoded (out of memory). Safe from any thread.
QImage VYRThumbCacheGet(const VYRCompactThumb &in_thumb, int in_quarterTurns);

// Bytes of decoded pictures the cache may hold (default 48 MiB, a screenful of the largest
// thumbnails on a 4K screen). Lowering it drops pictures at once, least recently used first.
void VYRThumbCacheSetLimit(qint64 in_bytes);
qint64 VYRThumbCacheLimit();
// Bytes of decoded pictures held now.
qint64 VYRThumbCacheCost();
// Drops every decoded picture; each is decoded again when next drawn.
void VYRThumbCacheClear();
