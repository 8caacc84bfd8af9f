// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrstopsignals.h"

#include "qlprocess.h"

namespace {

std::atomic<bool> g_stopRequested{false};

} // namespace

VYRStopSignals::VYRStopSignals()
{
    g_stopRequested.store(false);
    QLCatchStopSignals(&g_stopRequested);
}

VYRStopSignals::~VYRStopSignals()
{
    QLReleaseStopSignals();
}

const std::atomic<bool> &VYRStopSignals::Flag()
{
    return g_stopRequested;
}
