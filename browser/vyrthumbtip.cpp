// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// VYRThumbVw's tooltip and the door to the preview. The tooltip tells what the grid cannot:
// the file's details, read on a worker the first time the pointer rests on a photo (the tip
// shows what is known meanwhile and is filled in when the details arrive), and the turn still
// pending, read from the item itself each time.
#include <QHelpEvent>
#include <QLocale>
#include <QToolTip>

#include "document.h"
#include "resource.h"
#include "vyrimg.h"
#include "vyrphotofacts.h"
#include "vyrpreview.h"
#include "vyrthumbvw.h"

namespace {
QString TurnWords(int in_rotation)
{
    switch (in_rotation) {
    case 90:
        return QString::fromUtf8(VYRGridText::kTurnRight);
    case -90:
        return QString::fromUtf8(VYRGridText::kTurnLeft);
    case 180:
        return QString::fromUtf8(VYRGridText::kTurnHalf);
    default:
        return QString::fromUtf8(VYRGridText::kTurnNone);
    }
}

QString PendingWords(int in_rotation, bool in_bMirror)
{
    if (!in_bMirror)
        return TurnWords(in_rotation);
    if (in_rotation == 0)
        return QString::fromUtf8(VYRGridText::kTurnMirror);
    return QString::fromUtf8(VYRGridText::kTurnMirrorThen).arg(TurnWords(in_rotation));
}

QString OrientationWords(uint32_t in_value)
{
    return QString::fromUtf8(VYRGridText::kOrientWords[in_value <= 8 ? in_value : 0]);
}

QString FactLines(const VYRPhotoFacts &in_facts)
{
    if (!in_facts.m_bRead)
        return QString::fromUtf8(VYRGridText::kTipUnreadable);
    const QString size = QLocale().formattedDataSize(in_facts.m_fileSize);
    QStringList lines;
    if (in_facts.m_width > 0) {
        lines << QString::fromUtf8(VYRGridText::kTipPixels)
                     .arg(in_facts.m_width)
                     .arg(in_facts.m_height)
                     .arg(size);
    } else {
        lines << QString::fromUtf8(VYRGridText::kTipFileSize).arg(size);
    }
    if (!in_facts.m_taken.isEmpty()) {
        lines << QString::fromUtf8(VYRGridText::kTipTaken).arg(in_facts.m_taken);
    } else {
        lines << QString::fromUtf8(VYRGridText::kTipModified)
                     .arg(in_facts.m_modified.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }
    lines << QString::fromUtf8(VYRGridText::kTipOrientation)
                 .arg(OrientationWords(in_facts.m_orientation));
    return lines.join(QLatin1Char('\n'));
}
} // namespace

QString VYRThumbVw::TipText(int in_index)
{
    GridCell *cell = GetCell(in_index);
    auto *item = cell ? static_cast<VYRImage *>(cell->GetItem()) : nullptr;
    if (!item)
        return QString();
    QString path, name, folder;
    int rotation = 0;
    bool mirror = false, pending = false;
    {
        // The worker may point the item at its output file or clear its turn meanwhile.
        const QLLockGuard lock(g_catalogLock);
        path = item->GetPathName();
        name = item->GetFileName();
        folder = item->GetDirectory();
        rotation = item->GetRotation();
        mirror = item->IsMirrorPending();
        pending = item->IsPending();
    }
    VYRPhotoFacts facts;
    const bool known = m_pFacts->Lookup(path, pending, &facts);
    QStringList lines;
    lines << name << QString::fromUtf8(VYRGridText::kTipFolder).arg(folder);
    lines << (known ? FactLines(facts) : QString::fromUtf8(VYRGridText::kTipReading));
    lines << QString::fromUtf8(VYRGridText::kTipPending).arg(PendingWords(rotation, mirror));
    if (const VYRThumbCell *thumb = ThumbCell(in_index); thumb && thumb->GetSuggestedAngle())
        lines << QString::fromUtf8(VYRSuggestText::kTipSuggested)
                     .arg(TurnWords(thumb->GetSuggestedAngle()), thumb->GetSuggestionWords());
    return lines.join(QLatin1Char('\n'));
}

bool VYRThumbVw::viewportEvent(QEvent *in_pEvent)
{
    if (in_pEvent->type() != QEvent::ToolTip)
        return DynGridView::viewportEvent(in_pEvent);
    auto *help = static_cast<QHelpEvent *>(in_pEvent);
    GridCell *cell = HitTest(ClientToGrid(help->pos()));
    if (!cell) {
        m_tipIndex = -1;
        QToolTip::hideText();
        in_pEvent->ignore();
        return true;
    }
    m_tipIndex = cell->GetIndex();
    QToolTip::showText(help->globalPos(), TipText(m_tipIndex), viewport(),
                       GridToClient(cell->GetRect()).ToQRect());
    return true;
}

void VYRThumbVw::ShowTipAgain(const QString &in_path)
{
    GridCell *cell = GetCell(m_tipIndex);
    if (!cell || !cell->GetItem() || !QToolTip::isVisible())
        return;
    QString path;
    {
        const QLLockGuard lock(g_catalogLock);
        path = cell->GetItem()->GetPathName();
    }
    if (path != in_path)
        return;
    const QRect rect = GridToClient(cell->GetRect()).ToQRect();
    // Over the cell still: the pointer has not left it, or the tip would have gone.
    QToolTip::showText(QCursor::pos(), TipText(m_tipIndex), viewport(), rect);
}

bool VYRThumbVw::OpenPreview(int in_index)
{
    if (!GetCell(in_index))
        return false;
    if (!m_pPreview)
        m_pPreview = new VYRPreview(this);
    m_pPreview->ShowIndex(in_index);
    return true;
}

VYRPreview *VYRThumbVw::GetPreview() const
{
    return m_pPreview.data();
}
