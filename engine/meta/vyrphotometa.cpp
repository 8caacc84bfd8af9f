// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrphotometa.h"

#include "core/vyrcodes.h"
#include "meta/vyrexifedit.h"
#include "meta/vyrmpf.h"
#include "meta/vyrxmpedit.h"
#include "qltrace.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kSegmentHeader = 4; // marker and length field
constexpr size_t kMaxPictures = 32;  // pictures in one multi-picture file, the primary included

// The metadata segments of one picture, as indexes into its layout's segment list.
struct MetaSegments
{
    int m_exif = -1;
    int m_xmp = -1;
    int m_mpf = -1;
};

bool PayloadStartsWith(const uint8_t *in_pData, const VYRJpegSegment &in_segment,
                       const QByteArray &in_prefix)
{
    return in_segment.m_length >= kSegmentHeader + size_t(in_prefix.size()) &&
           std::memcmp(in_pData + in_segment.m_offset + kSegmentHeader, in_prefix.constData(),
                       size_t(in_prefix.size())) == 0;
}

QByteArray PayloadOf(const uint8_t *in_pData, const VYRJpegSegment &in_segment)
{
    return QByteArray(reinterpret_cast<const char *>(in_pData) + in_segment.m_offset +
                          kSegmentHeader,
                      qsizetype(in_segment.m_length - kSegmentHeader));
}

// Only the segments before the first scan describe the picture; the first of each kind counts,
// as readers take it.
MetaSegments FindMeta(const uint8_t *in_pData, const VYRJpegLayout &in_layout)
{
    static const QByteArray kExif("Exif\0", 5);
    MetaSegments meta;
    for (size_t i = 0; i < in_layout.m_segments.size(); ++i) {
        const VYRJpegSegment &s = in_layout.m_segments[i];
        if (s.m_marker == 0xDA)
            break;
        if (s.m_marker == 0xE1) {
            if (meta.m_exif < 0 && PayloadStartsWith(in_pData, s, kExif))
                meta.m_exif = int(i);
            else if (meta.m_xmp < 0 && PayloadStartsWith(in_pData, s, kVYRXmpIdentifier))
                meta.m_xmp = int(i);
        } else if (s.m_marker == 0xE2 && meta.m_mpf < 0 &&
                   PayloadStartsWith(in_pData, s, kVYRMpfIdentifier)) {
            meta.m_mpf = int(i);
        }
    }
    return meta;
}

// Brings the Exif and XMP segments of one turned picture (SOI ... EOI) in line with it, into
// *out_pPicture. The blocks edited are the source picture's own (in_pSource[0, in_size)): a
// turn may already have adjusted a size in its copy, retyping the entry, and such a copy is
// not the original. Every copy of the orientation is set to 1 here, wherever its block lies.
// Returns VYR_SUCCESS, or VYR_ERR_METADATA_DAMAGED when a block cannot be edited safely: then
// none is, and the picture must not be written.
int CompletePicture(const QByteArray &in_jpeg, const uint8_t *in_pSource, size_t in_size,
                    const VYRExifEdit &in_edit, QByteArray *out_pPicture)
{
    const auto *data = reinterpret_cast<const uint8_t *>(in_jpeg.constData());
    const VYRJpegLayout layout = VYRScanJpeg(data, size_t(in_jpeg.size()));
    const MetaSegments meta = FindMeta(data, layout);
    const VYRJpegLayout sourceLayout = VYRScanJpeg(in_pSource, in_size);
    const MetaSegments sourceMeta = FindMeta(in_pSource, sourceLayout);
    QByteArray out = in_jpeg;
    // The XMP packet keeps its length, so the Exif segment's offset stays as scanned.
    if (meta.m_xmp >= 0 && sourceMeta.m_xmp >= 0) {
        const VYRJpegSegment &s = layout.m_segments[size_t(meta.m_xmp)];
        QByteArray payload =
            PayloadOf(in_pSource, sourceLayout.m_segments[size_t(sourceMeta.m_xmp)]);
        if (payload.size() != qsizetype(s.m_length - kSegmentHeader))
            return VYR_ERR_METADATA_DAMAGED; // the turn's copy is not the source's packet
        const int rc = VYREditXmp(&payload, in_edit.m_width, in_edit.m_height, in_edit.m_name);
        if (rc != VYR_SUCCESS)
            return rc;
        out.replace(qsizetype(s.m_offset + kSegmentHeader), payload.size(), payload);
    }
    if (meta.m_exif >= 0 && sourceMeta.m_exif >= 0) {
        const VYRJpegSegment &s = layout.m_segments[size_t(meta.m_exif)];
        QByteArray payload =
            PayloadOf(in_pSource, sourceLayout.m_segments[size_t(sourceMeta.m_exif)]);
        const int rc = VYREditExif(&payload, in_edit);
        if (rc != VYR_SUCCESS)
            return rc;
        const size_t length = size_t(payload.size()) + 2;
        QByteArray segment("\xFF\xE1", 2);
        segment.append(char(length >> 8)).append(char(length & 0xFF)).append(payload);
        out.replace(qsizetype(s.m_offset), qsizetype(s.m_length), segment);
    }
    *out_pPicture = out;
    return VYR_SUCCESS;
}

struct Secondary
{
    size_t m_entry = 0;  // index in the MPF index
    size_t m_offset = 0; // where the picture lies in the source
    size_t m_size = 0;
    QByteArray m_completed; // the turned picture and what followed it inside its span
    size_t m_newOffset = 0; // where it lies in the result
};

// Turns one secondary picture of a multi-picture file the way the primary went.
int TurnSecondary(const uint8_t *in_pSource, const VYRExifEdit &in_edit, Secondary *inout_pPic)
{
    const uint8_t *data = in_pSource + inout_pPic->m_offset;
    VYRTurnRequest request;
    request.m_code = in_edit.m_code;
    request.m_name =
        in_edit.m_name + " (picture " + QByteArray::number(inout_pPic->m_entry + 1) + ")";
    VYRTurnResult turned;
    const int rc = VYRTurnJpeg(data, inout_pPic->m_size, request, &turned);
    if (rc != VYR_SUCCESS)
        return rc;
    VYRExifEdit edit = in_edit;
    edit.m_width = turned.m_width;
    edit.m_height = turned.m_height;
    const int completed =
        CompletePicture(turned.m_jpeg, data, inout_pPic->m_size, edit, &inout_pPic->m_completed);
    if (completed != VYR_SUCCESS)
        return completed;
    // Held to the primary's rule: read back to exactly the coefficients turned, after its own
    // metadata edits. A clean decode alone can hide other values.
    const int verified =
        VYRVerifyJpeg(reinterpret_cast<const uint8_t *>(inout_pPic->m_completed.constData()),
                      size_t(inout_pPic->m_completed.size()), turned.m_coefficientDigest);
    if (verified != VYR_SUCCESS)
        return verified;
    const VYRJpegLayout layout = VYRScanJpeg(data, inout_pPic->m_size);
    if (layout.m_complete && layout.m_endOfImage < inout_pPic->m_size)
        inout_pPic->m_completed.append(reinterpret_cast<const char *>(data) + layout.m_endOfImage,
                                       qsizetype(inout_pPic->m_size - layout.m_endOfImage));
    return VYR_SUCCESS;
}

int Refuse(const QByteArray &in_name, const char *in_reason)
{
    QLTrace("Cannot rotate '%s': %s\n", in_name.constData(), in_reason);
    return VYR_ERR_METADATA;
}

// Lays the primary, the turned secondaries and every byte between and after them out in the
// source's order, then corrects the index in the primary's MPF segment.
int CompleteMultiPicture(const uint8_t *in_pSource, size_t in_size, size_t in_end, size_t in_header,
                         VYRMpfIndex in_index, const VYRExifEdit &in_edit,
                         const QByteArray &in_primary, QByteArray *out_pPhoto)
{
    std::vector<Secondary> pictures;
    if (in_index.m_entries[0].m_offset != 0)
        return Refuse(in_edit.m_name, "its MPF index does not start with the primary picture");
    // Cameras store two or three pictures; an index of thousands would have each turned at
    // the cost of a photo, from a file of a few hundred bytes per entry.
    if (in_index.m_entries.size() > kMaxPictures)
        return Refuse(in_edit.m_name, "its MPF index lists more pictures than any camera makes");
    for (size_t i = 1; i < in_index.m_entries.size(); ++i) {
        const VYRMpfEntry &entry = in_index.m_entries[i];
        Secondary pic;
        pic.m_entry = i;
        pic.m_offset = in_header + entry.m_offset;
        pic.m_size = entry.m_size;
        if (pic.m_offset < in_end || pic.m_offset > in_size ||
            pic.m_size > in_size - pic.m_offset || pic.m_size < 4)
            return Refuse(in_edit.m_name, "its MPF index lists a picture outside the file");
        if (!VYRMpfIsJpeg(entry) || in_pSource[pic.m_offset] != 0xFF ||
            in_pSource[pic.m_offset + 1] != 0xD8)
            return Refuse(in_edit.m_name, "its MPF index lists a picture that is not a JPEG");
        pictures.push_back(pic);
    }
    std::sort(pictures.begin(), pictures.end(),
              [](const Secondary &a, const Secondary &b) { return a.m_offset < b.m_offset; });
    for (size_t i = 1; i < pictures.size(); ++i) {
        if (pictures[i].m_offset < pictures[i - 1].m_offset + pictures[i - 1].m_size)
            return Refuse(in_edit.m_name, "its MPF index lists overlapping pictures");
    }
    for (Secondary &pic : pictures) {
        const int rc = TurnSecondary(in_pSource, in_edit, &pic);
        if (rc == VYR_ERR_METADATA_DAMAGED)
            return rc; // traced where it was found
        if (rc != VYR_SUCCESS)
            return Refuse(in_edit.m_name, "a further picture of its MPF index cannot be turned");
    }

    QByteArray out = in_primary;
    size_t from = in_end;
    for (Secondary &pic : pictures) {
        out.append(reinterpret_cast<const char *>(in_pSource) + from,
                   qsizetype(pic.m_offset - from));
        pic.m_newOffset = size_t(out.size());
        out.append(pic.m_completed);
        from = pic.m_offset + pic.m_size;
    }
    out.append(reinterpret_cast<const char *>(in_pSource) + from, qsizetype(in_size - from));

    const auto *data = reinterpret_cast<const uint8_t *>(in_primary.constData());
    const VYRJpegLayout layout = VYRScanJpeg(data, size_t(in_primary.size()));
    const int mpf = FindMeta(data, layout).m_mpf;
    if (mpf < 0)
        return Refuse(in_edit.m_name, "its MPF index was lost in the turn");
    const VYRJpegSegment &segment = layout.m_segments[size_t(mpf)];
    const size_t header = segment.m_offset + kSegmentHeader + size_t(kVYRMpfIdentifier.size());
    QByteArray payload = PayloadOf(data, segment);
    in_index.m_entries[0].m_size = uint32_t(in_primary.size());
    VYRWriteMpfEntry(&payload, in_index, in_index.m_entries[0]);
    // The index holds 32-bit offsets and sizes: a result they cannot describe is refused.
    if (uint64_t(out.size()) > UINT32_MAX)
        return Refuse(in_edit.m_name, "its turned pictures no longer fit the MPF index");
    for (const Secondary &pic : pictures) {
        VYRMpfEntry &entry = in_index.m_entries[pic.m_entry];
        entry.m_size = uint32_t(pic.m_completed.size());
        entry.m_offset = uint32_t(pic.m_newOffset - header);
        VYRWriteMpfEntry(&payload, in_index, entry);
    }
    out.replace(qsizetype(segment.m_offset + kSegmentHeader), payload.size(), payload);
    *out_pPhoto = out;
    return VYR_SUCCESS;
}

} // namespace

int VYRCompletePhoto(const uint8_t *in_pSource, size_t in_size, const VYRJpegLayout &in_layout,
                     int in_code, const VYRTurnResult &in_turned, QByteArray *out_pPhoto,
                     const QByteArray &in_name)
{
    if (!in_pSource || !out_pPhoto)
        return VYR_ERR_INVALID_PARAMETER;
    VYRExifEdit edit;
    edit.m_code = in_code;
    edit.m_width = in_turned.m_width;
    edit.m_height = in_turned.m_height;
    edit.m_name = in_name;
    QByteArray primary;
    const int completed = CompletePicture(in_turned.m_jpeg, in_pSource, in_size, edit, &primary);
    if (completed != VYR_SUCCESS)
        return completed;
    const size_t end = in_layout.m_complete ? std::min(in_layout.m_endOfImage, in_size) : in_size;

    const MetaSegments meta = FindMeta(in_pSource, in_layout);
    VYRMpfIndex index;
    if (meta.m_mpf >= 0) {
        // An index that cannot be read cannot be corrected: its pictures would no longer be
        // found where it says, so the file is turned whole or not at all.
        if (!VYRReadMpfIndex(PayloadOf(in_pSource, in_layout.m_segments[size_t(meta.m_mpf)]),
                             &index))
            return Refuse(in_name, "its MPF index cannot be read");
        const size_t header = in_layout.m_segments[size_t(meta.m_mpf)].m_offset + kSegmentHeader +
                              size_t(kVYRMpfIdentifier.size());
        return CompleteMultiPicture(in_pSource, in_size, end, header, index, edit, primary,
                                    out_pPhoto);
    }
    // Whatever follows the picture (a phone's motion clip, another program's data) is no part
    // of it and goes along unchanged.
    *out_pPhoto = primary;
    out_pPhoto->append(reinterpret_cast<const char *>(in_pSource) + end, qsizetype(in_size - end));
    return VYR_SUCCESS;
}
