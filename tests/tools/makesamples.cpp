// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Writes a folder of photo-like JPEG files to try Veyra on: small landscapes stored the way
// a camera held sideways or upside down stores them, with the Exif Orientation that says how
// to show them upright (Intel and Motorola byte order), a few upright ones, and a few without
// any Exif data.
//
//     veyra-samples FOLDER [COUNT]      (COUNT defaults to 12)
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <cstdio>

#include "testjpeg.h"

namespace {

constexpr int kWidth = 768; // whole 16-pixel blocks: every turn is exact
constexpr int kHeight = 576;

struct Sample
{
    int orientation; // Exif Orientation; -1 for a file without Exif
    TestJpeg::Exif order;
};

// The pattern repeats: mostly sideways shots, some upside down, some upright, some bare.
const Sample kPattern[] = {
    {6, TestJpeg::Exif::Intel},    {1, TestJpeg::Exif::Motorola}, {8, TestJpeg::Exif::Motorola},
    {3, TestJpeg::Exif::Intel},    {-1, TestJpeg::Exif::None},    {6, TestJpeg::Exif::Motorola},
    {1, TestJpeg::Exif::Intel},    {8, TestJpeg::Exif::Intel},    {6, TestJpeg::Exif::Intel},
    {3, TestJpeg::Exif::Motorola}, {-1, TestJpeg::Exif::None},    {8, TestJpeg::Exif::Motorola},
};

// An upright landscape: sky, sun, two ridges of hills, a lake, a tree and the picture's
// number in the lower left corner, so that any turn is plain to see.
QImage Scene(int in_number)
{
    QRandomGenerator random(static_cast<quint32>(in_number) * 7919u + 17u);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    const int hue = random.bounded(180, 240);
    QLinearGradient sky(0, 0, 0, kHeight * 0.6);
    sky.setColorAt(0, QColor::fromHsv(hue, 160, 200));
    sky.setColorAt(1, QColor::fromHsv(hue, 60, 250));
    painter.fillRect(image.rect(), sky);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 214, 80));
    painter.drawEllipse(QPointF(random.bounded(120, 680), random.bounded(70, 150)), 42, 42);

    const auto ridge = [&](int in_base, int in_amplitude, const QColor &in_colour) {
        QPainterPath path(QPointF(0, kHeight));
        for (int x = 0; x <= kWidth; x += 40)
            path.lineTo(x, in_base - random.bounded(in_amplitude));
        path.lineTo(kWidth, kHeight);
        path.closeSubpath();
        painter.setBrush(in_colour);
        painter.drawPath(path);
    };
    ridge(330, 140, QColor::fromHsv((hue + 20) % 360, 60, 140));
    ridge(420, 90, QColor::fromHsv(110 + random.bounded(30), 150, 120));

    painter.setBrush(QColor::fromHsv(hue, 120, 210));
    painter.drawEllipse(QRectF(380, 470, 360, 90));

    const int treeX = random.bounded(80, 300);
    painter.setBrush(QColor(110, 70, 40));
    painter.drawRect(treeX - 8, 400, 16, 90);
    painter.setBrush(QColor(40, 120, 50));
    painter.drawEllipse(QPointF(treeX, 380), 48, 62);

    QFont font = painter.font();
    font.setPixelSize(72);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(24, kHeight - 110, 300, 90), Qt::AlignLeft | Qt::AlignBottom,
                     QString::number(in_number));
    painter.end();
    return image;
}

// How a camera stores an upright scene that needs the given Orientation to be shown upright.
QImage Stored(const QImage &in_upright, int in_orientation)
{
    switch (in_orientation) {
    case 3:
        return TestJpeg::Rotate(in_upright, 180);
    case 6: // shown after a quarter turn clockwise: stored a quarter turn counter-clockwise
        return TestJpeg::Rotate(in_upright, -90);
    case 8:
        return TestJpeg::Rotate(in_upright, 90);
    default:
        return in_upright;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    // Drawing text needs a GUI application, never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s FOLDER [COUNT]\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int count = argc == 3 ? QString::fromLocal8Bit(argv[2]).toInt() : 12;
    if (count <= 0 || !QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot make %d samples in %s\n", count, argv[1]);
        return 1;
    }
    const int patternSize = static_cast<int>(sizeof(kPattern) / sizeof(kPattern[0]));
    for (int i = 0; i < count; ++i) {
        const Sample &sample = kPattern[i % patternSize];
        const QImage stored = Stored(Scene(i + 1), sample.orientation);
        TestJpeg::Options options;
        options.width = stored.width();
        options.height = stored.height();
        options.content = stored;
        options.quality = 88;
        options.exif = sample.order;
        options.orientation = sample.orientation < 0 ? 1 : sample.orientation;
        options.exifIfd = sample.orientation >= 0;
        const QString name = QStringLiteral("IMG_%1.jpg").arg(i + 1, 4, 10, QLatin1Char('0'));
        if (TestJpeg::Write(folder, name, options).isEmpty()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(QDir(folder).filePath(name)));
            return 1;
        }
    }
    std::printf("%d sample photos in %s\n", count, qPrintable(QDir(folder).absolutePath()));
    return 0;
}
