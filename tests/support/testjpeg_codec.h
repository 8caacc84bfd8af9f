// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Test support: JPEGs that the TurboJPEG-based writer (testjpeg.h) cannot make, written with
// libjpeg's own API: any sampling factors per component (4:4:0, 4:1:1, mixed ones), restart
// markers, arithmetic coding, progressive files with any scan script, CMYK, and coefficients
// edited by hand. And a decoder that decodes as djpeg does by default, for any sampling.
//
//     TestJpegCodec::Options o;
//     o.sampling = {{1, 2}, {1, 1}, {1, 1}};   // 4:4:0
//     o.arithmetic = true;
//     const QByteArray jpeg = TestJpegCodec::Encode(o);   // empty on failure (qWarning)
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QPoint>
#include <QString>
#include <functional>

namespace TestJpegCodec {

// One scan of a progressive script: component indexes, spectral band, approximation bits.
struct Scan
{
    QList<int> components;
    int ss = 0;
    int se = 63;
    int ah = 0;
    int al = 0;
};

// 4:2:0: luma at (2, 2), both chroma components at (1, 1).
QList<QPoint> Sampling420();

struct Options
{
    int width = 64;
    int height = 48;
    // (h, v) sampling factors per component: one entry is greyscale, three YCbCr, four CMYK
    // (with libjpeg's Adobe marker).
    QList<QPoint> sampling = Sampling420();
    int quality = 90;
    bool progressive = false; // libjpeg's standard progressive script
    QList<Scan> scans;        // this script instead (implies progressive)
    bool arithmetic = false;
    bool optimize = false;   // optimal Huffman tables
    int restartInterval = 0; // in MCUs
    bool jfif = true;        // libjpeg's JFIF APP0 (YCbCr and greyscale only)
    // Marker segments written after the header: (marker byte, payload), e.g. (0xE1, exif).
    QList<QPair<int, QByteArray>> markers;
    quint32 seed = 1; // of the picture's content (TestJpeg::MakeContent)
};

// The whole file, or an empty array on failure (the reason on qWarning).
QByteArray Encode(const Options &in_options);

// Decodes with libjpeg as djpeg does by default (accurate integer DCT, smooth upsampling).
// Greyscale and YCbCr come back as Format_RGB32; CMYK as its four raw samples per pixel in
// Format_ARGB32 (for comparing only). A warning still gives the picture and its first text in
// *out_pWarning; an error gives a null image and its text in *out_pError.
QImage Decode(const QByteArray &in_jpeg, QString *out_pWarning = nullptr,
              QString *out_pError = nullptr);

// Rewrites a JPEG from its own coefficients (no loss), after in_edit has seen every block:
// (component, block row, block column, the 64 coefficients in natural order). The result is
// arithmetic-coded when in_arithmetic is set. Empty on failure.
using BlockEdit =
    std::function<void(int in_component, int in_row, int in_column, short *inout_pBlock)>;
QByteArray Recode(const QByteArray &in_jpeg, const BlockEdit &in_edit, bool in_arithmetic);

// Writes another size into the frame header (the data stays as it is): a file that claims to
// be larger than it is. False when there is no frame header.
bool SetFrameSize(QByteArray *inout_pJpeg, int in_width, int in_height);

// Offset of the first byte of entropy-coded data (just past the first scan header), -1 if none.
qsizetype ScanDataOffset(const QByteArray &in_jpeg);

// The APPn and COM segments of a JPEG (marker, payload), in file order, to the end of image.
QList<QPair<int, QByteArray>> MetadataSegments(const QByteArray &in_jpeg);

// The reference lossless turn by in_degrees (90, 180, 270) with the partial edge blocks
// trimmed: TurboJPEG's transform (progressive output for a progressive source), or jpegtran
// for a sampling TurboJPEG cannot name. Empty when the reference refuses; its reason, or a
// warning it stopped on, goes to *out_pError.
QByteArray ReferenceTurn(const QByteArray &in_jpeg, int in_degrees, QString *out_pError = nullptr);

// The frame marker byte (0xC0 baseline, 0xC2 progressive, 0xC9 arithmetic...), 0 if none.
int FrameMarker(const QByteArray &in_jpeg);

} // namespace TestJpegCodec

// Options can be a column of a data-driven test.
Q_DECLARE_METATYPE(TestJpegCodec::Options)
