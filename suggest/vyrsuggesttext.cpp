// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrsuggesttext.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <tesseract/baseapi.h>

namespace {

// The detector's orientation confidence is a log-odds-like margin between the best and the
// second orientation, not a probability: around 1 it is a guess, beyond 5 it is rarely wrong.
constexpr double kConfidenceScale = 3.0;
// Below this margin the detector is guessing (grass, gravel and foliage give it blobs that it
// reads some way or other): no evidence, neither for a turn nor against another witness's.
constexpr double kMinMargin = 2.0;

// The detector wants characters of some 15 px and more: a small picture (a scan kept small,
// a web copy) is enlarged towards this long side first, by at most kMaxEnlarge.
constexpr int kWantedLongSide = 1024;
constexpr double kMaxEnlarge = 3.0;

} // namespace

struct VYRTextWitness::Engine
{
    tesseract::TessBaseAPI m_api;
    bool m_ready = false;
    QString m_why;
};

VYRTextWitness::VYRTextWitness(const QString &in_tessdataDir) : m_pEngine(new Engine)
{
    const QString data = QDir(in_tessdataDir).filePath(QStringLiteral("osd.traineddata"));
    if (!QFileInfo(data).isFile()) {
        m_pEngine->m_why = QStringLiteral("text orientation data missing: %1").arg(data);
        return;
    }
    // The engine's chatter ("Too few characters", resolution guesses) is not the user's.
    const char *const quietNames[] = {"debug_file"};
    const char *const quietValues[] = {"/dev/null"};
    std::vector<std::string> names(quietNames, quietNames + 1);
    std::vector<std::string> values(quietValues, quietValues + 1);
    if (m_pEngine->m_api.Init(QFile::encodeName(in_tessdataDir).constData(), "osd",
                              tesseract::OEM_TESSERACT_ONLY, nullptr, 0, &names, &values,
                              false) != 0) {
        m_pEngine->m_why = QStringLiteral("text orientation data unusable: %1").arg(data);
        return;
    }
    m_pEngine->m_api.SetPageSegMode(tesseract::PSM_OSD_ONLY);
    m_pEngine->m_ready = true;
}

VYRTextWitness::~VYRTextWitness()
{
    m_pEngine->m_api.End();
}

bool VYRTextWitness::IsReady(QString *out_pWhy) const
{
    if (!m_pEngine->m_ready && out_pWhy)
        *out_pWhy = m_pEngine->m_why;
    return m_pEngine->m_ready;
}

VYRCueVote VYRTextWitness::Judge(const cv::Mat &in_gray)
{
    VYRCueVote vote;
    if (!m_pEngine->m_ready || in_gray.empty() || in_gray.type() != CV_8UC1)
        return vote;
    cv::Mat gray = in_gray;
    const int longSide = std::max(in_gray.cols, in_gray.rows);
    const double enlarge = std::min(kMaxEnlarge, double(kWantedLongSide) / longSide);
    if (enlarge > 1.2)
        cv::resize(in_gray, gray, cv::Size(), enlarge, enlarge, cv::INTER_CUBIC);
    tesseract::TessBaseAPI &api = m_pEngine->m_api;
    api.SetImage(gray.data, gray.cols, gray.rows, 1, int(gray.step));
    // Any fixed resolution keeps the engine from guessing one (and saying so).
    api.SetSourceResolution(70);
    int orientDeg = 0;
    float orientConf = 0;
    const char *script = nullptr;
    float scriptConf = 0;
    const bool found = api.DetectOrientationScript(&orientDeg, &orientConf, &script, &scriptConf);
    api.Clear();
    if (!found || !std::isfinite(orientConf) || orientConf < kMinMargin)
        return vote;
    vote.m_present = true;
    // orientDeg is how far the text stands turned clockwise; the turn back is its complement.
    vote.m_turn = (4 - ((orientDeg / 90) % 4 + 4) % 4) % 4;
    vote.m_confidence = 1.0 - std::exp(-double(orientConf) / kConfidenceScale);
    vote.m_evidence = QStringLiteral("text");
    return vote;
}
