// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The face witness: an upright frontal-face detector run on the picture in each of its four
// quarter turns. People are nearly always photographed with their
// heads up, and the detectors only find a face that is within some 20 degrees of upright, so the
// turn where faces appear is the upright one. Every face the fast detector proposes must be
// confirmed by a second, independent detector, and then show an eye in its upper half or (in a
// colour picture) skin, before it counts: single detectors fire on curtains, foliage, lamps
// and shelves far too often for a suggestion that should almost never be wrong.
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

    // in_colour: 8-bit BGR picture, about 450 px on the long side; in_detailGray: the same
    // picture larger (8-bit gray, e.g. the text witness's), where the eyes are looked for.
    VYRCueVote Judge(const cv::Mat &in_colour, const cv::Mat &in_detailGray);

private:
    struct Cascades;
    std::unique_ptr<Cascades> m_pCascades;
};

// True when in_bgr (8-bit BGR) has enough colour for a skin test to mean anything: a gray
// or sepia scan has none, nor has a picture of one warm hue only.
bool VYRIsColourPicture(const cv::Mat &in_bgr);
