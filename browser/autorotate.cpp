// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Auto Rotate: queue the turn that each shown image's Exif Orientation asks for.
#include "vyrthumbvw.h"

#include <QMainWindow>
#include <QStatusBar>
#include <QtGlobal>
#include <memory>

#include "document.h"
#include "qlfs.h"
#include "qlijpg.h"
#include "qlimgfl.h"
#include "qlprompt.h"
#include "qltrace.h"
#include "qlwnd.h"
#include "resource.h"
#include "vyrimg.h"
#include "vyrorient.h"

namespace {

// A file without any write permission bit is read-only, also for a process that could
// write it anyway (root opens it for update without complaint).
bool IsMarkedReadOnly(FILE *in_pFile)
{
    QLFileFacts info;
    if (QLStatStream(in_pFile, &info) != 0)
        return false;
    return (info.permissions & 0222) == 0;
}

// Gives an item, under g_catalogLock, the work that writes in_upright: the grid shows a
// mirrored file with its mirror undone, so what is left to queue is the turn after the mirror,
// and a mirror pending that makes the job write the mirror's undoing even without a turn.
// False, with nothing queued, when the thumbnail cannot be turned, or when the file's mirror
// is not the one the grid undid (the file changed since it was shown): no turn of what the
// grid shows would then reach what the file asks for.
bool QueueUpright(VYRImage *inout_pItem, VYROrientation in_upright, const QByteArray &in_fileName)
{
    if (in_upright.IsMirrored() != inout_pItem->IsFileMirrored()) {
        QLTrace("Auto rotate skipped '%s': its mirror changed since it was shown\n",
                in_fileName.constData());
        return false;
    }
    const int angle = in_upright.Angle();
    try {
        if (angle != 0)
            inout_pItem->Rotate(angle);
    } catch (QLException *in_pErr) {
        // The thumbnail could not be turned and the item's rotation is unchanged: the
        // image is not queued and counts among the considered only.
        std::unique_ptr<QLException> err(in_pErr);
        QLTrace("Auto rotate failed for '%s': %d\n", in_fileName.constData(), err->code);
        return false;
    }
    inout_pItem->SetMirrorPending(in_upright.IsMirrored());
    return true;
}

} // namespace

void VYRThumbVw::OnAutoRotate()
{
    Document *doc = GetDoc();
    int considered = 0;
    int rotated = 0;
    int oriented = 0;
    int skippedPending = 0;
    int skippedNoInfo = 0;

    for (int i = 0; i < GetCellCount(); ++i) {
        considered = i + 1;
        GridCell *cell = GetCell(i);
        auto *item = cell ? static_cast<VYRImage *>(cell->GetItem()) : nullptr;
        if (!item)
            continue;

        // The worker repoints an item at its output file under the lock once the item's file
        // is written, so the path is read under it too.
        QString path;
        {
            const QLLockGuard pathLock(g_catalogLock);
            path = item->GetPathName();
        }
        QLImageFile file;
        // Opened for update as a file that can be rotated must be writable; only read here.
        if (!file.Open(path, QL_FILE_UPDATE) || IsMarkedReadOnly(file.GetFile()))
            continue;

        // Held from the check to the end of the queueing notice, so that the worker cannot
        // take or finish this image's job in between. The worker writes files without the
        // lock: an image whose job has begun (pending, its rotation already taken) may be
        // mid-write, and the file opened above may be the one its job is replacing, so its
        // tag says nothing about the image now. It counts as pending, as does one whose path
        // changed since it was opened.
        const QLLockGuard lock(g_catalogLock);
        const bool busy = item->HasWork() || item->IsPending() || item->GetPathName() != path;
        QL_IFDTAG tag = {};
        tag.tag = QL_TAG_ORIENTATION;
        const bool found = !busy && QLFindIFDTag(file.GetFile(), &tag);
        const QByteArray fileName = item->GetFileName().toUtf8();

        if (!found || busy) {
            if (busy) {
                ++skippedPending;
            } else {
                ++skippedNoInfo;
                if (doc)
                    doc->AddLogLine(
                        QString::asprintf(VYRText::kLogAutoNoInfo, fileName.constData()));
            }
            continue;
        }

        const VYROrientation upright = VYRAutoRotateTransform(tag.value);
        if (upright.IsUpright()) {
            ++oriented;
            if (doc)
                doc->AddLogLine(QString::asprintf(VYRText::kLogAutoOriented, fileName.constData()));
            continue;
        }
        if (!QueueUpright(item, upright, fileName))
            continue;
        ++rotated;
        InvalidateGridRect(cell->GetRect());
        if (doc) {
            doc->AddLogLine(QString::asprintf(VYRText::kLogAutoQueueing, fileName.constData(),
                                              item->GetRotation()));
            doc->NotifyViews(this, HINT_ITEM_QUEUED, item);
        }
        // The lock is released before the file is closed (reverse order of the guards).
    }

    if (considered == 0)
        return;
    QLMessageBox(QString::asprintf(VYRText::kAutoSummary, considered, rotated, oriented,
                                   skippedPending, skippedNoInfo),
                 QL_MB_OK);
    // The photos the tag says nothing useful about are the ones the pictures can help with.
    // Told in the status bar: the summary box and the log keep their own lines.
    auto *frame = qobject_cast<QMainWindow *>(QLGetMainWindow());
    if (frame && oriented + skippedNoInfo > 0)
        frame->statusBar()->showMessage(
            QString::asprintf(VYRSuggestText::kAutoRotateHint, oriented + skippedNoInfo), 15000);
}
