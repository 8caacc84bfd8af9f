// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "testpictures.h"

#include "testjpeg.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

QImage TestPictures::TextPage()
{
    QImage page(1008, 1408, QImage::Format_RGB32); // whole blocks: the turn trims nothing
    page.fill(Qt::white);
    QPainter painter(&page);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(26);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QString line = QStringLiteral("The quick brown fox jumps over the lazy dog, and then");
    for (int y = 100; y < 1320; y += 40)
        painter.drawText(60, y, line);
    return page;
}

QImage TestPictures::Gradient()
{
    QImage picture(800, 600, QImage::Format_RGB32);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, 0, 600);
    gradient.setColorAt(0, QColor(135, 206, 235));
    gradient.setColorAt(1, QColor(20, 80, 20));
    painter.fillRect(picture.rect(), gradient);
    return picture;
}

QString TestPictures::Write(const QString &in_dir, const QString &in_name, const QImage &in_picture,
                            int in_orientation)
{
    TestJpeg::Options options;
    options.width = in_picture.width();
    options.height = in_picture.height();
    options.content = in_picture;
    options.exif = in_orientation == 0 ? TestJpeg::Exif::None : TestJpeg::Exif::Intel;
    options.orientation = in_orientation;
    return TestJpeg::Write(in_dir, in_name, options);
}
