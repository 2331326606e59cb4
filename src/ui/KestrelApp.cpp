#include "ui/KestrelApp.h"

#include "KestrelVersion.h"
#include "ui/ApplicationIcon.h"
#include "ui/MainDialog.h"
#include "ui/Resources.h"
#include "ui/UnixSignals.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstring>

namespace kestrel::ui {
namespace {

// The command line of the window, for its help and for its files.
class WindowCommandLine {
    Q_DECLARE_TR_FUNCTIONS(KestrelApp)
public:
    WindowCommandLine()
    {
        parser_.setApplicationDescription(
            tr("Rotates or mirrors the picture of Motion-JPEG AVI files, in a window.\n"
               "The files named, and the .avi files of the folders named, are listed in it."));
        parser_.addHelpOption();
        parser_.addVersionOption();
        parser_.addPositionalArgument(tr("PATH"), tr("An .avi file, or a folder of them"), tr("[PATH...]"));
    }

    QCommandLineParser& Parser() { return parser_; }

private:
    QCommandLineParser parser_;
};

void SetNames(QCoreApplication& app)
{
    app.setOrganizationName(QString::fromUtf8(kAppTitle));
    app.setApplicationName(QString::fromUtf8(kAppTitle));
    app.setApplicationVersion(QStringLiteral(KESTREL_VERSION));
}

}  // namespace

void InstallTranslations(QCoreApplication& app, const QLocale& locale)
{
    // Installed last, searched first: the language's own, then English plurals.
    for (const QLocale& language : {QLocale(QLocale::English), locale}) {
        auto* translator = new QTranslator(&app);
        if (translator->load(language, QStringLiteral("kestrel"), QStringLiteral("_"), QStringLiteral(":/i18n")))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }
    auto* qt = new QTranslator(&app);
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
}

bool AsksForTextOnly(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    }
    return false;
}

int AnswerTextOnly(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SetNames(app);
    InstallTranslations(app, QLocale::system());
    WindowCommandLine commandLine;
    QCommandLineParser& parser = commandLine.Parser();
    parser.parse(app.arguments());
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("kestrel %s\n", KESTREL_VERSION);
        return 0;
    }
    std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
    return 0;
}

KestrelApp::KestrelApp(int& argc, char** argv) : QApplication(argc, argv)
{
    SetNames(*this);
    setWindowIcon(ApplicationIcon());
    // Matches the installed kestrel.desktop, whose icon the desktop shows.
    setDesktopFileName(QStringLiteral("kestrel"));
    InstallTranslations(*this, QLocale::system());
}

int KestrelApp::InitInstance()
{
    WindowCommandLine commandLine;
    QCommandLineParser& parser = commandLine.Parser();
    if (!parser.parse(arguments())) {
        std::fprintf(stderr, "kestrel: %s\n", parser.errorText().toLocal8Bit().constData());
        return 2;
    }
    // Made before the dialog and gone after it, so that a signal meets a
    // handler for as long as a batch can run.
    UnixSignals stopSignals;
    MainDialog dialog;
    QObject::connect(&stopSignals, &UnixSignals::received, &dialog, [&dialog](int signalNumber) {
        dialog.QuitOnSignal(signalNumber);
        // A question or a chooser open over the window ends too.
        QCoreApplication::exit(dialog.ExitStatus());
    });
    std::vector<std::string> paths;
    for (const QString& argument : parser.positionalArguments())
        paths.push_back(
            QFile::encodeName(QDir::toNativeSeparators(QFileInfo(argument).absoluteFilePath())).toStdString());
    dialog.show();
    dialog.OnDropFiles(paths);
    dialog.exec();
    return dialog.ExitStatus();
}

}  // namespace kestrel::ui
