// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Veyra's imaging engine: six operations on bitmaps and JPEG files, reached through one
// table of function pointers. The table is the seam for tests: they install their own
// table (usually a copy of the default one with a single entry replaced) to inject failures.
#pragma once

#include "core/vyrcodes.h"
#include "thumb/vyrbitmap.h"

#include <QImage>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>

class QPainter;
class QRect;

// Raster operation of a plain copy, the only one the paint operation supports.
constexpr uint32_t VYR_SRCCOPY = 0x00CC0020u;

// Per-file callback of the browse: (thumbnail record, file path, file information, status,
// zero-based index of the file in the walk, user data). Status 1 means the record holds the
// thumbnail; VYR_BROWSE_WAITING means the file is still being decoded (record and information
// are null; the same file comes again); any other status is the failure code for that file
// and the record is empty. The record and the information are valid during the call only.
// Return 1 to go on, 0 to stop the browse.
// Status of the browse's calls while it waits for the next thumbnail in order (not a result).
inline constexpr int VYR_BROWSE_WAITING = 2;
using VYRThumbCallback = int (*)(VYRBitmap *in_pThumb, const QString &in_path,
                                 const VYRThumbFileInfo *in_pInfo, int in_status, int in_index,
                                 void *in_pUserData);

// What a file rotation tells its caller besides its result: how much of the picture the turn
// trimmed (the partial blocks along the edges it moves).
struct VYRRotateReport
{
    int m_trimmedColumns = 0; // pixels trimmed off the source's right edge
    int m_trimmedRows = 0;    // pixels trimmed off the source's bottom edge
};

// How a file rotation runs.
// - m_pFunction, when set, is a last edit of the complete result, made in memory before the
//   result is verified and written. It may change any byte but not the length; it returns true
//   to go on, false to fail the rotation (VYR_ERR_FINISH, nothing written).
// - m_allowReplace lets the result replace a destination that is another file than the
//   source; without it such a destination fails the rotation (VYR_ERR_OUTPUT_EXISTS). The
//   source itself (same device and inode) is always replaced: that is a turn in place.
// - m_pReport, when set, receives what the turn trimmed (also when the rotation fails later).
// - m_keepTime: see below.
struct VYRRotateOptions
{
    bool (*m_pFunction)(uint8_t *inout_pData, size_t in_size, void *in_pUserData) = nullptr;
    void *m_pUserData = nullptr;
    bool m_allowReplace = false;
    VYRRotateReport *m_pReport = nullptr;
    // The written photo keeps the source's modification time (to the nanosecond) instead of
    // getting the time of the turn.
    bool m_keepTime = false;
};
// The record's earlier name, from when it carried only the finishing step.
using VYRRotateFinish = VYRRotateOptions;

struct VYREngineTable
{
    // Copies the image of in_pSource into out_pDest, which then holds its own copy (of a
    // compact record: its own turns and a share of the unchangeable compact data) in the same
    // form as the source. Returns 1, or VYR_ERR_INVALID_PARAMETER / VYR_ERR_EMPTY_BITMAP /
    // VYR_ERR_NO_MEMORY; out_pDest is unchanged on failure.
    int (*CopyBitmap)(VYRBitmap *out_pDest, const VYRBitmap *in_pSource);
    // Frees the image held by the record, leaving it empty. Returns 1 (also for an empty record).
    int (*FreeBitmap)(VYRBitmap *inout_pBitmap);
    // Turns the image clockwise by in_angle hundredths of a degree: 0, 9000, 18000 or 27000
    // (and their negatives or multiples of 36000). Exact, pixel for pixel. in_flags and
    // in_param (a fill colour for other angles) are accepted and have no effect on quarter
    // turns. Width and height then describe the turned image. A compact record only counts the
    // turn: four quarter turns, or a turn and its turn back, give exactly the first picture.
    // Returns 1, or VYR_ERR_INVALID_PARAMETER for any other angle, VYR_ERR_EMPTY_BITMAP,
    // VYR_ERR_NO_MEMORY.
    int (*RotateBitmap)(VYRBitmap *inout_pBitmap, int in_angle, uint32_t in_flags,
                        int32_t in_param);
    // Paints the bitmap into *in_pDest (scaled when the sizes differ) as its orientation code
    // says. A null source rectangle means the whole bitmap; clip rectangles, when given, limit
    // the source and the destination. Only VYR_SRCCOPY is supported. A compact record is
    // decoded through a small cache of decoded pictures shared by all records (safe from any
    // thread) and drawn with its turns applied: the box of matte with the picture where a
    // plain record of the same thumbnail would show it. Returns 1, or VYR_ERR_PAINT /
    // VYR_ERR_INVALID_PARAMETER / VYR_ERR_EMPTY_BITMAP / VYR_ERR_NO_MEMORY (a compact picture
    // could not be decoded).
    int (*PaintBitmap)(QPainter *in_pDC, const VYRBitmap *in_pBitmap, const QRect *in_pSource,
                       const QRect *in_pSourceClip, const QRect *in_pDest,
                       const QRect *in_pDestClip, uint32_t in_rop);
    // Walks in_folder (and its subfolders when in_subfolders is 1), calling in_callback once for
    // every file whose name matches in_filter (';'-separated wildcards, case-insensitive), in
    // natural name order, files of a folder before its subfolders, hidden entries skipped.
    // Each thumbnail fits a in_width x in_height box, centred on in_matte (0x00BBGGRR); the
    // record handed to the callback is compact (plain only when compressing failed). While the
    // next file in order is still being decoded, in_callback is called about every 25 ms with
    // VYR_BROWSE_WAITING; answering 0 there stops the browse at once. A stop cancels the
    // decodes in progress, and no decoding outlives the call. An entry the walk cannot reach
    // comes to in_callback in its place as a failure: VYR_ERR_FILE_READ (a folder or file that
    // cannot be read), VYR_ERR_UNREACHABLE (a name that is not valid UTF-8) or
    // VYR_ERR_PATH_TOO_LONG (a path at the system's limit).
    // Arguments 5-8, 10-12 and 14-16 are fixed (24, 0, 1, 1, 1, 1, 0, 0, 0, 0) and accepted.
    // Returns 1 when the walk reached its end (also with a null callback), VYR_ERR_BROWSE_STOPPED
    // when the callback answered 0, VYR_ERR_FOLDER_NOT_FOUND, VYR_ERR_INVALID_PARAMETER (box
    // not positive) or VYR_ERR_PATH_TOO_LONG.
    int (*BrowseThumbnails)(const QString &in_folder, const QString &in_filter, int in_width,
                            int in_height, int in_bitsPerPixel, int in_arg6, int in_arg7,
                            int in_arg8, uint32_t in_matte, int in_arg10, int in_arg11,
                            int in_arg12, int in_subfolders, int in_arg14, int in_arg15,
                            int in_arg16, VYRThumbCallback in_callback, void *in_pUserData);
    // Transforms the JPEG picture of in_source losslessly by in_code (any transform code but
    // none: 4, 8, 12 for the turns, 1, 5, 9, 13 for the mirrored ones) and writes it to
    // in_destination, which may be the same path. Arguments 4-6 are accepted and must be 0.
    // in_pOptions may be null (no finishing step, no replacing of another file, no report).
    // The result is written in one atomic step, and only after it has been decoded in full
    // without a warning, and only over the very file that was read (or, with m_allowReplace,
    // the file that stood at the destination when the turn began): a destination that another
    // program replaced, changed or removed meanwhile fails with VYR_ERR_SOURCE_CHANGED, and a
    // destination another file took (no replace allowed) with VYR_ERR_OUTPUT_EXISTS. Returns 1
    // exactly when the destination holds the turned picture; on any failure both files are
    // left as they were and the result is one of the codes of core/vyrcodes.h
    // (VYR_ERR_FOLDER_NOT_FOUND when the destination's folder does not exist, VYR_ERR_READ_ONLY
    // when the destination or its folder is read-only).
    int (*RotateFile)(const QString &in_source, const QString &in_destination, int in_code,
                      int in_arg4, int in_arg5, int in_arg6, const VYRRotateOptions *in_pOptions);
};

// The real engine.
const VYREngineTable &VYRDefaultEngine();
// The table in use (the default one unless a test installed another).
const VYREngineTable &VYRGetEngine();
// Installs a table (copied; null restores the default). For tests; not thread-safe against
// concurrent engine calls.
void VYRSetEngine(const VYREngineTable *in_pTable);
