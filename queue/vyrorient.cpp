// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrorient.h"

#include "qlijpg.h"
#include "qlimg.h"
#include "qlimgfl.h"
#include "qltrace.h"
#include "resource.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

int VYRAngleForOrientation(uint32_t in_value)
{
    bool valid = false;
    const VYROrientation orientation = VYROrientation::FromExif(in_value, &valid);
    return valid && !orientation.IsMirrored() ? orientation.Angle() : 0;
}

namespace {

// A stdio stream over a fixed buffer: reads and writes stay inside it and never add a byte
// (fmemopen may write a terminating NUL after the last byte written, which would damage the
// picture data that follows).
struct MemoryStream
{
    uint8_t *m_pData;
    size_t m_size;
    size_t m_pos;
};

ssize_t MemoryRead(void *in_pCookie, char *out_pBuffer, size_t in_count)
{
    auto *stream = static_cast<MemoryStream *>(in_pCookie);
    const size_t n =
        stream->m_pos < stream->m_size ? std::min(in_count, stream->m_size - stream->m_pos) : 0;
    std::memcpy(out_pBuffer, stream->m_pData + stream->m_pos, n);
    stream->m_pos += n;
    return ssize_t(n);
}

ssize_t MemoryWrite(void *in_pCookie, const char *in_pBuffer, size_t in_count)
{
    auto *stream = static_cast<MemoryStream *>(in_pCookie);
    if (stream->m_pos > stream->m_size || in_count > stream->m_size - stream->m_pos) {
        errno = ENOSPC; // the file's length never changes
        return -1;
    }
    std::memcpy(stream->m_pData + stream->m_pos, in_pBuffer, in_count);
    stream->m_pos += in_count;
    return ssize_t(in_count);
}

int MemorySeek(void *in_pCookie, off64_t *inout_pOffset, int in_whence)
{
    auto *stream = static_cast<MemoryStream *>(in_pCookie);
    off64_t base = 0;
    if (in_whence == SEEK_CUR)
        base = off64_t(stream->m_pos);
    else if (in_whence == SEEK_END)
        base = off64_t(stream->m_size);
    const off64_t target = base + *inout_pOffset;
    if (target < 0) {
        errno = EINVAL;
        return -1;
    }
    stream->m_pos = size_t(target);
    *inout_pOffset = target;
    return 0;
}

int MemoryClose(void *)
{
    return 0;
}

bool FinishInMemory(uint8_t *inout_pData, size_t in_size, void *)
{
    return VYRResetOrientationInMemory(inout_pData, in_size);
}

} // namespace

bool VYRResetOrientation(const QString &in_path)
{
    QLImageFile file;
    // Mode 3, "r+b": the entry is rewritten in place, the rest of the file stays as written.
    if (!file.Open(in_path, QL_FILE_UPDATE))
        return false;
    QL_IFDTAG tag = {};
    tag.tag = VYR_TAG_ORIENTATION;
    bool written = false;
    if (QLFindIFDTag(file.GetFile(), &tag) && tag.value != VYR_ORIENTATION_UPRIGHT) {
        tag.value = VYR_ORIENTATION_UPRIGHT;
        written = QLWriteIFDTag(file.GetFile(), &tag);
        if (!written)
            QLTrace("%s", VYRWorkerText::kTagError);
        if (std::fflush(file.GetFile()) != 0)
            written = false;
    }
    file.Close();
    return written;
}

bool VYRResetOrientationInMemory(uint8_t *inout_pData, size_t in_size)
{
    if (!inout_pData)
        return false;
    MemoryStream stream{inout_pData, in_size, 0};
    const cookie_io_functions_t io = {&MemoryRead, &MemoryWrite, &MemorySeek, &MemoryClose};
    FILE *file = fopencookie(&stream, "r+", io);
    if (!file)
        return false;
    bool ok = true;
    QL_IFDTAG tag = {};
    tag.tag = VYR_TAG_ORIENTATION;
    if (QLFindIFDTag(file, &tag) && tag.value != VYR_ORIENTATION_UPRIGHT) {
        tag.value = VYR_ORIENTATION_UPRIGHT;
        if (!QLWriteIFDTag(file, &tag)) {
            QLTrace("%s", VYRWorkerText::kTagError);
            ok = false;
        }
        if (std::fflush(file) != 0)
            ok = false;
    }
    if (std::fclose(file) != 0)
        ok = false;
    return ok;
}

void VYRRotatePhoto(const QString &in_source, const QString &in_destination, int in_code)
{
    VYRRotateFinish finish;
    finish.m_pFunction = &FinishInMemory;
    QLRotateFile(in_source, in_destination, in_code, &finish);
}
