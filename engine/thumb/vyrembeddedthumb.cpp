// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrembeddedthumb.h"

#include "core/vyrcodes.h"
#include "jpeg/vyrjpegscan.h"
#include "meta/vyrmpf.h"
#include "meta/vyrtiff.h"
#include "qlfs.h"
#include "qlpathmax.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

constexpr uint16_t kTagThumbOffset = 513; // JPEGInterchangeFormat
constexpr uint16_t kTagThumbLength = 514; // JPEGInterchangeFormatLength
// MP types of the pictures made to be shown small (VGA and full-HD sized): the others are
// other views (panorama frames, stereo pairs) that need not show the primary's frame.
constexpr uint32_t kMpTypeLargeThumbVga = 0x010001;
constexpr uint32_t kMpTypeLargeThumbHd = 0x010002;

bool IsFrameMarker(uint8_t in_marker)
{
    // SOF0-SOF15 but DHT (C4), JPG (C8) and DAC (CC).
    return in_marker >= 0xC0 && in_marker <= 0xCF && in_marker != 0xC4 && in_marker != 0xC8 &&
           in_marker != 0xCC;
}

// The Exif thumbnail of the APP1 payload at in_pPayload (the bytes after the length).
bool FindExifThumbnail(const uint8_t *in_pPayload, size_t in_size, size_t *out_pPos,
                       size_t *out_pSize)
{
    constexpr size_t kIdentifier = 6; // "Exif\0\0"
    if (in_size < kIdentifier || std::memcmp(in_pPayload, "Exif\0", 6) != 0)
        return false;
    const VYRTiff tiff(in_pPayload + kIdentifier, in_size - kIdentifier);
    uint32_t ifd1 = 0;
    if (!tiff.Valid() || !tiff.NextIfd(tiff.Ifd0(), &ifd1) || ifd1 == 0)
        return false;
    VYRTiffEntry offsetEntry, lengthEntry;
    uint32_t offset = 0, length = 0;
    if (!tiff.FindEntry(ifd1, kTagThumbOffset, &offsetEntry) ||
        !tiff.FindEntry(ifd1, kTagThumbLength, &lengthEntry) ||
        !tiff.GetNumber(offsetEntry, &offset) || !tiff.GetNumber(lengthEntry, &length))
        return false;
    if (length == 0 || offset > tiff.Size() || length > tiff.Size() - offset)
        return false;
    *out_pPos = kIdentifier + offset;
    *out_pSize = length;
    return true;
}

void AddMpfPreviews(const uint8_t *in_pData, const VYRJpegSegment &in_segment, size_t in_size,
                    qint64 in_fileSize, std::vector<VYREmbeddedPreview> *inout_pList)
{
    const size_t start = in_segment.m_offset + 4;
    const size_t end = std::min(in_segment.m_offset + in_segment.m_length, in_size);
    if (end <= start)
        return;
    const QByteArray payload(reinterpret_cast<const char *>(in_pData + start),
                             qsizetype(end - start));
    VYRMpfIndex index;
    if (!VYRReadMpfIndex(payload, &index))
        return;
    const qint64 header = qint64(start) + kVYRMpfIdentifier.size();
    for (size_t i = 1; i < index.m_entries.size(); ++i) {
        const VYRMpfEntry &entry = index.m_entries[i];
        const uint32_t type = entry.m_attribute & 0xFFFFFF;
        if (!VYRMpfIsJpeg(entry) || (type != kMpTypeLargeThumbVga && type != kMpTypeLargeThumbHd))
            continue;
        const qint64 offset = header + entry.m_offset;
        if (entry.m_offset == 0 || entry.m_size == 0 || offset + entry.m_size > in_fileSize)
            continue;
        inout_pList->push_back({offset, qint64(entry.m_size), false});
    }
}

} // namespace

bool VYRReadJpegFrame(const uint8_t *in_pData, size_t in_size, VYRJpegFrame *out_pFrame)
{
    const VYRJpegLayout layout = VYRScanJpeg(in_pData, in_size);
    for (const VYRJpegSegment &segment : layout.m_segments) {
        if (!IsFrameMarker(segment.m_marker))
            continue;
        // FF Cn, length, precision, height, width, components, then 3 bytes per component.
        const size_t at = segment.m_offset;
        if (segment.m_length < 10 || at + segment.m_length > in_size)
            return false;
        const uint8_t *p = in_pData + at;
        const int height = (p[5] << 8) | p[6];
        const int width = (p[7] << 8) | p[8];
        const int components = p[9];
        if (width == 0 || height == 0 || components == 0 ||
            segment.m_length < size_t(10 + 3 * components))
            return false;
        int maxH = 1, maxV = 1;
        // A single component is always coded in 8x8 blocks, whatever its factors say.
        for (int c = 0; components > 1 && c < components; ++c) {
            const uint8_t sampling = p[10 + 3 * c + 1];
            maxH = std::max(maxH, int(sampling >> 4));
            maxV = std::max(maxV, int(sampling & 15));
        }
        out_pFrame->m_width = width;
        out_pFrame->m_height = height;
        out_pFrame->m_blockWidth = 8 * maxH;
        out_pFrame->m_blockHeight = 8 * maxV;
        return true;
    }
    return false;
}

std::vector<VYREmbeddedPreview> VYRFindEmbeddedPreviews(const uint8_t *in_pData, size_t in_size,
                                                        qint64 in_fileSize)
{
    std::vector<VYREmbeddedPreview> previews;
    const VYRJpegLayout layout = VYRScanJpeg(in_pData, in_size);
    bool exifSeen = false;
    for (const VYRJpegSegment &segment : layout.m_segments) {
        if (segment.m_offset + segment.m_length > in_size || segment.m_length < 4)
            continue;
        const uint8_t *payload = in_pData + segment.m_offset + 4;
        const size_t payloadSize = segment.m_length - 4;
        if (segment.m_marker == 0xE1 && !exifSeen && payloadSize >= 6 &&
            std::memcmp(payload, "Exif\0", 6) == 0) {
            // Only the first Exif block is the photo's (the one Auto Rotate reads).
            exifSeen = true;
            size_t pos = 0, size = 0;
            if (FindExifThumbnail(payload, payloadSize, &pos, &size))
                previews.push_back({qint64(segment.m_offset + 4 + pos), qint64(size), true});
        } else if (segment.m_marker == 0xE2 && payloadSize >= size_t(kVYRMpfIdentifier.size()) &&
                   std::memcmp(payload, kVYRMpfIdentifier.constData(), 4) == 0) {
            AddMpfPreviews(in_pData, segment, in_size, in_fileSize, &previews);
        } else if (segment.m_marker == 0xDA) {
            break; // the picture's data: the index lies before it
        }
    }
    return previews;
}

bool VYRPreviewMatchesPhoto(QSize in_preview, const VYRJpegFrame &in_photo)
{
    if (in_preview.isEmpty() || in_photo.m_width <= 0 || in_photo.m_height <= 0)
        return false;
    const double w = in_preview.width(), h = in_preview.height();
    const double scaleX = in_photo.m_width / w;
    const double scaleY = in_photo.m_height / h;
    const double heightFromWidth = h * scaleX;
    const double widthFromHeight = w * scaleY;
    return std::abs(heightFromWidth - in_photo.m_height) <= in_photo.m_blockHeight + scaleX / 2 &&
           std::abs(widthFromHeight - in_photo.m_width) <= in_photo.m_blockWidth + scaleY / 2;
}

bool VYRPreviewIsLargeEnough(QSize in_preview, QSize in_target, int in_tolerancePercent)
{
    const qint64 have = std::max(in_preview.width(), in_preview.height());
    const qint64 need = std::max(in_target.width(), in_target.height());
    const int tolerance = std::clamp(in_tolerancePercent, 0, 100);
    return have * 100 >= need * (100 - tolerance);
}

int VYRReadFileHead(const QString &in_path, qint64 in_maxBytes, QByteArray *out_pData,
                    VYRFileIdentity *out_pIdentity)
{
    const QByteArray encoded = QFile::encodeName(in_path);
    if (encoded.size() >= kQLPathMax)
        return VYR_ERR_PATH_TOO_LONG;
    // Without blocking: a name that leads to a FIFO must not hang the caller in open().
    const int fd = QLOpenFile(encoded.constData(), QL_OPEN_READ | QL_OPEN_NO_BLOCK);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return VYR_ERR_FILE_NOT_FOUND;
        return errno == ENAMETOOLONG ? VYR_ERR_PATH_TOO_LONG : VYR_ERR_FILE_READ;
    }
    QLFileFacts st;
    if (QLStatOpen(fd, &st) != 0 || st.kind != QLFileKind::Regular) {
        QLCloseFile(fd);
        return VYR_ERR_FILE_READ;
    }
    QByteArray data(qsizetype(std::min<qint64>(st.size, in_maxBytes)), Qt::Uninitialized);
    const qsizetype done = qsizetype(QLReadUpTo(fd, data.data(), data.size()));
    QLCloseFile(fd);
    if (done != data.size())
        return VYR_ERR_FILE_READ;
    *out_pData = std::move(data);
    *out_pIdentity = VYRIdentityOf(st);
    return VYR_SUCCESS;
}
