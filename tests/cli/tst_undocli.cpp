// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// `veyra --undo` and `veyra --history` through the real program: a run taken back and done
// again, a photo changed since, bad usage, and kills at any moment of a run or of an undo.
#include "testjpeg.h"

#include <QDir>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

struct Result
{
    int m_exit = -1;
    QString m_out;
    QString m_err;
};

QMap<QString, QByteArray> Snapshot(const QString &in_dir)
{
    QMap<QString, QByteArray> files;
    for (const QString &name : QDir(in_dir).entryList({QStringLiteral("*.jpg")}, QDir::Files))
        files.insert(name, TestJpeg::ReadAll(QDir(in_dir).filePath(name)));
    return files;
}

} // namespace

class TestUndoCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QProcessEnvironment m_env;

    void Start(QProcess *inout_pProcess, const QStringList &in_args)
    {
        inout_pProcess->setProcessEnvironment(m_env);
        inout_pProcess->start(QStringLiteral(VEYRA_BINARY), in_args);
    }

    Result Veyra(const QStringList &in_args)
    {
        QProcess process;
        Start(&process, in_args);
        Result result;
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
            return result;
        result.m_exit = process.exitCode();
        result.m_out = QString::fromUtf8(process.readAllStandardOutput());
        result.m_err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    // in_count photos tagged 6, 3 and 8 in turn, of in_width x in_height.
    static void Photos(const QString &in_dir, int in_count, int in_width = 96, int in_height = 72)
    {
        QDir().mkpath(in_dir);
        const int tags[] = {6, 3, 8};
        for (int i = 0; i < in_count; ++i) {
            TestJpeg::Options o;
            o.width = in_width;
            o.height = in_height;
            o.exif = TestJpeg::Exif::Intel;
            o.orientation = tags[i % 3];
            o.seed = quint32(i + 1);
            TestJpeg::Write(in_dir, QString::asprintf("p%02d.jpg", i), o);
        }
    }

    // The batch ids of --history, newest first.
    QList<qint64> Batches()
    {
        QList<qint64> ids;
        for (const QString &line : Veyra({QStringLiteral("--history")}).m_out.split('\n'))
            if (const qint64 id = line.section('\t', 0, 0).toLongLong())
                ids << id;
        return ids;
    }

    void FreshJournal() { QDir(m_home.filePath("data")).removeRecursively(); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        m_env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            m_env.remove(QString::fromLatin1(name));
        m_env.insert(QStringLiteral("HOME"), m_home.path());
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath("config"));
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath("data"));
    }

    void init() { FreshJournal(); }

    void runUndoneAndRedone()
    {
        QTemporaryDir dir;
        Photos(dir.path(), 3);
        const auto originals = Snapshot(dir.path());
        Result run = Veyra({QStringLiteral("-a"), QStringLiteral("-q"), dir.path()});
        QCOMPARE(run.m_exit, 0);
        const auto turned = Snapshot(dir.path());
        for (const QString &name : originals.keys())
            QVERIFY(turned[name] != originals[name]);

        const Result history = Veyra({QStringLiteral("--history")});
        QCOMPARE(history.m_exit, 0);
        QVERIFY2(
            QRegularExpression(QStringLiteral("^\\d+\\t\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d"
                                              "\\tcommand line\\t3 photos\\tturned\\n$"))
                .match(history.m_out)
                .hasMatch(),
            qPrintable(history.m_out));
        const qint64 turns = Batches().value(0);
        const Result photos = Veyra({QStringLiteral("--history"), QString::number(turns)});
        QCOMPARE(photos.m_out.count(QStringLiteral("\twritten\n")), 3);
        QVERIFY(photos.m_out.contains(QStringLiteral("p00.jpg\tturned 90 degrees clockwise")));

        Result undo = Veyra({QStringLiteral("--undo")});
        QCOMPARE(undo.m_exit, 0);
        QVERIFY(undo.m_out.endsWith(QStringLiteral("3\trestored\n0\tnot restored\n")));
        QCOMPARE(Snapshot(dir.path()), originals);
        undo = Veyra({QStringLiteral("--undo")});
        QCOMPARE(undo.m_exit, 1);
        QCOMPARE(undo.m_out, QStringLiteral("Nothing to undo\n"));

        // Undoing the undo is the redo: the very bytes of the run come back.
        const QList<qint64> batches = Batches();
        QCOMPARE(batches.size(), 2);
        QCOMPARE(Veyra({QStringLiteral("--undo"), QString::number(batches[0])}).m_exit, 0);
        QCOMPARE(Snapshot(dir.path()), turned);
    }

    void changedPhotoRefusedAndBadUsage()
    {
        QTemporaryDir dir;
        Photos(dir.path(), 3);
        const auto originals = Snapshot(dir.path());
        QCOMPARE(Veyra({QStringLiteral("-a"), QStringLiteral("-q"), dir.path()}).m_exit, 0);
        const QString edited = QDir(dir.path()).filePath("p01.jpg");
        QFile file(edited);
        QVERIFY(file.open(QIODevice::Append));
        file.write("edited elsewhere");
        file.close();
        const QByteArray editedBytes = TestJpeg::ReadAll(edited);

        const Result undo = Veyra({QStringLiteral("--undo")});
        QCOMPARE(undo.m_exit, 1);
        QVERIFY2(undo.m_out.contains(QStringLiteral(
                     "Could not restore 'p01.jpg'\n    'p01.jpg' was changed after Veyra "
                     "wrote it; it is left as it is\n")) ||
                     undo.m_out.contains(QStringLiteral("was changed after Veyra wrote it")),
                 qPrintable(undo.m_out));
        QVERIFY(undo.m_out.endsWith(QStringLiteral("2\trestored\n1\tnot restored\n")));
        QCOMPARE(TestJpeg::ReadAll(edited), editedBytes);
        const auto now = Snapshot(dir.path());
        QCOMPARE(now["p00.jpg"], originals["p00.jpg"]);
        QCOMPARE(now["p02.jpg"], originals["p02.jpg"]);

        for (const QStringList &args :
             {QStringList{"--undo", "x"}, QStringList{"--undo", "999999"},
              QStringList{"--undo", "-r"}, QStringList{"--undo", "--history"},
              QStringList{"--history", "1", "2"}}) {
            const Result bad = Veyra(args);
            QCOMPARE(bad.m_exit, 2);
            QVERIFY(bad.m_err.startsWith(QStringLiteral("veyra: ")));
            QVERIFY(bad.m_out.isEmpty());
        }
    }

    void killsLeaveEveryPhotoWhole_data()
    {
        QTest::addColumn<int>("delayMs");
        for (int delay : {0, 30, 90, 200, 400})
            QTest::newRow(qPrintable(QString::number(delay) + " ms")) << delay;
    }

    void killsLeaveEveryPhotoWhole()
    {
        QFETCH(int, delayMs);
        QTemporaryDir reference, dir;
        Photos(reference.path(), 12, 640, 480);
        Photos(dir.path(), 12, 640, 480);
        const auto originals = Snapshot(dir.path());
        QCOMPARE(Veyra({QStringLiteral("-a"), QStringLiteral("-q"), reference.path()}).m_exit, 0);
        const auto turned = Snapshot(reference.path());
        FreshJournal();
        const auto whole = [&] {
            const auto now = Snapshot(dir.path());
            for (const QString &name : originals.keys())
                if (now.value(name) != originals[name] && now.value(name) != turned[name])
                    return false;
            return now.size() == originals.size();
        };
        const auto killAfter = [&](const QStringList &in_args) {
            QProcess process;
            Start(&process, in_args);
            QVERIFY(process.waitForStarted());
            QTest::qWait(delayMs);
            process.kill();
            process.waitForFinished();
        };

        killAfter({QStringLiteral("-a"), QStringLiteral("-q"), QStringLiteral("-j1"), dir.path()});
        QVERIFY(whole());
        QCOMPARE(Veyra({QStringLiteral("--history")}).m_exit, 0);
        // Finish the run, then kill an undo of it; a second undo gives back the rest.
        QCOMPARE(Veyra({QStringLiteral("-a"), QStringLiteral("-q"), dir.path()}).m_exit, 0);
        QCOMPARE(Snapshot(dir.path()), turned);
        killAfter({QStringLiteral("--undo")});
        QVERIFY(whole());
        for (int i = 0; i < 4 && Snapshot(dir.path()) != originals; ++i)
            Veyra({QStringLiteral("--undo")});
        QCOMPARE(Snapshot(dir.path()), originals);
        // No file of Veyra's own is left beside the photos.
        QCOMPARE(QDir(dir.path())
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                     .size(),
                 originals.size());
    }
};

QTEST_GUILESS_MAIN(TestUndoCli)
#include "tst_undocli.moc"
