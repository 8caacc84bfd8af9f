// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// What the command line and the decoder ask of the process: stop requests, whether a stream
// is a terminal, a memory hint. One implementation per system: qlprocess_posix.cpp.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdio>

// Makes Ctrl+C and a termination request (SIGINT, SIGTERM) only set *in_pFlag, with
// interrupted system calls restarted, and ignores a broken pipe (SIGPIPE), keeping the
// previous handlers. in_pFlag must be lock-free and outlive QLReleaseStopSignals; one caller
// at a time.
void QLCatchStopSignals(std::atomic<bool> *in_pFlag);
// Puts the handlers kept by QLCatchStopSignals back.
void QLReleaseStopSignals();

// Whether in_pStream is a terminal (progress lines are drawn only there).
bool QLIsTerminal(FILE *in_pStream);

// Whether QLAdviseHugePages can ask for anything here (Linux with transparent huge pages).
bool QLHasHugePageHint();
// Asks for the in_bytes at in_pMemory (aligned to and a multiple of the 2 MB huge page) to be
// backed by huge pages. A hint: nothing changes when the system ignores it.
void QLAdviseHugePages(void *in_pMemory, size_t in_bytes);
