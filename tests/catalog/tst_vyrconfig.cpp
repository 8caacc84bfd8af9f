// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "document.h"
#include "vyrconfig.h"

#include <QDataStream>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class TestVYRConfig : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_storeDir;

    static QSettings Store()
    {
        return QSettings(QStringLiteral("Quillmere"), QStringLiteral("Veyra"));
    }

private slots:
    void initTestCase()
    {
        // Never touch the user's own settings.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_storeDir.path());
        QVERIFY(m_storeDir.isValid() && Store().fileName().startsWith(m_storeDir.path()));
    }

    void init() { Store().clear(); }

    void firstRunUsesDefaultsAndWritesAllEighteen()
    {
        {
            Document document;
            QCOMPARE(Document::ThumbSizeToPixels(document.GetConfig().ThumbSize), 128);
        }
        const QMap<QString, QString> expected = {
            {"Veyra/HorzSpacing", "5"},    {"Veyra/VertSpacing", "5"},
            {"Veyra/LeftMargin", "40"},    {"Veyra/TopMargin", "40"},
            {"Veyra/RightMargin", "40"},   {"Veyra/BottomMargin", "40"},
            {"Veyra/LeftPadding", "8"},    {"Veyra/TopPadding", "8"},
            {"Veyra/RightPadding", "8"},   {"Veyra/BottomPadding", "8"},
            {"Veyra/MatteColor", "0"},     {"Veyra/ShowFileName", "1"},
            {"Veyra/IncludeSubDirs", "0"}, {"Veyra/Inplace", "1"},
            {"Veyra/ThumbSize", "1"},      {"Vyera/Filter", "*.jpg"},
            {"Vyera/RootPath", ""},        {"Veyra/DestPath", ""}};
        QSettings store = Store();
        QMap<QString, QString> written;
        for (const QString &key : store.allKeys())
            written[key] = store.value(key).toString();
        QCOMPARE(written, expected);

        // What a run changed is what the next run starts with.
        {
            Document document;
            document.GetConfig().Inplace = 0;
            document.SetRootPath("/photos/in");
            document.SetDestPath("/photos/out");
        }
        Document next;
        QCOMPARE(next.GetConfig().Inplace, 0);
        QCOMPARE(next.GetRootPath(), QStringLiteral("/photos/in"));
        QCOMPARE(next.GetDestPath(), QStringLiteral("/photos/out"));
    }

    // A run killed while saving must leave the previous settings whole: the new file is
    // written aside and renamed into place, never rewritten where it lies. A second link to
    // the old file shows which: it keeps the old contents only after a rename.
    void savingReplacesTheFileWhole()
    {
        const QString file = Store().fileName();
        {
            Document document;
            document.SetRootPath("/photos/old");
        }
        const QString oldLink = m_storeDir.filePath("old-settings.link");
        QFile::remove(oldLink);
        QCOMPARE(
            ::link(QFile::encodeName(file).constData(), QFile::encodeName(oldLink).constData()), 0);
        {
            Document document;
            document.SetRootPath("/photos/new");
        }
        QCOMPARE(Store().value("Vyera/RootPath").toString(), QStringLiteral("/photos/new"));
        QSettings old(oldLink, QSettings::IniFormat);
        QCOMPARE(old.value("Vyera/RootPath").toString(), QStringLiteral("/photos/old"));
    }

    void storedValuesLoadAsTheyAre()
    {
        {
            QSettings store = Store();
            store.setValue("Veyra/ThumbSize", 7);
            store.setValue("Veyra/LeftMargin", -3);
            store.setValue("Veyra/HorzSpacing", "wide"); // not a number: the default
            store.setValue("Veyra/MatteColor", 0xFFFFFFFFu);
            store.setValue("Veyra/Filter", "*.png"); // the wrong section: not read
        }
        Document document;
        const VYRConfig &c = document.GetConfig();
        QCOMPARE(QList<int>({c.ThumbSize, c.LeftMargin, c.HorzSpacing}), QList<int>({7, -3, 5}));
        QCOMPARE(Document::ThumbSizeToPixels(c.ThumbSize), 0);
        QCOMPARE(c.MatteColor, 0xFFFFFFFFu);
        QCOMPARE(c.Filter, QStringLiteral("*.jpg"));
    }

    // The pattern as a user writes it into the file by hand, quoted or not, with ";" or ","
    // between the patterns; it is read whole and kept through a save.
    void handWrittenFilter_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("filter");
        QTest::newRow("semicolons") << QByteArray("Filter=*.jpg;*.jpeg") << "*.jpg;*.jpeg";
        QTest::newRow("semicolons quoted")
            << QByteArray("Filter=\"*.jpg;*.jpeg\"") << "*.jpg;*.jpeg";
        QTest::newRow("commas") << QByteArray("Filter=*.jpg,*.jpeg") << "*.jpg;*.jpeg";
        QTest::newRow("commas quoted") << QByteArray("Filter=\"*.jpg,*.jpeg\"") << "*.jpg;*.jpeg";
        QTest::newRow("mixed, blanks")
            << QByteArray("Filter = *.jpg, *.JPEG ; IMG_*.jpg") << "*.jpg;*.JPEG;IMG_*.jpg";
        QTest::newRow("one pattern") << QByteArray("Filter=*.JPG") << "*.JPG";
    }

    void handWrittenFilter()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, filter);
        QTemporaryDir dir;
        const QString path = dir.filePath("Veyra.conf");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Veyra]\nInplace=0\n\n[Vyera]\n" + line + "\nRootPath=/photos\n");
        file.close();

        VYRConfig loaded;
        {
            QSettings store(path, QSettings::IniFormat);
            loaded.Load(store);
        }
        QCOMPARE(loaded.Filter, filter);
        QCOMPARE(loaded.RootPath, QStringLiteral("/photos"));
        QCOMPARE(loaded.Inplace, 0);
        {
            QSettings store(path, QSettings::IniFormat);
            loaded.Save(store);
        }
        VYRConfig again;
        QSettings store(path, QSettings::IniFormat);
        again.Load(store);
        QCOMPARE(again.Filter, filter);
    }

    void archiveRoundTrip()
    {
        VYRConfig c;
        c.HorzSpacing = 0x01020304;
        c.Filter = QStringLiteral("*.jpg;*.jpeg");
        c.RootPath = QStringLiteral("/fotos/Åsa");
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        QVERIFY(c.Serialize(out, true));
        // Fifteen little-endian integers, then each string as a byte count and UTF-8.
        QCOMPARE(bytes.left(4), QByteArray("\x04\x03\x02\x01", 4));
        QCOMPARE(bytes.mid(60, 4), QByteArray("\x0c\x00\x00\x00", 4));
        QCOMPARE(bytes.size(), 15 * 4 + 3 * 4 + 12 + c.RootPath.toUtf8().size());

        VYRConfig loaded;
        QDataStream in(bytes);
        QVERIFY(loaded.Serialize(in, false));
        QCOMPARE(loaded.HorzSpacing, c.HorzSpacing);
        QCOMPARE(loaded.RootPath, c.RootPath);
        // A damaged archive changes nothing.
        VYRConfig untouched;
        QDataStream damaged(bytes.left(bytes.size() - 1));
        QVERIFY(!untouched.Serialize(damaged, false));
        QVERIFY(untouched.HorzSpacing == 5 && untouched.Filter.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestVYRConfig)
#include "tst_vyrconfig.moc"
