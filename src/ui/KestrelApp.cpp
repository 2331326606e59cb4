#include "ui/KestrelApp.h"

#include "ui/ApplicationIcon.h"
#include "ui/MainDialog.h"
#include "ui/Resources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kestrel::ui {

KestrelApp::KestrelApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setOrganizationName(QString::fromUtf8(kAppTitle));
    setApplicationName(QString::fromUtf8(kAppTitle));
    setWindowIcon(ApplicationIcon());
    // Matches the installed kestrel.desktop, whose icon the desktop shows.
    setDesktopFileName(QStringLiteral("kestrel"));
}

int KestrelApp::InitInstance()
{
    MainDialog dialog;
    std::vector<std::string> files;
    for (const QString& argument : arguments().mid(1))
        files.push_back(
            QFile::encodeName(QDir::toNativeSeparators(QFileInfo(argument).absoluteFilePath())).toStdString());
    dialog.OnDropFiles(files);
    dialog.exec();
    return 0;
}

}  // namespace kestrel::ui
