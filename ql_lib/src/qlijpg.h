// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// JPEG marker segments and Exif IFD entries, read and rewritten straight on a stdio stream
// (normally QLImageFile::GetFile(), opened in binary mode) without decoding the image or
// rewriting the rest of the file. Every function moves the stream's position and keeps no
// state between calls; none throws. A null stream or record fails an assertion whose text is
// the parameter's name and the call refuses (false or -1).
//
// Exif Orientation (tag 274): its values are VYROrientation's (vyrorientation.h), which
// explains them once.
#pragma once

#include "core/vyrorientation.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Exif tag number and values.
constexpr uint16_t QL_TAG_ORIENTATION = 274;
enum QLExifOrientation : uint32_t
{
    QL_ORIENT_UPRIGHT = VYROrientation().ExifValue(),
    QL_ORIENT_MIRROR_HORIZONTAL = VYROrientation::FromTurns(0, true).ExifValue(),
    QL_ORIENT_ROTATE_180 = VYROrientation::FromTurns(2).ExifValue(),
    QL_ORIENT_MIRROR_VERTICAL = VYROrientation::FromTurns(2, true).ExifValue(),
    QL_ORIENT_TRANSPOSE = VYROrientation::FromTurns(3, true).ExifValue(),
    QL_ORIENT_ROTATE_90 = VYROrientation::FromTurns(1).ExifValue(), // needs 90 clockwise
    QL_ORIENT_TRANSVERSE = VYROrientation::FromTurns(1, true).ExifValue(),
    QL_ORIENT_ROTATE_270 = VYROrientation::FromTurns(3).ExifValue() // needs 90 counter-clockwise
};

// JPEG markers used here (read as one big-endian 16-bit number).
constexpr uint16_t QL_JPEG_TEM = 0xFF01;
constexpr uint16_t QL_JPEG_SOI = 0xFFD8;
constexpr uint16_t QL_JPEG_EOI = 0xFFD9;
constexpr uint16_t QL_JPEG_SOS = 0xFFDA;
constexpr uint16_t QL_JPEG_APP0 = 0xFFE0;
constexpr uint16_t QL_JPEG_APP1 = 0xFFE1;

// One IFD entry, laid out as in a TIFF/Exif file (12 bytes), every field in host order.
// value: an entry of type 3 (SHORT) with count 1 holds its number in the first two bytes of
// the stored value field; every other entry's value field is one 32-bit number (the value,
// or the offset of the data).
struct QL_IFDTAG
{
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    uint32_t value;
};
static_assert(sizeof(QL_IFDTAG) == 12, "QL_IFDTAG is one 12-byte IFD entry");

// The start of an Exif APP1 payload. Clear it to zero before use.
struct QL_EXIFHEADER
{
    char identifier[6]; // "Exif\0\0"
    uint16_t byteOrder; // 0x4D4D "MM" big-endian; any other value means little-endian
    uint16_t magic;     // 42 in a valid file; read here, checked by the tag search
    uint32_t ifdOffset; // offset of IFD0 from the start of the TIFF header
};

// The fixed part of a JFIF APP0 payload. length is set by the caller: how many payload
// bytes to read (at most 14).
struct QL_JFIFHEADER
{
    uint32_t length;
    char identifier[5]; // "JFIF\0"
    uint8_t versionMajor;
    uint8_t versionMinor;
    uint8_t units;
    uint16_t xDensity; // host order
    uint16_t yDensity; // host order
    uint8_t thumbWidth;
    uint8_t thumbHeight;
};

// Reverses in_count bytes of the buffer in place (a byte-order conversion of one field).
void QLReverseBytes(void *inout_pBuffer, size_t in_count);

// Finds in_marker by walking the marker segments from SOI: each segment is skipped by its
// length field, and the walk ends at the start of scan (SOS) or EOI, so bytes that merely
// look like a marker inside a segment or the image data are never taken for one.
// Returns -1 when the marker is not found, the file does not start with SOI, a length field
// is below 2 or a read fails; 0 for a marker without a length field (TEM, SOI, EOI, RST0..7)
// with the stream right after the marker; otherwise the payload length (length field - 2)
// with the stream at the first payload byte.
int QLFindJpegMarker(FILE *in_pFile, uint16_t in_marker);

// Reads an Exif header from the current position (the first byte of an APP1 payload) into
// out_pHeader (cleared by the caller). Returns false when fewer than 6 bytes arrive or the
// payload does not start with "Exif" and a NUL; true otherwise, even when the TIFF header
// that follows is cut short (the record keeps the fields that were read whole). magic and
// ifdOffset are converted to host order; byteOrder stays as stored.
bool QLReadExifHeader(FILE *in_pFile, QL_EXIFHEADER *out_pHeader);

// Finds the IFD0 entry whose tag number is inout_pIFDTag->tag in the file's first APP1
// segment, which must be Exif. The segment's payload (as far as the file holds it) is read by
// the engine's TIFF reader, the one the turn's metadata edits use: the byte order must be "II"
// or "MM" followed by 42, and IFD0's whole entry table must lie inside the segment; no read
// leaves it. Returns true when a real entry with that tag was found: the record then holds it
// in host order (value by the rule above) and the stream stands right after its 12 bytes.
// False for a missing or non-Exif first APP1, an invalid TIFF header, a missing tag, a
// truncated file or any bound exceeded; the record's contents are then meaningless.
bool QLFindIFDTag(FILE *in_pFile, QL_IFDTAG *inout_pIFDTag);

// Overwrites, in a stream open for update, the IFD0 entry that QLFindIFDTag finds for
// in_pIFDTag->tag with the caller's record (tag, type, count and value, written in the file's
// byte order; a SHORT of count 1 as two bytes followed by two zero bytes). Exactly those 12
// bytes change; the file keeps its length. Returns true when the 12-byte write succeeded;
// false, with nothing written, when the entry is not found or the seek to it fails.
// Flushing is the caller's.
bool QLWriteIFDTag(FILE *in_pFile, const QL_IFDTAG *in_pIFDTag);

// Reads out_pHeader->length payload bytes (at most 14; more are not read) from the current
// position (the first byte of an APP0 payload). Fields that were read whole are set, the
// densities in host order. Returns true when all bytes arrived and the identifier is
// "JFIF" and a NUL.
bool QLReadJfifHeader(FILE *in_pFile, QL_JFIFHEADER *out_pHeader);

// True when the file starts with SOI and its last two bytes are EOI.
bool QLIsCompleteJpeg(FILE *in_pFile);
