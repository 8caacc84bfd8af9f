// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The desktop's shared thumbnail cache, as the freedesktop.org Thumbnail Managing Standard
// lays it out: $XDG_CACHE_HOME/thumbnails (or ~/.cache/thumbnails when that is unset or not
// absolute), one folder per size class (normal 128, large 256, x-large 512, xx-large 1024), each
// entry a PNG named after the MD5 of the photo's file URI and carrying Thumb::URI and
// Thumb::MTime, which tell whether it still describes the file. Entries hold the picture as
// file managers show it: with the photo's Exif orientation applied.
//
// Also where the browse takes its thumbnail sources from (VYRSetThumbSources): the engine's
// browse has a fixed argument list, so the window and the command line set them here first.
#pragma once

#include "core/vyrorientation.h"
#include "file/vyrreadfile.h"

#include <QImage>
#include <QSize>
#include <QString>

// Where the thumbnails of a browse may come from besides a decode of the photo.
struct VYRThumbSources
{
    bool m_useEmbedded = true;  // the Exif thumbnail or an MPF preview, when it is good enough
    int m_tolerancePercent = 0; // how far such a preview may fall short of the box, 0-50
    bool m_readShared = true;   // valid entries of the shared cache
    bool m_writeShared = true;  // entries written for the photos decoded
    QString m_cacheRoot;        // the thumbnails folder; empty: from the environment
};

// The sources later browses use (safe from any thread; a browse reads them once, at its start).
void VYRSetThumbSources(const VYRThumbSources &in_sources);
VYRThumbSources VYRGetThumbSources();

// The thumbnails folder: in_sources.m_cacheRoot, or $XDG_CACHE_HOME/thumbnails, or
// $HOME/.cache/thumbnails. Empty when none can be told (no home).
QString VYRSharedThumbRoot(const VYRThumbSources &in_sources);

// The file URI of in_path (made absolute, not resolved through links): "file://" and the
// path's bytes with everything but letters, digits and -._~!$&'()*+,;=:@/ escaped as %XX.
QByteArray VYRSharedThumbUri(const QString &in_path);
// The entry's name: the MD5 of the URI in lower-case hex, and ".png".
QString VYRSharedThumbName(const QByteArray &in_uri);

// The photo as the shared cache speaks of it.
struct VYRSharedThumbPhoto
{
    QString m_path;
    VYRFileIdentity m_identity; // as read: size and mtime
    int m_width = 0;            // the stored picture's size
    int m_height = 0;
    VYROrientation m_exif;       // the photo's Exif orientation (what entries have applied)
    bool m_trustForeign = false; // whether other programs' entries may be used
};

// Reads a valid entry for a in_box box: of a size class at least as large as the box, its
// Thumb::URI the photo's URI and its Thumb::MTime the photo's mtime in seconds, written by
// Veyra or (when m_trustForeign) by anyone. *out_pPicture receives it turned back to the
// photo's stored orientation. False when there is none, or it cannot be read.
bool VYRReadSharedThumb(const VYRThumbSources &in_sources, const VYRSharedThumbPhoto &in_photo,
                        QSize in_box, QImage *out_pPicture);

// The size class edge an entry for a in_box box is written at (128, 256, 512, 1024), 0 when
// the box is larger than all of them.
int VYRSharedThumbClassFor(QSize in_box);

// Writes the entry of the size class for in_classEdge from in_picture (the photo in its
// stored orientation, fitted to that class): the Exif orientation applied, the standard's
// keys set, written to a temporary file of mode 0600 in the class folder (made with mode
// 0700) and renamed over the entry. Nothing is written when the photo is no longer the file
// that was read, or lies inside the thumbnails folder. Returns true when the entry was written.
bool VYRWriteSharedThumb(const VYRThumbSources &in_sources, const VYRSharedThumbPhoto &in_photo,
                         int in_classEdge, const QImage &in_picture);

// Deletes the entries of in_path in every size class and in the failure folders, so that no
// program shows its old picture after the file was rewritten. Call it right after a photo was
// written. Returns how many entries were deleted; never throws.
int VYRForgetSharedThumbnails(const QString &in_path) noexcept;

// in_picture shown as in_orientation says (mirrored first, then turned clockwise).
QImage VYRApplyOrientation(const QImage &in_picture, VYROrientation in_orientation);
