// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The Exif search and write on arbitrary bytes: the marker search, the Exif header, the IFD0
// walk and the in-place rewrite of one entry, as Auto Rotate uses them, and the engine's edit
// of the same block. Invariants: nothing reads or writes outside the data; a rewrite changes
// at most the 12 bytes of one entry and never the length; the entry then reads back as
// written; the engine's edit either refuses the block untouched or leaves an Orientation that
// the tag search finds upright.
#include "fuzzcheck.h"
#include "meta/vyrexifedit.h"
#include "qlijpg.h"
#include "vyrengine.h"

#include <algorithm>
#include <cstring>

namespace {

struct Buffer
{
    QByteArray *m_pBytes;
    size_t m_pos;
};

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

// A stdio update stream over a fixed buffer that never adds a byte (fmemopen may write a
// NUL after the last byte written).
ssize_t BufferRead(void *in_pCookie, char *out_pBuffer, size_t in_count)
{
    auto *buffer = static_cast<Buffer *>(in_pCookie);
    const size_t size = size_t(buffer->m_pBytes->size());
    const size_t n = buffer->m_pos < size ? std::min(in_count, size - buffer->m_pos) : 0;
    std::memcpy(out_pBuffer, buffer->m_pBytes->constData() + buffer->m_pos, n);
    buffer->m_pos += n;
    return ssize_t(n);
}

ssize_t BufferWrite(void *in_pCookie, const char *in_pData, size_t in_count)
{
    auto *buffer = static_cast<Buffer *>(in_pCookie);
    const size_t size = size_t(buffer->m_pBytes->size());
    if (buffer->m_pos > size || in_count > size - buffer->m_pos)
        return -1;
    std::memcpy(buffer->m_pBytes->data() + buffer->m_pos, in_pData, in_count);
    buffer->m_pos += in_count;
    return ssize_t(in_count);
}

int BufferSeek(void *in_pCookie, off64_t *inout_pOffset, int in_whence)
{
    auto *buffer = static_cast<Buffer *>(in_pCookie);
    const off64_t base = in_whence == SEEK_CUR   ? off64_t(buffer->m_pos)
                         : in_whence == SEEK_END ? off64_t(buffer->m_pBytes->size())
                                                 : 0;
    if (base + *inout_pOffset < 0)
        return -1;
    buffer->m_pos = size_t(base + *inout_pOffset);
    *inout_pOffset = off64_t(buffer->m_pos);
    return 0;
}

int BufferClose(void *in_pCookie)
{
    delete static_cast<Buffer *>(in_pCookie);
    return 0;
}

FILE *UpdateStream(QByteArray *inout_pBytes)
{
    const cookie_io_functions_t io = {&BufferRead, &BufferWrite, &BufferSeek, &BufferClose};
    return fopencookie(new Buffer{inout_pBytes, 0}, "r+", io);
}

bool ReadsUpright(const QByteArray &in_bytes)
{
    QL_IFDTAG orientation = {};
    orientation.tag = QL_TAG_ORIENTATION;
    FILE *file = ReadStream(in_bytes);
    FUZZ_CHECK(file);
    const bool found = QLFindIFDTag(file, &orientation);
    std::fclose(file);
    // A SHORT of count 1 holds the number in its first two bytes; others the whole word.
    return found && orientation.value == QL_ORIENT_UPRIGHT;
}

// The engine's edit of the same block, when the first APP1 is Exif and lies whole in the
// data: refused with the block untouched, or made upright where the tag search looks.
void CheckEngineEdit(const QByteArray &in_bytes, bool in_hasOrientation)
{
    FILE *file = ReadStream(in_bytes);
    FUZZ_CHECK(file);
    const int length = QLFindJpegMarker(file, QL_JPEG_APP1);
    const long at = std::ftell(file);
    std::fclose(file);
    if (length < 6 || at < 4 || at + length > in_bytes.size())
        return;
    const QByteArray payload = in_bytes.mid(at, length);
    if (!payload.startsWith(QByteArray("Exif\0", 5)))
        return;
    QByteArray edited = payload;
    VYRExifEdit edit;
    edit.m_code = VYR_ROTATE_180;
    edit.m_width = 8;
    edit.m_height = 8;
    const int rc = VYREditExif(&edited, edit);
    FUZZ_CHECK(rc == VYR_SUCCESS || rc == VYR_ERR_METADATA_DAMAGED);
    if (rc != VYR_SUCCESS) {
        FUZZ_CHECK(edited == payload);
        return;
    }
    FUZZ_CHECK(edited.size() <= qsizetype(kVYRMaxSegmentPayload));
    const qsizetype segmentLength = edited.size() + 2;
    QByteArray photo = in_bytes.left(at - 2);
    photo.append(char(segmentLength >> 8)).append(char(segmentLength & 0xFF)).append(edited);
    photo.append(in_bytes.mid(at + length));
    // Whatever the tag search finds there, the edit has made upright.
    if (in_hasOrientation)
        FUZZ_CHECK(ReadsUpright(photo));
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

    // The rewrite of the Orientation, on a copy: only that entry's 12 bytes may change.
    QByteArray copy = bytes;
    QL_IFDTAG upright = {};
    upright.tag = QL_TAG_ORIENTATION;
    FILE *update = UpdateStream(&copy);
    FUZZ_CHECK(update);
    const bool hasOrientation = QLFindIFDTag(update, &upright);
    upright.type = 3;
    upright.count = 1;
    upright.value = QL_ORIENT_UPRIGHT;
    const bool written = QLWriteIFDTag(update, &upright);
    FUZZ_CHECK(std::fclose(update) == 0);
    FUZZ_CHECK(written == hasOrientation);
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
        FUZZ_CHECK(written);
        FUZZ_CHECK(last - first < 12);
        FUZZ_CHECK(ReadsUpright(copy));
    }
    CheckEngineEdit(bytes, hasOrientation);
    return 0;
}
