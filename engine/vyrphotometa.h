// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Makes a turned photo whole: everything around the turned picture is brought in line with it.
#pragma once

#include "vyrjpegscan.h"
#include "vyrjpegturn.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

// Builds the complete turned file from the source file in_pSource[0, in_size) (walked as
// in_layout), the turn in_code and the turned primary picture in_turned (whose marker segments
// are the source's, verbatim). The result goes to out_pPhoto.
// IFD0's Orientation is left as it is: the caller's finishing step owns it.
// Returns VYR_SUCCESS or an engine failure code; out_pPhoto is then unspecified.
int VYRCompletePhoto(const uint8_t *in_pSource, size_t in_size, const VYRJpegLayout &in_layout,
                     int in_code, const VYRTurnResult &in_turned, QByteArray *out_pPhoto);
