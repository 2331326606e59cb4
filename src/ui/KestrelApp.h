#pragma once

#include <QApplication>

namespace kestrel::ui {

// The application "Kestrel" (organisation and application name, under which
// its settings are kept): runs the main dialog until it closes. It reads no
// command line of its own.
class KestrelApp : public QApplication {
    Q_OBJECT
public:
    KestrelApp(int& argc, char** argv);

    // The whole run of the program; the exit status.
    int InitInstance();
};

}  // namespace kestrel::ui
