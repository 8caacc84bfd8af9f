// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// VYRThumbVw: the thumbnail grid of the current source folder, the upper pane of the main
// window. It fills the grid with the items the document's scan delivers, takes its geometry
// from the settings, queues rotations from mouse clicks (one thumbnail, or a whole row through
// the 20-pixel row handles beside it) and carries the commands that start, restart and stop
// scans, plus Auto Rotate. Everything runs on the user-interface thread, some handlers nested
// inside a running scan (the scan processes events between images).
#pragma once

#include "dyngridview.h"
#include "lnklst.h"
#include "qldocview.h"
#include "qllock.h"

class Document;
class VYRImage;

// Guards VYRThumbVw::m_rowHandles while it is changed and during hover tracking.
extern QLCriticalSection g_rowHandleLock;

// A hot zone beside one grid row.
struct RowHandle
{
    GridRect m_rect; // grid coordinates
    bool m_bHot = false;

    // Sets m_bHot to whether in_point lies in m_rect, and returns it.
    bool HitTest(const QPoint &in_point)
    {
        m_bHot = m_rect.PtInRect(in_point);
        return m_bHot;
    }
    // Black outline on in_rect, filled gray when hot, white otherwise.
    void Draw(QPainter *in_pDC, const GridRect &in_rect) const;
};

// The left and right handle of one row, held by value in the handle list.
struct RowHandlePair
{
    RowHandle m_left;
    RowHandle m_right;

    // Tests the left handle and, only when it misses, the right one; true when either holds
    // the point. The hot marks are left as the tests set them.
    bool HitTest(const QPoint &in_point)
    {
        return m_left.HitTest(in_point) || m_right.HitTest(in_point);
    }
    // Draws both handles at their own rectangles.
    void Draw(QPainter *in_pDC) const
    {
        m_left.Draw(in_pDC, m_left.m_rect);
        m_right.Draw(in_pDC, m_right.m_rect);
    }
};

class VYRThumbVw : public DynGridView, public QLView
{
    Q_OBJECT

public:
    // Width of a row handle, pixels.
    static constexpr int kRowHandleWidth = 20;
    // The Escape key's code as keyboard messages carry it.
    static constexpr int kEscapeKey = 0x1B;

    // Where the view stands with respect to the document's scan.
    enum class ScanState
    {
        Idle,           // no scan
        Scanning,       // a scan fills the grid
        StoppingReload, // a new scan waits for the running one to stop
        StoppingExit,   // the main window closes once the scan has stopped
        StoppingPlain,  // the scan ends at the next image, nothing follows
    };

    explicit VYRThumbVw(QWidget *in_pParent = nullptr);
    ~VYRThumbVw() override;

    // The document this view shows (null before it is added to one).
    Document *GetDoc() const;
    ScanState GetScanState() const;
    int GetHoverRow() const { return m_hoverRow; }
    bool IsReloadPending() const { return m_bReloadPending; }
    bool IsExitPending() const { return m_bExitPending; }
    // Number of row handle pairs; GetRowHandles copies pair in_row out (false outside).
    int GetRowHandleCount() const;
    bool GetRowHandles(int in_row, RowHandlePair &out_pair) const;

    // --- Framework steps --------------------------------------------------------------------
    // Registers this view as the target of the scan's stop notice, sets the control bar's
    // size combo and check boxes from the settings, and applies the grid geometry.
    void OnInitialUpdate() override;
    // HINT_RESET: stops a running scan and empties the grid; HINT_ITEM_ADDED: adds a cell for
    // the item. Other hints and this view's own notices are ignored.
    void OnUpdate(QLView *in_pSender, long in_hint, void *in_pHint) override;
    // Routes 40002, 40006, 1025, 1015, 1032 and 1018's selection change to their handlers.
    // Returns true for those.
    bool OnCmdMsg(unsigned in_id, int in_code, void *in_pExtra) override;

    // --- Own operations ---------------------------------------------------------------------
    // Empties the view and scans in_path, or defers the scan until the running one stops.
    void LoadFolder(const QString &in_path);
    // Deletes every cell and row handle and repaints the whole view.
    void ResetView();
    // Passes the settings' background, margins, spacing, padding and thumbnail size to the grid.
    void ApplySettings();
    // Left and right together, or middle: 180; left: -90; right: 90; none: 0.
    static int AngleFromButtons(unsigned in_flags);
    // Removes every row handle pair; no handle is hovered afterwards.
    void ClearRowHandles();

    // --- Handlers -----------------------------------------------------------------------------
    void OnDraw(QPainter *in_pDC) override;
    void OnSize(unsigned in_type, int in_cx, int in_cy) override;
    void OnNewRow(int in_row, const GridRect &in_rowRect) override;
    void OnCellMouseMove(GridCell *in_pCell, const QPoint &in_point, unsigned in_flags) override;
    void OnCellClick(GridCell *in_pCell, const QPoint &in_point, unsigned in_flags) override;
    // Escape during a scan asks whether to stop it. Returns true when the key was used.
    bool OnKeyDown(int in_key, int in_repeat, unsigned in_flags);
    // Ctrl+R and Ctrl+L: queues a quarter turn clockwise (in_angle 90) or counter-clockwise
    // (-90) of the photo with the keyboard focus, as a click would. Nothing without one.
    void QueueFocused(int in_angle);
    // Scrolls one line up (in_delta > 0) or down, whatever the size of in_delta.
    bool OnMouseWheel(unsigned in_flags, int in_delta, const QPoint &in_point);
    void OnExit();
    void OnRefresh();
    void OnBrowseSource();
    void OnIncludeSubdirs();
    void OnThumbSizeChange();
    void OnLoadingStopped();
    // Queues the rotation each thumbnail's Exif Orientation asks for and shows a summary.
    void OnAutoRotate();

protected:
    bool event(QEvent *in_pEvent) override;
    void keyPressEvent(QKeyEvent *in_pEvent) override;
    void wheelEvent(QWheelEvent *in_pEvent) override;

private:
    // Turns one cell's item by in_angle and queues it; an angle of 0 queues nothing.
    void QueueCell(GridCell *in_pCell, int in_angle);
    // Repaints both handles of a pair.
    void InvalidatePair(const RowHandlePair &in_pair);
    // Ends the hover on m_hoverRow's handles (they are drawn plain again).
    void ClearHoverPair();

    int m_hoverRow = -1;
    QLLinkedList<RowHandlePair> m_rowHandles;
    bool m_bReloadPending = false;
    bool m_bExitPending = false;
    // The hovered pair with the hot marks its point test left, drawn over the plain one.
    RowHandlePair m_hoverPair;
};
