// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// DynGridView: a scrolling view of equally sized cells in rows and columns. The column count
// follows the window width, so every resize or geometry change re-flows all cells; the view
// scrolls vertically only. It keeps a hover selection (the cell under the pointer gets a red
// frame) and hands clicks and moves, already in grid coordinates and resolved to a cell, to
// virtual operations that a derived view overrides. It knows nothing about images beyond the
// item's Display.
#pragma once

#include <QAbstractScrollArea>
#include <QBrush>
#include <QPoint>
#include <QRect>
#include <QSize>

#include "gridlayout.h"

class QLImage;
class QPainter;

// Mouse key-state flags passed with every mouse notification, as the platform defines them.
enum : unsigned
{
    QL_MK_LBUTTON = 0x0001,
    QL_MK_RBUTTON = 0x0002,
    QL_MK_SHIFT = 0x0004,
    QL_MK_CONTROL = 0x0008,
    QL_MK_MBUTTON = 0x0010,
};

class DynGridView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit DynGridView(QWidget *in_pParent = nullptr);
    ~DynGridView() override;

    // Geometry. None of these repaints or changes the scroll extent.
    void SetMargins(const GridRect &in_margins);
    void SetSpacing(int in_horz, int in_vert);
    // Applies to cells added afterwards and to the next SetCellSize; no relayout.
    void SetPadding(const GridRect &in_padding);
    // Item size; the cell is that plus the current padding. Call after SetPadding.
    void SetCellSize(int in_itemWidth, int in_itemHeight);
    void EnableSelectionTracking(bool in_bEnable);
    bool IsSelectionTrackingEnabled() const { return m_bTrackSelection; }
    // The brush the view's background is filled with.
    void SetBackgroundBrush(const QBrush &in_brush);
    QBrush GetBackgroundBrush() const;

    // Appends a cell for in_pItem, draws it and updates the scroll extent. Returns its index,
    // or -1 when it could not be added. Reports a new row through OnNewRow.
    int AddCell(QLImage *in_pItem);
    // Deletes every cell (not the items) and empties the selection.
    void ClearCells();
    int GetCellCount() const { return m_layout.GetCount(); }
    // The cell at in_index, or null outside the range.
    GridCell *GetCell(int in_index) const { return m_layout.GetCell(in_index); }
    // (columns, rows).
    QSize GetGridSize() const;
    // The row's rectangle over the full column count, also for a partly filled last row.
    GridRect GetRowRect(int in_row) const;
    // The cell containing in_point (grid coordinates), or null for margins and gaps.
    GridCell *HitTest(const QPoint &in_point) const;
    // Vertical extent = total height; page = height / 10, line = page / 10.
    void UpdateScrollSizes();
    int GetScrollTotalHeight() const { return m_scrollTotalHeight; }
    int GetScrollPageSize() const { return m_scrollPage; }
    int GetScrollLineSize() const { return m_scrollLine; }
    QPoint GetScrollPosition() const;

    QPoint ClientToGrid(const QPoint &in_point) const;
    QPoint GridToClient(const QPoint &in_point) const;
    GridRect GridToClient(const GridRect &in_rect) const;

    // Replaces the selection with the cells at the given indices, in that order. The caller
    // repaints what it needs.
    void SelectCells(const int *in_pIndices, int in_count);
    // Empties the selection, repainting each cell that leaves it.
    void ClearSelection();
    bool IsSelected(int in_index) const;
    int GetSelectionCount() const { return m_selection.GetCount(); }

    const GridLayout &GetLayout() const { return m_layout; }

    // Keyboard focus: the cell the arrow keys, Home/End and Page Up/Down move (-1: none). It
    // is framed while the view has the keyboard focus.
    int GetFocusIndex() const { return m_focusIndex; }
    // Makes in_index the focus cell (-1: none; an index outside the cells is refused) and,
    // when in_bScroll is set, scrolls it into view.
    void SetFocusIndex(int in_index, bool in_bScroll = true);
    // Scrolls as little as needed for the cell in_index to be wholly visible (its top when it
    // is taller than the view).
    void EnsureCellVisible(int in_index);

    // Operations a derived view overrides.
    // Makes the cell AddCell appends for in_pItem; the default is a plain GridCell.
    virtual GridCell *CreateCell(QLImage *in_pItem);
    virtual void DrawSelection(QPainter *in_pDC, GridCell *in_pCell);
    // A button went down; in_pCell is null when no cell is under the point.
    virtual void OnCellClick(GridCell *in_pCell, const QPoint &in_point, unsigned in_flags);
    virtual void OnCellMouseMove(GridCell *in_pCell, const QPoint &in_point, unsigned in_flags);
    // Called when a cell starts row in_row; the default leaves a trace.
    virtual void OnNewRow(int in_row, const GridRect &in_rowRect);

    // Paints the cells (and selection frames) on a painter already shifted to grid
    // coordinates. Only cells meeting the area being repainted are drawn.
    virtual void OnDraw(QPainter *in_pDC);
    // The client area is now in_cx by in_cy: re-flow and update the scroll extent.
    virtual void OnSize(unsigned in_type, int in_cx, int in_cy);
    virtual void OnMouseMove(unsigned in_flags, const QPoint &in_point);
    virtual void OnLButtonDown(unsigned in_flags, const QPoint &in_point);
    virtual void OnMButtonDown(unsigned in_flags, const QPoint &in_point);
    virtual void OnRButtonDown(unsigned in_flags, const QPoint &in_point);

    // The key-state flags of a mouse event (buttons held after it, Shift, Control).
    static unsigned MouseFlags(Qt::MouseButtons in_buttons, Qt::KeyboardModifiers in_modifiers);

protected:
    // Draws every cell that meets in_gridArea (grid coordinates).
    void DrawCells(QPainter *in_pDC, const QRect &in_gridArea);
    // Repaints a rectangle given in grid coordinates (no-op when empty).
    void InvalidateGridRect(const GridRect &in_rect);
    // The area of the current repaint in grid coordinates: the whole visible client area
    // outside a paint event.
    QRect GetDrawArea() const;

    // Draws the keyboard focus frame of in_pCell, inside the cell's own frame.
    virtual void DrawFocusFrame(QPainter *in_pDC, GridCell *in_pCell);
    // The first cell at least partly visible, or -1 without cells.
    int FirstVisibleIndex() const;

    bool event(QEvent *in_pEvent) override;
    void keyPressEvent(QKeyEvent *in_pEvent) override;
    void focusInEvent(QFocusEvent *in_pEvent) override;
    void focusOutEvent(QFocusEvent *in_pEvent) override;
    void paintEvent(QPaintEvent *in_pEvent) override;
    void resizeEvent(QResizeEvent *in_pEvent) override;
    void mouseMoveEvent(QMouseEvent *in_pEvent) override;
    void mousePressEvent(QMouseEvent *in_pEvent) override;
    void scrollContentsBy(int in_dx, int in_dy) override;

    GridLayout m_layout;
    GridRect m_padding;
    bool m_bTrackSelection = false;
    QLLinkedList<GridCell *> m_selection;

private:
    QBrush m_backgroundBrush;
    int m_scrollTotalHeight = 0;
    int m_scrollPage = 0;
    int m_scrollLine = 0;
    QRect m_drawArea; // set during a paint event, grid coordinates
    bool m_bPainting = false;
    int m_focusIndex = -1;
};
