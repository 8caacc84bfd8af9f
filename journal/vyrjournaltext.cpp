// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrjournaltext.h"

#include "resource.h"
#include "vyrjournal.h"
#include "vyrjournalsession.h"
#include "vyrresulttext.h"

namespace {

const char *JournalText(int in_code)
{
    namespace T = VYRUndoText;
    switch (in_code) {
    case VYR_JOURNAL_ERR_IO:
    case VYR_JOURNAL_ERR_NOT_OPEN:
        return T::kJournalUnusable;
    case VYR_JOURNAL_ERR_FORMAT:
        return T::kJournalFormat;
    case VYR_JOURNAL_ERR_UNKNOWN:
        return T::kUnknownRecord;
    case VYR_JOURNAL_ERR_CHANGED:
        return T::kChanged;
    case VYR_JOURNAL_ERR_MISSING:
        return T::kMissing;
    case VYR_JOURNAL_ERR_NO_ORIGINAL:
        return T::kNoOriginal;
    case VYR_JOURNAL_ERR_DAMAGED:
        return T::kOriginalDamaged;
    case VYR_JOURNAL_ERR_UNDONE:
        return T::kAlreadyRestored;
    case VYR_JOURNAL_ERR_PENDING:
        return T::kStillWriting;
    case VYR_JOURNAL_ERR_READ:
        return T::kUnreadable;
    case VYR_JOURNAL_ERR_OCCUPIED:
        return T::kOccupied;
    default:
        return nullptr;
    }
}

} // namespace

QString VYRWriteResultText(int in_code, const QString &in_photo, const QString &in_output)
{
    if (const char *text = JournalText(in_code))
        return QString::asprintf(text, qUtf8Printable(in_photo));
    return VYRResultText(in_code, in_photo, in_output);
}

QString VYRRecordWords(int in_transform)
{
    namespace T = VYRUndoText;
    if (in_transform == VYR_JOURNAL_RESTORE)
        return QString::fromUtf8(T::kRestoreOf);
    if (in_transform == VYR_JOURNAL_SIDECAR)
        return QString::fromUtf8(T::kSidecarEdited);
    // Codes are 4 times the clockwise quarter turns, plus 1 when the picture is mirrored first.
    const char *turn = nullptr;
    switch ((in_transform / 4) % 4) {
    case 1:
        turn = T::kTurnClockwise;
        break;
    case 2:
        turn = T::kTurnHalf;
        break;
    case 3:
        turn = T::kTurnCounter;
        break;
    default:
        break;
    }
    if (!(in_transform & 1))
        return QString::fromUtf8(turn ? turn : T::kRestoreOf);
    return turn ? QString::asprintf(T::kMirroredThen, turn) : QString::fromUtf8(T::kMirrored);
}

QString VYRBatchStateWords(const QList<VYRBatchInfo> &in_all, const VYRBatchInfo &in_batch)
{
    namespace T = VYRUndoText;
    switch (VYRKindOfBatch(in_all, in_batch.m_id)) {
    case VYRBatchKind::Undo:
        return QString::asprintf(T::kStateUndoOf, in_batch.m_undoes);
    case VYRBatchKind::Redo:
        return QString::asprintf(T::kStateRedoOf, in_batch.m_undoes);
    case VYRBatchKind::Turns:
        break;
    }
    if (in_batch.m_undone == 0)
        return QString::fromUtf8(T::kStateTurned);
    if (in_batch.m_undone >= in_batch.m_count)
        return QString::fromUtf8(T::kStateUndone);
    return QString::asprintf(T::kStatePartly, in_batch.m_undone, in_batch.m_count);
}

QString VYRRecordStateWords(VYRRecordState in_state)
{
    switch (in_state) {
    case VYRRecordState::Begun:
        return QString::fromUtf8(VYRUndoText::kRecordPending);
    case VYRRecordState::Undone:
        return QString::fromUtf8(VYRUndoText::kStateUndone);
    case VYRRecordState::Committed:
        break;
    }
    return QString::fromUtf8(VYRUndoText::kRecordWritten);
}
