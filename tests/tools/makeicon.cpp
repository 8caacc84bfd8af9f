// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Draws Veyra's application icon: writes veyra.svg and veyra-<size>.png (16 to 256 pixels)
// into the folder given as the only argument. The SVG and the pictures come from the same
// shapes below, so they always agree. Run it again after changing a shape and commit the
// results in app/icons.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTextStream>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Shapes on a 256 by 256 canvas.
const QRectF kTile(8, 8, 240, 240);
constexpr double kTileRadius = 44;
const QColor kTileTop(0x2a, 0x7f, 0xa3);
const QColor kTileBottom(0x17, 0x4b, 0x63);
// The photo: a white card turned 14 degrees counter-clockwise about kPhotoPivot.
const QPointF kPhotoPivot(124, 118);
constexpr double kPhotoTurn = -14;
const QRectF kCard(52, 58, 144, 116);
const QRectF kSky(62, 68, 124, 96);
const QPointF kSun(154, 94);
constexpr double kSunRadius = 12;
const QPolygonF
    kHills({{62, 164}, {62, 140}, {98, 106}, {134, 146}, {152, 130}, {186, 156}, {186, 164}});
// The turning arrow: a clockwise arc under the photo with its head at the lower left.
const QPointF kArcCentre(128, 124);
constexpr double kArcRadius = 96;
constexpr double kArcStartDeg = -8; // mathematical angles, counter-clockwise from 3 o'clock
constexpr double kArcEndDeg = -122;
constexpr double kArrowWidth = 18;
const QColor kArrow(0xff, 0x8a, 0x2b);

QPointF ArcPoint(double in_deg)
{
    const double a = in_deg * kPi / 180;
    return {kArcCentre.x() + kArcRadius * std::cos(a), kArcCentre.y() - kArcRadius * std::sin(a)};
}

QPolygonF ArrowHead()
{
    const double a = kArcEndDeg * kPi / 180;
    const QPointF dir(std::sin(a), std::cos(a)); // direction of clockwise travel on screen
    const QPointF normal(-dir.y(), dir.x());
    const QPointF end = ArcPoint(kArcEndDeg);
    return QPolygonF({end + dir * 28, end + normal * 22, end - normal * 22});
}

void Paint(QPainter &inout_painter)
{
    inout_painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient tileFill(0, kTile.top(), 0, kTile.bottom());
    tileFill.setColorAt(0, kTileTop);
    tileFill.setColorAt(1, kTileBottom);
    inout_painter.setPen(Qt::NoPen);
    inout_painter.setBrush(tileFill);
    inout_painter.drawRoundedRect(kTile, kTileRadius, kTileRadius);

    inout_painter.save();
    inout_painter.translate(kPhotoPivot);
    inout_painter.rotate(kPhotoTurn);
    inout_painter.translate(-kPhotoPivot);
    inout_painter.setBrush(Qt::white);
    inout_painter.drawRoundedRect(kCard, 6, 6);
    inout_painter.setBrush(QColor(0x8f, 0xd0, 0xf0));
    inout_painter.drawRect(kSky);
    inout_painter.setBrush(QColor(0xff, 0xd2, 0x3f));
    inout_painter.drawEllipse(kSun, kSunRadius, kSunRadius);
    inout_painter.setBrush(QColor(0x3c, 0x9a, 0x4a));
    inout_painter.drawPolygon(kHills);
    inout_painter.restore();

    QPainterPath arc(ArcPoint(kArcStartDeg));
    arc.arcTo(QRectF(kArcCentre.x() - kArcRadius, kArcCentre.y() - kArcRadius, 2 * kArcRadius,
                     2 * kArcRadius),
              kArcStartDeg, kArcEndDeg - kArcStartDeg);
    inout_painter.setBrush(Qt::NoBrush);
    inout_painter.setPen(QPen(kArrow, kArrowWidth, Qt::SolidLine, Qt::RoundCap));
    inout_painter.drawPath(arc);
    inout_painter.setPen(Qt::NoPen);
    inout_painter.setBrush(kArrow);
    inout_painter.drawPolygon(ArrowHead());
}

QString Num(double in_value)
{
    return QString::number(in_value, 'f', 1);
}

QString Points(const QPolygonF &in_polygon)
{
    QStringList parts;
    for (const QPointF &point : in_polygon)
        parts << Num(point.x()) + QLatin1Char(',') + Num(point.y());
    return parts.join(QLatin1Char(' '));
}

QString Svg()
{
    const QPointF start = ArcPoint(kArcStartDeg);
    const QPointF end = ArcPoint(kArcEndDeg);
    QString svg;
    QTextStream out(&svg);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<!-- SPDX-License-Identifier: MIT -->\n"
        << "<!-- SPDX-FileCopyrightText: 2026 The Veyra developers -->\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 "
           "256 256\">\n"
        << "  <defs>\n"
        << "    <linearGradient id=\"tile\" x1=\"0\" y1=\"" << kTile.top() << "\" x2=\"0\" y2=\""
        << kTile.bottom() << "\" gradientUnits=\"userSpaceOnUse\">\n"
        << "      <stop offset=\"0\" stop-color=\"" << kTileTop.name() << "\"/>\n"
        << "      <stop offset=\"1\" stop-color=\"" << kTileBottom.name() << "\"/>\n"
        << "    </linearGradient>\n"
        << "  </defs>\n"
        << "  <rect x=\"" << kTile.x() << "\" y=\"" << kTile.y() << "\" width=\"" << kTile.width()
        << "\" height=\"" << kTile.height() << "\" rx=\"" << kTileRadius
        << "\" fill=\"url(#tile)\"/>\n"
        << "  <g transform=\"rotate(" << kPhotoTurn << ' ' << kPhotoPivot.x() << ' '
        << kPhotoPivot.y() << ")\">\n"
        << "    <rect x=\"" << kCard.x() << "\" y=\"" << kCard.y() << "\" width=\"" << kCard.width()
        << "\" height=\"" << kCard.height() << "\" rx=\"6\" fill=\"#ffffff\"/>\n"
        << "    <rect x=\"" << kSky.x() << "\" y=\"" << kSky.y() << "\" width=\"" << kSky.width()
        << "\" height=\"" << kSky.height() << "\" fill=\"#8fd0f0\"/>\n"
        << "    <circle cx=\"" << kSun.x() << "\" cy=\"" << kSun.y() << "\" r=\"" << kSunRadius
        << "\" fill=\"#ffd23f\"/>\n"
        << "    <polygon points=\"" << Points(kHills) << "\" fill=\"#3c9a4a\"/>\n"
        << "  </g>\n"
        << "  <path d=\"M " << Num(start.x()) << ' ' << Num(start.y()) << " A " << kArcRadius << ' '
        << kArcRadius << " 0 0 1 " << Num(end.x()) << ' ' << Num(end.y())
        << "\" fill=\"none\" stroke=\"" << kArrow.name() << "\" stroke-width=\"" << kArrowWidth
        << "\" stroke-linecap=\"round\"/>\n"
        << "  <polygon points=\"" << Points(ArrowHead()) << "\" fill=\"" << kArrow.name()
        << "\"/>\n"
        << "</svg>\n";
    return svg;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    QFile svg(out.filePath(QStringLiteral("veyra.svg")));
    if (!svg.open(QIODevice::WriteOnly | QIODevice::Truncate) || svg.write(Svg().toUtf8()) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(svg.fileName()));
        return 1;
    }
    svg.close();
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.scale(size / 256.0, size / 256.0);
        Paint(painter);
        painter.end();
        const QString name = out.filePath(QStringLiteral("veyra-%1.png").arg(size));
        if (!image.save(name)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
            return 1;
        }
    }
    return 0;
}
