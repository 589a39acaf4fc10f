// PelkavinTool: prepares and maintains the Pelkavin page set on a FlashAir card. The one place that
// puts the program together: the application object, the windows the palette opens, the start.
#include "App.h"
#include "BackgroundWindow.h"
#include "ButtonEditor.h"
#include "PackageCopyWindow.h"
#include "PaletteWindow.h"
#include "UploadSwitchWindow.h"
#include "WordEditor.h"

// The editors' and card tools' windows, each with what loads its file. Also called by the start-up
// benchmark, which builds this file with its own main.
void registerWindows() {
    using Tool = PaletteWindow::Tool;
    PaletteWindow::setOpener(Tool::ButtonEditor, PaletteWindow::openerOf<ButtonEditor>(&ButtonEditor::load));
    PaletteWindow::setOpener(Tool::WordEditor, PaletteWindow::openerOf<WordEditor>(&WordEditor::load));
    PaletteWindow::setOpener(Tool::BackgroundWindow,
                             PaletteWindow::openerOf<BackgroundWindow>(&BackgroundWindow::load));
    PaletteWindow::setOpener(Tool::UploadSwitchWindow, PaletteWindow::openerOf<UploadSwitchWindow>());
    PaletteWindow::setOpener(Tool::PackageCopyWindow, PaletteWindow::openerOf<PackageCopyWindow>());
}

int main(int argc, char** argv) {
    App app(argc, argv);
    registerWindows();
    QMetaObject::invokeMethod(&app, &App::start, Qt::QueuedConnection);
    const int status = app.exec();
    App::deleteWindows();
    return status;
}
