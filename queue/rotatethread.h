// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The rotation worker: the one thread of the program's own besides the user-interface
// thread. It takes the jobs from the top of the task list one at a time, rotates each file,
// resets its Exif Orientation to 1 (upright) and puts its creation time back.
#pragma once

#include "resource.h"

class VYRTaskVw;

// The transform code for the angle of a job: 90 -> 4, 180 -> 8, -90 -> 12; 0 for any other
// angle (such a job is only completed, without file work).
int VYRTransformCodeForAngle(int in_angle);

// The worker's thread function; in_pView is the task list that started it. Runs until the
// view asks it to stop (VYRTaskVw::IsStopRequested) or its channel is closed, finishing a
// job it has begun first. Polls the list every 5 ms while there is nothing to do. Reads the
// rows only through the view's channel, never while holding g_catalogLock; does each job's
// file work holding g_catalogLock. Returns 0.
unsigned RotateThreadProc(VYRTaskVw *in_pView);
