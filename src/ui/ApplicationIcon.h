#pragma once

#include <QIcon>
#include <QImage>

namespace kestrel::ui {

// The application icon: a film frame with a quarter-turn arrow, painted at
// every size a window system asks for (16 to 256 pixels).
QIcon ApplicationIcon();

// One image of the icon, size × size pixels.
QImage PaintApplicationIcon(int size);

}  // namespace kestrel::ui
