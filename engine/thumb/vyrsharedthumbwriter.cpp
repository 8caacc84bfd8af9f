// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "thumb/vyrsharedthumbwriter.h"

#include "qlthreadprio.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// How long after the last decode the writer waits: the grid asks for its next cells within a
// few milliseconds of the last one's arrival while the user scrolls.
constexpr auto kQuiet = std::chrono::milliseconds(150);

struct Entry
{
    VYRThumbSources m_sources;
    VYRSharedThumbPhoto m_photo;
    int m_classEdge = 0;
    QImage m_picture;
};

class Writer
{
public:
    ~Writer() { Stop(); }

    bool Defer(Entry &&in_entry)
    {
        const int64_t bytes = in_entry.m_picture.sizeInBytes();
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_finished || m_bytes + bytes > kVYRDeferredThumbBytes)
            return false;
        if (!m_thread.joinable())
            m_thread = std::thread([this] { Run(); });
        m_bytes += bytes;
        m_queue.push_back(std::move(in_entry));
        m_wake.notify_all();
        return true;
    }

    void DecodeStarted() noexcept { m_decoding.fetch_add(1, std::memory_order_relaxed); }

    void DecodeEnded() noexcept
    {
        m_lastDecode.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
        // The writer looks again when the last decode has ended.
        if (m_decoding.fetch_sub(1, std::memory_order_acq_rel) == 1)
            m_wake.notify_all();
    }

    void Flush()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_flushing;
        m_wake.notify_all();
        m_idle.wait(lock,
                    [this] { return (m_queue.empty() && !m_writing) || !m_thread.joinable(); });
        --m_flushing;
    }

    void Drop(const QString &in_path) noexcept
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_queue.begin(); it != m_queue.end();) {
            if (it->m_photo.m_path == in_path) {
                m_bytes -= it->m_picture.sizeInBytes();
                it = m_queue.erase(it);
            } else {
                ++it;
            }
        }
        m_idle.notify_all();
    }

    void Finish(int in_budgetMs)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_finished = true;
        ++m_flushing;
        m_wake.notify_all();
        m_idle.wait_for(lock, std::chrono::milliseconds(in_budgetMs),
                        [this] { return (m_queue.empty() && !m_writing) || !m_thread.joinable(); });
        --m_flushing;
        lock.unlock();
        Stop();
    }

    int Pending()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return int(m_queue.size()) + (m_writing ? 1 : 0);
    }

private:
    bool Quiet() const
    {
        if (m_decoding.load(std::memory_order_acquire) > 0)
            return false;
        const Clock::time_point last(Clock::duration(m_lastDecode.load(std::memory_order_relaxed)));
        return Clock::now() - last >= kQuiet;
    }

    void Run()
    {
        QLLowerThreadPriority();
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            if (m_stop)
                break;
            if (m_queue.empty()) {
                m_wake.wait(lock);
                continue;
            }
            if (m_flushing == 0 && !Quiet()) {
                m_wake.wait_for(lock, kQuiet);
                continue;
            }
            Entry entry = std::move(m_queue.front());
            m_queue.pop_front();
            m_writing = true;
            lock.unlock();
            // A failed entry is no loss: the photo is decoded again on its next showing.
            VYRWriteSharedThumb(entry.m_sources, entry.m_photo, entry.m_classEdge, entry.m_picture);
            const int64_t bytes = entry.m_picture.sizeInBytes();
            entry = Entry();
            lock.lock();
            m_writing = false;
            m_bytes -= bytes;
            m_idle.notify_all();
        }
        m_idle.notify_all();
    }

    void Stop()
    {
        std::thread thread;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
            m_finished = true;
            m_queue.clear();
            m_bytes = 0;
            m_wake.notify_all();
            thread = std::move(m_thread);
        }
        if (thread.joinable())
            thread.join();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_idle.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_wake; // work, a flush or the stop
    std::condition_variable m_idle; // the queue emptied or an entry was written
    std::deque<Entry> m_queue;
    int64_t m_bytes = 0;
    int m_flushing = 0;
    bool m_writing = false;
    bool m_finished = false;
    bool m_stop = false;
    std::thread m_thread;
    std::atomic<int> m_decoding{0};
    std::atomic<Clock::rep> m_lastDecode{0};
};

Writer &TheWriter()
{
    static Writer s_writer;
    return s_writer;
}

} // namespace

bool VYRDeferSharedThumb(const VYRThumbSources &in_sources, const VYRSharedThumbPhoto &in_photo,
                         int in_classEdge, const QImage &in_picture)
{
    if (in_picture.isNull())
        return false;
    // Three bytes a pixel are all a PNG without alpha keeps: a quarter more entries wait.
    QImage picture = in_picture.convertToFormat(QImage::Format_RGB888);
    if (picture.isNull())
        return false;
    return TheWriter().Defer(Entry{in_sources, in_photo, in_classEdge, std::move(picture)});
}

VYRThumbDecodeScope::VYRThumbDecodeScope() noexcept
{
    TheWriter().DecodeStarted();
}

VYRThumbDecodeScope::~VYRThumbDecodeScope()
{
    TheWriter().DecodeEnded();
}

void VYRFlushSharedThumbWrites()
{
    TheWriter().Flush();
}

void VYRDropSharedThumbWrites(const QString &in_path) noexcept
{
    TheWriter().Drop(in_path);
}

void VYRFinishSharedThumbWrites(int in_budgetMs)
{
    TheWriter().Finish(in_budgetMs);
}

int VYRPendingSharedThumbWrites()
{
    return TheWriter().Pending();
}
