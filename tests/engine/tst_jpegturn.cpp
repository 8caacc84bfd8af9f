// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The engine's own coefficient turn and its guarded reader: the same pixels as the library's
// transform for every sampling and coding, the source's marker segments verbatim, and hostile
// files refused at a cost in proportion to their size.
#include "jpeg/vyrjpegturn.h"
#include "testjpeg.h"
#include "testjpeg_codec.h"
#include "vyrengine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using TestJpegCodec::Options;
using TestJpegCodec::Scan;

// The transform by jpegtran itself (what `-trim` keeps is the reference for every code), in
// the source's coding: progressive in, progressive out.
QByteArray Jpegtran(const QByteArray &in_jpeg, int in_code, bool in_progressive,
                    QString *out_pError)
{
    const QString jpegtran = QStandardPaths::findExecutable(QStringLiteral("jpegtran"));
    if (jpegtran.isEmpty()) {
        *out_pError = QStringLiteral("no jpegtran");
        return {};
    }
    const VYROrientation transform = VYROrientation::FromCode(in_code);
    QStringList args = {"-copy", "all"};
    if (transform.IsMirrored() && transform.QuarterTurns() == 0)
        args << "-flip"
             << "horizontal";
    else if (transform.IsMirrored() && transform.QuarterTurns() == 2)
        args << "-flip"
             << "vertical";
    else if (transform.IsMirrored())
        args << (transform.QuarterTurns() == 3 ? "-transpose" : "-transverse");
    else
        args << "-rotate" << QString::number(transform.QuarterTurns() * 90);
    args << "-trim";
    if (in_progressive)
        args << "-progressive";
    QProcess tool;
    tool.start(jpegtran, args);
    tool.write(in_jpeg);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0) {
        *out_pError = QString::fromLocal8Bit(tool.readAllStandardError());
        return {};
    }
    return tool.readAllStandardOutput();
}

constexpr int kAllCodes[] = {VYR_FLIP_HORIZONTAL, VYR_FLIP_VERTICAL, VYR_TRANSPOSE, VYR_TRANSVERSE,
                             VYR_ROTATE_90,       VYR_ROTATE_180,    VYR_ROTATE_270};

int Turn(const QByteArray &in_jpeg, int in_code, VYRTurnResult *out_pResult)
{
    VYRTurnRequest request;
    request.m_code = in_code;
    request.m_name = "test.jpg";
    return VYRTurnJpeg(reinterpret_cast<const uint8_t *>(in_jpeg.constData()),
                       size_t(in_jpeg.size()), request, out_pResult);
}

// A progressive script for one component with every AC coefficient in its own scans, each
// refined bit by bit from in_firstBit down: a valid file with very many scans.
QList<Scan> ManyScans(int in_firstBit, int in_coefficients)
{
    QList<Scan> scans = {{{0}, 0, 0, 0, 0}};
    for (int k = 1; k <= in_coefficients; ++k) {
        scans.append({{0}, k, k, 0, in_firstBit});
        for (int bit = in_firstBit; bit > 0; --bit)
            scans.append({{0}, k, k, bit, bit - 1});
    }
    return scans;
}

// Overwrites the middle of the scan data with stuffed 0xFF bytes: runs of 1 bits that are no
// Huffman code.
QByteArray WithBadHuffmanCodes(QByteArray in_jpeg)
{
    const qsizetype start = TestJpegCodec::ScanDataOffset(in_jpeg);
    const qsizetype middle = start + (in_jpeg.size() - start) / 2;
    for (qsizetype i = middle; i < middle + 64; i += 2) {
        in_jpeg[i] = char(0xFF);
        in_jpeg[i + 1] = 0;
    }
    return in_jpeg;
}

// Garbage between two marker segments, which libjpeg skips with a warning.
QByteArray WithExtraneousBytes(const QByteArray &in_jpeg)
{
    const qsizetype sos = TestJpegCodec::ScanDataOffset(in_jpeg);
    const qsizetype at = in_jpeg.lastIndexOf("\xFF\xDA", sos);
    return in_jpeg.left(at) + QByteArray("junk", 4) + in_jpeg.mid(at);
}

// The file without its in_index-th scan (0-based): the scan header and its data up to the
// next marker. libjpeg reads what is left without a warning.
QByteArray WithoutScan(const QByteArray &in_jpeg, int in_index)
{
    qsizetype at = -1;
    for (int i = 0; i <= in_index; ++i) {
        at = in_jpeg.indexOf("\xFF\xDA", at + 1);
        if (at < 0)
            return {};
    }
    qsizetype end = at + 2;
    while (end + 1 < in_jpeg.size() &&
           !(uchar(in_jpeg[end]) == 0xFF && uchar(in_jpeg[end + 1]) != 0 &&
             (uchar(in_jpeg[end + 1]) < 0xD0 || uchar(in_jpeg[end + 1]) > 0xD7)))
        ++end;
    return in_jpeg.left(at) + in_jpeg.mid(end);
}

QByteArray Claiming(QByteArray in_jpeg, int in_width, int in_height)
{
    return TestJpegCodec::SetFrameSize(&in_jpeg, in_width, in_height) ? in_jpeg : QByteArray();
}

struct ChildOutcome
{
    int m_code = 0;
    long m_peakKb = -1; // growth of the resident memory while rotating
    double m_ms = 0;
};

long StatusKb(const char *in_field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(in_field))
            return line.mid(int(std::strlen(in_field))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Rotates in_path in a child process, so that its peak memory can be told apart.
ChildOutcome RotateInChild(const QString &in_path, const QString &in_destination)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        // Start the peak from here (/proc/self/clear_refs, "5" resets it).
        QFile clear("/proc/self/clear_refs");
        const bool reset = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
        clear.close();
        const long before = StatusKb("VmRSS:");
        QElapsedTimer timer;
        timer.start();
        ChildOutcome outcome;
        VYRRotateOptions options;
        options.m_allowReplace = true; // the destination stands for an earlier result
        outcome.m_code = VYRDefaultEngine().RotateFile(in_path, in_destination, VYR_ROTATE_90, 0, 0,
                                                       0, &options);
        outcome.m_ms = timer.nsecsElapsed() / 1e6;
        outcome.m_peakKb = reset && before >= 0 ? StatusKb("VmHWM:") - before : -1;
        const bool written = write(fds[1], &outcome, sizeof(outcome)) == sizeof(outcome);
        _exit(written ? 0 : 1);
    }
    close(fds[1]);
    ChildOutcome outcome;
    const bool read = child > 0 && ::read(fds[0], &outcome, sizeof(outcome)) == sizeof(outcome);
    close(fds[0]);
    if (child > 0)
        waitpid(child, nullptr, 0);
    return read ? outcome : ChildOutcome();
}

} // namespace

class TestJpegTurn : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sameAsLibraryTransform_data();
    void sameAsLibraryTransform();
    void photosSameAsJpegtran_data();
    void photosSameAsJpegtran();
    void hostileFilesRefusedCheaply_data();
    void hostileFilesRefusedCheaply();
    void unencodableCoefficientNeverWritten();
};

void TestJpegTurn::initTestCase()
{
    // Every odd size traces its trim; here that is expected and only noise.
    QLoggingCategory::setFilterRules(QStringLiteral("veyra.trace=false"));
}

void TestJpegTurn::sameAsLibraryTransform_data()
{
    QTest::addColumn<Options>("options");
    const QList<QPair<const char *, QList<QPoint>>> samplings = {
        {"444", {{1, 1}, {1, 1}, {1, 1}}},
        {"422", {{2, 1}, {1, 1}, {1, 1}}},
        {"420", TestJpegCodec::Sampling420()},
        {"440", {{1, 2}, {1, 1}, {1, 1}}},
        {"411", {{4, 1}, {1, 1}, {1, 1}}},
        {"mixed", {{2, 2}, {1, 2}, {2, 1}}}, // no name in TurboJPEG's list
        {"gray", {{1, 1}}},
        {"gray-2x2", {{2, 2}}},
        {"cmyk", {{1, 1}, {1, 1}, {1, 1}, {1, 1}}},
    };
    enum Coding
    {
        Baseline,
        Restarts,
        Progressive,
        Arithmetic,
        ArithmeticProgressive
    };
    const char *codings[] = {"baseline", "restarts", "progressive", "arith", "arith-progressive"};
    static const char exif[] = "Exif\0\0MM\0*\0\0\0\x08\0\0";
    for (const auto &sampling : samplings) {
        for (int coding = Baseline; coding <= ArithmeticProgressive; ++coding) {
            for (QSize size : {QSize(64, 48), QSize(61, 45)}) {
                Options o;
                o.sampling = sampling.second;
                o.width = size.width();
                o.height = size.height();
                o.restartInterval = coding == Restarts ? 3 : 0;
                o.optimize = coding == Restarts;
                o.progressive = coding == Progressive || coding == ArithmeticProgressive;
                o.arithmetic = coding == Arithmetic || coding == ArithmeticProgressive;
                o.jfif = size.width() == 64;
                o.markers = {{0xE1, QByteArray(exif, sizeof(exif) - 1)},
                             {0xFE, "first comment"},
                             {0xE2, QByteArray(300, 'i')},
                             {0xFE, "second comment"}};
                o.seed = quint32(coding + 1);
                QTest::addRow("%s-%s-%dx%d", sampling.first, codings[coding], size.width(),
                              size.height())
                    << o;
            }
        }
    }
}

void TestJpegTurn::sameAsLibraryTransform()
{
    QFETCH(Options, options);
    const QByteArray source = TestJpegCodec::Encode(options);
    QVERIFY(!source.isEmpty());
    const bool progressive = options.progressive;
    for (int code : kAllCodes) {
        QString error;
        const QByteArray reference = Jpegtran(source, code, progressive, &error);
        QVERIFY2(!reference.isEmpty(), qPrintable(error));
        const QByteArray name = VYROrientation::FromCode(code).Name();
        VYRTurnResult ours;
        QCOMPARE(Turn(source, code, &ours), int(VYR_SUCCESS));

        QString warning;
        const QImage expected = TestJpegCodec::Decode(reference);
        const QImage result = TestJpegCodec::Decode(ours.m_jpeg, &warning);
        QVERIFY(!result.isNull());
        QCOMPARE(warning, QString());
        QVERIFY2(result.size() == expected.size(), name.constData());
        QCOMPARE(QSize(ours.m_width, ours.m_height), result.size());
        QVERIFY2(TestJpeg::MaxDifference(result, expected) == 0, name.constData());

        // The source's own segments (its JFIF one too), in order; the coding as promised; no
        // larger than the reference.
        QCOMPARE(TestJpegCodec::MetadataSegments(ours.m_jpeg),
                 TestJpegCodec::MetadataSegments(source));
        QCOMPARE(TestJpegCodec::FrameMarker(ours.m_jpeg), progressive ? 0xC2 : 0xC0);
        QVERIFY2(
            ours.m_jpeg.size() <= reference.size(),
            qPrintable(QStringLiteral("%1 > %2").arg(ours.m_jpeg.size()).arg(reference.size())));
        QCOMPARE(VYRVerifyJpeg(reinterpret_cast<const uint8_t *>(ours.m_jpeg.constData()),
                               size_t(ours.m_jpeg.size()), ours.m_coefficientDigest),
                 int(VYR_SUCCESS));
    }
}

void TestJpegTurn::photosSameAsJpegtran_data()
{
    QTest::addColumn<QString>("path");
    const QString samples = qEnvironmentVariable("VEYRA_SAMPLES_DIR");
    if (samples.isEmpty() || !QDir(samples).exists()) {
        QTest::newRow("no samples") << QString();
        return;
    }
    // The orientation samples are one picture per size under eight tags: one of each does.
    const QList<QPair<const char *, QStringList>> folders = {{"camera", {"*.jpg", "*.jpeg"}},
                                                             {"orientation", {"*_1.jpg"}}};
    for (const auto &[folder, patterns] : folders) {
        const QDir photos(QDir(samples).filePath(QLatin1String(folder)));
        for (const QString &name : photos.entryList(patterns, QDir::Files))
            QTest::addRow("%s/%s", folder, qPrintable(name)) << photos.filePath(name);
    }
}

// Real photos, each transform: the same pixels as jpegtran's. A photo the engine refuses
// (several samples are damaged on purpose) is refused whole, for every transform.
void TestJpegTurn::photosSameAsJpegtran()
{
    QFETCH(QString, path);
    if (path.isEmpty())
        QSKIP("no sample photos");
    const QByteArray source = TestJpeg::ReadAll(path);
    const bool progressive = TestJpegCodec::FrameMarker(source) == 0xC2;
    VYRTurnResult first;
    const int rc = Turn(source, VYR_TRANSPOSE, &first);
    for (int code : kAllCodes) {
        const QByteArray name = VYROrientation::FromCode(code).Name();
        VYRTurnResult ours;
        QVERIFY2(Turn(source, code, &ours) == rc, name.constData());
        if (rc != VYR_SUCCESS)
            continue;
        QString error;
        const QByteArray reference = Jpegtran(source, code, progressive, &error);
        QVERIFY2(!reference.isEmpty(), qPrintable(error));
        const QImage expected = TestJpegCodec::Decode(reference);
        const QImage result = TestJpegCodec::Decode(ours.m_jpeg);
        QVERIFY2(!result.isNull() && result.size() == expected.size(), name.constData());
        QVERIFY2(TestJpeg::MaxDifference(result, expected) == 0, name.constData());
        QCOMPARE(VYRVerifyJpeg(reinterpret_cast<const uint8_t *>(ours.m_jpeg.constData()),
                               size_t(ours.m_jpeg.size()), ours.m_coefficientDigest),
                 int(VYR_SUCCESS));
    }
}

void TestJpegTurn::hostileFilesRefusedCheaply_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expected");
    Options arith;
    arith.arithmetic = true;
    QTest::newRow("arithmetic-claims-30000x30000")
        << Claiming(TestJpegCodec::Encode(arith), 30000, 30000) << int(VYR_ERR_TOO_COSTLY);
    arith.sampling = {{1, 1}, {1, 1}, {1, 1}};
    QTest::newRow("arithmetic-444-claims-32000x32000")
        << Claiming(TestJpegCodec::Encode(arith), 32000, 32000) << int(VYR_ERR_TOO_COSTLY);

    Options progressive;
    progressive.progressive = true;
    QTest::newRow("progressive-claims-30000x30000")
        << Claiming(TestJpegCodec::Encode(progressive), 30000, 30000) << int(VYR_ERR_FILE_DAMAGED);
    Options baseline;
    QTest::newRow("baseline-claims-8000x8000")
        << Claiming(TestJpegCodec::Encode(baseline), 8000, 8000) << int(VYR_ERR_FILE_DAMAGED);

    // Small: the scans, not the work over them, are too many.
    Options manyScans;
    manyScans.sampling = {{1, 1}};
    manyScans.scans = ManyScans(9, 63); // 631 scans
    const QByteArray scans631 = TestJpegCodec::Encode(manyScans);
    QTest::newRow("631-scans") << scans631 << int(VYR_ERR_TOO_COSTLY);
    QTest::newRow("631-scans-claim-16000x16000")
        << Claiming(scans631, 16000, 16000) << int(VYR_ERR_FILE_DAMAGED);
    // Larger: far fewer scans, but each walks every block.
    manyScans.width = manyScans.height = 512;
    manyScans.scans = ManyScans(3, 50); // 201 scans
    QTest::newRow("201-scans") << TestJpegCodec::Encode(manyScans) << int(VYR_ERR_TOO_COSTLY);

    Options big;
    big.width = big.height = 512;
    const QByteArray whole = TestJpegCodec::Encode(big);
    QTest::newRow("truncated") << whole.left(whole.size() / 2) << int(VYR_ERR_FILE_DAMAGED);
    QTest::newRow("bad-huffman-codes") << WithBadHuffmanCodes(whole) << int(VYR_ERR_FILE_DAMAGED);
    QTest::newRow("extraneous-bytes") << WithExtraneousBytes(whole) << int(VYR_ERR_FILE_DAMAGED);
    // One scan per component; the last one's scan gone, the file still ends cleanly.
    Options separate;
    separate.width = separate.height = 128;
    separate.scans = {{{0}}, {{1}}, {{2}}};
    QTest::newRow("component-without-scan")
        << WithoutScan(TestJpegCodec::Encode(separate), 2) << int(VYR_ERR_FILE_DAMAGED);
    separate.scans = {{{0}, 0, 0}, {{1}, 0, 0}, {{2}, 0, 0}, {{0}, 1, 63}};
    QTest::newRow("progressive-component-without-scan")
        << WithoutScan(TestJpegCodec::Encode(separate), 1) << int(VYR_ERR_FILE_DAMAGED);
    big.arithmetic = true;
    const QByteArray arithWhole = TestJpegCodec::Encode(big);
    QTest::newRow("arithmetic-truncated")
        << arithWhole.left(arithWhole.size() / 2) << int(VYR_ERR_FILE_DAMAGED);
}

void TestJpegTurn::hostileFilesRefusedCheaply()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);
    QVERIFY(!bytes.isEmpty());
    QTemporaryDir dir;
    const QString path = TestJpeg::WriteBytes(dir.path(), "hostile.jpg", bytes);
    const QString destination = TestJpeg::WriteBytes(dir.path(), "out.jpg", "earlier photo");
    const ChildOutcome outcome = RotateInChild(path, destination);
    QCOMPARE(outcome.m_code, expected);
    // The figure that matters is the memory; the time is for the record only.
    qInfo("%s: %d bytes refused in %.1f ms, %ld KB", QTest::currentDataTag(), int(bytes.size()),
          outcome.m_ms, outcome.m_peakKb);
    if (outcome.m_peakKb >= 0)
        QVERIFY2(outcome.m_peakKb < 256 * 1024, qPrintable(QString::number(outcome.m_peakKb)));
    QCOMPARE(TestJpeg::ReadAll(destination), QByteArray("earlier photo"));
    QCOMPARE(TestJpeg::ReadAll(path), bytes);
}

void TestJpegTurn::unencodableCoefficientNeverWritten()
{
    // An arithmetic-coded file may carry a coefficient beyond what Huffman coding can hold:
    // it decodes cleanly, but no Huffman-coded result could carry it. The turn must fail
    // rather than write something else.
    Options o;
    o.width = o.height = 32;
    o.arithmetic = true;
    const QByteArray source = TestJpegCodec::Recode(
        TestJpegCodec::Encode(o),
        [](int in_component, int in_row, int in_column, short *inout_pBlock) {
            if (in_component == 0 && in_row == 1 && in_column == 1)
                inout_pBlock[9] = 2000;
        },
        true);
    QVERIFY(!source.isEmpty());
    QString warning;
    QVERIFY(!TestJpegCodec::Decode(source, &warning).isNull());
    QCOMPARE(warning, QString());

    QTemporaryDir dir;
    const QString path = TestJpeg::WriteBytes(dir.path(), "wide.jpg", source);
    QCOMPARE(VYRDefaultEngine().RotateFile(path, path, VYR_ROTATE_90, 0, 0, 0, nullptr),
             int(VYR_ERR_TRANSFORM));
    QCOMPARE(TestJpeg::ReadAll(path), source);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList("wide.jpg"));
}

QTEST_GUILESS_MAIN(TestJpegTurn)
#include "tst_jpegturn.moc"
