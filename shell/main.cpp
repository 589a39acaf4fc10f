// PelkavinTool: prepares and maintains the Pelkavin page set on a FlashAir card.
#include "App.h"
#include "CardTools.h"
#include "Editors.h"

#include <QPointer>
#include <QWidget>

int main(int argc, char** argv) {
    App app(argc, argv);
    RegisterEditors();
    RegisterCardTools();
    QMetaObject::invokeMethod(&app, &App::Open, Qt::QueuedConnection);
    const int status = app.exec();
    // Close the windows before the web engine's profile goes away.
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        windows.append(w);
    for (const QPointer<QWidget>& w : windows)
        delete w.data();
    return status;
}
