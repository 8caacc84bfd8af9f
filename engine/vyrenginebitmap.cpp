// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrenginebitmap.h"

#include <QPainter>
#include <QRect>
#include <QTransform>

int VYREngineCopyBitmap(VYRBitmap *out_pDest, const VYRBitmap *in_pSource)
{
    if (!out_pDest || !in_pSource)
        return VYR_ERR_INVALID_PARAMETER;
    if (in_pSource->m_image.isNull())
        return VYR_ERR_EMPTY_BITMAP;
    // A real copy, not a shared one: the record must own its pixels, as the caller relies on
    // when the source record goes away on another thread.
    QImage copy = in_pSource->m_image.copy();
    if (copy.isNull())
        return VYR_ERR_NO_MEMORY;
    out_pDest->m_image = std::move(copy);
    out_pDest->m_orientation = in_pSource->m_orientation;
    return VYR_SUCCESS;
}

int VYREngineFreeBitmap(VYRBitmap *inout_pBitmap)
{
    if (inout_pBitmap) {
        inout_pBitmap->m_image = QImage();
        inout_pBitmap->m_orientation = VYR_ORIENT_NORMAL;
    }
    return VYR_SUCCESS;
}

namespace {

// Exact quarter turns. QImage::transformed() with a rotation matrix goes through the
// affine path and may shift by a pixel or blend edges; mapping pixels by hand cannot.
QImage TurnQuarter(const QImage &in_image, int in_quarters)
{
    const int w = in_image.width();
    const int h = in_image.height();
    if (in_quarters == 2) {
        QImage out = in_image.mirrored(true, true);
        return out;
    }
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
            if (in_quarters == 1)
                reinterpret_cast<QRgb *>(out.scanLine(x))[h - 1 - y] = row[x];
            else
                reinterpret_cast<QRgb *>(out.scanLine(w - 1 - x))[y] = row[x];
        }
    }
    return out;
}

} // namespace

int VYREngineRotateBitmap(VYRBitmap *inout_pBitmap, int in_angle, uint32_t, int32_t)
{
    if (!inout_pBitmap)
        return VYR_ERR_INVALID_PARAMETER;
    if (in_angle % 9000 != 0)
        return VYR_ERR_INVALID_PARAMETER;
    if (inout_pBitmap->m_image.isNull())
        return VYR_ERR_EMPTY_BITMAP;
    const int quarters = ((in_angle / 9000) % 4 + 4) % 4;
    if (quarters == 0)
        return VYR_SUCCESS;
    QImage turned = TurnQuarter(inout_pBitmap->m_image, quarters);
    if (turned.isNull())
        return VYR_ERR_NO_MEMORY;
    inout_pBitmap->m_image = std::move(turned);
    return VYR_SUCCESS;
}

QImage VYREngineDisplayImage(const VYRBitmap &in_bitmap)
{
    const QImage &img = in_bitmap.m_image;
    switch (in_bitmap.m_orientation) {
    case VYR_ORIENT_MIRROR:
        return img.mirrored(true, false);
    case VYR_ORIENT_ROTATE_180:
        return img.mirrored(true, true);
    case VYR_ORIENT_FLIP:
        return img.mirrored(false, true);
    case VYR_ORIENT_TRANSPOSE:
        return TurnQuarter(img, 1).mirrored(true, false);
    case VYR_ORIENT_ROTATE_90:
        return TurnQuarter(img, 1);
    case VYR_ORIENT_TRANSVERSE:
        return TurnQuarter(img, 3).mirrored(true, false);
    case VYR_ORIENT_ROTATE_270:
        return TurnQuarter(img, 3);
    default:
        return img;
    }
}

int VYREnginePaintBitmap(QPainter *in_pDC, const VYRBitmap *in_pBitmap, const QRect *in_pSource,
                         const QRect *in_pSourceClip, const QRect *in_pDest,
                         const QRect *in_pDestClip, uint32_t in_rop)
{
    if (!in_pDC || !in_pDC->isActive())
        return VYR_ERR_PAINT;
    if (!in_pBitmap || !in_pDest || in_rop != VYR_SRCCOPY)
        return VYR_ERR_INVALID_PARAMETER;
    if (in_pBitmap->m_image.isNull())
        return VYR_ERR_EMPTY_BITMAP;

    const QImage shown = VYREngineDisplayImage(*in_pBitmap);
    QRect source = in_pSource ? *in_pSource : shown.rect();
    if (in_pSourceClip)
        source &= *in_pSourceClip;
    if (source.isEmpty() || in_pDest->isEmpty())
        return VYR_SUCCESS;

    in_pDC->save();
    if (in_pDestClip)
        in_pDC->setClipRect(*in_pDestClip, Qt::IntersectClip);
    // A plain copy: the pixels replace what is under them, whatever the painter's mode was.
    in_pDC->setCompositionMode(QPainter::CompositionMode_Source);
    in_pDC->drawImage(*in_pDest, shown, source);
    in_pDC->restore();
    return VYR_SUCCESS;
}
