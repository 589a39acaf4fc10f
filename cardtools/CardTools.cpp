#include "CardTools.h"

#include "FamWin.h"
#include "ToolWin.h"
#include "UpSetWin.h"

void RegisterCardTools() {
    ToolWin::SetOpener(QStringLiteral("UpSetWin"), {UpSetWin::instance, UpSetWin::isOpen, {}});
    ToolWin::SetOpener(QStringLiteral("FamWin"), {FamWin::instance, FamWin::isOpen, {}});
}
