// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Who may write which output file. With an output folder, two different photos can map to the
// same output name (A/a.jpg and A/sub/a.jpg both to Out/a.jpg); the second must never replace
// the first one's result. Thread-safe: the window's worker and the command line's parallel jobs
// share one instance per session.
#pragma once

#include <QHash>
#include <QString>
#include <mutex>

class VYROutputClaims
{
public:
    // Claims in_output for the photo in_source. True when the output is free, already this
    // source's, or is the source itself (a photo turned in place, or again where its result
    // lies); the claim then stands for the rest of the session (a free output turned in place
    // is claimed for itself). False when another source holds it; its path goes to
    // *out_pHolder when that is given. Paths are compared with the output's folder resolved.
    bool Claim(const QString &in_output, const QString &in_source, QString *out_pHolder = nullptr);

    // A photo shown in the window owns its own name from the moment it is listed: no job for
    // another photo (a subfolder's namesake, with the output folder set to the source folder)
    // may replace it, whether or not it is ever turned. Leaves an existing claim alone.
    void ClaimListed(const QString &in_path);

    // Gives up in_source's claim on in_output (a job dropped before anything was written).
    // A claim held by another source is left alone.
    void Release(const QString &in_output, const QString &in_source);

private:
    std::mutex m_mutex;
    QHash<QString, QString> m_holders; // output path -> source path
};
