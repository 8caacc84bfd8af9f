// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrthumbdecode.h"

#include "qltrace.h"
#include "vyrjpegguard.h"
#include "vyrjpegscan.h"
#include "vyrreadfile.h"
#include "vyrthumbcache.h"
#include "vyrtiff.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cstring>
#include <turbojpeg.h>

namespace {

// What a thumbnail may cost whatever its file: some 21 megapixels of a progressive photo at
// 4:2:0, or a sequential one of any size a camera makes.
constexpr qint64 kFreeBytes = qint64(64) << 20;
// Beyond that, bytes of memory (coefficients held for the whole picture, and the decoded
// picture) per byte of entropy-coded data: one byte per block. Real photos bring ten to a
// hundred times more: a 100-megapixel progressive panorama at 4:2:0 needs a file of 2.5 MB,
// and has some 30.
constexpr qint64 kBytesPerDataByte = 128;
// Block visits over all scans that any picture may take (a few hundredths of a second at
// worst), and beyond that per byte of entropy-coded data. A real progressive photo visits each
// block about five times and brings a few bytes per block; a flat black one an eighth of one.
constexpr qint64 kFreeVisits = qint64(1) << 20;
constexpr qint64 kVisitsPerDataByte = 64;
// Rows handed to libjpeg per call: what it decodes at once at the largest sampling.
constexpr int kRowsPerCall = 16;

// Picture size after fitting into the box (never enlarged).
QSize FittedSize(int in_width, int in_height, QSize in_box)
{
    const QSize full(in_width, in_height);
    if (in_width <= in_box.width() && in_height <= in_box.height())
        return full;
    QSize fitted = full.scaled(in_box, Qt::KeepAspectRatio);
    return fitted.expandedTo(QSize(1, 1));
}

// Shrinks in_picture smoothly to fit in_box, in Format_RGB32. Null when out of memory.
QImage Fitted(QImage in_picture, QSize in_box)
{
    const QSize fitted = FittedSize(in_picture.width(), in_picture.height(), in_box);
    if (fitted != in_picture.size())
        in_picture = in_picture.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (!in_picture.isNull() && in_picture.format() != QImage::Format_RGB32)
        in_picture = in_picture.convertToFormat(QImage::Format_RGB32);
    return in_picture;
}

// Adobe applications write CMYK JPEGs with inverted values; that is what libjpeg hands back.
QImage CmykToRgb(const QImage &in_cmyk)
{
    QImage out(in_cmyk.size(), QImage::Format_RGB32);
    if (out.isNull())
        return out;
    for (int y = 0; y < in_cmyk.height(); ++y) {
        const uchar *src = in_cmyk.constScanLine(y);
        auto *dst = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < in_cmyk.width(); ++x) {
            const int c = src[4 * x], m = src[4 * x + 1], yy = src[4 * x + 2], k = src[4 * x + 3];
            dst[x] = qRgb(c * k / 255, m * k / 255, yy * k / 255);
        }
    }
    return out;
}

// The Orientation of IFD0 in the first APP1 segment when that is an Exif block, 0 otherwise:
// the same block Auto Rotate reads, so that the grid and the queued turn agree.
uint32_t ExifOrientation(const QByteArray &in_data)
{
    constexpr size_t kExifIdentifier = 6; // "Exif\0\0"
    constexpr uint16_t kOrientationTag = 274;
    const auto *bytes = reinterpret_cast<const uint8_t *>(in_data.constData());
    const VYRJpegLayout layout = VYRScanJpeg(bytes, size_t(in_data.size()));
    for (const VYRJpegSegment &segment : layout.m_segments) {
        if (segment.m_marker != 0xE1)
            continue;
        // Marker and length come first; a segment that breaks off is read as far as it goes.
        const size_t start = segment.m_offset + 4;
        const size_t end = std::min(segment.m_offset + segment.m_length, size_t(in_data.size()));
        if (end < start + kExifIdentifier || std::memcmp(bytes + start, "Exif", 5) != 0)
            return 0;
        const VYRTiff tiff(bytes + start + kExifIdentifier, end - start - kExifIdentifier);
        VYRTiffEntry entry;
        uint32_t value = 0;
        if (!tiff.Valid() || !tiff.FindEntry(tiff.Ifd0(), kOrientationTag, &entry) ||
            !tiff.GetNumber(entry, &value))
            return 0;
        return value;
    }
    return 0;
}

int Refuse(const QString &in_path, int in_code, const QByteArray &in_reason)
{
    QLTrace("Cannot make a thumbnail of '%s': %s\n", qUtf8Printable(in_path),
            in_reason.constData());
    // A JPEG kind libjpeg does not read (12-bit, lossless) is no picture we can show.
    return in_code == VYR_ERR_TRANSFORM ? VYR_ERR_FILE_FORMAT : in_code;
}

// Decodes through the guard at the smallest reduction that still covers the fitted size,
// straight into the picture, and fits it while the guard still holds the memory it reserved.
int DecodeJpeg(const QString &in_path, const QByteArray &in_data, QSize in_box,
               const std::atomic<bool> *in_pCancel, QImage *out_pImage, VYRThumbFileInfo *out_pInfo)
{
    VYRJpegGuard guard(in_pCancel);
    guard.TolerateWarnings();
    int rc = guard.ReadHeader(reinterpret_cast<const uint8_t *>(in_data.constData()),
                              size_t(in_data.size()));
    if (rc != VYR_SUCCESS)
        return Refuse(in_path, rc, guard.Reason());
    jpeg_decompress_struct *info = guard.Info();
    out_pInfo->m_width = int(info->image_width);
    out_pInfo->m_height = int(info->image_height);

    int num = 1, denom = 1;
    VYRChooseJpegScale(out_pInfo->m_width, out_pInfo->m_height, in_box, &num, &denom);
    const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    info->scale_num = unsigned(num);
    info->scale_denom = unsigned(denom);
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    // Format_RGB32 is 0xffRRGGBB in native order: libjpeg writes it directly, the padding
    // bytes as 0xFF, so there is no second copy.
    info->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
#else
    info->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_XRGB;
#endif
    bool buffered = false;
    rc = guard.Run([&buffered](j_decompress_ptr in_pInfo) {
        jpeg_calc_output_dimensions(in_pInfo);
        buffered = jpeg_has_multiple_scans(in_pInfo);
    });
    if (rc != VYR_SUCCESS)
        return Refuse(in_path, rc, guard.Reason());

    // A multi-scan picture is decoded from all its coefficients at once, whatever the scale.
    const int width = int(info->output_width);
    const int height = int(info->output_height);
    const qint64 memory = (buffered ? guard.CoefficientBytes() : 0) + qint64(width) * height * 4;
    const qint64 data = guard.EntropyBytes();
    if (memory > kFreeBytes && memory > data * kBytesPerDataByte) {
        return Refuse(in_path, VYR_ERR_TOO_COSTLY,
                      QStringLiteral("%1x%2 pixels would need %3 MB for %4 KB of image data: no "
                                     "photo is made that way")
                          .arg(info->image_width)
                          .arg(info->image_height)
                          .arg(memory >> 20)
                          .arg(data >> 10)
                          .toUtf8());
    }
    guard.LimitWork(std::max(kFreeVisits, data * kVisitsPerDataByte));
    rc = guard.Reserve(memory);
    if (rc != VYR_SUCCESS)
        return Refuse(in_path, rc, guard.Reason());

    QImage image(width, height, cmyk ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return Refuse(in_path, VYR_ERR_NO_MEMORY, "no memory for the decoded picture");
    uchar *const bits = image.bits();
    const size_t stride = size_t(image.bytesPerLine());
    rc = guard.Run([bits, stride](j_decompress_ptr in_pInfo) {
        jpeg_start_decompress(in_pInfo);
        JSAMPROW rows[kRowsPerCall];
        while (in_pInfo->output_scanline < in_pInfo->output_height) {
            const JDIMENSION first = in_pInfo->output_scanline;
            const JDIMENSION count =
                std::min<JDIMENSION>(kRowsPerCall, in_pInfo->output_height - first);
            for (JDIMENSION i = 0; i < count; ++i)
                rows[i] = bits + (first + i) * stride;
            jpeg_read_scanlines(in_pInfo, rows, count);
        }
        // Nothing after the last row matters to a thumbnail: no jpeg_finish_decompress().
    });
    if (rc != VYR_SUCCESS)
        return Refuse(in_path, rc, guard.Reason());
    if (!guard.Warning().isEmpty()) {
        // What libjpeg made of a damaged file (the part there is, grey after data that breaks
        // off) still tells the user which photo it is.
        QLTrace("The thumbnail of '%s' shows damaged data: %s\n", qUtf8Printable(in_path),
                guard.Warning().constData());
    }
    *out_pImage = Fitted(cmyk ? CmykToRgb(image) : std::move(image), in_box);
    return out_pImage->isNull() ? VYR_ERR_NO_MEMORY : VYR_SUCCESS;
}

int DecodeOther(const QByteArray &in_data, QSize in_box, QImage *out_pImage,
                VYRThumbFileInfo *out_pInfo)
{
    QByteArray data = in_data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // Pixels as stored, as for JPEGs.
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (size.isValid()) {
        out_pInfo->m_width = size.width();
        out_pInfo->m_height = size.height();
        const QSize fitted = FittedSize(size.width(), size.height(), in_box);
        if (fitted != size && reader.supportsOption(QImageIOHandler::ScaledSize))
            reader.setScaledSize(fitted);
    }
    QImage image = reader.read();
    if (image.isNull())
        return reader.error() == QImageReader::UnsupportedFormatError ? VYR_ERR_FILE_FORMAT
                                                                      : VYR_ERR_FILE_DAMAGED;
    if (!size.isValid()) {
        out_pInfo->m_width = image.width();
        out_pInfo->m_height = image.height();
    }
    *out_pImage = image.convertToFormat(QImage::Format_RGB32);
    return VYR_SUCCESS;
}

} // namespace

QRgb VYRMatteToRgb(uint32_t in_matte)
{
    return qRgb(int(in_matte & 0xFF), int((in_matte >> 8) & 0xFF), int((in_matte >> 16) & 0xFF));
}

void VYRChooseJpegScale(int in_width, int in_height, QSize in_box, int *out_pNum, int *out_pDenom)
{
    *out_pNum = 1;
    *out_pDenom = 1;
    const QSize need = FittedSize(in_width, in_height, in_box);
    int count = 0;
    const tjscalingfactor *factors = tjGetScalingFactors(&count);
    long bestArea = long(in_width) * in_height;
    for (int i = 0; factors && i < count; ++i) {
        const tjscalingfactor f = factors[i];
        if (f.num > f.denom)
            continue; // never enlarge in the DCT
        const int w = TJSCALED(in_width, f);
        const int h = TJSCALED(in_height, f);
        if (w < need.width() || h < need.height())
            continue;
        const long area = long(w) * h;
        if (area < bestArea) {
            bestArea = area;
            *out_pNum = f.num;
            *out_pDenom = f.denom;
        }
    }
}

int VYRDecodeFittedPicture(const QString &in_path, QSize in_box, QImage *out_pPicture,
                           VYRThumbFileInfo *out_pInfo, const std::atomic<bool> *in_pCancel)
{
    if (in_pCancel && in_pCancel->load(std::memory_order_relaxed))
        return VYR_ERR_CANCELLED;
    QByteArray data;
    // A matching name may lead anywhere through a link (a FIFO, a device, a huge sparse file):
    // none of these may stall or exhaust the decoding threads.
    int status = VYRReadRegularFile(in_path, &data, nullptr, &out_pInfo->m_fileSize);
    if (status != VYR_SUCCESS)
        return status;

    QImage picture;
    const bool isJpeg = data.size() >= 3 && uchar(data[0]) == 0xFF && uchar(data[1]) == 0xD8 &&
                        uchar(data[2]) == 0xFF;
    if (isJpeg) {
        out_pInfo->m_exifOrientation = ExifOrientation(data);
        return DecodeJpeg(in_path, data, in_box, in_pCancel, out_pPicture, out_pInfo);
    }
    status = DecodeOther(data, in_box, &picture, out_pInfo);
    if (status != VYR_SUCCESS)
        return status;
    // The file's bytes can go before the shrink allocates.
    data = QByteArray();
    picture = Fitted(std::move(picture), in_box);
    if (picture.isNull())
        return VYR_ERR_NO_MEMORY;
    *out_pPicture = std::move(picture);
    return VYR_SUCCESS;
}

VYRThumbResult VYRMakeThumbnail(const QString &in_path, QSize in_box, uint32_t in_matte,
                                const std::atomic<bool> *in_pCancel)
{
    VYRThumbResult result;
    QImage picture;
    result.m_status = VYRDecodeFittedPicture(in_path, in_box, &picture, &result.m_info, in_pCancel);
    if (result.m_status != VYR_SUCCESS)
        return result;
    // A mirrored photo is shown with its mirror undone, as its file will be once written: the
    // turns the user then gives it are the ones a job writes after the mirror's undoing.
    if (VYROrientation::FromExif(result.m_info.m_exifOrientation).IsMirrored()) {
        picture = picture.mirrored(true, false);
        if (picture.isNull()) {
            result.m_status = VYR_ERR_NO_MEMORY;
            return result;
        }
    }

    const QRgb matte = VYRMatteToRgb(in_matte);
    const int left = (in_box.width() - picture.width()) / 2;
    const int top = (in_box.height() - picture.height()) / 2;
    // Compressed here, on the decoding thread, so the caller's thread never pays for it.
    result.m_thumb.m_compact = VYRCompressThumb(picture, in_box, QPoint(left, top), matte);
    if (result.m_thumb.m_compact)
        return result;

    // Compressing failed (out of memory): the whole box of pixels is still a right thumbnail.
    QImage thumb(in_box, QImage::Format_RGB32);
    if (thumb.isNull()) {
        result.m_status = VYR_ERR_NO_MEMORY;
        return result;
    }
    thumb.fill(matte);
    // A row copy rather than a QPainter: this runs on decoding threads, and it is all we need.
    for (int y = 0; y < picture.height(); ++y) {
        std::memcpy(thumb.scanLine(top + y) + size_t(left) * 4, picture.constScanLine(y),
                    size_t(picture.width()) * 4);
    }
    result.m_thumb.m_image = std::move(thumb);
    return result;
}
