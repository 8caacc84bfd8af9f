// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The TIFF structure inside an Exif or MPF block, read and edited in place over a byte span.
// Every metadata edit and the Exif tag functions go through it, so that all of them agree on
// what a readable block is: byte order "II" or "MM", the number 42, IFD tables (entry count,
// entries, link to the next IFD) wholly inside the span, values that lie elsewhere inside it
// too, and no IFD reached twice. Nothing is ever read or written outside the span.
#pragma once

#include <cstddef>
#include <cstdint>

enum : uint16_t
{
    VYR_TIFF_SHORT = 3,
    VYR_TIFF_LONG = 4,
    VYR_TIFF_IFD = 13,
};

// One 12-byte IFD entry as stored, fields in host order.
struct VYRTiffEntry
{
    size_t m_pos = 0; // offset of the entry's first byte from the TIFF header
    uint16_t m_tag = 0;
    uint16_t m_type = 0;
    uint32_t m_count = 0;
    uint32_t m_field = 0; // the 4-byte value field read as one 32-bit number
};

class VYRTiff
{
public:
    // in_pData[0, in_size) starts with the TIFF header. The span is not copied; writes go to it.
    VYRTiff(uint8_t *in_pData, size_t in_size);
    VYRTiff(const uint8_t *in_pData, size_t in_size);

    // True when the header is "II" or "MM", 42 and an IFD0 whose table lies inside the span.
    bool Valid() const { return m_valid; }
    bool BigEndian() const { return m_bigEndian; }
    uint32_t Ifd0() const { return m_ifd0; }
    size_t Size() const { return m_size; }
    const uint8_t *Data() const { return m_pData; }

    // The entry count of the IFD at in_ifd; false unless its count and its entries lie inside
    // the span, after the header.
    bool IfdCount(uint32_t in_ifd, uint16_t *out_pCount) const;
    // The in_index-th entry of a readable IFD.
    bool EntryAt(uint32_t in_ifd, uint16_t in_index, VYRTiffEntry *out_pEntry) const;
    // The first entry with in_tag in a readable IFD; false when the IFD cannot be read or
    // holds no such entry.
    bool FindEntry(uint32_t in_ifd, uint16_t in_tag, VYRTiffEntry *out_pEntry) const;
    // The link after a readable IFD: 0 when there is none (also when the table ends the span
    // without one). False when the IFD cannot be read, or the link leads to an IFD that cannot
    // be read or back to in_ifd or IFD0.
    bool NextIfd(uint32_t in_ifd, uint32_t *out_pNext) const;

    // A single SHORT, LONG or IFD value (every field the edits change is one).
    static bool IsNumber(const VYRTiffEntry &in_entry);
    bool GetNumber(const VYRTiffEntry &in_entry, uint32_t *out_pValue) const;
    // Overwrites the value's own bytes (a SHORT's spare two bytes stay). False, nothing
    // written, when the entry is no number, the value does not fit its type or the span is
    // read-only.
    bool SetNumber(const VYRTiffEntry &in_entry, uint32_t in_value);
    // Where the entry's data lies: in its own value field when it fits in 4 bytes, else at
    // the offset the field holds. False when that span is not inside the block or the type is
    // unknown.
    bool ValueSpan(const VYRTiffEntry &in_entry, size_t *out_pPos, size_t *out_pSize) const;
    // Rewrites the entry's 12 bytes at in_pos with the record's tag, type, count and value
    // (a SHORT of count 1 as two bytes and two zeros), in the block's byte order.
    bool WriteEntry(size_t in_pos, uint16_t in_tag, uint16_t in_type, uint32_t in_count,
                    uint32_t in_value);

    uint16_t Get16(size_t in_pos) const; // callers check the bounds first
    uint32_t Get32(size_t in_pos) const;

private:
    void ReadHeader();
    void Put16(size_t in_pos, uint16_t in_value);
    void Put32(size_t in_pos, uint32_t in_value);

    const uint8_t *m_pData;
    uint8_t *m_pWritable;
    size_t m_size;
    bool m_bigEndian = false;
    bool m_valid = false;
    uint32_t m_ifd0 = 0;
};
