// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrmpf.h"

const QByteArray kVYRMpfIdentifier("MPF\0", 4);

namespace {

constexpr size_t kEntrySize = 12;
constexpr size_t kMpEntrySize = 16;

enum : uint16_t
{
    kTagNumberOfImages = 0xB001,
    kTagMpEntry = 0xB002,
};

class MpfReader
{
public:
    MpfReader(const QByteArray &in_payload, bool in_bigEndian)
        : m_p(reinterpret_cast<const uint8_t *>(in_payload.constData())),
          m_size(size_t(in_payload.size())), m_bigEndian(in_bigEndian)
    {
    }
    bool Has(size_t in_pos, size_t in_count) const
    {
        return in_pos <= m_size && in_count <= m_size - in_pos;
    }
    uint16_t Get16(size_t in_pos) const
    {
        return m_bigEndian ? uint16_t(m_p[in_pos] << 8 | m_p[in_pos + 1])
                           : uint16_t(m_p[in_pos + 1] << 8 | m_p[in_pos]);
    }
    uint32_t Get32(size_t in_pos) const
    {
        return m_bigEndian ? uint32_t(Get16(in_pos)) << 16 | Get16(in_pos + 2)
                           : uint32_t(Get16(in_pos + 2)) << 16 | Get16(in_pos);
    }

private:
    const uint8_t *m_p;
    size_t m_size;
    bool m_bigEndian;
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
    if (!out_pIndex || !in_payload.startsWith(kVYRMpfIdentifier) ||
        size_t(in_payload.size()) < header + 8)
        return false;
    const char *p = in_payload.constData() + header;
    bool bigEndian = false;
    if (p[0] == 'M' && p[1] == 'M')
        bigEndian = true;
    else if (p[0] != 'I' || p[1] != 'I')
        return false;
    const MpfReader r(in_payload, bigEndian);
    if (r.Get16(header + 2) != 42)
        return false;
    // Offsets inside the index count from the MP header.
    const size_t ifd = header + r.Get32(header + 4);
    if (!r.Has(ifd, 2))
        return false;
    const size_t count = r.Get16(ifd);
    if (!r.Has(ifd + 2, kEntrySize * count))
        return false;
    uint32_t images = 0;
    size_t entries = 0, entriesSize = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t e = ifd + 2 + kEntrySize * i;
        const uint16_t tag = r.Get16(e);
        if (tag == kTagNumberOfImages && r.Get32(e + 4) == 1)
            images = r.Get32(e + 8);
        else if (tag == kTagMpEntry) {
            entriesSize = r.Get32(e + 4);
            // Sixteen bytes always lie elsewhere, at an offset from the MP header.
            entries = header + r.Get32(e + 8);
        }
    }
    if (images == 0 || entries == 0 || entriesSize != kMpEntrySize * images ||
        !r.Has(entries, entriesSize))
        return false;
    out_pIndex->m_bigEndian = bigEndian;
    out_pIndex->m_entries.clear();
    for (uint32_t i = 0; i < images; ++i) {
        const size_t at = entries + kMpEntrySize * i;
        VYRMpfEntry entry;
        entry.m_attribute = r.Get32(at);
        entry.m_size = r.Get32(at + 4);
        entry.m_offset = r.Get32(at + 8);
        entry.m_fieldPos = at;
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
