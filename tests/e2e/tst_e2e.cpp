// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// End-to-end: the application object starts the real window with its views and worker on
// folders of real JPEG files; the tests click, press keys and close the window, then look at
// the files, the event log and the title.
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include "document.h"
#include "mainwnd.h"
#include "qlprompt.h"
#include "qlwnd.h"
#include "resource.h"
#include "slctfldr.h"
#include "testjpeg.h"
#include "vyrapp.h"
#include "vyrengine.h"
#include "vyrtaskvw.h"
#include "vyrthumbvw.h"
#include "writegate.h"

namespace {

// Calls a function for every item the document lists (to act in the middle of a scan).
class ItemWatcher : public QLView
{
public:
    std::function<void(int in_count)> m_onAdded;
    int m_count = 0;

    void OnUpdate(QLView *, long in_hint, void *) override
    {
        if (in_hint == HINT_ITEM_ADDED && m_onAdded)
            m_onAdded(++m_count);
    }
};

// How a camera stores an upright picture that needs in_orientation to be shown upright.
QImage StoredFor(const QImage &in_upright, int in_orientation)
{
    switch (in_orientation) {
    case 3:
        return TestJpeg::Rotate(in_upright, 180);
    case 6:
        return TestJpeg::Rotate(in_upright, -90);
    case 8:
        return TestJpeg::Rotate(in_upright, 90);
    default:
        return in_upright;
    }
}

QString WriteJpeg(const QString &in_dir, const QString &in_name, const QImage &in_content,
                  TestJpeg::Exif in_exif = TestJpeg::Exif::Intel, int in_orientation = 1)
{
    TestJpeg::Options options;
    options.width = in_content.width();
    options.height = in_content.height();
    options.content = in_content;
    options.quality = 95;
    options.exif = in_exif;
    options.orientation = in_orientation;
    return TestJpeg::Write(in_dir, in_name, options);
}

int CountLines(const QStringList &in_log, const QString &in_prefix)
{
    int count = 0;
    for (const QString &line : in_log)
        count += line.startsWith(in_prefix) ? 1 : 0;
    return count;
}

// Lossless turns of an MCU-aligned picture decode to the turned pixels within rounding.
constexpr int kPixelTolerance = 6;

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startWithFolderScansAfterShowing();
    void startWithoutFolderOpensChooserOnce();
    void startWithFolderShowsStoredOutputFolder();
    void rightClickRotatesFileOnDisk();
    void failedJobShowsThumbnailTurnedBack();
    void autoRotateMakesMixedFolderUpright();
    void f5ReloadsWithTaskListFocused();
    void closeBoxWithPendingAsksAndNoKeepsWindow();
    void closeBoxDuringScanClosesAfterScanStopped();
    void ctrlQWithPendingAsksFirst();
    void progressBarWhileJobsRun();

private:
    VYRApp *App() const { return static_cast<VYRApp *>(QCoreApplication::instance()); }
    QPoint CellCentre(int in_index) const;
    QImage ShownThumbnail(int in_index) const;
    QImage PaintedThumbnail(int in_index) const;

    QStringList m_prompts;
    int m_promptAnswer = QL_IDOK;
    QStringList m_chooserStarts;
};

void TestEndToEnd::init()
{
    m_prompts.clear();
    m_promptAnswer = QL_IDOK;
    m_chooserStarts.clear();
    QSettings().clear();
    QLSetPromptHandler([this](const QString &in_text, unsigned) {
        m_prompts << in_text;
        return m_promptAnswer;
    });
    QLBrowseFolderDlg::SetChooser([this](QWidget *, const QString &in_start) {
        m_chooserStarts << in_start;
        return QString();
    });
}

void TestEndToEnd::cleanup()
{
    App()->ExitInstance();
    QLSetPromptHandler(nullptr);
    QLBrowseFolderDlg::SetChooser(nullptr);
}

QPoint TestEndToEnd::CellCentre(int in_index) const
{
    VYRThumbVw *view = App()->GetMainWnd()->GetThumbView();
    const GridRect rect = view->GetCell(in_index)->GetRect();
    return view->GridToClient(QPoint((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2));
}

// The thumbnail as the window last drew it (its backing store), not a fresh paint.
QImage TestEndToEnd::ShownThumbnail(int in_index) const
{
    MainWnd *frame = App()->GetMainWnd();
    VYRThumbVw *view = frame->GetThumbView();
    const GridRect inner = view->GridToClient(view->GetCell(in_index)->GetInnerRect());
    const QPoint origin = view->viewport()->mapTo(frame, QPoint(inner.left, inner.top));
    return frame->screen()
        ->grabWindow(frame->winId(), origin.x(), origin.y(), inner.Width(), inner.Height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// The thumbnail as a paint would draw it now.
QImage TestEndToEnd::PaintedThumbnail(int in_index) const
{
    VYRThumbVw *view = App()->GetMainWnd()->GetThumbView();
    const GridRect inner = view->GridToClient(view->GetCell(in_index)->GetInnerRect());
    return view->viewport()
        ->grab(QRect(inner.left, inner.top, inner.Width(), inner.Height()))
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

void TestEndToEnd::startWithFolderScansAfterShowing()
{
    QTemporaryDir dir;
    for (int i = 0; i < 5; ++i)
        WriteJpeg(dir.path(), QStringLiteral("IMG_%1.jpg").arg(i),
                  TestJpeg::MakeContent(64, 48, i + 1));

    QVERIFY(App()->InitInstance({dir.path()}));
    MainWnd *frame = App()->GetMainWnd();
    Document *doc = App()->GetDocument();
    QVERIFY(frame->isVisible());
    QVERIFY(frame->windowState() & Qt::WindowMaximized);
    // Nothing is scanned before the window is up: the thumbnails arrive afterwards.
    QCOMPARE(doc->GetImages().GetCount(), 0);

    QTRY_COMPARE(frame->GetThumbView()->GetCellCount(), 5);
    QVERIFY(!doc->IsLoading());
    QCOMPARE(doc->GetLog().value(0), QStringLiteral("Opening folder ") + dir.path());
    QCOMPARE(QLFindControl(frame, IDC_SOURCE_PATH)->property("text").toString(), dir.path());
    QCOMPARE(frame->windowTitle(), QFileInfo(dir.path()).fileName() + QStringLiteral(" - Veyra"));
    QVERIFY(m_chooserStarts.isEmpty());
}

void TestEndToEnd::startWithoutFolderOpensChooserOnce()
{
    QTemporaryDir stored;
    {
        QSettings settings;
        settings.setValue(QStringLiteral("Vyera/RootPath"), stored.path());
    }
    QVERIFY(App()->InitInstance({}));
    MainWnd *frame = App()->GetMainWnd();
    QCOMPARE(frame->windowTitle(), QStringLiteral("0 items pending - Veyra"));
    QCOMPARE(QLFindControl(frame, IDC_SOURCE_PATH)->property("text").toString(), stored.path());
    QVERIFY(m_chooserStarts.isEmpty());

    QTRY_COMPARE(m_chooserStarts.size(), 1);
    QCOMPARE(m_chooserStarts.first(), stored.path());
    QCoreApplication::processEvents();
    QCOMPARE(m_chooserStarts.size(), 1);
    QCOMPARE(App()->GetDocument()->GetImages().GetCount(), 0);
}

void TestEndToEnd::startWithFolderShowsStoredOutputFolder()
{
    // With In-place off the jobs go to the stored output folder: the bar must name it from
    // the start, not only once the user picks one.
    QTemporaryDir source;
    QTemporaryDir output;
    {
        QSettings settings(QStringLiteral("Quillmere"), QStringLiteral("Veyra"));
        settings.setValue(QStringLiteral("Veyra/Inplace"), 0);
        settings.setValue(QStringLiteral("Veyra/DestPath"), output.path());
    }
    WriteJpeg(source.path(), QStringLiteral("a.jpg"), TestJpeg::MakeContent(32, 32, 1));
    QVERIFY(App()->InitInstance({source.path()}));
    MainWnd *frame = App()->GetMainWnd();
    QTRY_COMPARE(frame->GetThumbView()->GetCellCount(), 1);
    QCOMPARE(QLFindControl(frame, IDC_DEST_PATH)->property("text").toString(), output.path());
    QCOMPARE(QLFindControl(frame, IDC_SOURCE_PATH)->property("text").toString(), source.path());
}

void TestEndToEnd::rightClickRotatesFileOnDisk()
{
    QTemporaryDir dir;
    const QImage original = TestJpeg::MakeContent(64, 48, 7);
    const QString path =
        WriteJpeg(dir.path(), QStringLiteral("a.jpg"), original, TestJpeg::Exif::Motorola, 1);
    const QImage decodedBefore = TestJpeg::Decode(path);
    QVERIFY(App()->InitInstance({dir.path()}));
    MainWnd *frame = App()->GetMainWnd();
    Document *doc = App()->GetDocument();
    QTRY_COMPARE(frame->GetThumbView()->GetCellCount(), 1);
    QSignalSpy titles(frame, &QWidget::windowTitleChanged);

    QTest::mouseClick(frame->GetThumbView()->viewport(), Qt::RightButton, {}, CellCentre(0));

    QTRY_VERIFY(doc->GetLog().contains(QStringLiteral("Successfully rotated 'a.jpg'")));
    QVERIFY(
        doc->GetLog().contains(QStringLiteral("Queueing image 'a.jpg' for 90 degree rotation")));
    QTRY_COMPARE(frame->windowTitle(), QStringLiteral("0 items pending - Veyra"));
    bool sawPending = false;
    for (const QList<QVariant> &change : titles)
        sawPending |= change.value(0).toString() == QStringLiteral("1 items pending - Veyra");
    QVERIFY(sawPending);

    QString warning;
    const QImage turned = TestJpeg::Decode(path, &warning);
    QVERIFY(warning.isEmpty());
    QCOMPARE(turned.size(), QSize(48, 64));
    QVERIFY(TestJpeg::MaxDifference(turned, TestJpeg::Rotate(decodedBefore, 90)) <=
            kPixelTolerance);
    QCOMPARE(TestJpeg::ReadOrientationOfFile(path), 1);
}

void TestEndToEnd::failedJobShowsThumbnailTurnedBack()
{
    QTemporaryDir dir;
    const QString path =
        WriteJpeg(dir.path(), QStringLiteral("a.jpg"), TestJpeg::MakeContent(64, 48, 3));
    const QByteArray before = TestJpeg::ReadAll(path);
    // No write permission bit: the rotation is refused as read-only, even for root.
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(App()->InitInstance({dir.path()}));
    MainWnd *frame = App()->GetMainWnd();
    Document *doc = App()->GetDocument();
    QTRY_COMPARE(frame->GetThumbView()->GetCellCount(), 1);

    QTest::mouseClick(frame->GetThumbView()->viewport(), Qt::RightButton, {}, CellCentre(0));

    QTRY_VERIFY(doc->GetLog().contains(QStringLiteral("Failed to rotate 'a.jpg'")));
    QTRY_COMPARE(m_prompts.count(QString::fromUtf8(VYRText::kReadOnly)), 1);
    QCOMPARE(TestJpeg::ReadAll(path), before);
    // The thumbnail, turned at the click, is turned back and shown so: what the window
    // shows is what a paint draws.
    const QImage painted = PaintedThumbnail(0);
    QVERIFY(!painted.isNull());
    QTRY_COMPARE(ShownThumbnail(0), painted);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("a.jpg")}));
}

void TestEndToEnd::autoRotateMakesMixedFolderUpright()
{
    QTemporaryDir dir;
    const QImage upright = TestJpeg::MakeContent(64, 48, 11);
    QStringList tagged;
    QList<QImage> expected; // what each tagged file must decode to once upright
    for (const int orientation : {1, 3, 6, 8}) {
        for (const TestJpeg::Exif order : {TestJpeg::Exif::Intel, TestJpeg::Exif::Motorola}) {
            const QString name = QStringLiteral("o%1_%2.jpg")
                                     .arg(orientation)
                                     .arg(order == TestJpeg::Exif::Intel ? "ii" : "mm");
            tagged << WriteJpeg(dir.path(), name, StoredFor(upright, orientation), order,
                                orientation);
            const int turn = orientation == 3   ? 180
                             : orientation == 6 ? 90
                             : orientation == 8 ? -90
                                                : 0;
            expected << TestJpeg::Rotate(TestJpeg::Decode(tagged.last()), turn);
        }
    }
    const QString bare = WriteJpeg(dir.path(), QStringLiteral("plain.jpg"), StoredFor(upright, 6),
                                   TestJpeg::Exif::None);
    const QByteArray bareBytes = TestJpeg::ReadAll(bare);

    QVERIFY(App()->InitInstance({dir.path()}));
    MainWnd *frame = App()->GetMainWnd();
    Document *doc = App()->GetDocument();
    QTRY_COMPARE(frame->GetThumbView()->GetCellCount(), 9);

    QTest::mouseClick(qobject_cast<QPushButton *>(QLFindControl(frame, IDC_AUTO_ROTATE)),
                      Qt::LeftButton);

    QTRY_COMPARE(m_prompts.size(), 1);
    QVERIFY2(m_prompts.first().startsWith(QStringLiteral("9\timages considered\n6\trotated")),
             qPrintable(m_prompts.first()));
    QTRY_COMPARE(CountLines(doc->GetLog(), QStringLiteral("Successfully rotated")), 6);
    QTRY_COMPARE(frame->GetTaskView()->GetTaskCount(), 0);

    for (int i = 0; i < tagged.size(); ++i) {
        const QString &path = tagged.at(i);
        QString warning;
        const QImage image = TestJpeg::Decode(path, &warning);
        QVERIFY2(warning.isEmpty(), qPrintable(path));
        QCOMPARE(TestJpeg::ReadOrientationOfFile(path), 1);
        QCOMPARE(image.size(), upright.size());
        QVERIFY2(TestJpeg::MaxDifference(image, expected.at(i)) <= kPixelTolerance,
                 qPrintable(path));
    }
    QCOMPARE(TestJpeg::ReadAll(bare), bareBytes);
}

void TestEndToEnd::f5ReloadsWithTaskListFocused()
{
    QTemporaryDir dir;
    WriteJpeg(dir.path(), QStringLiteral("a.jpg"), TestJpeg::MakeContent(32, 32, 1));
    WriteJpeg(dir.path(), QStringLiteral("b.jpg"), TestJpeg::MakeContent(32, 32, 2));
    QVERIFY(App()->InitInstance({dir.path()}));
    MainWnd *frame = App()->GetMainWnd();
    QTRY_COMPARE(frame->GetThumbView()->GetCellCount(), 2);
    WriteJpeg(dir.path(), QStringLiteral("c.jpg"), TestJpeg::MakeContent(32, 32, 3));

    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame));
    frame->GetTaskView()->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(frame->GetTaskView()->hasFocus());
    QCOMPARE(frame->GetActiveView(), static_cast<QLView *>(frame->GetTaskView()));

    QTest::keyClick(frame->GetTaskView(), Qt::Key_F5);

    QTRY_COMPARE(frame->GetThumbView()->GetCellCount(), 3);
    QCOMPARE(CountLines(App()->GetDocument()->GetLog(), QStringLiteral("Opening folder")), 2);
}

void TestEndToEnd::closeBoxWithPendingAsksAndNoKeepsWindow()
{
    QTemporaryDir dir;
    const QString path =
        WriteJpeg(dir.path(), QStringLiteral("a.jpg"), TestJpeg::MakeContent(64, 48, 5));
    const QByteArray before = TestJpeg::ReadAll(path);
    QVERIFY(App()->InitInstance({dir.path()}));
    MainWnd *frame = App()->GetMainWnd();
    Document *doc = App()->GetDocument();
    QTRY_COMPARE(frame->GetThumbView()->GetCellCount(), 1);

    {
        // Holding the catalog lock keeps the worker from taking the job: it stays queued.
        QLUniqueLock hold(g_catalogLock);
        QTest::mouseClick(frame->GetThumbView()->viewport(), Qt::LeftButton, {}, CellCentre(0));
        QCOMPARE(doc->GetPendingCount(), 1);

        m_promptAnswer = QL_IDNO;
        frame->close();
        QTRY_COMPARE(m_prompts.size(), 1);
        QCOMPARE(m_prompts.first(), QString::fromUtf8(VYRText::kQuitPending));
        QCoreApplication::processEvents();
        QVERIFY(frame->isVisible());
        QCOMPARE(doc->GetPendingCount(), 1);
        QCOMPARE(TestJpeg::ReadAll(path), before);
    }

    // The job goes on once the worker may run; then closing asks nothing.
    QTRY_VERIFY(doc->GetLog().contains(QStringLiteral("Successfully rotated 'a.jpg'")));
    QCOMPARE(TestJpeg::Decode(path).size(), QSize(48, 64));
    frame->close();
    QTRY_VERIFY(!frame->isVisible());
    QCOMPARE(m_prompts.size(), 1);
}

void TestEndToEnd::closeBoxDuringScanClosesAfterScanStopped()
{
    QTemporaryDir dir;
    constexpr int kFiles = 40;
    for (int i = 0; i < kFiles; ++i)
        WriteJpeg(dir.path(), QStringLiteral("IMG_%1.jpg").arg(i, 3, 10, QLatin1Char('0')),
                  TestJpeg::MakeContent(48, 32, i + 1));
    QVERIFY(App()->InitInstance({dir.path()}));
    MainWnd *frame = App()->GetMainWnd();
    Document *doc = App()->GetDocument();

    bool visibleAfterClose = false;
    bool loadingAtHide = true;
    ItemWatcher watcher;
    watcher.m_onAdded = [&](int in_count) {
        if (in_count == 3) {
            frame->close();
            visibleAfterClose = frame->isVisible();
        }
    };
    doc->AddView(&watcher);
    struct HideProbe : QObject
    {
        Document *m_pDoc;
        bool *m_pLoading;
        bool eventFilter(QObject *, QEvent *in_pEvent) override
        {
            if (in_pEvent->type() == QEvent::Hide)
                *m_pLoading = m_pDoc->IsLoading();
            return false;
        }
    } probe;
    probe.m_pDoc = doc;
    probe.m_pLoading = &loadingAtHide;
    frame->installEventFilter(&probe);

    QTRY_VERIFY(!frame->isVisible());
    frame->removeEventFilter(&probe);
    doc->RemoveView(&watcher);
    QVERIFY(visibleAfterClose);
    QVERIFY(!loadingAtHide);
    QVERIFY(watcher.m_count >= 3);
    QVERIFY(watcher.m_count < kFiles);
    QVERIFY(m_prompts.isEmpty());
}

void TestEndToEnd::ctrlQWithPendingAsksFirst()
{
    QTemporaryDir dir;
    const QString path =
        WriteJpeg(dir.path(), QStringLiteral("a.jpg"), TestJpeg::MakeContent(64, 48, 5));
    QVERIFY(App()->InitInstance({dir.path()}));
    MainWnd *frame = App()->GetMainWnd();
    Document *doc = App()->GetDocument();
    QTRY_COMPARE(frame->GetThumbView()->GetCellCount(), 1);
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame));

    {
        // Holding the catalog lock keeps the worker from taking the job: it stays queued.
        QLUniqueLock hold(g_catalogLock);
        QTest::mouseClick(frame->GetThumbView()->viewport(), Qt::RightButton, {}, CellCentre(0));
        QCOMPARE(doc->GetPendingCount(), 1);
        m_promptAnswer = QL_IDNO;
        QTest::keyClick(frame->GetThumbView(), Qt::Key_Q, Qt::ControlModifier);
        QTRY_COMPARE(m_prompts, QStringList({QString::fromUtf8(VYRText::kQuitPending)}));
        QCoreApplication::processEvents();
        QVERIFY(frame->isVisible());
    }

    QTRY_VERIFY(doc->GetLog().contains(QStringLiteral("Successfully rotated 'a.jpg'")));
    QTest::keyClick(frame->GetThumbView(), Qt::Key_Q, Qt::ControlModifier);
    QTRY_VERIFY(!frame->isVisible());
    QCOMPARE(m_prompts.size(), 1);
}

// The batch's bars in the status bar (the folder scan has a bar of its own beside it).
static int CountBatchBars(const MainWnd *in_pFrame)
{
    int count = 0;
    for (const QProgressBar *bar : in_pFrame->statusBar()->findChildren<QProgressBar *>())
        count += bar->accessibleName() == QString::fromUtf8(VYRText::kProgressName) ? 1 : 0;
    return count;
}

void TestEndToEnd::progressBarWhileJobsRun()
{
    QTemporaryDir dir;
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        WriteJpeg(dir.path(), QString::fromLatin1(name), TestJpeg::MakeContent(64, 48, 2));
    QVERIFY(App()->InitInstance({dir.path()}));
    MainWnd *frame = App()->GetMainWnd();
    Document *doc = App()->GetDocument();
    QTRY_COMPARE(frame->GetThumbView()->GetCellCount(), 3);
    QVERIFY(!frame->GetProgressBar()->isVisible());

    WriteGate gate;
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(frame->GetThumbView()->viewport(), Qt::RightButton, {}, CellCentre(i));
    QTRY_VERIFY(gate.Entered());
    QTRY_VERIFY(frame->GetProgressFile()->isVisible());
    QVERIFY(frame->GetProgressBar()->isVisible());
    QCOMPARE(frame->GetProgressBar()->maximum(), 3);
    QCOMPARE(frame->GetProgressBar()->value(), 0);
    QCOMPARE(frame->GetProgressFile()->text(), QStringLiteral("Turning 'a.jpg'"));
    // The window is live while the file is written: the user may queue more. The running
    // job's row goes when its notice is served, which may come after the write began.
    QTRY_COMPARE(frame->GetTaskView()->GetTaskCount(), 2);
    // A menu prompt comes and goes in the message pane; a waiting photo turned back to
    // upright completes at once. Neither touches the bar or the file being written.
    frame->statusBar()->showMessage(QStringLiteral("a menu item's prompt"));
    frame->statusBar()->clearMessage();
    QTest::mouseClick(frame->GetThumbView()->viewport(), Qt::LeftButton, {}, CellCentre(2));
    QCOMPARE(frame->GetTaskView()->GetTaskCount(), 1);
    QCOMPARE(frame->GetProgressFile()->text(), QStringLiteral("Turning 'a.jpg'"));
    QCOMPARE(CountBatchBars(frame), 1);

    gate.Release();
    QTRY_COMPARE(CountLines(doc->GetLog(), QStringLiteral("Successfully rotated")), 2);
    QCOMPARE(CountLines(doc->GetLog(), QStringLiteral("Nothing to write for 'c.jpg'")), 1);
    QTRY_VERIFY(!frame->GetProgressBar()->isVisible());
    QVERIFY(!frame->GetProgressFile()->isVisible());
    QCOMPARE(CountBatchBars(frame), 1);
}

int main(int argc, char *argv[])
{
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    VYRApp app(argc, argv);
    app.setOrganizationName(QStringLiteral("Quillmere"));
    app.setQuitOnLastWindowClosed(false);
    TestEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e.moc"
