#include "Editors.h"

#include "CmdWin.h"
#include "ToolWin.h"

void RegisterEditors() {
    ToolWin::SetOpener(QStringLiteral("CmdWin"),
                       {[] { return static_cast<QWidget*>(CmdWin::instance()); }, [] { return CmdWin::isOpen(); },
                        [] { CmdWin::instance()->LoadFileData(); }});
}
