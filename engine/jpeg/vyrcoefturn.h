// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The lossless transform itself, on DCT coefficients: each block moves to its new place and
// is transformed inside as the DCT dictates (a left-right mirror negates the odd columns of
// coefficients, a top-bottom mirror the odd rows, a transposition swaps rows and columns; a
// quarter turn clockwise is a transposition and a left-right mirror). And a digest of
// coefficients, so that what was written can be checked against what reads back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio> // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>

// One component's blocks: m_height rows of m_width blocks that hold picture data.
struct VYRBlockPlane
{
    JBLOCKROW *m_pRows = nullptr;
    int m_width = 0;
    int m_height = 0;
};

// Fills every block of out_dest from in_source transformed by in_code, one of the seven
// transform codes other than none (VYR_ROTATE_90, VYR_TRANSPOSE, ...: VYROrientation::Code).
// out_dest's size decides what is taken: the used part of the source is out_dest's size, with
// width and height exchanged for a transform that swaps the axes, counted from the source's
// top left. The source must hold at least that much; blocks beyond it (trimmed partial edges)
// are left out. Returns false for an unknown code or a source too small, and then writes
// nothing.
bool VYRTurnBlocks(int in_code, const VYRBlockPlane &in_source, const VYRBlockPlane &out_dest);

// A 64-bit digest of numbers and coefficient planes, in the order they are added. Two equal
// sequences give equal digests; any change in a coefficient changes it (with certainty for a
// single change, with overwhelming likelihood otherwise). Not meant to resist a forger.
class VYRCoefficientDigest
{
public:
    void AddNumber(uint64_t in_value);
    void AddPlane(const VYRBlockPlane &in_plane);
    uint64_t Value() const;

private:
    void AddWord(int in_lane, uint64_t in_word);

    uint64_t m_lanes[4] = {0x243F6A8885A308D3u, 0x13198A2E03707344u, 0xA4093822299F31D0u,
                           0x082EFA98EC4E6C89u};
    uint64_t m_count = 0;
};

// The digest of a picture's coefficients as a decompressor or compressor holds them: size,
// every component's identity, sampling and quantisation table, then its blocks. The planes
// are given per component, in component order.
template <typename Info>
uint64_t VYRDigestOfPicture(const Info &in_info, const JQUANT_TBL *const *in_ppQuant,
                            const VYRBlockPlane *in_pPlanes)
{
    VYRCoefficientDigest digest;
    digest.AddNumber(in_info.image_width);
    digest.AddNumber(in_info.image_height);
    digest.AddNumber(uint64_t(in_info.num_components));
    for (int c = 0; c < in_info.num_components; ++c) {
        const jpeg_component_info &component = in_info.comp_info[c];
        digest.AddNumber(uint64_t(component.component_id));
        digest.AddNumber(uint64_t(component.h_samp_factor) << 8 |
                         uint64_t(component.v_samp_factor));
        for (int k = 0; k < DCTSIZE2; ++k)
            digest.AddNumber(in_ppQuant[c] ? in_ppQuant[c]->quantval[k] : 0);
        digest.AddPlane(in_pPlanes[c]);
    }
    return digest.Value();
}
