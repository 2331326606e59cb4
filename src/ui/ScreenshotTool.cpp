// Renders the main window for the documentation into two PNG files: three
// copies of a sample clip listed, the first selected, with the preview of its
// first frame before and after a 90° clockwise turn; then the same window
// after converting them, with the status line. Optionally the About box into
// a third file. Settings are kept in Qt's test location, never the user's.
//   kestrel-screenshot SAMPLE.avi WINDOW.png BATCH.png [ABOUT.png]

#include "ui/AboutDialog.h"
#include "ui/KestrelApp.h"
#include "ui/MainDialog.h"
#include "ui/Resources.h"
#include "ui/UiServices.h"

#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPixmap>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

using namespace kestrel::ui;

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

std::string Native(const QString& path) { return QFile::encodeName(QDir::toNativeSeparators(path)).toStdString(); }

}  // namespace

int main(int argc, char** argv)
{
    QStandardPaths::setTestModeEnabled(true);
    KestrelApp app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: kestrel-screenshot SAMPLE.avi WINDOW.png BATCH.png [ABOUT.png]\n");
        return 2;
    }

    QTemporaryDir temp(QDir::tempPath() + QStringLiteral("/kestrel-XXXXXX"));
    const QDir root(temp.path());
    if (!temp.isValid() || !root.mkpath(QStringLiteral("garden")) || !root.mkpath(QStringLiteral("phone")) ||
        !root.mkpath(QStringLiteral("rotated"))) {
        std::fprintf(stderr, "kestrel-screenshot: cannot make a temporary folder\n");
        return 1;
    }
    MainDialog dialog;
    UiServices& ui = dialog.Services();
    for (const char* name : {"garden/kestrel-hovering.avi", "garden/nest-box camera, morning feeding.avi",
                             "phone/VID_20240601_181512.AVI"}) {
        const QString path = root.filePath(QString::fromUtf8(name));
        if (!QFile::copy(QString::fromLocal8Bit(argv[1]), path)) {
            std::fprintf(stderr, "kestrel-screenshot: cannot copy %s\n", argv[1]);
            return 1;
        }
        ui.ListAppend(Native(path));
    }
    ui.SetControlText(IDC_OUTPUT_DIR, Native(root.filePath(QStringLiteral("rotated"))));
    ui.SetChecked(IDC_ROT_CW);
    dialog.InputList()->setCurrentRow(0);
    dialog.InputList()->setFocus();
    if (!Save(dialog, argv[2]))
        return 1;

    dialog.OnGoStop();
    QElapsedTimer clock;
    clock.start();
    while (dialog.Controller().IsBatchRunning() && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!Save(dialog, argv[3]))
        return 1;

    if (argc > 4) {
        AboutDialog about(&dialog);
        if (!Save(about, argv[4]))
            return 1;
    }
    return 0;
}
