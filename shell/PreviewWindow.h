#pragma once
// The preview: the page set's top page from the chosen folder, or from the card over Wi-Fi.
#include "PageSet.h"
#include "SingleWindow.h"

#include <QUrl>
#include <QWidget>

class QLabel;
class QPushButton;

class PreviewWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr bool kShownWhenCreated = true;
    // The top page on the card's own web server.
    static const QUrl kCardAddress;

    PreviewWindow();
    static PreviewWindow* instance() { return SingleWindow<PreviewWindow>::get(); }
    static bool isOpen() { return SingleWindow<PreviewWindow>::isOpen(); }

    // Loads the top page the access mode names; a set without one switches to the card.
    void load();
    void chooseAccess(PageSet::Access access);
    void runJavaScript(const QString& script);

    // The HTML viewer (a QWebEngineView once the web view module is loaded).
    QWidget* view() const { return m_view; }
    QPushButton* accessButton(PageSet::Access access) const { return m_access[int(access)]; }
    // The address last asked of the viewer (its own url() follows only once loading starts).
    QUrl requestedUrl() const { return m_requested; }

    // Loads the top page again, then reloads it.
    static void reloadTopPage();
    // Reloads the page the preview holds; a preview that has to be re-created loads the top page first.
    static void reloadPage();
    // After a file of the page set was written: the button data and the style sheet reload the top
    // page first, the word files only the page; the icon nothing.
    static void followWrite(PageSet::Entry file);

signals:
    void scriptRun(const QString& script);

private:
    void loadUrl(const QUrl& url);

    QWidget* m_view;
    QLabel* m_reloadHint;
    QPushButton* m_access[2];
    QUrl m_requested;
};
