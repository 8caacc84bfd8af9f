// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The file rotation on arbitrary bytes, through the real engine operation and the real atomic
// write into a scratch folder. Invariants: a failure leaves the destination's bytes as they
// were and no temporary file behind; a success decodes cleanly (an independent decoder with
// stop-on-warning) and, where the library's own transform with trim accepts the source and can
// write its coefficients, shows exactly the pixels of that transform's result.
#include "fuzzcheck.h"
#include "vyrengine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <memory>
#include <turbojpeg.h>
#include <vector>

namespace {

using TjHandle = std::unique_ptr<void, decltype(&tjDestroy)>;

// A scratch folder in memory when the system has one: the write flushes to disk every run.
QString ScratchFolder()
{
    static const QString base =
        QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    static QTemporaryDir dir(base + QStringLiteral("/veyra-fuzz-XXXXXX"));
    return dir.path();
}

bool WriteFile(const QString &in_path, const QByteArray &in_bytes)
{
    QFile file(in_path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(in_bytes) == in_bytes.size();
}

QByteArray ReadFile(const QString &in_path)
{
    QFile file(in_path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Pixels of a JPEG as TurboJPEG decodes them; empty when it fails or warns (too large to be
// worth decoding counts as a failure: the comparison is then skipped).
std::vector<unsigned char> Decode(const QByteArray &in_jpeg, int *out_pWidth, int *out_pHeight,
                                  bool *out_pWarned)
{
    *out_pWarned = false;
    TjHandle handle(tjInitDecompress(), &tjDestroy);
    const auto *data = reinterpret_cast<const unsigned char *>(in_jpeg.constData());
    int w = 0, h = 0, sub = 0, cs = 0;
    if (!handle || tjDecompressHeader3(handle.get(), data, in_jpeg.size(), &w, &h, &sub, &cs) != 0)
        return {};
    if (qint64(w) * h > 16 * 1024 * 1024)
        return {};
    std::vector<unsigned char> pixels(size_t(w) * size_t(h) * 4);
    if (tjDecompress2(handle.get(), data, in_jpeg.size(), pixels.data(), w, w * 4, h, TJPF_RGBX,
                      TJFLAG_STOPONWARNING) != 0) {
        *out_pWarned = tjGetErrorCode(handle.get()) == TJERR_WARNING;
        return {};
    }
    *out_pWidth = w;
    *out_pHeight = h;
    return pixels;
}

// The library's transform with trim, the reference; empty when it refuses the source.
QByteArray Reference(const QByteArray &in_source, int in_code)
{
    TjHandle handle(tjInitTransform(), &tjDestroy);
    if (!handle)
        return {};
    tjtransform transform = {};
    transform.op = in_code == VYR_ROTATE_90    ? TJXOP_ROT90
                   : in_code == VYR_ROTATE_180 ? TJXOP_ROT180
                                               : TJXOP_ROT270;
    transform.options = TJXOPT_TRIM;
    unsigned char *out = nullptr;
    unsigned long outSize = 0;
    const int status =
        tjTransform(handle.get(), reinterpret_cast<const unsigned char *>(in_source.constData()),
                    in_source.size(), 1, &out, &outSize, &transform, TJFLAG_STOPONWARNING);
    QByteArray result;
    if (status == 0 && out)
        result = QByteArray(reinterpret_cast<const char *>(out), qsizetype(outSize));
    tjFree(out);
    return result;
}

struct RangeError
{
    jpeg_error_mgr m_pub;
    std::jmp_buf m_jump;
};

void RangeExit(j_common_ptr in_pInfo)
{
    std::longjmp(reinterpret_cast<RangeError *>(in_pInfo->err)->m_jump, 1);
}

// True when every coefficient of in_jpeg lies within what 8-bit baseline Huffman coding can
// carry. The library's sequential writer does not check that range: for a source beyond it (a
// progressive or arithmetic-coded file may hold such values) the reference writes a stream that
// decodes to other coefficients, and is no reference at all.
bool CoefficientsInBaselineRange(const QByteArray &in_jpeg)
{
    jpeg_decompress_struct info;
    RangeError error;
    info.err = jpeg_std_error(&error.m_pub);
    error.m_pub.error_exit = &RangeExit;
    jpeg_create_decompress(&info);
    bool inRange = false;
    if (setjmp(error.m_jump) == 0) {
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(in_jpeg.constData()),
                     static_cast<unsigned long>(in_jpeg.size()));
        jpeg_read_header(&info, TRUE);
        jvirt_barray_ptr *arrays = jpeg_read_coefficients(&info);
        inRange = true;
        for (int c = 0; inRange && c < info.num_components; ++c) {
            const jpeg_component_info &component = info.comp_info[c];
            for (JDIMENSION row = 0; inRange && row < component.height_in_blocks; ++row) {
                JBLOCKARRAY blocks = info.mem->access_virt_barray(
                    reinterpret_cast<j_common_ptr>(&info), arrays[c], row, 1, FALSE);
                for (JDIMENSION x = 0; inRange && x < component.width_in_blocks; ++x) {
                    for (int k = 0; k < DCTSIZE2; ++k)
                        inRange = inRange && blocks[0][x][k] >= -1023 && blocks[0][x][k] <= 1023;
                }
            }
        }
    }
    jpeg_destroy_decompress(&info);
    return inRange;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *in_pData, size_t in_size)
{
    Fuzz::QuietTraces();
    if (in_size < 4)
        return 0;
    static const int kCodes[] = {VYR_ROTATE_90, VYR_ROTATE_180, VYR_ROTATE_270};
    const int code = kCodes[in_pData[in_size - 1] % 3];
    const QByteArray source = Fuzz::Bytes(in_pData, in_size);

    const QString folder = ScratchFolder();
    const QString sourcePath = folder + QStringLiteral("/source.jpg");
    const QString destPath = folder + QStringLiteral("/dest.jpg");
    const QByteArray previous("the destination's previous bytes");
    FUZZ_CHECK(WriteFile(sourcePath, source) && WriteFile(destPath, previous));

    const int rc = VYRDefaultEngine().RotateFile(sourcePath, destPath, code, 0, 0, 0, nullptr);
    const QByteArray result = ReadFile(destPath);
    FUZZ_CHECK(QDir(folder).entryList(QDir::Files | QDir::Hidden).size() == 2);
    if (rc != VYR_SUCCESS) {
        FUZZ_CHECK(result == previous);
        return 0;
    }

    int w = 0, h = 0;
    bool warned = false;
    const std::vector<unsigned char> ours = Decode(result, &w, &h, &warned);
    FUZZ_CHECK(!warned);
    if (ours.empty() || !CoefficientsInBaselineRange(source))
        return 0;
    const QByteArray reference = Reference(source, code);
    if (reference.isEmpty())
        return 0;
    int rw = 0, rh = 0;
    const std::vector<unsigned char> theirs = Decode(reference, &rw, &rh, &warned);
    if (theirs.empty())
        return 0;
    FUZZ_CHECK(rw == w && rh == h);
    FUZZ_CHECK(ours == theirs);
    return 0;
}
