#pragma once
// The preview: the page set's top page from the chosen folder, or from the card over Wi-Fi.
#include "Instance.h"
#include "PageSet.h"

#include <QUrl>
#include <QWidget>

class QLabel;
class QPushButton;

class PlkWin : public QWidget {
    Q_OBJECT
public:
    static constexpr bool kVisibleAtCreation = true;
    // The top page on the card's own web server.
    static const QUrl kCardAddress;

    PlkWin();
    static PlkWin* instance() { return ImplicitInstance<PlkWin>::get(); }
    static bool isOpen() { return ImplicitInstance<PlkWin>::isOpen(); }

    void LoadData();
    void AccessTypeBB_Action(int index);
    void ExecuteJavaScript(const QString& script);

    // The HTML viewer (a QWebEngineView once the web view module is loaded).
    QWidget* hv;
    QPushButton* AccessTypeBB(int index) const { return m_access[index]; }
    // The address last asked of the viewer (its own url() follows only once loading starts).
    QUrl requestedUrl() const { return m_requested; }

    // After a page-set file was written: load the top page again, then reload it.
    static void PreviewReload();
    // Reload the page the preview holds; a preview that has to be re-created loads the top page first.
    static void ScriptReload();
    // After a file of the page set was written: the button data and the style sheet reload the top
    // page first, the word files only the page; the icon nothing.
    static void FollowWrite(PageSet::Entry file);

signals:
    void scriptRun(const QString& script);

private:
    QLabel* Label1;
    QPushButton* m_access[2];
    QUrl m_requested;
    void load(const QUrl& url);
};
