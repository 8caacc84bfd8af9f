// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The engine's lossless file rotation with its write journalled, for callers that have no
// hook of their own between the verified result and the rename.
#pragma once

#include "vyrengine.h"

class VYRJournal;

// Turns in_source into in_destination through VYRGetEngine().RotateFile, as that documents,
// and records the write in in_pJournal's batch in_batch: begun (the destination's content
// kept, the result's digest recorded) from the rotation's finishing step, so before the
// rename; committed when the rotation succeeded, abandoned otherwise. in_pFinish, when given,
// runs first and may still edit or refuse the result.
// Returns the rotation's result; VYR_ERR_FINISH also when the journal refused the record
// (*out_pJournalResult then says why; nothing was written). *out_pRecord gets the record id,
// 0 when none was kept.
int VYRJournalledRotate(VYRJournal *in_pJournal, qint64 in_batch, const QString &in_source,
                        const QString &in_destination, int in_code,
                        const VYRRotateFinish *in_pFinish = nullptr, qint64 *out_pRecord = nullptr,
                        int *out_pJournalResult = nullptr);
