// The web engine side of the preview, loaded on demand by the shell.
#include "WebView.h"

#include <QWebEnginePage>
#include <QWebEngineView>

namespace {
QWebEngineView* view(QWidget* w) {
    return qobject_cast<QWebEngineView*>(w);
}

QWidget* create(QWidget* parent) {
    return new QWebEngineView(parent);
}

void load(QWidget* w, const QUrl& url) {
    if (QWebEngineView* v = view(w))
        v->load(url);
}

void runJavaScript(QWidget* w, const QString& script) {
    if (QWebEngineView* v = view(w))
        v->page()->runJavaScript(script);
}

bool edit(QWidget* w, const QString& item) {
    QWebEngineView* v = view(w);
    if (!v)
        return false;
    if (item == u"EditClear") {
        // Deletes the selection inside an editable element of the page.
        v->page()->runJavaScript(QStringLiteral("document.execCommand('delete');"));
        return true;
    }
    const struct {
        const char16_t* item;
        QWebEnginePage::WebAction action;
    } actions[] = {{u"EditCut", QWebEnginePage::Cut},
                   {u"EditCopy", QWebEnginePage::Copy},
                   {u"EditPaste", QWebEnginePage::Paste},
                   {u"EditSelectAll", QWebEnginePage::SelectAll}};
    for (const auto& a : actions)
        if (item == QStringView(a.item)) {
            v->page()->triggerAction(a.action);
            return true;
        }
    return false;
}

const WebViewApi kApi = {create, load, runJavaScript, edit};
} // namespace

extern "C" Q_DECL_EXPORT const WebViewApi* pkl_webview_api() {
    return &kApi;
}
