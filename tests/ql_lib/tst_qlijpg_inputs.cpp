// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The Exif functions on hostile and real-world input: damaged, truncated and random files
// must never read outside a buffer or change more than the one entry, and on the shared
// sample photos the Orientation found must be what exiftool reports.
#include "qlijpg.h"
#include "qlimgfl.h"

#include "qltrace.h"
#include "testjpeg.h"

#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#include <cstring>
#include <memory>
#include <random>

using TestJpeg::Exif;
using TestJpeg::Options;

namespace {

struct FileCloser
{
    void operator()(FILE *in_pFile) const { std::fclose(in_pFile); }
};
using Stream = std::unique_ptr<FILE, FileCloser>;

// An anonymous update stream holding the bytes, positioned at 0.
Stream MemoryFile(const QByteArray &in_bytes)
{
    Stream f(std::tmpfile());
    if (f && !in_bytes.isEmpty())
        std::fwrite(in_bytes.constData(), 1, size_t(in_bytes.size()), f.get());
    if (f)
        std::rewind(f.get());
    return f;
}

QByteArray StreamBytes(FILE *in_pFile)
{
    std::fflush(in_pFile);
    std::rewind(in_pFile);
    QByteArray out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), in_pFile)) > 0)
        out.append(buf, int(n));
    return out;
}

QList<QByteArray> BaseFiles()
{
    QList<QByteArray> out;
    for (Exif order : {Exif::Intel, Exif::Motorola}) {
        Options o;
        o.width = 16;
        o.height = 16;
        o.exif = order;
        o.orientation = 6;
        out << TestJpeg::Build(o);
        o.decoys = TestJpeg::AllDecoys;
        o.exifIfd = true;
        o.xmp = TestJpeg::Xmp::AfterExif;
        out << TestJpeg::Build(o);
        o = Options();
        o.width = 16;
        o.height = 16;
        o.exif = order;
        o.orientation = 3;
        o.thumbnail = true;
        o.jfif = false;
        o.progressive = true;
        out << TestJpeg::Build(o);
    }
    return out;
}

// Whether the first APP1 holds a TIFF block that every metadata edit can read: "II" or "MM",
// 42, and IFD0's whole table inside the bytes present. The kit's reader walks IFD0 only as
// far as the Orientation entry; the search refuses what the edits would refuse.
bool ReadableTiff(const QByteArray &in_bytes)
{
    for (const TestJpeg::Segment &s : TestJpeg::Segments(in_bytes)) {
        if (s.marker != 0xFFE1)
            continue;
        const QByteArray t = s.payload.mid(6);
        if (t.size() < 8 || (!t.startsWith("II") && !t.startsWith("MM")))
            return false;
        const bool be = t[0] == 'M';
        const auto u = [&](qint64 in_pos, int in_bytes) {
            quint32 v = 0;
            for (int i = 0; i < in_bytes; ++i)
                v |= quint32(uchar(t[in_pos + i])) << (8 * (be ? in_bytes - 1 - i : i));
            return v;
        };
        const qint64 ifd = u(4, 4);
        return u(2, 2) == 42 && ifd >= 8 && ifd + 2 <= t.size() &&
               ifd + 2 + 12 * qint64(u(ifd, 2)) <= t.size();
    }
    return false;
}

// Runs every function of the module over the bytes and checks what must hold on any input.
// Returns an empty string or the first fault found.
QString Exercise(const QByteArray &in_bytes)
{
    Stream f = MemoryFile(in_bytes);
    if (!f)
        return QStringLiteral("no temporary file");
    for (uint16_t marker : {QL_JPEG_SOI, QL_JPEG_APP0, QL_JPEG_APP1, QL_JPEG_SOS, QL_JPEG_EOI,
                            uint16_t(0xFFC0), uint16_t(0xFFDB)}) {
        const int r = QLFindJpegMarker(f.get(), marker);
        if (r < -1)
            return QStringLiteral("marker result %1").arg(r);
    }
    if (QLFindJpegMarker(f.get(), QL_JPEG_APP1) >= 0) {
        QL_EXIFHEADER header;
        std::memset(&header, 0, sizeof(header));
        QLReadExifHeader(f.get(), &header);
    }
    if (QLFindJpegMarker(f.get(), QL_JPEG_APP0) >= 0) {
        QL_JFIFHEADER jfif;
        std::memset(&jfif, 0, sizeof(jfif));
        jfif.length = 14;
        QLReadJfifHeader(f.get(), &jfif);
    }
    QLIsCompleteJpeg(f.get());

    // The search agrees with an independent walk of IFD0.
    QL_IFDTAG tag;
    std::memset(&tag, 0, sizeof(tag));
    tag.tag = QL_TAG_ORIENTATION;
    const bool found = QLFindIFDTag(f.get(), &tag);
    const int reference = ReadableTiff(in_bytes) ? TestJpeg::ReadOrientation(in_bytes) : -1;
    if (found != (reference != -1 || tag.value == 0xFFFFFFFFu))
        return QStringLiteral("found %1, reference %2").arg(found).arg(reference);
    if (found && reference != -1 && tag.value != quint32(reference))
        return QStringLiteral("value %1, reference %2").arg(tag.value).arg(reference);
    const long entryEnd = found ? std::ftell(f.get()) : -1;

    // The write changes exactly the entry's 12 bytes, or nothing.
    tag.tag = QL_TAG_ORIENTATION;
    tag.type = 3;
    tag.count = 1;
    tag.value = 1;
    const bool written = QLWriteIFDTag(f.get(), &tag);
    if (written != found)
        return QStringLiteral("written %1, found %2").arg(written).arg(found);
    const QByteArray after = StreamBytes(f.get());
    if (!written && after != in_bytes)
        return QStringLiteral("changed without a write");
    if (written) {
        if (!TestJpeg::EqualOutside(in_bytes, after, entryEnd - 12, 12))
            return QStringLiteral("bytes outside the entry changed");
        if (TestJpeg::ReadOrientation(after) != 1)
            return QStringLiteral("rewritten value not 1");
    }
    return {};
}

// The Orientation of IFD0 in the first APP1 segment, from exiftool's verbose listing of one
// file: -1 when the first APP1 is not Exif or its IFD0 has no Orientation.
int ExiftoolOrientation(const QStringList &in_lines)
{
    static const QRegularExpression entry(QStringLiteral("^  \\| \\d+\\)\\s+Orientation = (\\d+)"));
    bool inFirstApp1 = false;
    bool inIfd0 = false;
    for (const QString &line : in_lines) {
        if (line.startsWith(QLatin1String("JPEG "))) {
            if (inFirstApp1)
                return -1; // the first APP1 ended without one
            inFirstApp1 = line.startsWith(QLatin1String("JPEG APP1"));
            continue;
        }
        if (!inFirstApp1)
            continue;
        if (line.startsWith(QLatin1String("  + [")))
            inIfd0 = line.startsWith(QLatin1String("  + [IFD0 directory"));
        if (!inIfd0)
            continue;
        const QRegularExpressionMatch m = entry.match(line);
        if (m.hasMatch())
            return m.captured(1).toInt();
    }
    return -1;
}

} // namespace

class TestExifInputs : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLResetAssertions(); }

    void truncatedAtEveryOffset()
    {
        const QList<QByteArray> bases = BaseFiles();
        for (int i = 0; i < bases.size(); ++i) {
            const QByteArray &base = bases[i];
            QVERIFY(!base.isEmpty());
            const QList<TestJpeg::Segment> segs = TestJpeg::Segments(base);
            const qint64 headerEnd = segs.last().offset + 16; // a little past SOS
            // Odd offsets in one file, even ones in the next: each layout is cut at every
            // offset in one of the two byte orders, at half the cost.
            for (qint64 cut = i % 2; cut <= headerEnd; cut += 2) {
                const QString fault = Exercise(base.left(cut));
                QVERIFY2(fault.isEmpty(),
                         qPrintable(QStringLiteral("cut %1: %2").arg(cut).arg(fault)));
            }
        }
        QCOMPARE(QLAssertFailureCount(), 0);
    }

    void mutatedHeaders()
    {
        const QList<QByteArray> bases = BaseFiles();
        std::mt19937 rng(20261208);
        for (int round = 0; round < 3000; ++round) {
            QByteArray bytes = bases[int(rng() % unsigned(bases.size()))];
            const qint64 region = TestJpeg::Segments(bytes).last().offset;
            const int edits = 1 + int(rng() % 4);
            for (int e = 0; e < edits; ++e) {
                const qint64 pos = qint64(rng() % quint64(region));
                switch (rng() % 6) {
                case 0:
                    bytes[pos] = char(rng() & 0xFF);
                    break;
                case 1:
                    bytes[pos] = char(0xFF);
                    break;
                case 2: // a word of 274 in either byte order, where a scan could meet it
                    if (pos + 1 < bytes.size()) {
                        const bool be = rng() & 1;
                        bytes[pos] = char(be ? 0x01 : 0x12);
                        bytes[pos + 1] = char(be ? 0x12 : 0x01);
                    }
                    break;
                case 3: // lengths, counts and offsets: 0, 1, huge
                    if (pos + 1 < bytes.size()) {
                        const char v = char((rng() % 3) == 0 ? 0 : (rng() % 2 ? 1 : 0xFF));
                        bytes[pos] = v;
                        bytes[pos + 1] = v;
                    }
                    break;
                case 4:
                    bytes.remove(pos, 1 + int(rng() % 8));
                    break;
                default:
                    bytes.insert(pos, char(rng() & 0xFF));
                    break;
                }
            }
            if (rng() % 4 == 0)
                bytes.truncate(int(rng() % quint64(bytes.size() + 1)));
            const QString fault = Exercise(bytes);
            QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("round %1: %2 (%3)")
                                                     .arg(round)
                                                     .arg(fault, TestJpeg::Hex(bytes, 0, 64))));
        }
        QCOMPARE(QLAssertFailureCount(), 0);
    }

    void randomBytes()
    {
        std::mt19937 rng(7);
        for (int round = 0; round < 1500; ++round) {
            QByteArray bytes(int(rng() % 400), '\0');
            for (char &c : bytes)
                c = char(rng() & 0xFF);
            // Most rounds look like JPEG up to an APP1 that claims to be Exif.
            if (round % 3 != 0 && bytes.size() >= 16) {
                const QByteArray head("\xFF\xD8\xFF\xE1\x01\x00"
                                      "Exif\0\0",
                                      12);
                bytes.replace(0, head.size(), head);
                bytes[4] = char(rng() % 2);
                bytes[12] = bytes[13] = (rng() & 1) ? 'M' : 'I';
            }
            const QString fault = Exercise(bytes);
            QVERIFY2(fault.isEmpty(),
                     qPrintable(QStringLiteral("round %1: %2").arg(round).arg(fault)));
        }
        QCOMPARE(QLAssertFailureCount(), 0);
    }

    // Every shared sample: found exactly when exiftool lists an Orientation in IFD0 of the
    // first APP1, with the same value.
    void samplesAgreeWithExiftool()
    {
        const QString dir = qEnvironmentVariable("VEYRA_SAMPLES_DIR");
        if (dir.isEmpty() || !QFileInfo(dir).isDir())
            QSKIP("VEYRA_SAMPLES_DIR is not a folder");
        const QString exiftool = QStandardPaths::findExecutable(QStringLiteral("exiftool"));
        if (exiftool.isEmpty())
            QSKIP("exiftool is not installed");

        QStringList files;
        QDirIterator all(dir, QDir::Files, QDirIterator::Subdirectories);
        while (all.hasNext()) {
            const QString path = all.next();
            const QString lower = path.toLower();
            if (lower.endsWith(QLatin1String(".jpg")) || lower.endsWith(QLatin1String(".jpeg")))
                files << path;
        }
        files.sort();
        if (files.isEmpty())
            QSKIP("no sample photos");

        // One run for all files (a run per file costs seconds); with several files exiftool
        // starts each listing with "======== <path>".
        QProcess proc;
        proc.start(exiftool, QStringList{QStringLiteral("-v1")} + files);
        QVERIFY(proc.waitForFinished(120000));
        QHash<QString, QStringList> listings;
        QString current = files.size() == 1 ? files.first() : QString();
        for (const QString &line :
             QString::fromUtf8(proc.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("======== ")))
                current = line.mid(9);
            else
                listings[current] << line;
        }

        int compared = 0;
        int withOrientation = 0;
        QStringList mismatches;
        for (const QString &path : files) {
            QVERIFY2(listings.contains(path), qPrintable(path));
            const int expected = ExiftoolOrientation(listings.value(path));

            QLImageFile file;
            QVERIFY2(file.Open(path, 0), qPrintable(path));
            QL_IFDTAG tag;
            std::memset(&tag, 0, sizeof(tag));
            tag.tag = QL_TAG_ORIENTATION;
            const bool found = QLFindIFDTag(file.GetFile(), &tag);
            const int actual = found ? int(tag.value) : -1;
            if (actual != expected)
                mismatches << QStringLiteral("%1: found %2, exiftool %3")
                                  .arg(path)
                                  .arg(actual)
                                  .arg(expected);
            ++compared;
            if (expected >= 0)
                ++withOrientation;
        }
        qInfo("%d samples compared, %d with an Orientation in IFD0", compared, withOrientation);
        QVERIFY2(mismatches.isEmpty(), qPrintable(mismatches.join(QLatin1Char('\n'))));
        QVERIFY(withOrientation > 0);
    }
};

QTEST_GUILESS_MAIN(TestExifInputs)
#include "tst_qlijpg_inputs.moc"
