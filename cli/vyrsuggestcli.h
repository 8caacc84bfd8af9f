// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// `veyra --suggest [-r] [--min-confidence X] [--apply] PATH...`: the upright turns the pictures
// themselves suggest, for photos that carry no orientation (or Orientation 1).
#pragma once

#include "vyrcliargs.h"

// Lists the photos of in_options' paths (files as named, folders through the folder walk with
// the filter, subfolders when recursive) and prints one tab-separated line per photo with a
// suggestion at or above the minimum confidence: path, angle (90, 180, -90), confidence,
// evidence. Photos tagged with an orientation other than 1 are skipped unread. With m_apply each
// suggested turn is written through the verified photo write, journalled as one batch. A photo
// that cannot be looked at is named on standard error and the run goes on.
// Returns 0 when it ran, 1 when an --apply write failed, 2 when a path does not exist or the
// suggester cannot work (its detector data is missing).
int VYRRunSuggestCommand(const VYRCliOptions &in_options);
