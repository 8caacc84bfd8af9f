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

#include <QPointer>
#include <vector>

#include "dyngridview.h"
#include "lnklst.h"
#include "qldocview.h"
#include "qllock.h"
#include "vyrthumbcell.h"

class Document;
class QRubberBand;
class VYRImage;
class VYRPhotoFactsCache;
class VYRPreview;

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

    // --- File names -----------------------------------------------------------------------
    // Whether names are drawn under the thumbnails (the ShowFileName setting).
    bool IsShowingFileNames() const { return m_look.m_bShowNames; }
    // Shows or hides the names, keeps the choice in the settings and re-flows the grid: a
    // cell is one text line taller with names.
    void SetShowFileNames(bool in_bShow);
    // The height of the name line in pixels; 0 while names are hidden.
    int GetLabelHeight() const { return m_look.m_labelHeightPx; }

    // --- The user's selection ---------------------------------------------------------------
    // Photos the user picked to act on together (Ctrl+click, Shift+arrows, Ctrl+A, a band
    // drawn on the empty space). Not the grid's hover selection (GetSelectionCount), which
    // follows the pointer. Each change is announced by MarkedCountChanged.
    bool IsMarked(int in_index) const;
    // Marks or unmarks the cell in_index; false for an index outside the cells.
    bool SetMarked(int in_index, bool in_bMarked);
    void MarkAll();
    void ClearMarks();
    // Marks exactly the cells from in_first to in_last (either order), unmarking the others.
    void MarkRange(int in_first, int in_last);
    int GetMarkedCount() const { return m_markedCount; }
    // The marked cells' indices in grid order.
    std::vector<int> GetMarkedIndices() const;
    // A quarter turn clockwise (90), counter-clockwise (-90) or a half turn (180) of every
    // marked photo, each queued as a click on it would be; of the focused photo when none is
    // marked.
    void QueueMarkedOrFocused(int in_angle);
    // Turns the photo of cell in_index as a click on it would; nothing outside the cells.
    void QueueIndex(int in_index, int in_angle);

    // --- Preview and tooltip ------------------------------------------------------------------
    // Opens the large view on the photo of cell in_index (or moves an open one there). False
    // outside the cells.
    bool OpenPreview(int in_index);
    // The open preview, or null.
    VYRPreview *GetPreview() const;
    // The tooltip text of cell in_index with what is known now; an empty text outside the
    // cells. Asks for the file's details when they are not known yet.
    QString TipText(int in_index);
    // Whether the grid shows the notice of a folder without matching photos.
    bool IsShowingEmptyNotice() const { return m_bEmptyNotice; }

    // --- Suggested turns ---------------------------------------------------------------------
    // The cells a suggestion may be made for (no turn pending), with their photos' paths.
    std::vector<std::pair<int, QString>> SuggestionCandidates() const;
    // Shows the suggested turn in_angle (90, 180 or -90; 0 takes it away) on cell in_index, if
    // the cell still holds in_path. False when it does not (the folder changed meanwhile) or
    // its photo has a turn pending by then.
    bool SetSuggestion(int in_index, const QString &in_path, int in_angle, const QString &in_words);
    int GetSuggestionCount() const;
    // Queues the suggested turn of every cell that has one (of the marked cells only, with
    // in_bMarkedOnly), each as a click on it would be, so that it settles and can be undone.
    // Returns how many were queued.
    int AcceptSuggestions(bool in_bMarkedOnly);
    // Takes the suggestions away without queueing anything. Returns how many.
    int DismissSuggestions(bool in_bMarkedOnly);

signals:
    // The number of marked photos, after every change.
    void MarkedCountChanged(int in_count);

public:
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
    GridCell *CreateCell(QLImage *in_pItem) override;
    bool event(QEvent *in_pEvent) override;
    bool viewportEvent(QEvent *in_pEvent) override;
    void changeEvent(QEvent *in_pEvent) override;
    void keyPressEvent(QKeyEvent *in_pEvent) override;
    void wheelEvent(QWheelEvent *in_pEvent) override;
    void mouseMoveEvent(QMouseEvent *in_pEvent) override;
    void mouseReleaseEvent(QMouseEvent *in_pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent *in_pEvent) override;

private:
    // The keys of the selection and the preview; true when in_pEvent was used.
    bool HandleSelectionKey(QKeyEvent *in_pEvent);
    // Ctrl+click: toggles the cell's mark. True when the press was one.
    bool HandleMarkClick(GridCell *in_pCell, unsigned in_flags);
    // A left press on the empty space between cells starts a band; Ctrl keeps the marks.
    void StartBand(const QPoint &in_gridPoint, unsigned in_flags);
    void UpdateBand(const QPoint &in_gridPoint);
    // Colours, font and name line from the palette, font and ShowFileName.
    void UpdateLook();
    // The cell size for a thumbnail extent: the picture, plus the name line when shown.
    void ApplyCellExtent(int in_extentPx);
    // After the cells were deleted: no marks, no preview, no stale details.
    void ForgetCells();
    // Whether the finished scan found the folder without a photo matching the filter.
    void UpdateEmptyNotice();
    void DrawEmptyNotice(QPainter *in_pDC);
    void ShowTipAgain(const QString &in_path);
    VYRThumbCell *ThumbCell(int in_index) const;
    // Sets one mark without a notice; true when it changed.
    bool ChangeMark(VYRThumbCell *in_pCell, bool in_bMarked);

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

    VYRCellLook m_look;
    int m_extentPx = 0;
    int m_markedCount = 0;
    int m_anchorIndex = -1; // where Shift+arrows extend from
    QRubberBand *m_pBand = nullptr;
    QPoint m_bandOrigin; // grid coordinates
    bool m_bBanding = false;
    std::vector<char> m_bandBase; // the marks before the band, kept with Ctrl
    // The turns of the last two presses on cells: a double-click takes back those of its own
    // presses (both reach the view before the double-click does).
    int m_lastPressIndex = -1;
    int m_lastPressAngle = 0;
    int m_prevPressIndex = -1;
    int m_prevPressAngle = 0;
    VYRPhotoFactsCache *m_pFacts = nullptr;
    QPointer<VYRPreview> m_pPreview;
    int m_tipIndex = -1;
    bool m_bEmptyNotice = false;
};
