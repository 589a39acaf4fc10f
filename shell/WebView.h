#pragma once
// The preview's web view. The web engine lives in a module of its own that is loaded when the
// first preview is built, so the palette does not wait for the engine's libraries at start-up.
// Its context menu is the tool's own, in Japanese: back, forward, reload and the editing commands.
#include <QString>
#include <QUrl>

class QWidget;

struct WebViewApi {
    // A new web view, or a plain placeholder when the module is missing.
    QWidget* (*create)(QWidget* parent);
    void (*load)(QWidget* view, const QUrl& url);
    void (*runJavaScript)(QWidget* view, const QString& script);
    // One of the Edit items "EditCut", "EditCopy", "EditPaste", "EditClear", "EditSelectAll": performs
    // it (true when it did), or says whether it would act on the page now.
    bool (*edit)(QWidget* view, const QString& item);
    bool (*canEdit)(QWidget* view, const QString& item);
};

extern "C" {
using WebViewApiFunction = const WebViewApi* (*)();
}

// Loads the module on first use: beside the program (the build tree), else where `cmake --install`
// put it relative to the program's folder.
const WebViewApi& webView();
// For programs that stand elsewhere (the tests in the build tree's subfolders): the module's path,
// tried first. Call before the first webView().
void setWebViewModulePath(const QString& path);
