// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qlfiletimes.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

qint64 ToMSecsSinceEpoch(uint64_t in_fileTime)
{
    int64_t seconds = 0;
    uint32_t nanoseconds = 0;
    QLFileTimeToUnix(in_fileTime, &seconds, &nanoseconds);
    return seconds * 1000 + nanoseconds / 1000000;
}

QString WriteFile(const QString &in_path, const QByteArray &in_bytes)
{
    QFile file(in_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(in_bytes) != in_bytes.size())
        return QString();
    return in_path;
}

} // namespace

class TestQLFileTimes : public QObject
{
    Q_OBJECT

private slots:
    void conversions()
    {
        QCOMPARE(QLFileTimeFromUnix(0, 0), Q_UINT64_C(116444736000000000));
        QCOMPARE(QLFileTimeFromUnix(1, 500), Q_UINT64_C(116444736010000005));
        int64_t seconds = 0;
        uint32_t nanoseconds = 0;
        QLFileTimeToUnix(QLFileTimeFromUnix(1700000000, 123456700), &seconds, &nanoseconds);
        QCOMPARE(seconds, int64_t(1700000000));
        QCOMPARE(nanoseconds, 123456700u);
        // Before 1601 there is no such time: it reads as unknown.
        QCOMPARE(QLFileTimeFromUnix(-11644473601LL, 0), Q_UINT64_C(0));
        QLFileTimeToUnix(Q_UINT64_C(116444735990000000), &seconds, &nanoseconds);
        QCOMPARE(seconds, int64_t(-1));
        QCOMPARE(nanoseconds, 0u);
    }

    void attributesOfAFile()
    {
        QTemporaryDir dir;
        const QString path = WriteFile(dir.filePath("a.jpg"), QByteArray(1234, 'x'));
        QVERIFY(!path.isEmpty());
        QL_FILE_ATTRIBUTE_DATA data;
        int error = -1;
        QVERIFY(QLGetFileAttributesEx(path, &data, &error));
        const QFileInfo info(path);
        QCOMPARE(data.nFileSizeLow, 1234u);
        QCOMPARE(data.nFileSizeHigh, 0u);
        QCOMPARE(data.dwFileAttributes, uint32_t(QL_FILE_ATTRIBUTE_NORMAL));
        QVERIFY(qAbs(ToMSecsSinceEpoch(data.ftLastWriteTime) -
                     info.lastModified().toMSecsSinceEpoch()) < 1000);
        // Not every file system keeps a birth time; when it does, both readers agree.
        if (data.ftCreationTime != 0 && info.birthTime().isValid())
            QVERIFY(qAbs(ToMSecsSinceEpoch(data.ftCreationTime) -
                         info.birthTime().toMSecsSinceEpoch()) < 1000);

        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
        QVERIFY(QLGetFileAttributesEx(path, &data));
        QCOMPARE(data.dwFileAttributes, uint32_t(QL_FILE_ATTRIBUTE_READONLY));

        const QString hidden = WriteFile(dir.filePath(".hidden"), "x");
        QVERIFY(QLGetFileAttributesEx(hidden, &data));
        QCOMPARE(data.dwFileAttributes, uint32_t(QL_FILE_ATTRIBUTE_HIDDEN));
        QVERIFY(QLGetFileAttributesEx(dir.path(), &data));
        QVERIFY(data.dwFileAttributes & QL_FILE_ATTRIBUTE_DIRECTORY);
    }

    void missingFile()
    {
        QTemporaryDir dir;
        QL_FILE_ATTRIBUTE_DATA data;
        data.nFileSizeLow = 77;
        int error = 0;
        QVERIFY(!QLGetFileAttributesEx(dir.filePath("none.jpg"), &data, &error));
        QCOMPARE(error, 2); // the "file not found" number, also on Windows
        QCOMPARE(data.nFileSizeLow, 77u);
        QVERIFY(!QLGetFileAttributesEx(QString(), &data, &error));
        QVERIFY(!QLGetFileAttributesEx(dir.path(), nullptr, &error));
    }

    // Where the platform cannot set it, nothing is touched; the last-write time never is.
    void settingTheCreationTime()
    {
        QTemporaryDir dir;
        const QString path = WriteFile(dir.filePath("a.jpg"), "abc");
        QL_FILE_ATTRIBUTE_DATA before, after;
        QVERIFY(QLGetFileAttributesEx(path, &before));
        const uint64_t wanted = QLFileTimeFromUnix(1000000000, 0);
        const QLSetTimeResult result = QLSetFileCreationTime(path, wanted);
        QVERIFY(QLGetFileAttributesEx(path, &after));
        QCOMPARE(after.ftLastWriteTime, before.ftLastWriteTime);
        QCOMPARE(result,
                 QLCanSetCreationTime() ? QLSetTimeResult::Done : QLSetTimeResult::Unsupported);
        QCOMPARE(after.ftCreationTime, QLCanSetCreationTime() ? wanted : before.ftCreationTime);
    }
};

QTEST_MAIN(TestQLFileTimes)
#include "tst_qlfiletimes.moc"
