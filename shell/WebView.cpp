#include "WebView.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QOpenGLContext>
#include <QWidget>

QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
QT_END_NAMESPACE

namespace {
QWidget* placeholderCreate(QWidget* parent) {
    return new QWidget(parent);
}
void placeholderLoad(QWidget*, const QUrl&) {}
void placeholderRun(QWidget*, const QString&) {}
bool placeholderEdit(QWidget*, const QString&) {
    return false;
}
const WebViewApi kPlaceholder = {placeholderCreate, placeholderLoad, placeholderRun, placeholderEdit, placeholderEdit};

QString& modulePath() {
    static QString path;
    return path;
}

#ifndef PKL_NO_WEBVIEW
// The engine shares GL resources with its views through the global share context. Made with the
// first preview, before the engine's libraries load, instead of at start-up (where the attribute
// Qt::AA_ShareOpenGLContexts would make it): creating it loads and starts the GL driver, which
// bench/startup measured under X (Xvfb, Mesa) as 118 ms to the palette shown against 63 ms without.
void makeShareContext() {
    if (qt_gl_global_share_context())
        return;
    auto* context = new QOpenGLContext(qApp);
    context->create();
    qt_gl_set_global_share_context(context);
}
#endif

const WebViewApi* loadModule() {
#ifdef PKL_NO_WEBVIEW
    return &kPlaceholder;
#else
    makeShareContext();
    const QDir programDir(QCoreApplication::applicationDirPath());
    QStringList candidates = {programDir.filePath(QStringLiteral(PKL_WEBVIEW_NAME)),
                              programDir.filePath(QStringLiteral(PKL_WEBVIEW_INSTALLED_DIR "/" PKL_WEBVIEW_NAME))};
    if (!modulePath().isEmpty())
        candidates.prepend(modulePath());
    for (const QString& path : candidates) {
        QLibrary lib(path);
        if (!lib.load())
            continue;
        if (auto api = reinterpret_cast<WebViewApiFunction>(lib.resolve("pkl_webview_api")))
            return api();
    }
    qWarning("web view module not found; the preview stays empty");
    return &kPlaceholder;
#endif
}
} // namespace

void setWebViewModulePath(const QString& path) {
    modulePath() = path;
}

const WebViewApi& webView() {
    static const WebViewApi* api = loadModule();
    return *api;
}
