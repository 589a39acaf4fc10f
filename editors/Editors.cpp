#include "Editors.h"

#include "BgcWin.h"
#include "CmdWin.h"
#include "NinWin.h"
#include "ToolWin.h"

void RegisterEditors() {
    ToolWin::SetOpener(QStringLiteral("CmdWin"), {[]() -> QWidget* { return CmdWin::instance(); }, CmdWin::isOpen,
                                                  [] { CmdWin::instance()->LoadFileData(); }});
    ToolWin::SetOpener(QStringLiteral("NinWin"),
                       {[]() -> QWidget* { return NinWin::instance(); }, [] { return NinWin::isOpen(); },
                        [] { NinWin::instance()->LoadData(); }});
    ToolWin::SetOpener(QStringLiteral("BgcWin"),
                       {[] { return BgcWin::instance(); }, BgcWin::isOpen, [] { BgcWin::instance()->LoadBkgData(); }});
}
