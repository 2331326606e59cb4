#pragma once

#include <QApplication>

namespace kestrel::ui {

// The application: runs the main dialog until it closes. It keeps no
// settings and reads no command line of its own; its name, shown as the
// caption of message boxes, is the executable's name without extension.
class KestrelApp : public QApplication {
    Q_OBJECT
public:
    KestrelApp(int& argc, char** argv);

    // The whole run of the program; the exit status.
    int InitInstance();
};

}  // namespace kestrel::ui
