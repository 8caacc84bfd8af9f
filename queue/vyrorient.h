// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Turning a photo upright on disk: the lossless turn with every copy of the orientation made
// upright, written in one atomic step.
#pragma once

#include "core/vyrorientation.h"

#include <QString>
#include <cstddef>
#include <cstdint>

class VYRJournalSession;
struct VYRRotateReport;

// Exif Orientation (tag 274): the values are VYROrientation's (vyrorientation.h).
enum : unsigned
{
    VYR_TAG_ORIENTATION = 274,
    VYR_ORIENTATION_UPRIGHT = 1,
};

// Auto Rotate's decision, the one table of the window and the command line: the transform
// that makes a picture with this Orientation upright and unmirrored, which is the one Exif
// asks a viewer to apply: 2 -> flip horizontal, 3 -> 180, 4 -> flip vertical, 5 -> transpose,
// 6 -> 90, 7 -> transverse, 8 -> -90. Upright (1) and anything else (which Exif readers show
// as stored) -> upright: such a photo is counted as correctly oriented and left alone.
VYROrientation VYRAutoRotateTransform(uint32_t in_value);

// The clockwise turn in degrees that Auto Rotate queues for this Orientation in the grid,
// which shows a mirrored photo with its mirror undone: the turn that follows the mirror
// (2 -> 0, 3 -> 180, 4 -> 180, 5 -> -90, 6 -> 90, 7 -> 90, 8 -> -90), 0 for anything else.
int VYRAngleForOrientation(uint32_t in_value);

// Turns in_source by in_code (a VYROrientation code: any of the seven lossless transforms) into
// in_destination (which may be in_source) with every copy of its orientation set to 1 (the
// engine's metadata step), all in one atomic write: the destination holds either its previous
// bytes or the whole result. Throws QLImageException* as QLRotateFile does (code -805 for a
// read-only destination, -24 for a photo whose Exif or XMP block cannot be edited safely).
// Another file at the destination is replaced only when in_allowReplace is set; out_pReport,
// when given, receives what the turn trimmed.
void VYRRotatePhoto(const QString &in_source, const QString &in_destination, int in_code,
                    bool in_allowReplace = false, VYRRotateReport *out_pReport = nullptr);

// How a photo is written, beyond the turn itself.
struct VYRPhotoWrite
{
    bool m_allowReplace = false;          // as above
    VYRRotateReport *m_pReport = nullptr; // as above
    bool m_keepTime = false;              // the written photo keeps the source's modification time
    // When given and enabled, the write is journalled in its current batch before the rename
    // (so that it can be undone); a journal that cannot record it fails the write, with the
    // journal's code (-901...), and nothing is replaced.
    VYRJournalSession *m_pJournal = nullptr;
};
void VYRRotatePhoto(const QString &in_source, const QString &in_destination, int in_code,
                    const VYRPhotoWrite &in_write);
