#pragma once

#include <functional>

class QDialog;

namespace kestrel::ui {

// Puts "&About Kestrel..." where the platform keeps a window's own commands:
// the window menu on Windows, the application menu on macOS, and elsewhere
// the dialog's context menu. `showAbout` runs when the item is chosen.
void AddAboutItem(QDialog& dialog, std::function<void()> showAbout);

}  // namespace kestrel::ui
