// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// A light walk over the marker structure of a JPEG stream, without decoding: which frame type
// it is, where the marker segments lie and where the image ends. The lossless rotation uses it
// to keep progressive files progressive and to notice data after the end-of-image marker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct VYRJpegSegment
{
    uint8_t m_marker = 0; // the byte after 0xFF, e.g. 0xE1 for APP1
    size_t m_offset = 0;  // offset of the 0xFF that starts the marker
    size_t m_length = 0;  // whole segment in bytes, marker included (2 for markers without data)
};

struct VYRJpegLayout
{
    bool m_isJpeg = false;      // starts with SOI (FF D8 FF)
    bool m_complete = false;    // an EOI was found after the image data
    bool m_progressive = false; // the frame is SOF2, SOF6, SOF10 or SOF14
    uint8_t m_frameMarker = 0;  // the SOFn marker byte, 0 when none was seen
    size_t m_endOfImage = 0;    // offset just past EOI when complete
    // Segments outside the entropy-coded data, in file order: everything before the first
    // SOS, plus tables and markers between the scans of a progressive file. SOI, SOS headers
    // and EOI are listed too.
    std::vector<VYRJpegSegment> m_segments;
};

// Walks in_pData[0, in_size). Never reads outside the buffer; a stream that breaks off or
// holds a bogus length simply yields m_complete == false.
VYRJpegLayout VYRScanJpeg(const uint8_t *in_pData, size_t in_size);

// True when decoding in_pData holds every coefficient of the picture in memory at once: a
// progressive frame, or a sequential one whose first scan does not carry every component.
// Reads the markers before the first scan only.
bool VYRJpegBuffersWholeImage(const uint8_t *in_pData, size_t in_size);
