#include "ui/KestrelApp.h"

int main(int argc, char** argv)
{
    // --help and --version need no display.
    if (kestrel::ui::AsksForTextOnly(argc, argv))
        return kestrel::ui::AnswerTextOnly(argc, argv);
    kestrel::ui::KestrelApp app(argc, argv);
    return app.InitInstance();
}
