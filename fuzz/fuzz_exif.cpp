// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The Exif search and write on arbitrary bytes: the marker search, the Exif header, the IFD0
// walk and the in-place rewrite of one entry, as the worker's Orientation reset and Auto Rotate
// use them. Invariants: nothing reads or writes outside the data; a rewrite changes at most
// the 12 bytes of one entry and never the length; the entry then reads back as written.
#include "fuzzcheck.h"
#include "qlijpg.h"
#include "vyrorient.h"

#include <cstring>
#include <vector>

namespace {

FILE *ReadStream(const QByteArray &in_bytes)
{
    // Read-only: fmemopen cannot add a byte to a stream it may not write.
    return fmemopen(const_cast<char *>(in_bytes.constData()), size_t(in_bytes.size()), "rb");
}

void SearchOnly(const QByteArray &in_bytes)
{
    if (in_bytes.isEmpty())
        return;
    FILE *file = ReadStream(in_bytes);
    FUZZ_CHECK(file);
    const int length = QLFindJpegMarker(file, QL_JPEG_APP1);
    if (length > 0) {
        // The length is the segment's own claim: a file cut short may end inside it.
        FUZZ_CHECK(std::ftell(file) >= 4);
        QL_EXIFHEADER header;
        std::memset(&header, 0, sizeof(header));
        QLReadExifHeader(file, &header);
    }
    std::rewind(file);
    QLIsCompleteJpeg(file);
    std::fclose(file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *in_pData, size_t in_size)
{
    Fuzz::QuietTraces();
    const QByteArray bytes = Fuzz::Bytes(in_pData, in_size);
    SearchOnly(bytes);
    if (bytes.isEmpty())
        return 0;

    // Any tag, not only the Orientation: the last byte picks one of the common ones.
    static const uint16_t kTags[] = {274, 256, 257, 271, 282, 296, 34665, 513};
    const uint16_t tagNumber = kTags[uint8_t(bytes.back()) % (sizeof(kTags) / sizeof(kTags[0]))];
    QL_IFDTAG found = {};
    found.tag = tagNumber;
    FILE *file = ReadStream(bytes);
    FUZZ_CHECK(file);
    const bool present = QLFindIFDTag(file, &found);
    std::fclose(file);
    if (present)
        FUZZ_CHECK(found.tag == tagNumber);

    // The worker's reset, on a copy: only an Orientation entry's 12 bytes may change.
    QByteArray copy = bytes;
    const bool ok =
        VYRResetOrientationInMemory(reinterpret_cast<uint8_t *>(copy.data()), size_t(copy.size()));
    FUZZ_CHECK(copy.size() == bytes.size());
    qsizetype first = -1, last = -1;
    for (qsizetype i = 0; i < copy.size(); ++i) {
        if (copy[i] != bytes[i]) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first >= 0) {
        FUZZ_CHECK(ok);
        FUZZ_CHECK(last - first < 12);
        QL_IFDTAG orientation = {};
        orientation.tag = QL_TAG_ORIENTATION;
        FILE *again = ReadStream(copy);
        FUZZ_CHECK(again);
        FUZZ_CHECK(QLFindIFDTag(again, &orientation));
        std::fclose(again);
        // A SHORT of count 1 holds the number in its first two bytes; others the whole word.
        FUZZ_CHECK(orientation.value == QL_ORIENT_UPRIGHT);
    }
    return 0;
}
