// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qltrace.h"

#include <QLoggingCategory>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <vector>

// Off unless asked for (QT_LOGGING_RULES="veyra.trace=true"): the lines are for developers, and a
// user starting the program from a terminal should not see them.
Q_LOGGING_CATEGORY(lcTrace, "veyra.trace", QtInfoMsg)

namespace {
std::mutex g_traceMutex; // guards the hook and the last assertion
QLTraceHook g_traceHook;
std::atomic<int> g_assertFailures{0};
QString g_lastAssertion;
QString g_lastAssertionFile;

QString FormatV(const char *in_format, va_list in_args)
{
    va_list copy;
    va_copy(copy, in_args);
    const int length = std::vsnprintf(nullptr, 0, in_format, copy);
    va_end(copy);
    if (length <= 0)
        return QString();
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), in_format, in_args);
    return QString::fromUtf8(buffer.data(), length);
}

void Emit(const QString &in_line)
{
    QLTraceHook hook;
    {
        std::lock_guard<std::mutex> lock(g_traceMutex);
        hook = g_traceHook;
    }
    QString shown = in_line;
    if (shown.endsWith(QLatin1Char('\n')))
        shown.chop(1);
    qCDebug(lcTrace).noquote() << shown;
    if (hook)
        hook(in_line);
}
} // namespace

void QLTrace(const char *in_format, ...)
{
    va_list args;
    va_start(args, in_format);
    const QString line = FormatV(in_format, args);
    va_end(args);
    Emit(line);
}

QLTraceHook QLSetTraceHook(QLTraceHook in_hook)
{
    std::lock_guard<std::mutex> lock(g_traceMutex);
    QLTraceHook previous = std::move(g_traceHook);
    g_traceHook = std::move(in_hook);
    return previous;
}

void QLAssertFailed(const char *in_expression, const char *in_file, int in_line)
{
    const QString file = QString::fromUtf8(in_file).section(QLatin1Char('/'), -1);
    {
        std::lock_guard<std::mutex> lock(g_traceMutex);
        g_lastAssertion = QString::fromUtf8(in_expression);
        g_lastAssertionFile = file;
    }
    g_assertFailures.fetch_add(1);
    QLTrace("Assertion failed: %s, file %s, line %d\n", in_expression, file.toUtf8().constData(),
            in_line);
}

int QLAssertFailureCount()
{
    return g_assertFailures.load();
}

QString QLLastAssertion()
{
    std::lock_guard<std::mutex> lock(g_traceMutex);
    return g_lastAssertion;
}

QString QLLastAssertionFile()
{
    std::lock_guard<std::mutex> lock(g_traceMutex);
    return g_lastAssertionFile;
}

void QLResetAssertions()
{
    std::lock_guard<std::mutex> lock(g_traceMutex);
    g_assertFailures.store(0);
    g_lastAssertion.clear();
    g_lastAssertionFile.clear();
}
