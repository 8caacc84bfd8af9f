// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The queue's cases that need thought: the lock during the file work, output names, one message
// for many failures, a photo queued again while its job ran.
#include "queuerig.h"
#include "queuetest.h"

class TestQueueCases : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_store.isValid());
        QVERIFY(IsolateStore(m_store.path()));
    }

    void cleanup()
    {
        QCOMPARE(CountedImage::LiveCount(), 0);
        QCOMPARE(CountedImage::DoubleDeletes(), 0);
    }

    // While a file is being written the catalog lock is free: the user-interface thread can
    // queue, and the list shows only the jobs not yet started.
    void lockFreeDuringFileWork()
    {
        QTemporaryDir dir;
        const QString first =
            TestJpeg::Write(dir.path(), "a.jpg", PhotoOptions(TestJpeg::Exif::Intel, 6));
        const QString second =
            TestJpeg::Write(dir.path(), "b.jpg", PhotoOptions(TestJpeg::Exif::Intel, 6));
        QVERIFY(!first.isEmpty() && !second.isEmpty());
        const QImage before = TestJpeg::Decode(first);

        std::mutex mutex;
        std::condition_variable changed;
        bool inEngine = false;
        bool release = false;
        ScopedEngineHook hook([&] {
            std::unique_lock<std::mutex> lock(mutex);
            if (inEngine)
                return; // only the first job waits
            inEngine = true;
            changed.notify_all();
            changed.wait_for(lock, std::chrono::seconds(20), [&] { return release; });
        });
        QueueRig rig;
        VYRImage *a = rig.AddItem(first);
        VYRImage *b = rig.AddItem(second);
        rig.Queue(a, 90);
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                std::lock_guard<std::mutex> lock(mutex);
                return inEngine;
            }(),
            kJobTimeoutMs);

        QVERIFY(g_catalogLock.try_lock());
        g_catalogLock.unlock();
        rig.Queue(b, 180);
        QTRY_COMPARE(rig.m_pView->GetTaskCount(), 1); // a's row went as its write began
        QCOMPARE(rig.m_pView->GetTaskItem(0), b);
        QCOMPARE(rig.m_doc.GetTitle(), QString("1 items pending"));
        QCOMPARE(rig.LogCount(Rotated("a.jpg")), 0);
        {
            std::lock_guard<std::mutex> lock(mutex);
            release = true;
        }
        changed.notify_all();

        QTRY_COMPARE_WITH_TIMEOUT(rig.LogCount(Rotated("b.jpg")), 1, kJobTimeoutMs);
        QCOMPARE(rig.m_doc.GetLog().indexOf(Rotated("a.jpg")) <
                     rig.m_doc.GetLog().indexOf(Rotated("b.jpg")),
                 true);
        QVERIFY(IsTurned(TestJpeg::Decode(first), before, 90));
        QCOMPARE(TestJpeg::Decode(second).size(), before.size());
        QCOMPARE(rig.m_doc.GetTitle(), QString("0 items pending"));
    }

    // With the output folder set to the source folder, a subfolder's namesake maps onto a photo
    // that is listed but was never turned: that photo is never replaced.
    void listedPhotoIsNeverAnOutput()
    {
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath("in/sub")));
        TestJpeg::Options options = PhotoOptions(TestJpeg::Exif::Intel, 6);
        const QString top = TestJpeg::Write(dir.filePath("in"), "a.jpg", options);
        options.seed = 9;
        const QString nested = TestJpeg::Write(dir.filePath("in/sub"), "a.jpg", options);
        QVERIFY(!top.isEmpty() && !nested.isEmpty());
        const QByteArray topBytes = TestJpeg::ReadAll(top);
        const QByteArray nestedBytes = TestJpeg::ReadAll(nested);
        PromptLog prompts(QL_IDOK);

        QueueRig rig;
        rig.m_doc.GetConfig().Inplace = 0;
        rig.m_doc.GetConfig().DestPath = dir.filePath("in");
        rig.AddItem(top);
        VYRImage *second = rig.AddItem(nested);
        rig.Queue(second, 90);
        QTRY_COMPARE_WITH_TIMEOUT(rig.LogCount(Failed("a.jpg")), 1, kJobTimeoutMs);
        QCOMPARE(TestJpeg::ReadAll(top), topBytes);
        QCOMPARE(TestJpeg::ReadAll(nested), nestedBytes);
        QCOMPARE(second->GetPathName(), nested);
        QVERIFY(prompts.m_texts.isEmpty());
    }

    // With subfolders, two photos of the same name map to one output file: the second job
    // fails, says why, and the first one's result stays. The first photo may be turned again.
    void outputOfAnotherPhotoIsKept()
    {
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath("in/sub")) && QDir().mkpath(dir.filePath("out")));
        TestJpeg::Options options = PhotoOptions(TestJpeg::Exif::Intel, 6);
        const QString top = TestJpeg::Write(dir.filePath("in"), "a.jpg", options);
        options.seed = 9;
        const QString nested = TestJpeg::Write(dir.filePath("in/sub"), "a.jpg", options);
        QVERIFY(!top.isEmpty() && !nested.isEmpty());
        const QImage topBefore = TestJpeg::Decode(top);
        const QByteArray nestedBytes = TestJpeg::ReadAll(nested);
        const QString output = dir.filePath("out") + QDir::separator() + "a.jpg";
        PromptLog prompts(QL_IDOK);

        QueueRig rig;
        rig.m_doc.GetConfig().Inplace = 0;
        rig.m_doc.GetConfig().DestPath = dir.filePath("out");
        VYRImage *first = rig.AddItem(top);
        VYRImage *second = rig.AddItem(nested);
        const QImage secondThumbnail = second->GetBitmap().m_image;
        rig.Queue(first, 90);
        rig.Queue(second, 90);
        QTRY_COMPARE_WITH_TIMEOUT(rig.LogCount(Failed("a.jpg")), 1, kJobTimeoutMs);

        QCOMPARE(rig.LogCount(Rotated("a.jpg")), 1);
        const QString reason = QString::asprintf(VYRText::kLogOutputTaken,
                                                 qUtf8Printable(QDir::toNativeSeparators(output)),
                                                 qUtf8Printable(QDir::toNativeSeparators(top)));
        const int failedAt = rig.m_doc.GetLog().indexOf(Failed("a.jpg"));
        QCOMPARE(rig.m_doc.GetLog().value(failedAt - 1), reason);
        QVERIFY(IsTurned(TestJpeg::Decode(output), topBefore, 90));
        QCOMPARE(TestJpeg::ReadAll(nested), nestedBytes);
        QCOMPARE(second->GetPathName(), nested);
        QCOMPARE(second->GetBitmap().m_image, secondThumbnail);
        QVERIFY(prompts.m_texts.isEmpty());

        // The first photo's item now names the output: turning it again is its own business.
        QCOMPARE(first->GetPathName(), output);
        rig.Queue(first, 90);
        QTRY_COMPARE_WITH_TIMEOUT(rig.LogCount(Rotated("a.jpg")), 2, kJobTimeoutMs);
        QVERIFY(IsTurned(TestJpeg::Decode(output), topBefore, 180));
        QCOMPARE(rig.LogCount(Failed("a.jpg")), 1);
    }

    // However the output folder is spelled, one file is one output.
    void outputClaimsSeeOneFileThroughItsSpellings()
    {
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath("out")));
        QVERIFY(QFile::link(dir.filePath("out"), dir.filePath("link")));
        VYROutputClaims claims;
        QVERIFY(claims.Claim(dir.filePath("out/a.jpg"), dir.filePath("in/a.jpg")));
        QString holder;
        for (const char *spelling :
             {"out//a.jpg", "out/./a.jpg", "in/../out/a.jpg", "link/a.jpg"}) {
            holder.clear();
            QVERIFY2(!claims.Claim(dir.filePath(spelling), dir.filePath("in/sub/a.jpg"), &holder),
                     spelling);
            QCOMPARE(QFileInfo(holder).fileName(), QStringLiteral("a.jpg"));
        }
        QVERIFY(claims.Claim(dir.filePath("link/a.jpg"), dir.filePath("in//a.jpg")));
        QVERIFY(claims.Claim(dir.filePath("out/b.jpg"), dir.filePath("in/sub/a.jpg")));
        // The result turned again where it lies; a photo turned in place owns its file.
        QVERIFY(claims.Claim(dir.filePath("out/a.jpg"), dir.filePath("out/a.jpg")));
        QVERIFY(claims.Claim(dir.filePath("out/c.jpg"), dir.filePath("out/c.jpg")));
        QVERIFY(!claims.Claim(dir.filePath("out/c.jpg"), dir.filePath("out/sub/c.jpg")));
    }

    // A batch into a read-only folder: every failure is logged, but while the message is on
    // screen no second one opens.
    void oneReadOnlyMessageForManyFailures()
    {
        QTemporaryDir dir;
        const QString outDir = dir.filePath("out");
        QVERIFY(QDir().mkpath(outDir));
        QueueRig rig;
        rig.m_doc.GetConfig().Inplace = 0;
        rig.m_doc.GetConfig().DestPath = outDir;
        constexpr int kPhotos = 6;
        TestJpeg::Options options = PhotoOptions(TestJpeg::Exif::Intel, 6);
        for (int i = 0; i < kPhotos; ++i) {
            options.seed = quint32(i + 1);
            const QString path =
                TestJpeg::Write(dir.path(), QString::asprintf("p%d.jpg", i), options);
            QVERIFY(!path.isEmpty());
            rig.Queue(rig.AddItem(path), 90);
        }
        QVERIFY(QFile::setPermissions(outDir, QFile::ReadOwner | QFile::ExeOwner));

        int shown = 0;
        const auto failures = [&] {
            int count = 0;
            for (const QString &line : rig.m_doc.GetLog())
                count += line.startsWith("Failed to rotate") ? 1 : 0;
            return count;
        };
        // The user reads the first message for as long as the batch takes: its event loop
        // serves the worker's notices meanwhile.
        const QLPromptHandler previous =
            QLSetPromptHandler([&](const QString &in_text, unsigned) -> int {
                if (in_text == QString::fromUtf8(VYRText::kReadOnly))
                    ++shown;
                QDeadlineTimer deadline(kJobTimeoutMs);
                while (failures() < kPhotos && !deadline.hasExpired())
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
                return QL_IDOK;
            });
        QTRY_COMPARE_WITH_TIMEOUT(failures(), kPhotos, kJobTimeoutMs);
        QTRY_COMPARE(rig.m_pView->GetTaskCount(), 0);
        rig.StopWorker();
        QLSetPromptHandler(previous);
        QFile::setPermissions(outDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(shown, 1);
        QCOMPARE(QDir(outDir).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // A click on an item while its file is being written: the request is kept and queued on
    // the written file once the job is over. Driven by hand, without a worker, to fix the
    // order of events.
    void queuedAgainWhileJobRan_data()
    {
        QTest::addColumn<bool>("jobFailed");
        QTest::newRow("job succeeded") << false;
        QTest::newRow("job failed") << true;
    }

    void queuedAgainWhileJobRan()
    {
        QFETCH(bool, jobFailed);
        QueueRig rig(false);
        rig.m_doc.GetConfig().Inplace = 0;
        rig.m_doc.GetConfig().DestPath = "/out";
        VYRTaskVw *view = rig.m_pView;
        VYRImage *item = rig.AddItem("/photos/a.jpg");
        rig.Queue(item, 90);
        const QImage turnedOnce = item->GetBitmap().m_image;
        const QString output = QDir::toNativeSeparators("/out/a.jpg");

        // The worker's side: row 0 taken, the angle moved into the job, the row gone as the
        // file work begins.
        VYRJob job;
        QVERIFY(view->TakeNextJob(&job));
        QCOMPARE(job.m_pItem, item);
        QCOMPARE(job.m_output, output);
        {
            QLLockGuard lock(g_catalogLock);
            QVERIFY(view->IsRunningJob(item));
            QCOMPARE(item->GetRotation(), 90);
            item->ResetRotation();
        }
        view->OnRotationDone(0, reinterpret_cast<qintptr>(item));
        QCOMPARE(view->GetTaskCount(), 0);

        // The click during the write: a row now would name the source the job is replacing.
        rig.Queue(item, 90);
        QCOMPARE(view->GetTaskCount(), 0);
        QCOMPARE(rig.m_doc.GetPendingCount(), 1);

        if (!jobFailed) {
            QLLockGuard lock(g_catalogLock);
            item->SetPathName(job.m_output); // as the worker does once the file is written
        }
        VYRJobOutcome outcome;
        outcome.m_result = jobFailed ? VYRJobResult::Failed : VYRJobResult::Done;
        outcome.m_angle = 90;
        outcome.m_output = job.m_output;
        view->OnRotationFinished(item, outcome);
        QCOMPARE(rig.LastLog(), jobFailed ? Failed("a.jpg") : Rotated("a.jpg"));
        QCOMPARE(view->GetTaskCount(), 1);
        QCOMPARE(view->GetTaskText(0, VYRTaskVw::COL_STATUS), QString("Pending..."));
        QCOMPARE(view->GetTaskText(0, VYRTaskVw::COL_SOURCE),
                 jobFailed ? QString("/photos/a.jpg") : output);
        QCOMPARE(view->GetTaskText(0, VYRTaskVw::COL_ROTATION), QString("90"));
        QCOMPARE(item->GetRotation(), 90);
        QVERIFY(item->IsPending());
        QCOMPARE(rig.m_doc.GetPendingCount(), 1);
        QCOMPARE(rig.m_doc.GetTitle(), QString("1 items pending"));
        QVERIFY(!view->IsRunningJob(item));
        // The thumbnail shows what the file will be: a failed job's turn is taken back, the
        // pending one stays.
        QCOMPARE(item->GetBitmap().m_image,
                 jobFailed ? turnedOnce : TestJpeg::Rotate(turnedOnce, 90));

        // A second completion notice for the same job is stale and changes nothing.
        view->OnRotationFinished(item, outcome);
        QCOMPARE(view->GetTaskCount(), 1);
        QCOMPARE(rig.m_doc.GetLog().count(jobFailed ? Failed("a.jpg") : Rotated("a.jpg")), 1);
    }

private:
    QTemporaryDir m_store;
};

QTEST_MAIN(TestQueueCases)
#include "tst_queuecases.moc"
