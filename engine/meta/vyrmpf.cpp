// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrmpf.h"

#include "meta/vyrtiff.h"

const QByteArray kVYRMpfIdentifier("MPF\0", 4);

namespace {

constexpr size_t kMpEntrySize = 16;

enum : uint16_t
{
    kTagNumberOfImages = 0xB001,
    kTagMpEntry = 0xB002,
};

void Put32(char *out_p, uint32_t in_value, bool in_bigEndian)
{
    for (int i = 0; i < 4; ++i) {
        const int shift = in_bigEndian ? 8 * (3 - i) : 8 * i;
        out_p[i] = char((in_value >> shift) & 0xFF);
    }
}

} // namespace

bool VYRMpfIsJpeg(const VYRMpfEntry &in_entry)
{
    return ((in_entry.m_attribute >> 24) & 0x7) == 0;
}

bool VYRReadMpfIndex(const QByteArray &in_payload, VYRMpfIndex *out_pIndex)
{
    const size_t header = size_t(kVYRMpfIdentifier.size());
    if (!out_pIndex || !in_payload.startsWith(kVYRMpfIdentifier))
        return false;
    // The MP header and index are a TIFF structure: offsets count from the MP header.
    const VYRTiff tiff(reinterpret_cast<const uint8_t *>(in_payload.constData()) + header,
                       size_t(in_payload.size()) - header);
    VYRTiffEntry images, entries;
    uint32_t count = 0;
    size_t at = 0, size = 0;
    if (!tiff.Valid() || !tiff.FindEntry(tiff.Ifd0(), kTagNumberOfImages, &images) ||
        !tiff.GetNumber(images, &count) || count == 0 ||
        !tiff.FindEntry(tiff.Ifd0(), kTagMpEntry, &entries) ||
        entries.m_count != kMpEntrySize * uint64_t(count) || !tiff.ValueSpan(entries, &at, &size))
        return false;
    out_pIndex->m_bigEndian = tiff.BigEndian();
    out_pIndex->m_entries.clear();
    for (uint32_t i = 0; i < count; ++i) {
        const size_t pos = at + kMpEntrySize * i;
        VYRMpfEntry entry;
        entry.m_attribute = tiff.Get32(pos);
        entry.m_size = tiff.Get32(pos + 4);
        entry.m_offset = tiff.Get32(pos + 8);
        entry.m_fieldPos = header + pos;
        out_pIndex->m_entries.push_back(entry);
    }
    return true;
}

void VYRWriteMpfEntry(QByteArray *inout_pPayload, const VYRMpfIndex &in_index,
                      const VYRMpfEntry &in_entry)
{
    if (!inout_pPayload || in_entry.m_fieldPos + kMpEntrySize > size_t(inout_pPayload->size()))
        return;
    char *p = inout_pPayload->data() + in_entry.m_fieldPos;
    Put32(p + 4, in_entry.m_size, in_index.m_bigEndian);
    Put32(p + 8, in_entry.m_offset, in_index.m_bigEndian);
}
