#pragma once
// Test entry points. GUI tests build the application object as the program does and run every
// test class given; nothing is ever shown to a user, dialogs go through the scripted platform.
#include "App.h"
#include "ScriptedPlatform.h"
#include "WebView.h"

#include <QPointer>
#include <QTest>

template <class T> int runOne(int argc, char** argv) {
    T t;
    return QTest::qExec(&t, argc, argv);
}

template <class... Tests> int RunGuiTests(int argc, char** argv) {
    App app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
#ifdef PKL_TEST_WEBVIEW_MODULE
    setWebViewModulePath(QStringLiteral(PKL_TEST_WEBVIEW_MODULE));
#endif
    ScriptedPlatform::install();
    int status = 0;
    ((status |= runOne<Tests>(argc, argv)), ...);
    App::deleteWindows();
    return status;
}

#define PKL_GUI_TEST_MAIN(...)                                                                                         \
    int main(int argc, char** argv) {                                                                                  \
        return RunGuiTests<__VA_ARGS__>(argc, argv);                                                                   \
    }
