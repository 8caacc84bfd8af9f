// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrsidecar.h"

#include "file/vyratomicfile.h"
#include "jpeg/vyrjpegscan.h"
#include "meta/vyrxmpedit.h"
#include "qlfs.h"
#include "qltrace.h"
#include "vyrengine.h"
#include "vyrjournal.h"
#include "vyrsha256.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A sidecar is a few kilobytes; anything far larger is not one to edit in memory.
constexpr qint64 kMaxSidecarBytes = 16 << 20;

// The picture's size from its frame header; false when there is none.
bool FrameSize(const uint8_t *in_pData, size_t in_size, int *out_pWidth, int *out_pHeight)
{
    const VYRJpegLayout layout = VYRScanJpeg(in_pData, in_size);
    for (const VYRJpegSegment &segment : layout.m_segments) {
        if (segment.m_marker != layout.m_frameMarker || segment.m_length < 9 ||
            segment.m_offset + 9 > in_size)
            continue;
        const uint8_t *p = in_pData + segment.m_offset;
        *out_pHeight = (p[5] << 8) | p[6];
        *out_pWidth = (p[7] << 8) | p[8];
        return true;
    }
    return false;
}

// The names a sidecar of in_photo may have, in the photo's folder.
QStringList SidecarNames(const QFileInfo &in_photo)
{
    QStringList names;
    for (const QString &base : {in_photo.completeBaseName(), in_photo.fileName()})
        for (const char *extension : {".xmp", ".XMP"})
            names << base + QLatin1String(extension);
    return names;
}

} // namespace

QStringList VYRSidecarsOf(const QString &in_photo)
{
    const QFileInfo photo(in_photo);
    QStringList found;
    for (const QString &name : SidecarNames(photo)) {
        const QString path = photo.dir().filePath(name);
        // On a file system that ignores case both spellings name one file: list it once.
        if (QFileInfo(path).isFile() && !found.contains(path, Qt::CaseInsensitive))
            found << path;
    }
    return found;
}

VYRSidecarEdit::VYRSidecarEdit(const QString &in_source, const QString &in_destination,
                               bool in_allowReplace)
    : m_allowReplace(in_allowReplace)
{
    const QFileInfo source(in_source);
    const QFileInfo destination(in_destination);
    for (const QString &path : VYRSidecarsOf(in_source)) {
        Sidecar sidecar;
        sidecar.m_source = path;
        // "IMG_1.xmp" goes with the output's base name, "IMG_1.jpg.xmp" with its whole name.
        const QString name = QFileInfo(path).fileName();
        const bool wholeName = name.startsWith(source.fileName() + QLatin1Char('.'));
        const QString suffix =
            name.mid(wholeName ? source.fileName().size() : source.completeBaseName().size());
        sidecar.m_destination = destination.dir().filePath(
            (wholeName ? destination.fileName() : destination.completeBaseName()) + suffix);
        m_sidecars << sidecar;
    }
}

int VYRSidecarEdit::Read()
{
    for (Sidecar &sidecar : m_sidecars) {
        QByteArray bytes;
        if (VYRReadPhotoFile(sidecar.m_source, &bytes, &sidecar.m_read) != VYR_SUCCESS ||
            bytes.size() > kMaxSidecarBytes)
            return VYR_ERR_SIDECAR;
        sidecar.m_before = bytes;
    }
    return VYR_SUCCESS;
}

int VYRSidecarEdit::Write(const uint8_t *in_pPhoto, size_t in_size, VYRJournal *in_pJournal,
                          qint64 in_batch)
{
    int width = 0, height = 0;
    if (!FrameSize(in_pPhoto, in_size, &width, &height))
        return VYR_ERR_SIDECAR;
    for (Sidecar &sidecar : m_sidecars) {
        QByteArray payload = kVYRXmpIdentifier + sidecar.m_before;
        if (VYREditXmp(&payload, width, height, QFile::encodeName(sidecar.m_source), true) !=
            VYR_SUCCESS)
            return VYR_ERR_SIDECAR;
        sidecar.m_after = payload.mid(kVYRXmpIdentifier.size());
    }
    m_pJournal = in_pJournal;
    for (Sidecar &sidecar : m_sidecars) {
        const bool inPlace = sidecar.m_source == sidecar.m_destination;
        if (inPlace && sidecar.m_after == sidecar.m_before)
            continue; // nothing in it to follow the turn
        VYRAtomicFile output;
        VYRAtomicFile::Guard guard;
        guard.m_source = sidecar.m_source;
        guard.m_sourceRead = sidecar.m_read;
        guard.m_allowReplace = m_allowReplace;
        int rc = output.Prepare(sidecar.m_destination, sidecar.m_read.m_mode, guard);
        if (rc == VYR_SUCCESS && in_pJournal) {
            VYRTurnRecord record;
            record.m_batch = in_batch;
            record.m_path = sidecar.m_destination;
            record.m_source = sidecar.m_source;
            record.m_transform = VYR_JOURNAL_SIDECAR;
            record.m_after.m_exists = true;
            record.m_after.m_size = sidecar.m_after.size();
            record.m_after.m_digest = VYRSha256(sidecar.m_after);
            sidecar.m_record = in_pJournal->BeginTurn(record, &rc);
            if (!sidecar.m_record) {
                Finish(false);
                return rc;
            }
            rc = VYR_SUCCESS;
        }
        if (rc == VYR_SUCCESS)
            rc = output.Commit(reinterpret_cast<const uint8_t *>(sidecar.m_after.constData()),
                               size_t(sidecar.m_after.size()));
        if (rc != VYR_SUCCESS) {
            Finish(false);
            return VYR_ERR_SIDECAR;
        }
        sidecar.m_written = true;
    }
    return VYR_SUCCESS;
}

void VYRSidecarEdit::PutBack(Sidecar &inout_sidecar)
{
    const QByteArray target = QFile::encodeName(inout_sidecar.m_destination);
    if (inout_sidecar.m_source != inout_sidecar.m_destination) {
        QLRemoveFile(target.constData()); // a sidecar this job created beside its output
        return;
    }
    QLFileFacts now;
    if (QLStatPath(target.constData(), &now) != 0)
        return;
    VYRAtomicFile output;
    VYRAtomicFile::Guard guard;
    guard.m_source = inout_sidecar.m_destination;
    guard.m_sourceRead = VYRIdentityOf(now);
    if (output.Prepare(inout_sidecar.m_destination, inout_sidecar.m_read.m_mode, guard) !=
            VYR_SUCCESS ||
        output.Commit(reinterpret_cast<const uint8_t *>(inout_sidecar.m_before.constData()),
                      size_t(inout_sidecar.m_before.size())) != VYR_SUCCESS)
        QLTrace("Could not put back the sidecar '%s'\n", target.constData());
}

void VYRSidecarEdit::Finish(bool in_photoWritten)
{
    for (Sidecar &sidecar : m_sidecars) {
        if (sidecar.m_written && !in_photoWritten)
            PutBack(sidecar);
        if (sidecar.m_record && m_pJournal) {
            if (in_photoWritten && sidecar.m_written)
                m_pJournal->CommitTurn(sidecar.m_record);
            else
                m_pJournal->AbandonTurn(sidecar.m_record);
        }
        sidecar.m_record = 0;
        sidecar.m_written = false;
    }
}
