// Renders the main window with a few files listed into a PNG file, and
// optionally the About box into a second one, for the documentation.
//   kestrel-screenshot WINDOW.png [ABOUT.png]

#include "ui/AboutDialog.h"
#include "ui/KestrelApp.h"
#include "ui/MainDialog.h"
#include "ui/Resources.h"
#include "ui/UiServices.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QPixmap>
#include <QThread>

#include <cstdio>

namespace {

using kestrel::ui::IDC_OUTPUT_DIR;

// Lets the window system map and paint the window.
void Settle()
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 500) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
}

bool Save(QWidget& widget, const char* path)
{
    widget.show();
    widget.raise();
    widget.activateWindow();
    Settle();
    if (!widget.grab().save(QString::fromLocal8Bit(path), "PNG")) {
        std::fprintf(stderr, "kestrel-screenshot: cannot write %s\n", path);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    kestrel::ui::KestrelApp app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: kestrel-screenshot WINDOW.png [ABOUT.png]\n");
        return 2;
    }

    kestrel::ui::MainDialog dialog;
    kestrel::ui::UiServices& ui = dialog.Services();
    for (const char* path : {
             "/home/sam/Videos/garden/kestrel-hovering.avi",
             "/home/sam/Videos/garden/nest-box-camera/2024-05-17/morning feeding.avi",
             "/home/sam/Videos/phone/VID_20240601_181512.AVI",
             "/media/sam/CARD/DCIM/100MEDIA/MOV00042.avi",
         })
        ui.ListAppend(path);
    ui.SetControlText(IDC_OUTPUT_DIR, "/home/sam/Videos/rotated");
    dialog.InputList()->setCurrentRow(1);
    dialog.InputList()->setFocus();
    if (!Save(dialog, argv[1]))
        return 1;

    if (argc > 2) {
        kestrel::ui::AboutDialog about(&dialog);
        if (!Save(about, argv[2]))
            return 1;
    }
    return 0;
}
