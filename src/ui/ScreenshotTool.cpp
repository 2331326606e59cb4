// Renders the main window for the documentation into a PNG file, in one of
// these states:
//   window  mid-batch: six clips listed, one in each state (done, failed,
//           skipped, converting, waiting), the last selected with the preview
//           of its 25th frame under a 90° clockwise turn
//   dark    the same in the Fusion style with a dark palette
//   batch   the same clips after their batch, with the status line
//   about   the About box
// Settings are kept in Qt's test location, never the user's.
//   kestrel-screenshot SAMPLE.avi window|dark|batch|about OUT.png

#include "job/RunConversion.h"
#include "ui/AboutDialog.h"
#include "ui/KestrelApp.h"
#include "ui/MainDialog.h"
#include "ui/PreviewPane.h"
#include "ui/Resources.h"
#include "ui/UiServices.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPalette>
#include <QPixmap>
#include <QSlider>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QThread>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

using namespace kestrel;
using namespace kestrel::ui;

// Lets the window system map and paint the window.
void Settle(int milliseconds = 700)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
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

void UseDarkPalette()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette dark;
    const QColor window(45, 45, 48), base(30, 30, 32), text(230, 230, 230), highlight(42, 110, 190);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
    dark.setColor(QPalette::Button, window);
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::Highlight, highlight);
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::ToolTipBase, window);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::Mid, QColor(60, 60, 64));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, QColor(120, 120, 120));
    QApplication::setPalette(dark);
}

// The clip that shows "converting": held at 42 % until the batch is stopped.
constexpr const char* kHeldClip = "VID_20240601_181512.AVI";

int Convert(std::unique_ptr<ConversionJob> job, ConversionStatus& status)
{
    if (!QString::fromStdString(job->source).endsWith(QLatin1String(kHeldClip)))
        return RunConversion(std::move(job), status);
    status.ProgressPercent = 42;
    while (!status.StopRequested)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    status.Result.outcome = Outcome::Stopped;
    status.Finished = true;
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QStandardPaths::setTestModeEnabled(true);
    KestrelApp app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: kestrel-screenshot SAMPLE.avi window|dark|batch|about OUT.png\n");
        return 2;
    }
    const char* state = argv[2];
    const char* out = argv[3];
    if (std::strcmp(state, "dark") == 0)
        UseDarkPalette();

    QTemporaryDir temp(QDir::tempPath() + QStringLiteral("/kestrel-XXXXXX"));
    const QDir root(temp.path());
    if (!temp.isValid() || !root.mkpath(QStringLiteral("garden")) || !root.mkpath(QStringLiteral("phone")) ||
        !root.mkpath(QStringLiteral("card/DCIM/100MEDIA")) || !root.mkpath(QStringLiteral("rotated"))) {
        std::fprintf(stderr, "kestrel-screenshot: cannot make a temporary folder\n");
        return 1;
    }
    MainDialog dialog({}, &Convert);
    if (std::strcmp(state, "about") == 0) {
        AboutDialog about(&dialog);
        return Save(about, out) ? 0 : 1;
    }
    UiServices& ui = dialog.Services();
    const bool held = std::strcmp(state, "batch") != 0;
    const char* names[] = {
        "garden/kestrel-hovering.avi",     "garden/nest-box camera, morning feeding, the second of three clips.avi",
        "card/DCIM/100MEDIA/CLIP0004.AVI", held ? "phone/VID_20240601_181512.AVI" : "phone/VID_20240601_181700.AVI",
        "phone/VID_20240601_182233.AVI",   "card/DCIM/100MEDIA/CLIP0007.AVI"};
    for (const char* name : names) {
        const QString path = root.filePath(QString::fromUtf8(name));
        const bool copied = std::strstr(name, "second") ? QFile(path).open(QIODevice::WriteOnly)  // not a video
                                                        : QFile::copy(QString::fromLocal8Bit(argv[1]), path);
        if (!copied) {
            std::fprintf(stderr, "kestrel-screenshot: cannot copy %s\n", argv[1]);
            return 1;
        }
    }
    // CLIP0004.AVI was converted before: it is skipped.
    if (!QFile::copy(QString::fromLocal8Bit(argv[1]), root.filePath(QStringLiteral("rotated/CLIP0004.AVI"))))
        return 1;
    ui.SetControlText(IDC_OUTPUT_DIR, Native(root.filePath(QStringLiteral("rotated"))));
    ui.SetComboIndex(IDC_EXISTING, 2);  // skip the file
    ui.SetChecked(IDC_ROT_CW);
    std::vector<std::string> paths;
    for (const char* name : names)
        paths.push_back(Native(root.filePath(QString::fromUtf8(name))));
    dialog.OnDropFiles(paths);
    // A clip of its own transform.
    ui.ListSetTransform(5, RotationMode::MirrorX);
    dialog.show();
    dialog.OnGoStop();
    QElapsedTimer clock;
    clock.start();
    const auto converting = [&] { return ui.ListStatus(3).state == RowState::Converting; };
    while (dialog.Controller().IsBatchRunning() && !(held && converting()) && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    Settle(300);  // a tick shows the held clip's percentage
    dialog.InputList()->setCurrentRow(4);
    dialog.Preview()->FrameSlider()->setValue(24);
    dialog.InputList()->setFocus();
    const bool saved = Save(dialog, out);
    dialog.Controller().StopAndWait();
    return saved ? 0 : 1;
}
