#include "ui/DialogUnits.h"

#include <QFontMetrics>
#include <QString>

#include <algorithm>

namespace kestrel::ui {
namespace {

// value × numerator / denominator, rounded to the nearest integer.
int ScaleRounded(int value, int numerator, int denominator)
{
    return (value * numerator + denominator / 2) / denominator;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    // The average width of the 52 Latin letters, rounded, as dialog managers
    // measure it; the font's own "average" also weighs rare glyphs.
    static const QString kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    averageCharWidth_ = std::max(1, (metrics.horizontalAdvance(kLetters) / 26 + 1) / 2);
    charHeight_ = std::max(1, metrics.height());
}

int DialogUnits::ToPixelsX(int units) const { return ScaleRounded(units, averageCharWidth_, 4); }

int DialogUnits::ToPixelsY(int units) const { return ScaleRounded(units, charHeight_, 8); }

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const
{
    return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height));
}

QSize DialogUnits::ToPixels(QSize units) const { return QSize(ToPixelsX(units.width()), ToPixelsY(units.height())); }

}  // namespace kestrel::ui
