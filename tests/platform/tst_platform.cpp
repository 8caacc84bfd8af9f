// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include <QApplication>
#include <QLabel>
#include <QLoggingCategory>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <thread>

#include "qldocview.h"
#include "qltrace.h"
#include "qluichannel.h"
#include "qlwnd.h"

namespace {
class RecordingView : public QLView
{
public:
    void OnUpdate(QLView *in_pSender, long in_hint, void *in_pHint) override
    {
        m_hints.push_back({in_pSender, in_hint, in_pHint});
    }
    struct Hint
    {
        QLView *sender;
        long hint;
        void *object;
    };
    std::vector<Hint> m_hints;
};
} // namespace

class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    void assertReportsExpressionAndRefuses()
    {
        QStringList lines;
        QLSetTraceHook([&](const QString &line) { lines << line; });
        QLResetAssertions();
        const int *nothing = nullptr;
        const bool held = QL_ASSERT(nothing != nullptr);
        QLSetTraceHook({});
        QVERIFY(!held);
        QCOMPARE(QLAssertFailureCount(), 1);
        QCOMPARE(QLLastAssertion(), QStringLiteral("nothing != nullptr"));
        QCOMPARE(QLLastAssertionFile(), QStringLiteral("tst_platform.cpp"));
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.first().startsWith(
            "Assertion failed: nothing != nullptr, file tst_platform.cpp"));
        QVERIFY(QL_ASSERT(1 + 1 == 2));
        QCOMPARE(QLAssertFailureCount(), 1);
    }

    void traceFormatsLikePrintf()
    {
        QString got;
        QLSetTraceHook([&](const QString &line) { got = line; });
        QLTrace("Error setting file time: %d\n", 5);
        QLSetTraceHook({});
        QCOMPARE(got, QStringLiteral("Error setting file time: 5\n"));
    }

    void updateAllViewsSkipsSenderInCreationOrder()
    {
        QLDocument document;
        RecordingView first, second, third;
        document.AddView(&first);
        document.AddView(&second);
        document.AddView(&third);
        document.AddView(&second); // once only
        QCOMPARE(document.GetViews().size(), size_t(3));
        int object = 0;
        document.UpdateAllViews(&second, 102, &object);
        QCOMPARE(first.m_hints.size(), size_t(1));
        QCOMPARE(second.m_hints.size(), size_t(0));
        QCOMPARE(third.m_hints.size(), size_t(1));
        QCOMPARE(first.m_hints[0].hint, 102L);
        QCOMPARE(first.m_hints[0].object, static_cast<void *>(&object));
        QCOMPARE(first.m_hints[0].sender, static_cast<QLView *>(&second));
        {
            RecordingView transient;
            document.AddView(&transient);
        } // a destroyed view leaves its document
        QCOMPARE(document.GetViews().size(), size_t(3));
    }

    void titleListenerSeesEveryTitle()
    {
        QLDocument document;
        QStringList titles;
        document.SetTitle("0 items pending");
        document.SetTitleListener([&](const QString &title) { titles << title; });
        document.SetTitle("2 items pending");
        QCOMPARE(titles, QStringList({"0 items pending", "2 items pending"}));
    }

    void controlsAreFoundByIdentifier()
    {
        QWidget root;
        auto *label = new QLabel(&root);
        QLSetControlId(label, 1026);
        QCOMPARE(QLFindControl(&root, 1026), static_cast<QWidget *>(label));
        QCOMPARE(QLFindControl(&root, 1028), nullptr);
        QCOMPARE(QLFindControl(nullptr, 1026), nullptr);
    }

    void channelRunsRequestsOnTheServingThreadInOrder()
    {
        QLUiChannel channel;
        const auto uiThread = std::this_thread::get_id();
        std::vector<int> order;
        std::atomic<bool> allOnUi{true};
        std::atomic<bool> finished{false};
        std::thread worker([&] {
            for (int i = 0; i < 50; ++i) {
                auto step = [&, i] {
                    allOnUi = allOnUi && std::this_thread::get_id() == uiThread;
                    order.push_back(i);
                };
                if (i % 2)
                    QVERIFY(channel.Send(step));
                else
                    QVERIFY(channel.Post(step));
            }
            finished = true;
            channel.Wake();
        });
        channel.ServeUntil([&] { return finished.load(); });
        worker.join();
        channel.Serve();
        QVERIFY(allOnUi);
        QCOMPARE(order.size(), size_t(50));
        for (int i = 0; i < 50; ++i)
            QCOMPARE(order[size_t(i)], i);
    }

    void channelIsServedByTheEventLoop()
    {
        QLUiChannel channel;
        std::atomic<int> answered{0};
        std::thread worker([&] {
            int value = 0;
            if (channel.Send([&] { value = 42; }))
                answered = value;
        });
        QTRY_COMPARE(answered.load(), 42);
        worker.join();
    }

    // A notice that opens a modal loop (a message box) must not hold up the notices queued
    // behind it: the loop serves them.
    void nestedLoopServesTheNoticesBehind()
    {
        QLUiChannel channel;
        int served = 0;
        int servedInsideLoop = -1;
        std::thread worker([&] {
            channel.Post([&] {
                QEventLoop loop;
                QTimer::singleShot(10000, &loop, &QEventLoop::quit); // a guard, not a wait
                QTimer check;
                QObject::connect(&check, &QTimer::timeout, [&] {
                    if (served == 3)
                        loop.quit();
                });
                check.start(1);
                loop.exec();
                servedInsideLoop = served;
            });
            for (int i = 0; i < 3; ++i)
                channel.Post([&] { ++served; });
        });
        worker.join(); // everything is queued before the event loop takes the first notice
        QTRY_COMPARE_WITH_TIMEOUT(servedInsideLoop, 3, 15000);
    }

    void tracesAreSilentUnlessEnabled()
    {
        static QStringList printed;
        printed.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &in_context, const QString &in_text) {
                if (QByteArray(in_context.category) == "veyra.trace")
                    printed << in_text;
            });
        QLTrace("quiet\n");
        QLoggingCategory::setFilterRules(QStringLiteral("veyra.trace=true"));
        QLTrace("asked for\n");
        QLoggingCategory::setFilterRules(QString());
        qInstallMessageHandler(previous);
        QCOMPARE(printed, QStringList({"asked for"}));
    }

    void closedChannelAnswersAtOnce()
    {
        QLUiChannel channel;
        std::atomic<bool> sendResult{true};
        std::atomic<bool> waiting{false};
        std::thread worker([&] {
            waiting = true;
            sendResult = channel.Send([] {});
        });
        // Wait without running the event loop, which would serve the request. Whether Close
        // comes before or after the request is queued, the sender must get false.
        while (!waiting.load())
            std::this_thread::yield();
        channel.Close();
        worker.join();
        QVERIFY(!sendResult);
        QVERIFY(!channel.Post([] {}));
        bool ran = false;
        QVERIFY(!channel.Send([&] { ran = true; })); // also on the serving thread
        QVERIFY(!ran);
    }

    void sendOnTheServingThreadRunsDirectly()
    {
        QLUiChannel channel;
        bool ran = false;
        QVERIFY(channel.Send([&] { ran = true; }));
        QVERIFY(ran);
    }

    void postedMessagesArriveInOrder()
    {
        struct Receiver : QObject
        {
            std::vector<unsigned> got;
            bool event(QEvent *e) override
            {
                if (e->type() == QLMessageEvent::Type()) {
                    got.push_back(static_cast<QLMessageEvent *>(e)->m_message);
                    return true;
                }
                return QObject::event(e);
            }
        } receiver;
        QLPostMessage(&receiver, 0x403);
        QLPostMessage(&receiver, QL_WM_COMMAND, QLMakeCommandParam(1025));
        QLPostMessage(nullptr, 0x403); // dropped
        QTRY_COMPARE(receiver.got.size(), size_t(2));
        QCOMPARE(receiver.got[0], 0x403u);
        QCOMPARE(receiver.got[1], unsigned(QL_WM_COMMAND));
        QCOMPARE(QLMakeCommandParam(1018, 1), qintptr(0x103FA));
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
