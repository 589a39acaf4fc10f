#include "PaletteWindow.h"

#include "Controls.h"
#include "FolderDialog.h"
#include "MainMenuBar.h"
#include "PageSet.h"
#include "PreviewWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <array>

PaletteWindow::PaletteWindow() {
    setObjectName(QStringLiteral("PaletteWindow"));
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
    auto button = [&](const char* name, const char* caption, int top, unsigned locks) {
        return layout->place(makeClickButton(content, QString::fromLatin1(name), QString::fromUtf8(caption)), 9, top,
                             136, 22, locks);
    };
    const unsigned bottom = Lock::Left | Lock::Bottom;
    m_chooseFolder = button("chooseFolderButton", "plkフォルダを選択", 11, Lock::TopLeft);
    m_preview = button("previewButton", "プレビュー / 操作", 45, Lock::TopLeft);
    m_buttonEditor = button("buttonEditorButton", "ボタンの編集", 68, Lock::TopLeft);
    m_background = button("backgroundButton", "背景色の編集", 93, Lock::TopLeft);
    m_uploadSwitch = button("uploadSwitchButton", "Upload=1の設定", 193, bottom);
    m_quit = button("quitButton", "終了", 285, bottom);
    m_wordEditor = button("wordEditorButton", "認識語の編集", 119, Lock::TopLeft);
    m_cardHeading = layout->place(makeLabel(content, QStringLiteral("cardHeading"), QStringLiteral("FlashAir関連")), 9,
                                  169, 100, 20);
    m_packageCopy = button("packageCopyButton", "PLK用FlashAir作成", 219, bottom);

    connect(m_chooseFolder, &QPushButton::clicked, this, &PaletteWindow::chooseFolder);
    connect(m_preview, &QPushButton::clicked, this, &PaletteWindow::showPreview);
    connect(m_buttonEditor, &QPushButton::clicked, this, &PaletteWindow::openButtonEditor);
    connect(m_background, &QPushButton::clicked, this, &PaletteWindow::openBackgroundWindow);
    connect(m_uploadSwitch, &QPushButton::clicked, this, &PaletteWindow::openUploadSwitch);
    connect(m_quit, &QPushButton::clicked, this, &PaletteWindow::quit);
    connect(m_wordEditor, &QPushButton::clicked, this, &PaletteWindow::openWordEditor);
    connect(m_packageCopy, &QPushButton::clicked, this, &PaletteWindow::openPackageCopy);
}

PaletteWindow::Opener& PaletteWindow::opener(Tool tool) {
    static std::array<Opener, 5> table;
    return table.at(std::size_t(tool));
}

void PaletteWindow::setOpener(Tool tool, Opener o) {
    opener(tool) = std::move(o);
}

void PaletteWindow::place(QWidget* w) {
    placeBeside(instance(), w);
}

void PaletteWindow::closeEvent(QCloseEvent* event) {
    // No close box: the palette lives until the tool quits.
    event->ignore();
}

void PaletteWindow::chooseFolder() {
    FolderDialog::instance()->exec();
}

void PaletteWindow::showPreview() {
    PreviewWindow::instance()->load();
    bringToFront(PreviewWindow::instance());
    place(PreviewWindow::instance());
}

void PaletteWindow::openWindow(Tool tool, bool placed) {
    const Opener o = opener(tool);
    if (!o.instance)
        return;
    bringToFront(o.instance());
    if (o.load)
        o.load();
    // Loading may close the editor (its file is gone); never bring it back empty.
    if (placed && o.isOpen())
        place(o.instance());
}

void PaletteWindow::openButtonEditor() {
    if (!QFileInfo::exists(PageSet::chosen().buttonData()))
        return;
    openWindow(Tool::ButtonEditor, true);
}

void PaletteWindow::openBackgroundWindow() {
    if (!QFileInfo::exists(PageSet::chosen().styleSheet()))
        return;
    openWindow(Tool::BackgroundWindow, true);
}

void PaletteWindow::openWordEditor() {
    using Language = PageSet::Language;
    const PageSet& set = PageSet::chosen();
    if (set.words(Language::Japanese).isEmpty() || set.words(Language::English).isEmpty() ||
        !QFileInfo::exists(set.words(Language::Japanese)))
        return;
    openWindow(Tool::WordEditor, true);
}

void PaletteWindow::openUploadSwitch() {
    openWindow(Tool::UploadSwitchWindow, false);
}

void PaletteWindow::openPackageCopy() {
    openWindow(Tool::PackageCopyWindow, false);
}

void PaletteWindow::quit() {
    QCoreApplication::exit(0);
}
