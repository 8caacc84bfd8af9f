// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qlijpg.h"

#include "qltrace.h"

#include <cstring>

// Numbers are assembled byte by byte in the file's order, so nothing here depends on the
// host's byte order.

namespace {

// Size of the Exif identifier plus the TIFF header in front of IFD0's data.
constexpr long kExifIdentifierSize = 6;
constexpr long kTiffHeaderSize = 8;
constexpr long kEntrySize = 12;

uint16_t Get16(const unsigned char *in_p, bool in_bigEndian)
{
    return in_bigEndian ? uint16_t(in_p[0] << 8 | in_p[1]) : uint16_t(in_p[1] << 8 | in_p[0]);
}

uint32_t Get32(const unsigned char *in_p, bool in_bigEndian)
{
    return in_bigEndian ? uint32_t(in_p[0]) << 24 | uint32_t(in_p[1]) << 16 |
                              uint32_t(in_p[2]) << 8 | in_p[3]
                        : uint32_t(in_p[3]) << 24 | uint32_t(in_p[2]) << 16 |
                              uint32_t(in_p[1]) << 8 | in_p[0];
}

void Put16(unsigned char *out_p, uint16_t in_value, bool in_bigEndian)
{
    out_p[in_bigEndian ? 0 : 1] = uint8_t(in_value >> 8);
    out_p[in_bigEndian ? 1 : 0] = uint8_t(in_value);
}

void Put32(unsigned char *out_p, uint32_t in_value, bool in_bigEndian)
{
    Put16(out_p + (in_bigEndian ? 0 : 2), uint16_t(in_value >> 16), in_bigEndian);
    Put16(out_p + (in_bigEndian ? 2 : 0), uint16_t(in_value), in_bigEndian);
}

bool ReadExact(FILE *in_pFile, void *out_pBuffer, size_t in_count)
{
    return std::fread(out_pBuffer, 1, in_count, in_pFile) == in_count;
}

bool IsStandalone(uint16_t in_marker)
{
    return in_marker == QL_JPEG_TEM || (in_marker >= 0xFFD0 && in_marker <= QL_JPEG_EOI);
}

bool IsShortOfOne(const QL_IFDTAG &in_tag)
{
    return in_tag.type == 3 && in_tag.count == 1;
}

// Where the entry found by LocateIFDTag lies, and in which byte order the file writes.
struct EntryLocation
{
    long offset = 0; // file offset of the entry's first byte
    bool bigEndian = false;
};

// The shared search of QLFindIFDTag and QLWriteIFDTag.
bool LocateIFDTag(FILE *in_pFile, QL_IFDTAG *inout_pIFDTag, EntryLocation *out_pWhere)
{
    const int length = QLFindJpegMarker(in_pFile, QL_JPEG_APP1);
    if (length < 0)
        return false;
    const long payload = std::ftell(in_pFile);
    // The Exif identifier and the whole TIFF header must lie inside the segment.
    if (payload < 0 || length < kExifIdentifierSize + kTiffHeaderSize)
        return false;
    QL_EXIFHEADER header;
    std::memset(&header, 0, sizeof(header));
    if (!QLReadExifHeader(in_pFile, &header))
        return false;
    if (std::ftell(in_pFile) != payload + kExifIdentifierSize + kTiffHeaderSize)
        return false; // the file ends inside the TIFF header
    const bool bigEndian = header.byteOrder == 0x4D4D;
    // Bytes of the segment from the TIFF header on; every read below stays inside them.
    const long tiffSize = length - kExifIdentifierSize;
    const long tiff = payload + kExifIdentifierSize;
    if (header.ifdOffset > uint32_t(tiffSize) || tiffSize - long(header.ifdOffset) < 2)
        return false;
    unsigned char word[2];
    if (std::fseek(in_pFile, tiff + long(header.ifdOffset), SEEK_SET) != 0 ||
        !ReadExact(in_pFile, word, 2))
        return false;
    const unsigned entries = Get16(word, bigEndian);
    const uint16_t wanted = inout_pIFDTag->tag;
    long entry = long(header.ifdOffset) + 2;
    for (unsigned i = 0; i < entries; ++i, entry += kEntrySize) {
        if (entry + kEntrySize > tiffSize)
            return false;
        unsigned char raw[kEntrySize];
        if (!ReadExact(in_pFile, raw, sizeof(raw)))
            return false;
        if (Get16(raw, bigEndian) != wanted)
            continue;
        inout_pIFDTag->tag = wanted;
        inout_pIFDTag->type = Get16(raw + 2, bigEndian);
        inout_pIFDTag->count = Get32(raw + 4, bigEndian);
        inout_pIFDTag->value =
            IsShortOfOne(*inout_pIFDTag) ? Get16(raw + 8, bigEndian) : Get32(raw + 8, bigEndian);
        out_pWhere->offset = tiff + entry;
        out_pWhere->bigEndian = bigEndian;
        return true;
    }
    return false;
}

} // namespace

void QLReverseBytes(void *inout_pBuffer, size_t in_count)
{
    if (!inout_pBuffer || in_count < 2)
        return;
    auto *bytes = static_cast<unsigned char *>(inout_pBuffer);
    for (size_t i = 0, j = in_count - 1; i < j; ++i, --j) {
        const unsigned char t = bytes[i];
        bytes[i] = bytes[j];
        bytes[j] = t;
    }
}

int QLFindJpegMarker(FILE *in_pFile, uint16_t in_marker)
{
    if (!QL_ASSERT(in_pFile))
        return -1;
    std::rewind(in_pFile);
    unsigned char soi[2];
    if (!ReadExact(in_pFile, soi, 2) || soi[0] != 0xFF || soi[1] != 0xD8)
        return -1;
    if (in_marker == QL_JPEG_SOI)
        return 0;
    for (;;) {
        int c = std::fgetc(in_pFile);
        if (c != 0xFF)
            return -1; // not at a marker: the segment chain is broken
        // Any number of fill bytes 0xFF may precede the marker code.
        do {
            c = std::fgetc(in_pFile);
        } while (c == 0xFF);
        if (c == EOF)
            return -1;
        const uint16_t marker = uint16_t(0xFF00 | c);
        if (IsStandalone(marker)) {
            if (marker == in_marker)
                return 0;
            if (marker == QL_JPEG_EOI)
                return -1;
            continue;
        }
        unsigned char len[2];
        if (!ReadExact(in_pFile, len, 2))
            return -1;
        const int length = len[0] << 8 | len[1];
        if (length < 2)
            return -1;
        if (marker == in_marker)
            return length - 2;
        // The image data follows SOS; no header segment comes after it.
        if (marker == QL_JPEG_SOS)
            return -1;
        if (std::fseek(in_pFile, length - 2, SEEK_CUR) != 0)
            return -1;
    }
}

bool QLReadExifHeader(FILE *in_pFile, QL_EXIFHEADER *out_pHeader)
{
    if (!QL_ASSERT(in_pFile) || !QL_ASSERT(out_pHeader))
        return false;
    if (!ReadExact(in_pFile, out_pHeader->identifier, 6))
        return false;
    if (std::memcmp(out_pHeader->identifier, "Exif", 5) != 0)
        return false;
    unsigned char raw[2];
    if (!ReadExact(in_pFile, raw, 2))
        return true;
    // "II" and "MM" read the same either way; keep the stored bytes in reading order.
    out_pHeader->byteOrder = uint16_t(raw[0] << 8 | raw[1]);
    const bool bigEndian = out_pHeader->byteOrder == 0x4D4D;
    if (!ReadExact(in_pFile, raw, 2))
        return true;
    out_pHeader->magic = Get16(raw, bigEndian);
    unsigned char offset[4];
    if (!ReadExact(in_pFile, offset, 4))
        return true;
    out_pHeader->ifdOffset = Get32(offset, bigEndian);
    return true;
}

bool QLFindIFDTag(FILE *in_pFile, QL_IFDTAG *inout_pIFDTag)
{
    if (!QL_ASSERT(in_pFile) || !QL_ASSERT(inout_pIFDTag))
        return false;
    EntryLocation where;
    return LocateIFDTag(in_pFile, inout_pIFDTag, &where);
}

bool QLWriteIFDTag(FILE *in_pFile, const QL_IFDTAG *in_pIFDTag)
{
    if (!QL_ASSERT(in_pFile) || !QL_ASSERT(in_pIFDTag))
        return false;
    QL_IFDTAG found = *in_pIFDTag;
    EntryLocation where;
    if (!LocateIFDTag(in_pFile, &found, &where))
        return false;
    // The seek also switches the update stream from reading to writing, as stdio requires.
    if (std::fseek(in_pFile, where.offset, SEEK_SET) != 0)
        return false;
    unsigned char raw[kEntrySize] = {};
    Put16(raw, in_pIFDTag->tag, where.bigEndian);
    Put16(raw + 2, in_pIFDTag->type, where.bigEndian);
    Put32(raw + 4, in_pIFDTag->count, where.bigEndian);
    if (IsShortOfOne(*in_pIFDTag))
        Put16(raw + 8, uint16_t(in_pIFDTag->value), where.bigEndian); // last two bytes stay 0
    else
        Put32(raw + 8, in_pIFDTag->value, where.bigEndian);
    return std::fwrite(raw, 1, sizeof(raw), in_pFile) == sizeof(raw);
}

bool QLReadJfifHeader(FILE *in_pFile, QL_JFIFHEADER *out_pHeader)
{
    if (!QL_ASSERT(in_pFile) || !QL_ASSERT(out_pHeader))
        return false;
    // The record holds 14 payload bytes; a larger length must not write past it.
    const size_t wanted = out_pHeader->length < 14 ? out_pHeader->length : 14;
    unsigned char raw[14] = {};
    if (!ReadExact(in_pFile, raw, wanted))
        return false;
    if (wanted >= 5)
        std::memcpy(out_pHeader->identifier, raw, 5);
    if (wanted >= 6)
        out_pHeader->versionMajor = raw[5];
    if (wanted >= 7)
        out_pHeader->versionMinor = raw[6];
    if (wanted >= 8)
        out_pHeader->units = raw[7];
    if (wanted >= 10)
        out_pHeader->xDensity = Get16(raw + 8, true);
    if (wanted >= 12)
        out_pHeader->yDensity = Get16(raw + 10, true);
    if (wanted >= 13)
        out_pHeader->thumbWidth = raw[12];
    if (wanted >= 14)
        out_pHeader->thumbHeight = raw[13];
    return wanted >= 5 && std::memcmp(raw, "JFIF", 5) == 0;
}

bool QLIsCompleteJpeg(FILE *in_pFile)
{
    if (!QL_ASSERT(in_pFile))
        return false;
    if (QLFindJpegMarker(in_pFile, QL_JPEG_SOI) == -1)
        return false;
    if (std::fseek(in_pFile, -2, SEEK_END) != 0)
        return false;
    unsigned char tail[2];
    return ReadExact(in_pFile, tail, 2) && tail[0] == 0xFF && tail[1] == 0xD9;
}
