#include "Editors.h"

#include "NinWin.h"
#include "ToolWin.h"

void RegisterEditors() {
    ToolWin::SetOpener(QStringLiteral("NinWin"),
                       {[]() -> QWidget* { return NinWin::instance(); }, [] { return NinWin::isOpen(); },
                        [] { NinWin::instance()->LoadData(); }});
}
