// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The marker walks on arbitrary bytes: the engine's layout walk (which the rotation and the
// thumbnails rely on) and the Exif code's marker search. Invariants: every segment lies inside
// the data, in file order, without overlap; a complete stream ends exactly after its EOI; the
// marker search finds a segment that the layout walk also lists.
#include "fuzzcheck.h"
#include "jpeg/vyrjpegscan.h"
#include "qlijpg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *in_pData, size_t in_size)
{
    Fuzz::QuietTraces();
    const VYRJpegLayout layout = VYRScanJpeg(in_pData, in_size);
    VYRJpegBuffersWholeImage(in_pData, in_size);
    if (!layout.m_isJpeg) {
        FUZZ_CHECK(layout.m_segments.empty());
        return 0;
    }
    size_t end = 0;
    for (const VYRJpegSegment &segment : layout.m_segments) {
        FUZZ_CHECK(segment.m_offset >= end);
        FUZZ_CHECK(segment.m_length >= 2);
        FUZZ_CHECK(segment.m_offset + segment.m_length <= in_size);
        FUZZ_CHECK(in_pData[segment.m_offset] == 0xFF);
        FUZZ_CHECK(in_pData[segment.m_offset + 1] == segment.m_marker);
        end = segment.m_offset + segment.m_length;
    }
    if (layout.m_complete) {
        FUZZ_CHECK(layout.m_segments.back().m_marker == 0xD9);
        FUZZ_CHECK(layout.m_endOfImage == end && layout.m_endOfImage <= in_size);
    }

    const QByteArray bytes = Fuzz::Bytes(in_pData, in_size);
    FILE *file = fmemopen(const_cast<char *>(bytes.constData()), in_size, "rb");
    FUZZ_CHECK(file);
    const int length = QLFindJpegMarker(file, QL_JPEG_APP1);
    const long payload = std::ftell(file);
    if (length >= 0 && payload + length <= long(in_size)) {
        // The search stops at the first scan; the walk lists that APP1 too, at the same place
        // (a segment the file is too short to hold ends the walk instead).
        bool listed = false;
        for (const VYRJpegSegment &segment : layout.m_segments) {
            if (segment.m_marker == 0xE1 && long(segment.m_offset) + 4 == payload) {
                FUZZ_CHECK(segment.m_length == size_t(length) + 4);
                listed = true;
                break;
            }
        }
        FUZZ_CHECK(listed);
    }
    std::fclose(file);
    return 0;
}
