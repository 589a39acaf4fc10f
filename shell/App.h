#pragma once
// The application object: menu bar, Japanese standard dialogs and the wiring between the shell's
// windows are set up when it is built; start shows the palette and then the folder dialog.
#include <QApplication>

class App : public QApplication {
    Q_OBJECT
public:
    App(int& argc, char** argv);
    // Once the event loop runs.
    void start();
    // Deletes every window (a window may own others), before the web engine's profile goes away.
    static void deleteWindows();
};
