// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The grid's geometry without a widget: half-open rectangles, cells and the layout that puts
// equally sized cells in rows and columns for a given client width. DynGridView holds one
// GridLayout and re-flows it on every resize; tests use it on its own.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include "lnklst.h"

class QColor;
class QLImage;
class QPainter;

// A rectangle (left, top, right, bottom) whose right and bottom edges lie outside it.
struct GridRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    GridRect() = default;
    constexpr GridRect(int in_left, int in_top, int in_right, int in_bottom)
        : left(in_left), top(in_top), right(in_right), bottom(in_bottom)
    {
    }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    // True when left <= x < right and top <= y < bottom.
    bool PtInRect(const QPoint &in_point) const
    {
        return in_point.x() >= left && in_point.x() < right && in_point.y() >= top &&
               in_point.y() < bottom;
    }
    // The same pixels as a QRect (whose right() is inclusive).
    QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }
    bool operator==(const GridRect &in_other) const
    {
        return left == in_other.left && top == in_other.top && right == in_other.right &&
               bottom == in_other.bottom;
    }
    bool operator!=(const GridRect &in_other) const { return !(*this == in_other); }
};

// One cell of the grid: its outer rectangle in grid coordinates, the padding it was added
// with, and the item it draws (not owned; the item must outlive the cell).
class GridCell
{
public:
    explicit GridCell(QLImage *in_pItem) : m_pItem(in_pItem) {}
    virtual ~GridCell() = default;
    GridCell(const GridCell &) = delete;
    GridCell &operator=(const GridCell &) = delete;

    // Paints the item at the inner rectangle's top-left corner (at its own size, unclipped)
    // and a 1-pixel black frame on m_rect. An item that cannot be painted leaves the cell
    // empty; the frame is still drawn.
    virtual void Draw(QPainter *in_pDC);

    QLImage *GetItem() const { return m_pItem; }
    int GetIndex() const { return m_index; }
    void SetIndex(int in_index) { m_index = in_index; }
    const GridRect &GetRect() const { return m_rect; }
    void SetRect(const GridRect &in_rect) { m_rect = in_rect; }
    const GridRect &GetPadding() const { return m_padding; }
    void SetPadding(const GridRect &in_padding) { m_padding = in_padding; }
    // m_rect shrunk by the padding on each side.
    GridRect GetInnerRect() const;
    bool PtInCell(const QPoint &in_point) const { return m_rect.PtInRect(in_point); }

private:
    GridRect m_rect;
    GridRect m_padding;
    QLImage *m_pItem = nullptr;
    int m_index = 0;
};

// The grid arithmetic and the list of cells (which it does not delete). Every setter ends
// with Relayout, so each cell's rectangle always matches GetCellRect for its index.
class GridLayout
{
public:
    GridLayout() = default;
    GridLayout(const GridLayout &) = delete;
    GridLayout &operator=(const GridLayout &) = delete;

    void SetClientSize(int in_cx, int in_cy);
    void SetMargins(const GridRect &in_margins);
    void SetCellSize(int in_cx, int in_cy);
    void SetSpacing(int in_horz, int in_vert);

    // Appends in_pCell and sets its rectangle; false (and nothing changes) when the list
    // refuses it.
    bool Add(GridCell *in_pCell);
    // Forgets every cell without deleting it.
    void Clear();

    int GetCount() const { return m_cells.GetCount(); }
    // The cell at in_index, or null outside 0..GetCount()-1.
    GridCell *GetCell(int in_index) const;

    // (W - L - R + hs) / (cw + hs) in signed division, but at least 1 once a cell exists;
    // 0 when cw + hs is 0.
    int GetColumnCount() const;
    // Ceiling of cells / columns; 0 without cells.
    int GetRowCount() const;
    // All zero when there are no columns.
    GridRect GetCellRect(int in_index) const;
    int GetTotalWidth() const;
    // Bottom of the last row plus the bottom margin; the bottom margin alone when empty.
    int GetTotalHeight() const;
    int GetFirstIndexOfRow(int in_row) const;
    void Relayout();

    const QSize &GetClientSize() const { return m_clientSize; }
    const GridRect &GetMargins() const { return m_margins; }
    const QSize &GetCellSize() const { return m_cellSize; }
    const QSize &GetSpacing() const { return m_spacing; }

private:
    QSize m_clientSize{0, 0};
    GridRect m_margins;
    QSize m_cellSize{0, 0};
    QSize m_spacing{0, 0};
    QLLinkedList<GridCell *> m_cells;
};

// Outlines a half-open rectangle on its own border pixels (a cell's frame, the hover frame).
void GridFrameRect(QPainter *in_pDC, const GridRect &in_rect, const QColor &in_colour);
