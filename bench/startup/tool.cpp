// The tool's own start-up, up to the palette being shown.
#include "App.h"
#include "CardTools.h"
#include "Editors.h"
#include "ExposeProbe.h"
#include "ToolWin.h"

int main(int argc, char** argv) {
    App app(argc, argv);
    RegisterEditors();
    RegisterCardTools();
    QMetaObject::invokeMethod(
        &app,
        [] {
            ToolWin* palette = new ToolWin;
            ExposeProbe::watch(palette);
            palette->show();
        },
        Qt::QueuedConnection);
    return app.exec();
}
