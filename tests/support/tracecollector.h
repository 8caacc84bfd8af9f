// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Test support: collects the diagnostic trace lines written while it lives, so that a test can
// check that a choice (a trim, a thumbnail kept) was reported.
#pragma once

#include "qltrace.h"

#include <QStringList>
#include <algorithm>

class TraceCollector
{
public:
    TraceCollector()
    {
        QLSetTraceHook([this](const QString &in_line) { m_lines << in_line; });
    }
    ~TraceCollector() { QLSetTraceHook({}); }
    TraceCollector(const TraceCollector &) = delete;
    TraceCollector &operator=(const TraceCollector &) = delete;

    bool Contains(const QString &in_text) const
    {
        return std::any_of(m_lines.begin(), m_lines.end(),
                           [&](const QString &l) { return l.contains(in_text); });
    }
    QStringList m_lines;
};
