// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// DynGridView's keyboard side: the focus cell and the keys that move it.
#include "dyngridview.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollBar>

namespace {
// The focus frame lies this far inside the cell's black (or red) frame, in its padding.
constexpr int kFocusInsetPx = 2;
// The frame's width: it fits the padding, never over the picture.
constexpr int kFocusBandPx = 2;
} // namespace

void DynGridView::SetFocusIndex(int in_index, bool in_bScroll)
{
    if (in_index < -1 || in_index >= GetCellCount())
        return;
    if (in_index != m_focusIndex) {
        if (GridCell *old = GetCell(m_focusIndex))
            InvalidateGridRect(old->GetRect());
        m_focusIndex = in_index;
        if (GridCell *now = GetCell(m_focusIndex))
            InvalidateGridRect(now->GetRect());
    }
    if (in_bScroll && m_focusIndex >= 0)
        EnsureCellVisible(m_focusIndex);
}

void DynGridView::EnsureCellVisible(int in_index)
{
    const GridCell *cell = GetCell(in_index);
    if (!cell)
        return;
    // The gap next to the cell comes along, and the margin with the first and last rows, so
    // that the frame never sits on the view's edge.
    const int cols = qMax(1, m_layout.GetColumnCount());
    const int gap = qMax(0, m_layout.GetSpacing().height());
    const GridRect &rect = cell->GetRect();
    const int wantTop = in_index < cols ? 0 : rect.top - gap;
    const int wantBottom = in_index / cols == (GetCellCount() - 1) / cols
                               ? m_layout.GetTotalHeight()
                               : rect.bottom + gap;
    QScrollBar *bar = verticalScrollBar();
    const int top = bar->value();
    const int height = viewport()->height();
    int target = top;
    if (wantBottom > top + height)
        target = wantBottom - height;
    if (wantTop < target)
        target = wantTop;
    if (target != top)
        bar->setValue(qBound(bar->minimum(), target, bar->maximum()));
}

int DynGridView::FirstVisibleIndex() const
{
    const int n = GetCellCount();
    const int cols = qMax(1, m_layout.GetColumnCount());
    const int top = GetScrollPosition().y();
    for (int i = 0; i < n; i += cols) {
        const GridCell *cell = GetCell(i);
        if (cell && cell->GetRect().bottom > top)
            return i;
    }
    return n > 0 ? 0 : -1;
}

void DynGridView::DrawFocusFrame(QPainter *in_pDC, GridCell *in_pCell)
{
    if (!in_pDC || !in_pCell)
        return;
    // A solid band in the highlight colour, inside the cell's frame and outside the picture:
    // the style's focus rectangle (a faint outline that Fusion shows only after Tab, with a
    // tint over the photo) is easily missed on a grid of photos and changes their colours.
    const GridRect &rect = in_pCell->GetRect();
    const QRect outer(rect.left + kFocusInsetPx, rect.top + kFocusInsetPx,
                      rect.Width() - 2 * kFocusInsetPx, rect.Height() - 2 * kFocusInsetPx);
    const QRect inner = outer.adjusted(kFocusBandPx, kFocusBandPx, -kFocusBandPx, -kFocusBandPx);
    in_pDC->save();
    in_pDC->setClipRegion(QRegion(outer).subtracted(QRegion(inner)), Qt::IntersectClip);
    in_pDC->fillRect(outer, palette().color(QPalette::Active, QPalette::Highlight));
    in_pDC->restore();
}

void DynGridView::keyPressEvent(QKeyEvent *in_pEvent)
{
    const Qt::KeyboardModifiers modifiers =
        in_pEvent->modifiers() & ~(Qt::KeypadModifier | Qt::ControlModifier);
    const int n = GetCellCount();
    const int cols = qMax(1, m_layout.GetColumnCount());
    const int current = m_focusIndex;
    const int last = n - 1;
    const int rowPitch = m_layout.GetCellSize().height() + m_layout.GetSpacing().height();
    const int pageRows = rowPitch > 0 ? qMax(1, viewport()->height() / rowPitch) : 1;
    int target = current;
    switch (modifiers == Qt::NoModifier ? in_pEvent->key() : 0) {
    case Qt::Key_Left:
        target = current < 0 ? 0 : qMax(0, current - 1);
        break;
    case Qt::Key_Right:
        target = current < 0 ? 0 : qMin(last, current + 1);
        break;
    case Qt::Key_Up:
        target = current < 0 ? 0 : (current >= cols ? current - cols : current);
        break;
    case Qt::Key_Down:
        // From a row above a shorter last row, Down lands on that row's last photo.
        target = current < 0                    ? 0
                 : current / cols < last / cols ? qMin(last, current + cols)
                                                : current;
        break;
    case Qt::Key_PageUp:
        target = current < 0 ? 0 : qMax(current % cols, current - pageRows * cols);
        break;
    case Qt::Key_PageDown:
        target = current < 0 ? 0 : qMin(last, current + pageRows * cols);
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = last;
        break;
    default:
        QAbstractScrollArea::keyPressEvent(in_pEvent);
        return;
    }
    in_pEvent->accept();
    if (n > 0)
        SetFocusIndex(target, true);
}

void DynGridView::focusInEvent(QFocusEvent *in_pEvent)
{
    QAbstractScrollArea::focusInEvent(in_pEvent);
    // Reached by Tab (or given back to the window): the keys start at the first photo in
    // sight. A click picks its own photo.
    if (m_focusIndex < 0 && in_pEvent->reason() != Qt::MouseFocusReason)
        m_focusIndex = FirstVisibleIndex();
    if (GridCell *cell = GetCell(m_focusIndex))
        InvalidateGridRect(cell->GetRect());
}

void DynGridView::focusOutEvent(QFocusEvent *in_pEvent)
{
    QAbstractScrollArea::focusOutEvent(in_pEvent);
    if (GridCell *cell = GetCell(m_focusIndex))
        InvalidateGridRect(cell->GetRect());
}
