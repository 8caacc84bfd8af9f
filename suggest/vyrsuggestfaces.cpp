// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrsuggestfaces.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>
#include <vector>

namespace {

// The cascades, by the role they play. The LBP ones are fast and propose; the Haar ones are
// slower, trained on other data with other features, and only look at the proposals.
constexpr const char *kFrontalPropose = "lbpcascades/lbpcascade_frontalface_improved.xml";
constexpr const char *kFrontalConfirm = "haarcascades/haarcascade_frontalface_alt2.xml";
constexpr const char *kProfilePropose = "lbpcascades/lbpcascade_profileface.xml";
constexpr const char *kProfileConfirm = "haarcascades/haarcascade_profileface.xml";

// A face smaller than this share of the picture's short side is too few pixels to be sure of.
constexpr double kMinFaceShare = 0.06;

cv::Mat Turned(const cv::Mat &in_gray, int in_turn)
{
    if (in_turn == 0)
        return in_gray;
    cv::Mat turned;
    cv::rotate(in_gray, turned,
               in_turn == 1   ? cv::ROTATE_90_CLOCKWISE
               : in_turn == 2 ? cv::ROTATE_180
                              : cv::ROTATE_90_COUNTERCLOCKWISE);
    return turned;
}

} // namespace

struct VYRFaceWitness::Cascades
{
    cv::CascadeClassifier m_frontalPropose, m_frontalConfirm, m_profilePropose, m_profileConfirm;
    QString m_missing;

    // Confirmed faces among the proposals of in_propose on in_gray.
    int Count(const cv::Mat &in_gray, cv::CascadeClassifier &in_propose,
              cv::CascadeClassifier &in_confirm)
    {
        const int shortSide = std::min(in_gray.cols, in_gray.rows);
        const int minSide = std::max(20, int(shortSide * kMinFaceShare));
        std::vector<cv::Rect> proposals;
        in_propose.detectMultiScale(in_gray, proposals, 1.2, 3, 0, cv::Size(minSide, minSide));
        int confirmed = 0;
        for (const cv::Rect &face : proposals) {
            // The confirming detector sees the face with a margin, at a size it was trained
            // for, and must find a face of about the same size there.
            const int margin = face.width / 3;
            const cv::Rect around = cv::Rect(face.x - margin, face.y - margin,
                                             face.width + 2 * margin, face.height + 2 * margin) &
                                    cv::Rect(0, 0, in_gray.cols, in_gray.rows);
            std::vector<cv::Rect> found;
            in_confirm.detectMultiScale(in_gray(around), found, 1.05, 3, 0,
                                        cv::Size(face.width * 2 / 3, face.height * 2 / 3),
                                        cv::Size(face.width * 3 / 2, face.height * 3 / 2));
            if (!found.empty())
                ++confirmed;
        }
        return confirmed;
    }
};

VYRFaceWitness::VYRFaceWitness(const QString &in_dataDir) : m_pCascades(new Cascades)
{
    const QDir dir(in_dataDir);
    const std::pair<cv::CascadeClassifier *, const char *> files[] = {
        {&m_pCascades->m_frontalPropose, kFrontalPropose},
        {&m_pCascades->m_frontalConfirm, kFrontalConfirm},
        {&m_pCascades->m_profilePropose, kProfilePropose},
        {&m_pCascades->m_profileConfirm, kProfileConfirm},
    };
    for (const auto &[cascade, name] : files) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        // load() of a missing file prints OpenCV's own complaint; ours is the one to see.
        if (!QFileInfo(path).isFile() || !cascade->load(path.toStdString())) {
            m_pCascades->m_missing = path;
            break;
        }
    }
}

VYRFaceWitness::~VYRFaceWitness() = default;

bool VYRFaceWitness::IsReady(QString *out_pWhy) const
{
    if (m_pCascades->m_missing.isEmpty())
        return true;
    if (out_pWhy)
        *out_pWhy = QStringLiteral("face detector data missing: %1").arg(m_pCascades->m_missing);
    return false;
}

VYRCueVote VYRFaceWitness::Judge(const cv::Mat &in_gray)
{
    VYRCueVote vote;
    if (!m_pCascades->m_missing.isEmpty() || in_gray.empty())
        return vote;
    std::array<double, 4> weight{};
    std::array<int, 4> faces{};
    for (int turn = 0; turn < 4; ++turn) {
        const cv::Mat view = Turned(in_gray, turn);
        const int frontal =
            m_pCascades->Count(view, m_pCascades->m_frontalPropose, m_pCascades->m_frontalConfirm);
        // The profile cascades know faces looking to one side; the mirror finds the others.
        cv::Mat mirrored;
        cv::flip(view, mirrored, 1);
        const int profile =
            m_pCascades->Count(view, m_pCascades->m_profilePropose, m_pCascades->m_profileConfirm) +
            m_pCascades->Count(mirrored, m_pCascades->m_profilePropose,
                               m_pCascades->m_profileConfirm);
        faces[size_t(turn)] = frontal + profile;
        // Profiles are found in more wrong places than frontal faces; they count for less.
        weight[size_t(turn)] = frontal + 0.5 * profile;
    }
    const auto best = std::max_element(weight.begin(), weight.end());
    if (*best <= 0)
        return vote;
    double others = 0;
    for (double w : weight)
        others += w;
    others -= *best;
    vote.m_present = true;
    vote.m_turn = int(best - weight.begin());
    // One confirmed face alone is good evidence, two are better; faces in other turns (a
    // person lying down, a false find) take it away in proportion.
    const double strength = 1.0 - 0.5 * std::pow(0.25, *best);
    vote.m_confidence = std::max(0.0, strength * (*best - others) / (*best + others));
    vote.m_evidence = QStringLiteral("faces:%1").arg(faces[size_t(vote.m_turn)]);
    return vote;
}
