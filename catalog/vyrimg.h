// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// VYRImage: one image file of the current folder as the program holds it (path and
// thumbnail), plus the rotation the user asked for and the marks that say who owns it
// while that rotation is pending. The same object is a grid cell's content and a queue
// entry.
#pragma once

#include "qlimg.h"

class VYRImage : public QLImage
{
public:
    // Copies the path, the thumbnail and the rotation parameter of in_image (QLImage's copy
    // construction; throws its QLImageException when the bitmap cannot be copied), and its
    // file's mirror mark. The rotation and the marks start at 0.
    explicit VYRImage(const QLImage &in_image);
    ~VYRImage() override = default;

    // Turns the thumbnail by in_angle (90, 180 or -90; QLImage::Rotate, which throws on an
    // engine failure and leaves the rotation unchanged then), then combines in_angle into
    // the net rotation. Callers hold g_catalogLock.
    void Rotate(int in_angle) override;

    // Adds two rotations modulo 360 and returns one of 0, 90, 180, -90. From 0 the result
    // is in_delta itself, whatever its value. A delta other than 0/90/180/-90 from 90 or
    // 180 is a programming error (a failed assertion) and gives 0; from -90, or from a
    // current value outside the four, the result is 0 without an assertion.
    static int CombineRotation(int in_current, int in_delta);

    // Net rotation still to be applied to the file: 0, 90, 180 or -90 degrees clockwise.
    int GetRotation() const { return m_rotation; }
    // Clears the net rotation and the mirror pending: a job has taken both.
    void ResetRotation()
    {
        m_rotation = 0;
        m_bMirrorPending = 0;
    }
    // Mirror pending: the file's mirror is to be written undone even with a net rotation of 0
    // (Auto Rotate asks for it; a file tagged 2 needs nothing else).
    bool IsMirrorPending() const { return m_bMirrorPending != 0; }
    void SetMirrorPending(bool in_bPending) { m_bMirrorPending = in_bPending ? 1 : 0; }
    // Whether there is anything to write: a net rotation or a mirror pending.
    bool HasWork() const { return m_rotation != 0 || m_bMirrorPending != 0; }
    // The one transform a job writes for what the item holds now: the mirror's undoing (for
    // a mirrored file, as the grid shows it) and then the net rotation. Upright when there is
    // no work.
    VYROrientation GetTransform() const;
    // Detached: no longer in the document's image list; the queue owns the item.
    bool IsDetached() const { return m_bDetached != 0; }
    void SetDetached(bool in_bDetached) { m_bDetached = in_bDetached ? 1 : 0; }
    // Pending: a rotation was queued and is not yet finished.
    bool IsPending() const { return m_bPending != 0; }
    void SetPending(bool in_bPending) { m_bPending = in_bPending ? 1 : 0; }

private:
    // All four are changed only under g_catalogLock.
    int m_rotation = 0;
    int m_bMirrorPending = 0;
    int m_bDetached = 0;
    int m_bPending = 0;
};
