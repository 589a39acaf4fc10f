// The web engine side of the preview, loaded on demand by the shell.
#include "WebView.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {
// Debian ships no Japanese translation of the engine, whose own menu would be in English and
// offer developer tools; this one holds what a page viewer needs.
class PreviewView : public QWebEngineView {
public:
    using QWebEngineView::QWebEngineView;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override {
        using Request = QWebEngineContextMenuRequest;
        const QWebEngineContextMenuRequest* request = lastContextMenuRequest();
        const Request::EditFlags flags = request ? request->editFlags() : Request::EditFlags();
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        auto add = [&](const QString& text, QWebEnginePage::WebAction action, bool enabled) {
            QAction* a = menu->addAction(text);
            a->setEnabled(enabled);
            connect(a, &QAction::triggered, this, [this, action] { page()->triggerAction(action); });
        };
        add(QStringLiteral("戻る"), QWebEnginePage::Back, history()->canGoBack());
        add(QStringLiteral("進む"), QWebEnginePage::Forward, history()->canGoForward());
        add(QStringLiteral("再読み込み"), QWebEnginePage::Reload, true);
        menu->addSeparator();
        add(QStringLiteral("カット"), QWebEnginePage::Cut, flags.testFlag(Request::CanCut));
        add(QStringLiteral("コピー"), QWebEnginePage::Copy, flags.testFlag(Request::CanCopy));
        add(QStringLiteral("貼り付け"), QWebEnginePage::Paste, flags.testFlag(Request::CanPaste));
        add(QStringLiteral("すべてを選択"), QWebEnginePage::SelectAll, flags.testFlag(Request::CanSelectAll));
        menu->popup(event->globalPos());
    }
};

QWebEngineView* view(QWidget* w) {
    return qobject_cast<QWebEngineView*>(w);
}

QWidget* create(QWidget* parent) {
    return new PreviewView(parent);
}

void load(QWidget* w, const QUrl& url) {
    if (QWebEngineView* v = view(w))
        v->load(url);
}

void runJavaScript(QWidget* w, const QString& script) {
    if (QWebEngineView* v = view(w))
        v->page()->runJavaScript(script);
}

// The focus lies in a text field of the page (the engine enables input methods exactly then).
bool editable(QWebEngineView* v) {
    const QWidget* content = v->focusProxy();
    return content && content->inputMethodQuery(Qt::ImEnabled).toBool();
}

bool canEdit(QWidget* w, const QString& item) {
    QWebEngineView* v = view(w);
    if (!v)
        return false;
    if (item == u"EditCopy")
        return v->hasSelection();
    if (item == u"EditCut" || item == u"EditClear")
        return v->hasSelection() && editable(v);
    if (item == u"EditPaste")
        return editable(v) && !QGuiApplication::clipboard()->text().isEmpty();
    if (item == u"EditSelectAll")
        return !v->url().isEmpty();
    return false;
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

const WebViewApi kApi = {create, load, runJavaScript, edit, canEdit};
} // namespace

extern "C" Q_DECL_EXPORT const WebViewApi* pkl_webview_api() {
    return &kApi;
}
