// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qlthreadprio.h"

#include <atomic>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
std::atomic<bool> g_loweringEnabled{true};
} // namespace

bool QLLowerThreadPriority()
{
    if (!g_loweringEnabled.load())
        return false;
    // The weakest nice value, not the idle class: under SCHED_IDLE a batch all but stops
    // whenever anything else runs (a build, a browser tab), while nice 19 still leaves it a
    // small share; the window, at nice 0, wins every wake-up against both.
    // On Linux a nice value belongs to the thread whose id is given, not to the process.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    return setpriority(PRIO_PROCESS, tid, 19) == 0;
}

void QLSetThreadPriorityLowering(bool in_bEnabled)
{
    g_loweringEnabled.store(in_bEnabled);
}
