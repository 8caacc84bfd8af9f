// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Where the guarded decoders' coefficient memory comes from (VYRJpegGuard holds a picture's
// block arrays in one slab): a pool of slabs kept for the next picture, and the budget that
// all guards of the process share. Both are safe from any thread and live until the program
// ends (a guard may end during its exit).
#pragma once

#include <QtGlobal>
#include <atomic>
#include <cstddef>

// A slab of at least in_bytes: the smallest cached one that fits, or fresh memory (on large
// pages where the system offers them). *out_pBytes receives its real size, which
// VYRGiveSlab() wants back. Null when out of memory.
void *VYRTakeSlab(size_t in_bytes, size_t *out_pBytes);
// Returns a slab to the pool, which keeps up to 160 MiB for the next pictures and frees the
// largest ones beyond that.
void VYRGiveSlab(void *in_pSlab, size_t in_bytes);

// Takes in_bytes from the shared budget, waiting while the bytes taken by all would exceed
// in_limit (a decode and a rotation may meet, and neither is wrong to run). Returns false,
// having taken nothing, once *in_pCancel (when given) is true while it waits.
bool VYRTakeSharedBytes(qint64 in_bytes, qint64 in_limit, const std::atomic<bool> *in_pCancel);
// Gives back bytes taken with VYRTakeSharedBytes(), waking those who wait.
void VYRGiveSharedBytes(qint64 in_bytes);
// The bytes taken now, by all.
qint64 VYRSharedBytesInUse();
