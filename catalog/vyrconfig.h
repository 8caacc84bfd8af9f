// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// VYRConfig: every user-adjustable value of Veyra in one typed record, and the one place
// that knows the names and sections under which they are stored.
#pragma once

#include <QString>
#include <QtGlobal>

class QDataStream;
class QSettings;

class VYRConfig
{
public:
    // Schema number of the archive form written by Serialize.
    static constexpr int kSchema = 1;

    // The three strings start empty and the integers at their defaults, so a record that
    // was never loaded holds no unset value.
    VYRConfig();
    VYRConfig(const VYRConfig &in_other) = default;
    VYRConfig &operator=(const VYRConfig &in_other) = default;
    virtual ~VYRConfig() = default;

    // Archive form. Storing writes the fifteen integers in declaration order, each as a
    // 4-byte little-endian value, then Filter, RootPath and DestPath, each as a 4-byte
    // little-endian byte count followed by that many bytes of UTF-8 (no terminator).
    // Loading reads the same; it returns false and leaves the record unchanged when the
    // archive ends early or a string's count runs past the end of the data. The stream's
    // byte order is set to little-endian for the call and restored afterwards.
    // Returns true on success (storing fails only when the stream reports an error).
    bool Serialize(QDataStream &inout_archive, bool in_bStoring);

    // Reads every value from in_store (groups "Veyra" and "Vyera" as the table below says).
    // A missing value, or an integer that does not parse as a number, reads as its default;
    // no range check is made. Filter is read as a user writes it by hand: its patterns may
    // be separated by ";" or ",", quoted or not, and are kept joined by ";".
    void Load(QSettings &in_store);
    // Writes all eighteen values to in_store, in the same groups. Failures are not reported.
    void Save(QSettings &in_store) const;

    // Defaults of a store that holds nothing.
    static constexpr int kDefaultSpacing = 5;
    static constexpr int kDefaultMargin = 40;
    static constexpr int kDefaultPadding = 8;
    static constexpr char kDefaultFilter[] = "*.jpg";

    // Store names.
    static constexpr char kSectionMain[] = "Veyra";
    static constexpr char kSectionPaths[] = "Vyera"; // holds "Filter" and "RootPath" only

    // Fields, in archive order. Booleans are 0 or 1 but load as stored.
    qint32 HorzSpacing;    // "HorzSpacing": horizontal gap between grid cells, pixels
    qint32 VertSpacing;    // "VertSpacing": vertical gap between grid cells, pixels
    qint32 LeftMargin;     // "LeftMargin": grid margins, pixels
    qint32 TopMargin;      // "TopMargin"
    qint32 RightMargin;    // "RightMargin"
    qint32 BottomMargin;   // "BottomMargin"
    qint32 LeftPadding;    // "LeftPadding": padding inside a cell, pixels
    qint32 TopPadding;     // "TopPadding"
    qint32 RightPadding;   // "RightPadding"
    qint32 BottomPadding;  // "BottomPadding"
    quint32 MatteColor;    // "MatteColor": 0x00BBGGRR (red in the low byte); thumbnail matte
    qint32 ShowFileName;   // "ShowFileName": kept in the store; nothing reads it
    qint32 IncludeSubDirs; // "IncludeSubDirs": scan subfolders too
    qint32 Inplace;        // "Inplace": write over the source; output folder follows source
    qint32 ThumbSize;      // "ThumbSize": 0 small, 1 medium, 2 large (others load as they are)
    QString Filter;        // "Filter" (section "Vyera"): wildcard patterns of the scan
    QString RootPath;      // "RootPath" (section "Vyera"): source folder
    QString DestPath;      // "DestPath" (section "Veyra"): output folder when not in place
};
