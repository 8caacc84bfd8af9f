// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrxmpedit.h"

#include "core/vyrcodes.h"
#include "qltrace.h"

#include <QList>
#include <algorithm>

const QByteArray kVYRXmpIdentifier("http://ns.adobe.com/xap/1.0/\0", 29);

namespace {

const QByteArray kTiffNamespace("http://ns.adobe.com/tiff/1.0/");
const QByteArray kExifNamespace("http://ns.adobe.com/exif/1.0/");
const QByteArray kPacketEnd("<?xpacket end");

struct Edit
{
    qsizetype m_pos = 0;
    qsizetype m_length = 0;
    QByteArray m_text;
};

bool IsSpace(char in_c)
{
    return in_c == ' ' || in_c == '\t' || in_c == '\n' || in_c == '\r';
}

bool IsNameChar(char in_c)
{
    return (in_c >= 'a' && in_c <= 'z') || (in_c >= 'A' && in_c <= 'Z') ||
           (in_c >= '0' && in_c <= '9') || in_c == '_' || in_c == '-' || in_c == '.';
}

qsizetype SkipSpace(const QByteArray &in_text, qsizetype in_pos)
{
    while (in_pos < in_text.size() && IsSpace(in_text[in_pos]))
        ++in_pos;
    return in_pos;
}

// The prefixes that xmlns:prefix="uri" declarations bind to in_uri (a packet may use any).
QList<QByteArray> PrefixesOf(const QByteArray &in_text, const QByteArray &in_uri)
{
    QList<QByteArray> prefixes;
    static const QByteArray kXmlns("xmlns:");
    for (qsizetype pos = in_text.indexOf(kXmlns); pos >= 0;
         pos = in_text.indexOf(kXmlns, pos + 1)) {
        const qsizetype nameFrom = pos + kXmlns.size();
        qsizetype p = nameFrom;
        while (p < in_text.size() && IsNameChar(in_text[p]))
            ++p;
        const QByteArray prefix = in_text.mid(nameFrom, p - nameFrom);
        p = SkipSpace(in_text, p);
        if (prefix.isEmpty() || p >= in_text.size() || in_text[p] != '=')
            continue;
        p = SkipSpace(in_text, p + 1);
        if (p >= in_text.size() || (in_text[p] != '"' && in_text[p] != '\''))
            continue;
        const qsizetype close = in_text.indexOf(in_text[p], p + 1);
        if (close > p && in_text.mid(p + 1, close - p - 1) == in_uri && !prefixes.contains(prefix))
            prefixes << prefix;
    }
    return prefixes;
}

// The text of a value with its character references resolved (&#54; and &#x36; read as 6,
// as XML readers take them). False for any other reference, which no number holds.
bool DecodeValue(const QByteArray &in_text, qsizetype in_from, qsizetype in_to, QByteArray *out)
{
    for (qsizetype i = in_from; i < in_to; ++i) {
        if (in_text[i] != '&') {
            out->append(in_text[i]);
            continue;
        }
        const qsizetype end = in_text.indexOf(';', i);
        if (end < 0 || end >= in_to || end - i < 3 || in_text[i + 1] != '#')
            return false;
        const bool hex = in_text[i + 2] == 'x';
        const QByteArray digits = in_text.mid(i + (hex ? 3 : 2), end - i - (hex ? 3 : 2));
        bool ok = false;
        const uint code = digits.toUInt(&ok, hex ? 16 : 10);
        if (!ok || digits.isEmpty() || digits[0] == '+' || digits[0] == '-' || code > 0x7F)
            return false;
        out->append(char(code));
        i = end;
    }
    return true;
}

// Replaces the value in_text[in_from, in_to) when it holds a number, white space and character
// references included: the whole value becomes the plain number, as readers that keep white
// space (exiftool reads ' 6 ' as " 6 ") then read it too. A value that is no number cannot be
// edited safely, since readers may still take it for one: false. An empty value holds nothing
// and is left.
bool AddValueEdit(const QByteArray &in_text, qsizetype in_from, qsizetype in_to,
                  const QByteArray &in_value, QList<Edit> *inout_pEdits)
{
    QByteArray value;
    if (!DecodeValue(in_text, in_from, in_to, &value))
        return false;
    value = value.trimmed();
    if (value.isEmpty())
        return true;
    for (char c : value) {
        if (c < '0' || c > '9')
            return false;
    }
    inout_pEdits->append({in_from, in_to - in_from, in_value});
    return true;
}

// Every value of the property in_name: as an attribute (prefix:name="6") or as an element
// (<prefix:name>6</prefix:name>). False when a value is in a form that cannot be edited
// safely (no number, or an element that holds more than text).
bool FindValues(const QByteArray &in_text, const QByteArray &in_name, const QByteArray &in_value,
                QList<Edit> *inout_pEdits)
{
    for (qsizetype pos = in_text.indexOf(in_name); pos >= 0;
         pos = in_text.indexOf(in_name, pos + 1)) {
        const qsizetype end = pos + in_name.size();
        if (pos == 0 || end >= in_text.size() || IsNameChar(in_text[end]) || in_text[end] == ':')
            continue; // part of a longer name
        const char before = in_text[pos - 1];
        if (IsSpace(before)) {
            qsizetype p = SkipSpace(in_text, end);
            if (p >= in_text.size() || in_text[p] != '=')
                continue;
            p = SkipSpace(in_text, p + 1);
            if (p >= in_text.size() || (in_text[p] != '"' && in_text[p] != '\''))
                return false;
            const qsizetype close = in_text.indexOf(in_text[p], p + 1);
            if (close < 0 || !AddValueEdit(in_text, p + 1, close, in_value, inout_pEdits))
                return false;
        } else if (before == '<') {
            const qsizetype open = in_text.indexOf('>', end);
            if (open < 0)
                return false;
            if (in_text[open - 1] == '/')
                continue; // an empty element holds no value
            const qsizetype close = in_text.indexOf('<', open + 1);
            if (close < 0 || in_text.mid(close, in_name.size() + 2) != "</" + in_name ||
                !AddValueEdit(in_text, open + 1, close, in_value, inout_pEdits))
                return false;
        }
    }
    return true;
}

// Applies the edits and settles the length change in the padding. False when the padding is
// too small to give the bytes a longer text needs.
bool Apply(const QByteArray &in_text, QList<Edit> in_edits, QByteArray *out_pText,
           bool in_mayGrow = false)
{
    std::sort(in_edits.begin(), in_edits.end(),
              [](const Edit &a, const Edit &b) { return a.m_pos < b.m_pos; });
    QByteArray text;
    qsizetype from = 0;
    for (const Edit &edit : in_edits) {
        if (edit.m_pos < from)
            return false; // overlapping matches: the packet is not what it seems
        text += in_text.mid(from, edit.m_pos - from);
        text += edit.m_text;
        from = edit.m_pos + edit.m_length;
    }
    text += in_text.mid(from);
    if (in_mayGrow) {
        *out_pText = text;
        return true;
    }

    qsizetype end = text.lastIndexOf(kPacketEnd);
    if (end < 0)
        end = text.size();
    qsizetype padding = 0;
    while (padding < end && IsSpace(text[end - padding - 1]))
        ++padding;
    const qsizetype grown = text.size() - in_text.size();
    if (grown > padding)
        return false;
    if (grown > 0)
        text.remove(end - grown, grown);
    else if (grown < 0)
        text.insert(end, QByteArray(-grown, ' '));
    *out_pText = text;
    return true;
}

} // namespace

int VYREditXmp(QByteArray *inout_pPayload, int in_width, int in_height, const QByteArray &in_name,
               bool in_mayGrow)
{
    if (!inout_pPayload || !inout_pPayload->startsWith(kVYRXmpIdentifier))
        return VYR_SUCCESS;
    const QByteArray &text = *inout_pPayload;
    QList<Edit> orientation, sizes;
    const QByteArray width = QByteArray::number(in_width);
    const QByteArray height = QByteArray::number(in_height);
    bool readable = true;
    for (const QByteArray &prefix : PrefixesOf(text, kTiffNamespace)) {
        readable = FindValues(text, prefix + ":Orientation", "1", &orientation) && readable;
        readable = FindValues(text, prefix + ":ImageWidth", width, &sizes) && readable;
        readable = FindValues(text, prefix + ":ImageLength", height, &sizes) && readable;
    }
    for (const QByteArray &prefix : PrefixesOf(text, kExifNamespace)) {
        readable = FindValues(text, prefix + ":PixelXDimension", width, &sizes) && readable;
        readable = FindValues(text, prefix + ":PixelYDimension", height, &sizes) && readable;
    }
    if (!readable) {
        QLTrace("Cannot rotate '%s': its XMP orientation or size is written in a form that "
                "cannot be edited safely\n",
                in_name.constData());
        return VYR_ERR_METADATA_DAMAGED;
    }
    if (orientation.isEmpty() && sizes.isEmpty())
        return VYR_SUCCESS;

    QByteArray edited;
    if (!Apply(text, orientation + sizes, &edited, in_mayGrow)) {
        QLTrace("Rotating '%s' left the XMP sizes as they were: the packet has too little "
                "padding for the new values\n",
                in_name.constData());
        // The Orientation alone never grows: "1" is the shortest form of any number.
        if (!Apply(text, orientation, &edited))
            return VYR_ERR_METADATA_DAMAGED;
    }
    *inout_pPayload = edited;
    return VYR_SUCCESS;
}
