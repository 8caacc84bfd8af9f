// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The thumbnail view on real files: settings, clicks and row handles that queue rotations,
// and the commands that start, defer and stop scans.
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

#include "browsertest.h"
#include "slctfldr.h"
#include "testjpeg.h"

class TestVYRThumbVw : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_storeDir;
    QTemporaryDir m_photos;
    QString m_three;    // a.jpg, b.jpg, c.jpg
    QString m_thirteen; // p00.jpg .. p12.jpg
    QString m_other;    // x.jpg, y.jpg

    static QString QueueLine(const QString &in_name, int in_angle)
    {
        return QString::asprintf(VYRText::kLogQueueing, qUtf8Printable(in_name), in_angle);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_storeDir.isValid() && m_photos.isValid());
        m_three = m_photos.filePath("three");
        m_thirteen = m_photos.filePath("thirteen");
        m_other = m_photos.filePath("other");
        QVERIFY(QDir().mkpath(m_three) && QDir().mkpath(m_thirteen) && QDir().mkpath(m_other));
        TestJpeg::Options options;
        for (const char *name : {"a.jpg", "b.jpg", "c.jpg"}) {
            ++options.seed;
            QVERIFY(!TestJpeg::Write(m_three, name, options).isEmpty());
        }
        for (int i = 0; i < 13; ++i)
            QVERIFY(!TestJpeg::Write(m_thirteen, QString::asprintf("p%02d.jpg", i)).isEmpty());
        for (const char *name : {"x.jpg", "y.jpg"})
            QVERIFY(!TestJpeg::Write(m_other, name).isEmpty());
    }

    void init()
    {
        QVERIFY(IsolateStore(m_storeDir.path()));
        // These cases measure the grid's own geometry, cells as tall as their pictures; the
        // name line under them has its cases in tst_vyrthumbselect.
        QSettings(QStringLiteral("Quillmere"), QStringLiteral("Veyra"))
            .setValue(QStringLiteral("Veyra/ShowFileName"), 0);
    }

    void initialUpdateAppliesSettings()
    {
        Scene s;
        QCOMPARE(g_hThumbWnd.data(), &s.view);
        QCOMPARE(s.frame.m_pSize->currentIndex(), 1);
        QCOMPARE(s.frame.m_pInplace->isChecked(), s.document.GetConfig().Inplace != 0);
        QCOMPARE(s.view.GetLayout().GetCellSize(), QSize(144, 144));
        QCOMPARE(s.view.GetLayout().GetMargins(), GridRect(40, 40, 40, 40));
        QVERIFY(s.view.IsSelectionTrackingEnabled());
        QCOMPARE(s.view.GetBackgroundBrush().color(),
                 QApplication::palette().color(QPalette::Active, QPalette::Button));

        // Setting the controls from the settings sends no command back.
        QSignalSpy sizeChanged(s.frame.m_pSize, &QComboBox::currentIndexChanged);
        QSignalSpy subdirsToggled(s.frame.m_pSubdirs, &QCheckBox::toggled);
        s.document.GetConfig().ThumbSize = 2;
        s.document.GetConfig().IncludeSubDirs = 1;
        s.view.OnInitialUpdate();
        QCOMPARE(s.frame.m_pSize->currentIndex(), 2);
        QVERIFY(s.frame.m_pSubdirs->isChecked());
        QCOMPARE(sizeChanged.count(), 0);
        QCOMPARE(subdirsToggled.count(), 0);
        QCOMPARE(s.view.GetLayout().GetCellSize(), QSize(272, 272));
    }

    void angleFromButtons_data()
    {
        QTest::addColumn<unsigned>("flags");
        QTest::addColumn<int>("angle");
        QTest::newRow("none") << 0u << 0;
        QTest::newRow("left") << unsigned(QL_MK_LBUTTON) << -90;
        QTest::newRow("right") << unsigned(QL_MK_RBUTTON) << 90;
        QTest::newRow("middle") << unsigned(QL_MK_MBUTTON) << 180;
        QTest::newRow("left+right") << unsigned(QL_MK_LBUTTON | QL_MK_RBUTTON) << 180;
        QTest::newRow("left+middle") << unsigned(QL_MK_LBUTTON | QL_MK_MBUTTON) << 180;
        QTest::newRow("right+middle") << unsigned(QL_MK_RBUTTON | QL_MK_MBUTTON) << 180;
        QTest::newRow("left+shift") << unsigned(QL_MK_LBUTTON | QL_MK_SHIFT) << -90;
        QTest::newRow("right+control") << unsigned(QL_MK_RBUTTON | QL_MK_CONTROL) << 90;
        QTest::newRow("shift+control") << unsigned(QL_MK_SHIFT | QL_MK_CONTROL) << 0;
    }

    void angleFromButtons()
    {
        QFETCH(unsigned, flags);
        QFETCH(int, angle);
        QCOMPARE(VYRThumbVw::AngleFromButtons(flags), angle);
    }

    void clicksQueueRotations()
    {
        Scene s;
        s.view.LoadFolder(m_three);
        QCOMPARE(s.view.GetCellCount(), 3);
        const QImage before = s.Item(0)->GetBitmap().m_image;

        // A real press on the viewport, so the flags come from Qt's buttons.
        QTest::mousePress(s.view.viewport(), Qt::LeftButton, {}, QPoint(60, 60));
        QCOMPARE(s.Item(0)->GetRotation(), -90);
        QCOMPARE(s.LogAfterOpen().last(), QueueLine("a.jpg", -90));
        QCOMPARE(
            TestJpeg::MaxDifference(s.Item(0)->GetBitmap().m_image, TestJpeg::Rotate(before, -90)),
            0);
        QCOMPARE(s.tasks.GetTaskCount(), 1);
        QCOMPARE(s.tasks.GetTaskText(0, VYRTaskVw::COL_ROTATION), QStringLiteral("-90"));

        GridCell *b = s.view.GetCell(1);
        GridCell *c = s.view.GetCell(2);
        s.view.OnCellClick(b, QPoint(), QL_MK_RBUTTON);
        QCOMPARE(s.LogAfterOpen().last(), QueueLine("b.jpg", 90));
        s.view.OnCellClick(c, QPoint(), QL_MK_MBUTTON);
        QCOMPARE(s.LogAfterOpen().last(), QueueLine("c.jpg", 180));
        QCOMPARE(s.tasks.GetTaskCount(), 3);

        // Right again on b: one job of 180. Then left on c: back to 0, the job goes.
        s.view.OnCellClick(b, QPoint(), QL_MK_RBUTTON);
        QCOMPARE(s.LogAfterOpen().last(), QueueLine("b.jpg", 180));
        QCOMPARE(s.tasks.GetTaskCount(), 3);
        QCOMPARE(s.tasks.FindTask(s.Item(1)), 1);
        QCOMPARE(s.tasks.GetTaskText(1, VYRTaskVw::COL_ROTATION), QStringLiteral("180"));
        QCOMPARE(s.document.GetQueue().GetCount(), 3);
        s.view.OnCellClick(c, QPoint(), QL_MK_MBUTTON);
        QVERIFY(s.LogAfterOpen().contains(QueueLine("c.jpg", 0)));
        QCOMPARE(s.Item(2)->GetRotation(), 0);
        QCOMPARE(s.tasks.FindTask(s.Item(2)), -1);
        QCOMPARE(s.tasks.GetTaskCount(), 2);

        // A click on a margin or gap away from every handle queues nothing.
        const int lines = s.document.GetLog().size();
        s.view.OnMouseMove(0, QPoint(186, 60));
        s.view.OnCellClick(nullptr, QPoint(186, 60), QL_MK_LBUTTON);
        QCOMPARE(s.document.GetLog().size(), lines);
    }

    void rowHandles()
    {
        Scene s;
        s.view.LoadFolder(m_thirteen);
        QCOMPARE(s.view.GetGridSize(), QSize(6, 3));
        s.view.OnSize(0, 1000, 600); // rebuilds one pair per row
        QCOMPARE(s.view.GetRowHandleCount(), 3);
        RowHandlePair pair;
        QVERIFY(s.view.GetRowHandles(1, pair));
        QCOMPARE(pair.m_left.m_rect, GridRect(20, 189, 40, 333));
        QCOMPARE(pair.m_right.m_rect, GridRect(929, 189, 949, 333));
        QVERIFY(!pair.m_left.m_bHot && !pair.m_right.m_bHot);

        s.view.OnMouseMove(0, QPoint(30, 200)); // left handle of row 1
        QCOMPARE(s.view.GetHoverRow(), 1);
        QCOMPARE(s.view.GetSelectionCount(), 6);
        QVERIFY(s.view.IsSelected(6) && s.view.IsSelected(11) && !s.view.IsSelected(12));
        s.view.OnMouseMove(0, QPoint(940, 400)); // right handle of the last row
        QCOMPARE(s.view.GetHoverRow(), 2);
        QCOMPARE(s.view.GetSelectionCount(), 1);
        QVERIFY(s.view.IsSelected(12));

        // A click there queues only what the last row holds; row 1 queues six images.
        s.view.OnCellClick(nullptr, QPoint(940, 400), QL_MK_RBUTTON);
        QCOMPARE(s.tasks.GetTaskCount(), 1);
        QCOMPARE(s.LogAfterOpen().last(), QueueLine("p12.jpg", 90));
        s.view.OnMouseMove(0, QPoint(30, 200));
        s.view.OnCellClick(nullptr, QPoint(30, 200), QL_MK_LBUTTON);
        QCOMPARE(s.tasks.GetTaskCount(), 7);
        QCOMPARE(s.LogAfterOpen().size(), 7);
        QCOMPARE(s.LogAfterOpen().at(1), QueueLine("p06.jpg", -90));

        // Onto a cell: the handle is no longer hovered; into a margin: nothing selected.
        s.view.OnMouseMove(0, QPoint(60, 200));
        QCOMPARE(s.view.GetHoverRow(), -1);
        QCOMPARE(s.view.GetSelectionCount(), 1);
        s.view.OnMouseMove(0, QPoint(5, 5));
        QCOMPARE(s.view.GetSelectionCount(), 0);

        // A narrower window re-flows and rebuilds one pair per row.
        s.view.OnSize(0, 500, 600);
        QCOMPARE(s.view.GetRowHandleCount(), 7);
        QCOMPARE(s.view.GetHoverRow(), -1);
    }

    void rowHandleClickAfterWheelScrollTurnsTheRowUnderThePointer()
    {
        // One column: the grid scrolls by whole rows of 149 pixels.
        Scene s;
        s.view.LoadFolder(m_thirteen);
        s.view.OnSize(0, 300, 600);
        s.view.OnMouseMove(0, QPoint(30, 60)); // left handle of row 0
        QCOMPARE(s.view.GetHoverRow(), 0);
        // The content moves under the still pointer, which now rests on row 2's handle.
        s.view.verticalScrollBar()->setValue(2 * 149);
        QCOMPARE(s.view.GetScrollPosition().y(), 2 * 149);
        s.view.OnLButtonDown(QL_MK_LBUTTON, QPoint(30, 60));
        QCOMPARE(s.tasks.GetTaskCount(), 1);
        QCOMPARE(s.LogAfterOpen(), QStringList{QueueLine("p02.jpg", -90)});
        QCOMPARE(s.view.GetHoverRow(), 2);
    }

    void escapeDuringScan_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("stopped");
        QTest::newRow("yes") << int(QL_IDYES) << true;
        QTest::newRow("no") << int(QL_IDNO) << false;
    }

    void escapeDuringScan()
    {
        QFETCH(int, answer);
        QFETCH(bool, stopped);
        Scene s;
        s.answer = answer;
        QTest::keyClick(&s.view, Qt::Key_Escape); // no scan: nothing is asked
        QVERIFY(s.prompts.isEmpty());
        s.hook.m_onFirstItem = [&s] {
            QCOMPARE(s.view.GetScanState(), VYRThumbVw::ScanState::Scanning);
            QTest::keyClick(&s.view, Qt::Key_Escape);
        };
        s.view.LoadFolder(m_thirteen);
        QCOMPARE(s.prompts, QStringList{QString::fromUtf8(VYRText::kStopLoading)});
        if (stopped)
            QCOMPARE(s.view.GetCellCount(), 1); // the next image is not delivered
        else
            QCOMPARE(s.view.GetCellCount(), 13);
        QCOMPARE(s.view.GetScanState(), VYRThumbVw::ScanState::Idle);
    }

    void exitDuringScanIsDeferred()
    {
        Scene s;
        s.hook.m_onFirstItem = [&s] { s.view.OnCmdMsg(ID_FILE_EXIT, QL_CN_COMMAND, nullptr); };
        s.view.LoadFolder(m_thirteen);
        QVERIFY(s.view.GetCellCount() < 13);
        QCOMPARE(s.frame.m_closes, 0);
        QVERIFY(s.view.IsExitPending());
        QTRY_COMPARE(s.frame.m_closes, 1);
        QVERIFY(!s.view.IsExitPending());

        s.view.OnExit(); // no scan: at once
        QCOMPARE(s.frame.m_closes, 2);
    }

    void newFolderDuringScanIsDeferred()
    {
        Scene s;
        s.hook.m_onFirstItem = [&s, this] {
            s.view.LoadFolder(m_other);
            QCOMPARE(s.view.GetScanState(), VYRThumbVw::ScanState::StoppingReload);
        };
        s.view.LoadFolder(m_thirteen);
        QCOMPARE(s.document.GetRootPath(), m_other);
        QVERIFY(s.view.IsReloadPending());
        QTRY_COMPARE(s.view.GetCellCount(), 2);
        QCOMPARE(s.Item(0)->GetFileName(), QStringLiteral("x.jpg"));
        QVERIFY(!s.view.IsReloadPending());
    }

    void exitAfterNewFolderDuringScanIsNotLost()
    {
        // A new folder, then Exit, both before the running scan has stopped: the new folder
        // is scanned and then the window closes.
        Scene s;
        s.hook.m_onFirstItem = [&s, this] {
            s.view.LoadFolder(m_other);
            s.view.OnCmdMsg(ID_FILE_EXIT, QL_CN_COMMAND, nullptr);
            QVERIFY(s.view.IsReloadPending() && s.view.IsExitPending());
        };
        s.view.LoadFolder(m_thirteen);
        QCOMPARE(s.frame.m_closes, 0);
        QTRY_COMPARE(s.frame.m_closes, 1);
        QCOMPARE(s.view.GetCellCount(), 2);
        QVERIFY(!s.view.IsReloadPending() && !s.view.IsExitPending());
    }

    void sizeComboRescans()
    {
        Scene s;
        s.hook.m_onFirstItem = [&s] {
            s.frame.m_pSize->setCurrentIndex(2);
            s.view.OnCmdMsg(IDC_THUMB_SIZE, QL_CBN_SELCHANGE, nullptr);
        };
        s.view.LoadFolder(m_three);
        QCOMPARE(s.view.GetLayout().GetCellSize(), QSize(272, 272));
        QCOMPARE(s.document.GetConfig().ThumbSize, 2);
        QTRY_COMPARE(s.view.GetCellCount(), 3);
        QTRY_COMPARE(s.view.GetScanState(), VYRThumbVw::ScanState::Idle);
        QCOMPARE(s.Item(0)->GetDisplaySize(), QSize(256, 256));
    }

    void folderCommands()
    {
        Scene s;
        // The source "..." button: a cancelled chooser changes nothing; a chosen folder loads.
        QString answer;
        QLBrowseFolderDlg::SetChooser([&answer](QWidget *, const QString &) { return answer; });
        s.view.OnCmdMsg(IDC_SOURCE_BROWSE, QL_CN_COMMAND, nullptr);
        QCOMPARE(s.view.GetCellCount(), 0);
        answer = m_three;
        s.view.OnCmdMsg(IDC_SOURCE_BROWSE, QL_CN_COMMAND, nullptr);
        QLBrowseFolderDlg::SetChooser({});
        QCOMPARE(s.view.GetCellCount(), 3);
        QCOMPARE(s.document.GetRootPath(), m_three);

        // "Include subdirectories" stores the box's state and scans again.
        s.frame.m_pSubdirs->setChecked(true);
        s.view.OnCmdMsg(IDC_INCLUDE_SUBDIRS, QL_CN_COMMAND, nullptr);
        QCOMPARE(s.document.GetConfig().IncludeSubDirs, 1);
        QCOMPARE(s.view.GetCellCount(), 3);

        // Refresh scans again when idle and does nothing during a scan.
        s.view.OnCellClick(s.view.GetCell(0), QPoint(), QL_MK_RBUTTON);
        const int opened = s.document.GetLog().filter(QLatin1String("Opening folder")).size();
        s.hook.m_onFirstItem = [&s] { s.view.OnCmdMsg(ID_VIEW_REFRESH, QL_CN_COMMAND, nullptr); };
        s.view.OnCmdMsg(ID_VIEW_REFRESH, QL_CN_COMMAND, nullptr);
        QCOMPARE(s.document.GetLog().filter(QLatin1String("Opening folder")).size(), opened + 1);
        QVERIFY(!s.view.IsReloadPending());
        QCOMPARE(s.view.GetCellCount(), 3);
        QCOMPARE(s.Item(0)->GetRotation(), 90); // the pending item is listed again
        QVERIFY(!s.view.OnCmdMsg(ID_VIEW_REFRESH, QL_CN_UPDATE_COMMAND_UI, nullptr));
    }

    // The grid from the keyboard: focus by Tab starts at the first photo in sight, the keys
    // move a frame that the view scrolls to, Ctrl+R / Ctrl+L queue turns as clicks do.
    void keyboardMovesFocusAndTurns()
    {
        Scene s;
        s.view.resize(1000, 420);
        s.view.show();
        s.view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&s.view));
        s.view.LoadFolder(m_thirteen);
        QCOMPARE(s.view.GetGridSize(), QSize(6, 3));
        s.view.clearFocus();
        s.view.setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(s.view.hasFocus());
        QCOMPARE(s.view.GetFocusIndex(), 0);

        const auto visible = [&](int in_index) {
            const GridRect rect = s.view.GridToClient(s.view.GetCell(in_index)->GetRect());
            return rect.top >= 0 && rect.bottom <= s.view.viewport()->height();
        };
        const struct
        {
            Qt::Key key;
            int index;
        } moves[] = {
            {Qt::Key_Right, 1}, {Qt::Key_Down, 7},      {Qt::Key_Right, 8},  {Qt::Key_Down, 12},
            {Qt::Key_Up, 6},    {Qt::Key_Left, 5},      {Qt::Key_Home, 0},   {Qt::Key_End, 12},
            {Qt::Key_Home, 0},  {Qt::Key_PageDown, 12}, {Qt::Key_PageUp, 0},
        };
        for (const auto &move : moves) {
            QTest::keyClick(&s.view, move.key);
            QCOMPARE(s.view.GetFocusIndex(), move.index);
            QVERIFY2(visible(move.index), qPrintable(QString::number(move.index)));
        }
        QTest::keyClick(&s.view, Qt::Key_End);
        QVERIFY(s.view.verticalScrollBar()->value() > 0);

        // Two presses make a half turn, as two clicks do.
        QTest::keyClick(&s.view, Qt::Key_R, Qt::ControlModifier);
        QTest::keyClick(&s.view, Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(s.LogAfterOpen().mid(0, 2),
                 QStringList({QueueLine("p12.jpg", 90), QueueLine("p12.jpg", 180)}));
        QTest::keyClick(&s.view, Qt::Key_Home);
        QTest::keyClick(&s.view, Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(s.LogAfterOpen().last(), QueueLine("p00.jpg", -90));
        QCOMPARE(s.tasks.GetTaskCount(), 2);
        QCOMPARE(s.tasks.GetTaskText(0, VYRTaskVw::COL_ROTATION), QStringLiteral("180"));

        // A click picks the photo the keys act on; one on the empty margin queues nothing.
        const int lines = s.document.GetLog().size();
        QTest::mouseClick(s.view.viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(s.document.GetLog().size(), lines);
        QCOMPARE(s.view.GetFocusIndex(), 0);
        const GridRect third = s.view.GridToClient(s.view.GetCell(2)->GetRect());
        QTest::mouseClick(s.view.viewport(), Qt::RightButton, {},
                          QPoint(third.left + 10, third.top + 10));
        QCOMPARE(s.view.GetFocusIndex(), 2);
        QCOMPARE(s.LogAfterOpen().last(), QueueLine("p02.jpg", 90));

        // The frame shows after a click too, not only after Tab: the keys never act on a photo
        // the user cannot see framed. Its left edge lies in the cell's padding, where an
        // unframed cell shows only the background.
        QTest::keyClick(&s.view, Qt::Key_Right);
        QCOMPARE(s.view.GetFocusIndex(), 3);
        const QImage shot = s.view.viewport()->grab().toImage();
        const auto paddingColumn = [&](int in_index) {
            const GridRect rect = s.view.GridToClient(s.view.GetCell(in_index)->GetRect());
            QList<QRgb> column;
            for (int y = rect.top + 8; y < rect.bottom - 8; ++y)
                column << shot.pixel(rect.left + 2, y);
            return column;
        };
        QVERIFY(paddingColumn(3) != paddingColumn(4));
    }

    void wheelScrollsOneLine()
    {
        // One column makes the grid tall enough to scroll without showing the window.
        Scene s;
        s.view.LoadFolder(m_thirteen);
        s.view.OnSize(0, 300, 600);
        const int line = s.view.GetScrollLineSize();
        QVERIFY(line > 0 && s.view.verticalScrollBar()->maximum() > 3 * line);
        for (int delta : {-120, -1200, 120}) {
            const int before = s.view.verticalScrollBar()->value();
            QWheelEvent wheel(QPointF(50, 50), s.view.mapToGlobal(QPointF(50, 50)), QPoint(),
                              QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                              false);
            QCoreApplication::sendEvent(s.view.viewport(), &wheel);
            QTRY_COMPARE(s.view.verticalScrollBar()->value(), before + (delta < 0 ? line : -line));
        }
    }
};

QTEST_MAIN(TestVYRThumbVw)
#include "tst_vyrthumbvw.moc"
