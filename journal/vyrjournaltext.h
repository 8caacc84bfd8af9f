// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The user's words for a journal code, beside the engine's for its own codes.
#pragma once

#include "vyrjournal.h"

#include <QString>

// The text for in_code naming in_photo: a journal code (-901...) has its own, any other code
// the engine's (VYRResultText, which names in_output where that is the point).
QString VYRWriteResultText(int in_code, const QString &in_photo, const QString &in_output);

// What a record did, in words: a restore, or the transform it wrote ("turned 90 degrees
// clockwise", "mirrored, then turned 180 degrees", ...).
QString VYRRecordWords(int in_transform);

// A batch's state in words, among in_all (as VYRJournal::Batches gives them): "turned",
// "taken back", "2 of 3 taken back", "undo of 12", "redo of 14".
QString VYRBatchStateWords(const QList<VYRBatchInfo> &in_all, const VYRBatchInfo &in_batch);
// A record's state in words: "written", "being written", "taken back".
QString VYRRecordStateWords(VYRRecordState in_state);
