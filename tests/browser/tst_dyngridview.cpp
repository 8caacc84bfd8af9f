// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The grid view: layout arithmetic, hit testing, hover selection, clicks and painting.
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QtTest>
#include <memory>
#include <vector>

#include "dyngridview.h"
#include "qlimg.h"
#include "qltrace.h"
#include "vyrengine.h"

namespace {

// Records what the grid hands to a derived view.
class ProbeGrid : public DynGridView
{
public:
    struct Event
    {
        GridCell *cell;
        QPoint point;
        unsigned flags;
    };
    void OnCellClick(GridCell *in_pCell, const QPoint &in_point, unsigned in_flags) override
    {
        clicks.push_back({in_pCell, in_point, in_flags});
    }
    void OnCellMouseMove(GridCell *in_pCell, const QPoint &in_point, unsigned in_flags) override
    {
        moves.push_back({in_pCell, in_point, in_flags});
    }
    void OnNewRow(int in_row, const GridRect &in_rect) override
    {
        rows.push_back({in_row, in_rect});
    }
    std::vector<Event> clicks;
    std::vector<Event> moves;
    std::vector<std::pair<int, GridRect>> rows;
};

// The default geometry of the program: margins 40, spacing 5, items of 128 padded by 8.
void ApplyDefaults(DynGridView &inout_grid, int in_width)
{
    inout_grid.SetMargins(GridRect(40, 40, 40, 40));
    inout_grid.SetSpacing(5, 5);
    inout_grid.SetPadding(GridRect(8, 8, 8, 8));
    inout_grid.SetCellSize(128, 128);
    inout_grid.OnSize(0, in_width, 600);
}

std::unique_ptr<QLImage> MakeItem(const QColor &in_colour, int in_size = 128)
{
    VYRBitmap bitmap;
    bitmap.m_image = QImage(in_size, in_size, QImage::Format_RGB32);
    bitmap.m_image.fill(in_colour);
    return std::make_unique<QLImage>(QStringLiteral("/tmp/item.jpg"), bitmap);
}

// A paint operation that always fails, to stand for a thumbnail that cannot be shown.
int FailingPaint(QPainter *, const VYRBitmap *, const QRect *, const QRect *, const QRect *,
                 const QRect *, uint32_t)
{
    return VYR_ERR_PAINT;
}

} // namespace

class TestDynGridView : public QObject
{
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void emptyGrid();
    void cellRectAndPadding();
    void hitTestEdgesAndGaps();
    void hitTestMatchesWalk_data();
    void hitTestMatchesWalk();
    void scrollSizes();
    void newRowReports();
    void hoverSelection();
    void mouseFlagsAndGridPoints();
    void painting();
    void failingDisplayKeepsFrame();
};

void TestDynGridView::layout_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("cells");
    QTest::addColumn<int>("cols");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("totalHeight");
    QTest::newRow("W=1000, 13 cells") << 1000 << 13 << 6 << 3 << 522;
    QTest::newRow("W=1000, 12 cells fill two rows") << 1000 << 12 << 6 << 2 << 373;
    QTest::newRow("W=100 still one column") << 100 << 3 << 1 << 3 << 3 * 149 - 5 + 80;
    QTest::newRow("W=0 before the first resize") << 0 << 2 << 1 << 2 << 2 * 149 - 5 + 80;
    QTest::newRow("exact fit of 7 columns") << 80 + 7 * 144 + 6 * 5 << 7 << 7 << 1 << 224;
}

void TestDynGridView::layout()
{
    QFETCH(int, width);
    QFETCH(int, cells);
    QFETCH(int, cols);
    QFETCH(int, rows);
    QFETCH(int, totalHeight);
    ProbeGrid grid;
    ApplyDefaults(grid, width);
    for (int i = 0; i < cells; ++i)
        QCOMPARE(grid.AddCell(nullptr), i);
    QCOMPARE(grid.GetGridSize(), QSize(cols, rows));
    QCOMPARE(grid.GetLayout().GetTotalHeight(), totalHeight);
    // Every cell keeps its index and the rectangle of that index.
    for (int i = 0; i < cells; ++i) {
        QCOMPARE(grid.GetCell(i)->GetIndex(), i);
        QCOMPARE(grid.GetCell(i)->GetRect(), grid.GetLayout().GetCellRect(i));
    }
}

void TestDynGridView::emptyGrid()
{
    ProbeGrid grid;
    ApplyDefaults(grid, 1000);
    QCOMPARE(grid.GetGridSize(), QSize(6, 0)); // columns follow the width
    GridLayout layout;
    layout.SetMargins(GridRect(40, 40, 40, 40));
    layout.SetCellSize(144, 144);
    layout.SetSpacing(5, 5);
    QCOMPARE(layout.GetColumnCount(), 0); // (0 - 80 + 5) / 149 truncates to 0
    QCOMPARE(layout.GetRowCount(), 0);
    QCOMPARE(layout.GetTotalHeight(), 40);
    QCOMPARE(layout.GetCellRect(3), GridRect());
    QVERIFY(grid.HitTest(QPoint(50, 50)) == nullptr);
    QVERIFY(grid.GetCell(0) == nullptr);
}

void TestDynGridView::cellRectAndPadding()
{
    ProbeGrid grid;
    ApplyDefaults(grid, 1000);
    for (int i = 0; i < 13; ++i)
        grid.AddCell(nullptr);
    QCOMPARE(grid.GetCell(6)->GetRect(), GridRect(40, 189, 184, 333));
    QCOMPARE(grid.GetCell(6)->GetInnerRect(), GridRect(48, 197, 176, 325));
    QCOMPARE(grid.GetRowRect(1), GridRect(40, 189, 929, 333));
    // The last row is partly filled but its rectangle spans every column.
    QCOMPARE(grid.GetRowRect(2), GridRect(40, 338, 929, 482));

    // Padding changes only cells added later; a resize re-flows all of them.
    grid.SetPadding(GridRect(1, 2, 3, 4));
    grid.AddCell(nullptr);
    QCOMPARE(grid.GetCell(12)->GetPadding(), GridRect(8, 8, 8, 8));
    QCOMPARE(grid.GetCell(13)->GetPadding(), GridRect(1, 2, 3, 4));
    grid.OnSize(0, 530, 600); // 3 columns
    QCOMPARE(grid.GetCell(6)->GetRect(), GridRect(40, 338, 184, 482));
    QCOMPARE(grid.GetGridSize(), QSize(3, 5));
    QVERIFY(grid.rows.size() == 3); // the resize itself reports no new row
}

void TestDynGridView::hitTestEdgesAndGaps()
{
    ProbeGrid grid;
    ApplyDefaults(grid, 1000);
    for (int i = 0; i < 13; ++i)
        grid.AddCell(nullptr);
    GridCell *six = grid.GetCell(6);
    QCOMPARE(grid.HitTest(QPoint(40, 189)), six);
    QCOMPARE(grid.HitTest(QPoint(183, 332)), six);
    QVERIFY(grid.HitTest(QPoint(184, 200)) == nullptr); // right edge
    QVERIFY(grid.HitTest(QPoint(100, 333)) == nullptr); // bottom edge
    QVERIFY(grid.HitTest(QPoint(186, 200)) == nullptr); // gap between columns
    QCOMPARE(grid.HitTest(QPoint(189, 200)), grid.GetCell(7));
    QVERIFY(grid.HitTest(QPoint(100, 335)) == nullptr); // gap between rows
    QVERIFY(grid.HitTest(QPoint(39, 189)) == nullptr);  // left margin
    QVERIFY(grid.HitTest(QPoint(935, 50)) == nullptr);  // right of the last column
    QVERIFY(grid.HitTest(QPoint(400, 400)) == nullptr); // empty slot of the last row
    QVERIFY(grid.HitTest(QPoint(-5, -5)) == nullptr);
}

void TestDynGridView::hitTestMatchesWalk_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("spacing");
    QTest::addColumn<int>("margin");
    QTest::newRow("defaults") << 1000 << 5 << 40;
    QTest::newRow("no spacing") << 700 << 0 << 0;
    QTest::newRow("overlapping cells") << 600 << -20 << 10;
    QTest::newRow("margins wider than the window") << 50 << 5 << 40;
}

void TestDynGridView::hitTestMatchesWalk()
{
    QFETCH(int, width);
    QFETCH(int, spacing);
    QFETCH(int, margin);
    ProbeGrid grid;
    grid.SetMargins(GridRect(margin, margin, margin, margin));
    grid.SetSpacing(spacing, spacing);
    grid.SetPadding(GridRect(8, 8, 8, 8));
    grid.SetCellSize(64, 64);
    grid.OnSize(0, width, 400);
    for (int i = 0; i < 23; ++i)
        grid.AddCell(nullptr);
    // The answer must be the first cell in index order that holds the point.
    for (int y = -3; y < grid.GetLayout().GetTotalHeight() + 3; y += 3) {
        for (int x = -3; x < width + 3; x += 3) {
            GridCell *expected = nullptr;
            for (int i = 0; i < grid.GetCellCount() && !expected; ++i) {
                if (grid.GetCell(i)->PtInCell(QPoint(x, y)))
                    expected = grid.GetCell(i);
            }
            if (grid.HitTest(QPoint(x, y)) != expected)
                QFAIL(qPrintable(QStringLiteral("point %1,%2").arg(x).arg(y)));
        }
    }
}

void TestDynGridView::scrollSizes()
{
    ProbeGrid grid;
    ApplyDefaults(grid, 1000);
    for (int i = 0; i < 13; ++i)
        grid.AddCell(nullptr);
    QCOMPARE(grid.GetScrollTotalHeight(), 522);
    QCOMPARE(grid.GetScrollPageSize(), 52);
    QCOMPARE(grid.GetScrollLineSize(), 5);
    QCOMPARE(grid.verticalScrollBar()->pageStep(), 52);
    QCOMPARE(grid.verticalScrollBar()->singleStep(), 5);
    // Clearing alone keeps the extent until the next add or resize.
    grid.ClearCells();
    QCOMPARE(grid.GetScrollTotalHeight(), 522);
    grid.OnSize(0, 1000, 600);
    QCOMPARE(grid.GetScrollTotalHeight(), 40);
}

void TestDynGridView::newRowReports()
{
    ProbeGrid grid;
    ApplyDefaults(grid, 1000);
    for (int i = 0; i < 13; ++i)
        grid.AddCell(nullptr);
    QCOMPARE(grid.rows.size(), size_t(3));
    QCOMPARE(grid.rows[1].first, 1);
    QCOMPARE(grid.rows[1].second, GridRect(40, 189, 929, 333));
    QCOMPARE(grid.rows[2].second, GridRect(40, 338, 929, 482));

    ProbeGrid narrow;
    ApplyDefaults(narrow, 100);
    for (int i = 0; i < 3; ++i)
        narrow.AddCell(nullptr);
    QCOMPARE(narrow.rows.size(), size_t(3));
    QCOMPARE(narrow.rows[2].first, 2);

    // The default handler leaves a trace.
    QStringList traces;
    QLSetTraceHook([&traces](const QString &in_line) { traces << in_line; });
    DynGridView plain;
    ApplyDefaults(plain, 1000);
    plain.AddCell(nullptr);
    QLSetTraceHook({});
    QVERIFY(traces.contains(QStringLiteral("OnNewRow(0)\n")));
}

void TestDynGridView::hoverSelection()
{
    ProbeGrid grid;
    ApplyDefaults(grid, 1000);
    for (int i = 0; i < 13; ++i)
        grid.AddCell(nullptr);
    grid.EnableSelectionTracking(true);

    grid.OnMouseMove(0, QPoint(50, 50));
    QVERIFY(grid.IsSelected(0));
    QCOMPARE(grid.GetSelectionCount(), 1);
    grid.OnMouseMove(0, QPoint(200, 50)); // the neighbour
    QVERIFY(!grid.IsSelected(0));
    QVERIFY(grid.IsSelected(1));
    grid.OnMouseMove(0, QPoint(186, 50)); // the gap
    QCOMPARE(grid.GetSelectionCount(), 0);
    QCOMPARE(grid.moves.back().cell, nullptr);

    // A row selection made by a derived view survives a move into a gap, not onto a cell.
    const int row[] = {6, 7, 8};
    grid.SelectCells(row, 3);
    grid.OnMouseMove(0, QPoint(186, 50));
    QCOMPARE(grid.GetSelectionCount(), 3);
    grid.OnMouseMove(0, QPoint(200, 200));
    QCOMPARE(grid.GetSelectionCount(), 1);
    QVERIFY(grid.IsSelected(7));

    // Without tracking nothing gets selected, but moves are still reported.
    grid.ClearSelection();
    grid.EnableSelectionTracking(false);
    const size_t before = grid.moves.size();
    grid.OnMouseMove(0, QPoint(50, 50));
    QCOMPARE(grid.GetSelectionCount(), 0);
    QCOMPARE(grid.moves.size(), before + 1);
    QCOMPARE(grid.moves.back().cell, grid.GetCell(0));

    // Clearing the cells empties the selection too.
    grid.EnableSelectionTracking(true);
    grid.OnMouseMove(0, QPoint(50, 50));
    grid.ClearCells();
    QCOMPARE(grid.GetSelectionCount(), 0);
}

void TestDynGridView::mouseFlagsAndGridPoints()
{
    ProbeGrid grid;
    grid.resize(1000, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.SetMargins(GridRect(40, 40, 40, 40));
    grid.SetSpacing(5, 5);
    grid.SetPadding(GridRect(8, 8, 8, 8));
    grid.SetCellSize(128, 128);
    grid.OnSize(0, grid.viewport()->width(), grid.viewport()->height());
    for (int i = 0; i < 40; ++i)
        grid.AddCell(nullptr);
    grid.verticalScrollBar()->setValue(149);
    QCOMPARE(grid.GetScrollPosition(), QPoint(0, 149));
    QCOMPARE(grid.ClientToGrid(QPoint(50, 60)), QPoint(50, 209));
    QCOMPARE(grid.GridToClient(GridRect(40, 189, 184, 333)), GridRect(40, 40, 184, 184));

    QTest::mouseClick(grid.viewport(), Qt::RightButton, Qt::ShiftModifier, QPoint(50, 60));
    QCOMPARE(grid.clicks.size(), size_t(1));
    QCOMPARE(grid.clicks[0].point, QPoint(50, 209));
    QCOMPARE(grid.clicks[0].cell, grid.HitTest(QPoint(50, 209)));
    QCOMPARE(grid.clicks[0].cell->GetIndex(), grid.GetGridSize().width());
    QCOMPARE(grid.clicks[0].flags, unsigned(QL_MK_RBUTTON | QL_MK_SHIFT));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ControlModifier, QPoint(5, 5));
    QCOMPARE(grid.clicks[1].cell, nullptr);
    QCOMPARE(grid.clicks[1].flags, unsigned(QL_MK_LBUTTON | QL_MK_CONTROL));
    QTest::mouseClick(grid.viewport(), Qt::MiddleButton, Qt::NoModifier, QPoint(50, 60));
    QCOMPARE(grid.clicks[2].flags, unsigned(QL_MK_MBUTTON));
    QCOMPARE(DynGridView::MouseFlags(Qt::LeftButton | Qt::RightButton, Qt::NoModifier),
             unsigned(QL_MK_LBUTTON | QL_MK_RBUTTON));
}

void TestDynGridView::painting()
{
    auto blue = MakeItem(QColor(0, 0, 255));
    ProbeGrid grid;
    grid.resize(700, 400);
    grid.SetBackgroundBrush(QColor(10, 200, 10));
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.SetMargins(GridRect(40, 40, 40, 40));
    grid.SetSpacing(5, 5);
    grid.SetPadding(GridRect(8, 8, 8, 8));
    grid.SetCellSize(128, 128);
    grid.OnSize(0, grid.viewport()->width(), grid.viewport()->height());
    grid.EnableSelectionTracking(true);
    for (int i = 0; i < 8; ++i)
        grid.AddCell(blue.get());
    grid.OnMouseMove(0, QPoint(200, 50)); // hover cell 1
    const QImage shot = grid.viewport()->grab().toImage();

    const GridRect zero = grid.GetCell(0)->GetRect();
    const GridRect one = grid.GetCell(1)->GetRect();
    QCOMPARE(QColor(shot.pixel(zero.left, zero.top)), QColor(Qt::black));
    QCOMPARE(QColor(shot.pixel(zero.right - 1, zero.bottom - 1)), QColor(Qt::black));
    QCOMPARE(QColor(shot.pixel(zero.right, zero.top + 10)), QColor(10, 200, 10));   // gap
    QCOMPARE(QColor(shot.pixel(zero.left + 8, zero.top + 8)), QColor(0, 0, 255));   // item
    QCOMPARE(QColor(shot.pixel(zero.left + 4, zero.top + 4)), QColor(10, 200, 10)); // padding
    QCOMPARE(QColor(shot.pixel(one.left, one.top + 20)), QColor(Qt::red));
    QCOMPARE(QColor(shot.pixel(one.right - 1, one.bottom - 1)), QColor(Qt::red));
    QCOMPARE(grid.GetBackgroundBrush().color(), QColor(10, 200, 10));
}

void TestDynGridView::failingDisplayKeepsFrame()
{
    auto blue = MakeItem(QColor(0, 0, 255));
    VYREngineTable table = VYRDefaultEngine();
    table.PaintBitmap = &FailingPaint;
    ProbeGrid grid;
    grid.resize(700, 400);
    grid.SetBackgroundBrush(QColor(10, 200, 10));
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.SetMargins(GridRect(40, 40, 40, 40));
    grid.SetPadding(GridRect(8, 8, 8, 8));
    grid.SetCellSize(128, 128);
    grid.OnSize(0, grid.viewport()->width(), grid.viewport()->height());
    grid.AddCell(blue.get());
    grid.AddCell(blue.get());
    VYRSetEngine(&table);
    const QImage shot = grid.viewport()->grab().toImage();
    VYRSetEngine(nullptr);
    const GridRect one = grid.GetCell(1)->GetRect();
    QCOMPARE(QColor(shot.pixel(one.left, one.top)), QColor(Qt::black));
    QCOMPARE(QColor(shot.pixel(one.left + 30, one.top + 30)), QColor(10, 200, 10));
}

QTEST_MAIN(TestDynGridView)
#include "tst_dyngridview.moc"
