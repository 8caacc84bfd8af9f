// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrenginebitmap.h"

#include "thumb/vyrbitmap.h"
#include "thumb/vyrthumbcache.h"

#include <QPainter>
#include <QRect>

#include <cstring>

int VYREngineCopyBitmap(VYRBitmap *out_pDest, const VYRBitmap *in_pSource)
{
    if (!out_pDest || !in_pSource)
        return VYR_ERR_INVALID_PARAMETER;
    if (in_pSource->IsEmpty())
        return VYR_ERR_EMPTY_BITMAP;
    if (in_pSource->m_compact) {
        // The compact data never changes, so sharing it is as good as a copy, and the
        // reference count is safe across threads.
        out_pDest->m_image = QImage();
        out_pDest->m_compact = in_pSource->m_compact;
        out_pDest->m_quarterTurns = in_pSource->m_quarterTurns;
        out_pDest->m_orientation = in_pSource->m_orientation;
        return VYR_SUCCESS;
    }
    // A real copy, not a shared one: the record must own its pixels, as the caller relies on
    // when the source record goes away on another thread.
    QImage copy = in_pSource->m_image.copy();
    if (copy.isNull())
        return VYR_ERR_NO_MEMORY;
    out_pDest->m_image = std::move(copy);
    out_pDest->m_compact.reset();
    out_pDest->m_quarterTurns = 0;
    out_pDest->m_orientation = in_pSource->m_orientation;
    return VYR_SUCCESS;
}

int VYREngineFreeBitmap(VYRBitmap *inout_pBitmap)
{
    if (inout_pBitmap)
        *inout_pBitmap = VYRBitmap();
    return VYR_SUCCESS;
}

int VYREngineRotateBitmap(VYRBitmap *inout_pBitmap, int in_angle, uint32_t, int32_t)
{
    if (!inout_pBitmap)
        return VYR_ERR_INVALID_PARAMETER;
    if (in_angle % 9000 != 0)
        return VYR_ERR_INVALID_PARAMETER;
    if (inout_pBitmap->IsEmpty())
        return VYR_ERR_EMPTY_BITMAP;
    const int quarters = ((in_angle / 9000) % 4 + 4) % 4;
    if (quarters == 0)
        return VYR_SUCCESS;
    if (inout_pBitmap->m_compact) {
        inout_pBitmap->m_quarterTurns = (inout_pBitmap->m_quarterTurns + quarters) % 4;
        return VYR_SUCCESS;
    }
    QImage turned = VYRTurnImage(inout_pBitmap->m_image, quarters);
    if (turned.isNull())
        return VYR_ERR_NO_MEMORY;
    inout_pBitmap->m_image = std::move(turned);
    return VYR_SUCCESS;
}

namespace {

// The whole box of a compact record, turned: matte, and the picture where it lies.
QImage ComposeCompact(const VYRBitmap &in_bitmap)
{
    const VYRCompactThumb &thumb = *in_bitmap.m_compact;
    const QImage picture = VYRThumbCacheGet(thumb, in_bitmap.m_quarterTurns);
    QImage box(VYRTurnedBoxSize(thumb, in_bitmap.m_quarterTurns), QImage::Format_RGB32);
    if (picture.isNull() || box.isNull())
        return QImage();
    box.fill(thumb.m_matte);
    const QRect where = VYRTurnedPictureRect(thumb, in_bitmap.m_quarterTurns);
    for (int y = 0; y < where.height(); ++y) {
        std::memcpy(box.scanLine(where.top() + y) + size_t(where.left()) * 4,
                    picture.constScanLine(y), size_t(where.width()) * 4);
    }
    return box;
}

// The everyday case of a grid cell: a compact thumbnail drawn whole, unscaled, as stored. The
// matte is filled around the picture and the picture comes straight from the cache, so
// nothing box-sized is built for a paint.
int PaintCompact(QPainter *in_pDC, const VYRBitmap &in_bitmap, const QRect &in_dest,
                 const QRect *in_pDestClip)
{
    const VYRCompactThumb &thumb = *in_bitmap.m_compact;
    const QImage picture = VYRThumbCacheGet(thumb, in_bitmap.m_quarterTurns);
    if (picture.isNull())
        return VYR_ERR_NO_MEMORY;
    const QRect box = in_dest;
    const QRect where =
        VYRTurnedPictureRect(thumb, in_bitmap.m_quarterTurns).translated(box.topLeft());
    const QColor matte = QColor::fromRgb(thumb.m_matte);

    in_pDC->save();
    if (in_pDestClip)
        in_pDC->setClipRect(*in_pDestClip, Qt::IntersectClip);
    in_pDC->setCompositionMode(QPainter::CompositionMode_Source);
    // Up to four bands of matte around the picture (above, below, left, right).
    if (where.top() > box.top())
        in_pDC->fillRect(QRect(box.left(), box.top(), box.width(), where.top() - box.top()), matte);
    if (where.bottom() < box.bottom())
        in_pDC->fillRect(
            QRect(box.left(), where.bottom() + 1, box.width(), box.bottom() - where.bottom()),
            matte);
    if (where.left() > box.left())
        in_pDC->fillRect(QRect(box.left(), where.top(), where.left() - box.left(), where.height()),
                         matte);
    if (where.right() < box.right())
        in_pDC->fillRect(
            QRect(where.right() + 1, where.top(), box.right() - where.right(), where.height()),
            matte);
    in_pDC->drawImage(where.topLeft(), picture);
    in_pDC->restore();
    return VYR_SUCCESS;
}

} // namespace

QImage VYREngineDisplayImage(const VYRBitmap &in_bitmap)
{
    const QImage img = in_bitmap.m_compact ? ComposeCompact(in_bitmap) : in_bitmap.m_image;
    bool known = false;
    const VYROrientation orientation =
        VYROrientation::FromBitmapCode(in_bitmap.m_orientation, &known);
    if (!known)
        return img;
    return VYRTurnImage(orientation.IsMirrored() ? img.mirrored(true, false) : img,
                        orientation.QuarterTurns());
}

VYRBitmap VYREnginePlainBitmap(const VYRBitmap &in_bitmap)
{
    if (!in_bitmap.m_compact)
        return in_bitmap;
    VYRBitmap plain;
    plain.m_image = ComposeCompact(in_bitmap);
    if (!plain.m_image.isNull())
        plain.m_orientation = in_bitmap.m_orientation;
    return plain;
}

int VYREnginePaintBitmap(QPainter *in_pDC, const VYRBitmap *in_pBitmap, const QRect *in_pSource,
                         const QRect *in_pSourceClip, const QRect *in_pDest,
                         const QRect *in_pDestClip, uint32_t in_rop)
{
    if (!in_pDC || !in_pDC->isActive())
        return VYR_ERR_PAINT;
    if (!in_pBitmap || !in_pDest || in_rop != VYR_SRCCOPY)
        return VYR_ERR_INVALID_PARAMETER;
    if (in_pBitmap->IsEmpty())
        return VYR_ERR_EMPTY_BITMAP;

    if (in_pBitmap->m_compact && !in_pSource && !in_pSourceClip &&
        in_pBitmap->m_orientation == VYR_ORIENT_NORMAL &&
        in_pDest->size() == QSize(in_pBitmap->Width(), in_pBitmap->Height()))
        return PaintCompact(in_pDC, *in_pBitmap, *in_pDest, in_pDestClip);

    const QImage shown = VYREngineDisplayImage(*in_pBitmap);
    if (shown.isNull())
        return VYR_ERR_NO_MEMORY;
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
