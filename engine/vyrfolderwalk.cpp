// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrfolderwalk.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

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

VYRFolderWalk::VYRFolderWalk(const QString &in_folder, const QString &in_filter, bool in_subfolders)
    : m_filter(in_filter), m_subfolders(in_subfolders)
{
    Enter(in_folder);
}

void VYRFolderWalk::Enter(const QString &in_folder)
{
    // A folder reached twice (through a link to itself or an ancestor, or two links to the
    // same place) is walked once only.
    const QString canonical = QFileInfo(in_folder).canonicalFilePath();
    if (canonical.isEmpty() || m_visited.contains(canonical))
        return;
    m_visited.insert(canonical);

    Level level;
    // No QDir::Hidden: dot files and dot folders stay out, as a file manager shows them.
    QDir dir(in_folder);
    const auto byName = [](const QString &a, const QString &b) {
        return VYRNaturalCompare(a, b) < 0;
    };
    QStringList files = dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    std::sort(files.begin(), files.end(), byName);
    for (const QString &name : files) {
        if (m_filter.Matches(name))
            level.m_files << dir.filePath(name);
    }
    if (m_subfolders) {
        QStringList folders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
        std::sort(folders.begin(), folders.end(), byName);
        for (const QString &name : folders)
            level.m_subfolders << dir.filePath(name);
    }
    m_stack.push_back(std::move(level));
}

bool VYRFolderWalk::Next(QString *out_pPath)
{
    while (!m_stack.empty()) {
        Level &top = m_stack.back();
        if (top.m_nextFile < top.m_files.size()) {
            *out_pPath = top.m_files.at(top.m_nextFile++);
            return true;
        }
        if (top.m_nextFolder < top.m_subfolders.size()) {
            const QString folder = top.m_subfolders.at(top.m_nextFolder++);
            Enter(folder); // may push a level; `top` is not used after this
            continue;
        }
        m_stack.pop_back();
    }
    return false;
}
