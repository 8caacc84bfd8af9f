// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrtaskvw.h"

#include "document.h"
#include "qlprompt.h"
#include "qltrace.h"
#include "qluichannel.h"
#include "qlwnd.h"
#include "resource.h"
#include "rotatethread.h"
#include "vyrimg.h"
#include "vyrjournaltext.h"
#include "vyrresulttext.h"

#include <QAbstractScrollArea>
#include <QDir>
#include <QHeaderView>
#include <QPointer>
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
    UpdateProgress();
}

void VYRTaskVw::UpdateProgress()
{
    // The running job counts until it is completed, its row or not.
    const bool running = m_pJobItem != nullptr;
    const int left = GetTaskCount() + ((running && m_bJobRowRemoved) ? 1 : 0);
    if (left == 0 && !running)
        m_batchDone = 0;
    const int total = left == 0 && !running ? 0 : m_batchDone + left;
    const QString file = running ? m_jobFileName : QString();
    if (total == m_shownTotal && m_batchDone == m_shownDone && file == m_shownFile)
        return;
    m_shownTotal = total;
    m_shownDone = m_batchDone;
    m_shownFile = file;
    emit ProgressChanged(m_batchDone, total, file);
}

void VYRTaskVw::OnUpdate(QLView *in_pSender, long in_hint, void *in_pHint)
{
    if (in_pSender == this)
        return;
    if (in_hint == HINT_ITEM_QUEUED || in_hint == HINT_ITEM_QUEUED_SETTLING) {
        auto *item = static_cast<VYRImage *>(in_pHint);
        if (!QL_ASSERT(item))
            return;
        {
            QLLockGuard lock(g_catalogLock);
            item->SetPending(true);
        }
        const Document *doc = GetDoc();
        const int settleMs =
            in_hint == HINT_ITEM_QUEUED_SETTLING && doc ? doc->GetPrefs().SettleMs : 0;
        if (UpdateTask(item, settleMs) == 0)
            CompleteTask(item);
    } else if (in_hint == HINT_ITEM_ADDED) {
        // Every listed photo owns its name in the output folder before any job runs.
        auto *item = static_cast<VYRImage *>(in_pHint);
        if (!item)
            return;
        QString path;
        {
            QLLockGuard lock(g_catalogLock);
            path = item->GetPathName();
        }
        m_outputClaims.ClaimListed(path);
    } else if (in_hint == HINT_QUEUE_ABANDONED) {
        clear();
        {
            // A job whose file is being written finishes on its own; its item is no longer
            // ours (the document frees the queue's items next), so its notices are ignored
            // and the worker leaves the item alone.
            QLLockGuard lock(g_catalogLock);
            m_pJobItem = nullptr;
        }
        m_jobOutcome = VYRJobOutcome();
        SetPendingTitle();
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
    auto *item = reinterpret_cast<VYRImage *>(in_lParam);
    {
        QLLockGuard lock(g_catalogLock);
        m_pJobItem = item;
        m_jobFileName = item ? item->GetFileName() : QString();
    }
    m_bJobRowRemoved = false;
    m_jobOutcome = VYRJobOutcome();
    UpdateProgress();
    return 0;
}

bool VYRTaskVw::TakeNextJob(VYRJob *out_pJob)
{
    // Reading the row and marking it in one request means that no queueing request can slip
    // between the two and change what row 0 is.
    if (!out_pJob || GetTaskCount() == 0)
        return false;
    // Rows still settling wait; a row queued after them without a settling time goes first.
    const int next = NextSettledRow();
    VYRImage *item = GetTaskItem(next);
    if (!item)
        return false;
    OnRotationStarted(next, reinterpret_cast<qintptr>(item));
    out_pJob->m_pItem = item;
    out_pJob->m_source = GetTaskText(next, COL_SOURCE);
    out_pJob->m_output = GetTaskText(next, COL_OUTPUT);
    if (Document *doc = GetDoc()) {
        out_pJob->m_pJournal = &doc->GetJournal();
        out_pJob->m_keepTime = doc->GetPrefs().KeepFileTime;
    }
    return true;
}

qintptr VYRTaskVw::OnRotationDone(qintptr in_wParam, qintptr in_lParam)
{
    auto *item = reinterpret_cast<VYRImage *>(in_lParam);
    // A notice for anything but the running job is stale: the item may be gone, and row
    // in_wParam may belong to another job by now.
    if (!item || item != m_pJobItem)
        return 0;
    int row = static_cast<int>(in_wParam);
    if (GetTaskItem(row) != item)
        row = RowOf(item);
    m_bJobRowRemoved = true;
    DeleteTask(row);
    // The title's count and the log line follow with the completion, once the file work is
    // over and its outcome known.
    return 0;
}

void VYRTaskVw::OnRotationFinished(VYRImage *in_pItem, const VYRJobOutcome &in_outcome)
{
    if (!in_pItem || in_pItem != m_pJobItem)
        return;
    // The row went with the notice of the file work's start, which always comes first.
    m_jobOutcome = in_outcome;
    ++m_batchDone;
    CompleteTask(in_pItem);
    if (in_outcome.m_result == VYRJobResult::ReadOnly)
        ShowReadOnlyMessage();
}

void VYRTaskVw::ShowReadOnlyMessage()
{
    if (m_bReadOnlyShown)
        return; // the failure is in the log; the message on screen already says why
    m_bReadOnlyShown = true;
    // The box runs its own event loop: the batch goes on behind it, and this view may even
    // be gone when it closes.
    QPointer<VYRTaskVw> self(this);
    QLMessageBox(QString::fromUtf8(VYRText::kReadOnly), QL_MB_OK);
    if (self)
        self->m_bReadOnlyShown = false;
}

void VYRTaskVw::PurgeIfIdle()
{
    // Runs on this thread: between the document's queueing of an item and this list's new
    // row for it the queue is briefly ahead of the list, and a purge there would drop a job
    // that is about to get its row (and free it if it is detached). Requests are served
    // between two user actions, never inside one.
    if (GetTaskCount() != 0 || m_pJobItem)
        return;
    Document *doc = GetDoc();
    if (!doc)
        return;
    QLLockGuard lock(g_catalogLock);
    if (doc->GetPendingCount() != 0)
        doc->ClearQueueUnlocked();
}

int VYRTaskVw::UpdateTask(VYRImage *in_pItem, int in_settleMs)
{
    int result = 1;
    const int row = FindTask(in_pItem);
    bool work = false;
    {
        // A mirror pending is work with a net rotation of 0 (a file tagged 2).
        QLLockGuard lock(g_catalogLock);
        work = in_pItem->HasWork();
    }
    if (in_pItem == m_pJobItem) {
        // Its file is being written on the paths taken with the job: a row made now would
        // name a file the job is about to replace. The completion makes the row.
        if (row != -1 && work)
            UpdateTaskRotation(row, in_pItem);
    } else if (row == -1) {
        InsertTask(in_pItem);
        SetRowSettle(GetTaskCount() - 1, in_settleMs);
    } else if (work) {
        UpdateTaskRotation(row, in_pItem);
        SetRowSettle(row, in_settleMs); // each click starts the wait again
    } else {
        DeleteTask(row);
        result = 0;
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
        // The worker changes an item's path under the lock when its file has been written.
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

namespace {

// The job's lines in the event log: why it failed just before "Failed to rotate" (as the
// output claim's line always came), and what a turn trimmed after "Successfully rotated".
void LogOutcome(Document *in_pDoc, const VYRJobOutcome &in_outcome, const QString &in_fileName)
{
    const QString output = QDir::toNativeSeparators(in_outcome.m_output);
    const bool failed = in_outcome.m_result != VYRJobResult::Done;
    if (in_outcome.m_result == VYRJobResult::OutputTaken)
        in_pDoc->AddLogLine(
            QString::asprintf(VYRText::kLogOutputTaken, qUtf8Printable(output),
                              qUtf8Printable(QDir::toNativeSeparators(in_outcome.m_holder))));
    else if (failed && in_outcome.m_code < 0)
        in_pDoc->AddLogLine(VYRWriteResultText(in_outcome.m_code, in_fileName, output));
    const char *format = failed                  ? VYRText::kLogFailed
                         : in_outcome.m_mirrored ? VYRText::kLogRotatedMirrored
                                                 : VYRText::kLogRotated;
    in_pDoc->AddLogLine(QString::asprintf(format, qUtf8Printable(in_fileName)));
    const QString trimmed = failed ? QString() : VYRTrimText(in_outcome.m_trim, in_fileName);
    if (!trimmed.isEmpty())
        in_pDoc->AddLogLine(trimmed);
}

} // namespace

void VYRTaskVw::CompleteTask(VYRImage *in_pItem)
{
    VYRJobOutcome outcome;
    bool queuedAgain = false;
    bool turnedBack = false;
    QString fileName;
    const bool ranJob = in_pItem == m_pJobItem;
    {
        QLLockGuard lock(g_catalogLock);
        if (ranJob) {
            outcome = std::exchange(m_jobOutcome, VYRJobOutcome());
            // The thumbnail was turned when the job was queued; a job that failed turns it
            // back here, on this thread, so that the turn never overlaps a drawing of it.
            // Only the picture turns: the net rotation is settled below.
            const int angle = outcome.m_angle;
            if (outcome.m_result != VYRJobResult::Done && angle != 0) {
                try {
                    in_pItem->QLImage::Rotate(angle == 180 ? 180 : -angle);
                    turnedBack = true;
                } catch (QLException *in_pErr) {
                    std::unique_ptr<QLException> err(in_pErr);
                    QLTrace("Error turning back thumbnail of '%s': %d\n",
                            qUtf8Printable(in_pItem->GetFileName()), err->code);
                }
            }
            m_pJobItem = nullptr;
            // Only the running job's end clears the file being written: a waiting photo
            // turned back to upright meanwhile completes too.
            m_jobFileName.clear();
            // The job took the item's rotation; anything there now was asked for while the
            // job ran and must not be lost.
            queuedAgain = in_pItem->HasWork();
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
    if (ranJob)
        LogOutcome(doc, outcome, fileName);
    else // turned back to where it was before any job took it: its file was not touched
        doc->AddLogLine(QString::asprintf(VYRUndoText::kLogCancelledOut, qUtf8Printable(fileName)));
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
