// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The lossless turn of one JPEG picture in memory, and the check that a JPEG stream decodes
// cleanly. The file rotation builds on both; they also turn the small JPEGs embedded in a
// photo (the Exif thumbnail, the secondary images of a multi-picture file).
#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>

struct VYRTurnRequest
{
    int m_code = 0;                // VYR_ROTATE_90, VYR_ROTATE_180 or VYR_ROTATE_270
    bool m_optimizeTables = false; // optimal Huffman tables (worth it for small embedded images)
    QByteArray m_name;             // what traces call the picture (usually its file name)
};

struct VYRTurnResult
{
    // SOI ... EOI of the turned picture. Every APPn and COM segment of the source is kept,
    // byte for byte and in order; nothing after the source's end-of-image marker is included.
    QByteArray m_jpeg;
    int m_width = 0; // size of the turned picture, after any trim
    int m_height = 0;
    int m_trimmedColumns = 0; // trimmed off the source's right edge
    int m_trimmedRows = 0;    // trimmed off the source's bottom edge
};

// Turns the picture of in_pData[0, in_size) clockwise by in_request.m_code, losslessly: the
// perfect turn when the size allows, otherwise the partial edge blocks on the edges the turn
// moves are trimmed (traced with the name and the pixels trimmed). A progressive source stays
// progressive. A source with any decoder warning is refused.
// Returns VYR_SUCCESS, or VYR_ERR_INVALID_PARAMETER (unknown code), VYR_ERR_FILE_FORMAT,
// VYR_ERR_FILE_DAMAGED (any warning, or the data breaks off), VYR_ERR_NOT_LOSSLESS (smaller
// than one block along an edge the turn moves), VYR_ERR_NO_MEMORY (more than the engine will
// hold for a picture of that size), VYR_ERR_TRANSFORM.
int VYRTurnJpeg(const uint8_t *in_pData, size_t in_size, const VYRTurnRequest &in_request,
                VYRTurnResult *out_pResult);

// Decodes all the entropy-coded data of in_pData[0, in_size). Returns VYR_SUCCESS when the
// picture decodes to its end without a single warning, VYR_ERR_FILE_DAMAGED otherwise,
// VYR_ERR_NO_MEMORY when it cannot be held.
int VYRVerifyJpeg(const uint8_t *in_pData, size_t in_size);
