// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// What the fuzz targets share: an invariant check that stops the run with a readable reason
// (libFuzzer then keeps the input), and a few helpers for JPEG bytes.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(in_condition)                                                                   \
    do {                                                                                           \
        if (!(in_condition)) {                                                                     \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #in_condition, __FILE__,        \
                         __LINE__);                                                                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace Fuzz {

inline QByteArray Bytes(const uint8_t *in_pData, size_t in_size)
{
    return QByteArray(reinterpret_cast<const char *>(in_pData), qsizetype(in_size));
}

// Silences the engine's traces: millions of runs would drown the fuzzer's own output.
void QuietTraces();

} // namespace Fuzz
