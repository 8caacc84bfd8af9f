// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// What a photo's tooltip tells about its file: pixel size, file size, date taken and the Exif
// Orientation, read from the head of the file (markers only, nothing decoded), and a cache
// that reads them on a worker thread of its own, once per file, so that hovering over a slow
// disk never holds up the window.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <cstdint>

struct VYRPhotoFacts
{
    bool m_bRead = false; // false: the file could not be opened or read at all
    int m_width = 0;      // the stored picture's size; 0 when no frame header was found
    int m_height = 0;
    qint64 m_fileSize = 0;
    QDateTime m_modified;       // the file's modification time
    QString m_taken;            // Exif DateTimeOriginal as "yyyy-MM-dd hh:mm:ss"; empty when absent
    uint32_t m_orientation = 0; // IFD0 Orientation, 0 when the file has none
};

// Reads the facts of in_path. Only a regular file is opened, and only its first 256 KiB are
// read: the Exif block and the frame header of a camera's JPEG lie well inside them. A damaged
// or foreign file yields what could be read (m_bRead with zero sizes and no tags).
VYRPhotoFacts VYRReadPhotoFacts(const QString &in_path);

// The facts of the photos asked about, read one at a time on a worker and kept for the life of
// the cache. Lives on the user-interface thread; its destructor waits for a read under way.
class VYRPhotoFactsCache : public QObject
{
    Q_OBJECT

public:
    explicit VYRPhotoFactsCache(QObject *in_pParent = nullptr);
    ~VYRPhotoFactsCache() override;

    // The facts of in_path when they are known (true); otherwise starts reading them, once,
    // and answers false: FactsReady follows when they are in. in_bPending says whether a job
    // for the file is still to finish: facts read then are read again once it has (the job
    // rewrites the file).
    bool Lookup(const QString &in_path, bool in_bPending, VYRPhotoFacts *out_pFacts);
    // Forgets every file's facts (a file may have changed since: a turn rewrites it).
    void Clear();
    // Forgets one file's facts (call it when a job for the file is queued).
    void Forget(const QString &in_path);

signals:
    void FactsReady(const QString &in_path);

private:
    struct Known
    {
        VYRPhotoFacts m_facts;
        bool m_bPendingAtRead = false;
    };
    void Store(const QString &in_path, const VYRPhotoFacts &in_facts, quint64 in_token);

    QThreadPool m_pool;
    QHash<QString, Known> m_known;
    QHash<QString, bool> m_pendingAtRead; // of the reads under way
    // The files being read, each with the token of its read: a read started before a Clear
    // or Forget of its file is not kept.
    QHash<QString, quint64> m_reading;
    quint64 m_nextToken = 0;
};
