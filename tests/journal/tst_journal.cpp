// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The journal on real files: turns taken back and done again, refusals, kills at each step of
// a turn and of a restore, expiry, and two processes appending at once.
#include "file/vyratomicfile.h"
#include "testjpeg.h"
#include "vyrjournal.h"
#include "vyrjournalrotate.h"
#include "vyrsha256.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString &in_path)
{
    QFile file(in_path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAtomically(const QString &in_path, const QByteArray &in_bytes)
{
    VYRAtomicFile file;
    VYRAtomicFile::Guard anything; // a test's stand-in for another program: it replaces freely
    anything.m_allowReplace = true;
    return file.Prepare(in_path, 0644, anything) == VYR_SUCCESS &&
           file.Commit(reinterpret_cast<const uint8_t *>(in_bytes.constData()),
                       size_t(in_bytes.size())) == VYR_SUCCESS;
}

VYRTurnRecord PlainRecord(qint64 in_batch, const QString &in_path, const QByteArray &in_result)
{
    VYRTurnRecord record;
    record.m_batch = in_batch;
    record.m_path = in_path;
    record.m_source = in_path;
    record.m_transform = VYR_ROTATE_90;
    record.m_after.m_exists = true;
    record.m_after.m_size = in_result.size();
    record.m_after.m_digest = QCryptographicHash::hash(in_result, QCryptographicHash::Sha256);
    return record;
}

// A write whose bytes do not matter to the journal: begin, rename, commit.
qint64 PlainTurn(VYRJournal *in_pJournal, qint64 in_batch, const QString &in_path,
                 const QByteArray &in_result)
{
    const qint64 id = in_pJournal->BeginTurn(PlainRecord(in_batch, in_path, in_result));
    if (!id || !WriteAtomically(in_path, in_result))
        return 0;
    return in_pJournal->CommitTurn(id) == VYR_JOURNAL_OK ? id : 0;
}

// Runs in_body in a child process that then dies by SIGKILL, as a kill would stop it.
template <typename Body> bool KilledChild(Body in_body)
{
    const pid_t child = fork();
    if (child == 0) {
        in_body();
        raise(SIGKILL);
        _exit(0);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFSIGNALED(status) &&
           WTERMSIG(status) == SIGKILL;
}

int KeptFiles(const QString &in_root)
{
    return int(QDir(in_root + QStringLiteral("/kept")).entryList(QDir::Files).size());
}

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void batchUndoneAndRedone();
    void changedPhotoRefusedAndUntouched();
    void failedWriteAndOccupiedOutput();
    void logReadsAsDocumented();
    void killAtEachStep_data();
    void killAtEachStep();
    void tornLastLineAndNewerFormat();
    void expiryDropsOldestFirst();
    void keptBesideOnAnotherFileSystem();
    void twoProcessesLoseNoRecord();
    void digestMatchesReference();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
    QString m_photos;
};

void TestJournal::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = m_dir->filePath(QStringLiteral("journal"));
    m_photos = m_dir->filePath(QStringLiteral("photos"));
    QVERIFY(QDir().mkpath(m_photos + QStringLiteral("/out")));
}

// Turns in place (one photo twice), into an empty output name and over an existing output,
// through the engine's real rotation; the undo gives every file what it held, the redo the
// turned bytes again.
void TestJournal::batchUndoneAndRedone()
{
    TestJpeg::Options o;
    o.exif = TestJpeg::Exif::Intel;
    o.orientation = 6;
    QStringList photos;
    QList<QByteArray> originals;
    for (int i = 0; i < 3; ++i) {
        photos << TestJpeg::Write(m_photos, QStringLiteral("p%1.jpg").arg(i), o);
        QVERIFY(!photos.last().isEmpty());
        originals << ReadAll(photos.last());
    }
    const QString freshOut = m_photos + QStringLiteral("/out/p0.jpg");
    const QString oldOut = TestJpeg::WriteBytes(m_photos + QStringLiteral("/out"),
                                                QStringLiteral("p1.jpg"), "an older file");

    VYRJournal journal(m_root);
    QCOMPARE(journal.Open(), VYR_JOURNAL_OK);
    const qint64 batch = journal.NewBatch(QStringLiteral("window"));
    QVERIFY(batch > 0);
    const struct
    {
        QString source, dest;
        int code;
    } turns[] = {{photos[0], photos[0], VYR_ROTATE_90},
                 {photos[0], photos[0], VYR_ROTATE_180},
                 {photos[2], photos[2], VYR_ROTATE_270},
                 {photos[0], freshOut, VYR_ROTATE_90},
                 {photos[1], oldOut, VYR_ROTATE_90}};
    VYRRotateOptions replace; // the older output is replaced on purpose, as --overwrite does
    replace.m_allowReplace = true;
    for (const auto &t : turns) {
        qint64 id = 0;
        QCOMPARE(VYRJournalledRotate(&journal, batch, t.source, t.dest, t.code, &replace, &id),
                 VYR_SUCCESS);
        QVERIFY(id > 0);
    }
    QCOMPARE(ReadAll(photos[1]), originals[1]); // the output's source is never touched
    QVERIFY(ReadAll(photos[0]) != originals[0]);
    QList<QByteArray> turned;
    for (const QString &p : {photos[0], photos[2], freshOut, oldOut})
        turned << ReadAll(p);
    const QList<VYRTurnRecord> records = journal.Records(batch);
    QCOMPARE(records.size(), 5);
    QCOMPARE(records[1].m_transform, VYR_ROTATE_180);
    QCOMPARE(records[1].m_before.m_digest, records[0].m_after.m_digest);
    QVERIFY(!records[3].m_before.m_exists);

    VYRRestoreReport report;
    QCOMPARE(journal.RestoreBatch(batch, &report), VYR_JOURNAL_OK);
    QCOMPARE(report.m_restored, 5);
    QCOMPARE(ReadAll(photos[0]), originals[0]);
    QCOMPARE(ReadAll(photos[2]), originals[2]);
    QVERIFY(!QFile::exists(freshOut));
    QCOMPARE(ReadAll(oldOut), QByteArray("an older file"));
    QCOMPARE(journal.RestoreBatch(batch), VYR_JOURNAL_ERR_UNDONE);

    // Newest first; the undo names what it takes back, and is itself taken back by the redo.
    const QList<VYRBatchInfo> batches = journal.Batches();
    QCOMPARE(batches.size(), 2);
    QCOMPARE(batches[0].m_id, report.m_batch);
    QCOMPARE(batches[0].m_undoes, batch);
    QCOMPARE(batches[1].m_undone, 5);
    QCOMPARE(journal.RestoreBatch(report.m_batch), VYR_JOURNAL_OK);
    QCOMPARE(ReadAll(photos[0]), turned[0]);
    QCOMPARE(ReadAll(photos[2]), turned[1]);
    QCOMPARE(ReadAll(freshOut), turned[2]);
    QCOMPARE(ReadAll(oldOut), turned[3]);
    // Kept: the five records' replaced files, less the undone ones released, plus the redo's.
    QCOMPARE(KeptFiles(m_root), 4);
}

void TestJournal::changedPhotoRefusedAndUntouched()
{
    const QString a = TestJpeg::Write(m_photos, QStringLiteral("a.jpg"));
    const QString b = TestJpeg::Write(m_photos, QStringLiteral("b.jpg"));
    const QByteArray originalB = ReadAll(b);
    VYRJournal journal(m_root);
    QCOMPARE(journal.Open(), VYR_JOURNAL_OK);
    const qint64 batch = journal.NewBatch(QStringLiteral("command line"));
    QCOMPARE(VYRJournalledRotate(&journal, batch, a, a, VYR_ROTATE_90), VYR_SUCCESS);
    QCOMPARE(VYRJournalledRotate(&journal, batch, b, b, VYR_ROTATE_90), VYR_SUCCESS);
    const QByteArray edited = ReadAll(a) + "edited elsewhere";
    QVERIFY(WriteAtomically(a, edited));

    VYRRestoreReport report;
    QCOMPARE(journal.RestoreBatch(batch, &report), VYR_JOURNAL_ERR_CHANGED);
    QCOMPARE(report.m_restored, 1);
    QCOMPARE(report.m_refused.size(), 1);
    QCOMPARE(report.m_refused[0].m_path, a);
    QCOMPARE(report.m_refused[0].m_result, VYR_JOURNAL_ERR_CHANGED);
    QCOMPARE(ReadAll(a), edited);
    QCOMPARE(ReadAll(b), originalB);

    // A photo that was removed, and a kept original that was damaged, are refused too.
    const qint64 next = journal.NewBatch(QStringLiteral("window"));
    const qint64 gone = PlainTurn(&journal, next, a, "second");
    const qint64 damaged = PlainTurn(&journal, next, b, "third");
    QVERIFY(QFile::remove(a));
    QFile kept(journal.Record(damaged).m_kept);
    QVERIFY(kept.open(QIODevice::WriteOnly | QIODevice::Append));
    kept.write("x");
    kept.close();
    const qint64 undo = journal.NewBatch(QStringLiteral("window"));
    QCOMPARE(journal.Restore(gone, undo), VYR_JOURNAL_ERR_MISSING);
    QCOMPARE(journal.Restore(damaged, undo), VYR_JOURNAL_ERR_DAMAGED);
    QCOMPARE(ReadAll(b), QByteArray("third"));
}

namespace {
// Spoils the result after the record is begun: the engine's verification then refuses it.
bool SpoilScan(uint8_t *inout_pData, size_t in_size, void *)
{
    for (size_t i = in_size / 2; i < in_size / 2 + 64 && i + 2 < in_size; ++i)
        inout_pData[i] = 0xFF;
    return true;
}
} // namespace

// A turn that fails after its record was begun leaves no record and no kept file; a redo that
// would remove an output refuses a file that has since taken its name.
void TestJournal::failedWriteAndOccupiedOutput()
{
    TestJpeg::Options o;
    o.width = 256;
    o.height = 192;
    const QString photo = TestJpeg::Write(m_photos, QStringLiteral("f.jpg"), o);
    const QByteArray original = ReadAll(photo);
    VYRJournal journal(m_root);
    QCOMPARE(journal.Open(), VYR_JOURNAL_OK);
    const qint64 batch = journal.NewBatch(QStringLiteral("window"));
    VYRRotateFinish spoil;
    spoil.m_pFunction = &SpoilScan;
    qint64 id = -1;
    QVERIFY(VYRJournalledRotate(&journal, batch, photo, photo, VYR_ROTATE_90, &spoil, &id) !=
            VYR_SUCCESS);
    QCOMPARE(id, 0);
    QCOMPARE(ReadAll(photo), original);
    QVERIFY(journal.Records(batch).isEmpty());
    QCOMPARE(KeptFiles(m_root), 0);
    QVERIFY(ReadAll(m_root + QStringLiteral("/journal.jsonl")).contains("\"op\":\"drop\""));

    const QString out = m_photos + QStringLiteral("/out/f.jpg");
    QCOMPARE(VYRJournalledRotate(&journal, batch, photo, out, VYR_ROTATE_90), VYR_SUCCESS);
    VYRRestoreReport undo;
    QCOMPARE(journal.RestoreBatch(batch, &undo), VYR_JOURNAL_OK);
    QVERIFY(!QFile::exists(out));
    TestJpeg::WriteBytes(m_photos + QStringLiteral("/out"), QStringLiteral("f.jpg"), "mine");
    VYRRestoreReport redo;
    QCOMPARE(journal.RestoreBatch(undo.m_batch, &redo), VYR_JOURNAL_ERR_OCCUPIED);
    QCOMPARE(redo.m_refused.value(0).m_path, out);
    QCOMPARE(ReadAll(out), QByteArray("mine"));
    QCOMPARE(ReadAll(photo), original);
}

// The log is plain JSON lines as docs/undo.md describes, readable without the journal's code.
void TestJournal::logReadsAsDocumented()
{
    const QString photo = TestJpeg::Write(m_photos, QStringLiteral("l.jpg"));
    const QByteArray original = ReadAll(photo);
    {
        VYRJournal journal(m_root);
        QCOMPARE(journal.Open(), VYR_JOURNAL_OK);
        const qint64 batch = journal.NewBatch(QStringLiteral("command line"));
        QCOMPARE(VYRJournalledRotate(&journal, batch, photo, photo, VYR_ROTATE_270), VYR_SUCCESS);
    }
    const QList<QByteArray> lines =
        ReadAll(m_root + QStringLiteral("/journal.jsonl")).trimmed().split('\n');
    QCOMPARE(lines.size(), 4); // header, batch, begin, commit
    const QJsonObject header = QJsonDocument::fromJson(lines[0]).object();
    QCOMPARE(header.value(QStringLiteral("format")).toString(), QStringLiteral("veyra-journal"));
    QCOMPARE(header.value(QStringLiteral("version")).toInt(), 1);
    const QJsonObject begin = QJsonDocument::fromJson(lines[2]).object();
    const QJsonObject commit = QJsonDocument::fromJson(lines[3]).object();
    QCOMPARE(begin.value(QStringLiteral("op")).toString(), QStringLiteral("begin"));
    QCOMPARE(begin.value(QStringLiteral("transform")).toInt(), VYR_ROTATE_270);
    QCOMPARE(begin.value(QStringLiteral("path")).toString(), photo);
    const auto hex = [](const QByteArray &in_bytes) {
        return QString::fromLatin1(
            QCryptographicHash::hash(in_bytes, QCryptographicHash::Sha256).toHex());
    };
    QCOMPARE(begin.value(QStringLiteral("before_sha256")).toString(), hex(original));
    QCOMPARE(begin.value(QStringLiteral("before_size")).toInt(), original.size());
    QCOMPARE(commit.value(QStringLiteral("after_sha256")).toString(), hex(ReadAll(photo)));
    const QString kept = m_root + QLatin1Char('/') + begin.value(QStringLiteral("kept")).toString();
    QCOMPARE(ReadAll(kept), original);
    struct stat keptSt;
    QVERIFY(stat(QFile::encodeName(kept).constData(), &keptSt) == 0);
    QCOMPARE(int(keptSt.st_nlink), 1); // the replaced inode itself, now held by the journal only
}

void TestJournal::killAtEachStep_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("written"); // what the photo must hold after recovery
    QTest::newRow("begun, not renamed") << 0 << false;
    QTest::newRow("renamed, not committed") << 1 << true;
    QTest::newRow("restore written, not committed") << 2 << false;
}

void TestJournal::killAtEachStep()
{
    QFETCH(int, step);
    QFETCH(bool, written);
    const QString photo = TestJpeg::Write(m_photos, QStringLiteral("k.jpg"));
    const QByteArray original = ReadAll(photo);
    const QByteArray result = original + "turned";
    qint64 batch = 0;
    qint64 first = 0;
    {
        VYRJournal journal(m_root);
        QCOMPARE(journal.Open(), VYR_JOURNAL_OK);
        batch = journal.NewBatch(QStringLiteral("window"));
        if (step == 2)
            QVERIFY((first = PlainTurn(&journal, batch, photo, result)) > 0);
    }
    QVERIFY(KilledChild([&] {
        VYRJournal journal(m_root);
        if (journal.Open() != VYR_JOURNAL_OK)
            _exit(1);
        if (step == 2) { // a restore's own record, then its write, then nothing
            VYRTurnRecord r =
                PlainRecord(journal.NewBatch(QStringLiteral("window")), photo, original);
            r.m_transform = VYR_JOURNAL_RESTORE;
            r.m_restores = first;
            if (journal.BeginTurn(r) && WriteAtomically(photo, original))
                raise(SIGKILL);
            _exit(1);
        }
        if (!journal.BeginTurn(PlainRecord(batch, photo, result)))
            _exit(1);
        if (step == 1 && !WriteAtomically(photo, result))
            _exit(1);
    }));

    VYRJournal journal(m_root);
    QCOMPARE(journal.Open(), VYR_JOURNAL_OK);
    QCOMPARE(ReadAll(photo), written ? result : original);
    const QList<VYRTurnRecord> records = journal.Records(batch);
    if (step == 0) {
        QVERIFY(records.isEmpty()); // dropped, its kept original released
        QCOMPARE(KeptFiles(m_root), 0);
        return;
    }
    QCOMPARE(records.size(), 1);
    if (step == 1) {
        QCOMPARE(records[0].m_state, VYRRecordState::Committed);
        QCOMPARE(journal.RestoreBatch(batch), VYR_JOURNAL_OK);
        QCOMPARE(ReadAll(photo), original);
        return;
    }
    // The restore was settled as done, and its target marked and released.
    QCOMPARE(records[0].m_state, VYRRecordState::Undone);
    QVERIFY(records[0].m_kept.isEmpty());
    const QList<VYRBatchInfo> batches = journal.Batches();
    QCOMPARE(batches.size(), 2);
    QCOMPARE(journal.RestoreBatch(batches[0].m_id), VYR_JOURNAL_OK); // the redo
    QCOMPARE(ReadAll(photo), result);
}

void TestJournal::tornLastLineAndNewerFormat()
{
    const QString photo = TestJpeg::WriteBytes(m_photos, QStringLiteral("t.jpg"), "before");
    qint64 batch = 0;
    {
        VYRJournal journal(m_root);
        QCOMPARE(journal.Open(), VYR_JOURNAL_OK);
        batch = journal.NewBatch(QStringLiteral("window"));
        QVERIFY(PlainTurn(&journal, batch, photo, "after") > 0);
    }
    const QString log = m_root + QStringLiteral("/journal.jsonl");
    QFile file(log);
    QVERIFY(file.open(QIODevice::Append));
    file.write("{\"op\":\"begin\",\"id\":9,\"pa"); // a kill in the middle of a line
    file.close();

    VYRJournal journal(m_root);
    QCOMPARE(journal.Open(), VYR_JOURNAL_OK);
    QCOMPARE(journal.Records(batch).size(), 1);
    QVERIFY(PlainTurn(&journal, batch, photo, "again") > 0);
    VYRJournal other(m_root);
    QCOMPARE(other.Open(), VYR_JOURNAL_OK);
    QCOMPARE(other.Records(batch).size(), 2);
    QCOMPARE(other.RestoreBatch(batch), VYR_JOURNAL_OK);
    QCOMPARE(ReadAll(photo), QByteArray("before"));

    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("{\"format\":\"veyra-journal\",\"version\":99}\n");
    file.close();
    VYRJournal newer(m_root);
    QCOMPARE(newer.Open(), VYR_JOURNAL_ERR_FORMAT);
}

void TestJournal::expiryDropsOldestFirst()
{
    VYRJournal journal(m_root);
    QCOMPARE(journal.Open(), VYR_JOURNAL_OK);
    QList<qint64> batches;
    QList<QString> kept;
    for (int i = 0; i < 3; ++i) {
        const QString photo = TestJpeg::WriteBytes(m_photos, QStringLiteral("e%1.jpg").arg(i),
                                                   QByteArray(1000, char('a' + i)));
        batches << journal.NewBatch(QStringLiteral("window"));
        const qint64 id = PlainTurn(&journal, batches.last(), photo, "turned");
        QVERIFY(id > 0);
        kept << journal.Record(id).m_kept;
    }
    QCOMPARE(journal.KeptBytes(), 3000);
    QCOMPARE(journal.Expire(30, 2500), VYR_JOURNAL_OK);
    QCOMPARE(journal.Batches().size(), 2);
    QVERIFY(journal.Records(batches[0]).isEmpty());
    QVERIFY(!QFile::exists(kept[0]));
    QVERIFY(QFile::exists(kept[1]) && QFile::exists(kept[2]));
    QCOMPARE(journal.KeptBytes(), 2000);

    // The rewritten log reads the same in another object, and ids keep growing.
    VYRJournal other(m_root);
    QCOMPARE(other.Open(), VYR_JOURNAL_OK);
    QCOMPARE(other.Records(batches[2]).size(), 1);
    QVERIFY(other.NewBatch(QStringLiteral("window")) > batches[2]);
    QCOMPARE(other.Expire(0, qint64(1) << 40), VYR_JOURNAL_OK); // everything is older than now
    QVERIFY(journal.Batches().isEmpty());
    QCOMPARE(KeptFiles(m_root), 0);
}

// The journal in memory (/dev/shm), the photos on disk: the original is linked beside the
// photo, never copied, and the hidden folder goes with the last original kept there.
void TestJournal::keptBesideOnAnotherFileSystem()
{
    QTemporaryDir shm(QStringLiteral("/dev/shm/tst_journal-XXXXXX"));
    struct stat a, b;
    if (!shm.isValid() || stat("/dev/shm", &a) != 0 ||
        stat(QFile::encodeName(m_photos).constData(), &b) != 0 || a.st_dev == b.st_dev)
        QSKIP("needs /dev/shm on another file system than the temporary folder");
    const QString photo = TestJpeg::Write(m_photos, QStringLiteral("x.jpg"));
    const QByteArray original = ReadAll(photo);
    VYRJournal journal(shm.path());
    QCOMPARE(journal.Open(), VYR_JOURNAL_OK);
    const qint64 batch = journal.NewBatch(QStringLiteral("window"));
    QCOMPARE(VYRJournalledRotate(&journal, batch, photo, photo, VYR_ROTATE_180), VYR_SUCCESS);
    const QString kept = journal.Records(batch).value(0).m_kept;
    QCOMPARE(QFileInfo(kept).absolutePath(), m_photos + QStringLiteral("/.veyra-kept"));
    QCOMPARE(ReadAll(kept), original);
    QCOMPARE(journal.RestoreBatch(batch), VYR_JOURNAL_OK);
    QCOMPARE(ReadAll(photo), original);
    // The restore's own kept file (the turned bytes, for the redo) is beside the photo now.
    QCOMPARE(QDir(m_photos + QStringLiteral("/.veyra-kept")).entryList(QDir::Files).size(), 1);
    QCOMPARE(journal.Expire(0, 0), VYR_JOURNAL_OK);
    QVERIFY(!QFileInfo::exists(m_photos + QStringLiteral("/.veyra-kept")));
}

// Two journal objects in two processes, as the window and the command line would be.
void TestJournal::twoProcessesLoseNoRecord()
{
    constexpr int kEach = 60;
    {
        VYRJournal journal(m_root);
        QCOMPARE(journal.Open(), VYR_JOURNAL_OK);
    }
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        if (children[c] == 0) {
            VYRJournal journal(m_root);
            int failures = journal.Open() == VYR_JOURNAL_OK ? 0 : 1;
            const qint64 batch = journal.NewBatch(QStringLiteral("child"));
            for (int i = 0; i < kEach; ++i) {
                const QString photo = TestJpeg::WriteBytes(
                    m_photos, QStringLiteral("c%1-%2.jpg").arg(c).arg(i), "before");
                failures += PlainTurn(&journal, batch, photo, "after") ? 0 : 1;
                if (i % 7 == 0)
                    journal.Batches(); // readers too, between the other's writes
            }
            _exit(failures == 0 ? 0 : 1);
        }
        QVERIFY(children[c] > 0);
    }
    for (pid_t child : children) {
        int status = -1;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    VYRJournal journal(m_root);
    QCOMPARE(journal.Open(), VYR_JOURNAL_OK);
    const QList<VYRBatchInfo> batches = journal.Batches();
    QCOMPARE(batches.size(), 2);
    QSet<qint64> ids;
    for (const VYRBatchInfo &b : batches) {
        QCOMPARE(b.m_count, kEach);
        for (const VYRTurnRecord &r : journal.Records(b.m_id))
            ids.insert(r.m_id);
    }
    QCOMPARE(ids.size(), 2 * kEach);
    QCOMPARE(KeptFiles(m_root), 2 * kEach);
}

// The journal's own SHA-256 (the processor's instructions where present) against Qt's, around
// every padding boundary and on a photo-sized buffer.
void TestJournal::digestMatchesReference()
{
    QByteArray data(5 << 20, Qt::Uninitialized);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char((i * 2654435761u) >> 13);
    QList<qsizetype> sizes;
    for (qsizetype n = 0; n <= 200; ++n)
        sizes << n;
    sizes << 4095 << 4096 << 4097 << data.size();
    for (qsizetype n : std::as_const(sizes))
        QVERIFY2(VYRSha256(data.constData(), n) ==
                     QCryptographicHash::hash(QByteArrayView(data.constData(), n),
                                              QCryptographicHash::Sha256),
                 qPrintable(QString::number(n)));
}

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
