// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "dyngridview.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <memory>

#include "qlimg.h"
#include "qltrace.h"
#include "qlwnd.h"

// ---- DynGridView ------------------------------------------------------------------------

DynGridView::DynGridView(QWidget *in_pParent) : QAbstractScrollArea(in_pParent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    m_backgroundBrush = viewport()->palette().brush(viewport()->backgroundRole());
    UpdateScrollSizes();
}

DynGridView::~DynGridView()
{
    ClearCells();
}

void DynGridView::SetMargins(const GridRect &in_margins)
{
    m_layout.SetMargins(in_margins);
}

void DynGridView::SetSpacing(int in_horz, int in_vert)
{
    m_layout.SetSpacing(in_horz, in_vert);
}

void DynGridView::SetPadding(const GridRect &in_padding)
{
    m_padding = in_padding;
}

void DynGridView::SetCellSize(int in_itemWidth, int in_itemHeight)
{
    m_layout.SetCellSize(in_itemWidth + m_padding.left + m_padding.right,
                         in_itemHeight + m_padding.top + m_padding.bottom);
}

void DynGridView::EnableSelectionTracking(bool in_bEnable)
{
    m_bTrackSelection = in_bEnable;
}

void DynGridView::SetBackgroundBrush(const QBrush &in_brush)
{
    m_backgroundBrush = in_brush;
    QPalette palette = viewport()->palette();
    palette.setBrush(viewport()->backgroundRole(), in_brush);
    viewport()->setPalette(palette);
    viewport()->setAutoFillBackground(true);
}

QBrush DynGridView::GetBackgroundBrush() const
{
    return m_backgroundBrush;
}

int DynGridView::AddCell(QLImage *in_pItem)
{
    GridCell *cell = CreateCell(in_pItem);
    if (!cell || !m_layout.Add(cell)) {
        delete cell;
        return -1;
    }
    const int index = m_layout.GetCount() - 1;
    cell->SetIndex(index);
    cell->SetPadding(m_padding);

    const int cols = m_layout.GetColumnCount();
    if (cols > 0 && index % cols == 0) {
        const int row = index / cols;
        OnNewRow(row, GetRowRect(row));
    }
    // Shown at once: the repaint is queued for the cell's scrolled position and happens as
    // soon as the scan lets events through.
    InvalidateGridRect(cell->GetRect());
    UpdateScrollSizes();
    // Keys typed into a view that was focused while empty act on the first photo.
    if (m_focusIndex < 0 && hasFocus())
        SetFocusIndex(0, false);
    return index;
}

void DynGridView::ClearCells()
{
    const int n = m_layout.GetCount();
    for (int i = 0; i < n; ++i)
        delete m_layout.GetCell(i);
    m_layout.Clear();
    while (m_selection.GetCount() > 0)
        m_selection.Remove(0);
    m_focusIndex = -1;
}

QSize DynGridView::GetGridSize() const
{
    return QSize(m_layout.GetColumnCount(), m_layout.GetRowCount());
}

GridRect DynGridView::GetRowRect(int in_row) const
{
    GridRect rect = m_layout.GetCellRect(m_layout.GetFirstIndexOfRow(in_row));
    rect.right = m_layout.GetTotalWidth() - m_layout.GetMargins().right;
    return rect;
}

GridCell *DynGridView::HitTest(const QPoint &in_point) const
{
    const int n = m_layout.GetCount();
    if (n == 0)
        return nullptr;
    const QSize cell = m_layout.GetCellSize();
    const QSize gap = m_layout.GetSpacing();
    const GridRect &margins = m_layout.GetMargins();
    const int cols = m_layout.GetColumnCount();
    // With a regular layout the only candidate is the cell whose slot holds the point; the
    // walk in index order is kept for geometries where cells could overlap.
    if (cell.width() > 0 && cell.height() > 0 && gap.width() >= 0 && gap.height() >= 0 &&
        cols > 0) {
        const int x = in_point.x() - margins.left;
        const int y = in_point.y() - margins.top;
        if (x < 0 || y < 0)
            return nullptr;
        const int c = x / (cell.width() + gap.width());
        const int r = y / (cell.height() + gap.height());
        if (c >= cols)
            return nullptr;
        const qint64 index = static_cast<qint64>(r) * cols + c;
        if (index >= n)
            return nullptr;
        GridCell *candidate = m_layout.GetCell(static_cast<int>(index));
        return (candidate && candidate->PtInCell(in_point)) ? candidate : nullptr;
    }
    for (int i = 0; i < n; ++i) {
        GridCell *candidate = m_layout.GetCell(i);
        if (candidate && candidate->PtInCell(in_point))
            return candidate;
    }
    return nullptr;
}

void DynGridView::UpdateScrollSizes()
{
    m_scrollTotalHeight = m_layout.GetTotalHeight();
    m_scrollPage = m_scrollTotalHeight / 10;
    m_scrollLine = m_scrollPage / 10;
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, qMax(0, m_scrollTotalHeight - viewport()->height()));
    bar->setPageStep(m_scrollPage);
    bar->setSingleStep(m_scrollLine);
}

QPoint DynGridView::GetScrollPosition() const
{
    return QPoint(0, verticalScrollBar()->value());
}

QPoint DynGridView::ClientToGrid(const QPoint &in_point) const
{
    return in_point + GetScrollPosition();
}

QPoint DynGridView::GridToClient(const QPoint &in_point) const
{
    return in_point - GetScrollPosition();
}

GridRect DynGridView::GridToClient(const GridRect &in_rect) const
{
    const QPoint offset = GetScrollPosition();
    return GridRect(in_rect.left - offset.x(), in_rect.top - offset.y(), in_rect.right - offset.x(),
                    in_rect.bottom - offset.y());
}

void DynGridView::SelectCells(const int *in_pIndices, int in_count)
{
    ClearSelection();
    if (!in_pIndices)
        return;
    for (int k = 0; k < in_count; ++k)
        m_selection.Insert(k, GetCell(in_pIndices[k]));
}

void DynGridView::ClearSelection()
{
    for (int k = m_selection.GetCount() - 1; k >= 0; --k) {
        GridCell *cell = nullptr;
        m_selection.Get(k, cell);
        m_selection.Remove(k);
        if (cell)
            InvalidateGridRect(cell->GetRect());
    }
}

bool DynGridView::IsSelected(int in_index) const
{
    const int count = m_selection.GetCount();
    for (int k = 0; k < count; ++k) {
        GridCell *cell = nullptr;
        if (m_selection.Get(k, cell) && cell && cell->GetIndex() == in_index)
            return true;
    }
    return false;
}

void DynGridView::DrawSelection(QPainter *in_pDC, GridCell *in_pCell)
{
    if (!in_pDC || !in_pCell)
        return;
    GridFrameRect(in_pDC, in_pCell->GetRect(), QColor(255, 0, 0));
}

GridCell *DynGridView::CreateCell(QLImage *in_pItem)
{
    return new GridCell(in_pItem);
}

void DynGridView::OnCellClick(GridCell *, const QPoint &, unsigned) {}

void DynGridView::OnCellMouseMove(GridCell *, const QPoint &, unsigned) {}

void DynGridView::OnNewRow(int in_row, const GridRect &)
{
    QLTrace("OnNewRow(%d)\n", in_row);
}

void DynGridView::OnDraw(QPainter *in_pDC)
{
    DrawCells(in_pDC, GetDrawArea());
}

void DynGridView::DrawCells(QPainter *in_pDC, const QRect &in_gridArea)
{
    const int n = m_layout.GetCount();
    if (!in_pDC || n == 0)
        return;
    int first = 0;
    int last = n - 1;
    const int cols = m_layout.GetColumnCount();
    const int rowPitch = m_layout.GetCellSize().height() + m_layout.GetSpacing().height();
    if (cols > 0 && rowPitch > 0 && m_layout.GetCellSize().height() > 0) {
        // Rows that meet the area, widened by one row each way: an item may paint a little
        // beyond its cell.
        const int top = m_layout.GetMargins().top;
        const int firstRow = qMax(0, (in_gridArea.top() - top) / rowPitch - 1);
        const int lastRow = qMax(0, (in_gridArea.bottom() - top) / rowPitch + 1);
        if (static_cast<qint64>(firstRow) * cols >= n)
            return;
        first = firstRow * cols;
        const qint64 end = (static_cast<qint64>(lastRow) + 1) * cols;
        last = static_cast<int>(qMin<qint64>(n, end)) - 1;
    }
    for (int i = first; i <= last; ++i) {
        GridCell *cell = m_layout.GetCell(i);
        if (!cell)
            continue;
        cell->Draw(in_pDC);
        if (m_bTrackSelection && IsSelected(cell->GetIndex()))
            DrawSelection(in_pDC, cell);
        if (i == m_focusIndex && hasFocus())
            DrawFocusFrame(in_pDC, cell);
    }
}

void DynGridView::InvalidateGridRect(const GridRect &in_rect)
{
    const GridRect client = GridToClient(in_rect);
    if (client.Width() <= 0 || client.Height() <= 0)
        return;
    viewport()->update(client.ToQRect());
}

QRect DynGridView::GetDrawArea() const
{
    if (m_bPainting)
        return m_drawArea;
    return QRect(ClientToGrid(QPoint(0, 0)), viewport()->size());
}

void DynGridView::OnSize(unsigned, int in_cx, int in_cy)
{
    m_layout.SetClientSize(in_cx, in_cy);
    UpdateScrollSizes();
}

void DynGridView::OnMouseMove(unsigned in_flags, const QPoint &in_point)
{
    const QPoint point = ClientToGrid(in_point);
    GridCell *cell = HitTest(point);
    if (cell && m_bTrackSelection) {
        if (m_selection.GetCount() > 1 || !IsSelected(cell->GetIndex())) {
            ClearSelection();
            const int index = cell->GetIndex();
            SelectCells(&index, 1);
            InvalidateGridRect(cell->GetRect());
        }
    }
    if (!cell && m_selection.GetCount() == 1)
        ClearSelection();
    OnCellMouseMove(cell, point, in_flags);
}

void DynGridView::OnLButtonDown(unsigned in_flags, const QPoint &in_point)
{
    const QPoint point = ClientToGrid(in_point);
    OnCellClick(HitTest(point), point, in_flags);
}

void DynGridView::OnMButtonDown(unsigned in_flags, const QPoint &in_point)
{
    const QPoint point = ClientToGrid(in_point);
    OnCellClick(HitTest(point), point, in_flags);
}

void DynGridView::OnRButtonDown(unsigned in_flags, const QPoint &in_point)
{
    const QPoint point = ClientToGrid(in_point);
    OnCellClick(HitTest(point), point, in_flags);
}

unsigned DynGridView::MouseFlags(Qt::MouseButtons in_buttons, Qt::KeyboardModifiers in_modifiers)
{
    unsigned flags = 0;
    if (in_buttons & Qt::LeftButton)
        flags |= QL_MK_LBUTTON;
    if (in_buttons & Qt::RightButton)
        flags |= QL_MK_RBUTTON;
    if (in_buttons & Qt::MiddleButton)
        flags |= QL_MK_MBUTTON;
    if (in_modifiers & Qt::ShiftModifier)
        flags |= QL_MK_SHIFT;
    if (in_modifiers & Qt::ControlModifier)
        flags |= QL_MK_CONTROL;
    return flags;
}

bool DynGridView::event(QEvent *in_pEvent)
{
    if (in_pEvent->type() == QLMessageEvent::Type()) {
        auto *message = static_cast<QLMessageEvent *>(in_pEvent);
        if (message->m_message == QL_WM_VSCROLL) {
            // Only the two line steps are ever posted to this view.
            if (message->m_wParam == QL_SB_LINEDOWN)
                verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            else if (message->m_wParam == QL_SB_LINEUP)
                verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
            return true;
        }
    }
    return QAbstractScrollArea::event(in_pEvent);
}

void DynGridView::paintEvent(QPaintEvent *in_pEvent)
{
    QPainter painter(viewport());
    const QPoint scroll = GetScrollPosition();
    painter.translate(-scroll);
    m_drawArea = in_pEvent->rect().translated(scroll);
    m_bPainting = true;
    OnDraw(&painter);
    m_bPainting = false;
}

void DynGridView::resizeEvent(QResizeEvent *)
{
    // Called for the frame and for its viewport; the client area is the viewport's.
    OnSize(0, viewport()->width(), viewport()->height());
}

void DynGridView::mouseMoveEvent(QMouseEvent *in_pEvent)
{
    OnMouseMove(MouseFlags(in_pEvent->buttons(), in_pEvent->modifiers()),
                in_pEvent->position().toPoint());
}

void DynGridView::mousePressEvent(QMouseEvent *in_pEvent)
{
    const unsigned flags = MouseFlags(in_pEvent->buttons(), in_pEvent->modifiers());
    const QPoint point = in_pEvent->position().toPoint();
    // The clicked photo becomes the one the keys act on; the view does not scroll under the
    // pointer for it.
    if (GridCell *cell = HitTest(ClientToGrid(point)))
        SetFocusIndex(cell->GetIndex(), false);
    switch (in_pEvent->button()) {
    case Qt::LeftButton:
        OnLButtonDown(flags, point);
        break;
    case Qt::MiddleButton:
        OnMButtonDown(flags, point);
        break;
    case Qt::RightButton:
        OnRButtonDown(flags, point);
        break;
    default:
        QAbstractScrollArea::mousePressEvent(in_pEvent);
        return;
    }
    in_pEvent->accept();
}

void DynGridView::scrollContentsBy(int, int)
{
    viewport()->update();
}
