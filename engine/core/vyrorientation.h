// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The eight orientations of a picture, as the one vocabulary of the whole program: the Exif
// Orientation values, the lossless transforms of a file, the orientation codes of a bitmap
// record and the angles of the pure turns are all names of one of these eight.
//
// An orientation is the transform that brings the stored picture to the one meant to be seen:
// mirrored left-right first when mirrored, then turned clockwise by 0-3 quarter turns. Here is
// what each Exif value stores, for a picture of an F that is meant to be seen as the first one:
//
//     1       2       3       4         5           6           7           8
//
//   888888  888888      88  88      8888888888  88                  88  8888888888
//   88          88      88  88      88  88      88  88          88  88      88  88
//   8888      8888    8888  8888    88          8888888888  8888888888          88
//   88          88      88  88
//   88          88  888888  888888
//
// The transform that shows each (what Exif asks a viewer to do): 1 none, 2 mirror left-right,
// 3 turn 180, 4 mirror top-bottom, 5 transpose, 6 turn 90 clockwise, 7 transverse, 8 turn 90
// counter-clockwise. 5-8 exchange width and height.
//
// They form a group (the symmetries of a rectangle's corners): any two done one after the
// other are again one of the eight, and each has one that undoes it. That is what lets a job
// write a photo's mirror undone and a user's turn as a single lossless transform.
#pragma once

#include <cstdint>

class VYROrientation
{
public:
    // File transform codes, what the engine's RotateFile and the coefficient turn take:
    // 4 x quarter turns clockwise, plus 1 when mirrored left-right first. The three turns
    // keep the codes callers have always passed (4, 8, 12); the mirrored ones follow from
    // the same rule, so a code is the group element itself and never needs a table.
    enum Code : int
    {
        kNone = 0,
        kFlipHorizontal = 1, // mirror left-right
        kRotate90 = 4,       // a quarter turn clockwise
        kTransverse = 5,     // mirrored, then a quarter turn: transposed and turned 180
        kRotate180 = 8,
        kFlipVertical = 9, // mirror top-bottom: mirrored, then a half turn
        kRotate270 = 12,   // a quarter turn counter-clockwise
        kTranspose = 13,   // mirrored, then three quarter turns: x and y swapped
    };

    constexpr VYROrientation() = default; // upright: nothing to do
    // in_quarterTurns clockwise (any integer, taken modulo 4) after an optional mirror.
    static constexpr VYROrientation FromTurns(int in_quarterTurns, bool in_mirrored = false)
    {
        return VYROrientation(((in_quarterTurns % 4) + 4) % 4, in_mirrored);
    }
    // A clockwise angle in degrees (90, 180, -90, 270, 0, any multiple of 90); false in
    // *out_pValid (when given) and upright for any other angle.
    static constexpr VYROrientation FromAngle(int in_degrees, bool *out_pValid = nullptr)
    {
        const bool valid = in_degrees % 90 == 0;
        if (out_pValid)
            *out_pValid = valid;
        return valid ? FromTurns(in_degrees / 90) : VYROrientation();
    }
    // An Exif Orientation value 1-8; false in *out_pValid and upright for any other value
    // (which Exif readers treat as upright).
    static constexpr VYROrientation FromExif(uint32_t in_value, bool *out_pValid = nullptr)
    {
        for (int i = 0; i < 8; ++i) {
            if (kTable[i].m_exif == in_value)
                return Found(i, out_pValid);
        }
        return Found(-1, out_pValid);
    }
    // A file transform code (see Code); false and upright for any other number.
    static constexpr VYROrientation FromCode(int in_code, bool *out_pValid = nullptr)
    {
        const bool valid = in_code >= 0 && in_code <= kTranspose && (in_code & 2) == 0;
        if (out_pValid)
            *out_pValid = valid;
        return valid ? FromTurns(in_code / 4, (in_code & 1) != 0) : VYROrientation();
    }
    // A bitmap record's orientation code 1-8 (see VYR_ORIENT_* in vyrengine.h); false and
    // upright for any other number.
    static constexpr VYROrientation FromBitmapCode(int in_code, bool *out_pValid = nullptr)
    {
        for (int i = 0; i < 8; ++i) {
            if (kTable[i].m_bitmap == in_code)
                return Found(i, out_pValid);
        }
        return Found(-1, out_pValid);
    }

    constexpr int QuarterTurns() const { return m_turns; } // clockwise, after the mirror
    constexpr bool IsMirrored() const { return m_mirrored; }
    constexpr bool IsUpright() const { return m_turns == 0 && !m_mirrored; }
    // True for the four that exchange width and height.
    constexpr bool SwapsAxes() const { return (m_turns & 1) != 0; }
    // Where the transform takes the stored picture's columns and rows: a column that ends up
    // counted from the other side is reversed (the right edge becomes the left or top edge).
    constexpr bool ReversesColumns() const { return m_mirrored != (m_turns >= 2); }
    constexpr bool ReversesRows() const { return m_turns == 1 || m_turns == 2; }

    constexpr uint32_t ExifValue() const { return kTable[Index()].m_exif; }
    constexpr int Code() const { return 4 * m_turns + (m_mirrored ? 1 : 0); }
    constexpr int BitmapCode() const { return kTable[Index()].m_bitmap; }
    // The clockwise turn in degrees of a pure turn: 0, 90, 180 or -90, as the task list and
    // the log speak of it. Of a mirrored orientation, the turn that follows its mirror.
    constexpr int Angle() const { return m_turns == 3 ? -90 : 90 * m_turns; }
    // A short English name for traces and test messages ("transpose", "rotate 90", ...).
    constexpr const char *Name() const { return kTable[Index()].m_name; }

    // This orientation and then in_after: the one transform that does both.
    constexpr VYROrientation Then(VYROrientation in_after) const
    {
        // A mirror reverses the sense of the turns done before it.
        return FromTurns(in_after.m_turns + (in_after.m_mirrored ? -m_turns : m_turns),
                         m_mirrored != in_after.m_mirrored);
    }
    // The transform that undoes this one.
    constexpr VYROrientation Inverse() const { return m_mirrored ? *this : FromTurns(-m_turns); }

    constexpr bool operator==(VYROrientation in_other) const
    {
        return m_turns == in_other.m_turns && m_mirrored == in_other.m_mirrored;
    }
    constexpr bool operator!=(VYROrientation in_other) const { return !(*this == in_other); }

private:
    // The one table: for each of the eight, indexed by 4 x mirrored + quarter turns, its Exif
    // value, its bitmap record code and its name. Everything else is arithmetic on the element.
    struct Names
    {
        uint32_t m_exif;
        int m_bitmap;
        const char *m_name;
    };
    static constexpr Names kTable[8] = {
        {1, 1, "upright"},       {6, 5, "rotate 90"},       {3, 3, "rotate 180"},
        {8, 8, "rotate 270"},    {2, 2, "flip horizontal"}, {7, 7, "transverse"},
        {4, 6, "flip vertical"}, {5, 4, "transpose"},
    };

    constexpr VYROrientation(int in_turns, bool in_mirrored)
        : m_turns(in_turns), m_mirrored(in_mirrored)
    {
    }
    constexpr int Index() const { return (m_mirrored ? 4 : 0) + m_turns; }
    static constexpr VYROrientation Found(int in_index, bool *out_pValid)
    {
        if (out_pValid)
            *out_pValid = in_index >= 0;
        return in_index >= 0 ? FromTurns(in_index & 3, in_index >= 4) : VYROrientation();
    }

    int m_turns = 0;
    bool m_mirrored = false;
};
