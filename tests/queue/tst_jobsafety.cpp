// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The window's jobs against another program: a photo saved anew or deleted while its job turns
// it is left as that program made it, and the job fails with the reason in the event log; a
// turn that trims says so there too.
#include "queuetest.h"

#include "testjpeg.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

namespace {

constexpr int kJobTimeoutMs = 30000;

// Run on the worker once the photo has been read and turned, just before the write: what
// another program does then, while the turn is in progress.
std::function<void()> &Meanwhile()
{
    static std::function<void()> meanwhile;
    return meanwhile;
}

struct Chained
{
    const VYRRotateOptions *m_pOriginal;
};

bool RunMeanwhile(uint8_t *inout_pData, size_t in_size, void *in_pUser)
{
    if (Meanwhile())
        Meanwhile()();
    const VYRRotateOptions *original = static_cast<Chained *>(in_pUser)->m_pOriginal;
    return !original || !original->m_pFunction ||
           original->m_pFunction(inout_pData, in_size, original->m_pUserData);
}

int RotateWithMeanwhile(const QString &in_source, const QString &in_destination, int in_code,
                        int in_arg4, int in_arg5, int in_arg6, const VYRRotateOptions *in_pOptions)
{
    VYRRotateOptions options = in_pOptions ? *in_pOptions : VYRRotateOptions();
    Chained chained{in_pOptions};
    options.m_pFunction = &RunMeanwhile;
    options.m_pUserData = &chained;
    return VYRDefaultEngine().RotateFile(in_source, in_destination, in_code, in_arg4, in_arg5,
                                         in_arg6, &options);
}

class ScopedMeanwhile
{
public:
    explicit ScopedMeanwhile(std::function<void()> in_meanwhile)
    {
        Meanwhile() = std::move(in_meanwhile);
        VYREngineTable table = VYRDefaultEngine();
        table.RotateFile = &RotateWithMeanwhile;
        VYRSetEngine(&table);
    }
    ~ScopedMeanwhile()
    {
        VYRSetEngine(nullptr);
        Meanwhile() = nullptr;
    }
};

TestJpeg::Options PhotoOptions(quint32 in_seed)
{
    TestJpeg::Options options;
    options.exif = TestJpeg::Exif::Intel;
    options.orientation = 6;
    options.seed = in_seed;
    return options;
}

} // namespace

class TestJobSafety : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_store.isValid());
        QVERIFY(IsolateStore(m_store.path()));
    }

    void newerVersionWins()
    {
        QTemporaryDir dir;
        const QString path = TestJpeg::Write(dir.path(), "a.jpg", PhotoOptions(1));
        const QByteArray newer = TestJpeg::Build(PhotoOptions(5));
        QVERIFY(!path.isEmpty());
        const QString gone = TestJpeg::Write(dir.path(), "b.jpg", PhotoOptions(2));
        QVERIFY(!gone.isEmpty());

        QueueRig rig;
        VYRImage *saved = rig.AddItem(path);
        VYRImage *deleted = rig.AddItem(gone);
        {
            ScopedMeanwhile meanwhile([&] {
                // Another program saves the photo the usual way: a new file renamed over it.
                const QString temp = dir.filePath("a.jpg.new");
                if (TestJpeg::WriteBytes(dir.path(), "a.jpg.new", newer).isEmpty() ||
                    std::rename(QFile::encodeName(temp).constData(),
                                QFile::encodeName(path).constData()) != 0)
                    qFatal("could not stand in for the other program");
            });
            rig.Queue(saved, 90);
            QTRY_COMPARE_WITH_TIMEOUT(rig.LogCount(Failed("a.jpg")), 1, kJobTimeoutMs);
        }
        const QStringList log = rig.m_doc.GetLog();
        QCOMPARE(log.value(log.indexOf(Failed("a.jpg")) - 1),
                 "'a.jpg' changed while it was being turned; not replaced");
        QCOMPARE(TestJpeg::ReadAll(path), newer);

        {
            ScopedMeanwhile meanwhile([&] { QFile::remove(gone); });
            rig.Queue(deleted, 90);
            QTRY_COMPARE_WITH_TIMEOUT(rig.LogCount(Failed("b.jpg")), 1, kJobTimeoutMs);
        }
        QVERIFY(!QFile::exists(gone));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.jpg"});
        QCOMPARE(rig.LogCount(Rotated("a.jpg")) + rig.LogCount(Rotated("b.jpg")), 0);
    }

    // A turn that trims says so in the line after its success.
    void trimIsLogged()
    {
        QTemporaryDir dir;
        TestJpeg::Options options = PhotoOptions(3);
        options.width = 70; // 4:2:0: 6 columns and 8 rows beyond the 16-pixel blocks
        options.height = 56;
        const QString path = TestJpeg::Write(dir.path(), "t.jpg", options);
        QVERIFY(!path.isEmpty());
        QueueRig rig;
        rig.Queue(rig.AddItem(path), 90);
        QTRY_COMPARE_WITH_TIMEOUT(rig.LogCount(Rotated("t.jpg")), 1, kJobTimeoutMs);
        QCOMPARE(rig.LastLog(), "'t.jpg': trimmed 8 pixels from the bottom edge");
        QCOMPARE(TestJpeg::Decode(path).size(), QSize(48, 70));
    }

private:
    QTemporaryDir m_store;
};

QTEST_MAIN(TestJobSafety)
#include "tst_jobsafety.moc"
