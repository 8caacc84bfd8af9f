// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Batches in a child process: one killed (SIGKILL) part-way leaves every photo either as it
// was or completely rotated, never a partial file nor a temporary one; one run by an ordinary
// user turns a photo it may not write into an output folder, upright; one into an output
// folder leaves another card's namesake alone.
#include "qlimg.h"
#include "testjpeg.h"
#include "vyrorient.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kFiles = 8;

struct Reference
{
    QString m_name;
    QByteArray m_original;
    QByteArray m_finished; // the job's end result
};

} // namespace

class TestKillBatch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_source.isValid());
        // Large enough that a kill often lands inside a file's rotation.
        TestJpeg::Options options;
        options.width = 1600;
        options.height = 1200;
        options.exif = TestJpeg::Exif::Intel;
        options.orientation = 6;
        QTemporaryDir scratch;
        for (int i = 0; i < kFiles; ++i) {
            Reference ref;
            ref.m_name = QString::asprintf("p%02d.jpg", i);
            options.seed = static_cast<quint32>(100 + i);
            const QString path = TestJpeg::Write(m_source.path(), ref.m_name, options);
            QVERIFY(!path.isEmpty());
            ref.m_original = TestJpeg::ReadAll(path);
            const QString copy = scratch.filePath(ref.m_name);
            QVERIFY(QFile::copy(path, copy));
            VYRRotatePhoto(copy, copy, 4);
            ref.m_finished = TestJpeg::ReadAll(copy);
            QVERIFY(ref.m_finished != ref.m_original);
            QCOMPARE(TestJpeg::ReadOrientation(ref.m_finished), 1);
            m_refs << ref;
        }
    }

    void killedBatch_data()
    {
        QTest::addColumn<QByteArray>("trigger");
        QTest::addColumn<int>("occurrence");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<int>("atLeastDone");
        // Taking a job, then a little later: the kill lands at different points of that
        // file's rotation (reading, turning, checking, writing the temporary file, renaming
        // it); one job takes some 60 ms here.
        for (int delayMs : {0, 10, 20, 30, 40, 50, 60})
            QTest::addRow("job 2 + %d ms", delayMs)
                << QByteArray("processing") << 2 << delayMs << 1;
        QTest::addRow("job 1") << QByteArray("processing") << 1 << 0 << 0;
        QTest::addRow("job %d + 30 ms", kFiles)
            << QByteArray("processing") << kFiles << 30 << kFiles - 1;
        // A completion: the kill lands between two jobs. While the batch is queued the count
        // climbs to kFiles, so the completion's count is met for the second time.
        QTest::addRow("after job 3")
            << QString::asprintf("%d items pending", kFiles - 3).toUtf8() << 2 << 0 << 3;
    }

    void killedBatch()
    {
        QFETCH(QByteArray, trigger);
        QFETCH(int, occurrence);
        QFETCH(int, delayMs);
        QFETCH(int, atLeastDone);
        QTemporaryDir dir;
        for (const Reference &ref : m_refs)
            QVERIFY(!TestJpeg::WriteBytes(dir.path(), ref.m_name, ref.m_original).isEmpty());

        QProcess child;
        child.setProgram(QStringLiteral(VEYRA_BATCH_CHILD));
        child.setArguments({dir.path()});
        child.start();
        QVERIFY(child.waitForStarted());
        bool killed = false;
        int met = 0;
        QElapsedTimer clock;
        clock.start();
        QByteArray seen;
        while (!killed && child.state() == QProcess::Running) {
            if (!child.canReadLine() && !child.waitForReadyRead(30000))
                break;
            while (child.canReadLine()) {
                const QByteArray line = child.readLine().trimmed();
                seen += QByteArray::number(clock.elapsed()) + ' ' + line + '\n';
                if (line.startsWith(trigger) && ++met == occurrence) {
                    // Not a wait for a result: this only moves the kill within the job.
                    if (delayMs > 0)
                        QThread::msleep(static_cast<unsigned long>(delayMs));
                    child.kill(); // SIGKILL: no handler, no clean-up
                    killed = true;
                    break;
                }
            }
        }
        QVERIFY2(killed, seen.constData());
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        // A photo is its original bytes or its complete result (turned, Orientation 1): the
        // turn and the tag reset are one write, so no kill can leave one without the other.
        int original = 0, finished = 0;
        for (const Reference &ref : m_refs) {
            const QByteArray bytes = TestJpeg::ReadAll(dir.filePath(ref.m_name));
            if (bytes == ref.m_original)
                ++original;
            else if (bytes == ref.m_finished)
                ++finished;
            else
                QFAIL(qPrintable(ref.m_name + " is neither the original nor the rotated file"));
        }
        const QStringList others = QDir(dir.path())
                                       .entryList(QDir::Files | QDir::Hidden)
                                       .filter(QRegularExpression("^(?!p\\d\\d\\.jpg$)"));
        qInfo("original %d, rotated %d; other files: %s", original, finished,
              qPrintable(others.join(' ')));
        QVERIFY(finished >= atLeastDone);
        // Whatever the kill interrupted, the photos are whole and alone: the result is
        // written into a file without a name until it is complete.
        QVERIFY2(others.isEmpty(), qPrintable(others.join(' ')));
        const QStringList jpegs = QDir(dir.path()).entryList({"*.jpg"}, QDir::Files);
        QCOMPARE(jpegs.size(), kFiles);
    }

    // The window's job into an output folder where another card's photo has the same name:
    // that photo stays byte for byte, the job fails and says why; the other photo is written.
    void namesakeInOutputFolderStays()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("Card2") && QDir(dir.path()).mkdir("Out"));
        const QString card = dir.filePath("Card2");
        const QString out = dir.filePath("Out");
        for (int i = 0; i < 2; ++i)
            QVERIFY(!TestJpeg::WriteBytes(card, m_refs[i].m_name, m_refs[i].m_original).isEmpty());
        const QByteArray other = m_refs[2].m_original;
        QVERIFY(!TestJpeg::WriteBytes(out, m_refs[0].m_name, other).isEmpty());

        QProcess child;
        child.setProgram(QStringLiteral(VEYRA_BATCH_CHILD));
        child.setArguments({card, out});
        child.start();
        QVERIFY(child.waitForFinished(60000));
        const QByteArray printed = child.readAllStandardOutput();
        QCOMPARE(child.exitCode(), 0);
        const QByteArray taken = "log: '" + QFile::encodeName(QDir(out).filePath("p00.jpg")) +
                                 "' already exists in the output folder; not replaced\n"
                                 "log: Failed to rotate 'p00.jpg'\n";
        QVERIFY2(printed.contains(taken), printed.constData());
        QVERIFY2(printed.contains("log: Successfully rotated 'p01.jpg'\n"), printed.constData());
        QCOMPARE(TestJpeg::ReadAll(QDir(out).filePath("p00.jpg")), other);
        QCOMPARE(TestJpeg::ReadAll(QDir(out).filePath("p01.jpg")), m_refs[1].m_finished);
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"p00.jpg", "p01.jpg"}));
        QCOMPARE(TestJpeg::ReadAll(QDir(card).filePath("p00.jpg")), m_refs[0].m_original);
    }

    // The turn and the Orientation reset are one write: a writer who is not root gets an
    // upright output although it could never open that output (0444, as its source) for an
    // update afterwards.
    void readOnlyPhotoIntoOutputFolderAsOrdinaryUser()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("in") && QDir(dir.path()).mkdir("out"));
        const QString in = dir.filePath("in");
        const QString out = dir.filePath("out");
        TestJpeg::Options options;
        options.exif = TestJpeg::Exif::Motorola;
        options.orientation = 6;
        const QString source = TestJpeg::Write(in, "a.jpg", options);
        QVERIFY(!source.isEmpty());
        QCOMPARE(chmod(QFile::encodeName(source).constData(), 0444), 0);
        const QByteArray before = TestJpeg::ReadAll(source);
        const QSize stored = TestJpeg::Decode(source).size();

        QProcess child;
        child.setProgram(QStringLiteral(VEYRA_BATCH_CHILD));
        child.setArguments({in, out});
        const bool root = geteuid() == 0;
        if (root) {
            // Root writes anything: run the batch as nobody, who may read the photo and
            // write the output folder but not the photo.
            for (const QString &folder : {dir.path(), in})
                QCOMPARE(chmod(QFile::encodeName(folder).constData(), 0755), 0);
            QCOMPARE(chmod(QFile::encodeName(out).constData(), 0777), 0);
            // nobody's own data folder, where the undo journal goes.
            const QString data = dir.filePath("data");
            QVERIFY(QDir().mkpath(data));
            QCOMPARE(chown(QFile::encodeName(data).constData(), 65534, 65534), 0);
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("XDG_DATA_HOME"), data);
            child.setProcessEnvironment(env);
            child.setChildProcessModifier([] {
                if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
                    _exit(97);
            });
        }
        child.start();
        QVERIFY(child.waitForFinished(60000));
        if (root && child.exitCode() == 97)
            QSKIP("cannot take on another user's identity here");
        const QByteArray printed = child.readAllStandardOutput();
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QVERIFY2(child.exitCode() == 0, printed.constData());
        QVERIFY2(printed.contains("log: Successfully rotated 'a.jpg'\n"), printed.constData());

        const QString output = QDir(out).filePath("a.jpg");
        QCOMPARE(TestJpeg::ReadOrientationOfFile(output), 1);
        QCOMPARE(TestJpeg::Decode(output).size(), stored.transposed());
        QCOMPARE(TestJpeg::ReadAll(source), before);
        struct stat info;
        QCOMPARE(stat(QFile::encodeName(output).constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 0777), 0444);
        if (root)
            QCOMPARE(int(info.st_uid), 65534);
    }

private:
    QTemporaryDir m_source;
    QList<Reference> m_refs;
};

QTEST_MAIN(TestKillBatch)
#include "tst_killbatch.moc"
