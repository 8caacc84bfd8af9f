// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrphotofacts.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <algorithm>

#include "jpeg/vyrjpegscan.h"
#include "meta/vyrtiff.h"

namespace {
constexpr qint64 kHeadBytes = 256 * 1024;
constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint16_t kTagExifIfd = 0x8769;
constexpr uint16_t kTagDateTimeOriginal = 0x9003;
constexpr uint16_t kTypeAscii = 2;

// "2024:05:01 12:30:00" as Exif writes it, shown with dashes; blanks or junk give nothing.
QString DateFromExif(const QByteArray &in_raw)
{
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(in_raw.left(19)),
                                                 QStringLiteral("yyyy:MM:dd HH:mm:ss"));
    return when.isValid() ? when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

void ReadExif(const uint8_t *in_pTiff, size_t in_size, VYRPhotoFacts *inout_pFacts)
{
    const VYRTiff tiff(in_pTiff, in_size);
    if (!tiff.Valid())
        return;
    VYRTiffEntry entry;
    uint32_t value = 0;
    if (tiff.FindEntry(tiff.Ifd0(), kTagOrientation, &entry) && tiff.GetNumber(entry, &value))
        inout_pFacts->m_orientation = value;
    if (!tiff.FindEntry(tiff.Ifd0(), kTagExifIfd, &entry) || !tiff.GetNumber(entry, &value))
        return;
    size_t pos = 0, size = 0;
    if (tiff.FindEntry(value, kTagDateTimeOriginal, &entry) && entry.m_type == kTypeAscii &&
        tiff.ValueSpan(entry, &pos, &size)) {
        inout_pFacts->m_taken =
            DateFromExif(QByteArray(reinterpret_cast<const char *>(in_pTiff + pos), int(size)));
    }
}

// The first Exif block and the frame header of a JPEG head.
void ReadJpegHead(const QByteArray &in_head, VYRPhotoFacts *inout_pFacts)
{
    const auto *data = reinterpret_cast<const uint8_t *>(in_head.constData());
    const size_t size = size_t(in_head.size());
    const VYRJpegLayout layout = VYRScanJpeg(data, size);
    if (!layout.m_isJpeg)
        return;
    bool exifSeen = false;
    for (const VYRJpegSegment &segment : layout.m_segments) {
        if (segment.m_offset + segment.m_length > size)
            break;
        const uint8_t *body = data + segment.m_offset + 4; // past the marker and the length
        const size_t bodySize = segment.m_length >= 4 ? segment.m_length - 4 : 0;
        const uint8_t m = segment.m_marker;
        if (m == 0xE1 && !exifSeen && bodySize > 6 && std::equal(body, body + 6, "Exif\0\0")) {
            exifSeen = true;
            ReadExif(body + 6, bodySize - 6, inout_pFacts);
        }
        // SOF0-15 but DHT (C4), JPG (C8) and DAC (CC): precision, height, width.
        const bool frame = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (frame && bodySize >= 5 && inout_pFacts->m_width == 0) {
            inout_pFacts->m_height = (body[1] << 8) | body[2];
            inout_pFacts->m_width = (body[3] << 8) | body[4];
        }
    }
}
} // namespace

VYRPhotoFacts VYRReadPhotoFacts(const QString &in_path)
{
    VYRPhotoFacts facts;
    const QFileInfo info(in_path);
    // A FIFO or a device would block the read or never end.
    if (!info.isFile())
        return facts;
    QFile file(in_path);
    if (!file.open(QIODevice::ReadOnly))
        return facts;
    facts.m_bRead = true;
    facts.m_fileSize = info.size();
    facts.m_modified = info.lastModified();
    ReadJpegHead(file.read(kHeadBytes), &facts);
    return facts;
}

VYRPhotoFactsCache::VYRPhotoFactsCache(QObject *in_pParent) : QObject(in_pParent)
{
    // One file at a time: a tooltip needs one, and the thumbnail decoders need the disk.
    m_pool.setMaxThreadCount(1);
}

VYRPhotoFactsCache::~VYRPhotoFactsCache()
{
    // A read still under way posts to this object: it must end before the object does.
    m_pool.clear();
    m_pool.waitForDone();
}

bool VYRPhotoFactsCache::Lookup(const QString &in_path, bool in_bPending, VYRPhotoFacts *out_pFacts)
{
    const auto known = m_known.constFind(in_path);
    if (known != m_known.constEnd()) {
        // Read before its job had finished, and the job has: the file is another one now.
        if (!known.value().m_bPendingAtRead || in_bPending) {
            if (out_pFacts)
                *out_pFacts = known.value().m_facts;
            return true;
        }
        m_known.remove(in_path);
    }
    if (!m_reading.contains(in_path)) {
        const quint64 token = ++m_nextToken;
        m_reading.insert(in_path, token);
        m_pendingAtRead.insert(in_path, in_bPending);
        m_pool.start([this, in_path, token] {
            const VYRPhotoFacts facts = VYRReadPhotoFacts(in_path);
            QMetaObject::invokeMethod(
                this, [this, in_path, facts, token] { Store(in_path, facts, token); },
                Qt::QueuedConnection);
        });
    }
    return false;
}

void VYRPhotoFactsCache::Clear()
{
    m_known.clear();
    m_reading.clear();
    m_pendingAtRead.clear();
}

void VYRPhotoFactsCache::Forget(const QString &in_path)
{
    m_known.remove(in_path);
    m_reading.remove(in_path);
    m_pendingAtRead.remove(in_path);
}

void VYRPhotoFactsCache::Store(const QString &in_path, const VYRPhotoFacts &in_facts,
                               quint64 in_token)
{
    const auto reading = m_reading.constFind(in_path);
    if (reading == m_reading.constEnd() || reading.value() != in_token)
        return;
    m_reading.remove(in_path);
    m_known.insert(in_path, Known{in_facts, m_pendingAtRead.take(in_path)});
    emit FactsReady(in_path);
}
