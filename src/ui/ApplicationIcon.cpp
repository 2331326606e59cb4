#include "ui/ApplicationIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>
#include <cmath>
#include <numbers>

namespace kestrel::ui {
namespace {

constexpr std::array kIconSizes = {16, 24, 32, 48, 64, 128, 256};

const QColor kFilmColor(0x26, 0x32, 0x38);
const QColor kHoleColor(0xEC, 0xEF, 0xF1);
const QColor kPictureColor(0x4F, 0x9D, 0xD9);
const QColor kArrowColor(0xFF, 0x98, 0x1A);

}  // namespace

QImage PaintApplicationIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 64 × 64 canvas and scaled.
    painter.scale(size / 64.0, size / 64.0);

    // The film strip with its sprocket holes along the top and the bottom.
    painter.setPen(Qt::NoPen);
    painter.setBrush(kFilmColor);
    painter.drawRoundedRect(QRectF(2, 6, 60, 52), 6, 6);
    painter.setBrush(kHoleColor);
    for (int i = 0; i < 6; ++i) {
        painter.drawRect(QRectF(7 + i * 9.2, 9, 5, 4));
        painter.drawRect(QRectF(7 + i * 9.2, 51, 5, 4));
    }

    // The picture frame.
    painter.setBrush(kPictureColor);
    painter.drawRect(QRectF(8, 17, 48, 30));

    // A three-quarter circle ending in an arrow head: the turn of the picture.
    const QPointF centre(32, 32);
    const double radius = 11;
    QPen pen(kArrowColor, size >= 32 ? 5 : 7);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    constexpr int kStartDeg = 90;
    constexpr int kSpanDeg = 270;
    painter.drawArc(circle, kStartDeg * 16, kSpanDeg * 16);

    // The head sits at the arc's end (0°, on the right) pointing up.
    const double endAngle = (kStartDeg + kSpanDeg) * std::numbers::pi / 180.0;
    const QPointF tip(centre.x() + radius * std::cos(endAngle), centre.y() - radius * std::sin(endAngle));
    QPainterPath head;
    head.moveTo(tip + QPointF(-8, 1));
    head.lineTo(tip + QPointF(8, 1));
    head.lineTo(tip + QPointF(0, -9));
    head.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(kArrowColor);
    painter.drawPath(head);
    return image;
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int size : kIconSizes)
        icon.addPixmap(QPixmap::fromImage(PaintApplicationIcon(size)));
    return icon;
}

}  // namespace kestrel::ui
