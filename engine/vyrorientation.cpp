// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrorientation.h"

namespace {

// The one table: for each of the eight, indexed by 4 x mirrored + quarter turns, its Exif
// value, its bitmap record code and its name. Everything else is arithmetic on the element.
struct Names
{
    uint32_t m_exif;
    int m_bitmap;
    const char *m_name;
};

constexpr Names kNames[8] = {
    {1, 1, "upright"},         {6, 5, "rotate 90"},  {3, 3, "rotate 180"},    {8, 8, "rotate 270"},
    {2, 2, "flip horizontal"}, {7, 7, "transverse"}, {4, 6, "flip vertical"}, {5, 4, "transpose"},
};

int IndexOf(const VYROrientation &in_orientation)
{
    return (in_orientation.IsMirrored() ? 4 : 0) + in_orientation.QuarterTurns();
}

VYROrientation AtIndex(int in_index)
{
    return VYROrientation::FromTurns(in_index & 3, in_index >= 4);
}

template <typename Value, typename Field>
VYROrientation Find(Value in_value, Field in_field, bool *out_pValid)
{
    for (int i = 0; i < 8; ++i) {
        if (Value(kNames[i].*in_field) == in_value) {
            if (out_pValid)
                *out_pValid = true;
            return AtIndex(i);
        }
    }
    if (out_pValid)
        *out_pValid = false;
    return VYROrientation();
}

} // namespace

VYROrientation VYROrientation::FromExif(uint32_t in_value, bool *out_pValid)
{
    return Find(in_value, &Names::m_exif, out_pValid);
}

VYROrientation VYROrientation::FromCode(int in_code, bool *out_pValid)
{
    const bool valid = in_code >= 0 && in_code <= kTranspose && (in_code & 2) == 0;
    if (out_pValid)
        *out_pValid = valid;
    return valid ? FromTurns(in_code / 4, (in_code & 1) != 0) : VYROrientation();
}

VYROrientation VYROrientation::FromBitmapCode(int in_code, bool *out_pValid)
{
    return Find(in_code, &Names::m_bitmap, out_pValid);
}

uint32_t VYROrientation::ExifValue() const
{
    return kNames[IndexOf(*this)].m_exif;
}

int VYROrientation::BitmapCode() const
{
    return kNames[IndexOf(*this)].m_bitmap;
}

const char *VYROrientation::Name() const
{
    return kNames[IndexOf(*this)].m_name;
}
