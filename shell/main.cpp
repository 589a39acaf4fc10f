// PelkavinTool: prepares and maintains the Pelkavin page set on a FlashAir card.
#include "App.h"
#include "CardTools.h"
#include "Editors.h"

int main(int argc, char** argv) {
    App app(argc, argv);
    RegisterEditors();
    RegisterCardTools();
    QMetaObject::invokeMethod(&app, &App::Open, Qt::QueuedConnection);
    const int status = app.exec();
    App::DeleteWindows();
    return status;
}
