// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrcoefturn.h"

#include "core/vyrcodes.h"

#include <algorithm>
#include <cstring>

namespace {

// Blocks are taken in square tiles, so that the source rows a quarter turn reads across and
// the destination rows it writes stay in the cache together (a tile is 32 KB each way).
constexpr int kTile = 16;

// Coefficients are stored by rows of vertical frequency v, each of horizontal frequency u:
// k = 8 * v + u. A block moved with its columns reversed negates its odd horizontal
// frequencies, with its rows reversed its odd vertical ones; with the axes swapped the
// coefficient at (v, u) comes from (u, v). The frequencies are taken two by two so that every
// sign is known when the function is compiled: the seven transforms are seven loops without a
// branch inside a block, and a transpose costs what a quarter turn costs.
template <bool Swap, bool RevColumns, bool RevRows>
inline void TransformBlock(const JCOEF *in_pSource, JCOEF *out_pDest)
{
    // The source's (vertical, horizontal) frequency of destination (v, u).
    auto at = [](int in_v, int in_u) {
        return Swap ? in_u * DCTSIZE + in_v : in_v * DCTSIZE + in_u;
    };
    // Negated when the source's horizontal frequency is odd and its columns are reversed,
    // or its vertical frequency is odd and its rows are.
    auto sign = [](bool in_oddV, bool in_oddU) {
        const bool oddSourceU = Swap ? in_oddV : in_oddU;
        const bool oddSourceV = Swap ? in_oddU : in_oddV;
        return (RevColumns && oddSourceU) != (RevRows && oddSourceV);
    };
    for (int v = 0; v < DCTSIZE; v += 2) {
        JCOEF *even = out_pDest + v * DCTSIZE;
        JCOEF *odd = even + DCTSIZE;
        for (int u = 0; u < DCTSIZE; u += 2) {
            const JCOEF a = in_pSource[at(v, u)];
            const JCOEF b = in_pSource[at(v, u + 1)];
            const JCOEF c = in_pSource[at(v + 1, u)];
            const JCOEF d = in_pSource[at(v + 1, u + 1)];
            even[u] = a;
            even[u + 1] = sign(false, true) ? JCOEF(-b) : b;
            odd[u] = sign(true, false) ? JCOEF(-c) : c;
            odd[u + 1] = sign(true, true) ? JCOEF(-d) : d;
        }
    }
}

// Destination block (x, y) comes from source column sx and row sy: (x, y) itself, or (y, x)
// with the axes swapped, each counted from the far edge of the used source when reversed.
// With the axes swapped a destination column reads along one source row, so the blocks are
// taken in tiles to keep both sides in the cache.
template <bool Swap, bool RevColumns, bool RevRows>
void TransformPlane(const VYRBlockPlane &in_source, const VYRBlockPlane &out_dest)
{
    const int width = out_dest.m_width;
    const int height = out_dest.m_height;
    const int usedWidth = Swap ? height : width; // of the source
    const int usedHeight = Swap ? width : height;
    auto column = [&](int in_x) { return RevColumns ? usedWidth - 1 - in_x : in_x; };
    auto row = [&](int in_y) { return RevRows ? usedHeight - 1 - in_y : in_y; };
    if (!Swap) {
        for (int y = 0; y < height; ++y) {
            const JBLOCKROW sourceRow = in_source.m_pRows[row(y)];
            const JBLOCKROW destRow = out_dest.m_pRows[y];
            for (int x = 0; x < width; ++x)
                TransformBlock<Swap, RevColumns, RevRows>(sourceRow[column(x)], destRow[x]);
        }
        return;
    }
    for (int tileY = 0; tileY < height; tileY += kTile) {
        const int endY = std::min(tileY + kTile, height);
        for (int tileX = 0; tileX < width; tileX += kTile) {
            const int endX = std::min(tileX + kTile, width);
            for (int x = tileX; x < endX; ++x) {
                const JBLOCKROW sourceRow = in_source.m_pRows[row(x)];
                for (int y = tileY; y < endY; ++y)
                    TransformBlock<Swap, RevColumns, RevRows>(sourceRow[column(y)],
                                                              out_dest.m_pRows[y][x]);
            }
        }
    }
}

template <bool Swap>
void TransformPlaneOf(const VYROrientation &in_transform, const VYRBlockPlane &in_source,
                      const VYRBlockPlane &out_dest)
{
    const bool columns = in_transform.ReversesColumns();
    const bool rows = in_transform.ReversesRows();
    if (columns && rows)
        TransformPlane<Swap, true, true>(in_source, out_dest);
    else if (columns)
        TransformPlane<Swap, true, false>(in_source, out_dest);
    else if (rows)
        TransformPlane<Swap, false, true>(in_source, out_dest);
    else
        TransformPlane<Swap, false, false>(in_source, out_dest);
}

inline uint64_t RotateLeft(uint64_t in_value, int in_bits)
{
    return (in_value << in_bits) | (in_value >> (64 - in_bits));
}

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87u;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Fu;

} // namespace

bool VYRTurnBlocks(int in_code, const VYRBlockPlane &in_source, const VYRBlockPlane &out_dest)
{
    bool known = false;
    const VYROrientation transform = VYROrientation::FromCode(in_code, &known);
    if (!known || transform.IsUpright() || !in_source.m_pRows || !out_dest.m_pRows ||
        out_dest.m_width < 0 || out_dest.m_height < 0)
        return false;
    const bool swap = transform.SwapsAxes();
    const int usedWidth = swap ? out_dest.m_height : out_dest.m_width;
    const int usedHeight = swap ? out_dest.m_width : out_dest.m_height;
    if (usedWidth > in_source.m_width || usedHeight > in_source.m_height)
        return false;
    if (swap)
        TransformPlaneOf<true>(transform, in_source, out_dest);
    else
        TransformPlaneOf<false>(transform, in_source, out_dest);
    return true;
}

void VYRCoefficientDigest::AddWord(int in_lane, uint64_t in_word)
{
    m_lanes[in_lane] = RotateLeft((m_lanes[in_lane] ^ in_word) * kPrime1, 31) * kPrime2;
}

void VYRCoefficientDigest::AddNumber(uint64_t in_value)
{
    AddWord(int(m_count++ & 3), in_value);
}

void VYRCoefficientDigest::AddPlane(const VYRBlockPlane &in_plane)
{
    AddNumber(uint64_t(in_plane.m_width) << 32 | uint64_t(uint32_t(in_plane.m_height)));
    for (int y = 0; y < in_plane.m_height; ++y) {
        const auto *bytes = reinterpret_cast<const unsigned char *>(in_plane.m_pRows[y]);
        const size_t size = size_t(in_plane.m_width) * sizeof(JBLOCK);
        // Four independent lanes keep the multiplier busy; a block is 16 words.
        size_t i = 0;
        for (; i + 32 <= size; i += 32) {
            uint64_t words[4];
            std::memcpy(words, bytes + i, sizeof(words));
            AddWord(0, words[0]);
            AddWord(1, words[1]);
            AddWord(2, words[2]);
            AddWord(3, words[3]);
        }
        for (; i < size; i += 8) {
            uint64_t word = 0;
            std::memcpy(&word, bytes + i, std::min<size_t>(8, size - i));
            AddWord(0, word);
        }
    }
}

uint64_t VYRCoefficientDigest::Value() const
{
    uint64_t value = m_count * kPrime2;
    for (uint64_t lane : m_lanes)
        value = RotateLeft(value ^ (lane * kPrime1), 27) * kPrime2;
    return value ^ (value >> 29);
}
