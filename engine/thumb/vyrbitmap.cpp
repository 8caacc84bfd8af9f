// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrbitmap.h"

#include "thumb/vyrthumbcache.h"

int VYRBitmap::Width() const
{
    return m_compact ? VYRTurnedBoxSize(*m_compact, m_quarterTurns).width() : m_image.width();
}

int VYRBitmap::Height() const
{
    return m_compact ? VYRTurnedBoxSize(*m_compact, m_quarterTurns).height() : m_image.height();
}

// Exact quarter turns. QImage::transformed() with a rotation matrix goes through the
// affine path and may shift by a pixel or blend edges; mapping pixels by hand cannot.
QImage VYRTurnImage(const QImage &in_image, int in_quarters)
{
    const int quarters = ((in_quarters % 4) + 4) % 4;
    if (quarters == 0)
        return in_image;
    if (quarters == 2)
        return in_image.mirrored(true, true);
    const int w = in_image.width();
    const int h = in_image.height();
    const QImage src = in_image.format() == QImage::Format_RGB32 ||
                               in_image.format() == QImage::Format_ARGB32 ||
                               in_image.format() == QImage::Format_ARGB32_Premultiplied
                           ? in_image
                           : in_image.convertToFormat(QImage::Format_ARGB32);
    QImage out(h, w, src.format());
    if (out.isNull())
        return out;
    for (int y = 0; y < h; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(src.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            // Clockwise: (x, y) goes to (h-1-y, x); counter-clockwise: to (y, w-1-x).
            if (quarters == 1)
                reinterpret_cast<QRgb *>(out.scanLine(x))[h - 1 - y] = row[x];
            else
                reinterpret_cast<QRgb *>(out.scanLine(w - 1 - x))[y] = row[x];
        }
    }
    return out;
}
