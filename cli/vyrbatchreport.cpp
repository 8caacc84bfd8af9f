// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrbatchreport.h"

#include "qlprocess.h"
#include "resource.h"
#include "vyrclitext.h"

#include <QDir>

namespace {

QByteArray Format(const char *in_format, const QString &in_path)
{
    return QString::asprintf(in_format, qUtf8Printable(VYRShownPath(in_path))).toUtf8();
}

// What a dry run would write: the mirror's undoing is named, so that a photo tagged 2 does
// not read as a turn by 0 degrees.
QByteArray WouldLine(const QString &in_path, const VYRPhotoOutcome &in_outcome)
{
    const QByteArray shown = VYRShownPath(in_path).toUtf8();
    if (!in_outcome.m_mirrored)
        return QString::asprintf(VYRCliText::kWouldRotate, shown.constData(), in_outcome.m_angle)
            .toUtf8();
    if (in_outcome.m_angle == 0)
        return QString::asprintf(VYRCliText::kWouldMirror, shown.constData()).toUtf8();
    return QString::asprintf(VYRCliText::kWouldMirrorRotate, shown.constData(), in_outcome.m_angle)
        .toUtf8();
}

} // namespace

QString VYRShownPath(const QString &in_path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(in_path));
}

VYRBatchReport::VYRBatchReport(bool in_quiet, bool in_dryRun, FILE *in_pOut, FILE *in_pErr)
    : m_quiet(in_quiet), m_dryRun(in_dryRun), m_showProgress(!in_quiet && QLIsTerminal(in_pErr)),
      m_pOut(in_pOut), m_pErr(in_pErr)
{
}

void VYRBatchReport::Photo(const QString &in_path, const VYRPhotoOutcome &in_outcome)
{
    using Kind = VYRPhotoOutcome::Kind;
    ++m_counts.m_considered;
    QByteArray line;
    switch (in_outcome.m_kind) {
    case Kind::NoInfo:
        ++m_counts.m_skippedNoInfo;
        return;
    case Kind::Upright:
        ++m_counts.m_upright;
        return;
    case Kind::AlreadyListed:
        ++m_counts.m_skippedPending;
        return;
    case Kind::Rotated:
        ++m_counts.m_rotated;
        line = m_dryRun ? WouldLine(in_path, in_outcome) : Format(VYRText::kLogRotated, in_path);
        if (!in_outcome.m_note.isEmpty())
            line += "\n    " + in_outcome.m_note.toUtf8();
        break;
    case Kind::NotJpeg:
        ++m_counts.m_notJpeg;
        line = Format(VYRCliText::kNotJpeg, in_path);
        break;
    case Kind::Unreadable:
    case Kind::Failed:
        ++m_counts.m_failed;
        line = Format(m_dryRun ? VYRCliText::kWouldFail : VYRText::kLogFailed, in_path);
        if (!in_outcome.m_reason.isEmpty())
            line += "\n    " + in_outcome.m_reason.toUtf8();
        break;
    }
    if (m_quiet)
        return;
    ClearProgress();
    Print(m_pOut, line + '\n');
}

void VYRBatchReport::Progress(int in_done, int in_total)
{
    // The batch looks in every tenth of a second; the line is drawn only when it changes.
    if (!m_showProgress || (m_progressShown && in_done == m_progressDone))
        return;
    m_progressDone = in_done;
    // Carriage return and erase-to-end-of-line: the counter stays on one line.
    Print(m_pErr,
          "\r" +
              QString::asprintf(VYRCliText::kProgress, in_done, in_total, in_total - in_done)
                  .toUtf8() +
              "\x1b[K");
    m_progressShown = true;
}

void VYRBatchReport::Unreachable(const QString &in_text)
{
    ++m_counts.m_unreachable;
    if (m_quiet)
        return;
    ClearProgress();
    Print(m_pOut, in_text.toUtf8() + '\n');
}

void VYRBatchReport::Note(const QString &in_text)
{
    if (m_quiet)
        return;
    ClearProgress();
    Print(m_pErr, in_text.toUtf8() + '\n');
}

void VYRBatchReport::Stopping(int in_notStarted)
{
    ClearProgress();
    Print(m_pErr, QString::asprintf(VYRCliText::kStopping, in_notStarted).toUtf8() + '\n');
}

void VYRBatchReport::Summary()
{
    ClearProgress();
    QByteArray text =
        QString::asprintf(VYRText::kAutoSummary, m_counts.m_considered, m_counts.m_rotated,
                          m_counts.m_upright, m_counts.m_skippedPending, m_counts.m_skippedNoInfo)
            .toUtf8() +
        '\n';
    if (m_counts.m_failed > 0)
        text += QString::asprintf(VYRCliText::kFailedCount, m_counts.m_failed).toUtf8() + '\n';
    if (m_counts.m_notJpeg > 0)
        text += QString::asprintf(VYRCliText::kNotJpegCount, m_counts.m_notJpeg).toUtf8() + '\n';
    if (m_counts.m_unreachable > 0)
        text += QString::asprintf(VYRCliText::kUnreachableCount, m_counts.m_unreachable).toUtf8() +
                '\n';
    Print(m_pOut, text);
}

void VYRBatchReport::Print(FILE *in_pStream, const QByteArray &in_text)
{
    if (!in_pStream)
        return;
    std::fwrite(in_text.constData(), 1, size_t(in_text.size()), in_pStream);
    // Each line is out as soon as its photo is done, also through a pipe (tee, a log file).
    std::fflush(in_pStream);
}

void VYRBatchReport::ClearProgress()
{
    if (!m_progressShown)
        return;
    Print(m_pErr, "\r\x1b[K");
    m_progressShown = false;
}
