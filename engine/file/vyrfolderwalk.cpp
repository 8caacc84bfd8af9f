// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrfolderwalk.h"

#include "qlfs.h"
#include "qlpathmax.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <climits>

namespace {

int CompareDigitRuns(const QString &in_a, int in_aStart, int in_aEnd, const QString &in_b,
                     int in_bStart, int in_bEnd)
{
    // Skip leading zeros, then the longer run is the larger number; equal lengths compare
    // digit by digit. No conversion, so runs of any length work.
    while (in_aStart < in_aEnd - 1 && in_a.at(in_aStart) == QLatin1Char('0'))
        ++in_aStart;
    while (in_bStart < in_bEnd - 1 && in_b.at(in_bStart) == QLatin1Char('0'))
        ++in_bStart;
    const int lenA = in_aEnd - in_aStart;
    const int lenB = in_bEnd - in_bStart;
    if (lenA != lenB)
        return lenA < lenB ? -1 : 1;
    for (int i = 0; i < lenA; ++i) {
        const int da = in_a.at(in_aStart + i).digitValue();
        const int db = in_b.at(in_bStart + i).digitValue();
        if (da != db)
            return da < db ? -1 : 1;
    }
    return 0;
}

bool IsDigit(QChar in_c)
{
    return in_c >= QLatin1Char('0') && in_c <= QLatin1Char('9');
}

bool IsLink(const QLFolderReader &in_dir, const char *in_name, QLFileKind in_recorded)
{
    if (in_recorded != QLFileKind::Unknown)
        return in_recorded == QLFileKind::Link;
    QLFileFacts info;
    return QLStatInFolder(in_dir.Fd(), in_name, false, &info) == 0 && info.kind == QLFileKind::Link;
}

} // namespace

int VYRNaturalCompare(const QString &in_a, const QString &in_b)
{
    int i = 0;
    int j = 0;
    int tieBreak = 0; // first difference that the main order ignores (case, leading zeros)
    while (i < in_a.size() && j < in_b.size()) {
        const QChar ca = in_a.at(i);
        const QChar cb = in_b.at(j);
        if (IsDigit(ca) && IsDigit(cb)) {
            int endA = i;
            while (endA < in_a.size() && IsDigit(in_a.at(endA)))
                ++endA;
            int endB = j;
            while (endB < in_b.size() && IsDigit(in_b.at(endB)))
                ++endB;
            const int byValue = CompareDigitRuns(in_a, i, endA, in_b, j, endB);
            if (byValue != 0)
                return byValue;
            if (tieBreak == 0 && endA - i != endB - j)
                tieBreak = (endA - i) < (endB - j) ? -1 : 1; // fewer leading zeros first
            i = endA;
            j = endB;
            continue;
        }
        const QChar fa = ca.toCaseFolded();
        const QChar fb = cb.toCaseFolded();
        if (fa != fb)
            return fa.unicode() < fb.unicode() ? -1 : 1;
        if (tieBreak == 0 && ca != cb)
            tieBreak = ca.unicode() < cb.unicode() ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < in_a.size())
        return 1;
    if (j < in_b.size())
        return -1;
    return tieBreak;
}

VYRNameFilter::VYRNameFilter(const QString &in_filter)
{
    const QStringList patterns = QDir::nameFiltersFromString(in_filter);
    for (const QString &pattern : patterns) {
        const QString trimmed = pattern.trimmed();
        if (trimmed.isEmpty())
            continue;
        m_patterns.emplace_back(QRegularExpression::wildcardToRegularExpression(trimmed),
                                QRegularExpression::CaseInsensitiveOption);
    }
}

bool VYRNameFilter::Matches(const QString &in_fileName) const
{
    if (m_patterns.empty())
        return true;
    return std::any_of(m_patterns.begin(), m_patterns.end(), [&](const QRegularExpression &re) {
        return re.match(in_fileName).hasMatch();
    });
}

QString VYREscapedName(const QByteArray &in_name)
{
    QString shown;
    int i = 0;
    while (i < in_name.size()) {
        const uchar lead = uchar(in_name.at(i));
        const int length = lead < 0x80             ? 1
                           : (lead & 0xE0) == 0xC0 ? 2
                           : (lead & 0xF0) == 0xE0 ? 3
                           : (lead & 0xF8) == 0xF0 ? 4
                                                   : 0;
        const QByteArray chunk = in_name.mid(i, length);
        // A sequence is kept when it decodes and encodes back to itself (no overlong forms, no
        // surrogates); control characters are escaped too, so that the line stays one line.
        if (length > 0 && chunk.size() == length && QString::fromUtf8(chunk).toUtf8() == chunk &&
            lead >= 0x20 && lead != 0x7F) {
            shown += QString::fromUtf8(chunk);
            i += length;
        } else {
            shown += QStringLiteral("\\x") +
                     QString::number(lead, 16).toUpper().rightJustified(2, QLatin1Char('0'));
            ++i;
        }
    }
    return shown;
}

VYRFolderWalk::VYRFolderWalk(const QString &in_folder, const QString &in_filter, bool in_subfolders)
    : m_filter(in_filter), m_subfolders(in_subfolders)
{
    VYRWalkEntry problem;
    if (!Enter(in_folder, &problem))
        m_rootProblem = std::move(problem);
}

bool VYRFolderWalk::Enter(const QString &in_folder, VYRWalkEntry *out_pProblem)
{
    // The folder is listed through the system rather than QDir, which drops what it cannot
    // read without a word and hands out names that no longer lead to their file.
    int error = 0;
    QLFolderReader dir(QFile::encodeName(in_folder).constData());
    if (!dir.IsOpen())
        error = errno;
    QLFileFacts self;
    if (dir.IsOpen() && QLStatOpen(dir.Fd(), &self) != 0)
        error = errno;
    if (dir.IsOpen() && error == 0) {
        // A folder reached twice (through a link to itself or an ancestor, or two links to
        // the same place) is walked once only.
        if (!m_visited.insert({quint64(self.device), quint64(self.inode)}).second)
            return true;
        // A folder that may be listed but not searched shows names whose files cannot be
        // opened: the folder is what cannot be read.
        if (QLCheckSearchable(dir.Fd()) != 0)
            error = errno;
    }
    Level level;
    if (error == 0 && List(in_folder, &dir, &level, &error)) {
        const auto byPath = [](const VYRWalkEntry &a, const VYRWalkEntry &b) {
            return VYRNaturalCompare(a.m_path, b.m_path) < 0; // one folder: names decide
        };
        std::sort(level.m_files.begin(), level.m_files.end(), byPath);
        std::sort(level.m_subfolders.begin(), level.m_subfolders.end(), byPath);
        m_stack.push_back(std::move(level));
        return true;
    }
    out_pProblem->m_path = in_folder;
    out_pProblem->m_problem = VYRWalkEntry::Problem::Unreadable;
    out_pProblem->m_error = error != 0 ? error : EIO;
    return false;
}

bool VYRFolderWalk::List(const QString &in_folder, QLFolderReader *in_pDir, Level *out_pLevel,
                         int *out_pError) const
{
    const QDir base(in_folder);
    for (;;) {
        QLFileKind recorded = QLFileKind::Unknown;
        const char *entry = in_pDir->Next(&recorded);
        if (!entry) {
            *out_pError = errno;
            return errno == 0;
        }
        const QByteArray raw(entry);
        // No hidden entries: dot files and dot folders stay out, as a file manager shows them.
        if (raw.startsWith('.'))
            continue;
        const QString name = QFile::decodeName(raw);
        VYRWalkEntry item;
        QLFileFacts info;
        // By the name's bytes, relative to the folder: also for names and paths that the
        // text form cannot carry.
        if (QLStatInFolder(in_pDir->Fd(), entry, true, &info) != 0) {
            const int error = errno;
            if (error == ENOENT || error == ELOOP || !(m_subfolders || m_filter.Matches(name)))
                continue; // a link that leads nowhere, or nothing the walk would take
            item.m_problem = VYRWalkEntry::Problem::Unreadable;
            item.m_error = error;
        } else if (info.kind == QLFileKind::Folder
                       ? !m_subfolders
                       : !m_filter.Matches(name) || !(info.kind == QLFileKind::Regular ||
                                                      IsLink(*in_pDir, entry, recorded))) {
            continue; // a FIFO or device by its own name is no file; through a link it is
                      // handed out, and refused by whoever opens it
        }
        if (QFile::encodeName(name) != raw) {
            item.m_problem = VYRWalkEntry::Problem::NameNotUtf8;
            item.m_path = base.filePath(VYREscapedName(raw));
        } else {
            item.m_path = base.filePath(name);
            if (item.m_problem == VYRWalkEntry::Problem::None &&
                QFile::encodeName(item.m_path).size() >= kQLPathMax)
                item.m_problem = VYRWalkEntry::Problem::PathTooLong;
        }
        const bool folder =
            item.m_problem != VYRWalkEntry::Problem::Unreadable && info.kind == QLFileKind::Folder;
        (folder ? out_pLevel->m_subfolders : out_pLevel->m_files).push_back(std::move(item));
    }
}

bool VYRFolderWalk::Next(VYRWalkEntry *out_pEntry)
{
    if (m_rootProblem) {
        *out_pEntry = std::move(*m_rootProblem);
        m_rootProblem.reset();
        return true;
    }
    while (!m_stack.empty()) {
        Level &top = m_stack.back();
        if (top.m_nextFile < top.m_files.size()) {
            *out_pEntry = top.m_files.at(top.m_nextFile++);
            return true;
        }
        if (top.m_nextFolder < top.m_subfolders.size()) {
            VYRWalkEntry folder = top.m_subfolders.at(top.m_nextFolder++);
            // Enter may push a level; `top` is not used after this.
            if (folder.m_problem == VYRWalkEntry::Problem::None && Enter(folder.m_path, &folder))
                continue;
            *out_pEntry = std::move(folder);
            return true;
        }
        m_stack.pop_back();
    }
    return false;
}
