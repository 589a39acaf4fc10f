// PelkavinTool: prepares and maintains the Pelkavin page set on a FlashAir card. The one place that
// puts the program together: the application object, the windows the palette opens, the start.
#include "App.h"
#include "BgcWin.h"
#include "CmdWin.h"
#include "FamWin.h"
#include "NinWin.h"
#include "ToolWin.h"
#include "UpSetWin.h"

// The editors' and card tools' windows, each with what loads its file. Also called by the start-up
// benchmark, which builds this file with its own main.
void RegisterWindows() {
    using Tool = ToolWin::Tool;
    ToolWin::SetOpener(Tool::ButtonEditor, ToolWin::OpenerOf<CmdWin>(&CmdWin::LoadFileData));
    ToolWin::SetOpener(Tool::WordEditor, ToolWin::OpenerOf<NinWin>(&NinWin::LoadData));
    ToolWin::SetOpener(Tool::BackgroundWindow, ToolWin::OpenerOf<BgcWin>(&BgcWin::LoadBkgData));
    ToolWin::SetOpener(Tool::UploadSwitchWindow, ToolWin::OpenerOf<UpSetWin>());
    ToolWin::SetOpener(Tool::PackageCopyWindow, ToolWin::OpenerOf<FamWin>());
}

int main(int argc, char** argv) {
    App app(argc, argv);
    RegisterWindows();
    QMetaObject::invokeMethod(&app, &App::Open, Qt::QueuedConnection);
    const int status = app.exec();
    App::DeleteWindows();
    return status;
}
