// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// What the rotation suites share: the table's file rotation, the segments a file keeps, and
// the ways a step of a rotation is made to fail.
#pragma once

#include "qltrace.h"
#include "testjpeg.h"
#include "testjpeg_codec.h"
#include "tracecollector.h"
#include "vyrengine.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using TestJpeg::Options;
using TestJpeg::Sampling;

// These cases are about the write itself: a destination that is another file may be replaced
// (tst_safewrite holds the refusal without that permission).
inline int RotateFile(const QString &in_source, const QString &in_destination, int in_code)
{
    VYRRotateOptions options;
    options.m_allowReplace = true;
    return VYRDefaultEngine().RotateFile(in_source, in_destination, in_code, 0, 0, 0, &options);
}

inline int AngleOf(int in_code)
{
    return in_code == VYR_ROTATE_90 ? 90 : in_code == VYR_ROTATE_180 ? 180 : 270;
}

// Entries of a folder other than the given names: a temporary file left behind shows here.
inline QStringList Leftovers(const QString &in_dir, const QStringList &in_expected)
{
    QStringList names =
        QDir(in_dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : in_expected)
        names.removeAll(name);
    return names;
}

// The segments that must survive a rotation byte for byte: every APPn (the JFIF APP0 too)
// and comments.
inline QList<QPair<quint16, QByteArray>> KeptSegments(const QString &in_path)
{
    QList<QPair<quint16, QByteArray>> kept;
    for (const TestJpeg::Segment &s : TestJpeg::SegmentsOfFile(in_path)) {
        const bool app = s.marker >= 0xFFE0 && s.marker <= 0xFFEF;
        if (app || s.marker == 0xFFFE)
            kept.append({s.marker, s.payload});
    }
    return kept;
}

inline bool HasMarker(const QString &in_path, quint16 in_marker)
{
    for (const TestJpeg::Segment &s : TestJpeg::SegmentsOfFile(in_path)) {
        if (s.marker == in_marker)
            return true;
    }
    return false;
}

// How a step of the rotation is made to fail, through real conditions or the finishing step.
enum class Failure
{
    DamagedSource,
    FinishRefuses,
    FinishDamagesData,   // the result no longer decodes cleanly
    FinishChangesTables, // it decodes cleanly, to other coefficients than were turned
    FileSizeLimit,
    FolderVanishes,
};

struct FinishPlan
{
    Failure m_failure;
    QString m_folder; // the destination's folder
};

inline bool Finish(uint8_t *inout_pData, size_t in_size, void *in_pUserData)
{
    const auto *plan = static_cast<const FinishPlan *>(in_pUserData);
    const QByteArray view =
        QByteArray::fromRawData(reinterpret_cast<const char *>(inout_pData), qsizetype(in_size));
    switch (plan->m_failure) {
    case Failure::FinishRefuses:
        return false;
    case Failure::FinishDamagesData: {
        // Stuffed 0xFF bytes: runs of 1 bits that are no Huffman code.
        const qsizetype start = TestJpegCodec::ScanDataOffset(view);
        const qsizetype middle = start + (qsizetype(in_size) - start) / 2;
        for (qsizetype i = middle; i < middle + 32; i += 2) {
            inout_pData[i] = 0xFF;
            inout_pData[i + 1] = 0;
        }
        return true;
    }
    case Failure::FinishChangesTables: {
        const qsizetype dqt = view.indexOf("\xFF\xDB");
        if (dqt >= 0)
            ++inout_pData[dqt + 6]; // the first table's second value
        return true;
    }
    case Failure::FolderVanishes:
        return QDir().rename(plan->m_folder, plan->m_folder + "-moved");
    default:
        return true;
    }
}
