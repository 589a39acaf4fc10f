// The tool's own start-up, up to the palette being shown: the application object and the windows
// wired in as app/main.cpp does it (built in with its main renamed), then the palette.
#include "App.h"
#include "ExposeProbe.h"
#include "PaletteWindow.h"

void RegisterWindows();

int main(int argc, char** argv) {
    App app(argc, argv);
    RegisterWindows();
    QMetaObject::invokeMethod(
        &app,
        [] {
            PaletteWindow* palette = new PaletteWindow;
            ExposeProbe::watch(palette);
            palette->show();
        },
        Qt::QueuedConnection);
    return app.exec();
}
