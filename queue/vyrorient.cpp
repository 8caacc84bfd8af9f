// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrorient.h"

#include "qlijpg.h"
#include "qlimg.h"

VYROrientation VYRAutoRotateTransform(uint32_t in_value)
{
    // An unknown value reads as upright.
    return VYROrientation::FromExif(in_value);
}

int VYRAngleForOrientation(uint32_t in_value)
{
    return VYRAutoRotateTransform(in_value).Angle();
}

void VYRRotatePhoto(const QString &in_source, const QString &in_destination, int in_code,
                    bool in_allowReplace, VYRRotateReport *out_pReport)
{
    // The engine sets every copy of the orientation to 1 with the turn, or refuses the photo.
    VYRRotateOptions options;
    options.m_allowReplace = in_allowReplace;
    options.m_pReport = out_pReport;
    QLRotateFile(in_source, in_destination, in_code, &options);
}
