#include "ui/KestrelApp.h"

int main(int argc, char** argv)
{
    kestrel::ui::KestrelApp app(argc, argv);
    return app.InitInstance();
}
