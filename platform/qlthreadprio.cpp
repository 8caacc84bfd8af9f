// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qlthreadprio.h"

#include <QThread>
#include <atomic>

#if defined(Q_OS_LINUX)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {
std::atomic<bool> g_loweringEnabled{true};
} // namespace

bool QLLowerThreadPriority()
{
    if (!g_loweringEnabled.load())
        return false;
#if defined(Q_OS_LINUX)
    // The weakest nice value, not the idle class: under SCHED_IDLE a batch all but stops
    // whenever anything else runs (a build, a browser tab), while nice 19 still leaves it a
    // small share; the window, at nice 0, wins every wake-up against both.
    // On Linux a nice value belongs to the thread whose id is given, not to the process.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    return setpriority(PRIO_PROCESS, tid, 19) == 0;
#else
    // QThread's priorities map to the platform's thread priorities (Windows, macOS); a
    // std::thread has a QThread object too once asked for it.
    QThread::currentThread()->setPriority(QThread::LowestPriority);
    return true;
#endif
}

void QLSetThreadPriorityLowering(bool in_bEnabled)
{
    g_loweringEnabled.store(in_bEnabled);
}
