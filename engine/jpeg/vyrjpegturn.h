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
    int m_code = 0;                // a transform code other than none (VYROrientation::Code)
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
    // Digest of the coefficients written (with the size, sampling and quantisation tables):
    // what VYRVerifyJpeg() checks the written picture against.
    uint64_t m_coefficientDigest = 0;
};

// Transforms the picture of in_pData[0, in_size) by in_request.m_code (a turn, a mirror, a
// transpose or a transverse), losslessly, on its DCT coefficients: the perfect transform when
// the size allows, otherwise the partial edge blocks on the source edges the transform
// reverses are trimmed, exactly as `jpegtran -trim` does (traced with the name and the pixels
// trimmed). Any sampling libjpeg reads is transformed (4:2:2 becomes 4:4:0 when the axes
// swap). A progressive source stays
// progressive; the result is Huffman-coded, with libjpeg's standard tables for a sequential
// picture (optimal ones when m_optimizeTables is set) and optimal ones for a progressive one.
// Restart markers are not written. A source with any decoder warning is refused, and so is one
// whose cost the headers show to be out of proportion to the file (see VYRJpegGuard).
// Returns VYR_SUCCESS, or VYR_ERR_INVALID_PARAMETER (unknown code), VYR_ERR_FILE_FORMAT,
// VYR_ERR_FILE_DAMAGED (any warning or error in the data, or too little data for the size it
// claims), VYR_ERR_NOT_LOSSLESS (smaller than one block along an edge the turn moves),
// VYR_ERR_TOO_COSTLY (more memory or work than a photo of that file size could need, or than
// the engine will hold), VYR_ERR_NO_MEMORY, VYR_ERR_TRANSFORM (a JPEG libjpeg cannot turn:
// 12-bit, lossless; or the writing failed).
int VYRTurnJpeg(const uint8_t *in_pData, size_t in_size, const VYRTurnRequest &in_request,
                VYRTurnResult *out_pResult);

// Decodes all the entropy-coded data of the picture that starts in_pData[0, in_size) (reading
// its coefficients: every bit of every scan, but no pixels). Data after its end-of-image
// marker is not looked at. Returns VYR_SUCCESS when the picture decodes to its end without a
// single warning, VYR_ERR_FILE_DAMAGED otherwise, VYR_ERR_TOO_COSTLY or VYR_ERR_NO_MEMORY when
// it cannot be held.
int VYRVerifyJpeg(const uint8_t *in_pData, size_t in_size);
// The same, and the coefficients read must also have in_coefficientDigest (the
// m_coefficientDigest of the VYRTurnResult that wrote them): otherwise VYR_ERR_TRANSFORM.
// out_pReason, when given, receives the reason of a failure in words.
int VYRVerifyJpeg(const uint8_t *in_pData, size_t in_size, uint64_t in_coefficientDigest,
                  QByteArray *out_pReason = nullptr);
