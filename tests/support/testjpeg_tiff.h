// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Inside the test JPEG writer (testjpeg.h): TIFF data in either byte order and its IFD
// entries, shared by the Exif and the multi-picture builders; and the TurboJPEG compressor.
#pragma once

#include "testjpeg.h"

#include <QByteArray>
#include <QImage>
#include <algorithm>
#include <vector>

namespace TestJpeg::Detail {

// Byte order aware writer of TIFF numbers into a growing buffer.
class TiffBytes
{
public:
    explicit TiffBytes(bool in_bigEndian) : m_bigEndian(in_bigEndian) {}

    QByteArray &Bytes() { return m_bytes; }
    bool BigEndian() const { return m_bigEndian; }

    void Put16(qint64 in_pos, quint32 in_value)
    {
        Reserve(in_pos + 2);
        quint8 *p = reinterpret_cast<quint8 *>(m_bytes.data()) + in_pos;
        if (m_bigEndian) {
            p[0] = quint8(in_value >> 8);
            p[1] = quint8(in_value);
        } else {
            p[0] = quint8(in_value);
            p[1] = quint8(in_value >> 8);
        }
    }
    void Put32(qint64 in_pos, quint32 in_value)
    {
        if (m_bigEndian) {
            Put16(in_pos, in_value >> 16);
            Put16(in_pos + 2, in_value & 0xFFFF);
        } else {
            Put16(in_pos, in_value & 0xFFFF);
            Put16(in_pos + 2, in_value >> 16);
        }
    }
    // Number in file order as a byte array of in_size bytes (1, 2 or 4).
    QByteArray Number(quint32 in_value, int in_size) const
    {
        QByteArray out(in_size, '\0');
        for (int i = 0; i < in_size; ++i) {
            const int shift = m_bigEndian ? 8 * (in_size - 1 - i) : 8 * i;
            out[i] = char((in_value >> shift) & 0xFF);
        }
        return out;
    }
    void Reserve(qint64 in_size)
    {
        if (m_bytes.size() < in_size)
            m_bytes.append(QByteArray(in_size - m_bytes.size(), '\0'));
    }
    // Appends at an even offset (TIFF data starts on word boundaries); returns the offset.
    qint64 AppendAligned(const QByteArray &in_data, qint64 in_atLeast = 0)
    {
        qint64 pos = std::max<qint64>(m_bytes.size(), in_atLeast);
        if (pos % 2)
            ++pos;
        Reserve(pos);
        m_bytes.append(in_data);
        return pos;
    }

private:
    QByteArray m_bytes;
    bool m_bigEndian;
};

struct Entry
{
    quint16 tag = 0;
    quint16 type = 0;
    quint32 count = 0;
    QByteArray data;          // the values in file order (count * type size bytes)
    qint64 forcedOffset = -1; // out-of-line data placed at this TIFF offset
    bool isPointer = false;   // value is an offset patched later (sub-IFD, thumbnail)
    qint64 valuePos = -1;     // filled in when written: TIFF offset of the value field
};

// Bytes of one value of a TIFF type.
int TypeSize(quint16 in_type);
// Writes an IFD of io_entries at in_pos (out-of-line values after it); fills each entry's
// valuePos. Returns the TIFF offset of the link to the next IFD.
qint64 WriteIfd(TiffBytes &io_tiff, qint64 in_pos, std::vector<Entry> &io_entries);
Entry MakeEntry(const TiffBytes &in_tiff, quint16 in_tag, quint16 in_type, quint32 in_count,
                quint32 in_value);
Entry MakeAscii(quint16 in_tag, const QByteArray &in_text);
Entry MakeRational(const TiffBytes &in_tiff, quint16 in_tag, quint32 in_num, quint32 in_den);

// Compresses an image with TurboJPEG; optionally makes it progressive. Empty on failure.
QByteArray Compress(const QImage &in_image, Sampling in_sampling, int in_quality,
                    bool in_progressive);

} // namespace TestJpeg::Detail
