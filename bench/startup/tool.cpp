// The tool's own start-up, up to the palette being shown: the application object and the windows
// wired in as app/main.cpp does it (built in with its main renamed), then the palette. With
// "--share-contexts-at-start", the web engine's GL share context is made at start-up instead.
#include "App.h"
#include "ExposeProbe.h"
#include "PaletteWindow.h"

void registerWindows();

int main(int argc, char** argv) {
    // The alternative the program does without: the GL share context made before the application.
    if (argc > 1 && qstrcmp(argv[1], "--share-contexts-at-start") == 0)
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    App app(argc, argv);
    registerWindows();
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
