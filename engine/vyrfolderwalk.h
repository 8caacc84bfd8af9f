// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The folder walk of the thumbnail browse: matching files in natural, case-insensitive name
// order, the files of a folder before its subfolders, subfolders depth-first in the same
// order, hidden entries skipped, each real folder visited once (no symbolic link loops).
#pragma once

#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

// Compares two names the way people sort photos: runs of digits by their value (IMG_2 before
// IMG_10), everything else letter by letter without regard to case. Names that differ only in
// case or leading zeros still get a fixed order. Independent of the locale.
// Returns <0, 0 or >0.
int VYRNaturalCompare(const QString &in_a, const QString &in_b);

// The ';'-separated wildcard patterns of a filter ("*.jpg;*.jpeg"), matched against a file
// name without regard to case. An empty filter matches every file.
class VYRNameFilter
{
public:
    explicit VYRNameFilter(const QString &in_filter);
    bool Matches(const QString &in_fileName) const;

private:
    std::vector<QRegularExpression> m_patterns;
};

// Hands out the matching files one at a time, listing each folder only when the walk reaches
// it, so the first file is ready long before a large tree has been read.
class VYRFolderWalk
{
public:
    VYRFolderWalk(const QString &in_folder, const QString &in_filter, bool in_subfolders);
    // The next file's path, or false at the end of the walk.
    bool Next(QString *out_pPath);

private:
    struct Level
    {
        QStringList m_files;      // matching files of this folder, sorted
        QStringList m_subfolders; // subfolders still to visit, sorted
        int m_nextFile = 0;
        int m_nextFolder = 0;
    };
    void Enter(const QString &in_folder);

    VYRNameFilter m_filter;
    bool m_subfolders;
    std::vector<Level> m_stack;
    QSet<QString> m_visited; // canonical paths of the folders entered
};
