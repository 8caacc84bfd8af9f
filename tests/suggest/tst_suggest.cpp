// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "testjpeg.h"
#include "testpictures.h"
#include "vyrsuggest.h"
#include "vyrsuggestfaces.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <opencv2/core.hpp>

using TestPictures::Gradient;
using TestPictures::TextPage;

namespace {

QString WritePicture(const QString &in_dir, const QString &in_name, const QImage &in_picture,
                     int in_orientation = 0)
{
    return TestPictures::Write(in_dir, in_name, in_picture, in_orientation);
}

// A clear sky over busy ground (patches of grass and earth): the sky cue's picture. With
// in_skyBelow the bottom band is sky too, as over a still lake; with in_plainGround the
// ground is as smooth as the sky.
QImage Landscape(bool in_skyBelow = false, bool in_plainGround = false)
{
    QImage picture(800, 600, QImage::Format_RGB32);
    QPainter painter(&picture);
    QLinearGradient sky(0, 0, 0, 240);
    sky.setColorAt(0, QColor(70, 130, 220));
    sky.setColorAt(1, QColor(140, 185, 235));
    painter.fillRect(QRect(0, 0, 800, 240), sky);
    painter.fillRect(QRect(0, 240, 800, 360), QColor(60, 110, 40));
    if (!in_plainGround) {
        QRandomGenerator random(24);
        painter.setPen(Qt::NoPen);
        for (int i = 0; i < 1500; ++i) {
            const int shade = random.bounded(40, 160);
            painter.setBrush(QColor(shade, shade + random.bounded(40), shade / 2));
            painter.drawEllipse(QPoint(random.bounded(800), 240 + random.bounded(360)),
                                random.bounded(8, 40), random.bounded(8, 40));
        }
    }
    if (in_skyBelow)
        painter.fillRect(QRect(0, 480, 800, 120), sky);
    return picture;
}

} // namespace

class TestSuggest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_home;
    VYRSuggester *m_pSuggester = nullptr;

    struct Run
    {
        int m_exit = -1;
        QString m_out, m_err;
    };
    Run Veyra(const QStringList &in_args)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("HOME"), m_home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(VEYRA_BINARY), in_args);
        Run run;
        if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit) {
            run.m_exit = process.exitCode();
            run.m_out = QString::fromUtf8(process.readAllStandardOutput());
            run.m_err = QString::fromUtf8(process.readAllStandardError());
        }
        return run;
    }

    // The turn the user is shown (none under the default minimum), and the whole suggestion
    // for a failure's message.
    static int ShownAngle(const VYRSuggestion &in_suggestion)
    {
        return in_suggestion.m_confidence >= VYRDefaultSuggestConfidence() ? in_suggestion.m_angle
                                                                           : 0;
    }
    static QString Described(const VYRSuggestion &in_suggestion)
    {
        return QStringLiteral("%1 %2 %3")
            .arg(in_suggestion.m_angle)
            .arg(in_suggestion.m_confidence)
            .arg(in_suggestion.m_evidence);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid() && m_home.isValid());
        m_pSuggester = new VYRSuggester;
        QString why;
        QVERIFY2(m_pSuggester->IsReady(&why), qPrintable(why));
    }
    void cleanupTestCase() { delete m_pSuggester; }

    // A page turned by a quarter or a half turn is given the turn back; the upright page, a
    // plain gradient (no face, no text) and a page tagged 6 are given none.
    void turnsBackATurnedPage_data()
    {
        QTest::addColumn<int>("stored"); // clockwise turn the picture stands in
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("expected");
        QTest::newRow("upright") << 0 << 0 << 0;
        QTest::newRow("turned 90") << 90 << 0 << -90;
        QTest::newRow("turned 180") << 180 << 0 << 180;
        QTest::newRow("turned 270") << 270 << 0 << 90;
        QTest::newRow("turned 90, tagged 1") << 90 << 1 << -90;
        // The tag already says how to show it: the picture is not argued with.
        QTest::newRow("turned 90, tagged 6") << 90 << 6 << 0;
        QTest::newRow("turned 270, tagged 3") << 270 << 3 << 0;
    }
    void turnsBackATurnedPage()
    {
        QFETCH(int, stored);
        QFETCH(int, orientation);
        QFETCH(int, expected);
        const QString path = WritePicture(
            m_dir.path(), QStringLiteral("page-%1-%2.jpg").arg(stored).arg(orientation),
            TestJpeg::Rotate(TextPage(), stored), orientation);
        VYRSuggestion suggestion;
        QString error;
        QVERIFY2(m_pSuggester->Suggest(path, &suggestion, &error), qPrintable(error));
        QCOMPARE(suggestion.m_exifOrientation, orientation);
        QVERIFY2(ShownAngle(suggestion) == expected, qPrintable(Described(suggestion)));
        if (expected != 0) {
            QVERIFY(suggestion.m_confidence <= 1.0);
            QVERIFY(suggestion.m_evidence.contains(QLatin1String("text")));
        }
    }

    // Pages at the sizes photos come in: a small scan (its print under the size the text
    // detector reads, so it must be enlarged first) and a 12-megapixel photo (decoded small
    // by DCT scaling; the print must still be large enough there).
    void readsPagesOfAnySize_data()
    {
        QTest::addColumn<int>("longSide");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("expected");
        for (int longSide : {520, 4000}) {
            const QString size = QString::number(longSide);
            QTest::newRow(qPrintable(size + QStringLiteral(" upright"))) << longSide << 0 << 0;
            QTest::newRow(qPrintable(size + QStringLiteral(" turned 90"))) << longSide << 90 << -90;
            QTest::newRow(qPrintable(size + QStringLiteral(" turned 180")))
                << longSide << 180 << 180;
            QTest::newRow(qPrintable(size + QStringLiteral(" turned 270")))
                << longSide << 270 << 90;
        }
    }
    void readsPagesOfAnySize()
    {
        QFETCH(int, longSide);
        QFETCH(int, stored);
        QFETCH(int, expected);
        const QImage page =
            TextPage().scaled(longSide, longSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        const QString path =
            WritePicture(m_dir.path(), QStringLiteral("sized-%1-%2.jpg").arg(longSide).arg(stored),
                         TestJpeg::Rotate(page, stored));
        VYRSuggestion suggestion;
        QString error;
        QVERIFY2(m_pSuggester->Suggest(path, &suggestion, &error), qPrintable(error));
        QVERIFY2(ShownAngle(suggestion) == expected, qPrintable(Described(suggestion)));
    }

    // The skin test that lets a face without visible eyes count means nothing without colour:
    // a gray or sepia scan (its warm tint is all "skin") and a picture of one warm hue only
    // must be taken as gray; skin under a blue sky, or a green lawn, as colour; what is not a
    // BGR picture as no colour at all.
    void tellsColourFromGray_data()
    {
        QTest::addColumn<QColor>("top");
        QTest::addColumn<QColor>("bottom");
        QTest::addColumn<bool>("colour");
        QTest::newRow("gray") << QColor(90, 90, 90) << QColor(200, 200, 200) << false;
        QTest::newRow("sepia scan") << QColor(80, 60, 40) << QColor(200, 160, 120) << false;
        QTest::newRow("skin only") << QColor(225, 170, 140) << QColor(120, 80, 60) << false;
        QTest::newRow("skin under sky") << QColor(135, 180, 235) << QColor(225, 170, 140) << true;
        QTest::newRow("lawn") << QColor(200, 200, 200) << QColor(40, 120, 40) << true;
    }
    void tellsColourFromGray()
    {
        QFETCH(QColor, top);
        QFETCH(QColor, bottom);
        QFETCH(bool, colour);
        cv::Mat picture(300, 400, CV_8UC3);
        picture(cv::Rect(0, 0, 400, 150)) = cv::Scalar(top.blue(), top.green(), top.red());
        picture(cv::Rect(0, 150, 400, 150)) =
            cv::Scalar(bottom.blue(), bottom.green(), bottom.red());
        QCOMPARE(VYRIsColourPicture(picture), colour);
        const cv::Mat gray(300, 400, CV_8UC1, cv::Scalar(128));
        QVERIFY(!VYRIsColourPicture(gray));
        QVERIFY(!VYRIsColourPicture(cv::Mat()));
    }

    // A clear sky along one edge turns the landscape back; sky on two edges, a smooth ground
    // or a picture that is all sky-blue is no evidence, whichever way it stands.
    void turnsBackBySky_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("upright") << Landscape() << 0 << 0;
        QTest::newRow("turned 90") << Landscape() << 90 << -90;
        QTest::newRow("turned 180") << Landscape() << 180 << 180;
        QTest::newRow("turned 270") << Landscape() << 270 << 90;
        QTest::newRow("sky above and below, turned 90") << Landscape(true) << 90 << 0;
        QTest::newRow("smooth ground, turned 90") << Landscape(false, true) << 90 << 0;
        QImage blue(800, 600, QImage::Format_RGB32);
        blue.fill(QColor(70, 130, 220));
        QTest::newRow("all blue, turned 90") << blue << 90 << 0;
    }
    void turnsBackBySky()
    {
        QFETCH(QImage, picture);
        QFETCH(int, stored);
        QFETCH(int, expected);
        const QString path =
            WritePicture(m_dir.path(), QStringLiteral("sky-%1.jpg").arg(QTest::currentDataTag()),
                         TestJpeg::Rotate(picture, stored));
        VYRSuggestion suggestion;
        QString error;
        QVERIFY2(m_pSuggester->Suggest(path, &suggestion, &error), qPrintable(error));
        QVERIFY2(ShownAngle(suggestion) == expected, qPrintable(Described(suggestion)));
        if (expected != 0)
            QCOMPARE(suggestion.m_evidence, QStringLiteral("sky"));
    }

    void leavesPicturesWithoutCuesAlone()
    {
        for (int turn : {0, 90}) {
            const QString path =
                WritePicture(m_dir.path(), QStringLiteral("plain-%1.jpg").arg(turn),
                             TestJpeg::Rotate(Gradient(), turn));
            VYRSuggestion suggestion;
            QString error;
            QVERIFY2(m_pSuggester->Suggest(path, &suggestion, &error), qPrintable(error));
            QVERIFY2(suggestion.m_angle == 0 ||
                         suggestion.m_confidence < VYRDefaultSuggestConfidence(),
                     qPrintable(suggestion.m_evidence));
        }
    }

    // What cannot be looked at is a failure with a reason, never an upright verdict.
    void refusesWhatItCannotRead()
    {
        VYRSuggestion suggestion;
        QString error;
        QVERIFY(!m_pSuggester->Suggest(m_dir.filePath(QStringLiteral("absent.jpg")), &suggestion,
                                       &error));
        QVERIFY(!error.isEmpty());
        const QString empty = TestJpeg::WriteEmpty(m_dir.path(), QStringLiteral("empty.jpg"));
        error.clear();
        QVERIFY(!m_pSuggester->Suggest(empty, &suggestion, &error));
        QVERIFY(!error.isEmpty());
        const QString text = TestJpeg::WriteBytes(m_dir.path(), QStringLiteral("notes.jpg"),
                                                  QByteArray("not a photo at all\n"));
        error.clear();
        QVERIFY(!m_pSuggester->Suggest(text, &suggestion, &error));
        QVERIFY(!error.isEmpty());
    }

    // The command line lists the turned, untagged page only; --apply writes that turn (the
    // photo then reads upright) and leaves the tagged and the upright ones byte for byte.
    void commandLineListsAndApplies()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString turned = WritePicture(folder.path(), QStringLiteral("a-turned.jpg"),
                                            TestJpeg::Rotate(TextPage(), 90));
        const QString tagged = WritePicture(folder.path(), QStringLiteral("b-tagged.jpg"),
                                            TestJpeg::Rotate(TextPage(), 90), 6);
        const QString upright =
            WritePicture(folder.path(), QStringLiteral("c-upright.jpg"), TextPage());
        const QByteArray taggedBytes = TestJpeg::ReadAll(tagged);
        const QByteArray uprightBytes = TestJpeg::ReadAll(upright);
        const QImage turnedPixels = TestJpeg::Decode(turned);

        Run run = Veyra({QStringLiteral("--suggest"), folder.path()});
        QCOMPARE(run.m_exit, 0);
        const QStringList lines = run.m_out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        const QStringList fields = lines.first().split(QLatin1Char('\t'));
        QCOMPARE(fields.size(), 4);
        QVERIFY(fields.at(0).endsWith(QLatin1String("a-turned.jpg")));
        QCOMPARE(fields.at(1), QStringLiteral("-90"));
        const double confidence = fields.at(2).toDouble();
        QVERIFY(confidence >= VYRDefaultSuggestConfidence() && confidence <= 1.0);
        QVERIFY(fields.at(3).contains(QLatin1String("text")));

        // A minimum above every confidence lists nothing and is still a run that worked.
        run = Veyra({QStringLiteral("--suggest"), QStringLiteral("--min-confidence"),
                     QStringLiteral("1"), folder.path()});
        QCOMPARE(run.m_exit, 0);
        QVERIFY(run.m_out.isEmpty() || run.m_out.contains(QLatin1String("\t1.00\t")));

        run = Veyra({QStringLiteral("--suggest"), QStringLiteral("--apply"), folder.path()});
        QCOMPARE(run.m_exit, 0);
        QCOMPARE(TestJpeg::ReadAll(tagged), taggedBytes);
        QCOMPARE(TestJpeg::ReadAll(upright), uprightBytes);
        // The turn is lossless: the pixels are the stored ones, turned back.
        const int diff =
            TestJpeg::MaxDifference(TestJpeg::Decode(turned), TestJpeg::Rotate(turnedPixels, 270));
        QVERIFY2(diff >= 0 && diff <= 6, qPrintable(QString::number(diff)));
        // Written, it is upright: a second look suggests nothing more.
        run = Veyra({QStringLiteral("--suggest"), folder.path()});
        QCOMPARE(run.m_exit, 0);
        QCOMPARE(run.m_out, QString());
        // And the write was journalled: the batch can be undone.
        run = Veyra({QStringLiteral("--undo")});
        QCOMPARE(run.m_exit, 0);
        const int undone = TestJpeg::MaxDifference(TestJpeg::Decode(turned), turnedPixels);
        QVERIFY2(undone == 0, qPrintable(QString::number(undone)));
    }

    void commandLineBadUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no path") << QStringList{QStringLiteral("--suggest")};
        QTest::newRow("confidence above 1")
            << QStringList{QStringLiteral("--suggest"), QStringLiteral("--min-confidence"),
                           QStringLiteral("1.5"), QStringLiteral(".")};
        QTest::newRow("confidence not a number")
            << QStringList{QStringLiteral("--suggest"), QStringLiteral("--min-confidence"),
                           QStringLiteral("high"), QStringLiteral(".")};
        QTest::newRow("apply alone") << QStringList{QStringLiteral("--apply"), QStringLiteral(".")};
        QTest::newRow("with --output")
            << QStringList{QStringLiteral("--suggest"), QStringLiteral("--output"),
                           QStringLiteral("/tmp"), QStringLiteral(".")};
        QTest::newRow("missing path")
            << QStringList{QStringLiteral("--suggest"), QStringLiteral("/no/such/folder")};
    }
    void commandLineBadUsage()
    {
        QFETCH(QStringList, args);
        const Run run = Veyra(args);
        QCOMPARE(run.m_exit, 2);
        QVERIFY(run.m_out.isEmpty());
        QVERIFY(!run.m_err.isEmpty());
    }
};

QTEST_MAIN(TestSuggest)
#include "tst_suggest.moc"
