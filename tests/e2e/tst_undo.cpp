// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Taking turns back in the real window: clicks that settle into one job, Ctrl+Z and
// Ctrl+Shift+Z, the history, and a photo changed behind Veyra's back.
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "document.h"
#include "historydlg.h"
#include "mainwnd.h"
#include "qlprompt.h"
#include "testjpeg.h"
#include "undoctl.h"
#include "vyrapp.h"
#include "vyrtaskvw.h"
#include "vyrthumbvw.h"

#include <sys/stat.h>

namespace {

int CountLines(const QStringList &in_log, const QString &in_prefix)
{
    int count = 0;
    for (const QString &line : in_log)
        count += line.startsWith(in_prefix) ? 1 : 0;
    return count;
}

qint64 MtimeNs(const QString &in_path)
{
    struct stat info;
    if (stat(QFile::encodeName(in_path).constData(), &info) != 0)
        return -1;
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

} // namespace

class TestUndo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void clicksSettleUndoAndRedo();
    void historyRestoresAndChangedPhotoIsRefused();

private:
    VYRApp *App() const { return static_cast<VYRApp *>(QCoreApplication::instance()); }
    QPoint CellCentre(int in_index) const;
    // Photos a, b, c (odd sizes, so turns trim); returns their paths.
    QStringList MakeFolder(const QString &in_dir);

    QTemporaryDir m_home;
    QStringList m_prompts;
};

void TestUndo::initTestCase()
{
    // A journal of this suite's own: Undo takes the newest batch of the journal, and other
    // suites running beside this one must not give it theirs.
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.filePath("data")));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_home.filePath("config"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_home.filePath("config"));
}

void TestUndo::init()
{
    m_prompts.clear();
    QSettings().clear();
    QLSetPromptHandler([this](const QString &in_text, unsigned) {
        m_prompts << in_text;
        return QL_IDOK;
    });
}

void TestUndo::cleanup()
{
    App()->ExitInstance();
    QLSetPromptHandler(nullptr);
}

QPoint TestUndo::CellCentre(int in_index) const
{
    VYRThumbVw *view = App()->GetMainWnd()->GetThumbView();
    const GridRect rect = view->GetCell(in_index)->GetRect();
    return view->GridToClient(QPoint((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2));
}

QStringList TestUndo::MakeFolder(const QString &in_dir)
{
    QStringList paths;
    int seed = 1;
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"}) {
        TestJpeg::Options options;
        options.width = 100;
        options.height = 75;
        options.content = TestJpeg::MakeContent(100, 75, quint32(seed++));
        paths << TestJpeg::Write(in_dir, QString::fromLatin1(name), options);
    }
    return paths;
}

void TestUndo::clicksSettleUndoAndRedo()
{
    QTemporaryDir dir;
    const QStringList paths = MakeFolder(dir.path());
    QList<QByteArray> originals;
    for (const QString &path : paths)
        originals << TestJpeg::ReadAll(path);
    const qint64 aTime = MtimeNs(paths[0]);
    QVERIFY(App()->InitInstance({dir.path()}));
    MainWnd *frame = App()->GetMainWnd();
    Document *doc = App()->GetDocument();
    QTRY_COMPARE(frame->GetThumbView()->GetCellCount(), 3);
    QWidget *grid = frame->GetThumbView()->viewport();

    // a: right then left at once; b: right twice (a half turn, one job); c: left.
    QTest::mouseClick(grid, Qt::RightButton, {}, CellCentre(0));
    QCOMPARE(frame->GetTaskView()->GetTaskText(0, VYRTaskVw::COL_STATUS),
             QStringLiteral("Settling..."));
    QTest::mouseClick(grid, Qt::LeftButton, {}, CellCentre(0));
    QCOMPARE(frame->GetTaskView()->GetTaskCount(), 0);
    QTest::mouseClick(grid, Qt::RightButton, {}, CellCentre(1));
    QTest::mouseClick(grid, Qt::RightButton, {}, CellCentre(1));
    QTest::mouseClick(grid, Qt::LeftButton, {}, CellCentre(2));
    QCOMPARE(frame->GetTaskView()->GetTaskCount(), 2);
    QCOMPARE(frame->GetTaskView()->GetTaskText(0, VYRTaskVw::COL_ROTATION), QStringLiteral("180"));
    QTRY_COMPARE_WITH_TIMEOUT(CountLines(doc->GetLog(), QStringLiteral("Successfully rotated")), 2,
                              20000);
    QTRY_COMPARE(doc->GetPendingCount(), 0);
    QCOMPARE(CountLines(doc->GetLog(), QStringLiteral("Successfully rotated 'a.jpg'")), 0);
    QCOMPARE(TestJpeg::ReadAll(paths[0]), originals[0]);
    QCOMPARE(MtimeNs(paths[0]), aTime);
    const QByteArray turnedB = TestJpeg::ReadAll(paths[1]);
    const QByteArray turnedC = TestJpeg::ReadAll(paths[2]);
    QVERIFY(turnedB != originals[1] && turnedC != originals[2]);
    // The left turn of a 100x75 picture trims it: the undo must bring the lost strip back.
    QCOMPARE(TestJpeg::Decode(paths[2]).size(), QSize(75, 96));

    QTest::keyClick(frame, Qt::Key_Z, Qt::ControlModifier);
    QTRY_COMPARE(CountLines(doc->GetLog(), QStringLiteral("Restored")), 2);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(TestJpeg::ReadAll(paths[i]), originals[i]);
    QCOMPARE(TestJpeg::Decode(paths[2]).size(), QSize(100, 75));
    QVERIFY(m_prompts.isEmpty());

    QTest::keyClick(frame, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_COMPARE(CountLines(doc->GetLog(), QStringLiteral("Restored")), 4);
    QCOMPARE(TestJpeg::ReadAll(paths[1]), turnedB);
    QCOMPARE(TestJpeg::ReadAll(paths[2]), turnedC);
    // Nothing newer to redo; the grid shows the folder again.
    QCOMPARE(frame->GetUndo()->RedoTarget(), 0);
    QTRY_COMPARE(frame->GetThumbView()->GetCellCount(), 3);
}

void TestUndo::historyRestoresAndChangedPhotoIsRefused()
{
    QTemporaryDir dir;
    const QStringList paths = MakeFolder(dir.path());
    const QByteArray originalA = TestJpeg::ReadAll(paths[0]);
    const QByteArray originalB = TestJpeg::ReadAll(paths[1]);
    QVERIFY(App()->InitInstance({dir.path()}));
    MainWnd *frame = App()->GetMainWnd();
    Document *doc = App()->GetDocument();
    QTRY_COMPARE(frame->GetThumbView()->GetCellCount(), 3);
    QWidget *grid = frame->GetThumbView()->viewport();
    QTest::mouseClick(grid, Qt::RightButton, {}, CellCentre(0));
    QTest::mouseClick(grid, Qt::RightButton, {}, CellCentre(1));
    QTRY_COMPARE_WITH_TIMEOUT(CountLines(doc->GetLog(), QStringLiteral("Successfully rotated")), 2,
                              20000);
    QTRY_COMPARE(doc->GetPendingCount(), 0);

    // Someone edits b after Veyra wrote it: the undo gives a back and leaves b alone.
    QFile edit(paths[1]);
    QVERIFY(edit.open(QIODevice::Append));
    edit.write("edited elsewhere");
    edit.close();
    const QByteArray editedB = TestJpeg::ReadAll(paths[1]);

    VYRHistoryDlg history(frame, frame->GetUndo(), doc);
    QTreeWidget *batches = history.GetBatchList();
    QVERIFY(batches->topLevelItemCount() >= 1);
    QCOMPARE(batches->currentItem()->text(3), QStringLiteral("2"));
    QCOMPARE(history.GetPhotoList()->topLevelItemCount(), 2);
    QVERIFY(history.GetRestoreButton()->isEnabled());
    history.GetRestoreButton()->click();

    QCOMPARE(TestJpeg::ReadAll(paths[0]), originalA);
    QCOMPARE(TestJpeg::ReadAll(paths[1]), editedB);
    QVERIFY(editedB != originalB);
    QCOMPARE(m_prompts.size(), 1);
    QVERIFY(m_prompts[0].startsWith(QStringLiteral("1 photos restored, 1 not")));
    QVERIFY(doc->GetLog().contains(
        QStringLiteral("'b.jpg' was changed after Veyra wrote it; it is left as it is")));
    // The list shows the undo on top, and the turns half taken back.
    QCOMPARE(batches->topLevelItem(1)->text(4), QStringLiteral("1 of 2 taken back"));
}

int main(int argc, char *argv[])
{
    VYRApp app(argc, argv);
    app.setOrganizationName(QStringLiteral("Quillmere"));
    app.setQuitOnLastWindowClosed(false);
    TestUndo test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_undo.moc"
