// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// What the queue suites share: small photos, the check of a turn, the Exif of a file, and
// logs of the traces and prompts of a run.
#pragma once

#include "qlprompt.h"
#include "qltrace.h"
#include "queuetest.h"
#include "testjpeg.h"
#include "vyroutputclaims.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <condition_variable>
#include <mutex>

constexpr int kJobTimeoutMs = 30000;

inline TestJpeg::Options PhotoOptions(TestJpeg::Exif in_exif, int in_orientation)
{
    TestJpeg::Options options;
    options.width = 64;
    options.height = 48;
    options.sampling = TestJpeg::Sampling::S444; // whole blocks: the turn is exact
    options.exif = in_exif;
    options.orientation = in_orientation;
    return options;
}

// Whether in_after shows in_before turned by in_angle: the lossless turn moves blocks
// exactly, but the decoder's rounding may differ by a few levels; the opposite turn (or none,
// for 180) is far off.
inline bool IsTurned(const QImage &in_after, const QImage &in_before, int in_angle)
{
    const int opposite = in_angle == 180 ? 0 : -in_angle;
    const int near = TestJpeg::MaxDifference(in_after, TestJpeg::Rotate(in_before, in_angle));
    const int far = TestJpeg::MaxDifference(in_after, TestJpeg::Rotate(in_before, opposite));
    if (near < 0 || near > 4 || (far >= 0 && far <= 16)) {
        qWarning("turn by %d: difference %d, opposite %d", in_angle, near, far);
        return false;
    }
    return true;
}

// The Exif APP1 payload of a file ("Exif\0\0" + TIFF data), or empty.
inline QByteArray ExifPayload(const QString &in_path)
{
    for (const TestJpeg::Segment &segment : TestJpeg::SegmentsOfFile(in_path)) {
        if (segment.marker == 0xFFE1 && segment.payload.startsWith(QByteArray("Exif\0\0", 6)))
            return segment.payload;
    }
    return QByteArray();
}

// Collects trace lines for the lifetime of the object (traces come from both threads).
class TraceLog
{
public:
    TraceLog()
    {
        m_previous = QLSetTraceHook([this](const QString &in_line) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_lines << in_line;
        });
    }
    ~TraceLog() { QLSetTraceHook(m_previous); }
    int Count(const QString &in_line) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines.count(in_line);
    }

private:
    mutable std::mutex m_mutex;
    QStringList m_lines;
    QLTraceHook m_previous;
};

// Answers every prompt on the user-interface thread and counts the read-only message.
class PromptLog
{
public:
    explicit PromptLog(int in_answer = QL_IDYES)
    {
        m_previous = QLSetPromptHandler([this, in_answer](const QString &in_text, unsigned) {
            m_texts << in_text;
            return in_answer;
        });
    }
    ~PromptLog() { QLSetPromptHandler(m_previous); }
    int Count(const char *in_text) const { return m_texts.count(QString::fromUtf8(in_text)); }

    QStringList m_texts;

private:
    QLPromptHandler m_previous;
};
