// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The text witness: the OCR engine's orientation and script detection (its "osd" data), which
// finds character-like blobs, tries them in the four orientations against its character models
// and says which one reads best, with a confidence. Pages, signs, labels and screens carry it.
#pragma once

#include "vyrsuggestcue.h"

#include <QString>
#include <memory>

namespace cv {
class Mat;
}

class VYRTextWitness
{
public:
    // in_tessdataDir: the folder that holds osd.traineddata.
    explicit VYRTextWitness(const QString &in_tessdataDir);
    ~VYRTextWitness();

    bool IsReady(QString *out_pWhy) const;

    // in_gray: 8-bit single-channel picture. Characters should be at least some 10 px high
    // for the detector to read them, so this wants a larger picture than the face witness.
    VYRCueVote Judge(const cv::Mat &in_gray);

private:
    struct Engine;
    std::unique_ptr<Engine> m_pEngine;
};
