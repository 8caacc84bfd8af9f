// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qltrace.h"
#include "vyrimg.h"

#include <QTest>
#include <memory>

class TestVYRImage : public QObject
{
    Q_OBJECT

private slots:
    void combineRotation_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("delta");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("asserts");
        const int angles[] = {0, 90, 180, -90};
        const int table[4][4] = {
            {0, 90, 180, -90}, {90, 180, -90, 0}, {180, -90, 0, 90}, {-90, 0, 90, 180}};
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c)
                QTest::addRow("%d%+d", angles[r], angles[c])
                    << angles[r] << angles[c] << table[r][c] << false;
        }
        QTest::newRow("from 0 any delta") << 0 << 45 << 45 << false;
        QTest::newRow("bad delta from 90") << 90 << 270 << 0 << true;
        QTest::newRow("bad delta from 180") << 180 << 45 << 0 << true;
        QTest::newRow("bad delta from -90") << -90 << 270 << 0 << false;
        QTest::newRow("bad current") << 270 << 90 << 0 << false;
    }

    void combineRotation()
    {
        QFETCH(int, current);
        QFETCH(int, delta);
        QFETCH(int, expected);
        QFETCH(bool, asserts);
        QLResetAssertions();
        QCOMPARE(VYRImage::CombineRotation(current, delta), expected);
        QCOMPARE(QLAssertFailureCount(), asserts ? 1 : 0);
        if (asserts)
            QCOMPARE(QLLastAssertionFile(), QStringLiteral("vyrimg.cpp"));
    }

    void rotateTurnsThumbnailThenComposes()
    {
        VYRBitmap bitmap;
        bitmap.m_image = QImage(8, 4, QImage::Format_RGB32);
        const QLImage source(QStringLiteral("/photos/a.jpg"), bitmap);
        VYRImage item(source);
        QVERIFY(item.GetRotation() == 0 && !item.IsPending() && !item.IsDetached());
        item.Rotate(90);
        QCOMPARE(item.GetDisplaySize(), QSize(4, 8));
        QCOMPARE(source.GetDisplaySize(), QSize(8, 4)); // a deep copy
        item.Rotate(180);
        QCOMPARE(item.GetRotation(), -90);

        // A turn the engine refuses is not counted: the file would be turned, the
        // thumbnail not.
        VYREngineTable failing = VYRDefaultEngine();
        failing.RotateBitmap = [](VYRBitmap *, int, uint32_t, int32_t) {
            return int(VYR_ERR_NO_MEMORY);
        };
        VYRSetEngine(&failing);
        int code = 0;
        try {
            item.Rotate(90);
        } catch (QLException *in_pError) {
            code = std::unique_ptr<QLException>(in_pError)->code;
        }
        VYRSetEngine(nullptr);
        QCOMPARE(code, int(VYR_ERR_NO_MEMORY));
        QCOMPARE(item.GetRotation(), -90);
    }
};

QTEST_GUILESS_MAIN(TestVYRImage)
#include "tst_vyrimg.moc"
