// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The channel between a worker thread and the user-interface thread: posted notices and
// synchronous requests, served on the user-interface thread in the order they were made.
#pragma once

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class QSocketNotifier;

class QLUiChannel : public QObject
{
    Q_OBJECT

public:
    // Create it on the user-interface thread: that thread serves it, woken through its event
    // loop (also inside nested loops such as a modal dialog or a scan's processEvents).
    explicit QLUiChannel(QObject *in_pParent = nullptr);
    ~QLUiChannel() override; // closes the channel

    // Worker side. Runs in_request on the user-interface thread and returns once it has run:
    // true. Returns false at once, without running it, when the channel is closed (also when
    // it is closed while the request waits). Called on the serving thread itself, the request
    // runs directly. Never call it while holding a lock the serving thread may wait for.
    bool Send(std::function<void()> in_request);
    // Worker side. Queues in_notice and returns at once; false when the channel is closed.
    bool Post(std::function<void()> in_notice);

    // User-interface side. Runs every request and notice queued so far, oldest first.
    void Serve();
    // User-interface side. Serves requests and notices until in_done() answers true; between
    // them it sleeps until something is queued or Wake() is called. Used to wait for a
    // worker to end while it may still need this thread.
    void ServeUntil(const std::function<bool()> &in_done);
    // Any thread. Makes ServeUntil look at its condition again.
    void Wake();
    // User-interface side. From now on Send and Post return false at once; what is queued is
    // dropped and waiting senders return false.
    void Close();
    bool IsClosed() const;

private:
    struct Entry
    {
        std::function<void()> m_fn;
        bool m_bSync = false;
        bool m_bDone = false;
    };

    bool Enqueue(const std::shared_ptr<Entry> &in_entry);
    void SignalEventLoop();
    void OnActivated();

    mutable std::mutex m_mutex;
    std::condition_variable m_changed; // an entry was queued or finished, a wake, or a close
    std::deque<std::shared_ptr<Entry>> m_queue;
    bool m_bClosed = false;
    bool m_bWoken = false;
    std::thread::id m_servingThread;
    int m_eventFd = -1;
    QSocketNotifier *m_pNotifier = nullptr;
};
