// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "gridlayout.h"

#include <QColor>
#include <QPainter>
#include <memory>

#include "qlimg.h"
#include "qltrace.h"

// As the platform's Rectangle does. Qt strokes one pixel past the right and bottom of a QRect,
// so shrink by one.
void GridFrameRect(QPainter *in_pDC, const GridRect &in_rect, const QColor &in_colour)
{
    if (in_rect.Width() <= 0 || in_rect.Height() <= 0)
        return;
    in_pDC->save();
    in_pDC->setBrush(Qt::NoBrush);
    in_pDC->setPen(QPen(in_colour, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    in_pDC->setRenderHint(QPainter::Antialiasing, false);
    in_pDC->drawRect(in_rect.left, in_rect.top, in_rect.Width() - 1, in_rect.Height() - 1);
    in_pDC->restore();
}

// ---- GridCell ---------------------------------------------------------------------------

GridRect GridCell::GetInnerRect() const
{
    return GridRect(m_rect.left + m_padding.left, m_rect.top + m_padding.top,
                    m_rect.right - m_padding.right, m_rect.bottom - m_padding.bottom);
}

void GridCell::Draw(QPainter *in_pDC)
{
    if (!in_pDC)
        return;
    const GridRect inner = GetInnerRect();
    if (m_pItem) {
        // A thumbnail that cannot be painted must not stop the rest of the grid: the cell
        // stays empty and keeps its frame.
        try {
            m_pItem->Display(in_pDC, inner.left, inner.top);
        } catch (QLException *in_pErr) {
            std::unique_ptr<QLException> err(in_pErr);
            QLTrace("Display failed for cell %d: %d\n", m_index, err->code);
        }
    }
    GridFrameRect(in_pDC, m_rect, QColor(0, 0, 0));
}

// ---- GridLayout -------------------------------------------------------------------------

void GridLayout::SetClientSize(int in_cx, int in_cy)
{
    m_clientSize = QSize(in_cx, in_cy);
    Relayout();
}

void GridLayout::SetMargins(const GridRect &in_margins)
{
    m_margins = in_margins;
    Relayout();
}

void GridLayout::SetCellSize(int in_cx, int in_cy)
{
    m_cellSize = QSize(in_cx, in_cy);
    Relayout();
}

void GridLayout::SetSpacing(int in_horz, int in_vert)
{
    m_spacing = QSize(in_horz, in_vert);
    Relayout();
}

bool GridLayout::Add(GridCell *in_pCell)
{
    if (!m_cells.Insert(m_cells.GetCount(), in_pCell))
        return false;
    if (in_pCell)
        in_pCell->SetRect(GetCellRect(m_cells.GetCount() - 1));
    return true;
}

void GridLayout::Clear()
{
    while (m_cells.GetCount() > 0)
        m_cells.Remove(0);
}

GridCell *GridLayout::GetCell(int in_index) const
{
    GridCell *cell = nullptr;
    if (!m_cells.Get(in_index, cell))
        return nullptr;
    return cell;
}

int GridLayout::GetColumnCount() const
{
    const int d = m_cellSize.width() + m_spacing.width();
    int q = 0;
    if (d != 0) {
        q = (m_clientSize.width() - m_margins.left - m_margins.right + m_spacing.width()) / d;
    }
    if (m_cells.GetCount() > 0 && q < 1)
        return 1;
    return q;
}

int GridLayout::GetRowCount() const
{
    const int n = m_cells.GetCount();
    const int cols = GetColumnCount();
    if (n == 0 || cols <= 0)
        return 0;
    const unsigned un = static_cast<unsigned>(n);
    const unsigned ucols = static_cast<unsigned>(cols);
    return static_cast<int>(un / ucols + (un % ucols != 0 ? 1u : 0u));
}

GridRect GridLayout::GetCellRect(int in_index) const
{
    const int cols = GetColumnCount();
    if (cols <= 0)
        return GridRect();
    const int c = in_index % cols;
    const int r = in_index / cols;
    const int left = c * (m_cellSize.width() + m_spacing.width()) + m_margins.left;
    const int top = r * (m_cellSize.height() + m_spacing.height()) + m_margins.top;
    return GridRect(left, top, left + m_cellSize.width(), top + m_cellSize.height());
}

int GridLayout::GetTotalWidth() const
{
    const int cols = GetColumnCount();
    return cols * m_cellSize.width() + (cols - 1) * m_spacing.width() + m_margins.left +
           m_margins.right;
}

int GridLayout::GetTotalHeight() const
{
    const int rows = GetRowCount();
    if (rows < 1)
        return m_margins.bottom;
    return GetCellRect(GetFirstIndexOfRow(rows - 1)).bottom + m_margins.bottom;
}

int GridLayout::GetFirstIndexOfRow(int in_row) const
{
    return in_row * GetColumnCount();
}

void GridLayout::Relayout()
{
    const int n = m_cells.GetCount();
    for (int i = 0; i < n; ++i) {
        GridCell *cell = GetCell(i);
        if (cell)
            cell->SetRect(GetCellRect(i));
    }
}
