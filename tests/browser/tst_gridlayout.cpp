// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The grid's layout on its own, without a view: columns for a width, where each cell goes,
// the extent, and cells following a re-flow.
#include <QtTest>
#include <memory>
#include <vector>

#include "gridlayout.h"

namespace {

// The program's default geometry: margins 40, spacing 5, cells of 128 padded by 8 on each side.
void ApplyDefaults(GridLayout &inout_layout, int in_width)
{
    inout_layout.SetMargins(GridRect(40, 40, 40, 40));
    inout_layout.SetSpacing(5, 5);
    inout_layout.SetCellSize(144, 144);
    inout_layout.SetClientSize(in_width, 600);
}

} // namespace

class TestGridLayout : public QObject
{
    Q_OBJECT

private slots:
    // (W - L - R + hs) / (cw + hs) columns: exactly at the edge where one more fits, one
    // pixel short of it, and never fewer than one once there is a cell.
    void columnsForWidth()
    {
        GridLayout layout;
        ApplyDefaults(layout, 80 + 3 * 144 + 2 * 5);
        QCOMPARE(layout.GetColumnCount(), 3);
        layout.SetClientSize(80 + 3 * 144 + 2 * 5 - 1, 600);
        QCOMPARE(layout.GetColumnCount(), 2);

        layout.SetClientSize(10, 600); // narrower than the margins
        QCOMPARE(layout.GetColumnCount(), 0);
        GridCell cell(nullptr);
        QVERIFY(layout.Add(&cell));
        QCOMPARE(layout.GetColumnCount(), 1);
        QCOMPARE(layout.GetRowCount(), 1);
        QCOMPARE(cell.GetRect(), GridRect(40, 40, 184, 184));

        GridLayout degenerate; // no cell size and no spacing: no division by zero
        QCOMPARE(degenerate.GetColumnCount(), 0);
        QCOMPARE(degenerate.GetCellRect(3), GridRect());
    }

    // Cells go left to right, then down; the rows round up; the extent ends with the margin.
    void cellsRowsAndExtent()
    {
        GridLayout layout;
        ApplyDefaults(layout, 80 + 3 * 144 + 2 * 5);
        QCOMPARE(layout.GetTotalHeight(), 40); // empty: the bottom margin alone
        std::vector<std::unique_ptr<GridCell>> cells;
        for (int i = 0; i < 7; ++i) {
            cells.push_back(std::make_unique<GridCell>(nullptr));
            QVERIFY(layout.Add(cells.back().get()));
        }
        QCOMPARE(layout.GetCount(), 7);
        QCOMPARE(layout.GetRowCount(), 3);
        QCOMPARE(layout.GetFirstIndexOfRow(2), 6);
        QCOMPARE(cells[4]->GetRect(), GridRect(40 + 149, 40 + 149, 40 + 149 + 144, 40 + 149 + 144));
        QCOMPARE(cells[6]->GetRect().top, 40 + 2 * 149);
        QCOMPARE(layout.GetTotalHeight(), 40 + 2 * 149 + 144 + 40);
        QCOMPARE(layout.GetTotalWidth(), 80 + 3 * 144 + 2 * 5);
        QCOMPARE(layout.GetCell(6), cells[6].get());
        QVERIFY(!layout.GetCell(7));
        QVERIFY(!layout.GetCell(-1));
    }

    // Every change of geometry re-flows the cells already added; Clear forgets them without
    // deleting them.
    void reflowAndClear()
    {
        GridLayout layout;
        ApplyDefaults(layout, 80 + 3 * 144 + 2 * 5);
        GridCell first(nullptr), fourth(nullptr), filler(nullptr);
        layout.Add(&first);
        layout.Add(&filler);
        layout.Add(&filler);
        layout.Add(&fourth);
        QCOMPARE(fourth.GetRect().top, 40 + 149); // second row of three columns

        layout.SetClientSize(80 + 4 * 144 + 3 * 5, 600);
        QCOMPARE(layout.GetColumnCount(), 4);
        QCOMPARE(fourth.GetRect(), GridRect(40 + 3 * 149, 40, 40 + 3 * 149 + 144, 184));
        layout.SetMargins(GridRect(0, 10, 0, 10));
        QCOMPARE(first.GetRect(), GridRect(0, 10, 144, 154));

        layout.Clear();
        QCOMPARE(layout.GetCount(), 0);
        QCOMPARE(layout.GetRowCount(), 0);
        QCOMPARE(first.GetRect(), GridRect(0, 10, 144, 154)); // left as it was
    }

    // Half-open rectangles: the right and bottom edges lie outside; the padding shrinks the
    // cell's inner rectangle on each side.
    void rectanglesAndPadding()
    {
        const GridRect rect(10, 20, 30, 50);
        QCOMPARE(rect.Width(), 20);
        QCOMPARE(rect.Height(), 30);
        QVERIFY(rect.PtInRect(QPoint(10, 20)));
        QVERIFY(rect.PtInRect(QPoint(29, 49)));
        QVERIFY(!rect.PtInRect(QPoint(30, 20)));
        QVERIFY(!rect.PtInRect(QPoint(10, 50)));
        QCOMPARE(rect.ToQRect(), QRect(10, 20, 20, 30));

        GridCell cell(nullptr);
        cell.SetRect(rect);
        cell.SetPadding(GridRect(1, 2, 3, 4));
        QCOMPARE(cell.GetInnerRect(), GridRect(11, 22, 27, 46));
        QVERIFY(cell.PtInCell(QPoint(10, 20)));
        QVERIFY(!cell.PtInCell(QPoint(30, 50)));
    }
};

QTEST_GUILESS_MAIN(TestGridLayout)
#include "tst_gridlayout.moc"
