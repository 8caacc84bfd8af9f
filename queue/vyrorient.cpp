// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrorient.h"

#include "qlijpg.h"
#include "qlimgfl.h"
#include "qltrace.h"
#include "rotatethread.h"

#include <cstdio>

bool VYRResetOrientation(const QString &in_path)
{
    QLImageFile file;
    // Mode 3, "r+b": the entry is rewritten in place, the rest of the file stays as written.
    if (!file.Open(in_path, QL_FILE_UPDATE))
        return false;
    QL_IFDTAG tag = {};
    tag.tag = VYR_TAG_ORIENTATION;
    bool written = false;
    if (QLFindIFDTag(file.GetFile(), &tag) && tag.value != VYR_ORIENTATION_UPRIGHT) {
        tag.value = VYR_ORIENTATION_UPRIGHT;
        written = QLWriteIFDTag(file.GetFile(), &tag);
        if (!written)
            QLTrace("%s", VYRWorkerText::kTagError);
        std::fflush(file.GetFile());
    }
    file.Close();
    return written;
}
