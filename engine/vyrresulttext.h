// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The engine's results in a photographer's words: the one table the window's log and the
// command line both tell a failed turn from.
#pragma once

#include "vyrengine.h"

#include <QString>

// Why in_photo was not turned (in_code: an engine failure). in_output, when given, is what an
// output name that is taken (VYR_ERR_OUTPUT_EXISTS) is called instead of the photo. A code
// the table does not know still gets words, never a bare number.
QString VYRResultText(int in_code, const QString &in_photo, const QString &in_output = QString());

// Whether in_code has words of its own in the table.
bool VYRResultTextKnown(int in_code);

// What the turn of in_photo trimmed ("'a.jpg': trimmed 8 pixels from the bottom edge"), or an
// empty text when it trimmed nothing.
QString VYRTrimText(const VYRRotateReport &in_report, const QString &in_photo);
