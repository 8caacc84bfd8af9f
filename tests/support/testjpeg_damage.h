// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Test support: JPEGs damaged in each way that libjpeg (and so djpeg) warns about, and a
// reader that tells which warnings libjpeg gives on a file, read as djpeg reads it (through
// libjpeg's stdio source, 4 KB at a time) or whole from memory.
//
//     const QByteArray clean = TestJpegCodec::Encode(TestJpegCodec::Options());
//     const QByteArray bad = TestJpegDamage::Make(clean, TestJpegDamage::Kind::BadHuffmanCode);
//     TestJpegDamage::Read(bad, TestJpegDamage::Source::AsDjpeg).m_warnings; //
//     {JWRN_HUFF_BAD_CODE}
//
// The makers are deterministic: the same clean file gives the same damaged one.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>

namespace TestJpegDamage {

enum class Kind
{
    // One bit of the entropy-coded data flipped, so that reading as djpeg does first warns
    // of a bad Huffman code. For a sequential file without restart intervals the flip is one
    // that a read of the whole file from memory passes without any warning (libjpeg's fast
    // Huffman path decodes the invalid code as zero in silence); other files warn either way.
    BadHuffmanCode,
    // One bit of arithmetic-coded data flipped, so that a value overflows: "bad arithmetic code".
    BadArithmeticCode,
    // The file ends halfway through its entropy-coded data: "Premature end of JPEG file".
    CutShort,
    // Halfway through, the entropy-coded data breaks off at the end-of-image marker:
    // "premature end of data segment".
    BrokenOff,
    // 32 bytes that are no marker between the last scan's data and the end-of-image marker:
    // "extraneous bytes before marker 0xd9".
    ExtraneousBytes,
    // The first restart marker gone (the file needs restart markers).
    MissingRestart,
    // The first restart marker renumbered: "found marker 0xd5 instead of RST0".
    WrongRestart,
    // The second scan of a progressive file turned into a refinement of a band that no scan
    // brought yet: "Inconsistent progression sequence".
    BogusProgression,
};

// Returns in_clean damaged as in_kind says, or an empty array when that damage cannot be made
// in this file (no restart marker, not progressive, no flip found among the first tried).
QByteArray Make(const QByteArray &in_clean, Kind in_kind);

enum class Source
{
    AsDjpeg, // libjpeg's stdio source over the bytes: 4 KB pieces, as djpeg reads a file
    Memory,  // libjpeg's memory source: the whole file at once
};

// What libjpeg said while reading a file's headers and every coefficient.
struct Reading
{
    QList<int> m_warnings; // libjpeg's message codes (JWRN_...), in order
    QString m_firstWarning;
    QString m_error; // empty when libjpeg read to the end
};
Reading Read(const QByteArray &in_jpeg, Source in_source);

} // namespace TestJpegDamage

Q_DECLARE_METATYPE(TestJpegDamage::Kind)
