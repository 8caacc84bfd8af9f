// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The folder walk of the thumbnail browse: matching files in natural, case-insensitive name
// order, the files of a folder before its subfolders, subfolders depth-first in the same
// order, hidden entries skipped, each real folder visited once (no symbolic link loops).
#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <optional>
#include <set>
#include <utility>
#include <vector>

class QLFolderReader;

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

// One step of the walk: a matching file, or an entry the walk found and cannot hand out.
struct VYRWalkEntry
{
    enum class Problem
    {
        None,        // a matching file
        Unreadable,  // a folder (or entry) the system refuses to list or look at: m_error
        NameNotUtf8, // its name does not survive as text: m_path shows the bad bytes as \xNN
        PathTooLong, // its path is kQLPathMax bytes or more: the system cannot open it
    };
    QString m_path;
    Problem m_problem = Problem::None;
    int m_error = 0; // the system's errno, for Unreadable
};

// A name's bytes as text: valid UTF-8 decoded, every other byte shown as \xNN.
QString VYREscapedName(const QByteArray &in_name);

// Hands out the matching files one at a time, listing each folder only when the walk reaches
// it, so the first file is ready long before a large tree has been read. What it cannot reach
// (a folder it may not read, a name that is not valid UTF-8, a path too long to open) is
// handed out in its place in the order, never skipped without a word. A FIFO, device or socket
// by its own name and a link that leads nowhere are passed over, as a file manager lists no
// file for them; a link to one is handed out (and refused by whoever opens it).
class VYRFolderWalk
{
public:
    VYRFolderWalk(const QString &in_folder, const QString &in_filter, bool in_subfolders);
    // The next file or unreachable entry, or false at the end of the walk.
    bool Next(VYRWalkEntry *out_pEntry);

private:
    struct Level
    {
        std::vector<VYRWalkEntry> m_files;      // matching files of this folder, sorted
        std::vector<VYRWalkEntry> m_subfolders; // subfolders still to visit, sorted
        size_t m_nextFile = 0;
        size_t m_nextFolder = 0;
    };
    // Lists in_folder onto the stack; false with *out_pProblem when it cannot be listed.
    bool Enter(const QString &in_folder, VYRWalkEntry *out_pProblem);
    bool List(const QString &in_folder, QLFolderReader *in_pDir, Level *out_pLevel,
              int *out_pError) const;

    VYRNameFilter m_filter;
    bool m_subfolders;
    std::vector<Level> m_stack;
    std::set<std::pair<quint64, quint64>> m_visited; // device and inode of the folders entered
    std::optional<VYRWalkEntry> m_rootProblem;
};
