// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrautodecision.h"

#include "qlfs.h"
#include "qlijpg.h"
#include "qlimgfl.h"

#include <QFile>
#include <QtGlobal>
#include <cerrno>
#include <cstdio>

VYROrientationRead VYRReadOrientation(const QString &in_path, uint32_t *out_pValue,
                                      QString *out_pError)
{
    // A link to a FIFO or a device is no photo, and opening it could wait for ever.
    QLFileFacts info;
    if (QLStatPath(QFile::encodeName(in_path).constData(), &info) == 0 &&
        info.kind != QLFileKind::Regular)
        return VYROrientationRead::NotJpeg;
    QLImageFile file;
    errno = 0;
    if (!file.Open(in_path, QL_FILE_READ)) {
        if (out_pError)
            *out_pError = qt_error_string(errno ? errno : EIO);
        return VYROrientationRead::Unreadable;
    }
    // The engine's own test for a JPEG (start of image, then a marker): a file that fails it
    // is no photo, which "no orientation information" would not tell the user.
    unsigned char start[3] = {};
    if (std::fread(start, 1, sizeof start, file.GetFile()) != sizeof start || start[0] != 0xFF ||
        start[1] != 0xD8 || start[2] != 0xFF)
        return VYROrientationRead::NotJpeg;
    std::rewind(file.GetFile());
    QL_IFDTAG tag = {};
    tag.tag = QL_TAG_ORIENTATION;
    if (!QLFindIFDTag(file.GetFile(), &tag))
        return VYROrientationRead::NoInfo;
    if (out_pValue)
        *out_pValue = tag.value;
    return VYROrientationRead::Found;
}
