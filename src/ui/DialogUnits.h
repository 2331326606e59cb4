#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace kestrel::ui {

// Dialog templates give positions and sizes in dialog units, which scale with
// the dialog's font: a horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its character height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    QRect ToPixels(int x, int y, int width, int height) const;
    QSize ToPixels(QSize units) const;

    int AverageCharWidth() const { return averageCharWidth_; }
    int CharHeight() const { return charHeight_; }

private:
    int averageCharWidth_;
    int charHeight_;
};

}  // namespace kestrel::ui
