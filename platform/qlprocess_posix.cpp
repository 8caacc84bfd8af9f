// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Signals, terminals and memory hints on POSIX systems. A port to another system adds its
// own file beside this one (docs/porting.md).
#include "qlprocess.h"

#include <csignal>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// A handler may only touch a lock-free atomic; everything else waits for the caller to look.
std::atomic<std::atomic<bool> *> g_pStopFlag{nullptr};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");
static_assert(std::atomic<std::atomic<bool> *>::is_always_lock_free,
              "the signal handler needs a lock-free pointer");

struct sigaction g_previousInt;
struct sigaction g_previousTerm;
struct sigaction g_previousPipe;

void OnStopSignal(int)
{
    if (std::atomic<bool> *flag = g_pStopFlag.load(std::memory_order_relaxed))
        flag->store(true, std::memory_order_relaxed);
}

} // namespace

void QLCatchStopSignals(std::atomic<bool> *in_pFlag)
{
    g_pStopFlag.store(in_pFlag);
    struct sigaction action = {};
    action.sa_handler = &OnStopSignal;
    sigemptyset(&action.sa_mask);
    // A read or write of the photo being turned goes on where it was instead of failing.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &g_previousInt);
    sigaction(SIGTERM, &action, &g_previousTerm);
    // Output piped into a reader that quits early (`| head`) must not kill the process in the
    // middle of a write: the lines are lost, the photos are still turned.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &g_previousPipe);
}

void QLReleaseStopSignals()
{
    sigaction(SIGINT, &g_previousInt, nullptr);
    sigaction(SIGTERM, &g_previousTerm, nullptr);
    sigaction(SIGPIPE, &g_previousPipe, nullptr);
}

bool QLIsTerminal(FILE *in_pStream)
{
    return in_pStream && isatty(fileno(in_pStream));
}

bool QLHasHugePageHint()
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    return true;
#else
    return false;
#endif
}

void QLAdviseHugePages(void *in_pMemory, size_t in_bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    madvise(in_pMemory, in_bytes, MADV_HUGEPAGE);
#else
    (void)in_pMemory;
    (void)in_bytes;
#endif
}
