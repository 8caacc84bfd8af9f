// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qluichannel.h"

#include <QSocketNotifier>
#include <chrono>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

QLUiChannel::QLUiChannel(QObject *in_pParent)
    : QObject(in_pParent), m_servingThread(std::this_thread::get_id())
{
    // An eventfd watched by the event loop wakes the user-interface thread; the queue itself
    // is guarded by std::mutex so that ThreadSanitizer sees every hand-over.
    m_eventFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_eventFd >= 0) {
        m_pNotifier = new QSocketNotifier(m_eventFd, QSocketNotifier::Read, this);
        connect(m_pNotifier, &QSocketNotifier::activated, this, &QLUiChannel::OnActivated);
    }
}

QLUiChannel::~QLUiChannel()
{
    Close();
    delete m_pNotifier;
    if (m_eventFd >= 0)
        ::close(m_eventFd);
}

bool QLUiChannel::Enqueue(const std::shared_ptr<Entry> &in_entry)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bClosed)
            return false;
        m_queue.push_back(in_entry);
    }
    m_changed.notify_all();
    SignalEventLoop();
    return true;
}

bool QLUiChannel::Send(std::function<void()> in_request)
{
    if (std::this_thread::get_id() == m_servingThread) {
        if (IsClosed())
            return false;
        in_request();
        return true;
    }
    auto entry = std::make_shared<Entry>();
    entry->m_fn = std::move(in_request);
    entry->m_bSync = true;
    if (!Enqueue(entry))
        return false;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return entry->m_bDone || m_bClosed; });
    return entry->m_bDone;
}

bool QLUiChannel::Post(std::function<void()> in_notice)
{
    auto entry = std::make_shared<Entry>();
    entry->m_fn = std::move(in_notice);
    return Enqueue(entry);
}

void QLUiChannel::Serve()
{
    for (;;) {
        std::shared_ptr<Entry> entry;
        bool more = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_bClosed || m_queue.empty())
                return;
            entry = m_queue.front();
            m_queue.pop_front();
            more = !m_queue.empty();
        }
        // The entry may open a modal loop (a message box): the entries behind it must be
        // served there, and the wake that brought them here has been used up.
        if (more)
            SignalEventLoop();
        // Run without the mutex: the request may open a modal loop that serves again.
        entry->m_fn();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            entry->m_bDone = true;
        }
        m_changed.notify_all();
    }
}

void QLUiChannel::ServeUntil(const std::function<bool()> &in_done)
{
    for (;;) {
        Serve();
        if (in_done())
            return;
        std::unique_lock<std::mutex> lock(m_mutex);
        // The timeout only guards against a worker that ends without a last Wake().
        m_changed.wait_for(lock, std::chrono::milliseconds(20),
                           [&] { return !m_queue.empty() || m_bWoken || m_bClosed; });
        m_bWoken = false;
        if (m_bClosed)
            return;
    }
}

void QLUiChannel::Wake()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bWoken = true;
    }
    m_changed.notify_all();
}

void QLUiChannel::Close()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bClosed = true;
        m_queue.clear();
    }
    m_changed.notify_all();
}

bool QLUiChannel::IsClosed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bClosed;
}

void QLUiChannel::SignalEventLoop()
{
    if (m_eventFd < 0)
        return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_eventFd, &one, sizeof one);
}

void QLUiChannel::OnActivated()
{
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = ::read(m_eventFd, &count, sizeof count);
    Serve();
}
