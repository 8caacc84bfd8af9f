// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrtaskvw.h"

#include "document.h"
#include "qltrace.h"
#include "qluichannel.h"
#include "qlwnd.h"
#include "resource.h"
#include "rotatethread.h"
#include "vyrimg.h"

#include <QAbstractScrollArea>
#include <QDir>
#include <QHeaderView>
#include <iterator>
#include <system_error>

namespace {

// The row's item pointer lives in the Status cell's user data.
constexpr int kItemRole = Qt::UserRole;

struct ColumnSpec
{
    const char *m_pHeader;
    int m_widthPx;
    Qt::Alignment m_alignment;
};

const ColumnSpec kColumns[] = {
    {VYRText::kColStatus, 78, Qt::AlignLeft | Qt::AlignVCenter},
    {VYRText::kColSource, 400, Qt::AlignLeft | Qt::AlignVCenter},
    {VYRText::kColOutput, 400, Qt::AlignLeft | Qt::AlignVCenter},
    {VYRText::kColRotation, 70, Qt::AlignRight | Qt::AlignVCenter},
};

VYRImage *ItemOf(const QTreeWidgetItem *in_pRow)
{
    return in_pRow ? reinterpret_cast<VYRImage *>(in_pRow->data(0, kItemRole).value<quintptr>())
                   : nullptr;
}

} // namespace

VYRTaskVw::VYRTaskVw(QWidget *in_pParent) : QTreeWidget(in_pParent)
{
    // A plain report list: no tree decoration, whole-row selection, no sorting (row order is
    // the order of the jobs).
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setColumnCount(0);
    m_pChannel = new QLUiChannel(this);
}

VYRTaskVw::~VYRTaskVw()
{
    OnDestroy();
    WaitForWorker();
}

int VYRTaskVw::OnCreate()
{
    QStringList headers;
    for (const ColumnSpec &column : kColumns)
        headers << QString::fromUtf8(column.m_pHeader);
    setColumnCount(headers.size());
    setHeaderLabels(headers);
    for (int i = 0; i < headers.size(); ++i) {
        setColumnWidth(i, kColumns[i].m_widthPx);
        headerItem()->setTextAlignment(i, kColumns[i].m_alignment);
    }

    if (m_hWorkerThread.joinable())
        return 0;
    m_bStopWorker = 0;
    m_bWorkerEnded = false;
    try {
        m_hWorkerThread = std::thread([this] {
            RotateThreadProc(this);
            m_bWorkerEnded = true;
            m_pChannel->Wake();
        });
    } catch (const std::system_error &) {
        return -1;
    }
    return 0;
}

void VYRTaskVw::OnDestroy()
{
    m_bStopWorker = 1;
}

void VYRTaskVw::WaitForWorker()
{
    m_bStopWorker = 1; // waiting for a worker that was never asked to stop would never end
    if (!m_hWorkerThread.joinable())
        return;
    // The worker may be waiting for this thread (a row read, the started notice, the
    // read-only message): a plain join could never return. Serve it until it has ended.
    m_pChannel->ServeUntil([this] { return m_bWorkerEnded.load(); });
    m_hWorkerThread.join();
    // The end can be seen before a notice the worker posted just before it: a completion
    // left in the channel would leave its item pending and queued for good.
    m_pChannel->Serve();
}

Document *VYRTaskVw::GetDoc() const
{
    return dynamic_cast<Document *>(GetDocument());
}

void VYRTaskVw::SetPendingTitle()
{
    if (Document *doc = GetDoc())
        doc->SetTitle(QString::asprintf(VYRText::kItemsPendingFormat, GetTaskCount()));
}

void VYRTaskVw::OnUpdate(QLView *in_pSender, long in_hint, void *in_pHint)
{
    if (in_pSender == this)
        return;
    if (in_hint == HINT_ITEM_QUEUED) {
        auto *item = static_cast<VYRImage *>(in_pHint);
        if (!QL_ASSERT(item))
            return;
        {
            QLLockGuard lock(g_catalogLock);
            item->SetPending(true);
        }
        if (UpdateTask(item) == 0)
            CompleteTask(item);
    } else if (in_hint == HINT_QUEUE_ABANDONED) {
        clear();
        // A job the worker holds finishes first (this waits for it); its late completion
        // notice is then ignored, because the document frees the queue's items next.
        QLLockGuard lock(g_catalogLock);
        m_pJobItem = nullptr;
        m_bJobFailed = false;
        m_jobAngle = 0;
    }
}

bool VYRTaskVw::event(QEvent *in_pEvent)
{
    if (in_pEvent->type() == QLMessageEvent::Type()) {
        auto *message = static_cast<QLMessageEvent *>(in_pEvent);
        if (message->m_message == WM_ROTATION_STARTED) {
            OnRotationStarted(message->m_wParam, message->m_lParam);
            return true;
        }
        if (message->m_message == WM_ROTATION_DONE) {
            OnRotationDone(message->m_wParam, message->m_lParam);
            return true;
        }
    }
    return QTreeWidget::event(in_pEvent);
}

qintptr VYRTaskVw::OnRotationStarted(qintptr in_wParam, qintptr in_lParam)
{
    QTreeWidgetItem *row = topLevelItem(static_cast<int>(in_wParam));
    if (!row)
        return 0;
    row->setText(COL_STATUS, QString::fromUtf8(VYRText::kProcessing));
    QLLockGuard lock(g_catalogLock);
    m_pJobItem = reinterpret_cast<VYRImage *>(in_lParam);
    m_bJobFailed = false;
    m_jobAngle = 0;
    return 0;
}

qintptr VYRTaskVw::OnRotationDone(qintptr in_wParam, qintptr in_lParam)
{
    auto *item = reinterpret_cast<VYRImage *>(in_lParam);
    // m_pJobItem is written on this thread only, so reading it here needs no lock. A
    // notice for anything else is stale: the item may be gone, and row in_wParam may
    // belong to the next job by now.
    if (!item || item != m_pJobItem)
        return 0;
    int row = static_cast<int>(in_wParam);
    if (ItemOf(topLevelItem(row)) != item)
        row = RowOf(item);
    DeleteTask(row);
    // Removing the row may have let the queue be abandoned meanwhile (a slot connected to
    // the list): then the item is no longer ours either.
    if (item == m_pJobItem)
        CompleteTask(item);
    return 0;
}

int VYRTaskVw::UpdateTask(VYRImage *in_pItem)
{
    int result = 1;
    const int row = FindTask(in_pItem);
    if (row == -1) {
        InsertTask(in_pItem);
    } else {
        int rotation = 0;
        {
            QLLockGuard lock(g_catalogLock);
            rotation = in_pItem->GetRotation();
        }
        if (rotation != 0) {
            UpdateTaskRotation(row, in_pItem);
        } else {
            DeleteTask(row);
            result = 0;
        }
    }
    SetPendingTitle();
    return result;
}

void VYRTaskVw::InsertTask(VYRImage *in_pItem)
{
    QString source;
    QString fileName;
    int rotation = 0;
    {
        // The worker changes an item's path under the lock when a job ends.
        QLLockGuard lock(g_catalogLock);
        source = in_pItem->GetPathName();
        fileName = in_pItem->GetFileName();
        rotation = in_pItem->GetRotation();
    }
    QString output = source;
    if (Document *doc = GetDoc()) {
        const VYRConfig config = doc->GetConfig();
        // Without an output folder the path would name the root folder: leave it empty,
        // and the job fails instead of writing there.
        if (!config.Inplace)
            output = config.DestPath.isEmpty() ? QString()
                                               : config.DestPath + QDir::separator() + fileName;
    }
    auto *row = new QTreeWidgetItem;
    row->setText(COL_STATUS, QString::fromUtf8(VYRText::kPending));
    row->setData(0, kItemRole, QVariant::fromValue(reinterpret_cast<quintptr>(in_pItem)));
    row->setText(COL_SOURCE, source);
    row->setText(COL_OUTPUT, output);
    row->setText(COL_ROTATION, QString::number(rotation));
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i)
        row->setTextAlignment(i, kColumns[i].m_alignment);
    addTopLevelItem(row);
}

void VYRTaskVw::DeleteTask(int in_row)
{
    if (in_row < 0 || in_row >= topLevelItemCount())
        return;
    delete takeTopLevelItem(in_row);
}

void VYRTaskVw::UpdateTaskRotation(int in_row, VYRImage *in_pItem)
{
    QTreeWidgetItem *row = topLevelItem(in_row);
    if (!row)
        return;
    int rotation = 0;
    {
        QLLockGuard lock(g_catalogLock);
        rotation = in_pItem->GetRotation();
    }
    row->setText(COL_ROTATION, QString::number(rotation));
}

int VYRTaskVw::FindTask(VYRImage *in_pItem)
{
    QLLockGuard lock(g_catalogLock);
    return RowOf(in_pItem);
}

int VYRTaskVw::RowOf(const VYRImage *in_pItem) const
{
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (ItemOf(topLevelItem(i)) == in_pItem)
            return i;
    }
    return -1;
}

void VYRTaskVw::CompleteTask(VYRImage *in_pItem)
{
    bool failed = false;
    bool queuedAgain = false;
    bool turnedBack = false;
    QString fileName;
    {
        QLLockGuard lock(g_catalogLock);
        if (in_pItem == m_pJobItem) {
            failed = m_bJobFailed;
            // The thumbnail was turned when the job was queued; a job that failed turns it
            // back here, on this thread, so that the turn never overlaps a drawing of it.
            // Only the picture turns: the net rotation is settled below.
            if (failed && m_jobAngle != 0) {
                try {
                    in_pItem->QLImage::Rotate(m_jobAngle == 180 ? 180 : -m_jobAngle);
                    turnedBack = true;
                } catch (QLException *in_pErr) {
                    std::unique_ptr<QLException> err(in_pErr);
                    QLTrace("Error turning back thumbnail of '%s': %d\n",
                            qUtf8Printable(in_pItem->GetFileName()), err->code);
                }
            }
            m_pJobItem = nullptr;
            m_bJobFailed = false;
            m_jobAngle = 0;
            // The job took the item's rotation; anything there now was asked for while the
            // job ran (its request waited for the lock) and must not be lost.
            queuedAgain = in_pItem->GetRotation() != 0;
        }
        if (!queuedAgain) {
            in_pItem->ResetRotation();
            in_pItem->SetPending(false);
        }
        fileName = in_pItem->GetFileName();
    }
    // The grid shows what the item holds only when it repaints: without this the photo
    // would stay on screen turned although its file was not.
    if (turnedBack) {
        if (auto *thumbs = qobject_cast<QAbstractScrollArea *>(g_hThumbWnd.data()))
            thumbs->viewport()->update();
    }
    if (queuedAgain)
        InsertTask(in_pItem); // stays pending and in the document's queue
    SetPendingTitle();
    Document *doc = GetDoc();
    if (!doc)
        return;
    const char *format = failed ? VYRText::kLogFailed : VYRText::kLogRotated;
    doc->AddLogLine(QString::asprintf(format, qUtf8Printable(fileName)));
    if (!queuedAgain)
        doc->NotifyViews(this, HINT_ITEM_DONE, in_pItem);
}

int VYRTaskVw::GetTaskCount() const
{
    return topLevelItemCount();
}

VYRImage *VYRTaskVw::GetTaskItem(int in_row) const
{
    return ItemOf(topLevelItem(in_row));
}

QString VYRTaskVw::GetTaskText(int in_row, int in_column) const
{
    const QTreeWidgetItem *row = topLevelItem(in_row);
    return row ? row->text(in_column) : QString();
}

bool VYRTaskVw::IsRunningJob(const VYRImage *in_pItem) const
{
    return in_pItem && in_pItem == m_pJobItem;
}

void VYRTaskVw::SetJobOutcome(const VYRImage *in_pItem, bool in_bFailed, int in_angle)
{
    if (in_pItem != m_pJobItem)
        return;
    m_bJobFailed = in_bFailed;
    m_jobAngle = in_angle;
}
