#include "ui/KestrelApp.h"

#include "ui/ApplicationIcon.h"
#include "ui/MainDialog.h"
#include "ui/Resources.h"

namespace kestrel::ui {

KestrelApp::KestrelApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setOrganizationName(QString::fromUtf8(kAppTitle));
    setApplicationName(QString::fromUtf8(kAppTitle));
    setWindowIcon(ApplicationIcon());
}

int KestrelApp::InitInstance()
{
    MainDialog dialog;
    dialog.exec();
    return 0;
}

}  // namespace kestrel::ui
