// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "document.h"
#include "logviewdlg.h"
#include "qlprompt.h"
#include "qlwnd.h"
#include "resource.h"
#include "slctfldr.h"
#include "testjpeg.h"
#include "unreachabletree.h"
#include "vyrimg.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

// The main window as the document sees it (the control bar's labels and check box), also
// standing in for the thumbnail view; it records the messages posted to it.
class TestFrame : public QWidget
{
public:
    TestFrame()
    {
        QLSetControlId(m_pSource, IDC_SOURCE_PATH);
        QLSetControlId(m_pDest, IDC_DEST_PATH);
        QLSetControlId(m_pInplace, IDC_INPLACE);
        QLSetMainWindow(this);
        g_hThumbWnd = this;
    }
    ~TestFrame() override { QLSetMainWindow(nullptr); }
    QLabel *m_pSource = new QLabel(this);
    QLabel *m_pDest = new QLabel(this);
    QCheckBox *m_pInplace = new QCheckBox(this);
    QList<QPair<unsigned, qintptr>> m_messages;
    int Stops() const { return int(m_messages.count({WM_LOADING_STOPPED, 0})); }

protected:
    bool event(QEvent *in_pEvent) override
    {
        if (in_pEvent->type() != QLMessageEvent::Type())
            return QWidget::event(in_pEvent);
        const auto *message = static_cast<QLMessageEvent *>(in_pEvent);
        m_messages.append({message->m_message, message->m_wParam});
        return true;
    }
};

// Records hints (with the log size when each came) and, like the task list, marks a queued
// item pending.
class RecordingView : public QLView
{
public:
    void OnUpdate(QLView *, long in_hint, void *in_pHint) override
    {
        auto *item = static_cast<VYRImage *>(in_pHint);
        if (in_hint == HINT_ITEM_QUEUED) {
            QLLockGuard lock(g_catalogLock);
            item->SetPending(true);
        }
        m_hints << in_hint;
        if (in_hint == HINT_ITEM_ADDED) {
            m_added << item->GetFileName();
            m_logSizeAtAdd << static_cast<Document *>(GetDocument())->GetLog().size();
        }
        if (m_onHint)
            m_onHint(in_hint);
    }
    QList<long> m_hints;
    QStringList m_added;
    QList<qsizetype> m_logSizeAtAdd;
    std::function<void(long)> m_onHint;
};

struct Scene
{
    TestFrame frame;
    Document document;
    RecordingView view;
    Scene() { document.AddView(&view); }
    ~Scene()
    {
        // An orderly exit: give up the queue, empty the list.
        QLSetPromptHandler([](const QString &, unsigned) { return int(QL_IDYES); });
        document.SaveModified();
        document.OnCloseDocument();
        QLSetPromptHandler({});
    }
    VYRImage *Item(int in_index) const
    {
        VYRImage *item = nullptr;
        document.GetImages().Get(in_index, item);
        return item;
    }
    // Queues a quarter turn as the thumbnail view does.
    void Queue(VYRImage *in_pItem)
    {
        {
            QLLockGuard lock(g_catalogLock);
            in_pItem->Rotate(90);
        }
        document.NotifyViews(nullptr, HINT_ITEM_QUEUED, in_pItem);
    }
    void Complete(VYRImage *in_pItem)
    {
        {
            QLLockGuard lock(g_catalogLock);
            in_pItem->ResetRotation();
            in_pItem->SetPending(false);
        }
        document.NotifyViews(&view, HINT_ITEM_DONE, in_pItem);
    }
};

bool LogEnabled(Document &in_document)
{
    QLCmdUI state(ID_VIEW_LOG);
    return in_document.OnCmdMsg(ID_VIEW_LOG, QL_CN_UPDATE_COMMAND_UI, &state) && state.m_bEnabled;
}

QStringList Lines(const VYRLogView *in_pLogView)
{
    const auto *in_pView = dynamic_cast<const LogViewDlg *>(in_pLogView);
    QStringList lines;
    for (int i = 0; i < in_pView->GetList()->count(); ++i)
        lines << in_pView->GetList()->item(i)->text();
    return lines;
}

} // namespace

class TestDocument : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_storeDir;
    QTemporaryDir m_photos;
    QString m_folderA; // IMG_10.jpg, IMG_2.jpg, a.JPG, notes.txt, sub/c.jpg
    QString m_folderB; // b1.jpg

private slots:
    void initTestCase()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_storeDir.path());
        QVERIFY(QSettings("Quillmere", "Veyra").fileName().startsWith(m_storeDir.path()));
        Document::SetLogViewFactory(&LogViewDlg::Create); // as the shell does at start-up
        m_folderA = m_photos.filePath("a");
        m_folderB = m_photos.filePath("b");
        QVERIFY(QDir().mkpath(m_folderA + "/sub") && QDir().mkpath(m_folderB));
        for (const char *name : {"IMG_10.jpg", "IMG_2.jpg", "a.JPG", "sub/c.jpg"})
            QVERIFY(!TestJpeg::Write(m_folderA, name).isEmpty());
        QVERIFY(!TestJpeg::WriteBytes(m_folderA, "notes.txt", "no photo").isEmpty());
        QVERIFY(!TestJpeg::Write(m_folderB, "b1.jpg").isEmpty());
    }

    void init() { QSettings("Quillmere", "Veyra").clear(); }

    void scanListsMatchingFilesInOrder()
    {
        QSettings("Quillmere", "Veyra").setValue("Vyera/Filter", "*.jpg;*.txt");
        Scene s;
        QVERIFY(s.document.OnOpenDocument(m_folderA));
        QCOMPARE(s.view.m_hints.first(), long(HINT_RESET));
        QCOMPARE(s.view.m_added, QStringList({"a.JPG", "IMG_2.jpg", "IMG_10.jpg"}));
        QCOMPARE(s.view.m_logSizeAtAdd.first(), 1); // logged before the first thumbnail
        // The filter takes notes.txt, which has no thumbnail and is said to be no photo.
        QCOMPARE(s.document.GetLog(),
                 QStringList({"Opening folder " + m_folderA,
                              "'" + m_folderA + "/notes.txt' is not a JPEG photo"}));
        QCOMPARE(s.Item(2)->GetPathName(), m_folderA + "/IMG_10.jpg");
        QCOMPARE(s.frame.m_pSource->text(), m_folderA);
        QVERIFY(!s.document.IsLoading());

        s.document.GetConfig().IncludeSubDirs = 1;
        s.document.GetConfig().Filter = "img_1*.jpg;c.*";
        s.view.m_added.clear();
        QVERIFY(s.document.OpenFolder(m_folderA));
        QCOMPARE(s.view.m_added, QStringList({"IMG_10.jpg", "c.jpg"}));
    }

    void scanLogsWhatHasNoThumbnail()
    {
        QTemporaryDir dir;
        UnreachableTree::Tree tree;
        QVERIFY(UnreachableTree::Make(dir.path(), &tree));
        Scene s;
        s.document.GetConfig().IncludeSubDirs = 1;
        s.document.GetConfig().Filter = "*.jpg";
        bool scanned = false;
        {
            // Root reads every folder: the scan runs as a user who may not read the locked one.
            UnreachableTree::EffectiveUser user(UnreachableTree::UnprivilegedUid());
            scanned = s.document.OpenFolder(dir.path());
        }
        UnreachableTree::Remove(dir.path());
        QVERIFY(scanned);
        const QString root = dir.path() + "/";
        QCOMPARE(s.document.GetLog(),
                 QStringList(
                     {"Opening folder " + dir.path(),
                      "'" + root + UnreachableTree::kBadNameShown +
                          "' has a name that is not valid UTF-8; skipped",
                      "'" + root + "empty.jpg' is not a JPEG photo",
                      "'" + root + "text.jpg' is not a JPEG photo",
                      "'" + tree.m_tooLong + "' has a path longer than the system allows; skipped",
                      "'" + root + UnreachableTree::kLocked + "' cannot be read; skipped"}));
        // The grid keeps to the photos, the one just below the system's limit included.
        QCOMPARE(s.view.m_added, QStringList({"good.jpg", QFileInfo(tree.m_reachable).fileName()}));
    }

    void failedScansLeaveTheDocumentUsable()
    {
        Scene s;
        QVERIFY(!s.document.OnOpenDocument(m_photos.filePath("missing")));
        QVERIFY(!s.document.IsLoading());
        s.document.SetThumbSize(7); // no box size: refused, never divided by
        QVERIFY(!s.document.OnOpenDocument(m_folderA));
        s.document.SetThumbSize(0);
        QVERIFY(s.document.OnOpenDocument(m_folderA));
        QCOMPARE(s.document.GetImages().GetCount(), 3);
    }

    void pendingItemOutlivesItsList()
    {
        Scene s;
        QVERIFY(s.document.OnOpenDocument(m_folderA));
        VYRImage *pending = s.Item(1);
        s.Queue(pending);
        s.Queue(pending); // queued once, its rotation composed
        QCOMPARE(s.document.GetPendingCount(), 1);

        QVERIFY(s.document.OnOpenDocument(m_folderB));
        QVERIFY(pending->IsDetached());
        // The same folder again: the queued item, turned thumbnail and all, is relisted.
        QVERIFY(s.document.OnOpenDocument(m_folderA));
        QCOMPARE(s.Item(1), pending);
        QVERIFY(!pending->IsDetached());
        QCOMPARE(pending->GetRotation(), 180);

        // Detached again, then its job completes: the document deletes it (ASan watches).
        QVERIFY(s.document.OnOpenDocument(m_folderB));
        s.view.m_hints.clear();
        s.Complete(pending);
        QCOMPARE(s.document.GetPendingCount(), 0);
        QVERIFY(s.view.m_hints.isEmpty());
        // A listed item completes and stays listed.
        VYRImage *listed = s.Item(0);
        s.Queue(listed);
        s.Complete(listed);
        QCOMPARE(s.Item(0), listed);

        // The worker purged the queue while the item was still marked pending: clearing
        // the list must free it, since nothing else owns it any more.
        s.Queue(listed);
        s.document.ClearQueue();
        QVERIFY(s.document.OnOpenDocument(m_folderA));
    }

    void quitQuestionGuardsTheQueue()
    {
        Scene s;
        int asked = 0;
        int answer = QL_IDNO;
        QLSetPromptHandler([&](const QString &in_text, unsigned in_type) {
            ++asked;
            return in_text == VYRText::kQuitPending && (in_type & 0x000F) == QL_MB_YESNO ? answer
                                                                                         : -1;
        });
        QVERIFY(s.document.SaveModified());
        QCOMPARE(asked, 0);

        QVERIFY(s.document.OnOpenDocument(m_folderA));
        s.Queue(s.Item(0));
        QVERIFY(s.document.OnOpenDocument(m_folderB)); // that item is detached now
        VYRImage *listed = s.Item(0);
        s.Queue(listed);
        s.view.m_hints.clear();
        QVERIFY(!s.document.SaveModified());
        QCOMPARE(asked, 1);
        QVERIFY(s.document.GetPendingCount() == 2 && listed->IsPending() &&
                s.view.m_hints.isEmpty());

        answer = QL_IDYES;
        QVERIFY(s.document.SaveModified());
        QCOMPARE(asked, 2);
        QCOMPARE(s.view.m_hints, QList<long>({HINT_QUEUE_ABANDONED}));
        QVERIFY(s.document.GetPendingCount() == 0 && !listed->IsPending());
        QCOMPARE(s.Item(0), listed);
        QLSetPromptHandler({});
    }

    // The real question box: Enter (its default button) keeps the queue and the window.
    void enterAtTheQuitQuestionKeepsTheQueue()
    {
        Scene s;
        QVERIFY(s.document.OnOpenDocument(m_folderA));
        s.Queue(s.Item(0));
        QString shown;
        QTimer::singleShot(0, [&] {
            QWidget *box = QApplication::activeModalWidget();
            QVERIFY(box);
            shown = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))->text();
            QTest::keyClick(box, Qt::Key_Return);
        });
        QVERIFY(!s.document.SaveModified());
        QCOMPARE(shown, QString::fromUtf8(VYRText::kQuitPending));
        QCOMPARE(s.document.GetPendingCount(), 1);
        QVERIFY(s.Item(0)->IsPending());
    }

    void stopRequests_data()
    {
        QTest::addColumn<int>("stopAt");
        QTest::newRow("during the scan") << 1;
        QTest::newRow("after the last image") << 3;
    }

    void stopRequests()
    {
        QFETCH(int, stopAt);
        Scene s;
        s.view.m_onHint = [&](long in_hint) {
            if (in_hint == HINT_ITEM_ADDED && s.view.m_added.size() == stopAt)
                s.document.RequestStopLoading();
        };
        QVERIFY(s.document.OnOpenDocument(m_folderA));
        QCOMPARE(s.document.GetImages().GetCount(), stopAt);
        QVERIFY(!s.document.IsStopLoadingRequested());
        QTRY_COMPARE(s.frame.Stops(), 1);
        // Consumed: the next scan runs to its end and posts nothing.
        s.view.m_onHint = nullptr;
        QVERIFY(s.document.OnOpenDocument(m_folderA));
        QCOMPARE(s.document.GetImages().GetCount(), 3);
        QCoreApplication::processEvents();
        QCOMPARE(s.frame.Stops(), 1);
    }

    void logViewShowsWholeHistory_data()
    {
        QTest::addColumn<int>("closeKey");
        QTest::newRow("Escape") << int(Qt::Key_Escape);
        QTest::newRow("Enter") << int(Qt::Key_Return);
    }

    void logViewShowsWholeHistory()
    {
        QFETCH(int, closeKey);
        TestFrame frame;
        Document document;
        document.AddLogLine("first");
        QVERIFY(LogEnabled(document));
        QVERIFY(document.OnCmdMsg(ID_VIEW_LOG, QL_CN_COMMAND, nullptr));
        QPointer<LogViewDlg> view = dynamic_cast<LogViewDlg *>(document.GetLogView());
        QVERIFY(view && view->isVisible() && !LogEnabled(document));
        QCOMPARE(view->windowTitle(), QString::fromUtf8(VYRShellText::kLogTitle));
        QCOMPARE(QLFindControl(&frame, IDC_LOG_LIST), view->GetList());
        document.AddLogLine("second");
        QCOMPARE(Lines(view), QStringList({"first", "second"}));

        QTest::keyClick(view->GetList(), Qt::Key(closeKey));
        QVERIFY(!document.GetLogView() && LogEnabled(document));
        QTRY_VERIFY(!view); // destroyed, not merely hidden
        document.AddLogLine("third");
        document.OnViewLog();
        QCOMPARE(Lines(document.GetLogView()), QStringList({"first", "second", "third"}));
    }

    void controlBarFoldersAndInplace()
    {
        TestFrame frame;
        Document document;
        document.GetConfig().RootPath = "/photos/in";
        document.GetConfig().DestPath = "/photos/old";
        QVERIFY(document.OnNewDocument());
        // In place: the output folder follows the source folder.
        QCOMPARE(frame.m_pDest->text(), QStringLiteral("/photos/in"));
        QTRY_COMPARE(frame.m_messages.size(), 1);
        QCOMPARE(frame.m_messages[0],
                 qMakePair(unsigned(QL_WM_COMMAND), QLMakeCommandParam(IDC_SOURCE_BROWSE)));

        QStringList opened; // the folders the picker opened on
        QString answer = "/photos/out";
        QLBrowseFolderDlg::SetChooser([&](QWidget *in_pOwner, const QString &in_initial) {
            opened << in_initial;
            return in_pOwner == &frame ? answer : QString();
        });
        document.OnCmdMsg(IDC_DEST_BROWSE, QL_CN_COMMAND, nullptr);
        QVERIFY(opened.isEmpty()); // in place: nothing to pick
        frame.m_pInplace->setChecked(false);
        QVERIFY(document.OnCmdMsg(IDC_INPLACE, QL_CN_COMMAND, nullptr));
        document.SetRootPath("/photos/new");
        QCOMPARE(document.GetDestPath(), QStringLiteral("/photos/in"));
        QVERIFY(document.OnCmdMsg(IDC_DEST_BROWSE, QL_CN_COMMAND, nullptr));
        QCOMPARE(opened, QStringList({"/photos/new"}));
        QCOMPARE(frame.m_pDest->text(), QStringLiteral("/photos/out"));
        answer.clear(); // cancelled: nothing changes
        document.OnBrowseDest();
        QCOMPARE(document.GetDestPath(), QStringLiteral("/photos/out"));
        frame.m_pInplace->setChecked(true);
        document.OnInplace();
        QCOMPARE(frame.m_pDest->text(), QStringLiteral("/photos/new"));
        QLBrowseFolderDlg::SetChooser({});
    }
};

QTEST_MAIN(TestDocument)
#include "tst_document.moc"
