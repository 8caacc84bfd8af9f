// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The command line of the headless modes: which front door a start takes, and the options of
// `veyra --auto-rotate`.
#pragma once

#include <QString>
#include <QStringList>

// The most photos turned at once: each job holds a whole photo and its coefficients in memory.
constexpr int kVyrMaxJobs = 256;

struct VYRCliOptions
{
    enum class Mode
    {
        Help,
        Version,
        AutoRotate,
        Undo,    // --undo [BATCH]
        History, // --history [BATCH]
        Suggest, // --suggest PATH...: upright turns suggested from the pictures
    };
    Mode m_mode = Mode::Help;
    QStringList m_paths; // files and folders, as given
    QString m_outputDir; // empty: in place
    QString m_filter;    // used when m_hasFilter; otherwise the stored Filter setting
    bool m_hasFilter = false;
    bool m_recursive = false;
    bool m_dryRun = false;
    bool m_quiet = false;
    bool m_overwrite = false;    // --overwrite: other files at output names may be replaced
    int m_jobs = 0;              // 1..kVyrMaxJobs
    bool m_keepTime = false;     // -p, --keep-time: written photos keep their modification time
    qint64 m_batch = 0;          // --undo / --history: the batch named, 0 for none
    double m_minConfidence = -1; // --suggest: shown from this confidence on; -1 the default
    bool m_apply = false;        // --suggest --apply: write the suggested turns
};

// True when in_args (without the program name) ask for a headless mode: --help, --version,
// --auto-rotate or one of its options, anywhere before a "--". Everything else (a folder, the
// toolkit's own options such as -platform or -reverse) starts the window as before.
bool VYRWantsCommandLine(const QStringList &in_args);

// Parses in_args (without the program name). in_defaultJobs fills m_jobs when --jobs is not
// given. Returns true with *out_pOptions filled, or false with a one-line reason in *out_pError
// (unknown option, a missing value, an option of --auto-rotate without it, no PATH, a --jobs
// value that is not a whole number from 1 to kVyrMaxJobs, an empty --filter). --help and
// --version win over everything else. Paths are not looked at here.
bool VYRParseCommandLine(const QStringList &in_args, int in_defaultJobs,
                         VYRCliOptions *out_pOptions, QString *out_pError);

// The headless program: parses in_args (without the program name), prints help or version, or
// runs the batch. Needs a QCoreApplication (settings) but no display. Returns the exit code:
// 0 done, 1 a photo failed, 2 bad usage, 130 interrupted (see the help text).
int VYRRunCommandLine(const QStringList &in_args);
