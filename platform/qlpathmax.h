// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The longest path the system opens, in bytes with the terminating NUL. A path of this many
// encoded bytes or more cannot be opened, and is reported as too long rather than tried.
#pragma once

#include <climits>

#if defined(PATH_MAX)
inline constexpr int kQLPathMax = PATH_MAX;
#else
// A system without the POSIX limit needs its own answer here (docs/porting.md), not a guess.
#error "No PATH_MAX on this system: set kQLPathMax for it (docs/porting.md)"
#endif
