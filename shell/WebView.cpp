#include "WebView.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QWidget>

namespace {
QWidget* placeholderCreate(QWidget* parent) {
    return new QWidget(parent);
}
void placeholderLoad(QWidget*, const QUrl&) {}
void placeholderRun(QWidget*, const QString&) {}
bool placeholderEdit(QWidget*, const QString&) {
    return false;
}
const WebViewApi kPlaceholder = {placeholderCreate, placeholderLoad, placeholderRun, placeholderEdit};

const WebViewApi* loadModule() {
    // Beside the program first; programs in the build tree's subfolders find it where it was built.
    const QStringList candidates = {
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(PKL_WEBVIEW_NAME)),
        QStringLiteral(PKL_WEBVIEW_BUILD_PATH)};
    for (const QString& path : candidates) {
        QLibrary lib(path);
        if (!lib.load())
            continue;
        if (auto api = reinterpret_cast<WebViewApiFunction>(lib.resolve("pkl_webview_api")))
            return api();
    }
    qWarning("web view module not found; the preview stays empty");
    return &kPlaceholder;
}
} // namespace

const WebViewApi& WebView() {
    static const WebViewApi* api = loadModule();
    return *api;
}
