// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The test JPEG writer's TIFF data: IFD entries and the Exif payload (testjpeg.h).
#include "testjpeg_tiff.h"

namespace TestJpeg {

namespace Detail {

int TypeSize(quint16 in_type)
{
    switch (in_type) {
    case 1:
    case 2:
    case 6:
    case 7:
        return 1;
    case 3:
    case 8:
        return 2;
    case 4:
    case 9:
    case 11:
        return 4;
    case 5:
    case 10:
    case 12:
        return 8;
    default:
        return 1;
    }
}

// Writes an IFD at in_pos with its entries, appending out-of-line data after the current end.
// Returns the TIFF offset of the next-IFD link field.
qint64 WriteIfd(TiffBytes &io_tiff, qint64 in_pos, std::vector<Entry> &io_entries)
{
    io_tiff.Put16(in_pos, quint32(io_entries.size()));
    const qint64 linkPos = in_pos + 2 + 12 * qint64(io_entries.size());
    io_tiff.Put32(linkPos, 0);
    // Forced offsets first, so that nothing else takes their place.
    std::vector<size_t> order(io_entries.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return (io_entries[a].forcedOffset >= 0) > (io_entries[b].forcedOffset >= 0);
    });
    for (size_t i : order) {
        Entry &e = io_entries[i];
        const qint64 entryPos = in_pos + 2 + 12 * qint64(i);
        io_tiff.Put16(entryPos, e.tag);
        io_tiff.Put16(entryPos + 2, e.type);
        io_tiff.Put32(entryPos + 4, e.count);
        e.valuePos = entryPos + 8;
        if (e.data.size() <= 4 && e.forcedOffset < 0) {
            io_tiff.Reserve(entryPos + 12);
            QByteArray &b = io_tiff.Bytes();
            for (int k = 0; k < 4; ++k)
                b[entryPos + 8 + k] = k < e.data.size() ? e.data[k] : '\0';
        } else {
            const qint64 at =
                io_tiff.AppendAligned(e.data, std::max<qint64>(e.forcedOffset, linkPos + 4));
            io_tiff.Put32(entryPos + 8, quint32(at));
        }
    }
    return linkPos;
}

Entry MakeEntry(const TiffBytes &in_tiff, quint16 in_tag, quint16 in_type, quint32 in_count,
                quint32 in_value)
{
    Entry e;
    e.tag = in_tag;
    e.type = in_type;
    e.count = in_count;
    const int size = TypeSize(in_type);
    for (quint32 i = 0; i < in_count; ++i) {
        if (size == 8) {
            e.data += in_tiff.Number(in_value, 4);
            e.data += in_tiff.Number(1, 4);
        } else {
            e.data += in_tiff.Number(in_value, size);
        }
    }
    return e;
}

Entry MakeAscii(quint16 in_tag, const QByteArray &in_text)
{
    Entry e;
    e.tag = in_tag;
    e.type = 2;
    e.data = in_text + '\0';
    e.count = quint32(e.data.size());
    return e;
}

Entry MakeRational(const TiffBytes &in_tiff, quint16 in_tag, quint32 in_num, quint32 in_den)
{
    Entry e;
    e.tag = in_tag;
    e.type = 5;
    e.count = 1;
    e.data = in_tiff.Number(in_num, 4) + in_tiff.Number(in_den, 4);
    return e;
}

} // namespace Detail

using namespace Detail;

namespace {

// A maker note laid out as an IFD whose text values lie at offsets from the TIFF header (the
// note itself placed at in_base): moving the note would break them.
QByteArray MakerNote(const TiffBytes &in_tiff, quint32 in_base)
{
    const QList<QPair<quint16, QByteArray>> texts = {{0x0006, "Veyra Test Image"},
                                                     {0x0007, "Firmware Version 1.0.0"},
                                                     {0x0009, "Veyra Owner Name"}};
    const int count = int(texts.size());
    QByteArray note = in_tiff.Number(quint32(count), 2);
    QByteArray data;
    const quint32 dataAt = in_base + 2 + 12 * quint32(count) + 4;
    for (const auto &text : texts) {
        const QByteArray value = text.second + '\0';
        note += in_tiff.Number(text.first, 2) + in_tiff.Number(2, 2) +
                in_tiff.Number(quint32(value.size()), 4) +
                in_tiff.Number(dataAt + quint32(data.size()), 4);
        data += value;
        if (data.size() % 2)
            data += '\0';
    }
    note += in_tiff.Number(0, 4);
    return note + data;
}

// The entries of IFD0 the options ask for; *out_pOrientation and *out_pExif receive the
// indices of the orientation and the Exif pointer entries (-1 when absent).
std::vector<Entry> Ifd0Entries(const TiffBytes &in_tiff, const Options &in_options,
                               int *out_pOrientation, int *out_pExif)
{
    const bool decoyValue = in_options.decoys & DecoyValue;
    const bool decoyCount = in_options.decoys & DecoyCount;
    const bool decoyOffset = in_options.decoys & DecoyOffset;
    std::vector<Entry> ifd0;
    if (in_options.otherEntries || decoyValue) {
        // The decoy sits in a LONG's low half, where the layout expects it.
        const quint16 type = decoyValue ? 4 : in_options.sizeType;
        ifd0.push_back(
            MakeEntry(in_tiff, 256, type, 1, decoyValue ? 274u : quint32(in_options.width)));
        ifd0.push_back(MakeEntry(in_tiff, 257, type, 1, quint32(in_options.height)));
    }
    if (decoyCount)
        ifd0.push_back(MakeAscii(270, QByteArray(273, 'd')));
    if (in_options.otherEntries || decoyOffset) {
        Entry make = MakeAscii(271, in_options.make);
        if (decoyOffset)
            make.forcedOffset = 274;
        ifd0.push_back(make);
    }
    int orientationIndex = -1;
    if (in_options.orientation >= 0) {
        orientationIndex = int(ifd0.size());
        ifd0.push_back(MakeEntry(in_tiff, 274, in_options.orientationType,
                                 in_options.orientationCount, quint32(in_options.orientation)));
    }
    if (in_options.otherEntries) {
        ifd0.push_back(MakeRational(in_tiff, 282, 72, 1));
        ifd0.push_back(MakeRational(in_tiff, 283, 72, 1));
        ifd0.push_back(MakeEntry(in_tiff, 296, 3, 1, 2));
    }
    int exifIndex = -1;
    if (in_options.exifIfd) {
        exifIndex = int(ifd0.size());
        Entry e = MakeEntry(in_tiff, 34665, 4, 1, 0);
        e.isPointer = true;
        ifd0.push_back(e);
    }

    *out_pOrientation = orientationIndex;
    *out_pExif = exifIndex;
    return ifd0;
}

// The Exif sub-IFD (and its maker note) after IFD0, linked from its pointer entry.
void WriteExifIfd(TiffBytes &io_tiff, const Options &in_options, const Entry &in_pointer,
                  Layout *inout_pLayout)
{
    std::vector<Entry> sub;
    Entry version;
    version.tag = 36864;
    version.type = 7;
    version.count = 4;
    version.data = "0231";
    sub.push_back(version);
    int makerIndex = -1;
    if (in_options.makerNote) {
        makerIndex = int(sub.size());
        Entry note;
        note.tag = 37500;
        note.type = 7;
        note.count = quint32(MakerNote(io_tiff, 0).size());
        note.isPointer = true;
        sub.push_back(note);
    }
    sub.push_back(MakeEntry(io_tiff, 40962, in_options.sizeType, 1, quint32(in_options.width)));
    sub.push_back(MakeEntry(io_tiff, 40963, in_options.sizeType, 1, quint32(in_options.height)));
    const qint64 at = io_tiff.AppendAligned(QByteArray());
    io_tiff.Put32(in_pointer.valuePos, quint32(at));
    io_tiff.Reserve(at + 2 + 12 * qint64(sub.size()) + 4);
    WriteIfd(io_tiff, at, sub);
    if (makerIndex >= 0) {
        // Its inner offsets count from the TIFF header, so it is built where it will lie.
        const qint64 noteAt = io_tiff.AppendAligned(QByteArray());
        io_tiff.AppendAligned(MakerNote(io_tiff, quint32(noteAt)));
        io_tiff.Put32(sub[makerIndex].valuePos, quint32(noteAt));
        inout_pLayout->makerNote = noteAt;
    }
}

// IFD1 with the thumbnail after it, linked from IFD0's next-IFD link at in_ifd0Link.
void WriteThumbnailIfd(TiffBytes &io_tiff, const Options &in_options, qint64 in_ifd0Link,
                       Layout *inout_pLayout)
{
    QByteArray thumb = in_options.thumbnailBytes;
    if (thumb.isEmpty()) {
        const QImage small =
            MakeContent(in_options.thumbWidth, in_options.thumbHeight, in_options.seed + 1);
        thumb = Compress(small, Sampling::S420, 75, false);
    }
    std::vector<Entry> ifd1;
    ifd1.push_back(MakeEntry(io_tiff, 259, 3, 1, 6));
    if (in_options.thumbOrientation >= 0)
        ifd1.push_back(MakeEntry(io_tiff, 274, 3, 1, quint32(in_options.thumbOrientation)));
    Entry fmt = MakeEntry(io_tiff, 513, 4, 1, 0);
    fmt.isPointer = true;
    const size_t fmtIndex = ifd1.size();
    ifd1.push_back(fmt);
    ifd1.push_back(MakeEntry(io_tiff, 514, 4, 1, quint32(thumb.size())));
    const qint64 at = io_tiff.AppendAligned(QByteArray());
    io_tiff.Put32(in_ifd0Link, quint32(at));
    io_tiff.Reserve(at + 2 + 12 * qint64(ifd1.size()) + 4);
    WriteIfd(io_tiff, at, ifd1);
    const qint64 thumbAt = io_tiff.AppendAligned(thumb);
    io_tiff.Put32(ifd1[fmtIndex].valuePos, quint32(thumbAt));
    io_tiff.Bytes().append(in_options.afterThumbnail);
    inout_pLayout->thumbnail = thumbAt + 6;
    inout_pLayout->thumbnailLength = thumb.size();
}

} // namespace

QByteArray BuildExifPayload(const Options &in_options, Layout *out_layout)
{
    Layout layout;
    const bool mm = in_options.exif == Exif::Motorola;
    TiffBytes tiff(mm);
    tiff.Reserve(8);
    tiff.Bytes()[0] = mm ? 'M' : 'I';
    tiff.Bytes()[1] = mm ? 'M' : 'I';
    tiff.Put16(2, 42);
    tiff.Put32(4, 8);

    const bool decoyValue = in_options.decoys & DecoyValue;
    const bool decoyCount = in_options.decoys & DecoyCount;
    const bool decoyOffset = in_options.decoys & DecoyOffset;
    int orientationIndex = -1;
    int exifIndex = -1;
    std::vector<Entry> ifd0 = Ifd0Entries(tiff, in_options, &orientationIndex, &exifIndex);

    const qint64 ifd0Link = WriteIfd(tiff, 8, ifd0);
    layout.ifd0 = 8;
    if (orientationIndex >= 0)
        layout.orientationEntry = 8 + 2 + 12 * orientationIndex;
    for (const Entry &e : ifd0) {
        if (e.tag == 256 && decoyValue)
            layout.decoyWords << (mm ? e.valuePos + 2 : e.valuePos);
        if (e.tag == 270 && decoyCount)
            layout.decoyWords << (mm ? e.valuePos - 2 : e.valuePos - 4);
        if (e.tag == 271 && decoyOffset)
            layout.decoyWords << (mm ? e.valuePos + 2 : e.valuePos);
    }

    if (exifIndex >= 0)
        WriteExifIfd(tiff, in_options, ifd0[size_t(exifIndex)], &layout);
    if (in_options.thumbnail)
        WriteThumbnailIfd(tiff, in_options, ifd0Link, &layout);

    QByteArray payload("Exif");
    payload.append('\0').append('\0');
    payload.append(tiff.Bytes());
    // Offsets relative to the payload.
    layout.tiffHeader = 6;
    layout.ifd0 += 6;
    if (layout.orientationEntry >= 0)
        layout.orientationEntry += 6;
    for (qint64 &d : layout.decoyWords)
        d += 6;
    if (layout.makerNote >= 0)
        layout.makerNote += 6;
    layout.exifPayload = 0;
    if (out_layout)
        *out_layout = layout;
    return payload;
}

} // namespace TestJpeg
