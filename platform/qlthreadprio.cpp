// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qlthreadprio.h"

#include <QThread>
#include <atomic>

#if defined(Q_OS_LINUX)
#include <pthread.h>
#include <sched.h>
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
    // SCHED_IDLE alone would do on an otherwise idle desktop; the nice value also counts
    // where the class is refused (some containers) and for tools that show only nice.
    sched_param param{};
    param.sched_priority = 0;
    const bool idleClass = pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) == 0;
    // On Linux a nice value belongs to the thread whose id is given, not to the process.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    const bool niced = setpriority(PRIO_PROCESS, tid, 19) == 0;
    return idleClass || niced;
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
