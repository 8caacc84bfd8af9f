// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The scene witness: a clear sky. Outdoors, the edge of the picture that shows a bright, blue,
// smooth band is the top, when the opposite edge is clearly busier (ground, water, buildings)
// and no other edge looks like sky too (a blue wall, water all round, a blue backdrop). It
// says nothing about hazy or white skies, sunsets of one colour, or photos without sky.
#pragma once

#include "vyrsuggestcue.h"

namespace cv {
class Mat;
}

// in_colour: 8-bit BGR picture, any size (it is looked at some 160 px across).
VYRCueVote VYRJudgeSky(const cv::Mat &in_colour);
