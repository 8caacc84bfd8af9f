// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrautodecision.h"

#include "qlijpg.h"
#include "qlimgfl.h"

#include <QtGlobal>
#include <cerrno>

VYROrientationRead VYRReadOrientation(const QString &in_path, uint32_t *out_pValue,
                                      QString *out_pError)
{
    QLImageFile file;
    errno = 0;
    if (!file.Open(in_path, QL_FILE_READ)) {
        if (out_pError)
            *out_pError = qt_error_string(errno ? errno : EIO);
        return VYROrientationRead::Unreadable;
    }
    QL_IFDTAG tag = {};
    tag.tag = QL_TAG_ORIENTATION;
    if (!QLFindIFDTag(file.GetFile(), &tag))
        return VYROrientationRead::NoInfo;
    if (out_pValue)
        *out_pValue = tag.value;
    return VYROrientationRead::Found;
}
