// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrsha256.h"

#include <QCryptographicHash>
#include <QtEndian>

#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#include <immintrin.h>
#define VYR_SHA_NI 1
#endif

namespace {

#ifdef VYR_SHA_NI

alignas(16) const uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

bool HasShaInstructions()
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_SSE4_1) || !(c & bit_SSSE3))
        return false;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d))
        return false;
    return (b & (1u << 29)) != 0; // SHA extensions
}

// The processor's SHA-256 rounds, four at a time; the state is kept as ABEF and CDGH.
__attribute__((target("sha,sse4.1,ssse3"))) void Blocks(uint32_t *inout_pState,
                                                        const uint8_t *in_pData, size_t in_blocks)
{
    const __m128i swap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i t = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<__m128i *>(inout_pState)), 0xB1);
    __m128i s1 =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<__m128i *>(inout_pState + 4)), 0x1B);
    __m128i s0 = _mm_alignr_epi8(t, s1, 8);
    s1 = _mm_blend_epi16(s1, t, 0xF0);
    for (; in_blocks > 0; --in_blocks, in_pData += 64) {
        const __m128i save0 = s0, save1 = s1;
        __m128i w[4];
        for (int g = 0; g < 16; ++g) {
            __m128i &cur = w[g & 3];
            if (g < 4) {
                cur = _mm_shuffle_epi8(
                    _mm_loadu_si128(reinterpret_cast<const __m128i *>(in_pData + 16 * g)), swap);
            } else {
                const __m128i prev = w[(g - 1) & 3];
                const __m128i sum = _mm_add_epi32(_mm_sha256msg1_epu32(cur, w[(g - 3) & 3]),
                                                  _mm_alignr_epi8(prev, w[(g - 2) & 3], 4));
                cur = _mm_sha256msg2_epu32(sum, prev);
            }
            __m128i msg = _mm_add_epi32(
                cur, _mm_load_si128(reinterpret_cast<const __m128i *>(kRound + 4 * g)));
            s1 = _mm_sha256rnds2_epu32(s1, s0, msg);
            msg = _mm_shuffle_epi32(msg, 0x0E);
            s0 = _mm_sha256rnds2_epu32(s0, s1, msg);
        }
        s0 = _mm_add_epi32(s0, save0);
        s1 = _mm_add_epi32(s1, save1);
    }
    t = _mm_shuffle_epi32(s0, 0x1B);
    s1 = _mm_shuffle_epi32(s1, 0xB1);
    s0 = _mm_blend_epi16(t, s1, 0xF0);
    s1 = _mm_alignr_epi8(s1, t, 8);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(inout_pState), s0);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(inout_pState + 4), s1);
}

QByteArray Digest(const uint8_t *in_pData, size_t in_size)
{
    uint32_t state[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                         0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    const size_t whole = in_size / 64;
    Blocks(state, in_pData, whole);
    // The tail, the 0x80 marker and the length in bits fill one or two last blocks.
    uint8_t last[128] = {};
    const size_t rest = in_size - whole * 64;
    if (rest)
        std::memcpy(last, in_pData + whole * 64, rest);
    last[rest] = 0x80;
    const size_t tailBlocks = rest < 56 ? 1 : 2;
    qToBigEndian<quint64>(quint64(in_size) * 8, last + tailBlocks * 64 - 8);
    Blocks(state, last, tailBlocks);
    QByteArray digest(32, Qt::Uninitialized);
    for (int i = 0; i < 8; ++i)
        qToBigEndian<quint32>(state[i], digest.data() + 4 * i);
    return digest;
}

#endif

} // namespace

QByteArray VYRSha256(const char *in_pData, qsizetype in_size)
{
#ifdef VYR_SHA_NI
    static const bool s_hardware = HasShaInstructions();
    if (s_hardware)
        return Digest(reinterpret_cast<const uint8_t *>(in_pData), size_t(in_size));
#endif
    return QCryptographicHash::hash(QByteArrayView(in_pData, in_size), QCryptographicHash::Sha256);
}
