// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrtiff.h"

namespace {

constexpr size_t kHeaderSize = 8;
constexpr size_t kEntrySize = 12;

// Bytes of one value of each TIFF type; 0 for a type this reader does not know.
size_t TypeSize(uint16_t in_type)
{
    switch (in_type) {
    case 1: // BYTE
    case 2: // ASCII
    case 6: // SBYTE
    case 7: // UNDEFINED
        return 1;
    case 3: // SHORT
    case 8: // SSHORT
        return 2;
    case 4:  // LONG
    case 9:  // SLONG
    case 11: // FLOAT
    case 13: // IFD
        return 4;
    case 5:  // RATIONAL
    case 10: // SRATIONAL
    case 12: // DOUBLE
        return 8;
    default:
        return 0;
    }
}

} // namespace

VYRTiff::VYRTiff(uint8_t *in_pData, size_t in_size)
    : m_pData(in_pData), m_pWritable(in_pData), m_size(in_pData ? in_size : 0)
{
    ReadHeader();
}

VYRTiff::VYRTiff(const uint8_t *in_pData, size_t in_size)
    : m_pData(in_pData), m_pWritable(nullptr), m_size(in_pData ? in_size : 0)
{
    ReadHeader();
}

void VYRTiff::ReadHeader()
{
    if (m_size < kHeaderSize)
        return;
    if (m_pData[0] == 'I' && m_pData[1] == 'I')
        m_bigEndian = false;
    else if (m_pData[0] == 'M' && m_pData[1] == 'M')
        m_bigEndian = true;
    else
        return;
    if (Get16(2) != 42)
        return;
    m_ifd0 = Get32(4);
    uint16_t count = 0;
    m_valid = IfdCount(m_ifd0, &count);
}

uint16_t VYRTiff::Get16(size_t in_pos) const
{
    const uint8_t *p = m_pData + in_pos;
    return m_bigEndian ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
}

uint32_t VYRTiff::Get32(size_t in_pos) const
{
    return m_bigEndian ? uint32_t(Get16(in_pos)) << 16 | Get16(in_pos + 2)
                       : uint32_t(Get16(in_pos + 2)) << 16 | Get16(in_pos);
}

void VYRTiff::Put16(size_t in_pos, uint16_t in_value)
{
    uint8_t *p = m_pWritable + in_pos;
    p[m_bigEndian ? 0 : 1] = uint8_t(in_value >> 8);
    p[m_bigEndian ? 1 : 0] = uint8_t(in_value);
}

void VYRTiff::Put32(size_t in_pos, uint32_t in_value)
{
    Put16(in_pos + (m_bigEndian ? 0 : 2), uint16_t(in_value >> 16));
    Put16(in_pos + (m_bigEndian ? 2 : 0), uint16_t(in_value));
}

bool VYRTiff::IfdCount(uint32_t in_ifd, uint16_t *out_pCount) const
{
    // An IFD inside the header, or at an odd place that overlaps it, is no IFD.
    if (in_ifd < kHeaderSize || in_ifd > m_size || m_size - in_ifd < 2)
        return false;
    const uint16_t count = Get16(in_ifd);
    if (kEntrySize * count > m_size - in_ifd - 2)
        return false;
    *out_pCount = count;
    return true;
}

bool VYRTiff::EntryAt(uint32_t in_ifd, uint16_t in_index, VYRTiffEntry *out_pEntry) const
{
    uint16_t count = 0;
    if (!IfdCount(in_ifd, &count) || in_index >= count)
        return false;
    const size_t pos = size_t(in_ifd) + 2 + kEntrySize * in_index;
    out_pEntry->m_pos = pos;
    out_pEntry->m_tag = Get16(pos);
    out_pEntry->m_type = Get16(pos + 2);
    out_pEntry->m_count = Get32(pos + 4);
    out_pEntry->m_field = Get32(pos + 8);
    return true;
}

bool VYRTiff::FindEntry(uint32_t in_ifd, uint16_t in_tag, VYRTiffEntry *out_pEntry) const
{
    uint16_t count = 0;
    if (!IfdCount(in_ifd, &count))
        return false;
    for (uint16_t i = 0; i < count; ++i) {
        if (Get16(size_t(in_ifd) + 2 + kEntrySize * i) == in_tag)
            return EntryAt(in_ifd, i, out_pEntry);
    }
    return false;
}

bool VYRTiff::NextIfd(uint32_t in_ifd, uint32_t *out_pNext) const
{
    uint16_t count = 0;
    if (!IfdCount(in_ifd, &count))
        return false;
    const size_t link = size_t(in_ifd) + 2 + kEntrySize * count;
    *out_pNext = 0;
    if (m_size - link < 4)
        return true; // the table ends the block: nothing follows it
    const uint32_t next = Get32(link);
    if (next == 0)
        return true;
    uint16_t nextCount = 0;
    if (next == in_ifd || next == m_ifd0 || !IfdCount(next, &nextCount))
        return false;
    *out_pNext = next;
    return true;
}

bool VYRTiff::IsNumber(const VYRTiffEntry &in_entry)
{
    return in_entry.m_count == 1 &&
           (in_entry.m_type == VYR_TIFF_SHORT || in_entry.m_type == VYR_TIFF_LONG ||
            in_entry.m_type == VYR_TIFF_IFD);
}

bool VYRTiff::GetNumber(const VYRTiffEntry &in_entry, uint32_t *out_pValue) const
{
    if (!IsNumber(in_entry) || in_entry.m_pos > m_size || m_size - in_entry.m_pos < kEntrySize)
        return false;
    *out_pValue =
        in_entry.m_type == VYR_TIFF_SHORT ? Get16(in_entry.m_pos + 8) : Get32(in_entry.m_pos + 8);
    return true;
}

bool VYRTiff::SetNumber(const VYRTiffEntry &in_entry, uint32_t in_value)
{
    if (!m_pWritable || !IsNumber(in_entry) || in_entry.m_pos > m_size ||
        m_size - in_entry.m_pos < kEntrySize ||
        (in_entry.m_type == VYR_TIFF_SHORT && in_value > 0xFFFF))
        return false;
    if (in_entry.m_type == VYR_TIFF_SHORT)
        Put16(in_entry.m_pos + 8, uint16_t(in_value));
    else
        Put32(in_entry.m_pos + 8, in_value);
    return true;
}

bool VYRTiff::ValueSpan(const VYRTiffEntry &in_entry, size_t *out_pPos, size_t *out_pSize) const
{
    const size_t unit = TypeSize(in_entry.m_type);
    if (unit == 0 || in_entry.m_count > (SIZE_MAX / unit))
        return false;
    const size_t size = unit * in_entry.m_count;
    const size_t pos = size <= 4 ? in_entry.m_pos + 8 : size_t(in_entry.m_field);
    if (pos < (size <= 4 ? 0 : kHeaderSize) || pos > m_size || size > m_size - pos)
        return false;
    *out_pPos = pos;
    *out_pSize = size;
    return true;
}

bool VYRTiff::WriteEntry(size_t in_pos, uint16_t in_tag, uint16_t in_type, uint32_t in_count,
                         uint32_t in_value)
{
    if (!m_pWritable || in_pos > m_size || m_size - in_pos < kEntrySize)
        return false;
    Put16(in_pos, in_tag);
    Put16(in_pos + 2, in_type);
    Put32(in_pos + 4, in_count);
    if (in_type == VYR_TIFF_SHORT && in_count == 1) {
        Put16(in_pos + 8, uint16_t(in_value));
        Put16(in_pos + 10, 0);
    } else {
        Put32(in_pos + 8, in_value);
    }
    return true;
}
