// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrsuggest.h"

#include "vyrsuggestfaces.h"
#include "vyrsuggestscene.h"
#include "vyrsuggesttext.h"

#include "thumb/vyrthumbdecode.h"
#include "vyrengine.h"
#include "vyrresulttext.h"

#include <QImage>
#include <array>
#include <mutex>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#ifndef VEYRA_OPENCV_DATA_DIR
#define VEYRA_OPENCV_DATA_DIR "/usr/share/opencv4"
#endif
#ifndef VEYRA_TESSDATA_DIR
#define VEYRA_TESSDATA_DIR "/usr/share/tesseract-ocr/5/tessdata"
#endif

namespace {

// The face witness looks at 448 px on the long side: with its 24 px window a face of some 7%
// of the short side is still found (400 px lost the small faces of group photos; 512 px cost
// 30% more and found fewer). Characters need more pixels; 1000 px is what the DCT scaling of
// a 4000 px photo gives at a quarter, much cheaper to decode than 3/8 for 1024.
constexpr int kSmallSidePx = 448;
constexpr int kTextSidePx = 1000;
// Text at least this sure ends the look (see Suggest).
constexpr double kSureText = 0.95;

int AngleForTurns(int in_turns)
{
    static constexpr int kAngles[] = {0, 90, 180, -90};
    return kAngles[((in_turns % 4) + 4) % 4];
}

cv::Mat ColourOf(const QImage &in_picture)
{
    const QImage rgb = in_picture.format() == QImage::Format_RGB32
                           ? in_picture
                           : in_picture.convertToFormat(QImage::Format_RGB32);
    // Format_RGB32 is 0xffRRGGBB in native order: B, G, R, A in memory on the machines we build.
    const cv::Mat bgra(rgb.height(), rgb.width(), CV_8UC4, const_cast<uchar *>(rgb.constBits()),
                       size_t(rgb.bytesPerLine()));
    cv::Mat bgr;
    cv::cvtColor(bgra, bgr, cv::COLOR_BGRA2BGR);
    return bgr;
}

cv::Mat Shrunk(const cv::Mat &in_picture, int in_longSide)
{
    const int longSide = std::max(in_picture.cols, in_picture.rows);
    if (longSide <= in_longSide)
        return in_picture;
    const double scale = double(in_longSide) / longSide;
    cv::Mat small;
    cv::resize(in_picture, small,
               cv::Size(std::max(1, int(in_picture.cols * scale + 0.5)),
                        std::max(1, int(in_picture.rows * scale + 0.5))),
               0, 0, cv::INTER_AREA);
    return small;
}

} // namespace

double VYRDefaultSuggestConfidence()
{
    return 0.8;
}

struct VYRSuggester::Detectors
{
    Detectors()
        : m_faces(QString::fromUtf8(VEYRA_OPENCV_DATA_DIR)),
          m_text(QString::fromUtf8(VEYRA_TESSDATA_DIR))
    {
    }
    VYRFaceWitness m_faces;
    VYRTextWitness m_text;
};

VYRSuggester::VYRSuggester()
{
    // The library's own pool would put one thread per core behind every suggester; callers
    // that want more photos at once run more suggesters.
    static std::once_flag once;
    std::call_once(once, [] { cv::setNumThreads(1); });
    m_pDetectors.reset(new Detectors);
}

VYRSuggester::~VYRSuggester() = default;

bool VYRSuggester::IsReady(QString *out_pWhy) const
{
    return m_pDetectors->m_faces.IsReady(out_pWhy) && m_pDetectors->m_text.IsReady(out_pWhy);
}

bool VYRSuggester::Suggest(const QString &in_path, VYRSuggestion *out_pSuggestion,
                           QString *out_pError)
{
    const auto fail = [out_pError](const QString &in_reason) {
        if (out_pError)
            *out_pError = in_reason;
        return false;
    };
    QString why;
    if (!IsReady(&why))
        return fail(why);

    QImage picture;
    VYRThumbFileInfo info;
    const int status =
        VYRDecodeFittedPicture(in_path, QSize(kTextSidePx, kTextSidePx), &picture, &info);
    if (status != VYR_SUCCESS)
        return fail(VYRResultText(status, in_path));

    VYRSuggestion result;
    result.m_exifOrientation = int(info.m_exifOrientation);
    if (info.m_exifOrientation > 1) {
        // The camera said how to show it; that is Auto Rotate's to follow, never ours to argue.
        *out_pSuggestion = result;
        return true;
    }

    const cv::Mat colour = ColourOf(picture);
    cv::Mat gray;
    cv::cvtColor(colour, gray, cv::COLOR_BGR2GRAY);
    const cv::Mat small = Shrunk(colour, kSmallSidePx);
    std::array<VYRCueVote, 3> votes;
    votes[0] = m_pDetectors->m_text.Judge(gray);
    votes[1] = VYRJudgeSky(small);
    // A page the text detector is sure of needs no faces (which cost most): faces could only
    // take a little from it, and on a page of print they are rare.
    if (!votes[0].m_present || votes[0].m_confidence < kSureText)
        votes[2] = m_pDetectors->m_faces.Judge(small, gray);

    // Witnesses for one turn strengthen each other (either may be wrong, both rarely are);
    // a witness for another turn weakens it as much as it is sure of its own.
    std::array<double, 4> against{};
    std::array<double, 4> doubt = {1, 1, 1, 1};
    std::array<QStringList, 4> evidence;
    for (const VYRCueVote &vote : votes) {
        if (!vote.m_present)
            continue;
        doubt[size_t(vote.m_turn)] *= 1.0 - vote.m_confidence;
        evidence[size_t(vote.m_turn)] << vote.m_evidence;
        for (int turn = 0; turn < 4; ++turn) {
            if (turn != vote.m_turn)
                against[size_t(turn)] =
                    1.0 - (1.0 - against[size_t(turn)]) * (1.0 - vote.m_confidence);
        }
    }
    int best = 0;
    for (int turn = 1; turn < 4; ++turn) {
        if (doubt[size_t(turn)] < doubt[size_t(best)])
            best = turn;
    }
    result.m_angle = AngleForTurns(best);
    result.m_confidence = (1.0 - doubt[size_t(best)]) * (1.0 - against[size_t(best)]);
    result.m_evidence = evidence[size_t(best)].join(QLatin1Char(','));
    *out_pSuggestion = result;
    return true;
}
