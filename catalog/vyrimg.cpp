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

VYROrientation VYRImage::GetTransform() const
{
    if (!HasWork())
        return VYROrientation();
    const VYROrientation mirror = VYROrientation::FromTurns(0, IsFileMirrored());
    return mirror.Then(VYROrientation::FromAngle(m_rotation));
}

int VYRImage::CombineRotation(int in_current, int in_delta)
{
    if (in_current == 0)
        return in_delta;
    // One of the four angles an item holds, and its turn.
    auto turnOf = [](int in_angle, VYROrientation *out_pTurn) {
        bool valid = false;
        *out_pTurn = VYROrientation::FromAngle(in_angle, &valid);
        return valid && out_pTurn->Angle() == in_angle;
    };
    VYROrientation current, delta;
    if (!turnOf(in_current, &current))
        return 0;
    if (!turnOf(in_delta, &delta)) {
        // An unknown delta from -90 gives 0 quietly: the callers only ever pass the four.
        if (in_current != -90)
            QL_ASSERT(in_delta == 0 || in_delta == 90 || in_delta == 180 || in_delta == -90);
        return 0;
    }
    return current.Then(delta).Angle();
}
