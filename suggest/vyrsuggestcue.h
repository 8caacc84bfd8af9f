// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// What one witness of the suggester says about a picture: for each quarter turn (0..3, the
// clockwise turns that would be applied to the stored picture), how strongly it believes that
// turn is the upright one, and a short word for the evidence.
#pragma once

#include <QString>
#include <array>

struct VYRCueVote
{
    bool m_present = false;  // the witness saw something to judge by at all
    int m_turn = 0;          // its choice, 0..3 quarter turns clockwise
    double m_confidence = 0; // 0..1 that m_turn is upright
    QString m_evidence;      // e.g. "faces:3", "text"
};
