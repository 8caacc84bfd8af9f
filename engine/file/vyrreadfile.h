// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Reading a photo file whole, safely: the one way the engine takes a file into memory.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

struct QLFileFacts;

// Files larger than this are refused: no photo is this large, and holding one would exhaust
// memory.
inline constexpr qint64 kVYRMaxFileBytes = qint64(1) << 30;

// Which file was read, as it was when it was read: what a write checks just before it puts
// its result in that file's place.
struct VYRFileIdentity
{
    uint64_t m_device = 0;
    uint64_t m_inode = 0;
    qint64 m_size = -1;
    qint64 m_mtimeSec = 0;
    long m_mtimeNsec = 0;
    uint32_t m_mode = 0; // permission bits

    bool IsSameFile(const VYRFileIdentity &in_other) const
    {
        return m_device == in_other.m_device && m_inode == in_other.m_inode;
    }
    bool IsUnchanged(const VYRFileIdentity &in_other) const
    {
        return IsSameFile(in_other) && m_size == in_other.m_size &&
               m_mtimeSec == in_other.m_mtimeSec && m_mtimeNsec == in_other.m_mtimeNsec;
    }
};
VYRFileIdentity VYRIdentityOf(const QLFileFacts &in_facts);

// Reads in_path whole into out_pData. Only a regular file is read: a name that leads to a
// FIFO (opening it would wait for a writer forever) or a device (which never ends) is
// refused. out_pMode, when given, receives the file's permission bits; out_pSize, when given,
// its size (also when it is too large).
// Returns VYR_SUCCESS, or VYR_ERR_FILE_NOT_FOUND, VYR_ERR_PATH_TOO_LONG, VYR_ERR_FILE_READ (not
// a regular file, a read error, or the file changed size while being read) or
// VYR_ERR_NO_MEMORY (larger than kVYRMaxFileBytes).
int VYRReadRegularFile(const QString &in_path, QByteArray *out_pData, uint32_t *out_pMode = nullptr,
                       qint64 *out_pSize = nullptr);

// The same for a photo about to be turned: out_pIdentity receives the file as it was read,
// and a file larger than kVYRMaxFileBytes is VYR_ERR_FILE_TOO_LARGE.
int VYRReadPhotoFile(const QString &in_path, QByteArray *out_pData, VYRFileIdentity *out_pIdentity);
