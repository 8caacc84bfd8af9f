// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrexifedit.h"

#include "qltrace.h"
#include "vyrengine.h"
#include "vyrjpegscan.h"
#include "vyrjpegturn.h"

#include <cstring>

namespace {

constexpr size_t kExifIdSize = 6; // "Exif\0\0" in front of the TIFF header
constexpr size_t kEntrySize = 12;

enum : uint16_t
{
    kTagImageWidth = 256,
    kTagImageLength = 257,
    kTagCompression = 259,
    kTagOrientation = 274,
    kTagThumbOffset = 513, // JPEGInterchangeFormat
    kTagThumbLength = 514, // JPEGInterchangeFormatLength
    kTagExifIfd = 34665,
    kTagGpsIfd = 34853,
    kTagInteropIfd = 40965,
    kTagPixelX = 40962,
    kTagPixelY = 40963,
};

enum : uint16_t
{
    kTypeShort = 3,
    kTypeLong = 4,
    kTypeIfd = 13,
};

constexpr uint32_t kCompressionJpeg = 6;
constexpr uint32_t kOrientationUpright = 1; // Exif: row 0 at the top, column 0 at the left

struct Entry
{
    size_t m_pos = 0; // offset of the entry's 12 bytes from the TIFF header
    uint16_t m_type = 0;
    uint32_t m_count = 0;
};

// The TIFF structure of an Exif payload. Every read and write is checked against the payload's
// end, which is read afresh each time since placing a thumbnail may grow the payload.
class TiffBlock
{
public:
    explicit TiffBlock(QByteArray *in_pPayload) : m_pPayload(in_pPayload)
    {
        if (size_t(m_pPayload->size()) < kExifIdSize + 8 ||
            std::memcmp(m_pPayload->constData(), "Exif\0", 5) != 0)
            return;
        const uint8_t *t = Tiff();
        if (t[0] == 'I' && t[1] == 'I')
            m_bigEndian = false;
        else if (t[0] == 'M' && t[1] == 'M')
            m_bigEndian = true;
        else
            return;
        if (Get16(2) != 42)
            return;
        m_ifd0 = Get32(4);
        uint16_t count = 0;
        m_valid = IfdCount(m_ifd0, &count);
    }

    bool Valid() const { return m_valid; }
    uint32_t Ifd0() const { return m_ifd0; }
    size_t Size() const { return size_t(m_pPayload->size()) - kExifIdSize; }

    // The entry count of the IFD at in_ifd, when its whole entry table lies inside the block.
    bool IfdCount(uint32_t in_ifd, uint16_t *out_pCount) const
    {
        if (in_ifd < 8 || size_t(in_ifd) + 2 > Size())
            return false;
        *out_pCount = Get16(in_ifd);
        return size_t(in_ifd) + 2 + kEntrySize * *out_pCount <= Size();
    }

    bool FindEntry(uint32_t in_ifd, uint16_t in_tag, Entry *out_pEntry) const
    {
        uint16_t count = 0;
        if (!IfdCount(in_ifd, &count))
            return false;
        for (uint16_t i = 0; i < count; ++i) {
            const size_t pos = size_t(in_ifd) + 2 + kEntrySize * i;
            if (Get16(pos) == in_tag) {
                out_pEntry->m_pos = pos;
                out_pEntry->m_type = Get16(pos + 2);
                out_pEntry->m_count = Get32(pos + 4);
                return true;
            }
        }
        return false;
    }

    // The IFD linked after in_ifd; 0 when there is none or the link leads nowhere sensible.
    uint32_t NextIfd(uint32_t in_ifd) const
    {
        uint16_t count = 0;
        if (!IfdCount(in_ifd, &count))
            return 0;
        const size_t link = size_t(in_ifd) + 2 + kEntrySize * count;
        if (link + 4 > Size())
            return 0;
        const uint32_t next = Get32(link);
        uint16_t nextCount = 0;
        return next != in_ifd && IfdCount(next, &nextCount) ? next : 0;
    }

    // Only single SHORT and LONG values are read and written: every field edited here is one.
    static bool IsNumber(const Entry &in_entry)
    {
        return in_entry.m_count == 1 &&
               (in_entry.m_type == kTypeShort || in_entry.m_type == kTypeLong ||
                in_entry.m_type == kTypeIfd);
    }
    static bool Fits(const Entry &in_entry, uint32_t in_value)
    {
        return IsNumber(in_entry) && (in_entry.m_type != kTypeShort || in_value <= 0xFFFF);
    }
    bool GetNumber(const Entry &in_entry, uint32_t *out_pValue) const
    {
        if (!IsNumber(in_entry))
            return false;
        *out_pValue =
            in_entry.m_type == kTypeShort ? Get16(in_entry.m_pos + 8) : Get32(in_entry.m_pos + 8);
        return true;
    }
    // Overwrites the value's own bytes only (a SHORT's two spare bytes stay as they are).
    bool SetNumber(const Entry &in_entry, uint32_t in_value)
    {
        if (!Fits(in_entry, in_value))
            return false;
        if (in_entry.m_type == kTypeShort)
            Put16(in_entry.m_pos + 8, uint16_t(in_value));
        else
            Put32(in_entry.m_pos + 8, in_value);
        return true;
    }
    // Sets the tag's value in the IFD where it is present; an absent tag is no failure.
    void SetIfPresent(uint32_t in_ifd, uint16_t in_tag, uint32_t in_value)
    {
        Entry entry;
        if (FindEntry(in_ifd, in_tag, &entry))
            SetNumber(entry, in_value);
    }

    uint8_t *MutableTiff() { return reinterpret_cast<uint8_t *>(m_pPayload->data()) + kExifIdSize; }
    const uint8_t *Tiff() const
    {
        return reinterpret_cast<const uint8_t *>(m_pPayload->constData()) + kExifIdSize;
    }

private:
    uint16_t Get16(size_t in_pos) const
    {
        const uint8_t *p = Tiff() + in_pos;
        return m_bigEndian ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
    }
    uint32_t Get32(size_t in_pos) const
    {
        return m_bigEndian ? uint32_t(Get16(in_pos)) << 16 | Get16(in_pos + 2)
                           : uint32_t(Get16(in_pos + 2)) << 16 | Get16(in_pos);
    }
    void Put16(size_t in_pos, uint16_t in_value)
    {
        uint8_t *p = MutableTiff() + in_pos;
        p[m_bigEndian ? 0 : 1] = uint8_t(in_value >> 8);
        p[m_bigEndian ? 1 : 0] = uint8_t(in_value);
    }
    void Put32(size_t in_pos, uint32_t in_value)
    {
        Put16(in_pos + (m_bigEndian ? 0 : 2), uint16_t(in_value >> 16));
        Put16(in_pos + (m_bigEndian ? 2 : 0), uint16_t(in_value));
    }

    QByteArray *m_pPayload;
    bool m_bigEndian = false;
    bool m_valid = false;
    uint32_t m_ifd0 = 0;
};

// Where IFD1's JPEG thumbnail lies, when it lies wholly inside the block and apart from the
// IFD tables that describe it.
struct Thumbnail
{
    uint32_t m_ifd1 = 0;
    Entry m_lengthEntry;
    uint32_t m_offset = 0;
    uint32_t m_length = 0; // what JPEGInterchangeFormatLength claims
    uint32_t m_used = 0;   // the picture's own bytes: up to its end-of-image marker
};

bool Overlaps(size_t in_aFrom, size_t in_aSize, size_t in_bFrom, size_t in_bSize)
{
    return in_aFrom < in_bFrom + in_bSize && in_bFrom < in_aFrom + in_aSize;
}

bool FindThumbnail(const TiffBlock &in_tiff, Thumbnail *out_pThumb)
{
    const uint32_t ifd1 = in_tiff.NextIfd(in_tiff.Ifd0());
    Entry offsetEntry, lengthEntry, compression;
    uint32_t offset = 0, length = 0, scheme = kCompressionJpeg;
    if (ifd1 == 0 || !in_tiff.FindEntry(ifd1, kTagThumbOffset, &offsetEntry) ||
        !in_tiff.FindEntry(ifd1, kTagThumbLength, &lengthEntry) ||
        !in_tiff.GetNumber(offsetEntry, &offset) || !in_tiff.GetNumber(lengthEntry, &length))
        return false;
    if (in_tiff.FindEntry(ifd1, kTagCompression, &compression) &&
        in_tiff.GetNumber(compression, &scheme) && scheme != kCompressionJpeg)
        return false;
    if (length < 4 || offset < 8 || size_t(offset) + length > in_tiff.Size())
        return false;
    const uint8_t *data = in_tiff.Tiff() + offset;
    if (data[0] != 0xFF || data[1] != 0xD8)
        return false;
    // A length may claim more than the picture: only its own bytes are ours to replace, what
    // lies after its end-of-image marker may be another tag's data.
    const VYRJpegLayout layout = VYRScanJpeg(data, length);
    const uint32_t used = layout.m_complete ? uint32_t(layout.m_endOfImage) : length;
    // A thumbnail laid over an IFD table would take that table with it when replaced.
    const auto overlapsTable = [&](uint32_t in_ifd) {
        uint16_t count = 0;
        return in_ifd != 0 && in_tiff.IfdCount(in_ifd, &count) &&
               Overlaps(offset, used, in_ifd, 2 + kEntrySize * count + 4);
    };
    const auto pointedIfd = [&](uint32_t in_ifd, uint16_t in_tag) {
        Entry pointer;
        uint32_t at = 0;
        return in_tiff.FindEntry(in_ifd, in_tag, &pointer) && in_tiff.GetNumber(pointer, &at) ? at
                                                                                              : 0u;
    };
    const uint32_t exifIfd = pointedIfd(in_tiff.Ifd0(), kTagExifIfd);
    if (overlapsTable(in_tiff.Ifd0()) || overlapsTable(ifd1) || overlapsTable(exifIfd) ||
        overlapsTable(pointedIfd(in_tiff.Ifd0(), kTagGpsIfd)) ||
        overlapsTable(exifIfd ? pointedIfd(exifIfd, kTagInteropIfd) : 0))
        return false;
    out_pThumb->m_ifd1 = ifd1;
    out_pThumb->m_lengthEntry = lengthEntry;
    out_pThumb->m_offset = offset;
    out_pThumb->m_length = length;
    out_pThumb->m_used = used;
    return true;
}

// Turns IFD1's JPEG thumbnail the way the picture went. A thumbnail that cannot be turned or
// placed is kept as it was: it still shows what it showed, and its own tags still describe it.
void TurnThumbnail(QByteArray *inout_pPayload, const VYRExifEdit &in_edit)
{
    Thumbnail thumb;
    {
        const TiffBlock tiff(inout_pPayload);
        if (!FindThumbnail(tiff, &thumb))
            return;
    }
    const QByteArray old =
        inout_pPayload->mid(qsizetype(kExifIdSize + thumb.m_offset), qsizetype(thumb.m_length));
    VYRTurnRequest request;
    request.m_code = in_edit.m_code;
    request.m_optimizeTables = true; // small pictures gain most from their own tables
    request.m_name = in_edit.m_name + " (Exif thumbnail)";
    VYRTurnResult turned;
    int rc = VYRTurnJpeg(reinterpret_cast<const uint8_t *>(old.constData()), size_t(old.size()),
                         request, &turned);
    // Checked against what was turned, as the photo is: a clean decode alone could hide other
    // coefficients.
    if (rc == VYR_SUCCESS)
        rc = VYRVerifyJpeg(reinterpret_cast<const uint8_t *>(turned.m_jpeg.constData()),
                           size_t(turned.m_jpeg.size()), turned.m_coefficientDigest);
    if (rc != VYR_SUCCESS) {
        QLTrace("Rotating '%s' kept its Exif thumbnail as it was: the thumbnail cannot be turned "
                "(%d)\n",
                in_edit.m_name.constData(), rc);
        return;
    }
    const VYRThumbPlacement placed = VYRPlaceExifThumbnail(inout_pPayload, turned.m_jpeg);
    if (placed != VYRThumbPlacement::InPlace && placed != VYRThumbPlacement::Grown) {
        QLTrace("Rotating '%s' kept its Exif thumbnail as it was: the turned one (%lld bytes) "
                "does not fit in the place of the old one (%u bytes)\n",
                in_edit.m_name.constData(), static_cast<long long>(turned.m_jpeg.size()),
                thumb.m_length);
        return;
    }
    TiffBlock tiff(inout_pPayload);
    tiff.SetIfPresent(thumb.m_ifd1, kTagOrientation, kOrientationUpright);
    tiff.SetIfPresent(thumb.m_ifd1, kTagImageWidth, uint32_t(turned.m_width));
    tiff.SetIfPresent(thumb.m_ifd1, kTagImageLength, uint32_t(turned.m_height));
}

} // namespace

VYRThumbPlacement VYRPlaceExifThumbnail(QByteArray *inout_pPayload, const QByteArray &in_thumb)
{
    if (!inout_pPayload)
        return VYRThumbPlacement::NoThumbnail;
    TiffBlock tiff(inout_pPayload);
    Thumbnail thumb;
    if (!tiff.Valid() || !FindThumbnail(tiff, &thumb))
        return VYRThumbPlacement::NoThumbnail;
    const size_t newLength = size_t(in_thumb.size());
    if (!TiffBlock::Fits(thumb.m_lengthEntry, uint32_t(newLength)))
        return VYRThumbPlacement::DoesNotFit;
    const size_t at = kExifIdSize + thumb.m_offset;
    if (newLength <= thumb.m_used) {
        // The bytes the new one leaves over stay part of the old picture's span: zeros read as
        // nothing. Bytes the old length merely claimed are left alone.
        char *p = inout_pPayload->data() + at;
        std::memcpy(p, in_thumb.constData(), newLength);
        std::memset(p + newLength, 0, thumb.m_used - newLength);
        tiff.SetNumber(thumb.m_lengthEntry, uint32_t(newLength));
        return VYRThumbPlacement::InPlace;
    }
    // Growing moves nothing only when nothing follows the old thumbnail.
    if (size_t(thumb.m_offset) + thumb.m_length != tiff.Size() ||
        at + newLength > kVYRMaxSegmentPayload)
        return VYRThumbPlacement::DoesNotFit;
    inout_pPayload->truncate(qsizetype(at));
    inout_pPayload->append(in_thumb);
    tiff.SetNumber(thumb.m_lengthEntry, uint32_t(newLength));
    return VYRThumbPlacement::Grown;
}

bool VYREditExif(QByteArray *inout_pPayload, const VYRExifEdit &in_edit)
{
    if (!inout_pPayload)
        return false;
    {
        TiffBlock tiff(inout_pPayload);
        if (!tiff.Valid()) {
            QLTrace("Rotating '%s' left its Exif block as it was: it cannot be read\n",
                    in_edit.m_name.constData());
            return false;
        }
        const uint32_t ifd0 = tiff.Ifd0();
        tiff.SetIfPresent(ifd0, kTagImageWidth, uint32_t(in_edit.m_width));
        tiff.SetIfPresent(ifd0, kTagImageLength, uint32_t(in_edit.m_height));
        if (in_edit.m_resetOrientation)
            tiff.SetIfPresent(ifd0, kTagOrientation, kOrientationUpright);
        Entry exifPointer;
        uint32_t exifIfd = 0;
        if (tiff.FindEntry(ifd0, kTagExifIfd, &exifPointer) &&
            tiff.GetNumber(exifPointer, &exifIfd) && exifIfd != ifd0) {
            tiff.SetIfPresent(exifIfd, kTagPixelX, uint32_t(in_edit.m_width));
            tiff.SetIfPresent(exifIfd, kTagPixelY, uint32_t(in_edit.m_height));
        }
    }
    TurnThumbnail(inout_pPayload, in_edit);
    return true;
}
