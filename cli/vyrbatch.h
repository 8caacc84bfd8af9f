// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The headless Auto Rotate: every photo of the files and folders named, in the window's walk
// order, turned upright by a pool of workers through the window's own atomic write, reported
// in walk order.
#pragma once

#include "vyrbatchreport.h"
#include "vyroutputclaims.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

class VYRJournalSession;

struct VYRBatchSettings
{
    QStringList m_paths; // files and folders, as given
    QString m_filter;    // ';'-separated wildcards
    bool m_recursive = false;
    QString m_outputDir; // empty: in place
    bool m_dryRun = false;
    // Files already at the output names (not photos of this run) may be replaced.
    bool m_overwrite = false;
    int m_jobs = 1;
    // Where each write is journalled (undo); null or disabled: not journalled.
    VYRJournalSession *m_pJournal = nullptr;
    // Written photos keep the modification time they had.
    bool m_keepTime = false;
};

// Exit codes of the headless modes.
enum : int
{
    VYR_EXIT_DONE = 0,
    VYR_EXIT_FAILED = 1,
    VYR_EXIT_USAGE = 2,
    VYR_EXIT_INTERRUPTED = 130,
};

class VYRBatch
{
public:
    // in_pReport receives every line; it must outlive the batch.
    VYRBatch(const VYRBatchSettings &in_settings, VYRBatchReport *in_pReport);

    // Checks the paths and the output folder, then lists the photos: a named file when its name
    // matches the filter (a note otherwise), a named folder through the window's folder walk
    // (with subfolders when recursive). What the walk cannot reach (a folder that cannot be
    // read, a name that is not valid UTF-8, a path too long to open) is reported as it is
    // reached, and counted as a failure. A file reached twice (the same file named again, a link,
    // a folder and a file in it) is listed once more as already listed, never turned twice.
    // Returns false with a one-line reason when a path or the output folder does not exist or
    // cannot be read; nothing has been done then. A set in_pStop ends the listing early (a
    // large network share may take long to walk); Run() then turns nothing.
    bool Collect(QString *out_pError, const std::atomic<bool> *in_pStop = nullptr);

    // Turns the listed photos with the settings' number of workers and reports each one in list
    // order, then the summary. Once in_stop is set no further photo is started; the ones under
    // way are finished. Returns VYR_EXIT_INTERRUPTED when stopped, VYR_EXIT_FAILED when a photo
    // failed (dry run: would fail), VYR_EXIT_DONE otherwise.
    int Run(const std::atomic<bool> &in_stop);

    int PhotoCount() const { return int(m_photos.size()); }

private:
    struct Photo
    {
        QString m_path;
        QString m_canonical;
        bool m_alreadyListed = false;
    };
    // A photo that needs a turn, chosen in list order; the turn itself runs outside the lock.
    struct Turn
    {
        QString m_output;
        int m_angle = 0; // the turn after the mirror, as the report tells it
        int m_code = 0;  // the whole transform (VYROrientation::Code), mirror included
    };

    void AddPhoto(const QString &in_path, QSet<QString> *inout_pSeen);
    void Work(const std::atomic<bool> &in_stop);
    // Under m_mutex: decides photo in_index and claims its output, so that the first photo in
    // list order wins a contested output name whatever the workers' timing.
    std::optional<Turn> Decide(size_t in_index, VYRPhotoOutcome *out_pOutcome);
    VYRPhotoOutcome Rotate(size_t in_index, const Turn &in_turn) const;
    void ReportReady(std::unique_lock<std::mutex> *inout_pLock);

    VYRBatchSettings m_settings;
    VYRBatchReport *m_pReport;
    std::vector<Photo> m_photos;
    QSet<QString> m_sources; // canonical paths of every listed photo
    VYROutputClaims m_claims;

    std::mutex m_dispatchMutex; // guards m_nextIndex and the decisions made in list order
    size_t m_nextIndex = 0;

    std::mutex m_mutex; // guards everything below
    std::condition_variable m_changed;
    int m_running = 0;
    int m_done = 0;
    std::vector<std::optional<VYRPhotoOutcome>> m_outcomes; // the reorder buffer
    size_t m_reported = 0; // the running thread only: how many outcomes are told
};
