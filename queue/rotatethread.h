// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The rotation worker: the one thread of the program's own besides the user-interface
// thread. It takes the jobs from the top of its work list one at a time and turns each photo
// upright on disk: the lossless turn and the Orientation reset in one atomic write, then the
// creation time put back.
#pragma once

#include "vyrworklist.h"

// The transform code for the angle of a job: 90 -> 4, 180 -> 8, -90 -> 12; 0 for any other
// angle (such a job is only completed, without file work).
int VYRTransformCodeForAngle(int in_angle);

// The worker's thread function; in_pList is the task list that started it. Runs until the
// list asks it to stop (IsStopRequested) or its channel is closed, finishing a job it has
// begun first. Polls the list every 5 ms while there is nothing to do. Reads the rows only
// through the channel, never while holding g_catalogLock; holds g_catalogLock only to take a
// job's angle and to point the item at its written file, never during the file work.
// Returns 0.
unsigned RotateThreadProc(VYRWorkList *in_pList);
