// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "testjpeg_damage.h"

#include "testjpeg_codec.h"

#include <QtGlobal>

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
// After jpeglib.h: its configuration names the arithmetic coder's messages.
#include <jerror.h>

namespace TestJpegDamage {
namespace {

struct Recorder
{
    jpeg_error_mgr m_pub;
    std::jmp_buf m_jump;
    Reading *m_pReading;
};

Recorder *RecorderOf(j_common_ptr in_pInfo)
{
    return reinterpret_cast<Recorder *>(in_pInfo->err);
}

void RecordError(j_common_ptr in_pInfo)
{
    char text[JMSG_LENGTH_MAX];
    (*in_pInfo->err->format_message)(in_pInfo, text);
    RecorderOf(in_pInfo)->m_pReading->m_error = QString::fromLatin1(text);
    std::longjmp(RecorderOf(in_pInfo)->m_jump, 1);
}

void RecordMessage(j_common_ptr in_pInfo, int in_level)
{
    if (in_level >= 0)
        return;
    Reading *reading = RecorderOf(in_pInfo)->m_pReading;
    if (reading->m_warnings.isEmpty()) {
        char text[JMSG_LENGTH_MAX];
        (*in_pInfo->err->format_message)(in_pInfo, text);
        reading->m_firstWarning = QString::fromLatin1(text);
    }
    reading->m_warnings.append(in_pInfo->err->msg_code);
}

// The entropy-coded data of every scan, restart markers included: [begin, end).
struct Range
{
    qsizetype m_begin = 0;
    qsizetype m_end = 0;
};

uchar At(const QByteArray &in_jpeg, qsizetype in_offset)
{
    return uchar(in_jpeg.at(in_offset));
}

QList<Range> ScanData(const QByteArray &in_jpeg)
{
    QList<Range> ranges;
    qsizetype at = 2;
    while (at + 4 <= in_jpeg.size() && At(in_jpeg, at) == 0xFF) {
        const uchar marker = At(in_jpeg, at + 1);
        if (marker == 0xD9)
            break;
        const qsizetype next = at + 2 + (At(in_jpeg, at + 2) << 8 | At(in_jpeg, at + 3));
        if (marker != 0xDA) {
            at = next;
            continue;
        }
        qsizetype end = next;
        while (end + 1 < in_jpeg.size() &&
               !(At(in_jpeg, end) == 0xFF && At(in_jpeg, end + 1) != 0 &&
                 (At(in_jpeg, end + 1) < 0xD0 || At(in_jpeg, end + 1) > 0xD7)))
            ++end;
        ranges.append({next, end});
        at = end;
    }
    return ranges;
}

// Offsets of the data bytes that a bit flip may change without making or breaking a marker.
QList<qsizetype> FlippableBytes(const QByteArray &in_jpeg)
{
    QList<qsizetype> offsets;
    for (const Range &range : ScanData(in_jpeg)) {
        for (qsizetype i = range.m_begin; i < range.m_end; ++i) {
            if (At(in_jpeg, i) == 0xFF || (i > 0 && At(in_jpeg, i - 1) == 0xFF))
                continue;
            offsets.append(i);
        }
    }
    return offsets;
}

// The first flip, in a fixed order spread over the data, after which reading as djpeg does
// first warns with in_warning (and, with in_silentInMemory, a read from memory does not warn).
QByteArray FlipToWarning(const QByteArray &in_jpeg, int in_warning, bool in_silentInMemory)
{
    const QList<qsizetype> offsets = FlippableBytes(in_jpeg);
    constexpr int kTries = 4000;
    constexpr qsizetype kStride = 613; // prime: visits every offset once before repeating
    qsizetype index = offsets.size() / 2;
    for (int tried = 0; tried < kTries && !offsets.isEmpty();) {
        index = (index + kStride) % offsets.size();
        for (int bit = 0; bit < 8 && tried < kTries; ++bit) {
            QByteArray damaged = in_jpeg;
            const uchar flipped = At(in_jpeg, offsets[index]) ^ uchar(1 << bit);
            if (flipped == 0xFF)
                continue;
            ++tried;
            damaged[offsets[index]] = char(flipped);
            const Reading asDjpeg = Read(damaged, Source::AsDjpeg);
            if (asDjpeg.m_warnings.value(0, -1) != in_warning)
                continue;
            if (in_silentInMemory && !Read(damaged, Source::Memory).m_warnings.isEmpty())
                continue;
            return damaged;
        }
    }
    return {};
}

// The first restart marker's offset, or -1.
qsizetype FirstRestart(const QByteArray &in_jpeg)
{
    for (const Range &range : ScanData(in_jpeg)) {
        for (qsizetype i = range.m_begin; i + 1 < range.m_end; ++i) {
            if (At(in_jpeg, i) == 0xFF && At(in_jpeg, i + 1) >= 0xD0 && At(in_jpeg, i + 1) <= 0xD7)
                return i;
        }
    }
    return -1;
}

// The point halfway through the first scan's data, not inside an FF 00 pair.
qsizetype Halfway(const QByteArray &in_jpeg)
{
    const QList<Range> ranges = ScanData(in_jpeg);
    if (ranges.isEmpty())
        return -1;
    qsizetype at = (ranges[0].m_begin + ranges[0].m_end) / 2;
    while (at > ranges[0].m_begin && At(in_jpeg, at - 1) == 0xFF)
        --at;
    return at;
}

// The second scan, a first scan of its band, made a refinement of it (Ah = Al + 1).
QByteArray WithBogusProgression(QByteArray in_jpeg)
{
    const int frame = TestJpegCodec::FrameMarker(in_jpeg);
    const QList<Range> ranges = ScanData(in_jpeg);
    if ((frame != 0xC2 && frame != 0xCA) || ranges.size() < 2)
        return {};
    const qsizetype approximation = ranges[1].m_begin - 1; // the last byte of its header
    const int al = At(in_jpeg, approximation) & 0x0F;
    if ((At(in_jpeg, approximation) >> 4) != 0)
        return {};
    in_jpeg[approximation] = char((al + 1) << 4 | al);
    return in_jpeg;
}

QByteArray Damaged(const QByteArray &in_clean, Kind in_kind)
{
    const int frame = TestJpegCodec::FrameMarker(in_clean);
    switch (in_kind) {
    case Kind::BadHuffmanCode:
        // libjpeg takes its fast path only in sequential scans without restart intervals.
        return FlipToWarning(in_clean, JWRN_HUFF_BAD_CODE,
                             (frame == 0xC0 || frame == 0xC1) && FirstRestart(in_clean) < 0);
    case Kind::BadArithmeticCode:
        return FlipToWarning(in_clean, JWRN_ARITH_BAD_CODE, false);
    case Kind::CutShort:
        return Halfway(in_clean) < 0 ? QByteArray() : in_clean.left(Halfway(in_clean));
    case Kind::BrokenOff:
        return Halfway(in_clean) < 0 ? QByteArray() : in_clean.left(Halfway(in_clean)) + "\xFF\xD9";
    case Kind::ExtraneousBytes: {
        const QList<Range> ranges = ScanData(in_clean);
        if (ranges.isEmpty())
            return {};
        QByteArray damaged = in_clean;
        return damaged.insert(ranges.last().m_end, QByteArray(32, 'Z'));
    }
    case Kind::MissingRestart: {
        const qsizetype at = FirstRestart(in_clean);
        return at < 0 ? QByteArray() : in_clean.left(at) + in_clean.mid(at + 2);
    }
    case Kind::WrongRestart: {
        const qsizetype at = FirstRestart(in_clean);
        QByteArray damaged = in_clean;
        if (at < 0)
            return {};
        damaged[at + 1] = char(0xD5);
        return damaged;
    }
    case Kind::BogusProgression:
        return WithBogusProgression(in_clean);
    }
    return {};
}

// The warning each kind must bring first.
QList<int> FirstWarnings(Kind in_kind)
{
    switch (in_kind) {
    case Kind::BadHuffmanCode:
        return {JWRN_HUFF_BAD_CODE};
    case Kind::BadArithmeticCode:
        return {JWRN_ARITH_BAD_CODE};
    case Kind::CutShort:
        return {JWRN_JPEG_EOF};
    case Kind::BrokenOff:
        return {JWRN_HIT_MARKER};
    case Kind::ExtraneousBytes:
        return {JWRN_EXTRANEOUS_DATA};
    case Kind::MissingRestart: // the next interval is skipped as garbage up to its marker
        return {JWRN_EXTRANEOUS_DATA, JWRN_MUST_RESYNC};
    case Kind::WrongRestart:
        return {JWRN_MUST_RESYNC};
    case Kind::BogusProgression:
        return {JWRN_BOGUS_PROGRESSION};
    }
    return {};
}

} // namespace

QByteArray Make(const QByteArray &in_clean, Kind in_kind)
{
    const QByteArray damaged = Damaged(in_clean, in_kind);
    if (damaged.isEmpty()) {
        qWarning("TestJpegDamage: damage %d cannot be made in this file", int(in_kind));
        return {};
    }
    const Reading reading = Read(damaged, Source::AsDjpeg);
    if (!FirstWarnings(in_kind).contains(reading.m_warnings.value(0, -1))) {
        qWarning("TestJpegDamage: damage %d reads with '%s' first", int(in_kind),
                 qPrintable(reading.m_firstWarning));
        return {};
    }
    return damaged;
}

Reading Read(const QByteArray &in_jpeg, Source in_source)
{
    Reading reading;
    if (in_jpeg.isEmpty()) {
        reading.m_error = QStringLiteral("no data");
        return reading;
    }
    FILE *const file =
        in_source == Source::AsDjpeg
            ? fmemopen(const_cast<char *>(in_jpeg.constData()), size_t(in_jpeg.size()), "rb")
            : nullptr;
    if (in_source == Source::AsDjpeg && !file) {
        reading.m_error = QStringLiteral("fmemopen failed");
        return reading;
    }
    jpeg_decompress_struct info;
    Recorder recorder;
    info.err = jpeg_std_error(&recorder.m_pub);
    recorder.m_pub.error_exit = &RecordError;
    recorder.m_pub.emit_message = &RecordMessage;
    recorder.m_pReading = &reading;
    jpeg_create_decompress(&info);
    if (setjmp(recorder.m_jump) == 0) {
        if (file)
            jpeg_stdio_src(&info, file);
        else
            jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(in_jpeg.constData()),
                         static_cast<unsigned long>(in_jpeg.size()));
        jpeg_read_header(&info, TRUE);
        jpeg_read_coefficients(&info);
        jpeg_finish_decompress(&info);
    }
    jpeg_destroy_decompress(&info);
    if (file)
        std::fclose(file);
    return reading;
}

} // namespace TestJpegDamage
