// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// What a headless batch tells its user: a line per photo turned or failed on standard output,
// a progress counter on standard error while it runs (only on a terminal), and the window's
// Auto Rotate summary at the end.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdio>

// A path as the user would type it: "./a.jpg" from the folder "." reads "a.jpg".
QString VYRShownPath(const QString &in_path);

// What became of one photo of the batch.
struct VYRPhotoOutcome
{
    enum class Kind
    {
        Unreadable,    // the file could not be opened: a failure
        NoInfo,        // no readable Orientation
        Upright,       // the Orientation asks for no turn (upright, mirrored, unknown)
        AlreadyListed, // the same file was reached earlier in this run
        Rotated,       // turned (with --dry-run: would be turned)
        Failed,        // needed a turn and did not (would not) get it
        NotJpeg,       // matched the filter but is no JPEG photo: a failure of its own
    };
    Kind m_kind = Kind::NoInfo;
    int m_angle = 0;         // the turn, for Rotated and Failed
    bool m_mirrored = false; // the write also undoes a mirror (before the turn)
    QString m_reason;        // why, for Unreadable and Failed
    QString m_note;          // for Rotated: what the turn trimmed, if anything
};

// The Auto Rotate summary's five counts, and the failures it has no line for.
struct VYRBatchCounts
{
    int m_considered = 0;
    int m_rotated = 0;
    int m_upright = 0;
    int m_skippedPending = 0; // files reached a second time: their turn is already under way
    int m_skippedNoInfo = 0;
    int m_failed = 0;      // unreadable or not turned; not among the rotated
    int m_notJpeg = 0;     // among the considered, in none of the summary's other counts
    int m_unreachable = 0; // entries the walk could not reach; never considered

    // Whatever makes the batch's exit status 1.
    bool HasFailures() const { return m_failed > 0 || m_notJpeg > 0 || m_unreachable > 0; }
};

class VYRBatchReport
{
public:
    // in_quiet drops the per-photo lines, the notes and the progress. The progress counter is
    // drawn only when in_pErr is a terminal.
    VYRBatchReport(bool in_quiet, bool in_dryRun, FILE *in_pOut = stdout, FILE *in_pErr = stderr);

    // Counts one photo and prints its line when it was turned or failed: "Successfully rotated
    // '<path>'" or "Failed to rotate '<path>'" with the reason indented on the next line (a dry
    // run says "Would rotate ... by N degrees" and "Would fail to rotate").
    void Photo(const QString &in_path, const VYRPhotoOutcome &in_outcome);
    // Redraws "D of T photos, L left" in place on the terminal.
    void Progress(int in_done, int in_total);
    // Counts an entry the listing could not reach and prints its line (in_text) on standard
    // output, where the failures go (not when quiet).
    void Unreachable(const QString &in_text);
    // A line on standard error (not when quiet).
    void Note(const QString &in_text);
    // A line on standard error even when quiet: the user asked for the stop and is waiting.
    void Stopping(int in_notStarted);
    // The five counts with the window's words, then a count of the failures, of the files that
    // are no JPEG photos and of the unreachable entries, each when not 0, on standard output.
    // Clears the progress line first.
    void Summary();

    const VYRBatchCounts &Counts() const { return m_counts; }

private:
    void Print(FILE *in_pStream, const QByteArray &in_text);
    void ClearProgress();

    bool m_quiet;
    bool m_dryRun;
    bool m_showProgress;
    FILE *m_pOut;
    FILE *m_pErr;
    bool m_progressShown = false;
    int m_progressDone = -1;
    VYRBatchCounts m_counts;
};
