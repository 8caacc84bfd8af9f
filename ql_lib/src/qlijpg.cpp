// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qlijpg.h"

#include "meta/vyrtiff.h"
#include "qltrace.h"

#include <cstring>
#include <vector>

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

// What LocateIFDTag found: the TIFF block as read and where its entry lies.
struct EntryLocation
{
    std::vector<uint8_t> tiff; // from the TIFF header to the end of the segment (or file)
    size_t entry = 0;          // the entry's offset in tiff
    long offset = 0;           // the file offset of the entry's first byte
};

// The shared search of QLFindIFDTag and QLWriteIFDTag: the first APP1 segment's payload, as
// far as the file holds it, read by the engine's TIFF reader, which the metadata edits of a
// turn use too. A block one of them could not read is no block for the other either.
bool LocateIFDTag(FILE *in_pFile, QL_IFDTAG *inout_pIFDTag, EntryLocation *out_pWhere)
{
    const int length = QLFindJpegMarker(in_pFile, QL_JPEG_APP1);
    if (length < 0)
        return false;
    const long payload = std::ftell(in_pFile);
    if (payload < 0 || length < kExifIdentifierSize + kTiffHeaderSize)
        return false;
    char identifier[kExifIdentifierSize];
    if (!ReadExact(in_pFile, identifier, sizeof(identifier)) ||
        std::memcmp(identifier, "Exif", 5) != 0)
        return false;
    std::vector<uint8_t> &bytes = out_pWhere->tiff;
    bytes.resize(size_t(length - kExifIdentifierSize));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), in_pFile));
    const VYRTiff tiff(static_cast<const uint8_t *>(bytes.data()), bytes.size());
    VYRTiffEntry entry;
    if (!tiff.Valid() || !tiff.FindEntry(tiff.Ifd0(), inout_pIFDTag->tag, &entry))
        return false;
    inout_pIFDTag->type = entry.m_type;
    inout_pIFDTag->count = entry.m_count;
    inout_pIFDTag->value =
        IsShortOfOne(*inout_pIFDTag) ? tiff.Get16(entry.m_pos + 8) : entry.m_field;
    out_pWhere->entry = entry.m_pos;
    out_pWhere->offset = payload + kExifIdentifierSize + long(entry.m_pos);
    // Callers expect the stream right after the entry.
    return std::fseek(in_pFile, out_pWhere->offset + kEntrySize, SEEK_SET) == 0;
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
    VYRTiff tiff(where.tiff.data(), where.tiff.size());
    if (!tiff.WriteEntry(where.entry, in_pIFDTag->tag, in_pIFDTag->type, in_pIFDTag->count,
                         in_pIFDTag->value))
        return false;
    const uint8_t *raw = where.tiff.data() + where.entry;
    return std::fwrite(raw, 1, kEntrySize, in_pFile) == size_t(kEntrySize);
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
