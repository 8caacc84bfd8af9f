// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Ctrl+C and SIGTERM during a batch: instead of ending the process in the middle of a write,
// they ask the batch to stop after the photos being written.
#pragma once

#include <atomic>

class VYRStopSignals
{
public:
    // Installs handlers for Ctrl+C and termination requests that only set the flag
    // (QLCatchStopSignals), and ignores a broken pipe. One instance at a time.
    VYRStopSignals();
    // Puts the previous handlers back.
    ~VYRStopSignals();
    VYRStopSignals(const VYRStopSignals &) = delete;
    VYRStopSignals &operator=(const VYRStopSignals &) = delete;

    // Set once a signal arrived; never cleared while the handlers are installed.
    static const std::atomic<bool> &Flag();
};
