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

// The cascades, by the role they play. The LBP one is fast and proposes (its 24 px window
// finds the small faces of group photos); the Haar face cascade, trained on other data with
// other features, only looks at the proposals; the eye cascade looks into the upper half of a
// confirmed face, at the detail picture.
constexpr const char *kFrontalPropose = "lbpcascades/lbpcascade_frontalface.xml";
constexpr const char *kFrontalConfirm = "haarcascades/haarcascade_frontalface_alt2.xml";
constexpr const char *kEyes = "haarcascades/haarcascade_eye.xml";

// A face smaller than this share of the picture's short side is too few pixels to be sure of.
constexpr double kMinFaceShare = 0.04;
// The proposer's scale step and the neighbours it needs. Two neighbours at steps of 1.2 find
// the small faces that three neighbours only find at steps of 1.1, at 60% of the cost; the
// checks that follow keep out what the lower bar lets in.
constexpr double kProposeScaleStep = 1.2;
constexpr int kProposeNeighbours = 2;
// A face without eyes found counts only in a colour picture where this share of its middle
// is skin-toned: small faces have eyes of a few pixels, but carved wood and lamps that the
// two face detectors take for a face are rarely skin-coloured all over.
constexpr double kMinSkinShare = 0.8;
// A picture is in colour (and a skin test means something) when this share of its pixels is
// clearly coloured (saturation and value at least kMinSaturation of 255) in a hue outside the
// warm band of skin, wood and sepia (OpenCV hue 0..180: below kWarmHueEnd or above 180 minus
// it). A toned scan, or a portrait in warm light on gray, is taken as gray: faces need eyes.
constexpr int kMinSaturation = 40;
constexpr int kWarmHueEnd = 25;
constexpr double kMinCoolShare = 0.03;

cv::Mat Turned(const cv::Mat &in_picture, int in_turn)
{
    if (in_turn == 0)
        return in_picture;
    cv::Mat turned;
    cv::rotate(in_picture, turned,
               in_turn == 1   ? cv::ROTATE_90_CLOCKWISE
               : in_turn == 2 ? cv::ROTATE_180
                              : cv::ROTATE_90_COUNTERCLOCKWISE);
    return turned;
}

// Share of in_bgr's pixels in the usual skin range of YCrCb (Cr 135..180, Cb 85..135).
double SkinShare(const cv::Mat &in_bgr)
{
    if (in_bgr.empty())
        return 0;
    cv::Mat ycrcb, skin;
    cv::cvtColor(in_bgr, ycrcb, cv::COLOR_BGR2YCrCb);
    cv::inRange(ycrcb, cv::Scalar(0, 135, 85), cv::Scalar(255, 180, 135), skin);
    return double(cv::countNonZero(skin)) / double(skin.total());
}

} // namespace

bool VYRIsColourPicture(const cv::Mat &in_bgr)
{
    if (in_bgr.empty() || in_bgr.type() != CV_8UC3)
        return false;
    // Saturation alone would take a sepia or toned scan for colour, and all of it for skin:
    // colour means some clearly coloured pixels of a hue that is not the warm one.
    cv::Mat hsv, coloured;
    cv::cvtColor(in_bgr, hsv, cv::COLOR_BGR2HSV);
    cv::inRange(hsv, cv::Scalar(kWarmHueEnd, kMinSaturation, kMinSaturation),
                cv::Scalar(180 - kWarmHueEnd, 255, 255), coloured);
    return double(cv::countNonZero(coloured)) >= kMinCoolShare * double(coloured.total());
}

struct VYRFaceWitness::Cascades
{
    cv::CascadeClassifier m_frontalPropose, m_frontalConfirm, m_eyes;
    QString m_missing;

    // One view (a quarter turn) of the picture: the colour picture the detectors look at, its
    // gray copy, and the larger gray picture in the same turn for the eyes.
    struct View
    {
        cv::Mat m_colour, m_gray, m_detail;
        bool m_isColour = false;
    };

    bool Confirmed(const View &in_view, const cv::Rect &in_face)
    {
        // The confirming detector sees the face with a margin, at a size it was trained for,
        // and must find a face of about the same size there.
        const cv::Mat &gray = in_view.m_gray;
        const int margin = in_face.width / 3;
        const cv::Rect around = cv::Rect(in_face.x - margin, in_face.y - margin,
                                         in_face.width + 2 * margin, in_face.height + 2 * margin) &
                                cv::Rect(0, 0, gray.cols, gray.rows);
        std::vector<cv::Rect> found;
        m_frontalConfirm.detectMultiScale(gray(around), found, 1.05, 3, 0,
                                          cv::Size(in_face.width * 2 / 3, in_face.height * 2 / 3),
                                          cv::Size(in_face.width * 3 / 2, in_face.height * 3 / 2));
        if (found.empty())
            return false;
        return HasEyes(in_view, in_face) ||
               (in_view.m_isColour &&
                SkinShare(in_view.m_colour(
                    cv::Rect(in_face.x + in_face.width / 5, in_face.y + in_face.height / 5,
                             in_face.width * 3 / 5, in_face.height * 3 / 5))) >= kMinSkinShare);
    }

    // An eye in the upper half of the face, looked for in the detail picture brought to a
    // size the eye cascade knows (eyes of 14..45 px in a face 120 px wide). Eyes are found
    // only the right way up, so this also checks the turn.
    bool HasEyes(const View &in_view, const cv::Rect &in_face)
    {
        const cv::Mat &detail = in_view.m_detail;
        const double k = double(detail.cols) / in_view.m_gray.cols;
        const cv::Rect upper = cv::Rect(int(in_face.x * k), int(in_face.y * k),
                                        int(in_face.width * k), int(in_face.height * k / 2)) &
                               cv::Rect(0, 0, detail.cols, detail.rows);
        if (upper.width < 4 || upper.height < 2)
            return false;
        cv::Mat up;
        cv::resize(detail(upper), up, cv::Size(120, 60), 0, 0, cv::INTER_CUBIC);
        std::vector<cv::Rect> eyes;
        m_eyes.detectMultiScale(up, eyes, 1.1, 2, 0, cv::Size(14, 14), cv::Size(45, 45));
        return !eyes.empty();
    }

    int Count(const View &in_view)
    {
        const int shortSide = std::min(in_view.m_gray.cols, in_view.m_gray.rows);
        const int minSide = std::max(20, int(shortSide * kMinFaceShare));
        std::vector<cv::Rect> proposals;
        m_frontalPropose.detectMultiScale(in_view.m_gray, proposals, kProposeScaleStep,
                                          kProposeNeighbours, 0, cv::Size(minSide, minSide));
        int confirmed = 0;
        for (const cv::Rect &face : proposals) {
            if (Confirmed(in_view, face))
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
        {&m_pCascades->m_eyes, kEyes},
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

VYRCueVote VYRFaceWitness::Judge(const cv::Mat &in_colour, const cv::Mat &in_detailGray)
{
    VYRCueVote vote;
    if (!m_pCascades->m_missing.isEmpty() || in_colour.empty() || in_colour.type() != CV_8UC3 ||
        in_detailGray.empty())
        return vote;
    cv::Mat gray;
    cv::cvtColor(in_colour, gray, cv::COLOR_BGR2GRAY);
    const bool isColour = VYRIsColourPicture(in_colour);
    std::array<int, 4> faces{};
    for (int turn = 0; turn < 4; ++turn) {
        Cascades::View view;
        view.m_colour = Turned(in_colour, turn);
        view.m_gray = Turned(gray, turn);
        view.m_detail = Turned(in_detailGray, turn);
        view.m_isColour = isColour;
        faces[size_t(turn)] = m_pCascades->Count(view);
    }
    const auto best = std::max_element(faces.begin(), faces.end());
    if (*best <= 0)
        return vote;
    int others = 0;
    for (int n : faces)
        others += n;
    others -= *best;
    vote.m_present = true;
    vote.m_turn = int(best - faces.begin());
    // One confirmed face alone is good evidence, two are better; faces in other turns (a
    // person lying down, a false find) take it away in proportion.
    const double strength = 1.0 - 0.5 * std::pow(0.25, *best);
    vote.m_confidence = std::max(0.0, strength * (*best - others) / double(*best + others));
    vote.m_evidence = QStringLiteral("faces:%1").arg(*best);
    return vote;
}
