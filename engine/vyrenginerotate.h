// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The engine's lossless file rotation. Reach it through the engine table; declared here for
// the default table. Arguments, results and failures as documented in vyrengine.h.
#pragma once

#include "vyrengine.h"

int VYREngineRotateFile(const QString &in_source, const QString &in_destination, int in_code,
                        int in_arg4, int in_arg5, int in_arg6, const VYRRotateOptions *in_pOptions);
