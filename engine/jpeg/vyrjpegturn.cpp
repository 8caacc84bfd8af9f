// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrjpegturn.h"

#include "core/vyrcodes.h"
#include "jpeg/vyrcoefturn.h"
#include "jpeg/vyrjpegguard.h"
#include "jpeg/vyrjpegscan.h"
#include "qltrace.h"

#include <cstring>
#include <jerror.h>
#include <new>
#include <vector>

namespace {

// Where the turned picture's bytes go: straight into the result array, grown by doubling.
struct ByteDestination
{
    jpeg_destination_mgr m_pub;
    QByteArray *m_pBuffer;
};

void InitDestination(j_compress_ptr) {}

boolean GrowDestination(j_compress_ptr in_pInfo)
{
    auto *destination = reinterpret_cast<ByteDestination *>(in_pInfo->dest);
    const qsizetype used = destination->m_pBuffer->size();
    bool grown = true;
    try {
        destination->m_pBuffer->resize(used * 2);
    } catch (const std::bad_alloc &) {
        grown = false;
    }
    // Out of the handler first: the error jumps out of this frame.
    if (!grown)
        ERREXIT(in_pInfo, JERR_OUT_OF_MEMORY);
    destination->m_pub.next_output_byte =
        reinterpret_cast<JOCTET *>(destination->m_pBuffer->data()) + used;
    destination->m_pub.free_in_buffer = size_t(used);
    return TRUE;
}

void TermDestination(j_compress_ptr in_pInfo)
{
    auto *destination = reinterpret_cast<ByteDestination *>(in_pInfo->dest);
    destination->m_pBuffer->resize(destination->m_pBuffer->size() -
                                   qsizetype(destination->m_pub.free_in_buffer));
}

// How the transform maps the source's edges: the edges that become the result's left and
// top must consist of whole MCUs, so a partial MCU on a source edge the transform reverses is
// trimmed (the right edge when it reverses columns: flip horizontal, 270, 180, transverse;
// the bottom when it reverses rows: flip vertical, 90, 180, transverse). A transpose trims
// nothing. The other edges keep their partial blocks where they are.
struct Geometry
{
    int m_mcuWidth = 0; // pixels of one iMCU
    int m_mcuHeight = 0;
    int m_keptWidth = 0; // part of the source that is turned
    int m_keptHeight = 0;
    int m_trimmedColumns = 0;
    int m_trimmedRows = 0;
    bool m_tooSmall = false; // a moved edge is shorter than one MCU and not whole
};

Geometry GeometryOf(const jpeg_decompress_struct &in_info, VYROrientation in_transform)
{
    Geometry g;
    // A single component's blocks are all whole-resolution: only partial blocks need trimming,
    // whatever its sampling factors say.
    const bool single = in_info.num_components == 1;
    g.m_mcuWidth = DCTSIZE * (single ? 1 : in_info.max_h_samp_factor);
    g.m_mcuHeight = DCTSIZE * (single ? 1 : in_info.max_v_samp_factor);
    const int width = int(in_info.image_width);
    const int height = int(in_info.image_height);
    if (in_transform.ReversesColumns() && width % g.m_mcuWidth != 0) {
        g.m_tooSmall = g.m_tooSmall || width < g.m_mcuWidth;
        g.m_trimmedColumns = width % g.m_mcuWidth;
    }
    if (in_transform.ReversesRows() && height % g.m_mcuHeight != 0) {
        g.m_tooSmall = g.m_tooSmall || height < g.m_mcuHeight;
        g.m_trimmedRows = height % g.m_mcuHeight;
    }
    g.m_keptWidth = width - g.m_trimmedColumns;
    g.m_keptHeight = height - g.m_trimmedRows;
    return g;
}

int DivRoundUp(long in_value, long in_divisor)
{
    return int((in_value + in_divisor - 1) / in_divisor);
}

int RoundUp(int in_value, int in_multiple)
{
    return DivRoundUp(in_value, in_multiple) * in_multiple;
}

// One component of the turned picture: its blocks and the sampling it is written with.
struct TurnedComponent
{
    VYRBlockPlane m_source; // the part of the source's blocks that is used
    VYRBlockPlane m_dest;
    int m_hSamp = 1;
    int m_vSamp = 1;
    int m_arrayWidth = 0; // the destination array, padded to whole MCUs
    int m_arrayHeight = 0;
    jvirt_barray_ptr m_destArray = nullptr;
    std::vector<JBLOCKROW> m_sourceRows;
    std::vector<JBLOCKROW> m_destRows;
};

bool IsKeptSegment(uint8_t in_marker)
{
    return (in_marker >= 0xE0 && in_marker <= 0xEF) || in_marker == 0xFE;
}

// Collects row pointers to the first in_rows rows of an array. Reading rows needs them
// defined; writing marks them so, in order, as libjpeg's arrays require.
void CollectRows(j_decompress_ptr in_pInfo, jvirt_barray_ptr in_array, int in_rows,
                 bool in_writable, JBLOCKROW *out_pRows)
{
    for (int row = 0; row < in_rows; ++row)
        out_pRows[row] =
            (*in_pInfo->mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(in_pInfo), in_array,
                                                 JDIMENSION(row), 1, in_writable ? TRUE : FALSE)[0];
}

// The write side of the turn, set up from the source and with the turned size and sampling.
// libjpeg's own JFIF and Adobe markers stay off: the source's are copied verbatim instead.
void ConfigureWriter(j_decompress_ptr in_pSource, j_compress_ptr inout_pDest,
                     VYROrientation in_transform, const Geometry &in_geometry, bool in_optimize)
{
    jpeg_copy_critical_parameters(in_pSource, inout_pDest);
    const bool quarter = in_transform.SwapsAxes();
    inout_pDest->image_width =
        JDIMENSION(quarter ? in_geometry.m_keptHeight : in_geometry.m_keptWidth);
    inout_pDest->image_height =
        JDIMENSION(quarter ? in_geometry.m_keptWidth : in_geometry.m_keptHeight);
    if (quarter) {
        // A transposed block needs the transposed quantisation table to mean the same.
        for (int c = 0; c < inout_pDest->num_components; ++c)
            std::swap(inout_pDest->comp_info[c].h_samp_factor,
                      inout_pDest->comp_info[c].v_samp_factor);
        for (JQUANT_TBL *table : inout_pDest->quant_tbl_ptrs) {
            if (!table)
                continue;
            for (int v = 0; v < DCTSIZE; ++v) {
                for (int u = v + 1; u < DCTSIZE; ++u)
                    std::swap(table->quantval[v * DCTSIZE + u], table->quantval[u * DCTSIZE + v]);
            }
        }
    }
    inout_pDest->write_JFIF_header = FALSE;
    inout_pDest->write_Adobe_marker = FALSE;
    // Huffman coding always: every decoder reads it, and libjpeg's standard tables make the
    // sequential result exactly as large as the reference transform's.
    inout_pDest->arith_code = FALSE;
    inout_pDest->optimize_coding = in_optimize ? TRUE : FALSE;
    if (in_pSource->progressive_mode)
        jpeg_simple_progression(inout_pDest);
}

int WriteFailure(int in_code)
{
    return in_code == VYR_ERR_NO_MEMORY || in_code == VYR_ERR_TOO_COSTLY ? in_code
                                                                         : VYR_ERR_TRANSFORM;
}

// Reads the coefficients of a whole picture and returns its digest.
int ReadDigest(VYRJpegGuard &inout_guard, const uint8_t *in_pData, size_t in_size,
               uint64_t *out_pDigest)
{
    int rc = inout_guard.ReadHeader(in_pData, in_size);
    if (rc == VYR_SUCCESS)
        rc = inout_guard.Reserve(inout_guard.CoefficientBytes());
    jvirt_barray_ptr *arrays = nullptr;
    if (rc == VYR_SUCCESS)
        rc = inout_guard.Run(
            [&](j_decompress_ptr in_pInfo) { arrays = jpeg_read_coefficients(in_pInfo); });
    if (rc == VYR_SUCCESS)
        rc = inout_guard.RequireEveryComponent();
    if (rc != VYR_SUCCESS || !out_pDigest)
        return rc;

    jpeg_decompress_struct *info = inout_guard.Info();
    const int components = info->num_components;
    std::vector<std::vector<JBLOCKROW>> rows(static_cast<size_t>(components));
    std::vector<VYRBlockPlane> planes(static_cast<size_t>(components));
    std::vector<const JQUANT_TBL *> quant(static_cast<size_t>(components));
    for (int c = 0; c < components; ++c) {
        const jpeg_component_info &component = info->comp_info[c];
        rows[size_t(c)].resize(component.height_in_blocks);
        planes[size_t(c)] = {rows[size_t(c)].data(), int(component.width_in_blocks),
                             int(component.height_in_blocks)};
        quant[size_t(c)] = component.quant_table ? component.quant_table
                                                 : info->quant_tbl_ptrs[component.quant_tbl_no];
    }
    rc = inout_guard.Run([&](j_decompress_ptr in_pInfo) {
        for (int c = 0; c < components; ++c)
            CollectRows(in_pInfo, arrays[c], planes[size_t(c)].m_height, false,
                        planes[size_t(c)].m_pRows);
    });
    if (rc == VYR_SUCCESS)
        *out_pDigest = VYRDigestOfPicture(*info, quant.data(), planes.data());
    return rc;
}

// What a turn needs to know before it reads the picture: how its edges move and, per
// component, the blocks it keeps and the turned arrays it writes.
struct TurnPlan
{
    VYROrientation m_transform;
    Geometry m_geometry;
    std::vector<TurnedComponent> m_turned;
    qint64 m_destBytes = 0; // memory of the turned arrays
};

// Plans the turn of the picture whose header the guard has read. Returns VYR_SUCCESS, or
// VYR_ERR_NOT_LOSSLESS when an edge the turn moves is shorter than one block.
int PlanTurn(const jpeg_decompress_struct &in_source, VYROrientation in_transform,
             const char *in_name, TurnPlan *out_pPlan)
{
    const int width = int(in_source.image_width);
    const int height = int(in_source.image_height);
    const Geometry geometry = GeometryOf(in_source, in_transform);
    if (geometry.m_tooSmall) {
        // Trimming would keep nothing whole on that edge, and a partial block cannot be
        // carried over exactly: refuse rather than write a scrambled strip.
        QLTrace("Cannot rotate '%s' losslessly: %dx%d pixels is smaller than one %dx%d block "
                "along an edge the turn moves\n",
                in_name, width, height, geometry.m_mcuWidth, geometry.m_mcuHeight);
        return VYR_ERR_NOT_LOSSLESS;
    }
    out_pPlan->m_transform = in_transform;
    out_pPlan->m_geometry = geometry;
    const bool quarter = in_transform.SwapsAxes();
    const int components = in_source.num_components;
    std::vector<TurnedComponent> &turned = out_pPlan->m_turned;
    turned.resize(static_cast<size_t>(components));
    for (int c = 0; c < components; ++c) {
        const jpeg_component_info &component = in_source.comp_info[c];
        TurnedComponent &t = turned[size_t(c)];
        const long hDivisor = long(in_source.max_h_samp_factor) * DCTSIZE;
        const long vDivisor = long(in_source.max_v_samp_factor) * DCTSIZE;
        t.m_source.m_width =
            DivRoundUp(long(geometry.m_keptWidth) * component.h_samp_factor, hDivisor);
        t.m_source.m_height =
            DivRoundUp(long(geometry.m_keptHeight) * component.v_samp_factor, vDivisor);
        t.m_dest.m_width = quarter ? t.m_source.m_height : t.m_source.m_width;
        t.m_dest.m_height = quarter ? t.m_source.m_width : t.m_source.m_height;
        t.m_hSamp = quarter ? component.v_samp_factor : component.h_samp_factor;
        t.m_vSamp = quarter ? component.h_samp_factor : component.v_samp_factor;
        t.m_arrayWidth = RoundUp(t.m_dest.m_width, t.m_hSamp);
        t.m_arrayHeight = RoundUp(t.m_dest.m_height, t.m_vSamp);
        out_pPlan->m_destBytes += qint64(t.m_arrayWidth) * t.m_arrayHeight * qint64(sizeof(JBLOCK));
        t.m_sourceRows.resize(size_t(t.m_source.m_height));
        t.m_destRows.resize(size_t(t.m_arrayHeight));
        t.m_source.m_pRows = t.m_sourceRows.data();
        t.m_dest.m_pRows = t.m_destRows.data();
    }
    return VYR_SUCCESS;
}

// Reserves the memory of the source's and the turned arrays, reads every coefficient and
// moves the blocks into the turned arrays. Returns the guard's codes.
int ReadAndTurn(VYRJpegGuard &inout_guard, TurnPlan &inout_plan, int in_code, const char *in_name)
{
    std::vector<TurnedComponent> &turned = inout_plan.m_turned;
    int rc = inout_guard.Reserve(inout_guard.CoefficientBytes() + inout_plan.m_destBytes);

    // The turned arrays come from the source's memory manager, so that libjpeg realises them
    // with the source's in one go, under the one cap.
    jvirt_barray_ptr *sourceArrays = nullptr;
    if (rc == VYR_SUCCESS)
        rc = inout_guard.Run([&](j_decompress_ptr in_pInfo) {
            for (TurnedComponent &t : turned)
                t.m_destArray = (*in_pInfo->mem->request_virt_barray)(
                    reinterpret_cast<j_common_ptr>(in_pInfo), JPOOL_IMAGE, FALSE,
                    JDIMENSION(t.m_arrayWidth), JDIMENSION(t.m_arrayHeight), JDIMENSION(t.m_vSamp));
            sourceArrays = jpeg_read_coefficients(in_pInfo);
            for (size_t c = 0; c < turned.size(); ++c) {
                TurnedComponent &t = turned[c];
                CollectRows(in_pInfo, sourceArrays[c], t.m_source.m_height, false,
                            t.m_source.m_pRows);
                CollectRows(in_pInfo, t.m_destArray, t.m_arrayHeight, true, t.m_dest.m_pRows);
            }
        });
    if (rc == VYR_SUCCESS)
        rc = inout_guard.RequireEveryComponent();
    if (rc != VYR_SUCCESS) {
        QLTrace("Cannot rotate '%s': %s\n", in_name, inout_guard.Reason().constData());
        return rc;
    }
    for (const TurnedComponent &t : turned) {
        VYRTurnBlocks(in_code, t.m_source, t.m_dest);
        // The padding to whole MCUs is never coded (the writer makes its own dummy blocks),
        // but the memory is reused: leave nothing of an earlier picture in it.
        for (int row = 0; row < t.m_arrayHeight; ++row) {
            const int from = row < t.m_dest.m_height ? t.m_dest.m_width : 0;
            std::memset(t.m_dest.m_pRows[row] + from, 0,
                        size_t(t.m_arrayWidth - from) * sizeof(JBLOCK));
        }
    }
    return VYR_SUCCESS;
}

// Writes the turned arrays as a JPEG with every APPn and COM segment of the source into
// out_pResult (its picture, size, trim and digest). Returns VYR_SUCCESS, VYR_ERR_NO_MEMORY,
// VYR_ERR_TOO_COSTLY or VYR_ERR_TRANSFORM.
int WriteTurned(VYRJpegGuard &inout_guard, const TurnPlan &in_plan,
                const VYRTurnRequest &in_request, const uint8_t *in_pData, size_t in_size,
                const std::vector<VYRJpegSegment> &in_segments, VYRTurnResult *out_pResult)
{
    const char *name = in_request.m_name.constData();
    const std::vector<TurnedComponent> &turned = in_plan.m_turned;
    const Geometry &geometry = in_plan.m_geometry;
    // Writing: the same guard catches the compressor's errors.
    jpeg_compress_struct dest;
    std::memset(&dest, 0, sizeof(dest));
    dest.err = inout_guard.ErrorManager();
    struct CompressorOwner
    {
        jpeg_compress_struct *m_pInfo;
        ~CompressorOwner() { jpeg_destroy_compress(m_pInfo); }
    } owner{&dest};
    QByteArray &output = out_pResult->m_jpeg;
    output = QByteArray();
    const bool optimize = in_request.m_optimizeTables;
    int rc = inout_guard.Run([&](j_decompress_ptr in_pInfo) {
        jpeg_create_compress(&dest);
        VYRJpegGuard::ShareArrays(&dest);
        ConfigureWriter(in_pInfo, &dest, in_plan.m_transform, geometry, optimize);
    });
    if (rc != VYR_SUCCESS) {
        QLTrace("Cannot rotate '%s': %s\n", name, inout_guard.Reason().constData());
        return WriteFailure(rc);
    }
    const size_t components = turned.size();
    std::vector<const JQUANT_TBL *> quant(components);
    std::vector<VYRBlockPlane> planes(components);
    std::vector<jvirt_barray_ptr> destArrays(components);
    for (size_t c = 0; c < components; ++c) {
        quant[c] = dest.quant_tbl_ptrs[dest.comp_info[c].quant_tbl_no];
        planes[c] = turned[c].m_dest;
        destArrays[c] = turned[c].m_destArray;
    }
    out_pResult->m_coefficientDigest = VYRDigestOfPicture(dest, quant.data(), planes.data());

    try {
        // Room for the source's size and some more: the standard tables can code a little
        // larger than a camera's own.
        output.resize(qsizetype(in_size + in_size / 8 + 65536));
    } catch (const std::bad_alloc &) {
        return VYR_ERR_NO_MEMORY;
    }
    ByteDestination destination;
    destination.m_pub.next_output_byte = reinterpret_cast<JOCTET *>(output.data());
    destination.m_pub.free_in_buffer = size_t(output.size());
    destination.m_pub.init_destination = &InitDestination;
    destination.m_pub.empty_output_buffer = &GrowDestination;
    destination.m_pub.term_destination = &TermDestination;
    destination.m_pBuffer = &output;
    rc = inout_guard.Run([&](j_decompress_ptr) {
        dest.dest = &destination.m_pub;
        jpeg_write_coefficients(&dest, destArrays.data());
        // Every APPn and COM segment of the source, in its order and byte for byte (JFIF and
        // Adobe segments too: the source's own, not libjpeg's idea of them).
        for (const VYRJpegSegment &segment : in_segments) {
            if (IsKeptSegment(segment.m_marker) && segment.m_length >= 4)
                jpeg_write_marker(&dest, segment.m_marker, in_pData + segment.m_offset + 4,
                                  unsigned(segment.m_length - 4));
        }
        jpeg_finish_compress(&dest);
    });
    if (rc != VYR_SUCCESS) {
        QLTrace("Cannot rotate '%s': %s\n", name, inout_guard.Reason().constData());
        output = QByteArray();
        return WriteFailure(rc);
    }
    out_pResult->m_width = int(dest.image_width);
    out_pResult->m_height = int(dest.image_height);
    return VYR_SUCCESS;
}

} // namespace

int VYRTurnJpeg(const uint8_t *in_pData, size_t in_size, const VYRTurnRequest &in_request,
                VYRTurnResult *out_pResult)
{
    const int code = in_request.m_code;
    bool known = false;
    const VYROrientation transform = VYROrientation::FromCode(code, &known);
    if (!known || transform.IsUpright() || !in_pData || !out_pResult)
        return VYR_ERR_INVALID_PARAMETER;
    const VYRJpegLayout layout = VYRScanJpeg(in_pData, in_size);
    if (!layout.m_isJpeg)
        return VYR_ERR_FILE_FORMAT;
    const char *name = in_request.m_name.constData();

    VYRJpegGuard guard;
    int rc = guard.ReadHeader(in_pData, in_size);
    if (rc != VYR_SUCCESS) {
        QLTrace("Cannot rotate '%s': %s\n", name, guard.Reason().constData());
        return rc;
    }
    TurnPlan plan;
    rc = PlanTurn(*guard.Info(), transform, name, &plan);
    if (rc == VYR_SUCCESS)
        rc = ReadAndTurn(guard, plan, code, name);
    if (rc == VYR_SUCCESS)
        rc =
            WriteTurned(guard, plan, in_request, in_pData, in_size, layout.m_segments, out_pResult);
    if (rc != VYR_SUCCESS)
        return rc;

    const Geometry &geometry = plan.m_geometry;
    if (geometry.m_trimmedColumns || geometry.m_trimmedRows)
        QLTrace("Rotating '%s' (%dx%d pixels) trimmed the partial edge blocks: %d column(s) on "
                "the right, %d row(s) at the bottom\n",
                name, int(guard.Info()->image_width), int(guard.Info()->image_height),
                geometry.m_trimmedColumns, geometry.m_trimmedRows);
    out_pResult->m_trimmedColumns = geometry.m_trimmedColumns;
    out_pResult->m_trimmedRows = geometry.m_trimmedRows;
    return VYR_SUCCESS;
}

int VYRVerifyJpeg(const uint8_t *in_pData, size_t in_size)
{
    VYRJpegGuard guard;
    const int rc = ReadDigest(guard, in_pData, in_size, nullptr);
    return rc == VYR_ERR_FILE_FORMAT ? VYR_ERR_FILE_DAMAGED : rc;
}

int VYRVerifyJpeg(const uint8_t *in_pData, size_t in_size, uint64_t in_coefficientDigest,
                  QByteArray *out_pReason)
{
    VYRJpegGuard guard;
    uint64_t digest = 0;
    int rc = ReadDigest(guard, in_pData, in_size, &digest);
    if (rc == VYR_ERR_FILE_FORMAT)
        rc = VYR_ERR_FILE_DAMAGED;
    if (out_pReason)
        *out_pReason = guard.Reason();
    if (rc == VYR_SUCCESS && digest != in_coefficientDigest) {
        if (out_pReason)
            *out_pReason = "It decodes to other coefficients than were written";
        return VYR_ERR_TRANSFORM;
    }
    return rc;
}
