// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The task list's settling time: a row queued by a click waits a moment before the worker may
// take it, so that a second click (a double-click, a turn and its reverse) changes the job
// instead of writing the photo twice.
#include "vyrtaskvw.h"

#include "resource.h"

#include <QTimer>
#include <chrono>
#include <limits>

namespace {

// When a row may be taken, in steady-clock milliseconds (0: at once), in the Status cell.
constexpr int kSettleRole = Qt::UserRole + 1;

qint64 NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

void VYRTaskVw::SetRowSettle(int in_row, int in_ms)
{
    QTreeWidgetItem *row = topLevelItem(in_row);
    if (!row)
        return;
    const qint64 deadline = in_ms > 0 ? NowMs() + in_ms : 0;
    row->setData(COL_STATUS, kSettleRole, deadline);
    row->setText(COL_STATUS,
                 QString::fromUtf8(deadline ? VYRUndoText::kSettling : VYRText::kPending));
    if (!deadline)
        return;
    if (!m_pSettleTimer) {
        m_pSettleTimer = new QTimer(this);
        m_pSettleTimer->setSingleShot(true);
        connect(m_pSettleTimer, &QTimer::timeout, this, [this] { OnSettleTimer(); });
    }
    OnSettleTimer();
}

void VYRTaskVw::OnSettleTimer()
{
    const qint64 now = NowMs();
    qint64 next = std::numeric_limits<qint64>::max();
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = topLevelItem(i);
        const qint64 deadline = row->data(COL_STATUS, kSettleRole).toLongLong();
        if (!deadline)
            continue;
        if (deadline <= now) {
            row->setData(COL_STATUS, kSettleRole, qint64(0));
            row->setText(COL_STATUS, QString::fromUtf8(VYRText::kPending));
        } else if (deadline < next) {
            next = deadline;
        }
    }
    if (m_pSettleTimer && next != std::numeric_limits<qint64>::max())
        m_pSettleTimer->start(int(next - now));
}

bool VYRTaskVw::IsRowSettled(int in_row) const
{
    const QTreeWidgetItem *row = topLevelItem(in_row);
    if (!row)
        return false;
    const qint64 deadline = row->data(COL_STATUS, kSettleRole).toLongLong();
    return deadline == 0 || deadline <= NowMs();
}

int VYRTaskVw::NextSettledRow() const
{
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (IsRowSettled(i))
            return i;
    return -1;
}
