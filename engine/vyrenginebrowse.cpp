// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrenginebrowse.h"

#include "file/vyrfolderwalk.h"
#include "qlpathmax.h"
#include "qlthreadprio.h"
#include "thumb/vyrthumbdecode.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Decoding threads of one browse. Photos take tens of milliseconds each to decode, so they
// are decoded ahead on two threads while the caller's thread hands the finished thumbnails
// to the callback one at a time, in walk order.
constexpr int kDecodeThreads = 2;
// Thumbnails decoded ahead of the one being delivered. Bounds memory: each holds at most one
// file's bytes and one scaled picture while it is decoded, and a compact thumbnail after.
constexpr size_t kReadAhead = 6;
// How often the caller hears from a browse that waits for the next thumbnail in order: often
// enough that its window never looks frozen and a stop is felt at once.
constexpr std::chrono::milliseconds kWaitingCallEvery(25);

struct DecodeJob
{
    QString m_path;
    VYRThumbResult m_result;
    bool m_done = false;
};

class DecodePool
{
public:
    DecodePool(QSize in_box, uint32_t in_matte)
        : m_box(in_box), m_matte(in_matte), m_sources(VYRGetThumbSources())
    {
        try {
            for (int i = 0; i < kDecodeThreads; ++i)
                m_threads.emplace_back([this] { Run(); });
        } catch (...) {
            // No destructor runs for a half-built pool: join what started, or terminate.
            Shutdown();
            throw;
        }
    }

    // Drops the jobs not yet started, cancels the running ones and waits for them: nothing
    // outlives the browse, and a stop does not wait for a slow file to finish.
    ~DecodePool() { Shutdown(); }

    std::shared_ptr<DecodeJob> Submit(const QString &in_path)
    {
        auto job = std::make_shared<DecodeJob>();
        job->m_path = in_path;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_queue.push_back(job);
        }
        m_workCv.notify_one();
        return job;
    }

    // Waits until the job is decoded or in_period has passed; true when it is decoded, and
    // its result then belongs to the caller alone.
    bool WaitFor(const std::shared_ptr<DecodeJob> &in_job, std::chrono::milliseconds in_period)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_doneCv.wait_for(lock, in_period, [&] { return in_job->m_done; });
    }

private:
    void Shutdown()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
            m_queue.clear();
        }
        // Read by the decoders between rows and scans, and while they wait for memory.
        m_cancel.store(true);
        m_workCv.notify_all();
        for (std::thread &thread : m_threads)
            thread.join();
        m_threads.clear();
    }

    void Run()
    {
        QLLowerThreadPriority(); // the window comes first on a busy machine
        for (;;) {
            std::shared_ptr<DecodeJob> job;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_workCv.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
                if (m_stopping)
                    return;
                job = std::move(m_queue.front());
                m_queue.pop_front();
            }
            VYRThumbResult result;
            try {
                result = VYRMakeThumbnail(job->m_path, m_box, m_matte, &m_cancel, &m_sources);
            } catch (...) {
                // Out of memory inside Qt or libjpeg: an exception leaving a thread would
                // end the program, and the caller would wait for this job forever.
                result = VYRThumbResult();
                result.m_status = VYR_ERR_NO_MEMORY;
            }
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                job->m_result = std::move(result);
                job->m_done = true;
            }
            m_doneCv.notify_all();
        }
    }

    const QSize m_box;
    const uint32_t m_matte;
    // Read once: a change of the settings during a browse takes effect at the next one.
    const VYRThumbSources m_sources;
    std::atomic<bool> m_cancel{false};
    std::mutex m_mutex;
    std::condition_variable m_workCv;
    std::condition_variable m_doneCv;
    std::deque<std::shared_ptr<DecodeJob>> m_queue;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

// A job decided without decoding: what the walk cannot reach fails with its reason's code.
std::shared_ptr<DecodeJob> Unreachable(const VYRWalkEntry &in_entry)
{
    auto job = std::make_shared<DecodeJob>();
    job->m_path = in_entry.m_path;
    switch (in_entry.m_problem) {
    case VYRWalkEntry::Problem::NameNotUtf8:
        job->m_result.m_status = VYR_ERR_UNREACHABLE;
        break;
    case VYRWalkEntry::Problem::PathTooLong:
        job->m_result.m_status = VYR_ERR_PATH_TOO_LONG;
        break;
    default:
        job->m_result.m_status = VYR_ERR_FILE_READ;
        break;
    }
    job->m_done = true;
    return job;
}

} // namespace

// Arguments 5-8, 10-12 and 14-16 are fixed by the caller (bits per pixel, and options this
// engine has no use for); they are accepted whatever their value.
int VYREngineBrowseThumbnails(const QString &in_folder, const QString &in_filter, int in_width,
                              int in_height, int, int, int, int, uint32_t in_matte, int, int, int,
                              int in_subfolders, int, int, int, VYRThumbCallback in_callback,
                              void *in_pUserData)
{
    if (in_width <= 0 || in_height <= 0)
        return VYR_ERR_INVALID_PARAMETER;
    if (QFile::encodeName(in_folder).size() >= kQLPathMax)
        return VYR_ERR_PATH_TOO_LONG;
    if (in_folder.isEmpty() || !QFileInfo(in_folder).isDir())
        return VYR_ERR_FOLDER_NOT_FOUND;

    VYRFolderWalk walk(in_folder, in_filter, in_subfolders != 0);
    DecodePool pool(QSize(in_width, in_height), in_matte);
    std::deque<std::shared_ptr<DecodeJob>> ahead;
    bool walkDone = false;
    const auto refill = [&] {
        VYRWalkEntry entry;
        while (!walkDone && ahead.size() < kReadAhead) {
            if (!walk.Next(&entry))
                walkDone = true;
            else if (entry.m_problem == VYRWalkEntry::Problem::None)
                ahead.push_back(pool.Submit(entry.m_path));
            else
                ahead.push_back(Unreachable(entry)); // told in its place, like a failed file
        }
    };

    int index = 0;
    refill();
    while (!ahead.empty()) {
        const std::shared_ptr<DecodeJob> job = std::move(ahead.front());
        ahead.pop_front();
        // The caller's thread is usually its user interface: it hears from us while a slow
        // file decodes, and may stop the browse there and then.
        while (!pool.WaitFor(job, kWaitingCallEvery)) {
            if (in_callback && in_callback(nullptr, job->m_path, nullptr, VYR_BROWSE_WAITING, index,
                                           in_pUserData) == 0)
                return VYR_ERR_BROWSE_STOPPED;
        }
        // Keep the decoders busy while the callback runs (it may take a while: the caller
        // processes its events there).
        refill();

        VYRBitmap thumb;
        if (job->m_result.m_status == VYR_SUCCESS)
            thumb = std::move(job->m_result.m_thumb);
        const int answer = in_callback ? in_callback(&thumb, job->m_path, &job->m_result.m_info,
                                                     job->m_result.m_status, index, in_pUserData)
                                       : 1;
        ++index;
        if (answer == 0)
            return VYR_ERR_BROWSE_STOPPED;
    }
    return VYR_SUCCESS;
}
