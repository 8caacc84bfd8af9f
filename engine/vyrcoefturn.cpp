// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrcoefturn.h"

#include "vyrengine.h"

#include <algorithm>
#include <cstring>

namespace {

// Blocks are taken in square tiles, so that the source rows a quarter turn reads across and
// the destination rows it writes stay in the cache together (a tile is 32 KB each way).
constexpr int kTile = 16;

// Coefficients are stored by rows of vertical frequency v, each of horizontal frequency u:
// k = 8 * v + u.

// A quarter turn clockwise: transposed, then mirrored left-right, so the coefficient at
// (v, u) comes from (u, v) and changes sign for an odd u.
inline void TurnBlock90(const JCOEF *in_pSource, JCOEF *out_pDest)
{
    for (int v = 0; v < DCTSIZE; ++v) {
        JCOEF *row = out_pDest + v * DCTSIZE;
        for (int u = 0; u < DCTSIZE; u += 2) {
            row[u] = in_pSource[u * DCTSIZE + v];
            row[u + 1] = JCOEF(-in_pSource[(u + 1) * DCTSIZE + v]);
        }
    }
}

// Three quarter turns: transposed, then mirrored top-bottom (odd v changes sign).
inline void TurnBlock270(const JCOEF *in_pSource, JCOEF *out_pDest)
{
    for (int v = 0; v < DCTSIZE; v += 2) {
        JCOEF *even = out_pDest + v * DCTSIZE;
        JCOEF *odd = even + DCTSIZE;
        for (int u = 0; u < DCTSIZE; ++u) {
            even[u] = in_pSource[u * DCTSIZE + v];
            odd[u] = JCOEF(-in_pSource[u * DCTSIZE + v + 1]);
        }
    }
}

// A half turn: both mirrors, so u + v odd changes sign.
inline void TurnBlock180(const JCOEF *in_pSource, JCOEF *out_pDest)
{
    for (int v = 0; v < DCTSIZE; v += 2) {
        const JCOEF *evenIn = in_pSource + v * DCTSIZE;
        const JCOEF *oddIn = evenIn + DCTSIZE;
        JCOEF *even = out_pDest + v * DCTSIZE;
        JCOEF *odd = even + DCTSIZE;
        for (int u = 0; u < DCTSIZE; u += 2) {
            even[u] = evenIn[u];
            even[u + 1] = JCOEF(-evenIn[u + 1]);
            odd[u] = JCOEF(-oddIn[u]);
            odd[u + 1] = oddIn[u + 1];
        }
    }
}

// Destination block (x, y) of a quarter turn clockwise comes from source column y, row
// (width - 1 - x); of three quarter turns from column (height - 1 - y), row x.
template <bool Clockwise>
void TurnQuarter(const VYRBlockPlane &in_source, const VYRBlockPlane &out_dest)
{
    const int width = out_dest.m_width;
    const int height = out_dest.m_height;
    for (int tileY = 0; tileY < height; tileY += kTile) {
        const int endY = std::min(tileY + kTile, height);
        for (int tileX = 0; tileX < width; tileX += kTile) {
            const int endX = std::min(tileX + kTile, width);
            for (int x = tileX; x < endX; ++x) {
                const JBLOCKROW sourceRow = in_source.m_pRows[Clockwise ? width - 1 - x : x];
                for (int y = tileY; y < endY; ++y) {
                    const int sourceX = Clockwise ? y : height - 1 - y;
                    if (Clockwise)
                        TurnBlock90(sourceRow[sourceX], out_dest.m_pRows[y][x]);
                    else
                        TurnBlock270(sourceRow[sourceX], out_dest.m_pRows[y][x]);
                }
            }
        }
    }
}

void TurnHalf(const VYRBlockPlane &in_source, const VYRBlockPlane &out_dest)
{
    const int width = out_dest.m_width;
    const int height = out_dest.m_height;
    for (int y = 0; y < height; ++y) {
        const JBLOCKROW sourceRow = in_source.m_pRows[height - 1 - y];
        const JBLOCKROW destRow = out_dest.m_pRows[y];
        for (int x = 0; x < width; ++x)
            TurnBlock180(sourceRow[width - 1 - x], destRow[x]);
    }
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
    if (!in_source.m_pRows || !out_dest.m_pRows || out_dest.m_width < 0 || out_dest.m_height < 0)
        return false;
    const bool quarter = in_code == VYR_ROTATE_90 || in_code == VYR_ROTATE_270;
    const int usedWidth = quarter ? out_dest.m_height : out_dest.m_width;
    const int usedHeight = quarter ? out_dest.m_width : out_dest.m_height;
    if (usedWidth > in_source.m_width || usedHeight > in_source.m_height)
        return false;
    switch (in_code) {
    case VYR_ROTATE_90:
        TurnQuarter<true>(in_source, out_dest);
        return true;
    case VYR_ROTATE_270:
        TurnQuarter<false>(in_source, out_dest);
        return true;
    case VYR_ROTATE_180:
        TurnHalf(in_source, out_dest);
        return true;
    default:
        return false;
    }
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
