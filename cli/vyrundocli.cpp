// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrundocli.h"

#include "resource.h"
#include "thumb/vyrsharedthumbs.h"
#include "vyrbatch.h"
#include "vyrbatchreport.h"
#include "vyrcliargs.h"
#include "vyrclitext.h"
#include "vyrjournal.h"
#include "vyrjournalsession.h"
#include "vyrjournaltext.h"
#include "vyrprefs.h"

#include <cstdio>

namespace {

void Print(const QString &in_line)
{
    const QByteArray bytes = in_line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void Complain(const QString &in_reason)
{
    const QByteArray bytes = QByteArray(VYRCliText::kUsagePrefix) + in_reason.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

bool Known(const QList<VYRBatchInfo> &in_batches, qint64 in_batch)
{
    for (const VYRBatchInfo &b : in_batches)
        if (b.m_id == in_batch)
            return true;
    return false;
}

int History(VYRJournal &in_journal, qint64 in_batch)
{
    const QList<VYRBatchInfo> batches = in_journal.Batches();
    if (in_batch == 0) {
        if (batches.isEmpty())
            Print(QString::fromUtf8(VYRCliText::kHistoryEmpty));
        for (const VYRBatchInfo &b : batches) {
            const QString time =
                b.m_time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            std::printf(VYRCliText::kHistoryLine, b.m_id, qUtf8Printable(time),
                        qUtf8Printable(b.m_origin), b.m_count,
                        qUtf8Printable(VYRBatchStateWords(batches, b)));
        }
        return VYR_EXIT_DONE;
    }
    if (!Known(batches, in_batch)) {
        Complain(QString::asprintf(VYRCliText::kUnknownBatch, in_batch));
        return VYR_EXIT_USAGE;
    }
    for (const VYRTurnRecord &r : in_journal.Records(in_batch))
        std::printf(VYRCliText::kRecordLine, qUtf8Printable(VYRShownPath(r.m_path)),
                    qUtf8Printable(VYRRecordWords(r.m_transform)),
                    qUtf8Printable(VYRRecordStateWords(r.m_state)));
    return VYR_EXIT_DONE;
}

int Undo(VYRJournal &in_journal, qint64 in_batch, bool in_quiet)
{
    const QList<VYRBatchInfo> batches = in_journal.Batches();
    const qint64 target = in_batch ? in_batch : VYRUndoTarget(batches);
    if (in_batch && !Known(batches, in_batch)) {
        Complain(QString::asprintf(VYRCliText::kUnknownBatch, in_batch));
        return VYR_EXIT_USAGE;
    }
    if (!target) {
        Print(QString::fromUtf8(VYRCliText::kNothingToUndo));
        return VYR_EXIT_FAILED;
    }
    VYRRestoreReport report;
    const int rc = in_journal.RestoreBatch(target, &report);
    if (rc == VYR_JOURNAL_ERR_UNDONE) {
        Print(QString::asprintf(VYRCliText::kNothingLeft, target));
        return VYR_EXIT_FAILED;
    }
    // The desktop's thumbnails of the turned pictures must not stand for the originals.
    for (const VYRTurnRecord &r : in_journal.Records(report.m_batch))
        VYRForgetSharedThumbnails(r.m_path);
    if (!in_quiet) {
        for (const VYRTurnRecord &r : in_journal.Records(report.m_batch))
            Print(QString::asprintf(VYRUndoText::kLogRestored,
                                    qUtf8Printable(VYRShownPath(r.m_path))));
        for (const VYRRestoreFailure &f : report.m_refused) {
            const QString shown = VYRShownPath(f.m_path);
            Print(QString::asprintf(VYRUndoText::kLogNotRestored, qUtf8Printable(shown)) +
                  QStringLiteral("\n    ") + VYRWriteResultText(f.m_result, shown, shown));
        }
    }
    std::printf(VYRCliText::kUndoSummary, report.m_restored, int(report.m_refused.size()));
    if (report.m_batch == 0 && rc != VYR_JOURNAL_OK) {
        Complain(VYRWriteResultText(rc, in_journal.Root(), in_journal.Root()));
        return VYR_EXIT_FAILED;
    }
    return report.m_refused.isEmpty() ? VYR_EXIT_DONE : VYR_EXIT_FAILED;
}

} // namespace

int VYRRunJournalCommand(const VYRCliOptions &in_options)
{
    if (VYRPrefs::FromProfile().UndoDays <= 0) {
        Complain(QString::fromUtf8(VYRCliText::kJournalOff));
        return VYR_EXIT_FAILED;
    }
    VYRJournal journal;
    if (journal.Open() != VYR_JOURNAL_OK) {
        Complain(QString::asprintf(VYRCliText::kJournalBroken, qUtf8Printable(journal.Root())));
        return VYR_EXIT_FAILED;
    }
    if (in_options.m_mode == VYRCliOptions::Mode::History)
        return History(journal, in_options.m_batch);
    return Undo(journal, in_options.m_batch, in_options.m_quiet);
}
