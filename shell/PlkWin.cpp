#include "PlkWin.h"

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
QFont FittingFont(const QLabel* label, int size) {
    QFont f = LayoutFont(label->font(), size, true);
    const int room = label->contentsRect().width();
    while (f.pixelSize() > 6 && QFontMetrics(f).horizontalAdvance(label->text()) > room)
        f.setPixelSize(f.pixelSize() - 1);
    return f;
}
} // namespace

const QUrl PlkWin::kCardAddress(QStringLiteral("http://flashair/plk/n.htm"));

PlkWin::PlkWin() {
    InitDocumentWindow(this, QStringLiteral("PlkWin"), QStringLiteral("Pelkavin"), 400, 600);

    auto* layout = new FixedLayout(this);
    hv = layout->place(WebView().create(this), 0, 30, 400, 550, Lock::All);
    hv->setObjectName(QStringLiteral("hv"));
    for (const char* item : {"EditClear", "EditCopy", "EditCut", "EditPaste", "EditSelectAll"}) {
        const QString name = QString::fromLatin1(item);
        MainMenuBar::AddMenuHandler(
            hv, name, [this, name] { return WebView().edit(hv, name); },
            [this, name] { return WebView().canEdit(hv, name); });
    }

    Label1 =
        layout->place(MakeLabel(this, QStringLiteral("Label1"),
                                QStringLiteral("自動で書き変わらない場合は右クリックで「再読み込み」を選択して下さい")),
                      9, 580, 391, 20, Lock::Left | Lock::Bottom);
    Label1->setStyleSheet(QStringLiteral("color: #fa0000;"));
    Label1->setFont(FittingFont(Label1, 12));

    const unsigned top = Lock::Left | Lock::Top | Lock::Right;
    m_access[0] = layout->place(MakeBevelButton(this, ArrayName(QStringLiteral("AccessTypeBB"), 0),
                                                QStringLiteral("Localアクセス"), true, true),
                                0, 0, 200, 30, top);
    m_access[1] = layout->place(MakeBevelButton(this, ArrayName(QStringLiteral("AccessTypeBB"), 1),
                                                QStringLiteral("Wi-Fiアクセス"), true, false),
                                200, 0, 200, 30, top);
    for (int i = 0; i < 2; ++i)
        connect(m_access[i], &QPushButton::clicked, this, [this, i] { AccessTypeBB_Action(i); });
}

void PlkWin::LoadData() {
    PageSet& set = PageSet::chosen();
    if (set.topPage().isEmpty()) {
        set.setAccess(PageSet::Access::Card);
        m_access[0]->setChecked(false);
        m_access[1]->setChecked(true);
    }
    if (set.access() == PageSet::Access::Folder) {
        if (QFileInfo::exists(set.topPage()))
            load(QUrl::fromLocalFile(set.topPage()));
    } else {
        load(kCardAddress);
    }
}

void PlkWin::load(const QUrl& url) {
    m_requested = url;
    WebView().load(hv, url);
}

void PlkWin::AccessTypeBB_Action(int index) {
    PageSet::chosen().setAccess(index == 0 ? PageSet::Access::Folder : PageSet::Access::Card);
    PressOnly(m_access, index);
    LoadData();
}

void PlkWin::ExecuteJavaScript(const QString& script) {
    WebView().runJavaScript(hv, script);
    emit scriptRun(script);
}

void PlkWin::PreviewReload() {
    instance()->LoadData();
    instance()->ExecuteJavaScript(QStringLiteral("location.reload();"));
}

void PlkWin::FollowWrite(PageSet::Entry file) {
    switch (file) {
    case PageSet::Entry::ButtonData:
    case PageSet::Entry::StyleSheet:
        PreviewReload();
        break;
    case PageSet::Entry::JapaneseWords:
    case PageSet::Entry::EnglishWords:
        ScriptReload();
        break;
    default:
        // The page does not show the icon.
        break;
    }
}

void PlkWin::ScriptReload() {
    if (!isOpen())
        instance()->LoadData();
    instance()->ExecuteJavaScript(QStringLiteral("location.reload();"));
}
