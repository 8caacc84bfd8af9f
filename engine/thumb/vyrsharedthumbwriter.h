// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Shared-cache entries are written after the grid is filled, not on the decoding threads: the
// PNG and its file cost a photo that has no usable preview a few per cent more than its decode,
// and the user waits for the cells, not for the entries. One writer thread, below the window's
// priority, writes what the decoders hand it once no decode has run for a moment; its queue
// holds at most kVYRDeferredThumbBytes of pictures, and a decoder that finds it full writes its
// entry itself, as if there were no writer.
#pragma once

#include "thumb/vyrsharedthumbs.h"

#include <QImage>
#include <QString>

#include <cstdint>

// The pictures the queue may hold, at three bytes a pixel: some 1,800 entries of the 128 px
// class, so a folder of that many photos is shown before any entry is written.
constexpr int64_t kVYRDeferredThumbBytes = int64_t(64) << 20;

// Queues the entry VYRWriteSharedThumb would write now. Returns false when the queue has no
// room for it: the caller then writes it itself. Safe from any thread.
bool VYRDeferSharedThumb(const VYRThumbSources &in_sources, const VYRSharedThumbPhoto &in_photo,
                         int in_classEdge, const QImage &in_picture);

// Held while one thumbnail is decoded: the writer waits while any is, and for a short while
// after the last, so that it only uses time the grid does not.
class VYRThumbDecodeScope
{
public:
    VYRThumbDecodeScope() noexcept;
    ~VYRThumbDecodeScope();
    VYRThumbDecodeScope(const VYRThumbDecodeScope &) = delete;
    VYRThumbDecodeScope &operator=(const VYRThumbDecodeScope &) = delete;
};

// Writes every queued entry now, decodes or not, and returns when the queue is empty.
void VYRFlushSharedThumbWrites();

// Forgets the queued entries of in_path, whose file is about to be rewritten (an entry already
// being written is refused by its own check that the file is still the one that was read).
void VYRDropSharedThumbWrites(const QString &in_path) noexcept;

// Writes what can be written within in_budgetMs, drops the rest and stops the writer; for the
// end of the program. Later deferrals are refused (their callers write them).
void VYRFinishSharedThumbWrites(int in_budgetMs);

// How many entries are queued (for tests).
int VYRPendingSharedThumbWrites();
