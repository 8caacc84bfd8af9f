// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Diagnostic traces and the one precondition macro of the project.
#pragma once

#include <QString>
#include <functional>

// Writes one diagnostic line (printf-style, UTF-8). The text is sent as it stands: callers
// end it with "\n" where a line break is meant. Goes to the hook, if one is installed, and to
// the "veyra.trace" logging category, which is silent unless enabled (QT_LOGGING_RULES=
// "veyra.trace=true" prints the lines on stderr). Safe from any thread.
void QLTrace(const char *in_format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Receives every trace line, already formatted. Tests install one to observe traces.
using QLTraceHook = std::function<void(const QString &in_line)>;
// Installs a hook (an empty one removes it) and returns the previous one.
QLTraceHook QLSetTraceHook(QLTraceHook in_hook);

// Reports a failed precondition: used by QL_ASSERT, not called directly.
void QLAssertFailed(const char *in_expression, const char *in_file, int in_line);
// How many preconditions have failed in this process since the last reset.
int QLAssertFailureCount();
// The text of the last failed precondition's expression ("m_pFile == NULL"), or empty.
QString QLLastAssertion();
// The file name (no folder) of the source that held the last failed precondition.
QString QLLastAssertionFile();
void QLResetAssertions();

// QL_ASSERT(expr): checks a precondition. A failure is reported as the trace line
// "Assertion failed: <expr>, file <name>, line <n>\n" and counted; it never aborts, so the
// caller still refuses safely. The macro evaluates to whether expr held:
//     if (!QL_ASSERT(in_pFile)) return false;
#define QL_ASSERT(expr)                                                                            \
    (static_cast<bool>(expr) ? true : (QLAssertFailed(#expr, __FILE__, __LINE__), false))
