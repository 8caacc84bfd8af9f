// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include "document.h"
#include "logviewdlg.h"
#include "mainwnd.h"
#include "qlprompt.h"
#include "qlwnd.h"
#include "resource.h"
#include "slctfldr.h"
#include "testjpeg.h"
#include "vyrapp.h"
#include "vyrthumbvw.h"

// Receives the URLs the program asks the desktop to open.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> m_urls;

public slots:
    void open(const QUrl &in_url) { m_urls << in_url; }
};

class TestMainWnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void menusCarryCommandsAndPrompts();
    void controlBarHoldsItsControlsInOrder();
    void logCommandDisabledWhileLogViewOpen();
    void helpOpensCompiledHelpFromCurrentFolder();
    void droppedFileOpensItsFolder();
    void aboutBoxShowsVersionAndClosesWithOk();

private:
    VYRApp *App() const { return static_cast<VYRApp *>(QCoreApplication::instance()); }
    QAction *MenuAction(int in_menu, int in_item) const;
    QMenu *PartMenu(int in_menu) const;
};

void TestMainWnd::init()
{
    QSettings().clear();
    QLSetPromptHandler([](const QString &, unsigned) { return QL_IDOK; });
    QLBrowseFolderDlg::SetChooser([](QWidget *, const QString &) { return QString(); });
    QVERIFY(App()->InitInstance({}));
}

void TestMainWnd::cleanup()
{
    App()->ExitInstance();
    QLSetPromptHandler(nullptr);
    QLBrowseFolderDlg::SetChooser(nullptr);
}

QAction *TestMainWnd::MenuAction(int in_menu, int in_item) const
{
    return PartMenu(in_menu)->actions().value(in_item);
}

// File, View and Help by number (0, 1, 2), wherever menus added since stand between them.
QMenu *TestMainWnd::PartMenu(int in_menu) const
{
    const char *const titles[] = {"&File", "&View", "&Help"};
    for (QAction *menu : App()->GetMainWnd()->menuBar()->actions())
        if (menu->text() == QLatin1String(titles[in_menu]))
            return menu->menu();
    return nullptr;
}

void TestMainWnd::menusCarryCommandsAndPrompts()
{
    MainWnd *frame = App()->GetMainWnd();
    QStringList titles;
    for (QAction *menu : frame->menuBar()->actions())
        titles << menu->text();
    QCOMPARE(titles, QStringList({"&File", "&Edit", "&View", "&Tools", "&Help"}));

    QStatusBar *status = frame->statusBar();
    QCOMPARE(status->currentMessage(), QStringLiteral("Ready"));
    const struct
    {
        int menu, item;
        const char *text, *prompt;
    } items[] = {
        {0, 0, VYRText::kMenuExit, VYRText::kPromptExit},
        {1, 0, VYRText::kMenuLog, VYRText::kPromptLog},
        {1, 2, VYRText::kMenuRefresh, VYRText::kPromptRefresh},
        {2, 0, VYRText::kMenuContents, VYRText::kPromptContents},
        {2, 2, VYRText::kMenuAbout, VYRText::kPromptAbout},
    };
    for (const auto &item : items) {
        QAction *action = MenuAction(item.menu, item.item);
        QCOMPARE(action->text(), QString::fromUtf8(item.text));
        // Hovering an item shows its prompt; leaving it brings "Ready" back.
        action->showStatusText(frame->menuBar());
        QCOMPARE(status->currentMessage(), QString::fromUtf8(item.prompt));
        QStatusTipEvent leave{QString()};
        QCoreApplication::sendEvent(frame, &leave);
        QCOMPARE(status->currentMessage(), QStringLiteral("Ready"));
    }
    QVERIFY(MenuAction(1, 1)->isSeparator());
    QVERIFY(MenuAction(2, 1)->isSeparator());
    QCOMPARE(MenuAction(1, 2)->shortcut(), QKeySequence(Qt::Key_F5));
}

void TestMainWnd::controlBarHoldsItsControlsInOrder()
{
    MainWnd *frame = App()->GetMainWnd();
    const int order[] = {IDC_SOURCE_PATH, IDC_SOURCE_BROWSE, IDC_INCLUDE_SUBDIRS, IDC_DEST_PATH,
                         IDC_DEST_BROWSE, IDC_INPLACE,       IDC_THUMB_SIZE,      IDC_AUTO_ROTATE};
    int previousX = -1;
    for (const int id : order) {
        QWidget *control = QLFindControl(frame, id);
        QVERIFY2(control, qPrintable(QString::number(id)));
        const int x = control->mapTo(frame, QPoint(0, 0)).x();
        QVERIFY2(x > previousX, qPrintable(QString::number(id)));
        previousX = x;
    }
    // "..." alone tells neither a screen reader nor a new user which folder it picks.
    for (const int id : {IDC_SOURCE_BROWSE, IDC_DEST_BROWSE}) {
        const QWidget *button = QLFindControl(frame, id);
        QVERIFY(!button->accessibleName().isEmpty());
        QCOMPARE(button->toolTip(), button->accessibleName());
    }
    QVERIFY(QLFindControl(frame, IDC_SOURCE_BROWSE)->accessibleName() !=
            QLFindControl(frame, IDC_DEST_BROWSE)->accessibleName());
    auto *combo = qobject_cast<QComboBox *>(QLFindControl(frame, IDC_THUMB_SIZE));
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(0), QStringLiteral("Small"));
    QCOMPARE(combo->itemText(2), QStringLiteral("Large"));
    // The thumbnail view selected the stored size (Medium by default).
    QCOMPARE(combo->currentIndex(), 1);
}

void TestMainWnd::logCommandDisabledWhileLogViewOpen()
{
    MainWnd *frame = App()->GetMainWnd();
    QAction *log = MenuAction(1, 0);
    frame->UpdateMenuState(PartMenu(1));
    QVERIFY(log->isEnabled());

    log->trigger();
    QVERIFY(App()->GetDocument()->GetLogView());
    frame->UpdateMenuState(PartMenu(1));
    QVERIFY(!log->isEnabled());

    dynamic_cast<LogViewDlg *>(App()->GetDocument()->GetLogView())->close();
    QTRY_VERIFY(!App()->GetDocument()->GetLogView());
    frame->UpdateMenuState(PartMenu(1));
    QVERIFY(log->isEnabled());
}

void TestMainWnd::helpOpensCompiledHelpFromCurrentFolder()
{
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());

    // No compiled help here and no HTML help beside the test program: nothing opens.
    MenuAction(2, 0)->trigger();
    QVERIFY(recorder.m_urls.isEmpty());

    QFile chm(dir.filePath(QStringLiteral("veyra.chm")));
    QVERIFY(chm.open(QIODevice::WriteOnly));
    chm.close();
    MenuAction(2, 0)->trigger();                                    // Help > Contents
    App()->GetMainWnd()->OnCmdMsg(ID_HELP, QL_CN_COMMAND, nullptr); // F1
    QCOMPARE(recorder.m_urls.size(), 2);
    QCOMPARE(recorder.m_urls.first(), QUrl::fromLocalFile(QFileInfo(chm).absoluteFilePath()));
    QCOMPARE(recorder.m_urls.last(), recorder.m_urls.first());

    QDir::setCurrent(previous);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

void TestMainWnd::droppedFileOpensItsFolder()
{
    QTemporaryDir dir;
    const QString file = TestJpeg::Write(dir.path(), QStringLiteral("a.jpg"));
    MainWnd *frame = App()->GetMainWnd();

    QVERIFY(!frame->OpenDroppedPath(dir.filePath(QStringLiteral("missing"))));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame, &drop);
    QVERIFY(drop.isAccepted());

    QCOMPARE(drop.dropAction(), Qt::CopyAction);

    // A drop is never taken as a move, which would let the drag source delete the folder;
    // a source that offers only a move is refused.
    QDragEnterEvent moveOrCopy(QPoint(10, 10), Qt::MoveAction | Qt::CopyAction, &data,
                               Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame, &moveOrCopy);
    QVERIFY(moveOrCopy.isAccepted());
    QCOMPARE(moveOrCopy.dropAction(), Qt::CopyAction);
    QDropEvent moveOnly(QPointF(10, 10), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    moveOnly.setAccepted(false);
    QCoreApplication::sendEvent(frame, &moveOnly);
    QVERIFY(!moveOnly.isAccepted());

    QTRY_COMPARE(App()->GetDocument()->GetRootPath(), dir.path());
    QTRY_COMPARE(frame->GetThumbView()->GetCellCount(), 1);
    QVERIFY(
        App()->GetDocument()->GetLog().contains(QStringLiteral("Opening folder ") + dir.path()));
}

void TestMainWnd::aboutBoxShowsVersionAndClosesWithOk()
{
    QString caption;
    QStringList texts;
    QTimer::singleShot(0, this, [&] {
        QWidget *box = QApplication::activeModalWidget();
        QVERIFY(box);
        caption = box->windowTitle();
        for (QLabel *label : box->findChildren<QLabel *>())
            texts << label->text();
        auto *ok = qobject_cast<QPushButton *>(QLFindControl(box, 1));
        QVERIFY(ok);
        ok->click();
    });
    MenuAction(2, 2)->trigger(); // returns once the box is closed
    QCOMPARE(caption, QStringLiteral("About Veyra"));
    QVERIFY(texts.contains(QStringLiteral("Veyra v1.1")));
}

int main(int argc, char *argv[])
{
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    VYRApp app(argc, argv);
    app.setOrganizationName(QStringLiteral("Quillmere"));
    app.setQuitOnLastWindowClosed(false);
    TestMainWnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwnd.moc"
