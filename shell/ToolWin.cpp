#include "ToolWin.h"

#include "Controls.h"
#include "MainMenuBar.h"
#include "PageSet.h"
#include "PlkWin.h"
#include "SelPlkWin.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <array>

ToolWin::ToolWin() {
    setObjectName(QStringLiteral("ToolWin"));
    setWindowTitle(QStringLiteral("ツール"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint);
    setMenuBar(MainMenuBar::instance());
    auto* content = new QWidget(this);
    content->resize(156, 317);
    setCentralWidget(content);
    resize(156, 317 + menuBar()->sizeHint().height());
    setMinimumSize(64, 64);
    setMaximumSize(32000, 32000);

    auto* layout = new FixedLayout(content);
    auto bevel = [&](const char* name, const char* caption, int top, unsigned locks) {
        QPushButton* b = layout->place(MakeBevelButton(content, QString::fromLatin1(name), QString::fromUtf8(caption)),
                                       9, top, 136, 22, locks);
        return b;
    };
    const unsigned bottom = Lock::Left | Lock::Bottom;
    plkselectBB = bevel("plkselectBB", "plkフォルダを選択", 11, Lock::TopLeft);
    PrevBB = bevel("PrevBB", "プレビュー / 操作", 45, Lock::TopLeft);
    editBtnBB = bevel("editBtnBB", "ボタンの編集", 68, Lock::TopLeft);
    BackColorBB = bevel("BackColorBB", "背景色の編集", 93, Lock::TopLeft);
    UploadBB = bevel("UploadBB", "Upload=1の設定", 193, bottom);
    QuitBB = bevel("QuitBB", "終了", 285, bottom);
    NinBB = bevel("NinBB", "認識語の編集", 119, Lock::TopLeft);
    Label1 =
        layout->place(MakeLabel(content, QStringLiteral("Label1"), QStringLiteral("FlashAir関連")), 9, 169, 100, 20);
    UploadBB1 = bevel("UploadBB1", "PLK用FlashAir作成", 219, bottom);

    connect(plkselectBB, &QPushButton::clicked, this, &ToolWin::plkselectBB_Action);
    connect(PrevBB, &QPushButton::clicked, this, &ToolWin::PrevBB_Action);
    connect(editBtnBB, &QPushButton::clicked, this, &ToolWin::editBtnBB_Action);
    connect(BackColorBB, &QPushButton::clicked, this, &ToolWin::BackColorBB_Action);
    connect(UploadBB, &QPushButton::clicked, this, &ToolWin::UploadBB_Action);
    connect(QuitBB, &QPushButton::clicked, this, &ToolWin::QuitBB_Action);
    connect(NinBB, &QPushButton::clicked, this, &ToolWin::NinBB_Action);
    connect(UploadBB1, &QPushButton::clicked, this, &ToolWin::UploadBB1_Action);
}

ToolWin::Opener& ToolWin::opener(Tool tool) {
    static std::array<Opener, 5> table;
    return table.at(std::size_t(tool));
}

void ToolWin::SetOpener(Tool tool, Opener o) {
    opener(tool) = std::move(o);
}

void ToolWin::ApplyPlacement(QWidget* w) {
    PlaceBeside(instance(), w);
}

void ToolWin::closeEvent(QCloseEvent* event) {
    // No close box: the palette lives until the tool quits.
    event->ignore();
}

void ToolWin::plkselectBB_Action() {
    SelPlkWin::instance()->ShowModal();
}

void ToolWin::PrevBB_Action() {
    PlkWin::instance()->LoadData();
    ShowWindow(PlkWin::instance());
    ApplyPlacement(PlkWin::instance());
}

void ToolWin::openWindow(Tool tool, bool place) {
    const Opener o = opener(tool);
    if (!o.instance)
        return;
    ShowWindow(o.instance());
    if (o.load)
        o.load();
    // Loading may close the editor (its file is gone); never bring it back empty.
    if (place && o.isOpen())
        ApplyPlacement(o.instance());
}

void ToolWin::editBtnBB_Action() {
    if (!QFileInfo::exists(PageSet::chosen().buttonData()))
        return;
    openWindow(Tool::ButtonEditor, true);
}

void ToolWin::BackColorBB_Action() {
    if (!QFileInfo::exists(PageSet::chosen().styleSheet()))
        return;
    openWindow(Tool::BackgroundWindow, true);
}

void ToolWin::NinBB_Action() {
    using Language = PageSet::Language;
    const PageSet& set = PageSet::chosen();
    if (set.words(Language::Japanese).isEmpty() || set.words(Language::English).isEmpty() ||
        !QFileInfo::exists(set.words(Language::Japanese)))
        return;
    openWindow(Tool::WordEditor, true);
}

void ToolWin::UploadBB_Action() {
    openWindow(Tool::UploadSwitchWindow, false);
}

void ToolWin::UploadBB1_Action() {
    openWindow(Tool::PackageCopyWindow, false);
}

void ToolWin::QuitBB_Action() {
    QCoreApplication::exit(0);
}

QAction* ToolWin::menuItem(const char* name) const {
    auto* bar = qobject_cast<MainMenuBar*>(menuBar());
    return bar ? bar->item(QString::fromLatin1(name)) : nullptr;
}
QAction* ToolWin::EditMenu() const {
    return menuItem("EditMenu");
}
QAction* ToolWin::EditSelectAll() const {
    return menuItem("EditSelectAll");
}
QAction* ToolWin::EditSeparator2() const {
    return menuItem("EditSeparator2");
}
QAction* ToolWin::EditClear() const {
    return menuItem("EditClear");
}
QAction* ToolWin::EditPaste() const {
    return menuItem("EditPaste");
}
QAction* ToolWin::EditCopy() const {
    return menuItem("EditCopy");
}
QAction* ToolWin::EditCut() const {
    return menuItem("EditCut");
}
QAction* ToolWin::EditSeparator1() const {
    return menuItem("EditSeparator1");
}
QAction* ToolWin::EditUndo() const {
    return menuItem("EditUndo");
}
QAction* ToolWin::FileMenu() const {
    return menuItem("FileMenu");
}
QAction* ToolWin::FileQuit() const {
    return menuItem("FileQuit");
}
