// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qlimgfl.h"

#include "qltrace.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray FileBytes(const QString &in_path)
{
    QFile f(in_path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool MakeFile(const QString &in_path, const QByteArray &in_bytes)
{
    QFile f(in_path);
    return f.open(QIODevice::WriteOnly) && f.write(in_bytes) == in_bytes.size();
}

} // namespace

class TestImageFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString Path(const char *in_name) const { return m_dir.filePath(QString::fromUtf8(in_name)); }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QLResetAssertions();
    }

    void modesOpenAsTheirStdioStrings()
    {
        const QString path = Path("modes.bin");
        QVERIFY(MakeFile(path, "abcdef"));
        char buf[8] = {};
        {
            QLImageFile f; // 0 "rb": reads, cannot write
            QVERIFY(f.Open(path, 0));
            QCOMPARE(std::fread(buf, 1, 3, f.GetFile()), size_t(3));
            QCOMPARE(QByteArray(buf, 3), QByteArray("abc"));
            QCOMPARE(std::fwrite("x", 1, 1, f.GetFile()), size_t(0));
        }
        {
            QLImageFile f; // 3 "r+b": updates in place, keeps the rest
            QVERIFY(f.Open(path, 3));
            QCOMPARE(std::fseek(f.GetFile(), 2, SEEK_SET), 0);
            QCOMPARE(std::fwrite("XY", 1, 2, f.GetFile()), size_t(2));
        }
        QCOMPARE(FileBytes(path), QByteArray("abXYef"));
        {
            QLImageFile f; // 4 "a+b": writes go to the end whatever the position
            QVERIFY(f.Open(path, 4));
            std::rewind(f.GetFile());
            QCOMPARE(std::fwrite("!", 1, 1, f.GetFile()), size_t(1));
        }
        QCOMPARE(FileBytes(path), QByteArray("abXYef!"));
        {
            QLImageFile f; // 2 "w+b": truncates, reads back what it wrote
            QVERIFY(f.Open(path, 2));
            QCOMPARE(std::fwrite("new", 1, 3, f.GetFile()), size_t(3));
            std::rewind(f.GetFile());
            QCOMPARE(std::fread(buf, 1, 8, f.GetFile()), size_t(3));
        }
        QCOMPARE(FileBytes(path), QByteArray("new"));
        {
            QLImageFile f; // 1 "wb": truncates; the destructor flushes and closes
            QVERIFY(f.Open(path, 1));
            QCOMPARE(std::fwrite("w", 1, 1, f.GetFile()), size_t(1));
        }
        QCOMPARE(FileBytes(path), QByteArray("w"));
        QCOMPARE(QLAssertFailureCount(), 0);
    }

    void secondOpenIsRefusedAndFirstStreamStays()
    {
        const QString first = Path("first.bin");
        const QString second = Path("second.bin");
        QVERIFY(MakeFile(first, "first"));
        QVERIFY(MakeFile(second, "second"));
        QLImageFile f;
        QVERIFY(f.Open(first, 3));
        FILE *stream = f.GetFile();
        QVERIFY(!f.Open(second, 0));
        QCOMPARE(QLLastAssertion(), QStringLiteral("m_pFile == NULL"));
        QCOMPARE(f.GetFile(), stream);
        QCOMPARE(f.GetName(), first);
        char buf[5];
        QCOMPARE(std::fread(buf, 1, 5, f.GetFile()), size_t(5));
        QCOMPARE(QByteArray(buf, 5), QByteArray("first"));
    }

    void unknownModeIsRefused_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("-1") << -1;
        QTest::newRow("5") << 5;
    }
    void unknownModeIsRefused()
    {
        QFETCH(int, mode);
        const QString path = Path("mode.bin");
        QVERIFY(MakeFile(path, "x"));
        QLImageFile f;
        QVERIFY(!f.Open(path, mode));
        QCOMPARE(QLLastAssertion(), QStringLiteral("false"));
        QVERIFY(!f.IsOpen());
        QVERIFY(f.GetName().isEmpty()); // refused before the path is taken
    }

    void failedOpenKeepsNameAndAllowsRetry()
    {
        const QString missing = Path("missing.jpg");
        QLImageFile f;
        QVERIFY(!f.Open(missing, 3));
        QVERIFY(!f.IsOpen());
        QVERIFY(f.GetFile() == nullptr);
        QCOMPARE(f.GetName(), missing);
        QCOMPARE(QLAssertFailureCount(), 0);

        QVERIFY(MakeFile(missing, "now here"));
        QVERIFY(f.Open(missing, 3));
        f.Close();
        QVERIFY(!f.IsOpen());
        QCOMPARE(f.GetName(), missing); // Close keeps the name
        f.Close();                      // closing a closed object does nothing
        QVERIFY(!f.Open(QString(), 0)); // an empty path is not opened
        QCOMPARE(QLAssertFailureCount(), 0);
    }

    void longPathIsKeptWholeNotTruncated()
    {
        // Far beyond any platform limit: refused, never cut short to something that exists.
        QString path = m_dir.path() + QLatin1Char('/') + QString(5000, QLatin1Char('a'));
        QLImageFile f;
        QVERIFY(!f.Open(path, 1));
        QCOMPARE(f.GetName(), path);
        QCOMPARE(f.GetFileName().size(), 5000);
    }

    void pathParts_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("extension");
        QTest::newRow("full") << "/photos/img.jpg"
                              << "/photos"
                              << "img.jpg"
                              << "jpg";
        QTest::newRow("no separator") << "img.jpg"
                                      << ""
                                      << ""
                                      << "jpg";
        // The search stops at the second character: a leading separator is never found.
        QTest::newRow("leading separator") << "/img.jpg"
                                           << ""
                                           << ""
                                           << "jpg";
        QTest::newRow("no extension") << "/a/b/readme"
                                      << "/a/b"
                                      << "readme"
                                      << "";
        QTest::newRow("dot in folder") << "/a.d/img"
                                       << "/a.d"
                                       << "img"
                                       << "d/img";
        QTest::newRow("two dots") << "/x/img.old.JPG"
                                  << "/x"
                                  << "img.old.JPG"
                                  << "JPG";
        QTest::newRow("trailing separator") << "/x/y/"
                                            << "/x/y"
                                            << ""
                                            << "";
        QTest::newRow("empty") << ""
                               << ""
                               << ""
                               << "";
#ifndef Q_OS_WIN
        QTest::newRow("backslash is a name character") << "C:\\photos\\img.jpg"
                                                       << ""
                                                       << ""
                                                       << "jpg";
#else
        QTest::newRow("backslash") << "C:\\photos\\img.jpg"
                                   << "C:\\photos"
                                   << "img.jpg"
                                   << "jpg";
#endif
    }
    void pathParts()
    {
        QFETCH(QString, path);
        QLImageFile f;
        f.Open(path, 0); // whether or not it exists, the name is stored
        QCOMPARE(f.GetName(), path);
        QTEST(f.GetDirectory(), "directory");
        QTEST(f.GetFileName(), "fileName");
        QTEST(f.GetExtension(), "extension");
    }
};

QTEST_GUILESS_MAIN(TestImageFile)
#include "tst_qlimgfl.moc"
