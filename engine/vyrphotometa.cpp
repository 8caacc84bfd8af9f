// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrphotometa.h"

#include "qltrace.h"
#include "vyrengine.h"

int VYRCompletePhoto(const uint8_t *in_pSource, size_t in_size, const VYRJpegLayout &in_layout, int,
                     const VYRTurnResult &in_turned, QByteArray *out_pPhoto)
{
    if (!in_pSource || !out_pPhoto)
        return VYR_ERR_INVALID_PARAMETER;
    *out_pPhoto = in_turned.m_jpeg;
    if (in_layout.m_complete && in_layout.m_endOfImage < in_size) {
        QLTrace("Rotating dropped %llu byte(s) after the end-of-image marker\n",
                static_cast<unsigned long long>(in_size - in_layout.m_endOfImage));
    }
    return VYR_SUCCESS;
}
