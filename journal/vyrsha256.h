// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// SHA-256 of a buffer, the journal's digest. Uses the processor's SHA instructions where it has
// them (Qt 6.4's QCryptographicHash does not, and hashing each photo twice with it would cost
// about a third of the turn itself); QCryptographicHash otherwise. Both give the same digest.
#pragma once

#include <QByteArray>

// The 32-byte digest of in_size bytes at in_pData.
QByteArray VYRSha256(const char *in_pData, qsizetype in_size);
inline QByteArray VYRSha256(const QByteArray &in_data)
{
    return VYRSha256(in_data.constData(), in_data.size());
}
