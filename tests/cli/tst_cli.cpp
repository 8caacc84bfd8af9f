// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// `veyra --auto-rotate`, `--help` and `--version`, run as the real program in a child process
// with no display at all, on photos the tests write themselves.
#include "testjpeg.h"
#include "unreachabletree.h"
#include "vyrcliargs.h"
#include "vyrorient.h"

#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Result
{
    int m_exit = -1;
    QString m_out;
    QString m_err;
};

// Every file below in_dir (hidden ones too), by relative path, with its bytes.
QMap<QString, QByteArray> Snapshot(const QString &in_dir)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(in_dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(in_dir).relativeFilePath(path), TestJpeg::ReadAll(path));
    }
    return files;
}

QString Summary(int in_considered, int in_rotated, int in_upright, int in_pending, int in_noInfo)
{
    return QString::asprintf("%d\timages considered\n"
                             "%d\trotated based on camera orientation information\n"
                             "%d\thad orientation information indicating correct orientation\n"
                             "%d\twere skipped due to pending operation\n"
                             "%d\twere skipped due to lack of orientation information\n",
                             in_considered, in_rotated, in_upright, in_pending, in_noInfo);
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QProcessEnvironment m_env;

    void Start(QProcess *inout_pProcess, const QStringList &in_args, const QString &in_cwd,
               const QString &in_configHome = QString())
    {
        QProcessEnvironment env = m_env;
        if (!in_configHome.isEmpty())
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), in_configHome);
        inout_pProcess->setProcessEnvironment(env);
        inout_pProcess->setWorkingDirectory(in_cwd);
        inout_pProcess->start(QStringLiteral(VEYRA_BINARY), in_args);
    }

    Result Veyra(const QStringList &in_args, const QString &in_cwd,
                 const QString &in_configHome = QString())
    {
        QProcess process;
        Start(&process, in_args, in_cwd, in_configHome);
        Result result;
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
            return result;
        result.m_exit = process.exitCode();
        result.m_out = QString::fromUtf8(process.readAllStandardOutput());
        result.m_err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    static QString Photo(const QString &in_dir, const QString &in_name, int in_orientation,
                         quint32 in_seed = 1)
    {
        QDir().mkpath(in_dir);
        TestJpeg::Options o;
        o.exif = in_orientation == 0 ? TestJpeg::Exif::None : TestJpeg::Exif::Intel;
        o.orientation = in_orientation;
        o.seed = in_seed;
        return TestJpeg::Write(in_dir, in_name, o);
    }

    // The photo at in_path is the picture of in_original (mirrored left-right first when
    // in_mirrored) turned by in_angle, and upright.
    static bool IsTurned(const QString &in_path, const QByteArray &in_original, int in_angle,
                         bool in_mirrored = false)
    {
        const QImage original = TestJpeg::DecodeBytes(in_original);
        const QImage expected =
            TestJpeg::Rotate(in_mirrored ? original.mirrored(true, false) : original, in_angle);
        const int diff = TestJpeg::MaxDifference(TestJpeg::Decode(in_path), expected);
        return TestJpeg::ReadOrientationOfFile(in_path) == 1 && diff >= 0 && diff <= 6;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        m_env = QProcessEnvironment::systemEnvironment();
        // Nothing to show a window on: a headless mode that made one would abort here.
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            m_env.remove(QString::fromLatin1(name));
        m_env.insert(QStringLiteral("HOME"), m_home.path());
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path());
    }

    void helpAndVersion_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected");
        const QString manual = QStringLiteral("NAME.*SYNOPSIS.*OPTIONS.*--auto-rotate.*--jobs N.*"
                                              "EXIT STATUS.*130.*EXAMPLES");
        QTest::newRow("--help") << QStringList{"--help"} << manual;
        QTest::newRow("-h wins over a batch") << QStringList{"--auto-rotate", "-h", "x"} << manual;
        QTest::newRow("--version") << QStringList{"--version"} << QStringLiteral("^Veyra 1\\.1\n$");
    }
    void helpAndVersion()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, expected);
        const Result r = Veyra(args, m_home.path());
        QCOMPARE(r.m_exit, 0);
        QVERIFY2(r.m_out.contains(
                     QRegularExpression(expected, QRegularExpression::DotMatchesEverythingOption)),
                 qPrintable(r.m_out));
        QCOMPARE(r.m_err, QString());
    }

    // The window keeps its command line: a folder and the toolkit's own options open it.
    void frontDoor_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("headless");
        QTest::newRow("nothing") << QStringList{} << false;
        QTest::newRow("folder") << QStringList{"/photos"} << false;
        QTest::newRow("toolkit options")
            << QStringList{"-platform", "xcb", "-reverse", "x"} << false;
        QTest::newRow("after --") << QStringList{"--", "--auto-rotate"} << false;
        QTest::newRow("bundle") << QStringList{"-rn", "x"} << true;
        QTest::newRow("jobs glued") << QStringList{"x", "-j4"} << true;
        QTest::newRow("long with value") << QStringList{"--output=out", "x"} << true;
        QTest::newRow("version") << QStringList{"-v"} << true;
        // An unknown option is answered without a window: a display may not even exist.
        QTest::newRow("unknown long") << QStringList{"--bogus"} << true;
        QTest::newRow("unknown word") << QStringList{"-bogus", "x"} << true;
        QTest::newRow("toolkit long form") << QStringList{"--style=fusion"} << false;
    }
    void frontDoor()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, headless);
        QCOMPARE(VYRWantsCommandLine(args), headless);
    }

    void badUsageChangesNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unknown option") << QStringList{"--auto-rotate", "--bogus", "in"};
        QTest::newRow("unknown option alone") << QStringList{"--bogus", "in"};
        QTest::newRow("no path") << QStringList{"--auto-rotate"};
        QTest::newRow("option without --auto-rotate") << QStringList{"--recursive", "in"};
        QTest::newRow("one path missing") << QStringList{"--auto-rotate", "in", "nowhere"};
        QTest::newRow("output missing") << QStringList{"-a", "--output", "nowhere", "in"};
        QTest::newRow("output is a file") << QStringList{"-a", "-o", "in/a.jpg", "in"};
        QTest::newRow("jobs 0") << QStringList{"--auto-rotate", "--jobs", "0", "in"};
        QTest::newRow("jobs not a number") << QStringList{"--auto-rotate", "-j", "many", "in"};
        QTest::newRow("jobs too many") << QStringList{"--auto-rotate", "--jobs=100000", "in"};
        QTest::newRow("jobs without value") << QStringList{"--auto-rotate", "in", "--jobs"};
        QTest::newRow("empty filter") << QStringList{"--auto-rotate", "--filter", "", "in"};
    }
    void badUsageChangesNothing()
    {
        QFETCH(QStringList, args);
        QTemporaryDir dir;
        QVERIFY(!Photo(dir.filePath("in"), "a.jpg", 6).isEmpty());
        const auto before = Snapshot(dir.path());
        const Result r = Veyra(args, dir.path());
        QCOMPARE(r.m_exit, 2);
        QCOMPARE(r.m_out, QString());
        QVERIFY2(r.m_err.startsWith("veyra: ") && r.m_err.count('\n') == 1, qPrintable(r.m_err));
        QCOMPARE(Snapshot(dir.path()), before);
    }

    // A dry run changes nothing; the real run turns exactly what it announced, in walk order,
    // whatever the number of jobs; a second run finds everything upright.
    void folderTree()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath("card");
        const QList<QPair<QString, int>> photos = {
            {"IMG_10.jpg", 6},    {"IMG_2.JPG", 3},      {"img_3.jpg", 8},
            {"upright.jpg", 1},   {"mirrored.jpg", 5},   {"plain.jpg", 0},
            {"sub/IMG_1.jpg", 6}, {"sub/deep/x.jpg", 8}, {".hidden/IMG_9.jpg", 6},
        };
        quint32 seed = 1;
        for (const auto &photo : photos) {
            const QFileInfo info(QDir(root).filePath(photo.first));
            QVERIFY(!Photo(info.path(), info.fileName(), photo.second, seed++).isEmpty());
        }
        QVERIFY(!TestJpeg::WriteBytes(root, "notes.txt", "not a photo").isEmpty());
        const auto before = Snapshot(dir.path());

        // The photo tagged 5 is made upright and unmirrored in the same write.
        const QStringList turned = {"card/IMG_2.JPG",     "card/img_3.jpg",
                                    "card/IMG_10.jpg",    "card/mirrored.jpg",
                                    "card/sub/IMG_1.jpg", "card/sub/deep/x.jpg"};
        const QList<int> angles = {180, -90, 90, -90, 90, -90};
        QString dryLines, lines;
        for (int i = 0; i < turned.size(); ++i) {
            dryLines += turned[i] == "card/mirrored.jpg"
                            ? QString("Would mirror '%1' and rotate it by %2 degrees\n")
                            : QString("Would rotate '%1' by %2 degrees\n");
            dryLines = dryLines.arg(turned[i]).arg(angles[i]);
            lines += QString("Successfully rotated '%1'\n").arg(turned[i]);
        }

        Result r = Veyra({"--auto-rotate", "--dry-run", "card"}, dir.path());
        QCOMPARE(r.m_exit, 0);
        QCOMPARE(r.m_out, dryLines.section('\n', 0, 3) + "\n" + Summary(6, 4, 1, 0, 1));
        r = Veyra({"--auto-rotate", "-rn", "card"}, dir.path());
        QCOMPARE(r.m_exit, 0);
        QCOMPARE(r.m_out, dryLines + Summary(8, 6, 1, 0, 1));
        QCOMPARE(Snapshot(dir.path()), before);

        r = Veyra({"--auto-rotate", "--recursive", "--jobs", "3", "card"}, dir.path());
        QCOMPARE(r.m_exit, 0);
        QCOMPARE(r.m_out, lines + Summary(8, 6, 1, 0, 1));
        const auto after = Snapshot(dir.path());
        QCOMPARE(after.keys(), before.keys()); // nothing left behind
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            const int index = turned.indexOf(it.key());
            if (index < 0)
                QVERIFY2(after.value(it.key()) == it.value(), qPrintable(it.key()));
            else
                QVERIFY2(IsTurned(dir.filePath(it.key()), it.value(), angles[index],
                                  it.key().endsWith("mirrored.jpg")),
                         qPrintable(it.key()));
        }

        r = Veyra({"--auto-rotate", "-r", "-q", "card"}, dir.path());
        QCOMPARE(r.m_exit, 0);
        QCOMPARE(r.m_out, Summary(8, 0, 7, 0, 1));
    }

    // Every tag 2-8 is made upright and unmirrored: each result shows in an Exif-aware viewer
    // as its source did, now with Orientation 1.
    void allEightOrientations()
    {
        QTemporaryDir dir;
        for (int tag = 1; tag <= 8; ++tag) {
            const QString name = QString("tag%1.jpg").arg(tag);
            QVERIFY(!Photo(dir.filePath("card"), name, tag, quint32(tag)).isEmpty());
            QVERIFY(QDir().mkpath(dir.filePath("kept")));
            QVERIFY(QFile::copy(dir.filePath("card/" + name), dir.filePath("kept/" + name)));
        }
        const Result r = Veyra({"--auto-rotate", "card"}, dir.path());
        QCOMPARE(r.m_exit, 0);
        QVERIFY2(r.m_out.endsWith(Summary(8, 7, 1, 0, 0)), qPrintable(r.m_out));
        for (int tag = 1; tag <= 8; ++tag) {
            const QString name = QString("tag%1.jpg").arg(tag);
            const QString result = dir.filePath("card/" + name);
            QCOMPARE(TestJpeg::ReadOrientationOfFile(result), 1);
            const int diff = TestJpeg::MaxDifference(TestJpeg::Shown(result),
                                                     TestJpeg::Shown(dir.filePath("kept/" + name)));
            QVERIFY2(diff >= 0 && diff <= 6, qPrintable(QString("tag %1: %2").arg(tag).arg(diff)));
        }
    }

    // Into an output folder: the sources stay byte for byte; the first photo in walk order
    // holds an output name; no other photo of the run is ever replaced.
    void outputFolder()
    {
        QTemporaryDir dir;
        QVERIFY(!Photo(dir.filePath("src"), "a.jpg", 6, 1).isEmpty());
        QVERIFY(!Photo(dir.filePath("src"), "b.jpg", 1, 2).isEmpty());
        QVERIFY(!Photo(dir.filePath("src"), "c.jpg", 3, 3).isEmpty());
        QVERIFY(!Photo(dir.filePath("src/sub"), "a.jpg", 8, 4).isEmpty());
        QVERIFY(!Photo(dir.filePath("out"), "c.jpg", 1, 5).isEmpty());
        const auto before = Snapshot(dir.path());

        const Result r =
            Veyra({"--auto-rotate", "-r", "--output", "out", "src", "out"}, dir.path());
        QCOMPARE(r.m_exit, 1);
        const QStringList out = r.m_out.split('\n');
        QCOMPARE(out.mid(0, 5),
                 QStringList({"Successfully rotated 'src/a.jpg'", "Failed to rotate 'src/c.jpg'",
                              "    Its output 'out/c.jpg' is another photo of this run, which "
                              "is not replaced",
                              "Failed to rotate 'src/sub/a.jpg'",
                              "    Its output 'out/a.jpg' is already written from '" +
                                  QFileInfo(dir.filePath("src/a.jpg")).absoluteFilePath() +
                                  "' in this run"}));
        QVERIFY2(r.m_out.endsWith(Summary(5, 1, 2, 0, 0) + "2\tcould not be rotated\n"),
                 qPrintable(r.m_out));

        auto after = Snapshot(dir.path());
        QVERIFY(IsTurned(dir.filePath("out/a.jpg"), before.value("src/a.jpg"), 90));
        after.remove("out/a.jpg");
        QCOMPARE(after, before);
    }

    // Two cards into one folder: a photo already in the output folder under the same name
    // (another card's, an earlier run's) stays byte for byte unless --overwrite says so. A
    // turn that trims says so on its line.
    void outputNamesakeKeptUnlessOverwrite()
    {
        QTemporaryDir dir;
        const QString first = Photo(dir.filePath("Card2"), "IMG_01.jpg", 6, 1);
        TestJpeg::Options o;
        o.exif = TestJpeg::Exif::Intel;
        o.orientation = 6;
        o.width = 70; // 6 columns and 8 rows beyond the 16-pixel blocks: the turn trims
        o.height = 56;
        const QString second = TestJpeg::Write(dir.filePath("Card2"), "IMG_02.jpg", o);
        const QString other = Photo(dir.filePath("Out"), "IMG_01.jpg", 6, 9);
        QVERIFY(!first.isEmpty() && !second.isEmpty() && !other.isEmpty());
        const auto before = Snapshot(dir.path());

        const QString taken = "    'Out/IMG_01.jpg' already exists in the output folder; not "
                              "replaced";
        Result r = Veyra({"--auto-rotate", "--dry-run", "-o", "Out", "Card2"}, dir.path());
        QCOMPARE(r.m_exit, 1);
        QCOMPARE(r.m_out.split('\n').mid(0, 2),
                 QStringList({"Would fail to rotate 'Card2/IMG_01.jpg'", taken}));
        QCOMPARE(Snapshot(dir.path()), before);

        r = Veyra({"--auto-rotate", "-o", "Out", "Card2"}, dir.path());
        QCOMPARE(r.m_exit, 1);
        QCOMPARE(r.m_out.split('\n').mid(0, 4),
                 QStringList({"Failed to rotate 'Card2/IMG_01.jpg'", taken,
                              "Successfully rotated 'Card2/IMG_02.jpg'",
                              "    'Card2/IMG_02.jpg': trimmed 8 pixels from the bottom edge"}));
        QVERIFY(!r.m_out.contains("error"));
        auto after = Snapshot(dir.path());
        QCOMPARE(after.value("Out/IMG_01.jpg"), before.value("Out/IMG_01.jpg"));
        QCOMPARE(TestJpeg::ReadOrientationOfFile(dir.filePath("Out/IMG_02.jpg")), 1);
        after.remove("Out/IMG_02.jpg");
        QCOMPARE(after, before); // no temporary file either

        r = Veyra({"--auto-rotate", "--overwrite", "-o", "Out", "Card2"}, dir.path());
        QCOMPARE(r.m_exit, 0);
        QVERIFY(IsTurned(dir.filePath("Out/IMG_01.jpg"), before.value("Card2/IMG_01.jpg"), 90));
        QCOMPARE(Snapshot(dir.filePath("Card2")).value("IMG_01.jpg"),
                 before.value("Card2/IMG_01.jpg"));
        QCOMPARE(Veyra({"--overwrite", "Card2"}, dir.path()).m_exit, 2);
    }

    // One file reached through two names is turned once, not twice.
    void sameFileTurnedOnce()
    {
        QTemporaryDir dir;
        const QString photo = Photo(dir.filePath("in"), "x.jpg", 6);
        QVERIFY(!photo.isEmpty());
        QCOMPARE(::link(QFile::encodeName(photo), QFile::encodeName(dir.filePath("in/y.jpg"))), 0);
        const QByteArray original = TestJpeg::ReadAll(photo);
        const Result r = Veyra({"--auto-rotate", "-j", "2", "in", "in/x.jpg"}, dir.path());
        QCOMPARE(r.m_exit, 0);
        QCOMPARE(r.m_out, "Successfully rotated 'in/x.jpg'\n" + Summary(3, 1, 0, 2, 0));
        QVERIFY(IsTurned(photo, original, 90));
    }

    // A photo that cannot be turned is reported with its reason and left as it was; the
    // others are still turned, and the exit code says that something failed.
    void failuresAreReported()
    {
        QTemporaryDir dir;
        const QString locked = Photo(dir.filePath("in"), "a.jpg", 6, 1);
        TestJpeg::Options o;
        o.exif = TestJpeg::Exif::Motorola;
        o.orientation = 8;
        o.truncateAt = TestJpeg::Build(o).size() * 2 / 3;
        const QString damaged = TestJpeg::Write(dir.filePath("in"), "b.jpg", o);
        const QString good = Photo(dir.filePath("in"), "c.jpg", 3, 3);
        QVERIFY(!locked.isEmpty() && !damaged.isEmpty() && !good.isEmpty());
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ReadGroup));
        const auto before = Snapshot(dir.path());

        const Result r = Veyra({"--auto-rotate", "in"}, dir.path());
        QCOMPARE(r.m_exit, 1);
        const QStringList out = r.m_out.split('\n');
        QCOMPARE(out.value(0), "Failed to rotate 'in/a.jpg'");
        QVERIFY2(out.value(1).contains("read-only"), qPrintable(r.m_out));
        QCOMPARE(out.value(2), "Failed to rotate 'in/b.jpg'");
        QVERIFY2(out.value(3).contains("damaged"), qPrintable(r.m_out));
        QCOMPARE(out.value(4), "Successfully rotated 'in/c.jpg'");
        QVERIFY(r.m_out.endsWith(Summary(3, 1, 0, 0, 0) + "2\tcould not be rotated\n"));
        const auto after = Snapshot(dir.path());
        QCOMPARE(after.value("in/a.jpg"), before.value("in/a.jpg"));
        QCOMPARE(after.value("in/b.jpg"), before.value("in/b.jpg"));
        QVERIFY(IsTurned(good, before.value("in/c.jpg"), 180));
        QCOMPARE(after.keys(), before.keys());
    }

    // The window's stored Filter chooses the photos, in folders and among named files alike;
    // --filter overrides it.
    void filterFromSettings()
    {
        QTemporaryDir config, dir;
        QVERIFY(QDir().mkpath(config.filePath("Quillmere")));
        QFile store(config.filePath("Quillmere/Veyra.conf"));
        QVERIFY(store.open(QIODevice::WriteOnly));
        store.write("[Vyera]\nFilter=*.jpeg\n");
        store.close();
        QVERIFY(!Photo(dir.path(), "a.JPEG", 6).isEmpty());
        QVERIFY(!Photo(dir.path(), "b.jpg", 6).isEmpty());

        Result r = Veyra({"--auto-rotate", "--dry-run", ".", "b.jpg"}, dir.path(), config.path());
        QCOMPARE(r.m_out, "Would rotate 'a.JPEG' by 90 degrees\n" + Summary(1, 1, 0, 0, 0));
        QCOMPARE(r.m_err, "Skipping 'b.jpg': its name does not match '*.jpeg'\n");
        r = Veyra({"--auto-rotate", "--dry-run", "--filter", "*.jpg", "."}, dir.path(),
                  config.path());
        QCOMPARE(r.m_out, "Would rotate 'b.jpg' by 90 degrees\n" + Summary(1, 1, 0, 0, 0));
    }

    // Ctrl+C or SIGTERM part-way: the photos being written are completed, none is started
    // after, and no photo is left half-written or with a temporary file beside it.
    void interrupted_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGTERM") << int(SIGTERM);
    }
    void walkReportsWhatItCannotReach()
    {
        QTemporaryDir dir;
        const QString card = dir.filePath("card");
        UnreachableTree::Tree tree;
        QVERIFY(QDir().mkpath(card) && UnreachableTree::Make(card, &tree));
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
        TestJpeg::Options turn;
        turn.exif = TestJpeg::Exif::Intel;
        turn.orientation = 6;
        const QByteArray original = TestJpeg::Build(turn);

        // Absolute paths: the limit is the system's, on the path that is opened.
        const Result all = Veyra({"-a", "-r", "-f", "*.jpg", card}, dir.path());
        const bool root = ::geteuid() == 0; // root reads the locked folder
        const QString line = "'%1' has a name that is not valid UTF-8; skipped\n";
        QVERIFY2(all.m_out.contains(line.arg(card + "/" + UnreachableTree::kBadNameShown)),
                 qPrintable(all.m_out.left(2000)));
        QVERIFY(all.m_out.contains(QString::asprintf(
            "'%s' has a path of %d bytes, longer than the system allows; skipped\n",
            qUtf8Printable(tree.m_tooLong), PATH_MAX)));
        QVERIFY(all.m_out.contains("Successfully rotated '" + tree.m_reachable + "'\n"));
        QVERIFY(all.m_out.endsWith(QString::asprintf("%d\tcould not be reached\n", root ? 2 : 3)));
        QCOMPARE(all.m_exit, 1);
        const bool turned = IsTurned(tree.m_reachable, original, 90);
        // As a user who may not read the locked folder (root may read everything).
        const int uid = UnreachableTree::UnprivilegedUid();
        QProcess process;
        if (uid >= 0) {
            process.setChildProcessModifier([uid] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(gid_t(uid)) != 0 ||
                    ::setuid(uid_t(uid)) != 0)
                    ::_exit(99);
            });
        }
        Start(&process, {"-a", "-r", "-n", "-f", "*.jpg", card + "/private"}, dir.path(),
              QStringLiteral("/nonexistent"));
        QVERIFY(process.waitForFinished(60000));
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        UnreachableTree::Remove(card);
        QVERIFY(turned);
        QCOMPARE(
            out,
            QString("'%1/private/locked' cannot be read: Permission denied; skipped\n").arg(card) +
                Summary(0, 0, 0, 0, 0) + "1\tcould not be reached\n");
        QCOMPARE(process.exitCode(), 1);
    }

    void filesThatAreNoJpegReported()
    {
        QTemporaryDir dir;
        const QByteArray turned = TestJpeg::ReadAll(Photo(dir.path(), "good.jpg", 6));
        Photo(dir.path(), "noexif.jpg", 0);
        QVERIFY(!TestJpeg::WriteBytes(dir.path(), "text.jpg", "shopping list\n").isEmpty());
        QVERIFY(!TestJpeg::WriteEmpty(dir.path(), "empty.jpg").isEmpty());
        // A link to a FIFO: no photo, and reading it must not wait for a writer.
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(".pipe")).constData(), 0644), 0);
        QVERIFY(QFile::link(".pipe", dir.filePath("pipe.jpg")));

        const Result result = Veyra({"-a", "-f", "*.jpg", "."}, dir.path());
        QCOMPARE(result.m_out, QString("'empty.jpg' is not a JPEG photo\n"
                                       "Successfully rotated 'good.jpg'\n"
                                       "'pipe.jpg' is not a JPEG photo\n"
                                       "'text.jpg' is not a JPEG photo\n") +
                                   Summary(5, 1, 0, 0, 1) + "3\twere not JPEG photos\n");
        QCOMPARE(result.m_exit, 1);
        QVERIFY(IsTurned(dir.filePath("good.jpg"), turned, 90));
        QCOMPARE(TestJpeg::ReadAll(dir.filePath("text.jpg")), QByteArray("shopping list\n"));

        const Result named = Veyra({"-a", "-n", "text.jpg", "empty.jpg"}, dir.path());
        QCOMPARE(named.m_out, QString("'text.jpg' is not a JPEG photo\n"
                                      "'empty.jpg' is not a JPEG photo\n") +
                                  Summary(2, 0, 0, 0, 0) + "2\twere not JPEG photos\n");
        QCOMPARE(named.m_exit, 1);
    }

    void interrupted()
    {
        QFETCH(int, signal);
        constexpr int kPhotos = 32;
        QTemporaryDir dir, scratch;
        TestJpeg::Options o;
        o.width = 2048;
        o.height = 1536;
        o.exif = TestJpeg::Exif::Intel;
        o.orientation = 6;
        o.thumbnail = true;
        const QByteArray original = TestJpeg::Build(o);
        QVERIFY(!original.isEmpty());
        const QString reference = TestJpeg::WriteBytes(scratch.path(), "ref.jpg", original);
        VYRRotatePhoto(reference, reference, 4);
        const QByteArray finished = TestJpeg::ReadAll(reference);
        for (int i = 0; i < kPhotos; ++i)
            QVERIFY(!TestJpeg::WriteBytes(dir.path(), QString::asprintf("p%02d.jpg", i), original)
                         .isEmpty());

        QProcess process;
        Start(&process, {"--auto-rotate", "--jobs", "2", "."}, dir.path());
        QVERIFY(process.waitForStarted());
        QByteArray out;
        while (!out.contains("Successfully rotated") && process.waitForReadyRead(60000))
            out += process.readAllStandardOutput();
        QVERIFY2(out.contains("Successfully rotated"), out.constData());
        QCOMPARE(::kill(pid_t(process.processId()), signal), 0);
        QVERIFY(process.waitForFinished(60000));
        out += process.readAllStandardOutput();
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);
        QVERIFY(process.readAllStandardError().contains("Stopping"));

        const auto after = Snapshot(dir.path());
        QCOMPARE(after.size(), kPhotos); // no temporary file left
        int done = 0;
        for (auto it = after.cbegin(); it != after.cend(); ++it) {
            QVERIFY2(it.value() == original || it.value() == finished, qPrintable(it.key()));
            done += it.value() == finished ? 1 : 0;
        }
        QCOMPARE(int(out.count("Successfully rotated")), done);
        QVERIFY2(done < kPhotos, "the whole batch ran before the signal");
        QVERIFY(out.contains(Summary(done, done, 0, 0, 0).toUtf8()));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
