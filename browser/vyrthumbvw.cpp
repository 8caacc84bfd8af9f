// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrthumbvw.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <memory>

#include "document.h"
#include "qlprompt.h"
#include "qltrace.h"
#include "qlwnd.h"
#include "resource.h"
#include "slctfldr.h"
#include "vyrimg.h"
#include "vyrphotofacts.h"
#include "vyrpreview.h"

QLCriticalSection g_rowHandleLock;

void RowHandle::Draw(QPainter *in_pDC, const GridRect &in_rect) const
{
    if (!in_pDC || in_rect.Width() <= 0 || in_rect.Height() <= 0)
        return;
    in_pDC->save();
    in_pDC->setRenderHint(QPainter::Antialiasing, false);
    in_pDC->setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    in_pDC->setBrush(m_bHot ? QColor(128, 128, 128) : QColor(255, 255, 255));
    // Outline and fill inside the half-open rectangle, as the platform's Rectangle does.
    in_pDC->drawRect(in_rect.left, in_rect.top, in_rect.Width() - 1, in_rect.Height() - 1);
    in_pDC->restore();
}

VYRThumbVw::VYRThumbVw(QWidget *in_pParent)
    : DynGridView(in_pParent), m_pFacts(new VYRPhotoFactsCache(this))
{
    connect(m_pFacts, &VYRPhotoFactsCache::FactsReady, this, &VYRThumbVw::ShowTipAgain);
    UpdateLook();
}

VYRThumbVw::~VYRThumbVw()
{
    if (g_hThumbWnd == this)
        g_hThumbWnd = nullptr;
    ClearRowHandles();
    delete m_pPreview.data();
}

Document *VYRThumbVw::GetDoc() const
{
    return static_cast<Document *>(GetDocument());
}

VYRThumbVw::ScanState VYRThumbVw::GetScanState() const
{
    const Document *doc = GetDoc();
    if (!doc || !doc->IsLoading())
        return ScanState::Idle;
    if (!doc->IsStopLoadingRequested())
        return ScanState::Scanning;
    if (m_bReloadPending)
        return ScanState::StoppingReload;
    if (m_bExitPending)
        return ScanState::StoppingExit;
    return ScanState::StoppingPlain;
}

int VYRThumbVw::GetRowHandleCount() const
{
    return m_rowHandles.GetCount();
}

bool VYRThumbVw::GetRowHandles(int in_row, RowHandlePair &out_pair) const
{
    return m_rowHandles.Get(in_row, out_pair);
}

// ---- Framework steps ----------------------------------------------------------------------

void VYRThumbVw::OnInitialUpdate()
{
    g_hThumbWnd = this;
    QLView::OnInitialUpdate();

    Document *doc = GetDoc();
    if (!doc)
        return;
    const VYRConfig config = doc->GetConfig();
    QWidget *mainWindow = QLGetMainWindow();
    // Setting a control from code is no user choice: block its signals so that no command
    // (a rescan at another size, for one) is sent back.
    if (auto *combo = qobject_cast<QComboBox *>(QLFindControl(mainWindow, IDC_THUMB_SIZE))) {
        const QSignalBlocker blocker(combo);
        combo->setCurrentIndex(config.ThumbSize);
    }
    if (auto *box =
            qobject_cast<QAbstractButton *>(QLFindControl(mainWindow, IDC_INCLUDE_SUBDIRS))) {
        const QSignalBlocker blocker(box);
        box->setChecked(config.IncludeSubDirs != 0);
    }
    if (auto *box = qobject_cast<QAbstractButton *>(QLFindControl(mainWindow, IDC_INPLACE))) {
        const QSignalBlocker blocker(box);
        box->setChecked(config.Inplace != 0);
    }
    ApplySettings();
}

void VYRThumbVw::OnUpdate(QLView *in_pSender, long in_hint, void *in_pHint)
{
    if (in_pSender == this)
        return;
    Document *doc = GetDoc();
    switch (in_hint) {
    case HINT_RESET:
        if (doc && doc->IsLoading())
            doc->RequestStopLoading();
        ClearRowHandles();
        ClearCells();
        ForgetCells();
        // The deleted cells must not linger on screen until the next repaint.
        viewport()->update();
        break;
    case HINT_ITEM_ADDED: {
        auto *item = static_cast<VYRImage *>(in_pHint);
        const QLLockGuard lock(g_catalogLock);
        AddCell(item);
        break;
    }
    default:
        break;
    }
}

bool VYRThumbVw::OnCmdMsg(unsigned in_id, int in_code, void *in_pExtra)
{
    Q_UNUSED(in_pExtra);
    if (in_code == QL_CBN_SELCHANGE && in_id == IDC_THUMB_SIZE) {
        OnThumbSizeChange();
        return true;
    }
    if (in_code != QL_CN_COMMAND)
        return false;
    switch (in_id) {
    case ID_FILE_EXIT:
        OnExit();
        return true;
    case ID_VIEW_REFRESH:
        OnRefresh();
        return true;
    case IDC_SOURCE_BROWSE:
        OnBrowseSource();
        return true;
    case IDC_INCLUDE_SUBDIRS:
        OnIncludeSubdirs();
        return true;
    case IDC_AUTO_ROTATE:
        OnAutoRotate();
        return true;
    default:
        return false;
    }
}

// ---- Own operations -----------------------------------------------------------------------

void VYRThumbVw::LoadFolder(const QString &in_path)
{
    ResetView();
    Document *doc = GetDoc();
    if (!doc)
        return;
    doc->SetRootPath(in_path);
    if (doc->IsLoading()) {
        doc->RequestStopLoading();
        m_bReloadPending = true;
        return;
    }
    // The scan runs to its end here, handing out events between images, so this view's
    // handlers may run nested inside it. Its failures leave what was delivered on screen.
    try {
        doc->OpenFolder(doc->GetRootPath());
    } catch (QLException *in_pErr) {
        std::unique_ptr<QLException> err(in_pErr);
        QLTrace("Folder scan failed: %d\n", err->code);
    } catch (...) {
        QLTrace("Folder scan failed\n");
    }
    UpdateEmptyNotice();
}

void VYRThumbVw::ResetView()
{
    ClearCells();
    ForgetCells();
    ClearRowHandles();
    viewport()->update();
}

void VYRThumbVw::ApplySettings()
{
    Document *doc = GetDoc();
    if (!doc)
        return;
    const VYRConfig &config = doc->GetConfig();
    // The dialog-face colour of the current palette.
    SetBackgroundBrush(QApplication::palette().brush(QPalette::Active, QPalette::Button));
    EnableSelectionTracking(true);
    SetMargins(
        GridRect(config.LeftMargin, config.TopMargin, config.RightMargin, config.BottomMargin));
    SetSpacing(config.HorzSpacing, config.VertSpacing);
    SetPadding(
        GridRect(config.LeftPadding, config.TopPadding, config.RightPadding, config.BottomPadding));
    m_look.m_bShowNames = config.ShowFileName != 0;
    ApplyCellExtent(Document::ThumbSizeToPixels(config.ThumbSize));
}

int VYRThumbVw::AngleFromButtons(unsigned in_flags)
{
    const bool left = (in_flags & QL_MK_LBUTTON) != 0;
    const bool right = (in_flags & QL_MK_RBUTTON) != 0;
    const bool middle = (in_flags & QL_MK_MBUTTON) != 0;
    if ((left && right) || middle)
        return 180;
    if (left)
        return -90;
    if (right)
        return 90;
    return 0;
}

void VYRThumbVw::ClearRowHandles()
{
    const QLLockGuard lock(g_rowHandleLock);
    while (m_rowHandles.GetCount() > 0)
        m_rowHandles.Remove(0);
    m_hoverRow = -1;
}

// ---- Painting and geometry ----------------------------------------------------------------

void VYRThumbVw::OnDraw(QPainter *in_pDC)
{
    const QRect area = GetDrawArea();
    const int count = m_rowHandles.GetCount();
    RowHandlePair pair;
    for (int r = 0; r < count; ++r) {
        if (!m_rowHandles.Get(r, pair))
            continue;
        // Only the handles of rows being repainted.
        if (pair.m_left.m_rect.bottom <= area.top() || pair.m_left.m_rect.top > area.bottom())
            continue;
        pair.Draw(in_pDC);
    }
    // The stored pairs are never hot; the hovered one is drawn again with its marks.
    if (m_hoverRow != -1)
        m_hoverPair.Draw(in_pDC);
    DynGridView::OnDraw(in_pDC);
    DrawEmptyNotice(in_pDC);
}

void VYRThumbVw::OnSize(unsigned in_type, int in_cx, int in_cy)
{
    DynGridView::OnSize(in_type, in_cx, in_cy);
    ClearRowHandles();
    const int rows = m_layout.GetRowCount();
    for (int r = 0; r < rows; ++r)
        OnNewRow(r, GetRowRect(r));
}

void VYRThumbVw::OnNewRow(int in_row, const GridRect &in_rowRect)
{
    Q_UNUSED(in_row);
    RowHandlePair pair;
    pair.m_left.m_rect = GridRect(in_rowRect.left - kRowHandleWidth, in_rowRect.top,
                                  in_rowRect.left, in_rowRect.bottom);
    pair.m_right.m_rect = GridRect(in_rowRect.right, in_rowRect.top,
                                   in_rowRect.right + kRowHandleWidth, in_rowRect.bottom);
    {
        const QLLockGuard lock(g_rowHandleLock);
        m_rowHandles.Insert(m_rowHandles.GetCount(), pair);
    }
    InvalidatePair(pair);
}

void VYRThumbVw::InvalidatePair(const RowHandlePair &in_pair)
{
    InvalidateGridRect(in_pair.m_left.m_rect);
    InvalidateGridRect(in_pair.m_right.m_rect);
}

void VYRThumbVw::ClearHoverPair()
{
    if (m_hoverRow == -1)
        return;
    m_hoverPair.m_left.m_bHot = false;
    m_hoverPair.m_right.m_bHot = false;
    InvalidatePair(m_hoverPair);
    m_hoverRow = -1;
}

// ---- Mouse and keyboard -------------------------------------------------------------------

void VYRThumbVw::OnCellMouseMove(GridCell *in_pCell, const QPoint &in_point, unsigned in_flags)
{
    Q_UNUSED(in_flags);
    const QLLockGuard lock(g_rowHandleLock);
    if (in_pCell) {
        ClearHoverPair();
        return;
    }
    const int count = m_rowHandles.GetCount();
    RowHandlePair pair;
    for (int r = 0; r < count; ++r) {
        if (!m_rowHandles.Get(r, pair) || !pair.HitTest(in_point))
            continue;
        if (r == m_hoverRow)
            return;
        ClearHoverPair();
        m_hoverPair = pair;
        m_hoverRow = r;
        InvalidatePair(m_hoverPair);

        const int cols = m_layout.GetColumnCount();
        const int cells = GetCellCount();
        const int first = m_layout.GetFirstIndexOfRow(r);
        std::vector<int> indices;
        for (int k = 0; k < cols && first + k < cells; ++k)
            indices.push_back(first + k);
        SelectCells(indices.data(), static_cast<int>(indices.size()));
        InvalidateGridRect(GetRowRect(r));
        return;
    }
    ClearSelection();
    ClearHoverPair();
}

void VYRThumbVw::OnCellClick(GridCell *in_pCell, const QPoint &in_point, unsigned in_flags)
{
    if (in_pCell) {
        if (HandleMarkClick(in_pCell, in_flags))
            return;
        m_prevPressIndex = m_lastPressIndex;
        m_prevPressAngle = m_lastPressAngle;
        m_lastPressIndex = in_pCell->GetIndex();
        m_lastPressAngle = AngleFromButtons(in_flags);
        QueueCell(in_pCell, m_lastPressAngle);
        return;
    }
    m_lastPressIndex = m_prevPressIndex = -1;
    // The hovered handle is only known from the last mouse move: after the wheel has scrolled
    // the grid under a still pointer it may belong to another row, one perhaps out of sight.
    // Only the handle under the click itself may turn a row.
    OnCellMouseMove(nullptr, in_point, in_flags);
    if (m_hoverRow == -1) {
        StartBand(in_point, in_flags);
        return;
    }
    const int cols = m_layout.GetColumnCount();
    const int first = m_layout.GetFirstIndexOfRow(m_hoverRow);
    const int angle = AngleFromButtons(in_flags);
    for (int k = 0; k < cols && first + k < GetCellCount(); ++k)
        QueueCell(GetCell(first + k), angle);
}

void VYRThumbVw::QueueFocused(int in_angle)
{
    QueueCell(GetCell(GetFocusIndex()), in_angle);
}

void VYRThumbVw::QueueCell(GridCell *in_pCell, int in_angle)
{
    if (!in_pCell)
        return;
    auto *item = static_cast<VYRImage *>(in_pCell->GetItem());
    Document *doc = GetDoc();
    const int angle = in_angle;
    // A press without any of the three buttons asks for no turn: there is nothing to queue.
    if (!item || angle == 0)
        return;
    int rotation = 0;
    QByteArray fileName;
    {
        const QLLockGuard lock(g_catalogLock);
        // Read here as well: once the lock is gone the worker may take the job and point the
        // item at its output file at any moment.
        fileName = item->GetFileName().toUtf8();
        try {
            item->Rotate(angle);
        } catch (QLException *in_pErr) {
            // The thumbnail could not be turned: the net rotation is unchanged, so nothing
            // is queued for it.
            std::unique_ptr<QLException> err(in_pErr);
            QLTrace("Rotate failed for '%s': %d\n", fileName.constData(), err->code);
            return;
        }
        rotation = item->GetRotation();
        // The user's own turn replaces any advice the picture gave.
        if (VYRThumbCell *thumb = ThumbCell(in_pCell->GetIndex()))
            thumb->SetSuggestion(0, QString());
        // The job will rewrite the file: its details are read again from here on.
        m_pFacts->Forget(item->GetPathName());
    }
    InvalidateGridRect(in_pCell->GetRect());
    if (!doc)
        return;
    doc->AddLogLine(QString::asprintf(VYRText::kLogQueueing, fileName.constData(), rotation));
    // A click's job waits a moment, so that the next click can still change it.
    doc->NotifyViews(this, HINT_ITEM_QUEUED_SETTLING, item);
}

bool VYRThumbVw::OnKeyDown(int in_key, int in_repeat, unsigned in_flags)
{
    Q_UNUSED(in_repeat);
    Q_UNUSED(in_flags);
    if (in_key != kEscapeKey)
        return false;
    Document *doc = GetDoc();
    if (doc && doc->IsLoading()) {
        if (QLMessageBox(QString::fromUtf8(VYRText::kStopLoading), QL_MB_YESNO) == QL_IDYES)
            doc->RequestStopLoading();
    }
    return true;
}

bool VYRThumbVw::OnMouseWheel(unsigned in_flags, int in_delta, const QPoint &in_point)
{
    Q_UNUSED(in_flags);
    Q_UNUSED(in_point);
    QLPostMessage(this, QL_WM_VSCROLL, in_delta < 0 ? QL_SB_LINEDOWN : QL_SB_LINEUP);
    return true;
}

// ---- Commands -----------------------------------------------------------------------------

void VYRThumbVw::OnExit()
{
    Document *doc = GetDoc();
    if (doc && doc->IsLoading()) {
        m_bExitPending = true;
        doc->RequestStopLoading();
        return;
    }
    // The frame's close asks the document whether queued rotations may be dropped.
    if (QWidget *mainWindow = QLGetMainWindow())
        mainWindow->close();
}

void VYRThumbVw::OnRefresh()
{
    Document *doc = GetDoc();
    if (!doc || doc->IsLoading())
        return;
    LoadFolder(doc->GetRootPath());
}

void VYRThumbVw::OnBrowseSource()
{
    Document *doc = GetDoc();
    if (!doc)
        return;
    QString path;
    try {
        QLBrowseFolderDlg dialog(this, doc->GetRootPath());
        if (dialog.DoModal() != QL_IDOK)
            return;
        path = dialog.GetPath();
    } catch (QLException *in_pErr) {
        // The chooser could not be shown: like a cancel, nothing changes.
        std::unique_ptr<QLException> err(in_pErr);
        QLTrace("Folder browse failed: %d\n", err->code);
        return;
    }
    LoadFolder(path);
}

void VYRThumbVw::OnIncludeSubdirs()
{
    Document *doc = GetDoc();
    if (!doc)
        return;
    VYRConfig config = doc->GetConfig();
    if (auto *box =
            qobject_cast<QAbstractButton *>(QLFindControl(QLGetMainWindow(), IDC_INCLUDE_SUBDIRS)))
        config.IncludeSubDirs = box->isChecked() ? 1 : 0;
    doc->SetConfig(config);
    LoadFolder(config.RootPath);
}

void VYRThumbVw::OnThumbSizeChange()
{
    Document *doc = GetDoc();
    auto *combo = qobject_cast<QComboBox *>(QLFindControl(QLGetMainWindow(), IDC_THUMB_SIZE));
    if (!doc || !combo || combo->currentIndex() < 0)
        return;
    const int selection = combo->currentIndex();
    ApplyCellExtent(Document::ThumbSizeToPixels(selection));
    doc->SetThumbSize(selection);
    LoadFolder(doc->GetRootPath());
}

void VYRThumbVw::OnLoadingStopped()
{
    // A stopped scan says nothing about what the rest of the folder holds.
    m_bEmptyNotice = false;
    if (m_bReloadPending) {
        m_bReloadPending = false;
        Document *doc = GetDoc();
        if (doc)
            LoadFolder(doc->GetRootPath());
        // A quit asked for while the earlier scan was stopping must not be lost. A scan that
        // runs to its end sends no stop notice, so once the new one is over (and no other
        // stop is under way) the window closes as the user asked.
        if (!m_bExitPending || m_bReloadPending || (doc && doc->IsLoading()))
            return;
    }
    if (m_bExitPending) {
        m_bExitPending = false;
        if (QWidget *mainWindow = QLGetMainWindow())
            QMetaObject::invokeMethod(mainWindow, "close", Qt::QueuedConnection);
    }
}

// ---- Qt events ----------------------------------------------------------------------------

bool VYRThumbVw::event(QEvent *in_pEvent)
{
    if (in_pEvent->type() == QLMessageEvent::Type()) {
        auto *message = static_cast<QLMessageEvent *>(in_pEvent);
        if (message->m_message == WM_LOADING_STOPPED) {
            OnLoadingStopped();
            return true;
        }
    }
    return DynGridView::event(in_pEvent);
}

void VYRThumbVw::keyPressEvent(QKeyEvent *in_pEvent)
{
    // Turn keys, selection keys and the preview's.
    if (HandleSelectionKey(in_pEvent)) {
        in_pEvent->accept();
        return;
    }
    const int key = in_pEvent->key() == Qt::Key_Escape ? kEscapeKey : in_pEvent->key();
    const unsigned flags = MouseFlags(QApplication::mouseButtons(), in_pEvent->modifiers());
    if (OnKeyDown(key, in_pEvent->isAutoRepeat() ? 1 : 0, flags)) {
        in_pEvent->accept();
        return;
    }
    DynGridView::keyPressEvent(in_pEvent);
}

void VYRThumbVw::wheelEvent(QWheelEvent *in_pEvent)
{
    const int delta = in_pEvent->angleDelta().y();
    // Only the vertical wheel scrolls this view.
    if (delta == 0) {
        in_pEvent->ignore();
        return;
    }
    const unsigned flags = MouseFlags(in_pEvent->buttons(), in_pEvent->modifiers());
    if (OnMouseWheel(flags, delta, in_pEvent->position().toPoint()))
        in_pEvent->accept();
}
