// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The window's shell as a user meets it: the status bar's account of each folder scan, the
// folder fields and the file-type box, the log window, the theme, icons and the help key.
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <unistd.h>

#include "controlbar.h"
#include "document.h"
#include "logviewdlg.h"
#include "mainwnd.h"
#include "qlprompt.h"
#include "qltheme.h"
#include "qlwnd.h"
#include "resource.h"
#include "scanstatus.h"
#include "slctfldr.h"
#include "testjpeg.h"
#include "vyrapp.h"
#include "vyrshellicons.h"
#include "vyrthumbvw.h"

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void statusTextsGroupDigits();
    void statusFollowsScanFromLoadingToDone();
    void stopButtonStopsScanAndSaysSo();
    void missingFolderIsToldAtStartAndInStatus();
    void typedFolderOpensAndBadOneIsRefused();
    void recentFoldersNewestFirstAtMostTen();
    void filterBoxShowsJpegFilesAndCustomPatterns();
    void focusStartsOnThumbnails();
    void logWindowTimesCopiesSavesClearsAndRemembersSize();
    void themeChoicesGiveLightAndDarkPalettes();
    void iconsHaveBundledFallbacks();
    void helpKeySaysWhenNothingCanShowHelp();
    void messageBoxDefaultsAndAboutDetails();

private:
    VYRApp *App() const { return static_cast<VYRApp *>(QCoreApplication::instance()); }
    MainWnd *Frame() const { return App()->GetMainWnd(); }
    QString StatusText() const { return Frame()->statusBar()->currentMessage(); }
    // A folder of in_count photos named p1.jpg...
    static void WritePhotos(const QString &in_dir, int in_count);

    QStringList m_prompts;
};

void TestShell::init()
{
    QSettings().clear();
    m_prompts.clear();
    QLSetPromptHandler([this](const QString &in_text, unsigned) {
        m_prompts << in_text;
        return QL_IDOK;
    });
    QLBrowseFolderDlg::SetChooser([](QWidget *, const QString &) { return QString(); });
    QVERIFY(App()->InitInstance({}));
}

void TestShell::cleanup()
{
    App()->ExitInstance();
    QLSetPromptHandler(nullptr);
    QLBrowseFolderDlg::SetChooser(nullptr);
    QLocale::setDefault(QLocale::c());
}

void TestShell::WritePhotos(const QString &in_dir, int in_count)
{
    for (int i = 1; i <= in_count; ++i)
        QVERIFY(!TestJpeg::Write(in_dir, QStringLiteral("p%1.jpg").arg(i)).isEmpty());
}

void TestShell::statusTextsGroupDigits()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    using Phase = VYRScanStatus::Phase;
    VYRScanStatus status;
    status.m_folder = QStringLiteral("/no/such/folder");
    status.m_total = 1234;
    status.m_shown = 1234;
    const struct
    {
        Phase m_phase;
        int m_shown;
        const char *m_pExpected;
    } cases[] = {
        {Phase::Started, 0, "Loading 1,234 photos..."},
        {Phase::Progress, 10, "Loading 1,234 photos..."},
        {Phase::Stopped, 1234, "Stopped: 1,234 photos shown"},
        {Phase::Finished, 1234, "1,234 photos"},
        {Phase::Finished, 0, "0 photos"},
        {Phase::Finished, 1, "1 photo"},
        {Phase::Missing, 0, "The folder '/no/such/folder' does not exist"},
        {Phase::Unreadable, 0, "The folder '/no/such/folder' cannot be read"},
    };
    for (const auto &entry : cases) {
        status.m_phase = entry.m_phase;
        status.m_shown = entry.m_shown;
        QCOMPARE(VYRScanStatusPane::TextOf(status), QString::fromUtf8(entry.m_pExpected));
    }
}

void TestShell::statusFollowsScanFromLoadingToDone()
{
    QTemporaryDir dir;
    WritePhotos(dir.path(), 3);
    QCOMPARE(StatusText(), QStringLiteral("Ready"));
    VYRScanStatusPane *pane = Frame()->GetScanStatus();

    // Seen from inside the scan, which hands out events between photos.
    QString during;
    bool barShown = false;
    bool stopShown = false;
    QTimer::singleShot(0, this, [&] {
        during = StatusText();
        barShown = pane->GetProgressBar()->isVisibleTo(Frame());
        stopShown = pane->GetStopButton()->isVisibleTo(Frame());
    });
    Frame()->GetThumbView()->LoadFolder(dir.path());
    QCOMPARE(during, QStringLiteral("Loading 3 photos..."));
    QVERIFY(barShown);
    QVERIFY(stopShown);
    QCOMPARE(pane->GetProgressBar()->maximum(), 3);

    QCOMPARE(StatusText(), QStringLiteral("3 photos"));
    QVERIFY(!pane->GetProgressBar()->isVisibleTo(Frame()));
    QVERIFY(!pane->GetStopButton()->isVisibleTo(Frame()));
    // A menu prompt comes and goes; the scan's account comes back, not "Ready".
    Frame()->statusBar()->showMessage(QStringLiteral("a prompt"));
    Frame()->statusBar()->clearMessage();
    QCOMPARE(StatusText(), QStringLiteral("3 photos"));

    // An empty folder says so too.
    QTemporaryDir empty;
    Frame()->GetThumbView()->LoadFolder(empty.path());
    QCOMPARE(StatusText(), QStringLiteral("0 photos"));
    QVERIFY(m_prompts.isEmpty());
}

void TestShell::stopButtonStopsScanAndSaysSo()
{
    QTemporaryDir dir;
    WritePhotos(dir.path(), 6);
    VYRScanStatusPane *pane = Frame()->GetScanStatus();
    QTimer::singleShot(0, this, [pane] { pane->GetStopButton()->click(); });
    Frame()->GetThumbView()->LoadFolder(dir.path());
    const int shown = Frame()->GetThumbView()->GetCellCount();
    QVERIFY(shown < 6);
    QCOMPARE(StatusText(), QStringLiteral("Stopped: %1 photos shown").arg(shown));
    QVERIFY(!pane->GetStopButton()->isVisibleTo(Frame()));
    // Stop asks nothing: it is the user's explicit wish.
    QVERIFY(m_prompts.isEmpty());
    // The next scan is not stopped by the old request.
    Frame()->GetThumbView()->LoadFolder(dir.path());
    QTRY_COMPARE(StatusText(), QStringLiteral("6 photos"));
}

void TestShell::missingFolderIsToldAtStartAndInStatus()
{
    App()->ExitInstance();
    const QString missing = QStringLiteral("/no/such/folder");
    QVERIFY(App()->InitInstance({missing}));
    const QString expected = QString::fromUtf8(VYRShellText::kFolderMissing).arg(missing);
    QTRY_COMPARE(m_prompts, QStringList{expected});
    QCOMPARE(StatusText(), QStringLiteral("The folder '/no/such/folder' does not exist"));
    QVERIFY(!Frame()->GetScanStatus()->GetStopButton()->isVisibleTo(Frame()));
}

void TestShell::typedFolderOpensAndBadOneIsRefused()
{
    QTemporaryDir dir;
    WritePhotos(dir.path(), 2);
    VYRControlBar *bar = Frame()->GetControlBar();
    QLineEdit *source = bar->GetSourceField();
    QCOMPARE(QLFindControl(Frame(), IDC_SOURCE_PATH), source);
    QVERIFY(qobject_cast<QFileSystemModel *>(source->completer()->model()));

    source->setText(dir.path());
    QTest::keyClick(source, Qt::Key_Return);
    QCOMPARE(App()->GetDocument()->GetRootPath(), dir.path());
    QCOMPARE(Frame()->GetThumbView()->GetCellCount(), 2);
    QCOMPARE(StatusText(), QStringLiteral("2 photos"));

    // A path that is no folder: told, the field shows the folder in use, nothing reloads.
    source->setText(dir.filePath(QStringLiteral("p1.jpg")));
    QTest::keyClick(source, Qt::Key_Return);
    QCOMPARE(m_prompts.size(), 1);
    QVERIFY(m_prompts.first().contains(QStringLiteral("does not exist")));
    QCOMPARE(source->text(), dir.path());
    QCOMPARE(App()->GetDocument()->GetRootPath(), dir.path());

    // The output field takes a folder only while In-place is off, like its "...".
    QLineEdit *dest = bar->GetDestField();
    QTemporaryDir out;
    App()->GetDocument()->GetConfig().Inplace = 1;
    QVERIFY(!Frame()->OnPathEntered(IDC_DEST_PATH, out.path()));
    App()->GetDocument()->GetConfig().Inplace = 0;
    dest->setText(out.path());
    QTest::keyClick(dest, Qt::Key_Return);
    QCOMPARE(App()->GetDocument()->GetDestPath(), out.path());
}

void TestShell::recentFoldersNewestFirstAtMostTen()
{
    QTemporaryDir root;
    QStringList opened;
    for (int i = 0; i < 12; ++i) {
        const QString folder = root.filePath(QStringLiteral("f%1").arg(i));
        QVERIFY(QDir().mkpath(folder));
        Frame()->GetThumbView()->LoadFolder(folder);
        opened.prepend(folder);
    }
    // Opening one again moves it to the top instead of listing it twice.
    Frame()->GetThumbView()->LoadFolder(opened.at(5));
    opened.move(5, 0);
    const QStringList recent = App()->GetDocument()->GetPrefs().RecentFolders;
    QCOMPARE(recent, opened.mid(0, 10));
    // A folder that is not there is no recent folder.
    Frame()->GetThumbView()->LoadFolder(root.filePath(QStringLiteral("gone")));
    QCOMPARE(App()->GetDocument()->GetPrefs().RecentFolders, recent);
}

void TestShell::filterBoxShowsJpegFilesAndCustomPatterns()
{
    QTemporaryDir dir;
    QVERIFY(!TestJpeg::Write(dir.path(), QStringLiteral("a.jpg")).isEmpty());
    QVERIFY(!TestJpeg::Write(dir.path(), QStringLiteral("b.JPEG")).isEmpty());
    QVERIFY(!TestJpeg::Write(dir.path(), QStringLiteral("c.jpe")).isEmpty());
    Frame()->GetThumbView()->LoadFolder(dir.path());
    QCOMPARE(Frame()->GetThumbView()->GetCellCount(), 1); // the stored default, "*.jpg"

    auto *box = qobject_cast<QComboBox *>(QLFindControl(Frame(), IDC_FILTER));
    QVERIFY(box);
    box->setCurrentIndex(0); // JPEG
    Frame()->OnFilterChosen();
    QCOMPARE(App()->GetDocument()->GetConfig().Filter, QStringLiteral("*.jpg;*.jpeg"));
    QTRY_COMPARE(Frame()->GetThumbView()->GetCellCount(), 2);

    box->setCurrentIndex(box->count() - 1); // Custom...
    const QString custom = QStringLiteral(" *.jpe ");
    Frame()->OnFilterChosen(&custom);
    QCOMPARE(App()->GetDocument()->GetConfig().Filter, QStringLiteral("*.jpe"));
    QCOMPARE(box->currentText(), QStringLiteral("*.jpe"));
    QTRY_COMPARE(Frame()->GetThumbView()->GetCellCount(), 1);

    // Saved as the Filter setting when the program ends.
    App()->ExitInstance();
    QCOMPARE(QSettings().value(QStringLiteral("Vyera/Filter")).toString(), QStringLiteral("*.jpe"));
    QVERIFY(App()->InitInstance({}));
    QCOMPARE(Frame()->GetControlBar()->GetFilter(), QStringLiteral("*.jpe"));
}

void TestShell::focusStartsOnThumbnails()
{
    QTemporaryDir dir;
    WritePhotos(dir.path(), 1);
    App()->ExitInstance();
    QVERIFY(App()->InitInstance({dir.path()}));
    QCOMPARE(Frame()->focusWidget(), Frame()->GetThumbView());
}

void TestShell::logWindowTimesCopiesSavesClearsAndRemembersSize()
{
    Document *doc = App()->GetDocument();
    doc->AddLogLine(QStringLiteral("first line"));
    doc->AddLogLine(QStringLiteral("second line"));
    doc->OnViewLog();
    auto *view = dynamic_cast<LogViewDlg *>(doc->GetLogView());
    QVERIFY(view);
    QCOMPARE(view->windowTitle(), QStringLiteral("Event Log"));
    QVERIFY(!view->windowTitle().contains(QStringLiteral("Veyra")));
    QVERIFY(view->isSizeGripEnabled());
    QListWidget *list = view->GetList();
    QCOMPARE(list->count(), 2);
    // The row's text is the line; its time is the one the document recorded.
    QCOMPARE(list->item(1)->text(), QStringLiteral("second line"));
    QCOMPARE(list->item(1)->data(Qt::UserRole).toDateTime(), doc->GetLogTimes().at(1));

    const QString stamp = doc->GetLogTimes().at(0).toString(QStringLiteral("HH:mm:ss"));
    list->item(0)->setSelected(true);
    view->Copy();
    QCOMPARE(QApplication::clipboard()->text(), stamp + QStringLiteral("  first line\n"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    QString error;
    QVERIFY(view->SaveTo(path, &error));
    const QStringList saved = QString::fromUtf8(TestJpeg::ReadAll(path)).split(QLatin1Char('\n'));
    QCOMPARE(saved.size(), 3);
    QVERIFY(saved.at(1).endsWith(QStringLiteral("  second line")));
    QVERIFY(!view->SaveTo(dir.filePath(QStringLiteral("no/such/dir/log.txt")), &error));
    QVERIFY(!error.isEmpty());

    // Clear empties the window only; a line written afterwards keeps its own time.
    view->Clear();
    QCOMPARE(list->count(), 0);
    doc->AddLogLine(QStringLiteral("third line"));
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->data(Qt::UserRole).toDateTime(), doc->GetLogTimes().at(2));
    QCOMPARE(doc->GetLog().size(), 3);

    view->resize(700, 420);
    const QSize size = view->size();
    view->close();
    QTRY_VERIFY(!doc->GetLogView());
    QVERIFY(!doc->GetPrefs().LogWindowGeometry.isEmpty());
    doc->OnViewLog();
    auto *again = dynamic_cast<LogViewDlg *>(doc->GetLogView());
    QVERIFY(again);
    QCOMPARE(again->size(), size);
    QCOMPARE(again->GetList()->count(), 3); // the whole history again
}

void TestShell::themeChoicesGiveLightAndDarkPalettes()
{
    const QColor lightWindow = QLThemePalette(QLColorScheme::Light).color(QPalette::Window);
    const QColor darkWindow = QLThemePalette(QLColorScheme::Dark).color(QPalette::Window);
    QVERIFY(lightWindow.lightnessF() > 0.5);
    QVERIFY(darkWindow.lightnessF() < 0.5);
    // Text stands out from its background in both.
    for (const QLColorScheme scheme : {QLColorScheme::Light, QLColorScheme::Dark}) {
        const QPalette palette = QLThemePalette(scheme);
        const qreal contrast = qAbs(palette.color(QPalette::Text).lightnessF() -
                                    palette.color(QPalette::Base).lightnessF());
        QVERIFY(contrast > 0.6);
    }
    QCOMPARE(QLResolveColorScheme(QStringLiteral("Dark")), QLColorScheme::Dark);
    QCOMPARE(QLResolveColorScheme(QStringLiteral("Light")), QLColorScheme::Light);
    QCOMPARE(QLResolveColorScheme(QStringLiteral("System")), QLDesktopColorScheme());

    QCOMPARE(Frame()->GetThemeActions()->actions().size(), 3);
    Frame()->OnThemeChosen(QStringLiteral("Dark"));
    QCOMPARE(App()->GetDocument()->GetPrefs().Theme, QStringLiteral("Dark"));
    QVERIFY(QApplication::palette().color(QPalette::Window).lightnessF() < 0.5);
    QCOMPARE(Frame()->GetThemeActions()->checkedAction()->data().toString(),
             QStringLiteral("Dark"));
    // Stored, and applied at the next start.
    App()->ExitInstance();
    QApplication::setPalette(QLThemePalette(QLColorScheme::Light));
    QVERIFY(App()->InitInstance({}));
    QVERIFY(QApplication::palette().color(QPalette::Window).lightnessF() < 0.5);
    Frame()->OnThemeChosen(QStringLiteral("Light"));
    QVERIFY(QApplication::palette().color(QPalette::Window).lightnessF() > 0.5);
}

void TestShell::iconsHaveBundledFallbacks()
{
    // Offscreen there is no icon theme: every icon comes from our own drawings, and draws.
    for (const VYRShellIconId id :
         {VYRShellIconId::Folder, VYRShellIconId::RotateLeft, VYRShellIconId::RotateRight,
          VYRShellIconId::Undo, VYRShellIconId::Stop, VYRShellIconId::Recent}) {
        QVERIFY(QFile::exists(QStringLiteral(":/veyra/icons/%1.svg").arg(VYRShellIconName(id))));
        const QIcon icon = VYRShellIcon(id);
        QVERIFY(!icon.isNull());
        for (const int edge : {16, 24, 48}) {
            const QImage image = icon.pixmap(edge, edge).toImage();
            QCOMPARE(image.width(), edge);
            // Something was drawn: not every pixel is transparent.
            bool drawn = false;
            for (int y = 0; y < image.height() && !drawn; ++y)
                for (int x = 0; x < image.width() && !drawn; ++x)
                    drawn = qAlpha(image.pixel(x, y)) > 0;
            QVERIFY2(drawn, qPrintable(VYRShellIconName(id)));
        }
    }
}

void TestShell::helpKeySaysWhenNothingCanShowHelp()
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    // No compiled help here, no HTML help beside the test program.
    Frame()->OnCmdMsg(ID_HELP, QL_CN_COMMAND, nullptr);
    QCOMPARE(m_prompts, QStringList{QString::fromUtf8(VYRShellText::kHelpMissing)});

    // The HTML help is there, but the offscreen desktop has no program to show it.
    const QString helpDir = QDir(QCoreApplication::applicationDirPath()).filePath("help");
    const bool made = !QFileInfo::exists(helpDir);
    QVERIFY(QDir().mkpath(helpDir));
    QVERIFY(
        !TestJpeg::WriteBytes(helpDir, QStringLiteral("index.html"), "<html></html>").isEmpty());
    m_prompts.clear();
    Frame()->OnCmdMsg(ID_HELP, QL_CN_COMMAND, nullptr);
    QCOMPARE(m_prompts.size(), 1);
    QVERIFY(m_prompts.first().contains(QDir(helpDir).filePath(QStringLiteral("index.html"))));
    if (made)
        QDir(helpDir).removeRecursively();
    QDir::setCurrent(previous);
}

void TestShell::messageBoxDefaultsAndAboutDetails()
{
    QLSetPromptHandler(nullptr);
    // The quit question: No is the default and Escape's answer; Yes stays possible.
    bool checked = false;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        QCOMPARE(static_cast<QAbstractButton *>(box->defaultButton()),
                 box->button(QMessageBox::No));
        QCOMPARE(box->escapeButton(), box->button(QMessageBox::No));
        checked = true;
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(QLMessageBox(QStringLiteral("Quit?"), QL_MB_YESNO | QL_MB_DEFBUTTON2), int(QL_IDNO));
    QVERIFY(checked);

    QStringList texts;
    QTimer::singleShot(0, this, [&] {
        QWidget *about = QApplication::activeModalWidget();
        QVERIFY(about);
        for (QLabel *label : about->findChildren<QLabel *>())
            texts << label->text();
        QTest::keyClick(about, Qt::Key_Return); // OK is the default
    });
    App()->OnAppAbout();
    const QString all = texts.join(QLatin1Char('\n'));
    QVERIFY(all.contains(QStringLiteral("Veyra v1.1")));
    QVERIFY(all.contains(QStringLiteral("MIT License")));
    QVERIFY(all.contains(QStringLiteral("Qt " QT_VERSION_STR)));
    QVERIFY(all.contains(QStringLiteral("libjpeg-turbo 2.")));
}

int main(int argc, char *argv[])
{
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    VYRApp app(argc, argv);
    app.setOrganizationName(QStringLiteral("Quillmere"));
    app.setQuitOnLastWindowClosed(false);
    TestShell test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shell.moc"
