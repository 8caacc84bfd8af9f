// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrengine.h"

#include "vyrenginebitmap.h"
#include "vyrenginebrowse.h"
#include "vyrenginerotate.h"

#include <atomic>

namespace {

const VYREngineTable kDefaultEngine = {
    &VYREngineCopyBitmap,  &VYREngineFreeBitmap,       &VYREngineRotateBitmap,
    &VYREnginePaintBitmap, &VYREngineBrowseThumbnails, &VYREngineRotateFile,
};

// The installed table lives in static storage so that a pointer to it stays valid; tests
// swap tables only while no engine call is running.
VYREngineTable g_installed = kDefaultEngine;
std::atomic<const VYREngineTable *> g_pCurrent{&kDefaultEngine};

} // namespace

const VYREngineTable &VYRDefaultEngine()
{
    return kDefaultEngine;
}

const VYREngineTable &VYRGetEngine()
{
    return *g_pCurrent.load(std::memory_order_acquire);
}

void VYRSetEngine(const VYREngineTable *in_pTable)
{
    if (!in_pTable) {
        g_pCurrent.store(&kDefaultEngine, std::memory_order_release);
        return;
    }
    g_installed = *in_pTable;
    g_pCurrent.store(&g_installed, std::memory_order_release);
}
