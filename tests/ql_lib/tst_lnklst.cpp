// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "lnklst.h"

#include <QElapsedTimer>
#include <QRect>
#include <QtTest>

#include <memory>
#include <random>
#include <vector>

namespace {

// Opens the internal operations to the tests.
template <class T> class ProbeList : public QLLinkedList<T>
{
public:
    using QLLinkedList<T>::InsertNode;
    using QLLinkedList<T>::RemoveNode;
    using QLLinkedList<T>::FindNode;
};

std::vector<int> Contents(const QLLinkedList<int> &in_list)
{
    std::vector<int> out;
    for (int i = 0; i < in_list.GetCount(); ++i) {
        int v = -1;
        if (!in_list.Get(i, v))
            return {};
        out.push_back(v);
    }
    return out;
}

// Shaped like the thumbnail view's row handles: copied in and out by value.
struct RowHandle
{
    QRect rect;
    bool hot = false;
};
struct RowHandlePair
{
    RowHandle first;
    RowHandle second;
};

} // namespace

class TestLinkedList : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLResetAssertions(); }

    void positionsOutOfRangeChangeNothing()
    {
        QLLinkedList<int> list;
        int v = 7;
        QVERIFY(!list.Get(0, v));
        QVERIFY(!list.Remove(0));
        QVERIFY(!list.Insert(-1, v));
        QVERIFY(!list.Insert(1, v));
        QCOMPARE(list.GetCount(), 0);

        QVERIFY(list.Insert(0, 10));
        QVERIFY(list.Insert(1, 30)); // at the count: appends
        QVERIFY(list.Insert(0, 5));  // at 0: prepends
        QVERIFY(list.Insert(2, 20));
        QCOMPARE(Contents(list), (std::vector<int>{5, 10, 20, 30}));

        QVERIFY(!list.Insert(-1, 99));
        QVERIFY(!list.Insert(5, 99));
        QVERIFY(!list.Get(4, v));
        QVERIFY(!list.Get(-1, v));
        QCOMPARE(v, 7); // untouched by the refused reads
        QVERIFY(!list.Remove(4));
        QVERIFY(!list.Remove(-1));
        QCOMPARE(Contents(list), (std::vector<int>{5, 10, 20, 30}));
        // The public operations refuse quietly: they check, they do not assert.
        QCOMPARE(QLAssertFailureCount(), 0);
    }

    void removeShiftsLaterPositionsAndEmpties()
    {
        QLLinkedList<int> list;
        for (int i = 0; i < 6; ++i)
            QVERIFY(list.Insert(i, i * 10));
        QVERIFY(list.Remove(2));
        QCOMPARE(Contents(list), (std::vector<int>{0, 10, 30, 40, 50}));
        QVERIFY(list.Remove(4)); // the last one
        QVERIFY(list.Remove(0)); // the head
        QCOMPARE(Contents(list), (std::vector<int>{10, 30, 40}));
        while (list.GetCount() > 0)
            QVERIFY(list.Remove(0));
        QVERIFY(!list.Remove(0));
        // An emptied list works like a new one.
        QVERIFY(list.Insert(0, 1));
        QCOMPARE(Contents(list), (std::vector<int>{1}));
    }

    void internalOperationsAssertAndRefuse()
    {
        ProbeList<int> list;
        QVERIFY(list.Insert(0, 1));
        const QString text = QStringLiteral("(in_index >= 0) && (in_index <= m_count)");

        auto *node = new QLListNode<int>();
        QVERIFY(!list.InsertNode(2, node));
        QCOMPARE(QLLastAssertion(), text);
        QVERIFY(!list.InsertNode(-1, node));
        delete node;

        QLResetAssertions();
        QVERIFY(!list.RemoveNode(-1));
        QCOMPARE(QLLastAssertion(), text);
        QLResetAssertions();
        QVERIFY(!list.RemoveNode(2));
        QCOMPARE(QLLastAssertion(), text);
        // Position m_count passes the check but holds no node.
        QVERIFY(!list.RemoveNode(1));
        QVERIFY(list.FindNode(1) == nullptr);
        QLResetAssertions();
        QVERIFY(list.FindNode(5) == nullptr);
        QCOMPARE(QLLastAssertion(), text);

        QCOMPARE(list.GetCount(), 1);
        int v = 0;
        QVERIFY(list.Get(0, v));
        QCOMPARE(v, 1);
    }

    void pointerElementsAreNotOwned()
    {
        std::vector<std::unique_ptr<int>> owned;
        {
            QLLinkedList<int *> list;
            for (int i = 0; i < 5; ++i) {
                owned.push_back(std::make_unique<int>(i));
                QVERIFY(list.Insert(list.GetCount(), owned.back().get()));
            }
            QVERIFY(list.Remove(1));
            int *p = nullptr;
            QVERIFY(list.Get(1, p));
            QCOMPARE(p, owned[2].get());
        }
        // The list is gone (ASan would report a free of these); the objects are intact.
        for (int i = 0; i < 5; ++i)
            QCOMPARE(*owned[i], i);
    }

    void valueElementsAreCopiedWhole()
    {
        QLLinkedList<RowHandlePair> list;
        RowHandlePair pair;
        pair.first = {QRect(1, 2, 3, 4), true};
        pair.second = {QRect(5, 6, 7, 8), false};
        QVERIFY(list.Insert(0, pair));
        pair.first.hot = false; // the list holds its own copy
        RowHandlePair out;
        QVERIFY(list.Get(0, out));
        QCOMPARE(out.first.rect, QRect(1, 2, 3, 4));
        QVERIFY(out.first.hot);
        QCOMPARE(out.second.rect, QRect(5, 6, 7, 8));
        QVERIFY(!out.second.hot);
    }

    // Mixed operations against a vector: the cached cursor must never change a result.
    void matchesVectorModel_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {1u, 2u, 3u, 42u, 2026u})
            QTest::addRow("seed %u", seed) << seed;
    }
    void matchesVectorModel()
    {
        QFETCH(quint32, seed);
        std::mt19937 rng(seed);
        QLLinkedList<int> list;
        std::vector<int> model;
        int next = 0;
        for (int step = 0; step < 4000; ++step) {
            const int n = int(model.size());
            const int op = int(rng() % 10);
            // Positions slightly outside the valid range are included on purpose.
            const int pos = int(rng() % unsigned(n + 3)) - 1;
            if (op < 3) {
                const bool ok = pos >= 0 && pos <= n;
                QCOMPARE(list.Insert(pos, next), ok);
                if (ok)
                    model.insert(model.begin() + pos, next);
                ++next;
            } else if (op < 5) {
                const bool ok = pos >= 0 && pos < n;
                QCOMPARE(list.Remove(pos), ok);
                if (ok)
                    model.erase(model.begin() + pos);
            } else if (op < 8) {
                int v = -12345;
                const bool ok = pos >= 0 && pos < n;
                QCOMPARE(list.Get(pos, v), ok);
                if (ok)
                    QCOMPARE(v, model[size_t(pos)]);
            } else {
                // A forward sweep, as the grid does, interrupted by a change in the middle.
                const int stop = n > 0 ? int(rng() % unsigned(n)) : 0;
                for (int i = 0; i < stop; ++i) {
                    int v = -1;
                    QVERIFY(list.Get(i, v));
                    QCOMPARE(v, model[size_t(i)]);
                }
                if (op == 9 && stop > 0) {
                    QVERIFY(list.Remove(stop - 1));
                    model.erase(model.begin() + stop - 1);
                } else {
                    QVERIFY(list.Insert(stop, next));
                    model.insert(model.begin() + stop, next++);
                }
            }
            QCOMPARE(list.GetCount(), int(model.size()));
        }
        QCOMPARE(Contents(list), model);
        QCOMPARE(QLAssertFailureCount(), 0);
    }

    // Reading every element by position in order must not walk from the head each time.
    void sequentialReadsAreLinear()
    {
        const int n = 50000;
        QLLinkedList<int> list;
        for (int i = 0; i < n; ++i)
            QVERIFY(list.Insert(i, i)); // appending walks from the cursor as well
        QElapsedTimer timer;
        timer.start();
        long long sum = 0;
        for (int i = 0; i < n; ++i) {
            int v = 0;
            list.Get(i, v);
            sum += v;
        }
        // Quadratic walks would take n*n/2 = 1.25e9 steps: many seconds. Linear ones take
        // milliseconds, even under sanitizers.
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(sum, (long long)n * (n - 1) / 2);
    }
};

QTEST_GUILESS_MAIN(TestLinkedList)
#include "tst_lnklst.moc"
