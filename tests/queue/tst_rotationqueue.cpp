// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The rotation queue end to end: the document, the task list and its worker on real files.
#include "queuerig.h"
#include "queuetest.h"

class TestRotationQueue : public QObject
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

    // The list itself, before the worker gets a turn (it needs this thread to read rows).
    void taskRows()
    {
        QTemporaryDir dir;
        const QString path =
            TestJpeg::Write(dir.path(), "a.jpg", PhotoOptions(TestJpeg::Exif::Intel, 1));
        const QString other =
            TestJpeg::Write(dir.path(), "b.jpg", PhotoOptions(TestJpeg::Exif::Intel, 1));
        QVERIFY(!path.isEmpty() && !other.isEmpty());
        PromptLog prompts(QL_IDYES);
        QueueRig rig;
        QCOMPARE(rig.m_startResult, 0);
        VYRTaskVw *view = rig.m_pView;

        QCOMPARE(view->columnCount(), 4);
        const QStringList headers = {"Status", "Source", "Output", "Rotation"};
        const int widths[] = {78, 400, 400, 70};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(view->headerItem()->text(i), headers[i]);
            QCOMPARE(view->columnWidth(i), widths[i]);
        }
        QVERIFY(view->headerItem()->textAlignment(VYRTaskVw::COL_ROTATION) & Qt::AlignRight);

        rig.m_doc.GetConfig().Inplace = 0;
        rig.m_doc.GetConfig().DestPath = "/out/";
        VYRImage *item = rig.AddItem(path);
        rig.Queue(item, 90);
        QCOMPARE(view->GetTaskCount(), 1);
        QCOMPARE(view->GetTaskText(0, VYRTaskVw::COL_STATUS), QString("Pending..."));
        QCOMPARE(view->GetTaskText(0, VYRTaskVw::COL_SOURCE), path);
        // The separator is added even when the folder already ends in one.
        QCOMPARE(view->GetTaskText(0, VYRTaskVw::COL_OUTPUT), QString("/out//a.jpg"));
        QCOMPARE(view->GetTaskText(0, VYRTaskVw::COL_ROTATION), QString("90"));
        QCOMPARE(view->GetTaskItem(0), item);
        QVERIFY(item->IsPending());
        QCOMPARE(rig.m_doc.GetTitle(), QString("1 items pending"));

        // Queued again: the angle combines, the row and its paths stay.
        rig.m_doc.GetConfig().Inplace = 1;
        rig.Queue(item, 90);
        QCOMPARE(view->GetTaskCount(), 1);
        QCOMPARE(view->GetTaskText(0, VYRTaskVw::COL_ROTATION), QString("180"));
        QCOMPARE(view->GetTaskText(0, VYRTaskVw::COL_OUTPUT), QString("/out//a.jpg"));
        QCOMPARE(rig.m_doc.GetTitle(), QString("1 items pending"));

        // Hints the list does not handle, and its own hints, leave it alone.
        VYRImage *second = rig.AddItem(other);
        rig.m_doc.UpdateAllViews(nullptr, HINT_ITEM_ADDED, second);
        {
            QLLockGuard lock(g_catalogLock);
            second->Rotate(90);
        }
        rig.m_doc.NotifyViews(view, HINT_ITEM_QUEUED, second);
        QCOMPARE(view->GetTaskCount(), 1);
        QVERIFY(!second->IsPending());
        {
            QLLockGuard lock(g_catalogLock);
            second->Rotate(-90);
        }

        // A confirmed quit empties the list at once; the worker then finds nothing to do.
        const QByteArray bytes = TestJpeg::ReadAll(path);
        QVERIFY(rig.m_doc.SaveModified());
        QCOMPARE(view->GetTaskCount(), 0);
        QVERIFY(!item->IsPending());
        QCOMPARE(rig.m_doc.GetPendingCount(), 0);
        QCOMPARE(prompts.Count(VYRText::kQuitPending), 1);
        rig.StopWorker();
        QCOMPARE(TestJpeg::ReadAll(path), bytes);
        QCOMPARE(rig.LogCount(Rotated("a.jpg")), 0);
    }

    void rotatesInPlace_data()
    {
        QTest::addColumn<int>("exif");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("angle");
        QTest::newRow("Intel, 6, 90") << int(TestJpeg::Exif::Intel) << 6 << 90;
        QTest::newRow("Motorola, 6, 90") << int(TestJpeg::Exif::Motorola) << 6 << 90;
        QTest::newRow("Intel, 3, 180") << int(TestJpeg::Exif::Intel) << 3 << 180;
        QTest::newRow("Motorola, 8, -90") << int(TestJpeg::Exif::Motorola) << 8 << -90;
    }

    void rotatesInPlace()
    {
        QFETCH(int, exif);
        QFETCH(int, orientation);
        QFETCH(int, angle);
        QTemporaryDir dir;
        TestJpeg::Layout layout;
        const QString path = TestJpeg::Write(
            dir.path(), "photo.jpg", PhotoOptions(TestJpeg::Exif(exif), orientation), &layout);
        QVERIFY(!path.isEmpty());
        const QImage before = TestJpeg::Decode(path);
        const QByteArray exifBefore = ExifPayload(path);
        QVERIFY(!exifBefore.isEmpty());

        QueueRig rig;
        VYRImage *item = rig.AddItem(path);
        rig.Queue(item, angle);
        QCOMPARE(rig.m_doc.GetTitle(), QString("1 items pending"));
        QTRY_COMPARE_WITH_TIMEOUT(rig.LastLog(), Rotated("photo.jpg"), kJobTimeoutMs);

        QCOMPARE(rig.m_pView->GetTaskCount(), 0);
        QCOMPARE(rig.m_doc.GetTitle(), QString("0 items pending"));
        QCOMPARE(rig.m_doc.GetPendingCount(), 0);
        QCOMPARE(item->GetPathName(), path);
        QVERIFY(!item->IsPending());
        QCOMPARE(item->GetRotation(), 0);

        QVERIFY(IsTurned(TestJpeg::Decode(path), before, angle));
        QCOMPARE(TestJpeg::ReadOrientationOfFile(path), 1);
        // Only the Orientation value and the sizes (IFD0's first two entries, swapped by a
        // quarter turn) changed in the Exif segment.
        const QByteArray exifAfter = ExifPayload(path);
        const qint64 valueAt = layout.orientationEntry - layout.exifPayload + 8;
        const qint64 sizesAt = layout.ifd0 - layout.exifPayload + 2;
        QCOMPARE(exifAfter.size(), exifBefore.size());
        for (qint64 d : TestJpeg::DifferingOffsets(exifBefore, exifAfter)) {
            const bool size =
                angle != 180 && d >= sizesAt && d < sizesAt + 24 && (d - sizesAt) % 12 >= 8;
            QVERIFY2(size || (d >= valueAt && d < valueAt + 2),
                     qPrintable(TestJpeg::Hex(exifAfter, valueAt - 8, 12)));
        }
        QCOMPARE(TestJpeg::ReadExif(TestJpeg::ReadAll(path)).ifd0.value(256),
                 quint32(TestJpeg::Decode(path).width()));
    }

    void rotatesIntoOutputFolder()
    {
        QTemporaryDir dir;
        const QString outDir = dir.filePath("out");
        QVERIFY(QDir().mkpath(outDir));
        const QString source =
            TestJpeg::Write(dir.path(), "a.jpg", PhotoOptions(TestJpeg::Exif::Intel, 6));
        QVERIFY(!source.isEmpty());
        const QByteArray sourceBytes = TestJpeg::ReadAll(source);
        const QImage before = TestJpeg::Decode(source);
        const QString output = outDir + QDir::separator() + "a.jpg";
        TraceLog traces;

        QueueRig rig;
        rig.m_doc.GetConfig().Inplace = 0;
        rig.m_doc.GetConfig().DestPath = outDir;
        VYRImage *item = rig.AddItem(source);
        rig.Queue(item, 90);
        QCOMPARE(rig.m_pView->GetTaskText(0, VYRTaskVw::COL_OUTPUT), output);
        QTRY_COMPARE_WITH_TIMEOUT(rig.LogCount(Rotated("a.jpg")), 1, kJobTimeoutMs);

        QCOMPARE(TestJpeg::ReadAll(source), sourceBytes);
        QVERIFY(IsTurned(TestJpeg::Decode(output), before, 90));
        QCOMPARE(TestJpeg::ReadOrientationOfFile(output), 1);
        QCOMPARE(item->GetPathName(), output);
        // The output did not exist yet: its attributes could not be read (file not found).
        QCOMPARE(traces.Count("Error getting file attributes: 2\n"), 1);

        // The item now names the output, so the next job turns that file again.
        rig.Queue(item, 90);
        QCOMPARE(rig.m_pView->GetTaskText(0, VYRTaskVw::COL_SOURCE), output);
        QTRY_COMPARE_WITH_TIMEOUT(rig.LogCount(Rotated("a.jpg")), 2, kJobTimeoutMs);
        QCOMPARE(TestJpeg::ReadAll(source), sourceBytes);
        QVERIFY(IsTurned(TestJpeg::Decode(output), before, 180));
        QCOMPARE(traces.Count("Error getting file attributes: 2\n"), 1);
    }

    void failedJob_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("readOnlyPrompts");
        // Another file at the output name is never replaced, read-only or not: no message.
        QTest::newRow("read-only output file") << "file" << 0;
        QTest::newRow("read-only output folder") << "folder" << 1;
        QTest::newRow("output path too long") << "long" << 0;
        QTest::newRow("no output folder chosen") << "none" << 0;
    }

    // A job that fails: the thumbnail turns back, the item keeps its path, nothing is written.
    void failedJob()
    {
        QFETCH(QString, kind);
        QFETCH(int, readOnlyPrompts);
        QTemporaryDir dir;
        QString outDir = dir.filePath("out");
        QVERIFY(QDir().mkpath(outDir));
        const QString source =
            TestJpeg::Write(dir.path(), "a.jpg", PhotoOptions(TestJpeg::Exif::Intel, 6));
        QVERIFY(!source.isEmpty());
        const QByteArray sourceBytes = TestJpeg::ReadAll(source);
        const QString output = outDir + "/a.jpg";
        if (kind == "file") {
            QVERIFY(QFile::copy(source, output));
            QVERIFY(QFile::setPermissions(output,
                                          QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        } else if (kind == "folder") {
            QVERIFY(QFile::setPermissions(outDir, QFile::ReadOwner | QFile::ExeOwner));
        } else if (kind == "long") {
            outDir = dir.filePath(QString(4200, QLatin1Char('d')));
        } else {
            outDir.clear(); // must not become the root folder
        }
        PromptLog prompts(QL_IDOK);
        BitmapTurnWatch turns;

        {
            QueueRig rig;
            rig.m_doc.GetConfig().Inplace = 0;
            rig.m_doc.GetConfig().DestPath = outDir;
            VYRImage *item = rig.AddItem(source);
            rig.Queue(item, 90);
            QVERIFY(item->GetBitmap().m_image != TestThumbnail());
            QTRY_COMPARE_WITH_TIMEOUT(rig.LogCount(Failed("a.jpg")), 1, kJobTimeoutMs);
            QTRY_COMPARE_WITH_TIMEOUT(prompts.Count(VYRText::kReadOnly), readOnlyPrompts,
                                      kJobTimeoutMs);

            QCOMPARE(rig.LogCount(Rotated("a.jpg")), 0);
            QCOMPARE(rig.m_pView->GetTaskCount(), 0);
            QCOMPARE(rig.m_doc.GetTitle(), QString("0 items pending"));
            QCOMPARE(item->GetBitmap().m_image, TestThumbnail());
            // Turned when queued, turned back when completed: both on this thread.
            QCOMPARE(BitmapTurnWatch::Turns().load(), 2);
            QCOMPARE(BitmapTurnWatch::OffThread().load(), 0);
            QCOMPARE(item->GetPathName(), source);
            QCOMPARE(item->GetRotation(), 0);
            QVERIFY(!item->IsPending());
            QCOMPARE(TestJpeg::ReadAll(source), sourceBytes);
            if (kind == "file") {
                QCOMPARE(TestJpeg::ReadAll(output), sourceBytes);
                const QStringList log = rig.m_doc.GetLog();
                QCOMPARE(log.value(log.indexOf(Failed("a.jpg")) - 1),
                         QString::asprintf(VYRReasonText::kOutputExists,
                                           qUtf8Printable(QDir::toNativeSeparators(output))));
            }
            rig.StopWorker(); // any second message would have been asked for by now
        }
        QCOMPARE(prompts.Count(VYRText::kReadOnly), readOnlyPrompts);
        QCOMPARE(prompts.m_texts.size(), readOnlyPrompts);
        QFile::setPermissions(outDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // 90 and then -90 before the worker reaches the item: no job, the file stays as it was.
    void cancelledBeforeStart()
    {
        QTemporaryDir dir;
        const QString path =
            TestJpeg::Write(dir.path(), "a.jpg", PhotoOptions(TestJpeg::Exif::Intel, 6));
        const QString next =
            TestJpeg::Write(dir.path(), "b.jpg", PhotoOptions(TestJpeg::Exif::Intel, 6));
        QVERIFY(!path.isEmpty() && !next.isEmpty());
        const QByteArray bytes = TestJpeg::ReadAll(path);

        QueueRig rig;
        VYRImage *item = rig.AddItem(path);
        VYRImage *other = rig.AddItem(next);
        rig.Queue(item, 90);
        rig.Queue(other, 90);
        QCOMPARE(rig.m_doc.GetTitle(), QString("2 items pending"));
        // Without a turn of the event loop the worker cannot have read a row yet.
        rig.Queue(item, -90);
        QCOMPARE(rig.m_pView->GetTaskCount(), 1);
        QCOMPARE(rig.m_pView->GetTaskItem(0), other);
        QCOMPARE(rig.m_doc.GetTitle(), QString("1 items pending"));
        // Nothing was written, and the log does not claim a turn.
        QCOMPARE(rig.LastLog(), QString("Nothing to write for 'a.jpg': its turns cancel out"));
        QVERIFY(!item->IsPending());
        QCOMPARE(rig.m_doc.GetPendingCount(), 1);

        QTRY_COMPARE_WITH_TIMEOUT(rig.LogCount(Rotated("b.jpg")), 1, kJobTimeoutMs);
        rig.StopWorker();
        QCOMPARE(TestJpeg::ReadAll(path), bytes);
        QCOMPARE(rig.LogCount(Rotated("a.jpg")), 0);
        QCOMPARE(TestJpeg::ReadOrientationOfFile(next), 1);
    }

    void manyJobsInOrder()
    {
        QTemporaryDir dir;
        TestJpeg::Options options = PhotoOptions(TestJpeg::Exif::Intel, 6);
        options.width = 32;
        options.height = 16;
        QueueRig rig;
        QList<VYRImage *> items;
        QStringList expected;
        for (int i = 0; i < 50; ++i) {
            const QString name = QString::asprintf("img_%02d.jpg", i);
            options.seed = static_cast<quint32>(i + 1);
            const QString path = TestJpeg::Write(dir.path(), name, options);
            QVERIFY(!path.isEmpty());
            items << rig.AddItem(path);
            expected << Rotated(name);
        }
        for (VYRImage *item : items)
            rig.Queue(item, 90);
        QCOMPARE(rig.m_pView->GetTaskCount(), 50);
        QCOMPARE(rig.m_doc.GetTitle(), QString("50 items pending"));

        QTRY_COMPARE_WITH_TIMEOUT(rig.m_pView->GetTaskCount(), 0, 10 * kJobTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(rig.m_doc.GetPendingCount(), 0, kJobTimeoutMs);
        QStringList done;
        for (const QString &line : rig.m_doc.GetLog()) {
            if (line.startsWith("Successfully") || line.startsWith("Failed"))
                done << line;
        }
        QCOMPARE(done, expected);
        for (VYRImage *item : items) {
            const QImage image = TestJpeg::Decode(item->GetPathName());
            QCOMPARE(image.size(), QSize(16, 32)); // turned exactly once
            QCOMPARE(TestJpeg::ReadOrientationOfFile(item->GetPathName()), 1);
        }
        QCOMPARE(rig.m_doc.GetTitle(), QString("0 items pending"));
    }

    // The view asks the worker to stop while a job is in the engine: the job is finished,
    // completed and logged before the thread ends on its own.
    void stopWhileJobRuns()
    {
        QTemporaryDir dir;
        const QString path =
            TestJpeg::Write(dir.path(), "a.jpg", PhotoOptions(TestJpeg::Exif::Intel, 6));
        const QString next =
            TestJpeg::Write(dir.path(), "b.jpg", PhotoOptions(TestJpeg::Exif::Intel, 6));
        QVERIFY(!path.isEmpty() && !next.isEmpty());
        const QImage before = TestJpeg::Decode(path);
        const QByteArray nextBytes = TestJpeg::ReadAll(next);
        TraceLog traces;
        QueueRig rig;
        VYRTaskVw *view = rig.m_pView;
        std::atomic<int> calls{0};
        ScopedEngineHook hook([view, &calls] {
            ++calls;
            view->OnDestroy(); // only sets the flag, which the worker reads without a lock
        });

        rig.Queue(rig.AddItem(path), 90);
        rig.Queue(rig.AddItem(next), 90);
        QTRY_COMPARE_WITH_TIMEOUT(traces.Count("Exiting thread normally...\n"), 1, kJobTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(rig.LogCount(Rotated("a.jpg")), 1, kJobTimeoutMs);
        QCOMPARE(calls.load(), 1);
        QVERIFY(IsTurned(TestJpeg::Decode(path), before, 90));
        QCOMPARE(TestJpeg::ReadOrientationOfFile(path), 1);
        // The second job never started.
        QCOMPARE(view->GetTaskCount(), 1);
        QCOMPARE(view->GetTaskText(0, VYRTaskVw::COL_STATUS), QString("Pending..."));
        QCOMPARE(TestJpeg::ReadAll(next), nextBytes);
    }

    // Destroying the view while the worker waits for this thread must neither hang nor let
    // the thread outlive the view.
    void destroyWhileWorkerWaits()
    {
        QTemporaryDir dir;
        const QString first =
            TestJpeg::Write(dir.path(), "a.jpg", PhotoOptions(TestJpeg::Exif::Intel, 6));
        const QString second =
            TestJpeg::Write(dir.path(), "b.jpg", PhotoOptions(TestJpeg::Exif::Intel, 6));
        QVERIFY(!first.isEmpty() && !second.isEmpty());
        const QByteArray secondBytes = TestJpeg::ReadAll(second);
        QueueRig rig;
        rig.Queue(rig.AddItem(first), 90);
        rig.Queue(rig.AddItem(second), 90);
        rig.StopWorker(); // the worker is blocked reading row 0 right now
        // At most the row it was reading when asked to stop is done, completed in the wait.
        QVERIFY(rig.LogCount(Rotated("b.jpg")) == 0);
        QCOMPARE(TestJpeg::ReadAll(second), secondBytes);
        if (rig.LogCount(Rotated("a.jpg")) == 1)
            QCOMPARE(TestJpeg::ReadOrientationOfFile(first), 1);
    }

    // The quit question answered Yes while a job is in the engine and its items are
    // detached: the job finishes first, every row goes, every item is freed exactly once.
    void quitWhileJobRuns()
    {
        QTemporaryDir dir;
        QStringList paths;
        for (const char *name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
            paths << TestJpeg::Write(dir.path(), name, PhotoOptions(TestJpeg::Exif::Intel, 6));
            QVERIFY(!paths.last().isEmpty());
        }
        const QImage before = TestJpeg::Decode(paths[0]);
        const QByteArray secondBytes = TestJpeg::ReadAll(paths[1]);
        const QByteArray thirdBytes = TestJpeg::ReadAll(paths[2]);
        PromptLog prompts(QL_IDYES);

        std::mutex mutex;
        std::condition_variable changed;
        bool quitAsked = false;
        ScopedEngineHook hook([&] {
            // Stay in the file work until the quit is under way.
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait_for(lock, std::chrono::seconds(10), [&] { return quitAsked; });
        });

        QueueRig rig;
        VYRTaskVw *view = rig.m_pView;
        rig.Queue(rig.AddItem(paths[0]), 90);
        rig.Queue(rig.AddItem(paths[1]), 90);
        rig.Queue(rig.AddItem(paths[2]), -90);
        rig.AddItem(paths[3]);
        // Another folder is opened: the queued items are detached, the fourth is freed.
        rig.m_doc.DeleteContents();
        QCOMPARE(CountedImage::LiveCount(), 3);

        bool quitResult = false;
        bool quitDone = false;
        int rowsAfterQuit = -1;
        // The first row removal is the worker's notice that a.jpg's file work begins: quit
        // right then, while the file is being written.
        connect(view->model(), &QAbstractItemModel::rowsRemoved, this, [&] {
            if (quitDone || quitAsked)
                return;
            {
                std::lock_guard<std::mutex> lock(mutex);
                quitAsked = true;
            }
            changed.notify_all();
            quitResult = rig.m_doc.SaveModified();
            rowsAfterQuit = view->GetTaskCount();
            quitDone = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(quitDone, kJobTimeoutMs);

        QVERIFY(quitResult);
        QCOMPARE(prompts.Count(VYRText::kQuitPending), 1);
        QCOMPARE(rowsAfterQuit, 0);
        QCOMPARE(rig.m_doc.GetPendingCount(), 0);
        // The quit did not wait for the write: the items are gone while it goes on, and the
        // worker must not touch the one it was writing for.
        QCOMPARE(CountedImage::LiveCount(), 0);
        QCOMPARE(CountedImage::DoubleDeletes(), 0);

        // The program ends only once the worker has ended: the job that was running was
        // carried out whole, its late notices were ignored; the others never started.
        rig.StopWorker();
        QVERIFY(IsTurned(TestJpeg::Decode(paths[0]), before, 90));
        QCOMPARE(TestJpeg::ReadOrientationOfFile(paths[0]), 1);
        QCOMPARE(TestJpeg::ReadAll(paths[1]), secondBytes);
        QCOMPARE(TestJpeg::ReadAll(paths[2]), thirdBytes);
        QCOMPARE(rig.LogCount(Rotated("a.jpg")), 0);
    }

private:
    QTemporaryDir m_store;
};

QTEST_MAIN(TestRotationQueue)
#include "tst_rotationqueue.moc"
