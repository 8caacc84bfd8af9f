// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The engine's thumbnail browse. Reach it through the engine table; declared here for the
// default table. Arguments, results and failures as documented in vyrengine.h.
#pragma once

#include "vyrengine.h"

int VYREngineBrowseThumbnails(const QString &in_folder, const QString &in_filter, int in_width,
                              int in_height, int in_bitsPerPixel, int in_arg6, int in_arg7,
                              int in_arg8, uint32_t in_matte, int in_arg10, int in_arg11,
                              int in_arg12, int in_subfolders, int in_arg14, int in_arg15,
                              int in_arg16, VYRThumbCallback in_callback, void *in_pUserData);
