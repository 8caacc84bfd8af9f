// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The recursive lock that stands for a critical section.
#pragma once

#include <mutex>

// A lock its holder may take again. Built on std::recursive_mutex (pthreads) rather than
// QRecursiveMutex so that ThreadSanitizer sees every acquire and release: the Qt libraries
// are not instrumented.
using QLCriticalSection = std::recursive_mutex;

// Always take it through this scoped guard: an exception never leaves the lock held.
using QLLockGuard = std::lock_guard<QLCriticalSection>;
// For code that must release before the end of its scope (unlock()) or take it later.
using QLUniqueLock = std::unique_lock<QLCriticalSection>;
