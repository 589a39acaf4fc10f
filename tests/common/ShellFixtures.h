#pragma once
// Fixtures of the shell's tests: a fresh page set, windows made active, the shell's windows closed.
#include "FolderDialog.h"
#include "PageSet.h"
#include "PaletteWindow.h"
#include "PreviewWindow.h"

#include <QApplication>
#include <QPointer>
#include <QTest>

inline void resetPageSet() {
    PageSet::chosen().setFiles({});
    PageSet::chosen().setAccess(PageSet::Access::Folder);
}

inline bool activate(QWidget* w) {
    w->show();
    w->activateWindow();
    return QTest::qWaitForWindowActive(w);
}

inline void closeShellWindows() {
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<FolderDialog*>(w) || qobject_cast<PreviewWindow*>(w) || qobject_cast<PaletteWindow*>(w))
            windows.append(w);
    for (const QPointer<QWidget>& w : windows)
        delete w.data();
}
