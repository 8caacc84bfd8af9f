// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Test support: holds the worker inside its first file write until released, so that a test
// can act while a photo is being written. Installs itself as the engine's file rotation for
// its lifetime (one gate at a time); the real rotation runs once the gate opens.
#pragma once

#include "vyrengine.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

struct WriteGate
{
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_bEntered = false;
    bool m_bReleased = false;

    WriteGate()
    {
        Current() = this;
        VYREngineTable table = VYRDefaultEngine();
        table.RotateFile = &RotateFile;
        VYRSetEngine(&table);
    }
    ~WriteGate()
    {
        Release();
        VYRSetEngine(nullptr);
        Current() = nullptr;
    }
    WriteGate(const WriteGate &) = delete;
    WriteGate &operator=(const WriteGate &) = delete;

    static WriteGate *&Current()
    {
        static WriteGate *gate = nullptr;
        return gate;
    }
    static int RotateFile(const QString &in_source, const QString &in_destination, int in_code,
                          int in_arg4, int in_arg5, int in_arg6, const VYRRotateFinish *in_pFinish)
    {
        if (WriteGate *gate = Current()) {
            std::unique_lock<std::mutex> lock(gate->m_mutex);
            gate->m_bEntered = true;
            // Never forever: a test that forgets to release fails instead of hanging.
            gate->m_changed.wait_for(lock, std::chrono::seconds(20),
                                     [gate] { return gate->m_bReleased; });
        }
        return VYRDefaultEngine().RotateFile(in_source, in_destination, in_code, in_arg4, in_arg5,
                                             in_arg6, in_pFinish);
    }
    bool Entered()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_bEntered;
    }
    void Release()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bReleased = true;
        }
        m_changed.notify_all();
    }
};
