// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qlfiletimes.h"

namespace {

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ull;
constexpr uint64_t kTicksPerSecond = 10000000ull;

} // namespace

uint64_t QLFileTimeFromUnix(int64_t in_seconds, uint32_t in_nanoseconds)
{
    // Times before 1601 cannot be expressed; they read as unknown.
    const int64_t ticks = in_seconds * static_cast<int64_t>(kTicksPerSecond) +
                          static_cast<int64_t>(in_nanoseconds / 100);
    if (ticks < -static_cast<int64_t>(kUnixEpochAsFileTime))
        return 0;
    return static_cast<uint64_t>(ticks + static_cast<int64_t>(kUnixEpochAsFileTime));
}

void QLFileTimeToUnix(uint64_t in_fileTime, int64_t *out_pSeconds, uint32_t *out_pNanoseconds)
{
    const int64_t ticks =
        static_cast<int64_t>(in_fileTime) - static_cast<int64_t>(kUnixEpochAsFileTime);
    int64_t seconds = ticks / static_cast<int64_t>(kTicksPerSecond);
    int64_t rest = ticks % static_cast<int64_t>(kTicksPerSecond);
    if (rest < 0) {
        rest += kTicksPerSecond;
        --seconds;
    }
    if (out_pSeconds)
        *out_pSeconds = seconds;
    if (out_pNanoseconds)
        *out_pNanoseconds = static_cast<uint32_t>(rest * 100);
}
