// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Background threads (the rotation worker, the thumbnail decoders) step aside for the window:
// on a machine whose cores are all busy, the user-interface thread must still get the
// processor at once when the user opens a menu.
#pragma once

// Lowers the calling thread, and only that thread, below the rest of the process: on Linux
// the weakest nice value (19, through setpriority on the thread's own id, which Linux applies
// per thread; the idle class SCHED_IDLE was tried and starves a batch on any busy machine);
// elsewhere the platform's lowest thread priority. Returns true when it took effect.
// The thread still runs whenever a core is free, so a batch on a quiet machine is as fast as
// before. Never call it on the user-interface thread.
bool QLLowerThreadPriority();

// Turns QLLowerThreadPriority into a no-op (in_bEnabled false) or back. For the benchmark
// that measures what the lowering is worth; the program never turns it off.
void QLSetThreadPriorityLowering(bool in_bEnabled);
