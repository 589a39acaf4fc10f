#include "Editors.h"

#include "BgcWin.h"
#include "NinWin.h"
#include "ToolWin.h"

void RegisterEditors() {
    ToolWin::SetOpener(QStringLiteral("NinWin"),
                       {[]() -> QWidget* { return NinWin::instance(); }, [] { return NinWin::isOpen(); },
                        [] { NinWin::instance()->LoadData(); }});
    ToolWin::SetOpener(QStringLiteral("BgcWin"),
                       {[] { return BgcWin::instance(); }, BgcWin::isOpen, [] { BgcWin::instance()->LoadBkgData(); }});
}
