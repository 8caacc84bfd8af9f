// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrimg.h"

#include "qltrace.h"

VYRImage::VYRImage(const QLImage &in_image) : QLImage(in_image) {}

void VYRImage::Rotate(int in_angle)
{
    // Turn the thumbnail first: when the engine throws, the net rotation must not claim a
    // turn that the picture on screen does not show.
    QLImage::Rotate(in_angle);
    m_rotation = CombineRotation(m_rotation, in_angle);
}

int VYRImage::CombineRotation(int in_current, int in_delta)
{
    switch (in_current) {
    case 0:
        return in_delta;
    case 90:
        switch (in_delta) {
        case 0:
            return 90;
        case 90:
            return 180;
        case 180:
            return -90;
        case -90:
            return 0;
        }
        QL_ASSERT(in_delta == 0 || in_delta == 90 || in_delta == 180 || in_delta == -90);
        return 0;
    case 180:
        switch (in_delta) {
        case 0:
            return 180;
        case 90:
            return -90;
        case 180:
            return 0;
        case -90:
            return 90;
        }
        QL_ASSERT(in_delta == 0 || in_delta == 90 || in_delta == 180 || in_delta == -90);
        return 0;
    case -90:
        // An unknown delta from here gives 0 quietly: the callers only ever pass the four.
        switch (in_delta) {
        case 0:
            return -90;
        case 90:
            return 0;
        case 180:
            return 90;
        case -90:
            return 180;
        }
        return 0;
    default:
        return 0;
    }
}
