// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// `veyra --undo [BATCH]` and `veyra --history [BATCH]`: the undo journal from a shell.
#pragma once

struct VYRCliOptions;

// Runs the undo or the history the options ask for, in the user's journal. Returns the exit
// code: 0 done, 1 a photo could not be restored or nothing was left to undo, 2 an unknown
// batch (the journal itself unusable: 1, with a line saying so).
int VYRRunJournalCommand(const VYRCliOptions &in_options);
