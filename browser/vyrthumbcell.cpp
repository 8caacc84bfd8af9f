// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrthumbcell.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <memory>

#include "qlimg.h"
#include "qltrace.h"

namespace {
// Outline on the rectangle's own border pixels. A cosmetic pen without antialiasing lands on
// whole device pixels at any scale factor, so the frame stays one sharp line at 1.5x and 2x.
void Outline(QPainter *in_pDC, const QRect &in_rect, const QColor &in_colour, int in_widthPx)
{
    in_pDC->setBrush(Qt::NoBrush);
    in_pDC->setRenderHint(QPainter::Antialiasing, false);
    for (int k = 0; k < in_widthPx; ++k) {
        in_pDC->setPen(QPen(in_colour, 0));
        in_pDC->drawRect(in_rect.adjusted(k, k, -k - 1, -k - 1));
    }
}
} // namespace

VYRThumbCell::VYRThumbCell(QLImage *in_pItem, const VYRCellLook *in_pLook)
    : GridCell(in_pItem), m_pLook(in_pLook)
{
}

const QString &VYRThumbCell::ShownName(int in_widthPx)
{
    if (in_widthPx != m_shownWidthPx || m_pLook->m_fontSerial != m_shownFontSerial) {
        const QString name = GetItem() ? GetItem()->GetFileName() : QString();
        m_shownName =
            QFontMetrics(m_pLook->m_font).elidedText(name, Qt::ElideMiddle, qMax(0, in_widthPx));
        m_shownWidthPx = in_widthPx;
        m_shownFontSerial = m_pLook->m_fontSerial;
    }
    return m_shownName;
}

void VYRThumbCell::Draw(QPainter *in_pDC)
{
    if (!in_pDC || !m_pLook)
        return;
    const QRect outer = GetRect().ToQRect();
    const GridRect inner = GetInnerRect();
    in_pDC->save();
    if (m_bMarked)
        in_pDC->fillRect(outer, m_pLook->m_markFill);
    if (QLImage *item = GetItem()) {
        // Scaled to the screen's pixels the thumbnail is filtered, not doubled into blocks.
        in_pDC->setRenderHint(QPainter::SmoothPixmapTransform, true);
        // A thumbnail that cannot be painted must not stop the rest of the grid.
        try {
            item->Display(in_pDC, inner.left, inner.top);
        } catch (QLException *in_pErr) {
            std::unique_ptr<QLException> err(in_pErr);
            QLTrace("Display failed for cell %d: %d\n", GetIndex(), err->code);
        }
    }
    if (m_suggestedAngle != 0)
        DrawSuggestionBadge(in_pDC, inner);
    if (m_pLook->m_bShowNames && m_pLook->m_labelHeightPx > 0) {
        const QRect line(inner.left, inner.bottom - m_pLook->m_labelHeightPx, inner.Width(),
                         m_pLook->m_labelHeightPx);
        in_pDC->setFont(m_pLook->m_font);
        in_pDC->setPen(m_pLook->m_text);
        in_pDC->drawText(line, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
                         ShownName(line.width()));
    }
    if (m_bMarked)
        Outline(in_pDC, outer, m_pLook->m_markFrame, 2);
    else
        Outline(in_pDC, outer, m_pLook->m_frame, 1);
    in_pDC->restore();
}

void VYRThumbCell::DrawSuggestionBadge(QPainter *in_pDC, const GridRect &in_inner) const
{
    const int diameter = std::max(12, std::min(24, in_inner.Width() / 4));
    const QRectF badge(in_inner.right - diameter - 3, in_inner.top + 3, diameter, diameter);
    in_pDC->save();
    in_pDC->setRenderHint(QPainter::Antialiasing, true);
    in_pDC->setPen(QPen(Qt::white, 1.5));
    in_pDC->setBrush(m_pLook->m_markFrame);
    in_pDC->drawEllipse(badge);
    // Clockwise and counter-clockwise open-circle arrows; up-down arrows for the half turn.
    const QString arrow = m_suggestedAngle == 90    ? QStringLiteral("\u21BB")
                          : m_suggestedAngle == -90 ? QStringLiteral("\u21BA")
                                                    : QStringLiteral("\u21C5");
    QFont font = m_pLook->m_font;
    font.setBold(true);
    font.setPixelSize(std::max(8, diameter * 2 / 3));
    in_pDC->setFont(font);
    in_pDC->drawText(badge, Qt::AlignCenter, arrow);
    in_pDC->restore();
}
