// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// In-place edits of an XMP packet after the picture it describes was turned.
#pragma once

#include <QByteArray>

// The identifier that starts a JPEG's main XMP APP1 payload (NUL included). Extended XMP
// segments carry another one and are never edited.
extern const QByteArray kVYRXmpIdentifier;

// Brings the XMP APP1 payload *inout_pPayload (identifier and packet) in line with the turned
// picture: tiff:Orientation becomes 1, tiff:ImageWidth/tiff:ImageLength and
// exif:PixelXDimension/exif:PixelYDimension become in_width x in_height, in attribute (either
// quote) or element form, under whatever prefixes the packet binds to those namespaces, with
// white space and character references (&#54;, &#x36;) read as XML readers read them. The
// payload keeps its length: a value that grows takes its bytes from the packet's padding (the
// white space before the closing xpacket instruction), one that shrinks gives them back there.
// When the padding cannot absorb the sizes, only the Orientation is edited (traced).
// Returns VYR_SUCCESS (also when the packet holds none of these values, or is no XMP packet);
// VYR_ERR_METADATA_DAMAGED, with the payload untouched, when one of them is written in a form
// that cannot be edited safely (not a number, an element holding more than text).
// With in_mayGrow (a sidecar file, not a segment of fixed size), the packet may grow or shrink
// instead: the padding is left as it is.
int VYREditXmp(QByteArray *inout_pPayload, int in_width, int in_height, const QByteArray &in_name,
               bool in_mayGrow = false);
