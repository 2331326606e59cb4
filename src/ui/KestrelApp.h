#pragma once

#include <QApplication>
#include <QStringList>

class QCoreApplication;
class QLocale;

namespace kestrel::ui {

// The application "Kestrel" (organisation and application name, under which
// its settings are kept): runs the main dialog until it closes. The paths
// named on its command line (a file manager's "Open with") are listed as if
// dropped on the window: .avi files and the .avi files of folders; the rest
// is refused in one message. SIGINT, SIGTERM and SIGHUP stop a running batch
// (its temporary file removed) and end the program with 128 + the signal's
// number.
class KestrelApp : public QApplication {
    Q_OBJECT
public:
    KestrelApp(int& argc, char** argv);

    // The whole run of the program; the exit status.
    int InitInstance();
};

// Installs the window's translations for `locale` (and Qt's own, where the
// system has them): German from "de", and the English plural forms for
// every other language.
void InstallTranslations(QCoreApplication& app, const QLocale& locale);

// Whether the arguments ask for --help or --version, which are answered
// without opening the window (and without a display).
bool AsksForTextOnly(int argc, char** argv);
// Prints the help or the version to standard output; the exit status.
int AnswerTextOnly(int argc, char** argv);

}  // namespace kestrel::ui
