// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The thumbnail view's names, selection, tooltip, preview and empty-folder notice on real
// files: what the user selects is what the turn keys queue, and the preview shows each photo
// as the job will write it, checked against the file the engine then writes.
#include <QDir>
#include <QRubberBand>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "browsertest.h"
#include "testjpeg.h"
#include "vyrphotofacts.h"
#include "vyrpreview.h"

namespace {
QString QueueLine(const QString &in_name, int in_angle)
{
    return QString::asprintf(VYRText::kLogQueueing, qUtf8Printable(in_name), in_angle);
}

// Four flat quadrants (red, green, blue, white), so that any turn or mirror shows.
QImage Quadrants(int in_width, int in_height)
{
    QImage picture(in_width, in_height, QImage::Format_RGB32);
    const QRgb colours[4] = {qRgb(220, 30, 30), qRgb(30, 200, 30), qRgb(30, 30, 220),
                             qRgb(240, 240, 240)};
    for (int y = 0; y < in_height; ++y) {
        for (int x = 0; x < in_width; ++x)
            picture.setPixel(x, y, colours[(y * 2 / in_height) * 2 + x * 2 / in_width]);
    }
    return picture;
}

// The colours at the four quadrants' centres agree within JPEG's error.
bool SameQuadrants(const QImage &in_a, const QImage &in_b)
{
    if (in_a.size() != in_b.size())
        return false;
    for (int q = 0; q < 4; ++q) {
        const int x = in_a.width() * (1 + 2 * (q % 2)) / 4;
        const int y = in_a.height() * (1 + 2 * (q / 2)) / 4;
        const QColor a = in_a.pixelColor(x, y), b = in_b.pixelColor(x, y);
        if (qAbs(a.red() - b.red()) > 40 || qAbs(a.green() - b.green()) > 40 ||
            qAbs(a.blue() - b.blue()) > 40)
            return false;
    }
    return true;
}
} // namespace

class TestVYRThumbSelect : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_storeDir;
    QTemporaryDir m_photos;
    QString m_thirteen; // p00.jpg .. p12.jpg
    QString m_empty;

    // A shown view on the thirteen photos: 6 columns, 3 rows at 1000 pixels.
    void ShowThirteen(Scene &inout_s)
    {
        inout_s.view.resize(1000, 600);
        inout_s.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&inout_s.view));
        inout_s.view.LoadFolder(m_thirteen);
        QCOMPARE(inout_s.view.GetCellCount(), 13);
        inout_s.view.setFocus(Qt::TabFocusReason);
    }
    QPoint CellPoint(Scene &in_s, int in_index)
    {
        const GridRect rect = in_s.view.GridToClient(in_s.view.GetCell(in_index)->GetRect());
        return QPoint(rect.left + 10, rect.top + 10);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_storeDir.isValid() && m_photos.isValid());
        m_thirteen = m_photos.filePath(QStringLiteral("thirteen"));
        m_empty = m_photos.filePath(QStringLiteral("empty"));
        QVERIFY(QDir().mkpath(m_thirteen) && QDir().mkpath(m_empty));
        for (int i = 0; i < 13; ++i)
            QVERIFY(!TestJpeg::Write(m_thirteen, QString::asprintf("p%02d.jpg", i)).isEmpty());
    }

    void init() { QVERIFY(IsolateStore(m_storeDir.path())); }

    // Names are on by default: one text line taller cells, cut in the middle, and the choice
    // is kept in the settings.
    void namesFollowTheSetting()
    {
        Scene s;
        QVERIFY(s.view.IsShowingFileNames());
        const int line = s.view.GetLabelHeight();
        QVERIFY(line > 0);
        QCOMPARE(s.view.GetLayout().GetCellSize(), QSize(144, 144 + line));
        s.view.LoadFolder(m_thirteen);
        const int rowsBefore = s.view.GetRowHandleCount();

        s.view.SetShowFileNames(false);
        QCOMPARE(s.view.GetLayout().GetCellSize(), QSize(144, 144));
        QCOMPARE(s.document.GetConfig().ShowFileName, 0);
        QCOMPARE(s.view.GetRowHandleCount(), rowsBefore);
        QCOMPARE(s.view.GetRowRect(1).top, 40 + 144 + s.view.GetLayout().GetSpacing().height());
        s.view.SetShowFileNames(true);
        QCOMPARE(s.document.GetConfig().ShowFileName, 1);

        // Cut in the middle, keeping both ends, once the name does not fit.
        auto *cell = dynamic_cast<VYRThumbCell *>(s.view.GetCell(0));
        QVERIFY(cell);
        QCOMPARE(cell->ShownName(144), QStringLiteral("p00.jpg"));
        const QString cut = cell->ShownName(QFontMetrics(s.view.font()).horizontalAdvance("p00.j"));
        QVERIFY2(cut.startsWith('p') && cut.endsWith('g') && cut.contains(QChar(0x2026)),
                 qPrintable(cut));
    }

    // Ctrl+click, Shift+arrows and Ctrl+A select without turning anything; Ctrl+R, Ctrl+L and
    // Ctrl+U then queue exactly the selected photos, each once, and the count is announced.
    void selectionThenTurnKeysQueueExactlyTheSelected()
    {
        Scene s;
        ShowThirteen(s);
        QSignalSpy counted(&s.view, &VYRThumbVw::MarkedCountChanged);
        QTest::mouseClick(s.view.viewport(), Qt::LeftButton, Qt::ControlModifier, CellPoint(s, 1));
        QTest::mouseClick(s.view.viewport(), Qt::LeftButton, Qt::ControlModifier, CellPoint(s, 1));
        QTest::mouseClick(s.view.viewport(), Qt::LeftButton, Qt::ControlModifier, CellPoint(s, 4));
        QCOMPARE(s.view.GetMarkedIndices(), std::vector<int>({4}));
        QCOMPARE(s.LogAfterOpen(), QStringList());
        // From the last photo Ctrl+clicked (4), two to the right.
        QTest::keyClick(&s.view, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(&s.view, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(s.view.GetMarkedIndices(), std::vector<int>({4, 5, 6}));
        QCOMPARE(counted.last().at(0).toInt(), 3);

        QTest::keyClick(&s.view, Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(s.LogAfterOpen(), QStringList({QueueLine("p04.jpg", 90), QueueLine("p05.jpg", 90),
                                                QueueLine("p06.jpg", 90)}));
        for (int i = 0; i < 13; ++i)
            QCOMPARE(s.Item(i)->GetRotation(), (i >= 4 && i <= 6) ? 90 : 0);
        QCOMPARE(s.tasks.GetTaskCount(), 3);

        QTest::keyClick(&s.view, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(s.view.GetMarkedCount(), 13);
        QTest::keyClick(&s.view, Qt::Key_U, Qt::ControlModifier);
        QTest::keyClick(&s.view, Qt::Key_L, Qt::ControlModifier);
        for (int i = 0; i < 13; ++i)
            QCOMPARE(s.Item(i)->GetRotation(), (i >= 4 && i <= 6) ? 180 : 90);

        // Escape outside a scan drops the selection; a plain click still turns one photo.
        QTest::keyClick(&s.view, Qt::Key_Escape);
        QCOMPARE(s.view.GetMarkedCount(), 0);
        QCOMPARE(counted.last().at(0).toInt(), 0);
        QTest::mouseClick(s.view.viewport(), Qt::RightButton, {}, CellPoint(s, 0));
        QCOMPARE(s.Item(0)->GetRotation(), 180);
        QCOMPARE(s.view.GetMarkedCount(), 0);
        // Without a selection the keys act on the focused photo.
        QTest::keyClick(&s.view, Qt::Key_U, Qt::ControlModifier);
        QCOMPARE(s.Item(0)->GetRotation(), 0);
    }

    // A band starts on the space between cells only: a press on a photo turns it, one on a
    // row handle turns the row, and neither draws a band.
    void bandStartsOnTheEmptySpaceOnly()
    {
        Scene s;
        ShowThirteen(s);
        const GridRect first = s.view.GridToClient(s.view.GetCell(0)->GetRect());
        const GridRect eighth = s.view.GridToClient(s.view.GetCell(7)->GetRect());
        const QPoint gap(first.right + 2, first.top - 5); // in the top margin, between cells
        QTest::mousePress(s.view.viewport(), Qt::LeftButton, {}, gap);
        QMouseEvent drag(QEvent::MouseMove, QPointF(eighth.left + 5, eighth.top + 5),
                         s.view.viewport()->mapToGlobal(QPointF(eighth.left + 5, eighth.top + 5)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(s.view.viewport(), &drag);
        QTest::mouseRelease(s.view.viewport(), Qt::LeftButton, {},
                            QPoint(eighth.left + 5, eighth.top + 5));
        QCOMPARE(s.view.GetMarkedIndices(), std::vector<int>({1, 7}));
        QCOMPARE(s.LogAfterOpen(), QStringList());

        QTest::mouseClick(s.view.viewport(), Qt::LeftButton, {}, CellPoint(s, 2));
        QCOMPARE(s.LogAfterOpen(), QStringList({QueueLine("p02.jpg", -90)}));
        QCOMPARE(s.view.GetMarkedCount(), 2);
        QVERIFY(!s.view.viewport()->findChild<QRubberBand *>() ||
                !s.view.viewport()->findChild<QRubberBand *>()->isVisible());
        // A plain press on the empty space clears the selection.
        QTest::mouseClick(s.view.viewport(), Qt::LeftButton, {}, gap);
        QCOMPARE(s.view.GetMarkedCount(), 0);
    }

    // The preview shows the photo as the job will write it: the picture the engine then
    // writes for the item's transform, read back by Qt's own reader, has the same pixels.
    void previewShowsThePhotoAsItWillBeWritten_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("angle");
        QTest::newRow("upright, right") << 1 << 90;
        QTest::newRow("upright, half") << 1 << 180;
        QTest::newRow("tagged 6, left") << 6 << -90;
        QTest::newRow("mirrored 2, right") << 2 << 90;
        QTest::newRow("mirrored 5, half") << 5 << 180;
    }
    void previewShowsThePhotoAsItWillBeWritten()
    {
        QFETCH(int, orientation);
        QFETCH(int, angle);
        QTemporaryDir folder, out;
        TestJpeg::Options options;
        options.width = 96;
        options.height = 64;
        options.sampling = TestJpeg::Sampling::S444;
        options.content = Quadrants(96, 64);
        options.exif = TestJpeg::Exif::Intel;
        options.orientation = orientation;
        QVERIFY(!TestJpeg::Write(folder.path(), QStringLiteral("q.jpg"), options).isEmpty());
        Scene s;
        s.view.LoadFolder(folder.path());
        QCOMPARE(s.view.GetCellCount(), 1);
        s.view.QueueIndex(0, angle);

        QVERIFY(s.view.OpenPreview(0));
        VYRPreview *preview = s.view.GetPreview();
        QVERIFY(preview);
        QSignalSpy ready(preview, &VYRPreview::PictureReady);
        QVERIFY(ready.wait(10000) || !preview->GetShownImage().isNull());
        QVERIFY2(preview->GetError().isEmpty(), qPrintable(preview->GetError()));

        const QString written = out.filePath(QStringLiteral("q.jpg"));
        QLRotateFile(s.Item(0)->GetPathName(), written, s.Item(0)->GetTransform().Code());
        const QImage fromFile = QImage(written).convertToFormat(QImage::Format_RGB32);
        QVERIFY(!fromFile.isNull());
        QVERIFY(SameQuadrants(preview->GetShownImage(), fromFile));

        // A turn from the preview's own keys shows at once, and Escape closes it.
        QTest::keyClick(preview, Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(s.Item(0)->GetRotation(), VYRImage::CombineRotation(angle, -90));
        QCOMPARE(preview->GetShownImage().size(), fromFile.size().transposed());
        QTest::keyClick(preview, Qt::Key_Escape);
        QVERIFY(!preview->isVisible());
    }

    // The preview's arrows walk the grid; a double-click opens it and takes back the turn its
    // first press queued.
    void previewWalksAndDoubleClickTakesBackItsTurn()
    {
        Scene s;
        ShowThirteen(s);
        // As a window system delivers it: press, release, press, double-click, release.
        const QPoint at = CellPoint(s, 3);
        QTest::mouseClick(s.view.viewport(), Qt::LeftButton, {}, at);
        QTest::mousePress(s.view.viewport(), Qt::LeftButton, {}, at);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, at, s.view.viewport()->mapToGlobal(at),
                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(s.view.viewport(), &dbl);
        QTest::mouseRelease(s.view.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(s.Item(3)->GetRotation(), 0);
        QCOMPARE(s.LogAfterOpen().mid(0, 3),
                 QStringList({QueueLine("p03.jpg", -90), QueueLine("p03.jpg", 180),
                              QueueLine("p03.jpg", 0)}));
        VYRPreview *preview = s.view.GetPreview();
        QVERIFY(preview && preview->isVisible());
        QCOMPARE(preview->GetIndex(), 3);
        QTest::keyClick(preview, Qt::Key_Right);
        QCOMPARE(preview->GetIndex(), 4);
        QCOMPARE(s.view.GetFocusIndex(), 4);
        QTest::keyClick(preview, Qt::Key_End);
        QTest::keyClick(preview, Qt::Key_Right); // stays on the last
        QCOMPARE(preview->GetIndex(), 12);
        QTest::keyClick(preview, Qt::Key_Home);
        QTest::keyClick(preview, Qt::Key_Left);
        QCOMPARE(preview->GetIndex(), 0);
        QTRY_VERIFY(!preview->IsDecoding());
        QTest::keyClick(preview, Qt::Key_Escape);
        // Space opens it on the focused photo; a new scan closes it.
        QTest::keyClick(&s.view, Qt::Key_Space);
        QVERIFY(preview->isVisible());
        s.view.LoadFolder(m_thirteen);
        QVERIFY(!preview->isVisible());
    }

    // The tooltip: name, folder and pending turn at once; the file's details once the worker
    // has read them. The reader copes with what is no photo.
    void tooltipTellsTheDetails()
    {
        QTemporaryDir folder;
        TestJpeg::Options options;
        options.exif = TestJpeg::Exif::Motorola;
        options.orientation = 6;
        options.exifIfd = true;
        const QString path = TestJpeg::Write(folder.path(), QStringLiteral("t.jpg"), options);
        QVERIFY(!path.isEmpty());
        const VYRPhotoFacts direct = VYRReadPhotoFacts(path);
        QCOMPARE(direct.m_width, 64);
        QCOMPARE(direct.m_orientation, 6u);
        Scene s;
        s.view.LoadFolder(folder.path());
        s.view.QueueIndex(0, 90);
        const QString first = s.view.TipText(0);
        QVERIFY(first.startsWith(QStringLiteral("t.jpg\n")));
        QVERIFY(first.contains(QDir::cleanPath(folder.path())));
        QVERIFY(first.contains(QStringLiteral("Pending turn: 90\u00b0 clockwise")));
        QTRY_VERIFY2(s.view.TipText(0).contains(QStringLiteral("Size: 64 x 48 pixels")),
                     qPrintable(s.view.TipText(0)));
        QVERIFY(s.view.TipText(0).contains(
            QStringLiteral("Orientation: 6, on its side (turn 90\u00b0 clockwise)")));
        QCOMPARE(s.view.TipText(5), QString());

        const VYRPhotoFacts none = VYRReadPhotoFacts(folder.filePath(QStringLiteral("missing")));
        QVERIFY(!none.m_bRead);
        QFile junk(folder.filePath(QStringLiteral("junk.jpg")));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("\xFF\xD8\xFF\xE1\x00") > 0);
        junk.close();
        const VYRPhotoFacts broken = VYRReadPhotoFacts(junk.fileName());
        QVERIFY(broken.m_bRead && broken.m_width == 0 && broken.m_orientation == 0);
        QVERIFY(!VYRReadPhotoFacts(folder.path()).m_bRead); // a folder is not read
    }

    // An empty folder says so, naming the filter; a missing one is left to the status bar.
    void emptyFolderShowsANotice()
    {
        Scene s;
        s.view.LoadFolder(m_empty);
        QVERIFY(s.view.IsShowingEmptyNotice());
        s.view.LoadFolder(m_thirteen);
        QVERIFY(!s.view.IsShowingEmptyNotice());
        s.view.LoadFolder(m_photos.filePath(QStringLiteral("no-such-folder")));
        QVERIFY(!s.view.IsShowingEmptyNotice());
    }
};

QTEST_MAIN(TestVYRThumbSelect)
#include "tst_vyrthumbselect.moc"
