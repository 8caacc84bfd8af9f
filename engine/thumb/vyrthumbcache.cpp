// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrthumbcache.h"

#include "thumb/vyrbitmap.h"

#include <QCache>

#include <atomic>
#include <mutex>
#include <turbojpeg.h>

namespace {

using TjHandle = std::unique_ptr<void, decltype(&tjDestroy)>;

// Quality 90 without chroma subsampling: at thumbnail scale every pixel carries detail, and
// halving the colour resolution shows as colour fringes on edges; the data stays a fraction of
// the pixels it stands for (see docs/thumbnails.md).
constexpr int kQuality = 90;
constexpr int kSubsampling = TJSAMP_444;
constexpr qint64 kDefaultLimit = qint64(48) * 1024 * 1024;

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr int kPixelFormat = TJPF_BGRX; // Format_RGB32 in memory
#else
constexpr int kPixelFormat = TJPF_XRGB;
#endif

std::atomic<quint64> g_nextId{1};

// One handle per thread and direction, kept for the thread's life: a decode of a small picture
// takes about as long as setting up a fresh decompressor.
void *Compressor()
{
    thread_local TjHandle handle(nullptr, &tjDestroy);
    if (!handle)
        handle.reset(tjInitCompress());
    return handle.get();
}

void *Decompressor()
{
    thread_local TjHandle handle(nullptr, &tjDestroy);
    if (!handle)
        handle.reset(tjInitDecompress());
    return handle.get();
}

QImage Decode(const VYRCompactThumb &in_thumb)
{
    void *handle = Decompressor();
    const QSize size = in_thumb.m_picture.size();
    QImage image(size, QImage::Format_RGB32);
    if (!handle || image.isNull())
        return QImage();
    const auto *data = reinterpret_cast<const unsigned char *>(in_thumb.m_jpeg.constData());
    if (tjDecompress2(handle, data, static_cast<unsigned long>(in_thumb.m_jpeg.size()),
                      image.bits(), size.width(), int(image.bytesPerLine()), size.height(),
                      kPixelFormat, 0) != 0 &&
        tjGetErrorCode(handle) != TJERR_WARNING)
        return QImage();
    return image;
}

// Decoded pictures keyed by (thumbnail, turns), costed in bytes. Pictures are looked up and
// inserted under the lock but decoded outside it, so one slow decode never holds up a paint
// on another thread; two threads decoding the same picture at once only waste a little work.
struct Cache
{
    std::mutex m_mutex;
    QCache<quint64, QImage> m_pictures{kDefaultLimit};
};

Cache &TheCache()
{
    static Cache cache;
    return cache;
}

quint64 Key(const VYRCompactThumb &in_thumb, int in_quarterTurns)
{
    return in_thumb.m_id * 4 + quint64(in_quarterTurns);
}

} // namespace

std::shared_ptr<const VYRCompactThumb> VYRCompressThumb(const QImage &in_picture, QSize in_box,
                                                        QPoint in_topLeft, QRgb in_matte)
{
    const QRect picture(in_topLeft, in_picture.size());
    if (in_picture.isNull() || !QRect(QPoint(0, 0), in_box).contains(picture))
        return nullptr;
    const QImage pixels = in_picture.format() == QImage::Format_RGB32
                              ? in_picture
                              : in_picture.convertToFormat(QImage::Format_RGB32);
    void *handle = Compressor();
    if (!handle || pixels.isNull())
        return nullptr;
    unsigned char *jpeg = nullptr;
    unsigned long jpegSize = 0;
    const int failed =
        tjCompress2(handle, pixels.constBits(), pixels.width(), int(pixels.bytesPerLine()),
                    pixels.height(), kPixelFormat, &jpeg, &jpegSize, kSubsampling, kQuality, 0);
    const std::unique_ptr<unsigned char, decltype(&tjFree)> owner(jpeg, &tjFree);
    if (failed)
        return nullptr;

    auto thumb = std::make_shared<VYRCompactThumb>();
    thumb->m_jpeg = QByteArray(reinterpret_cast<const char *>(jpeg), qsizetype(jpegSize));
    thumb->m_box = in_box;
    thumb->m_picture = picture;
    thumb->m_matte = in_matte;
    thumb->m_id = g_nextId.fetch_add(1, std::memory_order_relaxed);
    if (thumb->m_jpeg.size() != qsizetype(jpegSize))
        return nullptr;
    return thumb;
}

QSize VYRTurnedBoxSize(const VYRCompactThumb &in_thumb, int in_quarterTurns)
{
    return in_quarterTurns % 2 ? in_thumb.m_box.transposed() : in_thumb.m_box;
}

QRect VYRTurnedPictureRect(const VYRCompactThumb &in_thumb, int in_quarterTurns)
{
    const int boxW = in_thumb.m_box.width();
    const int boxH = in_thumb.m_box.height();
    const QRect &p = in_thumb.m_picture;
    // The moves of VYRTurnImage applied to the rectangle: clockwise a pixel (x, y) goes to
    // (boxH - 1 - y, x), counter-clockwise to (y, boxW - 1 - x).
    switch (((in_quarterTurns % 4) + 4) % 4) {
    case 1:
        return QRect(boxH - p.y() - p.height(), p.x(), p.height(), p.width());
    case 2:
        return QRect(boxW - p.x() - p.width(), boxH - p.y() - p.height(), p.width(), p.height());
    case 3:
        return QRect(p.y(), boxW - p.x() - p.width(), p.height(), p.width());
    default:
        return p;
    }
}

QImage VYRThumbCacheGet(const VYRCompactThumb &in_thumb, int in_quarterTurns)
{
    const int turns = ((in_quarterTurns % 4) + 4) % 4;
    Cache &cache = TheCache();
    QImage unturned;
    {
        std::lock_guard<std::mutex> lock(cache.m_mutex);
        if (const QImage *hit = cache.m_pictures.object(Key(in_thumb, turns)))
            return *hit;
        // Just turned by a click: the picture as it was is usually still here, and turning it
        // is cheaper than decoding.
        if (turns != 0) {
            if (const QImage *hit = cache.m_pictures.object(Key(in_thumb, 0)))
                unturned = *hit;
        }
    }
    if (unturned.isNull())
        unturned = Decode(in_thumb);
    if (unturned.isNull())
        return QImage();
    QImage picture = turns ? VYRTurnImage(unturned, turns) : unturned;
    if (picture.isNull())
        return QImage();
    std::lock_guard<std::mutex> lock(cache.m_mutex);
    cache.m_pictures.insert(Key(in_thumb, turns), new QImage(picture), picture.sizeInBytes());
    return picture;
}

void VYRThumbCacheSetLimit(qint64 in_bytes)
{
    Cache &cache = TheCache();
    std::lock_guard<std::mutex> lock(cache.m_mutex);
    cache.m_pictures.setMaxCost(qMax<qint64>(0, in_bytes));
}

qint64 VYRThumbCacheLimit()
{
    Cache &cache = TheCache();
    std::lock_guard<std::mutex> lock(cache.m_mutex);
    return cache.m_pictures.maxCost();
}

qint64 VYRThumbCacheCost()
{
    Cache &cache = TheCache();
    std::lock_guard<std::mutex> lock(cache.m_mutex);
    return cache.m_pictures.totalCost();
}

void VYRThumbCacheClear()
{
    Cache &cache = TheCache();
    std::lock_guard<std::mutex> lock(cache.m_mutex);
    cache.m_pictures.clear();
}
