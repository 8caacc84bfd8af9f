// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// A photo's XMP sidecars ("IMG_1.xmp" or "IMG_1.jpg.xmp" beside "IMG_1.jpg", as photo
// managers write them) follow the photo's turn in the same job: their tiff:Orientation becomes
// 1 and their sizes the turned ones, so that a program reading the sidecar does not turn the
// written photo once more.
//
// The order keeps photo and sidecar together: the sidecars are read before the turn, edited and
// written (atomically, journalled) once the turned photo is complete but before it is renamed
// into place, and put back when the photo's write fails after all. A sidecar that cannot be
// read, edited safely or written fails the job before the photo is replaced.
#pragma once

#include "file/vyrreadfile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>

class VYRJournal;

// The sidecars beside in_photo that exist: "<base>.xmp" and "<name>.xmp", the extension in
// either case.
QStringList VYRSidecarsOf(const QString &in_photo);

class VYRSidecarEdit
{
public:
    // The sidecars of in_source, to be written beside in_destination (the same files for a turn
    // in place). in_allowReplace: a file at a new sidecar's name may be replaced.
    VYRSidecarEdit(const QString &in_source, const QString &in_destination, bool in_allowReplace);

    bool IsEmpty() const { return m_sidecars.isEmpty(); }
    // Reads every sidecar. Returns VYR_SUCCESS or VYR_ERR_SIDECAR.
    int Read();
    // Edits the sidecars for the turned photo in_pPhoto (its size comes from its frame header)
    // and writes them, journalled in in_batch when in_pJournal is given. Returns VYR_SUCCESS,
    // VYR_ERR_SIDECAR, or the journal's code; on failure no sidecar is changed.
    int Write(const uint8_t *in_pPhoto, size_t in_size, VYRJournal *in_pJournal, qint64 in_batch);
    // After the photo's write: commits the sidecars' records, or, when the photo was not
    // written, puts every sidecar written back as it was.
    void Finish(bool in_photoWritten);

private:
    struct Sidecar
    {
        QString m_source;
        QString m_destination;
        QByteArray m_before;
        QByteArray m_after;
        VYRFileIdentity m_read;
        qint64 m_record = 0;
        bool m_written = false;
    };
    void PutBack(Sidecar &inout_sidecar);

    QList<Sidecar> m_sidecars;
    bool m_allowReplace = false;
    VYRJournal *m_pJournal = nullptr;
};
