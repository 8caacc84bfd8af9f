// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrthumbdecode.h"

#include "file/vyrreadfile.h"
#include "jpeg/vyrjpegguard.h"
#include "jpeg/vyrjpegscan.h"
#include "meta/vyrtiff.h"
#include "qltrace.h"
#include "thumb/vyrembeddedthumb.h"
#include "thumb/vyrsharedthumbs.h"
#include "thumb/vyrsharedthumbwriter.h"
#include "thumb/vyrthumbcache.h"

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

// One JPEG stream to decode: the photo, or a preview it carries.
struct JpegJob
{
    QString m_path;
    const uint8_t *m_pData = nullptr;
    size_t m_size = 0;
    QSize m_box;
    QSize m_classBox;       // when valid, also fitted to this box (for the shared cache)
    bool m_preview = false; // a preview: any warning refuses it, and a refusal is no failure
    const std::atomic<bool> *m_pCancel = nullptr;
};

struct JpegPictures
{
    QImage m_picture;      // fitted to the job's box
    QImage m_classPicture; // fitted to its class box, when asked for
};

int Refuse(const JpegJob &in_job, int in_code, const QByteArray &in_reason)
{
    if (in_job.m_preview) {
        // The photo is decoded instead: worth a trace, not a word to the user.
        QLTrace("The embedded preview of '%s' is not used: %s\n", qUtf8Printable(in_job.m_path),
                in_reason.constData());
        return in_code;
    }
    QLTrace("Cannot make a thumbnail of '%s': %s\n", qUtf8Printable(in_job.m_path),
            in_reason.constData());
    // A JPEG kind libjpeg does not read (12-bit, lossless) is no picture we can show.
    return in_code == VYR_ERR_TRANSFORM ? VYR_ERR_FILE_FORMAT : in_code;
}

// Sets up the scaled decode and reserves its memory; *out_pCmyk tells the output's form.
int PrepareJpeg(const JpegJob &in_job, VYRJpegGuard &inout_guard, bool *out_pCmyk,
                VYRThumbFileInfo *out_pInfo)
{
    jpeg_decompress_struct *info = inout_guard.Info();
    out_pInfo->m_width = int(info->image_width);
    out_pInfo->m_height = int(info->image_height);

    int num = 1, denom = 1;
    // The box alone decides, so the grid's picture is the same whether the cache is written
    // or not; the class picture is made only when this decode has the pixels for it.
    VYRChooseJpegScale(out_pInfo->m_width, out_pInfo->m_height, in_job.m_box, &num, &denom);
    const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    *out_pCmyk = cmyk;
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
    int rc = inout_guard.Run([&buffered](j_decompress_ptr in_pInfo) {
        jpeg_calc_output_dimensions(in_pInfo);
        buffered = jpeg_has_multiple_scans(in_pInfo);
    });
    if (rc != VYR_SUCCESS)
        return Refuse(in_job, rc, inout_guard.Reason());

    // A multi-scan picture is decoded from all its coefficients at once, whatever the scale.
    const qint64 memory = (buffered ? inout_guard.CoefficientBytes() : 0) +
                          qint64(info->output_width) * info->output_height * 4;
    const qint64 data = inout_guard.EntropyBytes();
    if (memory > kFreeBytes && memory > data * kBytesPerDataByte) {
        return Refuse(in_job, VYR_ERR_TOO_COSTLY,
                      QStringLiteral("%1x%2 pixels would need %3 MB for %4 KB of image data: no "
                                     "photo is made that way")
                          .arg(info->image_width)
                          .arg(info->image_height)
                          .arg(memory >> 20)
                          .arg(data >> 10)
                          .toUtf8());
    }
    inout_guard.LimitWork(std::max(kFreeVisits, data * kVisitsPerDataByte));
    rc = inout_guard.Reserve(memory);
    return rc == VYR_SUCCESS ? rc : Refuse(in_job, rc, inout_guard.Reason());
}

// Decodes through the guard at the smallest reduction that still covers the fitted size,
// straight into the picture, and fits it while the guard still holds the memory it reserved.
int DecodeJpeg(const JpegJob &in_job, JpegPictures *out_pPictures, VYRThumbFileInfo *out_pInfo)
{
    VYRJpegGuard guard(in_job.m_pCancel);
    if (!in_job.m_preview)
        guard.TolerateWarnings();
    int rc = guard.ReadHeader(in_job.m_pData, in_job.m_size);
    if (rc != VYR_SUCCESS)
        return Refuse(in_job, rc, guard.Reason());
    bool cmyk = false;
    rc = PrepareJpeg(in_job, guard, &cmyk, out_pInfo);
    if (rc != VYR_SUCCESS)
        return rc;
    jpeg_decompress_struct *info = guard.Info();
    QImage image(int(info->output_width), int(info->output_height),
                 cmyk ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return Refuse(in_job, VYR_ERR_NO_MEMORY, "no memory for the decoded picture");
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
        return Refuse(in_job, rc, guard.Reason());
    if (!guard.Warning().isEmpty()) {
        // What libjpeg made of a damaged file (the part there is, grey after data that breaks
        // off) still tells the user which photo it is.
        QLTrace("The thumbnail of '%s' shows damaged data: %s\n", qUtf8Printable(in_job.m_path),
                guard.Warning().constData());
    }
    if (cmyk)
        image = CmykToRgb(image);
    const QSize classSize = FittedSize(out_pInfo->m_width, out_pInfo->m_height, in_job.m_classBox);
    const bool wantsClass = in_job.m_classBox.isValid() && image.width() >= classSize.width() &&
                            image.height() >= classSize.height();
    // A box of the class's own size (the 128 px grid) needs no second shrink.
    if (wantsClass && in_job.m_classBox != in_job.m_box)
        out_pPictures->m_classPicture = Fitted(image, in_job.m_classBox);
    out_pPictures->m_picture = Fitted(std::move(image), in_job.m_box);
    if (wantsClass && in_job.m_classBox == in_job.m_box)
        out_pPictures->m_classPicture = out_pPictures->m_picture;
    return out_pPictures->m_picture.isNull() ? VYR_ERR_NO_MEMORY : VYR_SUCCESS;
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

bool IsJpegStart(const QByteArray &in_data)
{
    return in_data.size() >= 3 && uchar(in_data[0]) == 0xFF && uchar(in_data[1]) == 0xD8 &&
           uchar(in_data[2]) == 0xFF;
}

// Bytes read first: the Exif block (at most 64 KiB) and the frame header after it lie there in
// any camera's photo, so a photo shown from the shared cache or its Exif thumbnail is never
// read whole.
constexpr qint64 kHeadBytes = qint64(192) << 10;

// A picture that stands for the photo, brought to exactly the size the photo's decode would
// have: the grid's geometry (and every later turn of it) is then the same either way.
bool ToTarget(QImage in_picture, QSize in_target, QImage *out_pPicture)
{
    if (in_picture.size() != in_target)
        in_picture = in_picture.scaled(in_target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (in_picture.isNull())
        return false;
    *out_pPicture = in_picture.convertToFormat(QImage::Format_RGB32);
    return !out_pPicture->isNull();
}

struct PhotoFacts
{
    VYRJpegFrame m_frame;
    QSize m_target; // the photo fitted into the box
    QSize m_box;
    int m_tolerancePercent = 0;
};

// Tries the previews in in_data (the file's first bytes, or all of them) that begin at or
// after in_from, smallest first; *out_pBeyond tells whether one lay beyond the data.
bool TryPreviews(const QString &in_path, const QByteArray &in_data, qint64 in_fileSize,
                 qint64 in_from, const PhotoFacts &in_photo, const std::atomic<bool> *in_pCancel,
                 QImage *out_pPicture, bool *out_pBeyond)
{
    const auto *bytes = reinterpret_cast<const uint8_t *>(in_data.constData());
    std::vector<std::pair<qint64, VYREmbeddedPreview>> usable; // by area
    for (const VYREmbeddedPreview &preview :
         VYRFindEmbeddedPreviews(bytes, size_t(in_data.size()), in_fileSize)) {
        if (preview.m_offset < in_from)
            continue;
        if (preview.m_offset + preview.m_size > in_data.size()) {
            *out_pBeyond = true;
            continue;
        }
        VYRJpegFrame frame;
        if (!VYRReadJpegFrame(bytes + preview.m_offset, size_t(preview.m_size), &frame))
            continue;
        const QSize size(frame.m_width, frame.m_height);
        if (!VYRPreviewIsLargeEnough(size, in_photo.m_target, in_photo.m_tolerancePercent))
            continue;
        if (!VYRPreviewMatchesPhoto(size, in_photo.m_frame)) {
            QLTrace("The embedded preview of '%s' is not used: %dx%d is not the photo's frame "
                    "(%dx%d)\n",
                    qUtf8Printable(in_path), size.width(), size.height(), in_photo.m_frame.m_width,
                    in_photo.m_frame.m_height);
            continue;
        }
        usable.emplace_back(qint64(size.width()) * size.height(), preview);
    }
    std::sort(usable.begin(), usable.end(),
              [](const auto &in_a, const auto &in_b) { return in_a.first < in_b.first; });
    for (const auto &candidate : usable) {
        JpegJob job;
        job.m_path = in_path;
        job.m_pData = bytes + candidate.second.m_offset;
        job.m_size = size_t(candidate.second.m_size);
        job.m_box = in_photo.m_box;
        job.m_preview = true;
        job.m_pCancel = in_pCancel;
        JpegPictures pictures;
        VYRThumbFileInfo scratch;
        if (DecodeJpeg(job, &pictures, &scratch) == VYR_SUCCESS &&
            ToTarget(std::move(pictures.m_picture), in_photo.m_target, out_pPicture))
            return true;
    }
    return false;
}

// The photo decoded whole, fitted to the box; and, when the shared cache is written, fitted to
// its size class and handed to the writer (or written here when its queue is full).
int DecodeAndShare(const QString &in_path, const QByteArray &in_data, QSize in_box,
                   const VYRThumbSources &in_sources, VYRSharedThumbPhoto *inout_pPhoto,
                   const std::atomic<bool> *in_pCancel, QImage *out_pPicture,
                   VYRThumbFileInfo *out_pInfo)
{
    JpegJob job;
    job.m_path = in_path;
    job.m_pData = reinterpret_cast<const uint8_t *>(in_data.constData());
    job.m_size = size_t(in_data.size());
    job.m_box = in_box;
    job.m_pCancel = in_pCancel;
    const int classEdge = in_sources.m_writeShared ? VYRSharedThumbClassFor(in_box) : 0;
    if (classEdge > 0)
        job.m_classBox = QSize(classEdge, classEdge);
    JpegPictures pictures;
    const int status = DecodeJpeg(job, &pictures, out_pInfo);
    if (status != VYR_SUCCESS)
        return status;
    *out_pPicture = std::move(pictures.m_picture);
    if (classEdge > 0 && !pictures.m_classPicture.isNull()) {
        inout_pPhoto->m_width = out_pInfo->m_width;
        inout_pPhoto->m_height = out_pInfo->m_height;
        if (!VYRDeferSharedThumb(in_sources, *inout_pPhoto, classEdge, pictures.m_classPicture))
            VYRWriteSharedThumb(in_sources, *inout_pPhoto, classEdge, pictures.m_classPicture);
    }
    return VYR_SUCCESS;
}

} // namespace

int VYRDecodeThumbPicture(const QString &in_path, QSize in_box, const VYRThumbSources &in_sources,
                          QImage *out_pPicture, VYRThumbFileInfo *out_pInfo,
                          const std::atomic<bool> *in_pCancel)
{
    if (in_pCancel && in_pCancel->load(std::memory_order_relaxed))
        return VYR_ERR_CANCELLED;
    const VYRThumbDecodeScope decoding;
    QByteArray data;
    VYRSharedThumbPhoto photo;
    photo.m_path = in_path;
    // Whatever cannot be read this way is told by the plain decode, with its own status.
    if (VYRReadFileHead(in_path, kHeadBytes, &data, &photo.m_identity) != VYR_SUCCESS ||
        !IsJpegStart(data) || photo.m_identity.m_size > kVYRMaxFileBytes)
        return VYRDecodeFittedPicture(in_path, in_box, out_pPicture, out_pInfo, in_pCancel);
    out_pInfo->m_fileSize = photo.m_identity.m_size;
    out_pInfo->m_exifOrientation = ExifOrientation(data);
    photo.m_exif = VYROrientation::FromExif(out_pInfo->m_exifOrientation);
    // Other programs' entries are taken as file managers make them (the orientation applied);
    // only for an upright photo can that make no difference.
    photo.m_trustForeign = photo.m_exif.IsUpright();

    PhotoFacts facts;
    facts.m_box = in_box;
    facts.m_tolerancePercent = in_sources.m_tolerancePercent;
    const auto *bytes = reinterpret_cast<const uint8_t *>(data.constData());
    const bool framed = VYRReadJpegFrame(bytes, size_t(data.size()), &facts.m_frame);
    if (framed) {
        facts.m_target = FittedSize(facts.m_frame.m_width, facts.m_frame.m_height, in_box);
        photo.m_width = facts.m_frame.m_width;
        photo.m_height = facts.m_frame.m_height;
        out_pInfo->m_width = facts.m_frame.m_width;
        out_pInfo->m_height = facts.m_frame.m_height;
        QImage entry;
        if (in_sources.m_readShared && VYRReadSharedThumb(in_sources, photo, in_box, &entry) &&
            VYRPreviewMatchesPhoto(entry.size(), facts.m_frame) &&
            VYRPreviewIsLargeEnough(entry.size(), facts.m_target, 0) &&
            ToTarget(std::move(entry), facts.m_target, out_pPicture))
            return VYR_SUCCESS;
    }
    bool beyond = false;
    if (framed && in_sources.m_useEmbedded &&
        TryPreviews(in_path, data, photo.m_identity.m_size, 0, facts, in_pCancel, out_pPicture,
                    &beyond))
        return VYR_SUCCESS;

    const qint64 headSize = data.size();
    if (headSize < photo.m_identity.m_size) {
        qint64 size = 0;
        const int status = VYRReadRegularFile(in_path, &data, nullptr, &size);
        if (status != VYR_SUCCESS)
            return status;
        out_pInfo->m_fileSize = size;
        if (beyond &&
            TryPreviews(in_path, data, size, headSize, facts, in_pCancel, out_pPicture, &beyond))
            return VYR_SUCCESS;
    }
    return DecodeAndShare(in_path, data, in_box, in_sources, &photo, in_pCancel, out_pPicture,
                          out_pInfo);
}

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
        JpegJob job;
        job.m_path = in_path;
        job.m_pData = reinterpret_cast<const uint8_t *>(data.constData());
        job.m_size = size_t(data.size());
        job.m_box = in_box;
        job.m_pCancel = in_pCancel;
        JpegPictures pictures;
        status = DecodeJpeg(job, &pictures, out_pInfo);
        if (status == VYR_SUCCESS)
            *out_pPicture = std::move(pictures.m_picture);
        return status;
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
                                const std::atomic<bool> *in_pCancel,
                                const VYRThumbSources *in_pSources)
{
    VYRThumbResult result;
    QImage picture;
    result.m_status =
        in_pSources ? VYRDecodeThumbPicture(in_path, in_box, *in_pSources, &picture, &result.m_info,
                                            in_pCancel)
                    : VYRDecodeFittedPicture(in_path, in_box, &picture, &result.m_info, in_pCancel);
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
