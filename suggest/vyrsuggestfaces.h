// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The face witness: upright-face detectors (frontal, and profile facing either way) run on the
// picture in each of its four quarter turns. People are nearly always photographed with their
// heads up, and the detectors only find a face that is within some 20 degrees of upright, so the
// turn where faces appear is the upright one. Every face the fast detector proposes must be
// confirmed by a second, independent detector before it counts: single detectors fire on
// curtains and foliage far too often for a suggestion that should almost never be wrong.
#pragma once

#include "vyrsuggestcue.h"

#include <QString>
#include <memory>

namespace cv {
class Mat;
}

class VYRFaceWitness
{
public:
    // in_dataDir holds OpenCV's cascade folders (haarcascades/, lbpcascades/).
    explicit VYRFaceWitness(const QString &in_dataDir);
    ~VYRFaceWitness();

    // False with the missing file in *out_pWhy when a cascade could not be loaded.
    bool IsReady(QString *out_pWhy) const;

    // in_gray: 8-bit single-channel picture, about 512 px on the long side.
    VYRCueVote Judge(const cv::Mat &in_gray);

private:
    struct Cascades;
    std::unique_ptr<Cascades> m_pCascades;
};
