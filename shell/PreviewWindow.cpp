#include "PreviewWindow.h"

#include "Controls.h"
#include "MainMenuBar.h"
#include "PageSet.h"

#include "WebView.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

namespace {
// The hint is wider than its rectangle at 12 pixels in the fonts here; the largest bold size up to
// the layout's that shows it whole.
QFont fittingFont(const QLabel* label, int size) {
    QFont f = layoutFont(label->font(), size, true);
    const int room = label->contentsRect().width();
    while (f.pixelSize() > 6 && QFontMetrics(f).horizontalAdvance(label->text()) > room)
        f.setPixelSize(f.pixelSize() - 1);
    return f;
}
} // namespace

const QUrl PreviewWindow::kCardAddress(QStringLiteral("http://flashair/plk/n.htm"));

PreviewWindow::PreviewWindow() {
    initWindow(this, QStringLiteral("PreviewWindow"), QStringLiteral("Pelkavin"), 400, 600);

    auto* layout = new FixedLayout(this);
    m_view = layout->place(webView().create(this), 0, 30, 400, 550, Lock::All);
    m_view->setObjectName(QStringLiteral("view"));
    for (const char* item : {"EditClear", "EditCopy", "EditCut", "EditPaste", "EditSelectAll"}) {
        const QString name = QString::fromLatin1(item);
        MainMenuBar::addMenuHandler(
            m_view, name, [this, name] { return webView().edit(m_view, name); },
            [this, name] { return webView().canEdit(m_view, name); });
    }

    m_reloadHint =
        layout->place(makeLabel(this, QStringLiteral("reloadHint"),
                                QStringLiteral("自動で書き変わらない場合は右クリックで「再読み込み」を選択して下さい")),
                      9, 580, 391, 20, Lock::Left | Lock::Bottom);
    m_reloadHint->setStyleSheet(QStringLiteral("color: #fa0000;"));
    m_reloadHint->setFont(fittingFont(m_reloadHint, 12));

    const unsigned top = Lock::Left | Lock::Top | Lock::Right;
    m_access[0] = layout->place(
        makeClickButton(this, QStringLiteral("folderAccessButton"), QStringLiteral("Localアクセス"), true, true), 0, 0,
        200, 30, top);
    m_access[1] = layout->place(
        makeClickButton(this, QStringLiteral("cardAccessButton"), QStringLiteral("Wi-Fiアクセス"), true, false), 200, 0,
        200, 30, top);
    for (PageSet::Access access : {PageSet::Access::Folder, PageSet::Access::Card})
        connect(accessButton(access), &QPushButton::clicked, this, [this, access] { chooseAccess(access); });
}

void PreviewWindow::load() {
    PageSet& set = PageSet::chosen();
    if (set.topPage().isEmpty()) {
        set.setAccess(PageSet::Access::Card);
        m_access[0]->setChecked(false);
        m_access[1]->setChecked(true);
    }
    if (set.access() == PageSet::Access::Folder) {
        if (QFileInfo::exists(set.topPage()))
            loadUrl(QUrl::fromLocalFile(set.topPage()));
    } else {
        loadUrl(kCardAddress);
    }
}

void PreviewWindow::loadUrl(const QUrl& url) {
    m_requested = url;
    webView().load(m_view, url);
}

void PreviewWindow::chooseAccess(PageSet::Access access) {
    PageSet::chosen().setAccess(access);
    pressOnly(m_access, int(access));
    load();
}

void PreviewWindow::runJavaScript(const QString& script) {
    webView().runJavaScript(m_view, script);
    emit scriptRun(script);
}

void PreviewWindow::reloadTopPage() {
    instance()->load();
    instance()->runJavaScript(QStringLiteral("location.reload();"));
}

void PreviewWindow::reloadPage() {
    if (!isOpen())
        instance()->load();
    instance()->runJavaScript(QStringLiteral("location.reload();"));
}

void PreviewWindow::followWrite(PageSet::Entry file) {
    switch (file) {
    case PageSet::Entry::ButtonData:
    case PageSet::Entry::StyleSheet:
        reloadTopPage();
        break;
    case PageSet::Entry::JapaneseWords:
    case PageSet::Entry::EnglishWords:
        reloadPage();
        break;
    default:
        // The page does not show the icon.
        break;
    }
}
