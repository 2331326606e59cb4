#include "ui/KestrelApp.h"

#include "ui/ApplicationIcon.h"
#include "ui/MainDialog.h"

namespace kestrel::ui {

KestrelApp::KestrelApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setWindowIcon(ApplicationIcon());
}

int KestrelApp::InitInstance()
{
    MainDialog dialog;
    dialog.exec();
    return 0;
}

}  // namespace kestrel::ui
