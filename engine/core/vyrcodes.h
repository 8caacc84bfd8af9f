// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The engine's codes, shared by every room of it and by its callers: results (every
// operation documents which it returns), file transforms and the orientation codes of a
// bitmap record.
#pragma once

#include "core/vyrorientation.h"

// Result codes. 1 is success; every failure has its own negative code.
enum : int
{
    VYR_SUCCESS = 1,
    VYR_ERR_INVALID_PARAMETER = -2, // null record, unknown angle or transform code
    VYR_ERR_NO_MEMORY = -3,         // an image could not be allocated
    VYR_ERR_FILE_NOT_FOUND = -4,    // the source file does not exist
    VYR_ERR_FILE_READ = -5,         // the source exists but cannot be read
    VYR_ERR_FILE_FORMAT = -6,       // the source is not a JPEG file
    VYR_ERR_FILE_DAMAGED = -7,      // the JPEG data is damaged (truncated, bad Huffman codes, ...)
    // A folder the operation needs does not exist or is not a folder: the one to browse, or
    // the one a rotation's result is written into.
    VYR_ERR_FOLDER_NOT_FOUND = -8,
    VYR_ERR_EMPTY_BITMAP = -9,         // the record holds no image
    VYR_ERR_BROWSE_STOPPED = -10,      // a folder browse was stopped by its callback
    VYR_ERR_PATH_TOO_LONG = -11,       // a path exceeds what the platform can open
    VYR_ERR_TRANSFORM = -12,           // the lossless transform itself failed
    VYR_ERR_FILE_WRITE = -13,          // writing, flushing or renaming the result failed
    VYR_ERR_DISK_FULL = -14,           // no space left on the destination's file system
    VYR_ERR_DESTINATION_CHANGED = -15, // the destination folder vanished while writing
    VYR_ERR_PAINT = -16,               // the painter is null or not active
    VYR_ERR_NOT_LOSSLESS = -17,        // smaller than one block along an edge the turn moves
    VYR_ERR_FINISH = -18,              // the caller's finishing step refused the result
    VYR_ERR_TOO_COSTLY = -19,          // decoding would cost far more than the file justifies
    VYR_ERR_CANCELLED = -20,           // a decode was stopped through its cancel flag
    VYR_ERR_METADATA = -21,            // a multi-picture file cannot be turned whole
    VYR_ERR_OUTPUT_EXISTS = -22,       // the output name is another file, which is not replaced
    VYR_ERR_SOURCE_CHANGED = -23,      // the photo changed or went while it was being turned
    VYR_ERR_METADATA_DAMAGED = -24,    // an Exif or XMP block cannot be read or edited safely
    VYR_ERR_FILE_TOO_LARGE = -25,      // larger than any photo the engine holds (1 GiB)
    VYR_ERR_UNREACHABLE = -26,         // a walked name is not valid UTF-8: it cannot be opened
    // Returned by the photo writer above the engine (VYRRotatePhoto), never by the engine: the
    // photo's XMP sidecar cannot be read, edited safely or written, so neither is changed.
    VYR_ERR_SIDECAR = -27,
    VYR_ERR_READ_ONLY = -805, // the destination file or its folder is read-only
};

// File transform codes (see VYROrientation::Code): 4 x quarter turns clockwise, plus 1 when
// mirrored left-right first.
enum : int
{
    VYR_ROTATE_90 = VYROrientation::kRotate90,
    VYR_ROTATE_180 = VYROrientation::kRotate180,
    VYR_ROTATE_270 = VYROrientation::kRotate270,
    VYR_FLIP_HORIZONTAL = VYROrientation::kFlipHorizontal,
    VYR_FLIP_VERTICAL = VYROrientation::kFlipVertical,
    VYR_TRANSPOSE = VYROrientation::kTranspose,
    VYR_TRANSVERSE = VYROrientation::kTransverse,
};

// Orientation codes of a bitmap record: the transform the paint operation applies to the
// stored rows on the way to the screen (VYROrientation::BitmapCode; the names say which). The
// engine itself always produces 1. Codes 4, 5, 7 and 8 exchange width and height.
enum : int
{
    VYR_ORIENT_NORMAL = VYROrientation().BitmapCode(),
    VYR_ORIENT_MIRROR = VYROrientation::FromTurns(0, true).BitmapCode(),
    VYR_ORIENT_ROTATE_180 = VYROrientation::FromTurns(2).BitmapCode(),
    VYR_ORIENT_TRANSPOSE = VYROrientation::FromTurns(3, true).BitmapCode(),
    VYR_ORIENT_ROTATE_90 = VYROrientation::FromTurns(1).BitmapCode(),
    VYR_ORIENT_FLIP = VYROrientation::FromTurns(2, true).BitmapCode(),
    VYR_ORIENT_TRANSVERSE = VYROrientation::FromTurns(1, true).BitmapCode(),
    VYR_ORIENT_ROTATE_270 = VYROrientation::FromTurns(3).BitmapCode(),
};
