// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Tools > Suggest Turns in the real window: which photos get a badge, what the tooltip says,
// and that accepting queues exactly the suggested turns as clicks would, while dismissing
// queues nothing. The pictures are the suite's own: a printed page stored sideways, the same
// page tagged 6 (Auto Rotate's), and a plain gradient.
#include <QPainter>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include "document.h"
#include "mainwnd.h"
#include "qlprompt.h"
#include "slctfldr.h"
#include "suggestctl.h"
#include "testjpeg.h"
#include "testpictures.h"
#include "vyrapp.h"
#include "vyrimg.h"
#include "vyrthumbvw.h"

using TestPictures::Gradient;
using TestPictures::TextPage;
using TestPictures::Write;

class TestSuggestWnd : public QObject
{
    Q_OBJECT

private slots:
    void init()
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

    void cleanup()
    {
        App()->ExitInstance();
        QLSetPromptHandler(nullptr);
        QLBrowseFolderDlg::SetChooser(nullptr);
    }

    void badgesThenAcceptAndDismiss()
    {
        QTemporaryDir dir;
        // Stored turned a quarter clockwise: the way back is a quarter counter-clockwise.
        QVERIFY(
            !Write(dir.path(), "a_sideways.jpg", TestJpeg::Rotate(TextPage(), 90), 0).isEmpty());
        QVERIFY(!Write(dir.path(), "b_upside.jpg", TestJpeg::Rotate(TextPage(), 180), 0).isEmpty());
        QVERIFY(!Write(dir.path(), "c_tagged6.jpg", TestJpeg::Rotate(TextPage(), 90), 6).isEmpty());
        QVERIFY(!Write(dir.path(), "d_plain.jpg", Gradient(), 0).isEmpty());
        VYRThumbVw *view = Frame()->GetThumbView();
        view->LoadFolder(dir.path());
        QTRY_COMPARE(view->GetCellCount(), 4);

        VYRSuggestController *suggest = Frame()->GetSuggest();
        QSignalSpy finished(suggest, &VYRSuggestController::Finished);
        suggest->GetSuggestAction()->trigger();
        QVERIFY(suggest->IsRunning());
        QVERIFY(finished.wait(60000));
        QVERIFY2(m_prompts.isEmpty(), qPrintable(m_prompts.join('\n')));
        QCOMPARE(Frame()->statusBar()->currentMessage(),
                 QStringLiteral("Suggested turns for 2 of 4 photos"));
        QCOMPARE(view->GetSuggestionCount(), 2);
        QVERIFY(view->TipText(0).contains(
            QStringLiteral("Suggested turn: 90\u00b0 counter-clockwise (text")));
        QVERIFY(view->TipText(1).contains(QStringLiteral("Suggested turn: 180\u00b0 (text")));
        QVERIFY(!view->TipText(2).contains(QStringLiteral("Suggested turn"))); // the tag's
        QVERIFY(!view->TipText(3).contains(QStringLiteral("Suggested turn")));

        // Dismissing the selected one queues nothing; accepting all queues the other alone,
        // as a click would (settling first), with the suggested turn.
        view->SetMarked(1, true);
        QCOMPARE(view->DismissSuggestions(true), 1);
        QCOMPARE(view->GetSuggestionCount(), 1);
        QCOMPARE(Doc()->GetPendingCount(), 0);
        suggest->GetAcceptAllAction()->trigger();
        QCOMPARE(view->GetSuggestionCount(), 0);
        QCOMPARE(Doc()->GetPendingCount(), 1);
        auto *item = static_cast<VYRImage *>(view->GetCell(0)->GetItem());
        QCOMPARE(item->GetRotation(), -90);
        QVERIFY(item->IsPending());
        // A new run leaves the photo with a turn pending alone.
        const auto candidates = view->SuggestionCandidates();
        QCOMPARE(int(candidates.size()), 3);
        QVERIFY(candidates.front().first != 0);
    }

    void nothingToLookAtIsTold()
    {
        QTemporaryDir dir;
        Frame()->GetThumbView()->LoadFolder(dir.path());
        QVERIFY(!Frame()->GetSuggest()->Start());
        QCOMPARE(m_prompts.size(), 1);
        QVERIFY(m_prompts.front().startsWith(QStringLiteral("There are no photos to look at")));
    }

private:
    VYRApp *App() const { return static_cast<VYRApp *>(QCoreApplication::instance()); }
    MainWnd *Frame() const { return App()->GetMainWnd(); }
    Document *Doc() const { return Frame()->GetThumbView()->GetDoc(); }

    QStringList m_prompts;
};

int main(int argc, char *argv[])
{
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    VYRApp app(argc, argv);
    app.setOrganizationName(QStringLiteral("Quillmere"));
    app.setQuitOnLastWindowClosed(false);
    TestSuggestWnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_suggestwnd.moc"
