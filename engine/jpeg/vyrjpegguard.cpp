// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrjpegguard.h"

#include "jpeg/vyrjpegmemory.h"

#include <jerror.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

// libjpeg's block array, as the guard keeps it (libjpeg leaves the type to its memory manager).
struct jvirt_barray_control
{
    JBLOCKARRAY m_pRows; // every row, once realised
    JDIMENSION m_blocksPerRow;
    JDIMENSION m_rows;
    JDIMENSION m_maxAccess;
    JDIMENSION m_firstUndefined; // rows below it have been written (or zeroed)
    bool m_preZero;
};

namespace {

// Arrays one picture may ask for: a decoder's per component, a turn's twice that.
constexpr int kMaxArrays = 4 * MAX_COMPONENTS;

// Room libjpeg needs beside the coefficient arrays (tables, entropy state, row buffers).
constexpr qint64 kOverheadBytes = qint64(8) << 20;

int CodeOfError(int in_messageCode)
{
    switch (in_messageCode) {
    case JERR_NO_SOI:
        return VYR_ERR_FILE_FORMAT;
    case JERR_OUT_OF_MEMORY:
        return VYR_ERR_NO_MEMORY;
    case JERR_NO_BACKING_STORE: // the cap set by Reserve()
    case JERR_WIDTH_OVERFLOW:
        return VYR_ERR_TOO_COSTLY;
    case JERR_BAD_PRECISION:
    case JERR_NOT_COMPILED:
    case JERR_NOTIMPL:
    case JERR_ARITH_NOTIMPL:
    case JERR_SOF_UNSUPPORTED:
    case JERR_CCIR601_NOTIMPL:
    case JERR_FRACT_SAMPLE_NOTIMPL:
    case JERR_CONVERSION_NOTIMPL:
    case JERR_IMAGE_TOO_BIG:
        return VYR_ERR_TRANSFORM;
    default:
        return VYR_ERR_FILE_DAMAGED;
    }
}

qint64 RoundUp(qint64 in_value, qint64 in_multiple)
{
    return (in_value + in_multiple - 1) / in_multiple * in_multiple;
}

} // namespace

VYRJpegGuard::VYRJpegGuard(const std::atomic<bool> *in_pCancel) : m_pCancel(in_pCancel)
{
    m_info.err = jpeg_std_error(&m_error.m_pub);
    m_error.m_pub.error_exit = &VYRJpegGuard::OnError;
    m_error.m_pub.emit_message = &VYRJpegGuard::OnMessage;
    m_error.m_pGuard = this;
    m_progress.m_pub.progress_monitor = &VYRJpegGuard::OnProgress;
    m_progress.m_pub.pass_counter = 0;
    m_progress.m_pub.pass_limit = 0;
    m_progress.m_pub.completed_passes = 0;
    m_progress.m_pub.total_passes = 0;
    m_progress.m_pGuard = this;
    m_pArrays.reset(new jvirt_barray_control[kMaxArrays]);
    Run([](j_decompress_ptr in_pInfo) { jpeg_create_decompress(in_pInfo); });
    m_created = m_failure == VYR_SUCCESS;
    if (!m_created)
        return;
    m_info.progress = &m_progress.m_pub;
    // The block arrays (every coefficient of a buffered picture) come from the guard: from
    // reused memory, within the reservation.
    m_pLibraryRealize = m_info.mem->realize_virt_arrays;
    m_info.mem->request_virt_barray = &VYRJpegGuard::RequestArray;
    m_info.mem->realize_virt_arrays = &VYRJpegGuard::RealizeArrays;
    m_info.mem->access_virt_barray = &VYRJpegGuard::AccessArray;
}

VYRJpegGuard::~VYRJpegGuard()
{
    // Frees the arrays before their share of the budget goes back.
    if (m_created)
        jpeg_destroy_decompress(&m_info);
    if (m_pSlab)
        VYRGiveSlab(m_pSlab, m_slabBytes);
    if (m_reserved > 0)
        VYRGiveSharedBytes(m_reserved);
}

VYRJpegGuard *VYRJpegGuard::GuardOf(j_common_ptr in_pInfo)
{
    return reinterpret_cast<ErrorHandler *>(in_pInfo->err)->m_pGuard;
}

void VYRJpegGuard::OnError(j_common_ptr in_pInfo)
{
    char text[JMSG_LENGTH_MAX];
    (*in_pInfo->err->format_message)(in_pInfo, text);
    GuardOf(in_pInfo)->Fail(CodeOfError(in_pInfo->err->msg_code), text);
}

void VYRJpegGuard::OnMessage(j_common_ptr in_pInfo, int in_level)
{
    // Level -1 is a warning: the data is damaged and libjpeg would carry on with a guess. A
    // photo is never rewritten from a guess, so the first warning ends the decode. Higher
    // levels are trace output.
    if (in_level >= 0)
        return;
    VYRJpegGuard *guard = GuardOf(in_pInfo);
    ++in_pInfo->err->num_warnings;
    if (guard->m_tolerateWarnings && !guard->m_warning.isEmpty())
        return;
    char text[JMSG_LENGTH_MAX];
    (*in_pInfo->err->format_message)(in_pInfo, text);
    if (!guard->m_tolerateWarnings)
        guard->Fail(VYR_ERR_FILE_DAMAGED, text);
    // Only the first is kept: a damaged file can warn once per restart interval.
    guard->m_warning = text;
}

void VYRJpegGuard::OnProgress(j_common_ptr in_pInfo)
{
    VYRJpegGuard *guard = reinterpret_cast<ProgressManager *>(in_pInfo->progress)->m_pGuard;
    if (guard->m_pCancel && guard->m_pCancel->load(std::memory_order_relaxed))
        guard->Fail(VYR_ERR_CANCELLED, "Cancelled");
    if (in_pInfo->is_decompressor == 0)
        return;
    // Each scan is counted once, as it starts, before any of its data is decoded: a file of
    // a few kilobytes can hold hundreds of scans that each walk every block.
    const jpeg_decompress_struct &info = guard->m_info;
    if (info.input_scan_number == guard->m_lastScan)
        return;
    guard->m_lastScan = info.input_scan_number;
    if (guard->m_lastScan > kMaxScans) {
        char text[96];
        std::snprintf(text, sizeof(text), "More than %d scans", kMaxScans);
        guard->Fail(VYR_ERR_TOO_COSTLY, text);
    }
    // A component counts as present with its first scan (sequential) or its first DC scan
    // (progressive); later refinements only improve it.
    const bool bringsData = !info.progressive_mode || (info.Ss == 0 && info.Ah == 0);
    for (int i = 0; i < info.comps_in_scan && i < MAX_COMPS_IN_SCAN; ++i) {
        const jpeg_component_info *component = info.cur_comp_info[i];
        if (!component)
            continue;
        guard->m_visits += qint64(component->width_in_blocks) * qint64(component->height_in_blocks);
        if (bringsData && component->component_index >= 0 && component->component_index < 32)
            guard->m_scannedComponents |= 1u << component->component_index;
    }
    if (guard->m_visits > guard->m_allowedVisits) {
        char text[160];
        std::snprintf(text, sizeof(text),
                      "Its %d scans would decode %lld blocks for a picture of %lld blocks",
                      guard->m_lastScan, static_cast<long long>(guard->m_visits),
                      static_cast<long long>(guard->m_blocks));
        guard->Fail(VYR_ERR_TOO_COSTLY, text);
    }
}

void VYRJpegGuard::Fail(int in_code, const char *in_reason)
{
    m_failure = in_code;
    m_reason = in_reason;
    if (!m_armed) {
        // libjpeg was called outside Run(): there is no safe place to return to, and
        // carrying on would let libjpeg work with a broken state.
        std::abort();
    }
    std::longjmp(m_jump, 1);
}

int VYRJpegGuard::RequireEveryComponent()
{
    if (m_failure != VYR_SUCCESS)
        return m_failure;
    for (int c = 0; c < m_info.num_components && c < 32; ++c) {
        if (!(m_scannedComponents & (1u << c))) {
            char text[96];
            std::snprintf(text, sizeof(text), "Component %d of %d has no scan", c + 1,
                          m_info.num_components);
            return Refuse(VYR_ERR_FILE_DAMAGED, text);
        }
    }
    return VYR_SUCCESS;
}

int VYRJpegGuard::Refuse(int in_code, const char *in_reason)
{
    m_failure = in_code;
    m_reason = in_reason;
    return in_code;
}

int VYRJpegGuard::ReadHeader(const uint8_t *in_pData, size_t in_size)
{
    if (m_failure != VYR_SUCCESS)
        return m_failure;
    if (!in_pData || in_size < 2)
        return Refuse(VYR_ERR_FILE_FORMAT, "Not a JPEG file");
    const int rc = Run([&](j_decompress_ptr in_pInfo) {
        if (m_tolerateWarnings)
            jpeg_mem_src(in_pInfo, in_pData, static_cast<unsigned long>(in_size));
        else
            UsePieces(in_pData, in_size);
        jpeg_read_header(in_pInfo, TRUE);
    });
    if (rc != VYR_SUCCESS)
        return rc;
    // jpeg_read_header() stops just after the first scan's header.
    m_entropyBytes = qint64(m_info.src->bytes_in_buffer);
    if (m_info.src == &m_pieces.m_pub)
        m_entropyBytes += m_pieces.m_pEnd - m_pieces.m_pNext;
    return CheckPlausible();
}

void VYRJpegGuard::UsePieces(const uint8_t *in_pData, size_t in_size)
{
    m_pieces.m_pub.init_source = [](j_decompress_ptr) {};
    m_pieces.m_pub.fill_input_buffer = &VYRJpegGuard::FillPiece;
    m_pieces.m_pub.skip_input_data = &VYRJpegGuard::SkipPieces;
    m_pieces.m_pub.resync_to_restart = &jpeg_resync_to_restart;
    m_pieces.m_pub.term_source = [](j_decompress_ptr) {};
    m_pieces.m_pub.next_input_byte = in_pData;
    m_pieces.m_pub.bytes_in_buffer = 0;
    m_pieces.m_pNext = in_pData;
    m_pieces.m_pEnd = in_pData + in_size;
    m_info.src = &m_pieces.m_pub;
}

boolean VYRJpegGuard::FillPiece(j_decompress_ptr in_pInfo)
{
    PieceSource &pieces = GuardOf(reinterpret_cast<j_common_ptr>(in_pInfo))->m_pieces;
    if (pieces.m_pNext == pieces.m_pEnd) {
        // As libjpeg's memory source: data that runs out is a warning (the end of this
        // decode), followed by a made-up end of image.
        static const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};
        WARNMS(in_pInfo, JWRN_JPEG_EOF);
        pieces.m_pub.next_input_byte = kEndOfImage;
        pieces.m_pub.bytes_in_buffer = sizeof(kEndOfImage);
        return TRUE;
    }
    const size_t piece = std::min(kPieceBytes, size_t(pieces.m_pEnd - pieces.m_pNext));
    pieces.m_pub.next_input_byte = pieces.m_pNext;
    pieces.m_pub.bytes_in_buffer = piece;
    pieces.m_pNext += piece;
    return TRUE;
}

void VYRJpegGuard::SkipPieces(j_decompress_ptr in_pInfo, long in_bytes)
{
    // Segments that are not kept (an Exif block, say) are passed over in one step.
    PieceSource &pieces = GuardOf(reinterpret_cast<j_common_ptr>(in_pInfo))->m_pieces;
    if (in_bytes <= 0)
        return;
    size_t skip = size_t(in_bytes);
    if (skip <= pieces.m_pub.bytes_in_buffer) {
        pieces.m_pub.next_input_byte += skip;
        pieces.m_pub.bytes_in_buffer -= skip;
        return;
    }
    skip -= pieces.m_pub.bytes_in_buffer;
    pieces.m_pub.bytes_in_buffer = 0;
    if (skip > size_t(pieces.m_pEnd - pieces.m_pNext)) {
        pieces.m_pNext = pieces.m_pEnd;
        FillPiece(in_pInfo);
        return;
    }
    pieces.m_pNext += skip;
    pieces.m_pub.next_input_byte = pieces.m_pNext;
}

int VYRJpegGuard::CheckPlausible()
{
    m_blocks = 0;
    m_coefficientBytes = 0;
    for (int c = 0; c < m_info.num_components; ++c) {
        const jpeg_component_info &component = m_info.comp_info[c];
        m_blocks += qint64(component.width_in_blocks) * component.height_in_blocks;
        m_coefficientBytes += RoundUp(component.width_in_blocks, component.h_samp_factor) *
                              RoundUp(component.height_in_blocks, component.v_samp_factor) *
                              qint64(sizeof(JBLOCK));
    }
    m_allowedVisits = std::max<qint64>(m_blocks * kWorkMultiple, qint64(1) << 16);

    char text[200];
    if (!m_info.arith_code) {
        // The cheapest block costs two Huffman codes of at least a bit each (a DC difference
        // and an end-of-block); a progressive picture's first DC scan codes one per block.
        const int bitsPerBlock = m_info.progressive_mode ? 1 : 2;
        const qint64 neededBytes = (m_blocks * bitsPerBlock + 7) / 8;
        if (m_entropyBytes < neededBytes) {
            std::snprintf(text, sizeof(text),
                          "%lld bytes of image data cannot describe %ux%u pixels (%lld blocks, "
                          "at least %lld bytes)",
                          static_cast<long long>(m_entropyBytes), m_info.image_width,
                          m_info.image_height, static_cast<long long>(m_blocks),
                          static_cast<long long>(neededBytes));
            return Refuse(VYR_ERR_FILE_DAMAGED, text);
        }
    } else if (m_coefficientBytes > kArithmeticFreeBytes &&
               m_entropyBytes < m_blocks / kArithmeticBlocksPerByte) {
        std::snprintf(text, sizeof(text),
                      "%lld bytes of arithmetic-coded data for %ux%u pixels (%lld blocks) is "
                      "not a photo",
                      static_cast<long long>(m_entropyBytes), m_info.image_width,
                      m_info.image_height, static_cast<long long>(m_blocks));
        return Refuse(VYR_ERR_TOO_COSTLY, text);
    }
    return VYR_SUCCESS;
}

int VYRJpegGuard::Reserve(qint64 in_bytes)
{
    if (m_failure != VYR_SUCCESS)
        return m_failure;
    const qint64 bytes = in_bytes + kOverheadBytes;
    char text[160];
    if (bytes > kSharedBudgetBytes) {
        std::snprintf(text, sizeof(text),
                      "%ux%u pixels would need %lld MB, more than the %lld MB a picture may use",
                      m_info.image_width, m_info.image_height, static_cast<long long>(bytes >> 20),
                      static_cast<long long>(kSharedBudgetBytes >> 20));
        return Refuse(VYR_ERR_TOO_COSTLY, text);
    }
    if (!VYRTakeSharedBytes(bytes, kSharedBudgetBytes, m_pCancel))
        return Refuse(VYR_ERR_CANCELLED, "Cancelled");
    m_reserved = bytes;
    // Without a backing store libjpeg fails cleanly instead of going past this.
    m_info.mem->max_memory_to_use = static_cast<long>(bytes);
    return VYR_SUCCESS;
}

qint64 VYRJpegGuard::FreeBudgetBytes()
{
    return kSharedBudgetBytes - VYRSharedBytesInUse();
}

jvirt_barray_ptr VYRJpegGuard::RequestArray(j_common_ptr in_pInfo, int in_poolId,
                                            boolean in_preZero, JDIMENSION in_blocksPerRow,
                                            JDIMENSION in_rows, JDIMENSION in_maxAccess)
{
    VYRJpegGuard *guard = GuardOf(in_pInfo);
    if (in_poolId != JPOOL_IMAGE)
        ERREXIT1(in_pInfo, JERR_BAD_POOL_ID, in_poolId);
    // One picture per guard: its arrays are realised once.
    if (guard->m_pSlab || guard->m_arrayCount >= kMaxArrays)
        ERREXIT(in_pInfo, JERR_VIRTUAL_BUG);
    jvirt_barray_control &array = guard->m_pArrays[guard->m_arrayCount++];
    array.m_pRows = nullptr;
    array.m_blocksPerRow = in_blocksPerRow;
    array.m_rows = in_rows;
    array.m_maxAccess = in_maxAccess;
    array.m_firstUndefined = 0;
    array.m_preZero = in_preZero != FALSE;
    return &array;
}

void VYRJpegGuard::RealizeArrays(j_common_ptr in_pInfo)
{
    VYRJpegGuard *guard = GuardOf(in_pInfo);
    (*guard->m_pLibraryRealize)(in_pInfo); // sample arrays, which libjpeg keeps
    if (guard->m_pSlab || guard->m_arrayCount == 0)
        return;
    // Row pointers first, then each array's blocks on a cache line of their own.
    constexpr size_t kAlign = 64;
    size_t pointerBytes = 0, blockBytes = 0;
    for (int i = 0; i < guard->m_arrayCount; ++i) {
        const jvirt_barray_control &array = guard->m_pArrays[i];
        pointerBytes += size_t(array.m_rows) * sizeof(JBLOCKROW);
        blockBytes += (size_t(array.m_rows) * array.m_blocksPerRow * sizeof(JBLOCK) + kAlign - 1) /
                      kAlign * kAlign;
    }
    pointerBytes = (pointerBytes + kAlign - 1) / kAlign * kAlign;
    const size_t bytes = pointerBytes + blockBytes + kAlign;
    if (qint64(bytes) > guard->m_reserved) {
        char text[160];
        std::snprintf(text, sizeof(text),
                      "Its coefficients need %lld MB, more than the %lld MB set aside for them",
                      static_cast<long long>(bytes >> 20),
                      static_cast<long long>(guard->m_reserved >> 20));
        guard->Fail(VYR_ERR_TOO_COSTLY, text);
    }
    guard->m_pSlab = VYRTakeSlab(bytes, &guard->m_slabBytes);
    if (!guard->m_pSlab)
        ERREXIT1(in_pInfo, JERR_OUT_OF_MEMORY, 10);
    auto *base = static_cast<unsigned char *>(guard->m_pSlab);
    base += (kAlign - reinterpret_cast<uintptr_t>(base) % kAlign) % kAlign;
    auto *pointers = reinterpret_cast<JBLOCKROW *>(base);
    unsigned char *blocks = base + pointerBytes;
    for (int i = 0; i < guard->m_arrayCount; ++i) {
        jvirt_barray_control &array = guard->m_pArrays[i];
        array.m_pRows = pointers;
        const size_t rowBytes = size_t(array.m_blocksPerRow) * sizeof(JBLOCK);
        for (JDIMENSION row = 0; row < array.m_rows; ++row)
            pointers[row] = reinterpret_cast<JBLOCKROW>(blocks + row * rowBytes);
        pointers += array.m_rows;
        blocks += (size_t(array.m_rows) * rowBytes + kAlign - 1) / kAlign * kAlign;
    }
}

JBLOCKARRAY VYRJpegGuard::AccessArray(j_common_ptr in_pInfo, jvirt_barray_ptr in_array,
                                      JDIMENSION in_startRow, JDIMENSION in_rows,
                                      boolean in_writable)
{
    const JDIMENSION end = in_startRow + in_rows;
    if (!in_array->m_pRows || end > in_array->m_rows || end < in_startRow ||
        in_rows > in_array->m_maxAccess)
        ERREXIT(in_pInfo, JERR_BAD_VIRTUAL_ACCESS);
    // As libjpeg's own arrays: rows are defined in order by writing; a reader may look ahead
    // only into zeroed rows. The memory is reused, so an undefined row would show another
    // picture's coefficients.
    if (in_array->m_firstUndefined < end) {
        JDIMENSION undefined = in_array->m_firstUndefined;
        if (undefined < in_startRow) {
            if (in_writable)
                ERREXIT(in_pInfo, JERR_BAD_VIRTUAL_ACCESS);
            undefined = in_startRow;
        }
        if (in_writable)
            in_array->m_firstUndefined = end;
        if (in_array->m_preZero) {
            for (JDIMENSION row = undefined; row < end; ++row)
                std::memset(in_array->m_pRows[row], 0,
                            size_t(in_array->m_blocksPerRow) * sizeof(JBLOCK));
        } else if (!in_writable) {
            ERREXIT(in_pInfo, JERR_BAD_VIRTUAL_ACCESS);
        }
    }
    return in_array->m_pRows + in_startRow;
}
