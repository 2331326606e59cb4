#pragma once

#include <QApplication>

namespace kestrel::ui {

// The application "Kestrel" (organisation and application name, under which
// its settings are kept): runs the main dialog until it closes. The files
// named on its command line (a file manager's "Open with") are listed as
// if dropped on the window.
class KestrelApp : public QApplication {
    Q_OBJECT
public:
    KestrelApp(int& argc, char** argv);

    // The whole run of the program; the exit status.
    int InitInstance();
};

}  // namespace kestrel::ui
