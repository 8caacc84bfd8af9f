// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// VYRThumbVw's newer half: file names under the thumbnails, the user's selection (keys,
// Ctrl+click, a band drawn on the empty space), the double-click and the keys that open the
// preview, and the notice of a folder without matching photos. The clicks that turn photos
// stay with the older half: the selection takes only Ctrl+left and presses on empty space.
#include <QApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>

#include "document.h"
#include "resource.h"
#include "vyrimg.h"
#include "vyrphotofacts.h"
#include "vyrpreview.h"
#include "vyrthumbvw.h"

namespace {
// Room around the name line, pixels.
constexpr int kLabelGapPx = 4;
} // namespace

GridCell *VYRThumbVw::CreateCell(QLImage *in_pItem)
{
    return new VYRThumbCell(in_pItem, &m_look);
}

VYRThumbCell *VYRThumbVw::ThumbCell(int in_index) const
{
    return dynamic_cast<VYRThumbCell *>(GetCell(in_index));
}

// ---- Look and names -----------------------------------------------------------------------

void VYRThumbVw::UpdateLook()
{
    const QPalette colours = palette();
    m_look.m_font = font();
    ++m_look.m_fontSerial;
    m_look.m_labelHeightPx =
        m_look.m_bShowNames ? QFontMetrics(m_look.m_font).height() + kLabelGapPx : 0;
    // A frame a shade off the background, as flat views draw them, instead of black.
    m_look.m_frame = colours.color(QPalette::Active, QPalette::Mid);
    m_look.m_text = colours.color(QPalette::Active, QPalette::ButtonText);
    QColor fill = colours.color(QPalette::Active, QPalette::Highlight);
    m_look.m_markFrame = fill;
    fill.setAlpha(90);
    m_look.m_markFill = fill;
}

void VYRThumbVw::ApplyCellExtent(int in_extentPx)
{
    m_extentPx = in_extentPx;
    UpdateLook();
    SetCellSize(in_extentPx, in_extentPx + m_look.m_labelHeightPx);
}

void VYRThumbVw::SetShowFileNames(bool in_bShow)
{
    if (in_bShow == m_look.m_bShowNames)
        return;
    m_look.m_bShowNames = in_bShow;
    if (Document *doc = GetDoc()) {
        VYRConfig config = doc->GetConfig();
        config.ShowFileName = in_bShow ? 1 : 0;
        doc->SetConfig(config);
    }
    const int focus = GetFocusIndex();
    ApplyCellExtent(m_extentPx);
    // The rows are taller or shorter now: the handles and the scroll extent follow.
    const QSize client = m_layout.GetClientSize();
    OnSize(0, client.width(), client.height());
    if (focus >= 0)
        EnsureCellVisible(focus);
    viewport()->update();
}

void VYRThumbVw::changeEvent(QEvent *in_pEvent)
{
    DynGridView::changeEvent(in_pEvent);
    const QEvent::Type type = in_pEvent->type();
    if ((type == QEvent::FontChange || type == QEvent::PaletteChange) && m_extentPx > 0) {
        ApplyCellExtent(m_extentPx);
        const QSize client = m_layout.GetClientSize();
        OnSize(0, client.width(), client.height());
        viewport()->update();
    }
}

// ---- The selection ------------------------------------------------------------------------

bool VYRThumbVw::IsMarked(int in_index) const
{
    const VYRThumbCell *cell = ThumbCell(in_index);
    return cell && cell->IsMarked();
}

bool VYRThumbVw::SetMarked(int in_index, bool in_bMarked)
{
    VYRThumbCell *cell = ThumbCell(in_index);
    if (!cell)
        return false;
    if (ChangeMark(cell, in_bMarked))
        emit MarkedCountChanged(m_markedCount);
    return true;
}

bool VYRThumbVw::ChangeMark(VYRThumbCell *in_pCell, bool in_bMarked)
{
    if (!in_pCell || in_pCell->IsMarked() == in_bMarked)
        return false;
    in_pCell->SetMarked(in_bMarked);
    m_markedCount += in_bMarked ? 1 : -1;
    InvalidateGridRect(in_pCell->GetRect());
    return true;
}

void VYRThumbVw::MarkRange(int in_first, int in_last)
{
    const int low = qMin(in_first, in_last);
    const int high = qMax(in_first, in_last);
    bool changed = false;
    for (int i = 0; i < GetCellCount(); ++i)
        changed |= ChangeMark(ThumbCell(i), i >= low && i <= high);
    // One notice for the whole change.
    if (changed)
        emit MarkedCountChanged(m_markedCount);
}

void VYRThumbVw::MarkAll()
{
    if (GetCellCount() > 0)
        MarkRange(0, GetCellCount() - 1);
}

void VYRThumbVw::ClearMarks()
{
    bool changed = false;
    for (int i = 0; i < GetCellCount() && m_markedCount > 0; ++i)
        changed |= ChangeMark(ThumbCell(i), false);
    if (changed)
        emit MarkedCountChanged(m_markedCount);
}

std::vector<int> VYRThumbVw::GetMarkedIndices() const
{
    std::vector<int> indices;
    indices.reserve(m_markedCount);
    for (int i = 0; i < GetCellCount() && int(indices.size()) < m_markedCount; ++i) {
        if (IsMarked(i))
            indices.push_back(i);
    }
    return indices;
}

void VYRThumbVw::QueueIndex(int in_index, int in_angle)
{
    QueueCell(GetCell(in_index), in_angle);
}

void VYRThumbVw::QueueMarkedOrFocused(int in_angle)
{
    if (m_markedCount == 0) {
        QueueFocused(in_angle);
        return;
    }
    for (int index : GetMarkedIndices())
        QueueCell(GetCell(index), in_angle);
}

void VYRThumbVw::ForgetCells()
{
    const bool hadMarks = m_markedCount != 0;
    m_markedCount = 0;
    m_anchorIndex = -1;
    m_lastPressIndex = m_prevPressIndex = -1;
    m_bBanding = false;
    m_bandBase.clear();
    if (m_pBand)
        m_pBand->hide();
    m_tipIndex = -1;
    m_bEmptyNotice = false;
    // The preview points at cells that are gone.
    if (m_pPreview)
        m_pPreview->close();
    if (hadMarks)
        emit MarkedCountChanged(0);
}

// ---- Mouse --------------------------------------------------------------------------------

bool VYRThumbVw::HandleMarkClick(GridCell *in_pCell, unsigned in_flags)
{
    // Ctrl with the left button alone; Ctrl with the other buttons still turns.
    const unsigned buttons = in_flags & (QL_MK_LBUTTON | QL_MK_RBUTTON | QL_MK_MBUTTON);
    if (!in_pCell || !(in_flags & QL_MK_CONTROL) || buttons != QL_MK_LBUTTON)
        return false;
    const int index = in_pCell->GetIndex();
    SetMarked(index, !IsMarked(index));
    m_anchorIndex = index;
    m_lastPressIndex = m_prevPressIndex = -1;
    return true;
}

void VYRThumbVw::StartBand(const QPoint &in_gridPoint, unsigned in_flags)
{
    const unsigned buttons = in_flags & (QL_MK_LBUTTON | QL_MK_RBUTTON | QL_MK_MBUTTON);
    if (buttons != QL_MK_LBUTTON)
        return;
    // A plain press on the empty space starts afresh; with Ctrl the band adds to the marks.
    if (!(in_flags & QL_MK_CONTROL))
        ClearMarks();
    m_bandBase.assign(GetCellCount(), 0);
    for (int i = 0; i < GetCellCount(); ++i)
        m_bandBase[i] = IsMarked(i) ? 1 : 0;
    m_bandOrigin = in_gridPoint;
    m_bBanding = true;
    if (!m_pBand)
        m_pBand = new QRubberBand(QRubberBand::Rectangle, viewport());
    m_pBand->setGeometry(QRect(GridToClient(in_gridPoint), QSize()));
    m_pBand->show();
}

void VYRThumbVw::UpdateBand(const QPoint &in_gridPoint)
{
    const QRect band = QRect(m_bandOrigin, in_gridPoint).normalized();
    m_pBand->setGeometry(band.translated(-GetScrollPosition()));
    const int cols = qMax(1, m_layout.GetColumnCount());
    const int pitch = m_layout.GetCellSize().height() + m_layout.GetSpacing().height();
    const int top = m_layout.GetMargins().top;
    // Only the rows the band can meet are tested; the others fall back to their marks.
    const int firstRow = pitch > 0 ? qMax(0, (band.top() - top) / pitch) : 0;
    const int lastRow = pitch > 0 ? qMax(0, (band.bottom() - top) / pitch) : m_layout.GetRowCount();
    bool changed = false;
    for (int i = 0; i < GetCellCount() && i < int(m_bandBase.size()); ++i) {
        const int row = i / cols;
        bool inBand = false;
        if (row >= firstRow && row <= lastRow)
            inBand = GetCell(i)->GetRect().ToQRect().intersects(band);
        changed |= ChangeMark(ThumbCell(i), m_bandBase[i] != 0 || inBand);
    }
    if (changed)
        emit MarkedCountChanged(m_markedCount);
}

void VYRThumbVw::mouseMoveEvent(QMouseEvent *in_pEvent)
{
    if (m_bBanding && m_pBand) {
        UpdateBand(ClientToGrid(in_pEvent->position().toPoint()));
        in_pEvent->accept();
        return;
    }
    DynGridView::mouseMoveEvent(in_pEvent);
}

void VYRThumbVw::mouseReleaseEvent(QMouseEvent *in_pEvent)
{
    if (m_bBanding && in_pEvent->button() == Qt::LeftButton) {
        m_bBanding = false;
        m_bandBase.clear();
        if (m_pBand)
            m_pBand->hide();
        in_pEvent->accept();
        return;
    }
    DynGridView::mouseReleaseEvent(in_pEvent);
}

void VYRThumbVw::mouseDoubleClickEvent(QMouseEvent *in_pEvent)
{
    const QPoint point = ClientToGrid(in_pEvent->position().toPoint());
    GridCell *cell = HitTest(point);
    // Only a plain left double-click on a photo opens it. Anything else is the second press
    // it always was: a second turn, a second toggle, a second turn of a row.
    if (!cell || in_pEvent->button() != Qt::LeftButton ||
        (in_pEvent->modifiers() & Qt::ControlModifier)) {
        mousePressEvent(in_pEvent);
        return;
    }
    // Its presses queued turns; their reverse cancels them while the row is still settling.
    int queued = 0;
    if (m_lastPressIndex == cell->GetIndex()) {
        queued += m_lastPressAngle;
        if (m_prevPressIndex == cell->GetIndex())
            queued += m_prevPressAngle;
    }
    const VYROrientation undo = VYROrientation::FromAngle(queued).Inverse();
    if (!undo.IsUpright())
        QueueCell(cell, undo.Angle());
    m_lastPressIndex = m_prevPressIndex = -1;
    OpenPreview(cell->GetIndex());
    in_pEvent->accept();
}

// ---- Keys ---------------------------------------------------------------------------------

bool VYRThumbVw::HandleSelectionKey(QKeyEvent *in_pEvent)
{
    const Qt::KeyboardModifiers modifiers = in_pEvent->modifiers() & ~Qt::KeypadModifier;
    const int key = in_pEvent->key();
    if (modifiers == Qt::ControlModifier) {
        switch (key) {
        case Qt::Key_R:
            QueueMarkedOrFocused(90);
            return true;
        case Qt::Key_L:
            QueueMarkedOrFocused(-90);
            return true;
        case Qt::Key_U:
            QueueMarkedOrFocused(180);
            return true;
        case Qt::Key_A:
            MarkAll();
            return true;
        default:
            return false;
        }
    }
    if (modifiers == Qt::ShiftModifier) {
        switch (key) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            if (GetCellCount() == 0)
                return true;
            if (m_anchorIndex < 0 || m_anchorIndex >= GetCellCount())
                m_anchorIndex = qMax(0, GetFocusIndex());
            // The focus moves as the plain key moves it; the marks then span anchor to focus.
            QKeyEvent plain(in_pEvent->type(), key, Qt::NoModifier);
            DynGridView::keyPressEvent(&plain);
            MarkRange(m_anchorIndex, qMax(0, GetFocusIndex()));
            return true;
        }
        default:
            return false;
        }
    }
    if (modifiers != Qt::NoModifier)
        return false;
    switch (key) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        OpenPreview(GetFocusIndex());
        return true;
    case Qt::Key_Escape: {
        // A running scan keeps Escape for its stop question.
        const Document *doc = GetDoc();
        if ((doc && doc->IsLoading()) || m_markedCount == 0)
            return false;
        ClearMarks();
        return true;
    }
    default:
        // A plain move ends the run Shift+arrows extend.
        m_anchorIndex = -1;
        return false;
    }
}

// ---- The empty folder ---------------------------------------------------------------------

void VYRThumbVw::UpdateEmptyNotice()
{
    const Document *doc = GetDoc();
    // Asked once when the scan ends, never while painting: the folder may sit on a slow disk.
    m_bEmptyNotice = doc && !doc->IsLoading() && GetCellCount() == 0 &&
                     !doc->GetRootPath().isEmpty() && QFileInfo(doc->GetRootPath()).isDir();
    viewport()->update();
}

void VYRThumbVw::DrawEmptyNotice(QPainter *in_pDC)
{
    if (!m_bEmptyNotice || GetCellCount() > 0 || !GetDoc())
        return;
    const QString filter = GetDoc()->GetConfig().Filter;
    const QRect area(GetScrollPosition(), viewport()->size());
    in_pDC->save();
    in_pDC->setPen(palette().color(QPalette::Disabled, QPalette::ButtonText));
    in_pDC->drawText(area.adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap,
                     QString::fromUtf8(VYRGridText::kEmptyFolder).arg(filter));
    in_pDC->restore();
}
