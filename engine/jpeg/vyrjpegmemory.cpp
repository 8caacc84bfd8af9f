// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrjpegmemory.h"

#include "qlprocess.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

// Memory for coefficient arrays, kept for the next picture. A 12-megapixel turn needs some
// 70 MB, and fresh memory costs a page fault per page on first touch: on a virtual machine
// that alone took longer than reading, turning and writing the picture. Up to
// kKeptBytes stay cached.
class SlabPool
{
public:
    static constexpr size_t kKeptBytes = size_t(160) << 20;

    void *Take(size_t in_bytes, size_t *out_pBytes)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            size_t best = m_free.size();
            for (size_t i = 0; i < m_free.size(); ++i) {
                if (m_free[i].second >= in_bytes &&
                    (best == m_free.size() || m_free[i].second < m_free[best].second))
                    best = i;
            }
            if (best < m_free.size()) {
                const std::pair<void *, size_t> slab = m_free[best];
                m_free.erase(m_free.begin() + std::ptrdiff_t(best));
                m_freeBytes -= slab.second;
                *out_pBytes = slab.second;
                return slab.first;
            }
            // Nothing fits: what is cached is too small to be of use soon.
            for (const std::pair<void *, size_t> &slab : m_free)
                Release(slab.first, slab.second);
            m_free.clear();
            m_freeBytes = 0;
        }
        *out_pBytes = in_bytes;
        return Allocate(in_bytes);
    }

    void Give(void *in_pSlab, size_t in_bytes)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_free.emplace_back(in_pSlab, in_bytes);
        m_freeBytes += in_bytes;
        while (m_freeBytes > kKeptBytes) {
            auto largest = std::max_element(
                m_free.begin(), m_free.end(),
                [](const auto &in_a, const auto &in_b) { return in_a.second < in_b.second; });
            Release(largest->first, largest->second);
            m_freeBytes -= largest->second;
            m_free.erase(largest);
        }
    }

private:
    static constexpr size_t kHugePage = size_t(2) << 20;

    static void *Allocate(size_t in_bytes)
    {
        // Large pages where the system offers them: one fault per 2 MB instead of per 4 KB.
        if (QLHasHugePageHint() && in_bytes >= 4 * kHugePage) {
            const size_t rounded = (in_bytes + kHugePage - 1) / kHugePage * kHugePage;
            void *slab = std::aligned_alloc(kHugePage, rounded); // released by std::free
            if (!slab)
                return nullptr;
            QLAdviseHugePages(slab, rounded);
            return slab;
        }
        return std::malloc(in_bytes);
    }
    static void Release(void *in_pSlab, size_t) { std::free(in_pSlab); }

    std::mutex m_mutex;
    std::vector<std::pair<void *, size_t>> m_free;
    size_t m_freeBytes = 0;
};

SlabPool &Slabs()
{
    static SlabPool *pool = new SlabPool;
    return *pool;
}

// The memory that all guards share. A guard that does not fit waits for others to finish
// rather than fail: a thumbnail decode and a rotation may meet, and neither is wrong to run.
struct SharedBudget
{
    std::mutex m_mutex;
    std::condition_variable m_freed;
    qint64 m_used = 0;
};

SharedBudget &Budget()
{
    // Never destroyed, as the slabs below: a guard may end during the program's exit.
    static SharedBudget *budget = new SharedBudget;
    return *budget;
}

} // namespace

void *VYRTakeSlab(size_t in_bytes, size_t *out_pBytes)
{
    return Slabs().Take(in_bytes, out_pBytes);
}

void VYRGiveSlab(void *in_pSlab, size_t in_bytes)
{
    Slabs().Give(in_pSlab, in_bytes);
}

bool VYRTakeSharedBytes(qint64 in_bytes, qint64 in_limit, const std::atomic<bool> *in_pCancel)
{
    SharedBudget &budget = Budget();
    std::unique_lock<std::mutex> lock(budget.m_mutex);
    while (budget.m_used + in_bytes > in_limit) {
        if (in_pCancel && in_pCancel->load(std::memory_order_relaxed))
            return false;
        // Woken when a guard gives memory back; the timeout only looks at the cancel flag.
        budget.m_freed.wait_for(lock, std::chrono::milliseconds(50));
    }
    budget.m_used += in_bytes;
    return true;
}

void VYRGiveSharedBytes(qint64 in_bytes)
{
    SharedBudget &budget = Budget();
    {
        std::lock_guard<std::mutex> lock(budget.m_mutex);
        budget.m_used -= in_bytes;
    }
    budget.m_freed.notify_all();
}

qint64 VYRSharedBytesInUse()
{
    SharedBudget &budget = Budget();
    std::lock_guard<std::mutex> lock(budget.m_mutex);
    return budget.m_used;
}
