// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrexifedit.h"

#include "core/vyrcodes.h"
#include "jpeg/vyrjpegscan.h"
#include "jpeg/vyrjpegturn.h"
#include "meta/vyrtiff.h"
#include "qltrace.h"

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

constexpr uint32_t kCompressionJpeg = 6;
constexpr uint32_t kOrientationUpright = 1; // Exif: row 0 at the top, column 0 at the left

// The TIFF structure of an Exif payload ("Exif\0\0" in front of it). Built afresh after the
// payload grows, since the reader holds its span.
class TiffBlock : public VYRTiff
{
public:
    explicit TiffBlock(QByteArray *in_pPayload)
        : VYRTiff(in_pPayload->size() >= qsizetype(kExifIdSize) &&
                          std::memcmp(in_pPayload->constData(), "Exif\0", 5) == 0
                      ? reinterpret_cast<uint8_t *>(in_pPayload->data()) + kExifIdSize
                      : nullptr,
                  size_t(in_pPayload->size()) - kExifIdSize)
    {
    }

    // The value of a single-number entry of in_ifd; 0 when it is absent or of another form.
    uint32_t NumberOf(uint32_t in_ifd, uint16_t in_tag) const
    {
        VYRTiffEntry entry;
        uint32_t value = 0;
        return FindEntry(in_ifd, in_tag, &entry) && GetNumber(entry, &value) ? value : 0;
    }
    // Sets the tag's value in the IFD where it is present; an absent tag is no failure.
    void SetIfPresent(uint32_t in_ifd, uint16_t in_tag, uint32_t in_value)
    {
        VYRTiffEntry entry;
        if (FindEntry(in_ifd, in_tag, &entry))
            SetNumber(entry, in_value);
    }
};

// The IFDs the edits visit, each read where its pointer says.
struct ExifIfds
{
    uint32_t m_exif = 0; // 0: none
    uint32_t m_ifd1 = 0; // 0: none
};

bool Overlaps(size_t in_aFrom, size_t in_aSize, size_t in_bFrom, size_t in_bSize)
{
    return in_aFrom < in_bFrom + in_bSize && in_bFrom < in_aFrom + in_aSize;
}

// Bytes of the IFD table at in_ifd (count, entries, link); 0 when it cannot be read.
size_t TableSize(const VYRTiff &in_tiff, uint32_t in_ifd)
{
    uint16_t count = 0;
    return in_ifd != 0 && in_tiff.IfdCount(in_ifd, &count) ? 2 + kEntrySize * count + 4 : 0;
}

// Checks that every IFD the edits visit can be read, that no two of them share bytes (an edit
// of one would change the other), and that IFD0's Orientation can be set: an edit that had to
// skip one would leave that copy as it was while the others change.
bool ReadIfds(const TiffBlock &in_tiff, ExifIfds *out_pIfds)
{
    const uint32_t ifd0 = in_tiff.Ifd0();
    VYRTiffEntry entry;
    if (in_tiff.FindEntry(ifd0, kTagExifIfd, &entry) &&
        (!in_tiff.GetNumber(entry, &out_pIfds->m_exif) ||
         TableSize(in_tiff, out_pIfds->m_exif) == 0))
        return false;
    if (!in_tiff.NextIfd(ifd0, &out_pIfds->m_ifd1))
        return false;
    const uint32_t tables[] = {ifd0, out_pIfds->m_exif, out_pIfds->m_ifd1};
    for (size_t a = 0; a < 3; ++a) {
        for (size_t b = a + 1; b < 3; ++b) {
            if (tables[a] != 0 && tables[b] != 0 &&
                Overlaps(tables[a], TableSize(in_tiff, tables[a]), tables[b],
                         TableSize(in_tiff, tables[b])))
                return false;
        }
    }
    uint32_t orientation = 0;
    return !in_tiff.FindEntry(ifd0, kTagOrientation, &entry) ||
           (in_tiff.GetNumber(entry, &orientation) && entry.m_type != VYR_TIFF_IFD);
}

// Where IFD1's JPEG thumbnail lies, when it lies wholly inside the block and apart from the
// IFD tables that describe it.
struct Thumbnail
{
    uint32_t m_ifd1 = 0;
    VYRTiffEntry m_lengthEntry;
    uint32_t m_offset = 0;
    uint32_t m_length = 0; // what JPEGInterchangeFormatLength claims
    uint32_t m_used = 0;   // the picture's own bytes: up to its end-of-image marker
};

bool FindThumbnail(const TiffBlock &in_tiff, Thumbnail *out_pThumb)
{
    ExifIfds ifds;
    if (!in_tiff.Valid() || !ReadIfds(in_tiff, &ifds) || ifds.m_ifd1 == 0)
        return false;
    const uint32_t ifd1 = ifds.m_ifd1;
    VYRTiffEntry offsetEntry, lengthEntry, compression;
    uint32_t offset = 0, length = 0, scheme = kCompressionJpeg;
    if (!in_tiff.FindEntry(ifd1, kTagThumbOffset, &offsetEntry) ||
        !in_tiff.FindEntry(ifd1, kTagThumbLength, &lengthEntry) ||
        !in_tiff.GetNumber(offsetEntry, &offset) || !in_tiff.GetNumber(lengthEntry, &length))
        return false;
    if (in_tiff.FindEntry(ifd1, kTagCompression, &compression) &&
        in_tiff.GetNumber(compression, &scheme) && scheme != kCompressionJpeg)
        return false;
    // The thumbnail is the data of an UNDEFINED value at the offset: held to the same bounds.
    VYRTiffEntry span = offsetEntry;
    span.m_type = 7;
    span.m_count = length;
    span.m_field = offset;
    size_t at = 0, size = 0;
    if (length <= 4 || !in_tiff.ValueSpan(span, &at, &size))
        return false;
    const uint8_t *data = in_tiff.Data() + offset;
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
    const uint32_t gps = in_tiff.NumberOf(in_tiff.Ifd0(), kTagGpsIfd);
    const uint32_t interop = ifds.m_exif ? in_tiff.NumberOf(ifds.m_exif, kTagInteropIfd) : 0;
    if (overlapsTable(in_tiff.Ifd0()) || overlapsTable(ifd1) || overlapsTable(ifds.m_exif) ||
        overlapsTable(gps) || overlapsTable(interop))
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
    if (!FindThumbnail(tiff, &thumb))
        return VYRThumbPlacement::NoThumbnail;
    const size_t newLength = size_t(in_thumb.size());
    if (newLength > (thumb.m_lengthEntry.m_type == VYR_TIFF_SHORT ? 0xFFFFu : UINT32_MAX))
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
    TiffBlock grown(inout_pPayload); // the payload moved: a reader over its new bytes
    grown.SetNumber(thumb.m_lengthEntry, uint32_t(newLength));
    return VYRThumbPlacement::Grown;
}

int VYREditExif(QByteArray *inout_pPayload, const VYRExifEdit &in_edit)
{
    if (!inout_pPayload)
        return VYR_ERR_INVALID_PARAMETER;
    {
        TiffBlock tiff(inout_pPayload);
        ExifIfds ifds;
        if (!tiff.Valid() || !ReadIfds(tiff, &ifds)) {
            QLTrace("Cannot rotate '%s': its Exif block is damaged and cannot be edited safely\n",
                    in_edit.m_name.constData());
            return VYR_ERR_METADATA_DAMAGED;
        }
        const uint32_t ifd0 = tiff.Ifd0();
        tiff.SetIfPresent(ifd0, kTagImageWidth, uint32_t(in_edit.m_width));
        tiff.SetIfPresent(ifd0, kTagImageLength, uint32_t(in_edit.m_height));
        tiff.SetIfPresent(ifd0, kTagOrientation, kOrientationUpright);
        if (ifds.m_exif != 0) {
            tiff.SetIfPresent(ifds.m_exif, kTagPixelX, uint32_t(in_edit.m_width));
            tiff.SetIfPresent(ifds.m_exif, kTagPixelY, uint32_t(in_edit.m_height));
        }
    }
    TurnThumbnail(inout_pPayload, in_edit);
    return VYR_SUCCESS;
}
