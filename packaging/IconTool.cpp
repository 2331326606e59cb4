// Writes the application icon, as the window paints it, into a hicolor icon
// theme tree for installation: DIR/SIZExSIZE/apps/kestrel.png per size.
//   kestrel-icon DIR SIZE...

#include "ui/ApplicationIcon.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    // No window is shown: the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: kestrel-icon DIR SIZE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (size <= 0 || !QDir().mkpath(folder) ||
            !kestrel::ui::PaintApplicationIcon(size).save(folder + QStringLiteral("/kestrel.png"), "PNG")) {
            std::fprintf(stderr, "kestrel-icon: cannot write the %s pixel icon into %s\n", argv[i], argv[1]);
            return 1;
        }
    }
    return 0;
}
