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
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace {
// The focus frame lies this far inside the cell's black (or red) frame, in its padding.
constexpr int kFocusInsetPx = 2;
// Only this band of the style's frame is drawn: Fusion also tints the frame's inside, and a
// photo tool must not change the colours of the photo it frames.
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
    const GridRect &rect = in_pCell->GetRect();
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = QRect(rect.left + kFocusInsetPx, rect.top + kFocusInsetPx,
                        rect.Width() - 2 * kFocusInsetPx, rect.Height() - 2 * kFocusInsetPx);
    option.backgroundColor = m_backgroundBrush.color();
    // Styles such as Fusion draw the frame only after focus moved by Tab; a photo framed by a
    // click and moved with the arrows must show it too, or the keys act on an unseen photo.
    option.state |= QStyle::State_KeyboardFocusChange | QStyle::State_HasFocus;
    const QRect inside = option.rect.adjusted(kFocusBandPx, kFocusBandPx, -kFocusBandPx,
                                              -kFocusBandPx);
    in_pDC->save();
    in_pDC->setClipRegion(QRegion(option.rect).subtracted(QRegion(inside)), Qt::IntersectClip);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, in_pDC, this);
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
