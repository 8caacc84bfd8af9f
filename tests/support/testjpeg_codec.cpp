// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "testjpeg_codec.h"

#include "testjpeg.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtDebug>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>
#include <turbojpeg.h>

namespace TestJpegCodec {

namespace {

// libjpeg reports errors by a jump back to the call that started the work. Everything with a
// destructor is made before the jump point, so the jump skips nothing that needs cleaning up.
struct Errors
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char first[JMSG_LENGTH_MAX] = {};
    char warning[JMSG_LENGTH_MAX] = {};
};

void OnError(j_common_ptr in_pInfo)
{
    auto *errors = reinterpret_cast<Errors *>(in_pInfo->err);
    (*in_pInfo->err->format_message)(in_pInfo, errors->first);
    std::longjmp(errors->jump, 1);
}

void OnMessage(j_common_ptr in_pInfo, int in_level)
{
    auto *errors = reinterpret_cast<Errors *>(in_pInfo->err);
    if (in_level < 0 && errors->warning[0] == 0)
        (*in_pInfo->err->format_message)(in_pInfo, errors->warning);
}

jpeg_error_mgr *Install(Errors *inout_pErrors)
{
    jpeg_error_mgr *err = jpeg_std_error(&inout_pErrors->pub);
    err->error_exit = &OnError;
    err->emit_message = &OnMessage;
    return err;
}

// The content as rows of 1, 3 or 4 samples per pixel.
std::vector<JSAMPLE> Samples(const QImage &in_image, int in_components)
{
    std::vector<JSAMPLE> samples(size_t(in_image.width()) * size_t(in_image.height()) *
                                 size_t(in_components));
    size_t i = 0;
    for (int y = 0; y < in_image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(in_image.constScanLine(y));
        for (int x = 0; x < in_image.width(); ++x) {
            const QRgb p = line[x];
            if (in_components == 1) {
                samples[i++] = JSAMPLE(qGray(p));
            } else if (in_components == 3) {
                samples[i++] = JSAMPLE(qRed(p));
                samples[i++] = JSAMPLE(qGreen(p));
                samples[i++] = JSAMPLE(qBlue(p));
            } else {
                samples[i++] = JSAMPLE(255 - qRed(p));
                samples[i++] = JSAMPLE(255 - qGreen(p));
                samples[i++] = JSAMPLE(255 - qBlue(p));
                samples[i++] = JSAMPLE((x * 7 + y * 3) & 0xFF);
            }
        }
    }
    return samples;
}

QByteArray Take(unsigned char *in_pBuffer, unsigned long in_size)
{
    QByteArray out(reinterpret_cast<const char *>(in_pBuffer), qsizetype(in_size));
    std::free(in_pBuffer);
    return out;
}

bool IsFrame(int in_marker)
{
    return in_marker >= 0xC0 && in_marker <= 0xCF && in_marker != 0xC4 && in_marker != 0xC8 &&
           in_marker != 0xCC;
}

// Visits the marker segments up to EOI, skipping entropy-coded data: (marker, offset of the
// FF, length field or 0). Stops when the visitor returns false.
void WalkMarkers(const QByteArray &in_jpeg,
                 const std::function<bool(int, qsizetype, int)> &in_visit)
{
    const auto *p = reinterpret_cast<const uchar *>(in_jpeg.constData());
    const qsizetype n = in_jpeg.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return;
    qsizetype pos = 2;
    bool inScan = false;
    while (pos + 1 < n) {
        if (p[pos] != 0xFF ||
            (inScan && (p[pos + 1] == 0 || (p[pos + 1] >= 0xD0 && p[pos + 1] <= 0xD7)))) {
            pos += p[pos] == 0xFF ? 2 : 1;
            continue;
        }
        if (p[pos + 1] == 0xFF) {
            ++pos;
            continue;
        }
        const int marker = p[pos + 1];
        if (marker == 0xD9 || pos + 3 >= n) {
            in_visit(marker, pos, 0);
            return;
        }
        const int length = p[pos + 2] << 8 | p[pos + 3];
        if (!in_visit(marker, pos, length))
            return;
        pos += 2 + length;
        inScan = marker == 0xDA;
    }
}

} // namespace

QList<QPoint> Sampling420()
{
    QList<QPoint> sampling;
    sampling << QPoint(2, 2) << QPoint(1, 1) << QPoint(1, 1);
    return sampling;
}

QByteArray Encode(const Options &in_options)
{
    const int components = int(in_options.sampling.size());
    if (components != 1 && components != 3 && components != 4) {
        qWarning("TestJpegCodec: %d components", components);
        return {};
    }
    const std::vector<JSAMPLE> samples = Samples(
        TestJpeg::MakeContent(in_options.width, in_options.height, in_options.seed), components);
    std::vector<jpeg_scan_info> script;
    for (const Scan &scan : in_options.scans) {
        jpeg_scan_info info = {};
        info.comps_in_scan = int(scan.components.size());
        for (int i = 0; i < info.comps_in_scan && i < MAX_COMPS_IN_SCAN; ++i)
            info.component_index[i] = scan.components.at(i);
        info.Ss = scan.ss;
        info.Se = scan.se;
        info.Ah = scan.ah;
        info.Al = scan.al;
        script.push_back(info);
    }

    jpeg_compress_struct info;
    std::memset(&info, 0, sizeof(info));
    Errors errors;
    info.err = Install(&errors);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        qWarning("TestJpegCodec: %s", errors.first);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(in_options.width);
    info.image_height = JDIMENSION(in_options.height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, in_options.quality, TRUE);
    info.write_JFIF_header = in_options.jfif && components != 4 ? TRUE : FALSE;
    for (int c = 0; c < components; ++c) {
        info.comp_info[c].h_samp_factor = in_options.sampling.at(c).x();
        info.comp_info[c].v_samp_factor = in_options.sampling.at(c).y();
    }
    info.arith_code = in_options.arithmetic ? TRUE : FALSE;
    info.optimize_coding = in_options.optimize ? TRUE : FALSE;
    info.restart_interval = unsigned(in_options.restartInterval);
    if (!script.empty()) {
        info.scan_info = script.data();
        info.num_scans = int(script.size());
    } else if (in_options.progressive) {
        jpeg_simple_progression(&info);
    }
    jpeg_start_compress(&info, TRUE);
    for (const auto &marker : in_options.markers)
        jpeg_write_marker(&info, marker.first,
                          reinterpret_cast<const JOCTET *>(marker.second.constData()),
                          unsigned(marker.second.size()));
    const size_t stride = size_t(in_options.width) * size_t(components);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + info.next_scanline * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return Take(buffer, size);
}

QImage Decode(const QByteArray &in_jpeg, QString *out_pWarning, QString *out_pError)
{
    QImage image;
    std::vector<JSAMPLE> row;
    jpeg_decompress_struct info;
    std::memset(&info, 0, sizeof(info));
    Errors errors;
    info.err = Install(&errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        if (out_pError)
            *out_pError = QString::fromLatin1(errors.first);
        return QImage();
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(in_jpeg.constData()),
                 static_cast<unsigned long>(in_jpeg.size()));
    jpeg_read_header(&info, TRUE);
    if (info.jpeg_color_space == JCS_YCbCr || info.jpeg_color_space == JCS_RGB)
        info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const int channels = info.output_components;
    image = QImage(int(info.output_width), int(info.output_height),
                   channels == 4 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    row.resize(size_t(info.output_width) * size_t(channels));
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {row.data()};
        const int y = int(info.output_scanline);
        jpeg_read_scanlines(&info, rows, 1);
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < int(info.output_width); ++x) {
            const JSAMPLE *s = row.data() + size_t(x) * size_t(channels);
            line[x] = channels == 1   ? qRgb(s[0], s[0], s[0])
                      : channels == 3 ? qRgb(s[0], s[1], s[2])
                                      : qRgba(s[0], s[1], s[2], s[3]);
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    if (out_pWarning)
        *out_pWarning = QString::fromLatin1(errors.warning);
    return image;
}

QByteArray Recode(const QByteArray &in_jpeg, const BlockEdit &in_edit, bool in_arithmetic)
{
    jpeg_decompress_struct source;
    jpeg_compress_struct dest;
    std::memset(&source, 0, sizeof(source));
    std::memset(&dest, 0, sizeof(dest));
    Errors errors;
    source.err = Install(&errors);
    dest.err = &errors.pub;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jvirt_barray_ptr *arrays = nullptr;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&dest);
        jpeg_destroy_decompress(&source);
        std::free(buffer);
        qWarning("TestJpegCodec: %s", errors.first);
        return {};
    }
    jpeg_create_decompress(&source);
    jpeg_create_compress(&dest);
    jpeg_mem_src(&source, reinterpret_cast<const unsigned char *>(in_jpeg.constData()),
                 static_cast<unsigned long>(in_jpeg.size()));
    jpeg_read_header(&source, TRUE);
    arrays = jpeg_read_coefficients(&source);
    if (in_edit) {
        for (int c = 0; c < source.num_components; ++c) {
            const jpeg_component_info &component = source.comp_info[c];
            for (JDIMENSION y = 0; y < component.height_in_blocks; ++y) {
                JBLOCKROW blocks = (*source.mem->access_virt_barray)(
                    reinterpret_cast<j_common_ptr>(&source), arrays[c], y, 1, TRUE)[0];
                for (JDIMENSION x = 0; x < component.width_in_blocks; ++x)
                    in_edit(c, int(y), int(x), blocks[x]);
            }
        }
    }
    jpeg_mem_dest(&dest, &buffer, &size);
    jpeg_copy_critical_parameters(&source, &dest);
    dest.arith_code = in_arithmetic ? TRUE : FALSE;
    jpeg_write_coefficients(&dest, arrays);
    jpeg_finish_compress(&dest);
    jpeg_destroy_compress(&dest);
    jpeg_destroy_decompress(&source);
    return Take(buffer, size);
}

bool SetFrameSize(QByteArray *inout_pJpeg, int in_width, int in_height)
{
    qsizetype frame = -1;
    WalkMarkers(*inout_pJpeg, [&](int in_marker, qsizetype in_offset, int) {
        if (IsFrame(in_marker))
            frame = in_offset;
        return frame < 0 && in_marker != 0xDA;
    });
    if (frame < 0 || frame + 9 > inout_pJpeg->size())
        return false;
    char *p = inout_pJpeg->data() + frame;
    p[5] = char(in_height >> 8);
    p[6] = char(in_height & 0xFF);
    p[7] = char(in_width >> 8);
    p[8] = char(in_width & 0xFF);
    return true;
}

qsizetype ScanDataOffset(const QByteArray &in_jpeg)
{
    qsizetype offset = -1;
    WalkMarkers(in_jpeg, [&](int in_marker, qsizetype in_offset, int in_length) {
        if (in_marker == 0xDA)
            offset = in_offset + 2 + in_length;
        return offset < 0;
    });
    return offset;
}

QList<QPair<int, QByteArray>> MetadataSegments(const QByteArray &in_jpeg)
{
    QList<QPair<int, QByteArray>> segments;
    WalkMarkers(in_jpeg, [&](int in_marker, qsizetype in_offset, int in_length) {
        if ((in_marker >= 0xE0 && in_marker <= 0xEF) || in_marker == 0xFE)
            segments.append({in_marker, in_jpeg.mid(in_offset + 4, in_length - 2)});
        return true;
    });
    return segments;
}

QByteArray ReferenceTurn(const QByteArray &in_jpeg, int in_degrees, QString *out_pError)
{
    const int frame = FrameMarker(in_jpeg);
    const bool progressive = frame == 0xC2 || frame == 0xC6 || frame == 0xCA || frame == 0xCE;
    std::unique_ptr<void, decltype(&tjDestroy)> handle(tjInitTransform(), &tjDestroy);
    tjtransform transform = {};
    transform.op = in_degrees == 90 ? TJXOP_ROT90 : in_degrees == 180 ? TJXOP_ROT180 : TJXOP_ROT270;
    transform.options = TJXOPT_TRIM | (progressive ? TJXOPT_PROGRESSIVE : 0);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    if (tjTransform(handle.get(), reinterpret_cast<const unsigned char *>(in_jpeg.constData()),
                    static_cast<unsigned long>(in_jpeg.size()), 1, &out, &size, &transform,
                    TJFLAG_STOPONWARNING) == 0) {
        QByteArray turned(reinterpret_cast<const char *>(out), qsizetype(size));
        tjFree(out);
        return turned;
    }
    tjFree(out);
    const QString error = QString::fromLatin1(tjGetErrorStr2(handle.get()));
    const QString jpegtran = QStandardPaths::findExecutable(QStringLiteral("jpegtran"));
    if (!error.contains(QLatin1String("subsampling")) || jpegtran.isEmpty()) {
        if (out_pError)
            *out_pError = error;
        return {};
    }
    QStringList args = {"-copy", "all", "-rotate", QString::number(in_degrees), "-trim"};
    if (progressive)
        args << "-progressive";
    QProcess tool;
    tool.start(jpegtran, args);
    tool.write(in_jpeg);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0) {
        if (out_pError)
            *out_pError = QString::fromLocal8Bit(tool.readAllStandardError());
        return {};
    }
    return tool.readAllStandardOutput();
}

int FrameMarker(const QByteArray &in_jpeg)
{
    int frame = 0;
    WalkMarkers(in_jpeg, [&](int in_marker, qsizetype, int) {
        if (IsFrame(in_marker))
            frame = in_marker;
        return frame == 0 && in_marker != 0xDA;
    });
    return frame;
}

} // namespace TestJpegCodec
