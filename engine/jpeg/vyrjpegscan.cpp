// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrjpegscan.h"

namespace {

bool IsStandalone(uint8_t in_marker)
{
    // SOI, EOI, RSTn and TEM carry no length field.
    return in_marker == 0xD8 || in_marker == 0xD9 || (in_marker >= 0xD0 && in_marker <= 0xD7) ||
           in_marker == 0x01;
}

bool IsFrame(uint8_t in_marker)
{
    // SOF0..SOF15 except DHT (C4), JPG (C8) and DAC (CC).
    return in_marker >= 0xC0 && in_marker <= 0xCF && in_marker != 0xC4 && in_marker != 0xC8 &&
           in_marker != 0xCC;
}

} // namespace

VYRJpegLayout VYRScanJpeg(const uint8_t *in_pData, size_t in_size)
{
    VYRJpegLayout layout;
    if (!in_pData || in_size < 3 || in_pData[0] != 0xFF || in_pData[1] != 0xD8 ||
        in_pData[2] != 0xFF)
        return layout;
    layout.m_isJpeg = true;
    layout.m_segments.push_back({0xD8, 0, 2});

    size_t pos = 2;
    bool inScan = false;
    while (pos < in_size) {
        if (inScan) {
            // Entropy-coded data: only 0xFF followed by something other than a stuffed zero,
            // a restart marker or fill bytes ends it.
            if (in_pData[pos] != 0xFF) {
                ++pos;
                continue;
            }
            if (pos + 1 >= in_size)
                break;
            const uint8_t next = in_pData[pos + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                pos += 2;
                continue;
            }
            if (next == 0xFF) {
                ++pos;
                continue;
            }
            inScan = false;
            continue;
        }

        if (in_pData[pos] != 0xFF) {
            // Garbage between segments: libjpeg skips it with a warning; so do we.
            ++pos;
            continue;
        }
        // Fill bytes before a marker.
        size_t markerPos = pos;
        while (markerPos + 1 < in_size && in_pData[markerPos + 1] == 0xFF)
            ++markerPos;
        if (markerPos + 1 >= in_size)
            break;
        const uint8_t marker = in_pData[markerPos + 1];
        if (marker == 0xD9) {
            layout.m_segments.push_back({marker, markerPos, 2});
            layout.m_complete = true;
            layout.m_endOfImage = markerPos + 2;
            break;
        }
        if (IsStandalone(marker)) {
            layout.m_segments.push_back({marker, markerPos, 2});
            pos = markerPos + 2;
            continue;
        }
        if (markerPos + 3 >= in_size)
            break;
        const size_t length = (size_t(in_pData[markerPos + 2]) << 8) | in_pData[markerPos + 3];
        if (length < 2 || markerPos + 2 + length > in_size)
            break;
        layout.m_segments.push_back({marker, markerPos, length + 2});
        if (IsFrame(marker) && layout.m_frameMarker == 0) {
            layout.m_frameMarker = marker;
            layout.m_progressive =
                marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
        }
        pos = markerPos + 2 + length;
        if (marker == 0xDA)
            inScan = true;
    }
    return layout;
}

bool VYRJpegBuffersWholeImage(const uint8_t *in_pData, size_t in_size)
{
    if (!in_pData || in_size < 4 || in_pData[0] != 0xFF || in_pData[1] != 0xD8)
        return false;
    int frameComponents = 0;
    size_t pos = 2;
    while (pos + 1 < in_size) {
        if (in_pData[pos] != 0xFF) {
            ++pos; // garbage between segments
            continue;
        }
        const uint8_t marker = in_pData[pos + 1];
        if (marker == 0xFF) {
            ++pos; // fill byte
            continue;
        }
        if (IsStandalone(marker)) {
            if (marker == 0xD9)
                return false;
            pos += 2;
            continue;
        }
        if (pos + 3 >= in_size)
            return false;
        const size_t length = (size_t(in_pData[pos + 2]) << 8) | in_pData[pos + 3];
        if (length < 2 || pos + 2 + length > in_size)
            return false;
        if (IsFrame(marker)) {
            if (marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE)
                return true;
            if (length >= 8)
                frameComponents = in_pData[pos + 9];
        } else if (marker == 0xDA) {
            return length >= 3 && in_pData[pos + 4] < frameComponents;
        }
        pos += 2 + length;
    }
    return false;
}
