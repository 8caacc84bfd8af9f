// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The engine's bitmap operations (copy, free, rotate, paint). Reach them through the engine
// table (VYRGetEngine()); they are declared here for the default table and for tests that
// wrap them. Results and failures as documented in vyrengine.h.
#pragma once

#include "vyrengine.h"

int VYREngineCopyBitmap(VYRBitmap *out_pDest, const VYRBitmap *in_pSource);
int VYREngineFreeBitmap(VYRBitmap *inout_pBitmap);
int VYREngineRotateBitmap(VYRBitmap *inout_pBitmap, int in_angle, uint32_t in_flags,
                          int32_t in_param);
int VYREnginePaintBitmap(QPainter *in_pDC, const VYRBitmap *in_pBitmap, const QRect *in_pSource,
                         const QRect *in_pSourceClip, const QRect *in_pDest,
                         const QRect *in_pDestClip, uint32_t in_rop);

// The picture a record stands for, as it is shown: the stored image (a compact one decoded onto
// its matte, its turns applied) turned or mirrored as its orientation code says. A null image
// for an empty record, or when a compact picture cannot be decoded.
QImage VYREngineDisplayImage(const VYRBitmap &in_bitmap);

// The same picture as a plain record: a compact one decoded onto its matte with its turns
// applied, the orientation code kept; a plain record as it is. An empty record for an empty
// one, or when a compact picture cannot be decoded.
VYRBitmap VYREnginePlainBitmap(const VYRBitmap &in_bitmap);
