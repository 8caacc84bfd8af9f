// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include <QtTest>
#include <thread>

#include "qlthreadprio.h"

#if defined(Q_OS_LINUX)
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

struct ThreadPriority
{
    int m_policy = -1;
    int m_nice = 0;
};

ThreadPriority CurrentThreadPriority()
{
    ThreadPriority result;
#if defined(Q_OS_LINUX)
    result.m_policy = sched_getscheduler(0); // 0: the calling thread on Linux
    result.m_nice = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
#endif
    return result;
}

} // namespace

class TestThreadPriority : public QObject
{
    Q_OBJECT

private slots:
    void lowersOnlyTheCallingThread();
    void loweringCanBeTurnedOff();
};

void TestThreadPriority::lowersOnlyTheCallingThread()
{
#if !defined(Q_OS_LINUX)
    QSKIP("the scheduling class is checked on Linux only");
#else
    const ThreadPriority before = CurrentThreadPriority();
    ThreadPriority inside;
    bool lowered = false;
    std::thread worker([&] {
        lowered = QLLowerThreadPriority();
        inside = CurrentThreadPriority();
    });
    worker.join();
    QVERIFY(lowered);
    QCOMPARE(inside.m_nice, 19);
    QCOMPARE(inside.m_policy, before.m_policy);
    // The thread that asked for nothing (here: the one standing for the window) keeps its own.
    const ThreadPriority after = CurrentThreadPriority();
    QCOMPARE(after.m_policy, before.m_policy);
    QCOMPARE(after.m_nice, before.m_nice);
#endif
}

void TestThreadPriority::loweringCanBeTurnedOff()
{
    QLSetThreadPriorityLowering(false);
    ThreadPriority before;
    ThreadPriority inside;
    bool lowered = true;
    std::thread worker([&] {
        before = CurrentThreadPriority();
        lowered = QLLowerThreadPriority();
        inside = CurrentThreadPriority();
    });
    worker.join();
    QLSetThreadPriorityLowering(true);
    QVERIFY(!lowered);
    QCOMPARE(inside.m_policy, before.m_policy);
    QCOMPARE(inside.m_nice, before.m_nice);
}

QTEST_GUILESS_MAIN(TestThreadPriority)
#include "tst_qlthreadprio.moc"
