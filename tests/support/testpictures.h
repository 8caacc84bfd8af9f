// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Pictures with a known upright for the suites of suggested turns: a printed page and a
// picture with nothing in it to go by, and a writer that stores them as JPEG photos.
#pragma once

#include <QImage>
#include <QString>

namespace TestPictures {

// A printed page: lines of ordinary prose, as a scan or a phone photo of a document shows it.
// Whole blocks on both sides, so that a turn trims nothing.
QImage TextPage();
// A plain sky-to-grass gradient: no face, no text.
QImage Gradient();
// Writes in_picture as in_dir/in_name, with no Exif for orientation 0, else with that tag.
// Returns the path, or an empty text when it could not be written.
QString Write(const QString &in_dir, const QString &in_name, const QImage &in_picture,
              int in_orientation = 0);

} // namespace TestPictures
