// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrstopsignals.h"

#include <QtGlobal>
#include <csignal>

namespace {

// A handler may only touch a lock-free atomic; everything else waits for the batch to look.
std::atomic<bool> g_stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

struct sigaction g_previousInt;
struct sigaction g_previousTerm;
struct sigaction g_previousPipe;

void OnStopSignal(int)
{
    g_stopRequested.store(true, std::memory_order_relaxed);
}

} // namespace

VYRStopSignals::VYRStopSignals()
{
    g_stopRequested.store(false);
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

VYRStopSignals::~VYRStopSignals()
{
    sigaction(SIGINT, &g_previousInt, nullptr);
    sigaction(SIGTERM, &g_previousTerm, nullptr);
    sigaction(SIGPIPE, &g_previousPipe, nullptr);
}

const std::atomic<bool> &VYRStopSignals::Flag()
{
    return g_stopRequested;
}
