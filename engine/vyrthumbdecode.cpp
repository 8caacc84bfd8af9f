// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrthumbdecode.h"

#include "vyrjpegscan.h"
#include "vyrreadfile.h"
#include "vyrthumbcache.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>

namespace {

using TjHandle = std::unique_ptr<void, decltype(&tjDestroy)>;

constexpr qint64 kMaxDecodedPixels = 64 * 1024 * 1024;
// What the coefficients of a progressive picture may take (about 170 megapixels at 4:2:0).
constexpr qint64 kMaxCoefficientBytes = qint64(512) * 1024 * 1024;
// Larger than any photo; each decoding thread holds one file whole.

// Picture size after fitting into the box (never enlarged).
QSize FittedSize(int in_width, int in_height, QSize in_box)
{
    const QSize full(in_width, in_height);
    if (in_width <= in_box.width() && in_height <= in_box.height())
        return full;
    QSize fitted = full.scaled(in_box, Qt::KeepAspectRatio);
    return fitted.expandedTo(QSize(1, 1));
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

int DecodeJpeg(const QByteArray &in_data, QSize in_box, QImage *out_pImage,
               VYRThumbFileInfo *out_pInfo)
{
    TjHandle handle(tjInitDecompress(), &tjDestroy);
    if (!handle)
        return VYR_ERR_NO_MEMORY;
    const auto *data = reinterpret_cast<const unsigned char *>(in_data.constData());
    const unsigned long size = static_cast<unsigned long>(in_data.size());
    int width = 0, height = 0, subsamp = 0, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), data, size, &width, &height, &subsamp, &colorspace) !=
            0 &&
        (width <= 0 || height <= 0))
        return VYR_ERR_FILE_DAMAGED;
    out_pInfo->m_width = width;
    out_pInfo->m_height = height;

    // Progressive and multi-scan files are decoded from all their coefficients at once, two
    // bytes each per block sample, whatever the scale; a damaged one is decoded to its end.
    // A few hundred bytes claiming 60000x60000 pixels would have the decoder fill gigabytes.
    if (VYRJpegBuffersWholeImage(data, size)) {
        const bool cmyk = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
        const qint64 samplesPerPixelX4 = cmyk                                             ? 16
                                         : subsamp == TJSAMP_GRAY                         ? 4
                                         : subsamp == TJSAMP_420 || subsamp == TJSAMP_411 ? 6
                                         : subsamp == TJSAMP_422 || subsamp == TJSAMP_440 ? 8
                                                                                          : 12;
        if (qint64(width) * height * samplesPerPixelX4 / 4 * 2 > kMaxCoefficientBytes)
            return VYR_ERR_NO_MEMORY;
    }

    int num = 1, denom = 1;
    VYRChooseJpegScale(width, height, in_box, &num, &denom);
    const tjscalingfactor factor = {num, denom};
    const int scaledW = TJSCALED(width, factor);
    const int scaledH = TJSCALED(height, factor);

    // A header may claim any size up to 65535x65535; even scaled down that could ask for
    // gigabytes. Photos of several hundred megapixels still pass.
    if (qint64(scaledW) * scaledH > kMaxDecodedPixels)
        return VYR_ERR_NO_MEMORY;

    const bool cmyk = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    const int pixelFormat = cmyk ? TJPF_CMYK : TJPF_BGRX;
#else
    const int pixelFormat = cmyk ? TJPF_CMYK : TJPF_XRGB;
#endif
    // Format_RGB32 is 0xffRRGGBB in native order: TurboJPEG writes it directly, padding bytes
    // as 0xFF, so there is no second copy.
    QImage image(scaledW, scaledH, cmyk ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return VYR_ERR_NO_MEMORY;
    // Progressive files built to make the decoder run for minutes are cut off by the scan limit.
    const int flags = TJFLAG_LIMITSCANS;
    if (tjDecompress2(handle.get(), data, size, image.bits(), scaledW, int(image.bytesPerLine()),
                      scaledH, pixelFormat, flags) != 0 &&
        tjGetErrorCode(handle.get()) != TJERR_WARNING) {
        return VYR_ERR_FILE_DAMAGED;
    }
    // A warning (say, data that breaks off) still leaves a usable picture: the part that was
    // there is shown, the rest is grey, and the file stays visible in the grid.
    *out_pImage = cmyk ? CmykToRgb(image) : std::move(image);
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
                           VYRThumbFileInfo *out_pInfo)
{
    QByteArray data;
    // A matching name may lead anywhere through a link (a FIFO, a device, a huge sparse file):
    // none of these may stall or exhaust the decoding threads.
    int status = VYRReadRegularFile(in_path, &data, nullptr, &out_pInfo->m_fileSize);
    if (status != VYR_SUCCESS)
        return status;

    QImage picture;
    const bool isJpeg = data.size() >= 3 && uchar(data[0]) == 0xFF && uchar(data[1]) == 0xD8 &&
                        uchar(data[2]) == 0xFF;
    status = isJpeg ? DecodeJpeg(data, in_box, &picture, out_pInfo)
                    : DecodeOther(data, in_box, &picture, out_pInfo);
    if (status != VYR_SUCCESS)
        return status;
    // The file's bytes can go before the shrink allocates.
    data = QByteArray();

    const QSize fitted = FittedSize(picture.width(), picture.height(), in_box);
    if (fitted != picture.size())
        picture = picture.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (!picture.isNull() && picture.format() != QImage::Format_RGB32)
        picture = picture.convertToFormat(QImage::Format_RGB32);
    if (picture.isNull())
        return VYR_ERR_NO_MEMORY;
    *out_pPicture = std::move(picture);
    return VYR_SUCCESS;
}

VYRThumbResult VYRMakeThumbnail(const QString &in_path, QSize in_box, uint32_t in_matte)
{
    VYRThumbResult result;
    QImage picture;
    result.m_status = VYRDecodeFittedPicture(in_path, in_box, &picture, &result.m_info);
    if (result.m_status != VYR_SUCCESS)
        return result;

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
