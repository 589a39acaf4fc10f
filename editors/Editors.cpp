#include "Editors.h"

#include "BgcWin.h"
#include "ToolWin.h"

void RegisterEditors() {
    ToolWin::SetOpener(QStringLiteral("BgcWin"),
                       {[] { return BgcWin::instance(); }, BgcWin::isOpen, [] { BgcWin::instance()->LoadBkgData(); }});
}
