// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Test support: holds all of the memory the guarded JPEG decoders share, as a large rotation
// could. Every decode then waits for memory until it is released or the decode is cancelled:
// a decode certain to be in progress for as long as the test wants, with no timing involved.
#pragma once

#include "jpeg/vyrjpegguard.h"

#include <memory>

class HeldBudget
{
public:
    HeldBudget()
    {
        const qint64 free = VYRJpegGuard::FreeBudgetBytes();
        qint64 overhead = 0; // what a reservation takes beyond what it asks for
        if (VYRJpegGuard probe; probe.Reserve(0) == VYR_SUCCESS)
            overhead = free - VYRJpegGuard::FreeBudgetBytes();
        m_pGuard->Reserve(free - overhead);
    }
    // True while nothing of the budget is left for anyone else.
    bool IsHeld() const { return m_pGuard && VYRJpegGuard::FreeBudgetBytes() == 0; }
    void Release() { m_pGuard.reset(); }

private:
    std::unique_ptr<VYRJpegGuard> m_pGuard = std::make_unique<VYRJpegGuard>();
};
