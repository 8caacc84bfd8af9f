// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The index of a multi-picture file: the APP2 "MPF" segment of the first picture lists every
// picture of the file with its size and its offset from that segment's MP header.
#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <vector>

// The identifier that starts an MPF APP2 payload; the MP header (byte order, 42, first IFD)
// follows it.
extern const QByteArray kVYRMpfIdentifier;

struct VYRMpfEntry
{
    uint32_t m_attribute = 0; // flags, data format (bits 24-26, 0 = JPEG) and type
    uint32_t m_size = 0;      // bytes of the picture
    uint32_t m_offset = 0;    // from the MP header; 0 for the first picture
    size_t m_fieldPos = 0;    // where the entry's 16 bytes lie in the payload
};

struct VYRMpfIndex
{
    bool m_bigEndian = false;
    std::vector<VYRMpfEntry> m_entries; // in index order; the first is the primary picture
};

// True when the entry's data format is JPEG.
bool VYRMpfIsJpeg(const VYRMpfEntry &in_entry);

// Reads the MP index from an APP2 payload (identifier included). Returns true when the payload
// holds a well-formed index: MPEntry with NumberOfImages entries, all inside the payload.
// A payload of a secondary picture (attributes only, no index) gives false.
bool VYRReadMpfIndex(const QByteArray &in_payload, VYRMpfIndex *out_pIndex);

// Writes one entry's size and offset back over its fields in *inout_pPayload, in the index's
// byte order; every other byte stays.
void VYRWriteMpfEntry(QByteArray *inout_pPayload, const VYRMpfIndex &in_index,
                      const VYRMpfEntry &in_entry);
