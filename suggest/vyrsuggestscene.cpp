// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrsuggestscene.h"

#include <algorithm>
#include <array>
#include <opencv2/imgproc.hpp>

namespace {

// The sky test, per edge band (a fifth of the picture along the edge), at 160 px on the long
// side: mean blue at least kMinBlue (0..255) and at least kMinBlueOverRed above the mean red,
// and a mean gradient (Sobel magnitude) at most kMaxSkyTexture; the opposite band's gradient
// at least kMinGroundContrast times the sky's. Chosen by hand on the development set's
// figures (docs/suggestions.md says so): blue water on several edges, hazy and white skies
// fail the test and are meant to.
constexpr int kLookSidePx = 160;
constexpr double kMinBlue = 120;
constexpr double kMinBlueOverRed = 60;
constexpr double kMaxSkyTexture = 20;
constexpr double kMinGroundContrast = 2;
// A clear sky is good evidence but one cue only: enough for a suggestion on its own at the
// default minimum, and less than a face or a page of text, which overrule it.
constexpr double kSkyConfidence = 0.85;

struct Band
{
    bool m_sky = false;
    double m_texture = 0;
};

} // namespace

VYRCueVote VYRJudgeSky(const cv::Mat &in_colour)
{
    VYRCueVote vote;
    if (in_colour.empty() || in_colour.type() != CV_8UC3)
        return vote;
    const double scale = double(kLookSidePx) / std::max(in_colour.cols, in_colour.rows);
    cv::Mat small;
    cv::resize(in_colour, small,
               cv::Size(std::max(5, int(in_colour.cols * scale)),
                        std::max(5, int(in_colour.rows * scale))),
               0, 0, cv::INTER_AREA);
    cv::Mat gray, gx, gy, magnitude;
    cv::cvtColor(small, gray, cv::COLOR_BGR2GRAY);
    cv::Sobel(gray, gx, CV_32F, 1, 0);
    cv::Sobel(gray, gy, CV_32F, 0, 1);
    cv::magnitude(gx, gy, magnitude);

    // Band t is the edge that turning the picture clockwise by t quarters brings to the top:
    // the top, the left, the bottom, the right.
    const int bandWidth = std::max(1, small.cols / 5), bandHeight = std::max(1, small.rows / 5);
    const std::array<cv::Rect, 4> rects = {
        cv::Rect(0, 0, small.cols, bandHeight), cv::Rect(0, 0, bandWidth, small.rows),
        cv::Rect(0, small.rows - bandHeight, small.cols, bandHeight),
        cv::Rect(small.cols - bandWidth, 0, bandWidth, small.rows)};
    std::array<Band, 4> bands;
    for (size_t turn = 0; turn < 4; ++turn) {
        const cv::Scalar colour = cv::mean(small(rects[turn]));
        bands[turn].m_texture = cv::mean(magnitude(rects[turn]))[0];
        bands[turn].m_sky = colour[0] >= kMinBlue && colour[0] - colour[2] >= kMinBlueOverRed &&
                            bands[turn].m_texture <= kMaxSkyTexture;
    }
    if (std::count_if(bands.begin(), bands.end(),
                      [](const Band &in_band) { return in_band.m_sky; }) != 1)
        return vote;
    const int sky = int(std::find_if(bands.begin(), bands.end(),
                                     [](const Band &in_band) { return in_band.m_sky; }) -
                        bands.begin());
    const Band &ground = bands[size_t((sky + 2) % 4)];
    if (ground.m_texture < kMinGroundContrast * std::max(1.0, bands[size_t(sky)].m_texture))
        return vote;
    vote.m_present = true;
    vote.m_turn = sky;
    vote.m_confidence = kSkyConfidence;
    vote.m_evidence = QStringLiteral("sky");
    return vote;
}
