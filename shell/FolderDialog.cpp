#include "FolderDialog.h"

#include "Controls.h"
#include "PageSet.h"
#include "Platform.h"
#include "PreviewWindow.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

FolderDialog::FolderDialog() {
    setObjectName(QStringLiteral("FolderDialog"));
    setWindowTitle(QStringLiteral("PLKフォルダ選択"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint);
    resize(291, 106);
    setMinimumSize(64, 64);

    auto* layout = new FixedLayout(this);
    const QFont font12 = layoutFont(font(), 12);
    m_prompt = layout->place(makeLabel(this, QStringLiteral("prompt"), QStringLiteral("PLKフォルダ選択して下さい")), 28,
                             20, 164, 20);
    m_prompt->setFont(layoutFont(font(), 12, true, true));
    m_choose = layout->place(makeButton(this, QStringLiteral("chooseButton"), QStringLiteral("選択")), 191, 20, 80, 20);
    m_quit = layout->place(makeButton(this, QStringLiteral("quitButton"), QStringLiteral("終了")), 28, 66, 80, 20);
    m_quit->setVisible(false);
    m_close = layout->place(makeButton(this, QStringLiteral("closeButton"), QStringLiteral("選択しないで閉じる")), 120,
                            66, 151, 20);
    for (QPushButton* b : {m_choose, m_quit, m_close})
        b->setFont(font12);

    connect(m_choose, &QPushButton::clicked, this, &FolderDialog::chooseFolder);
    connect(m_quit, &QPushButton::clicked, this, &FolderDialog::quit);
    connect(m_close, &QPushButton::clicked, this, &FolderDialog::closeWithoutChoosing);
}

void FolderDialog::keyPressEvent(QKeyEvent* event) {
    // The dialog has no cancel button, so Esc closes nothing; only its buttons and close box do.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FolderDialog::setPalette(QWidget* (*palette)()) {
    s_palette = palette;
}

void FolderDialog::chooseFolder() {
    const std::optional<QString> chosen = Platform::get().chooseFolder();
    if (!chosen)
        return;
    // The set takes what the check found before it stopped, also when it stopped early.
    const PageSet::Check check = PageSet::open(*chosen);
    PageSet& set = PageSet::chosen();
    set.adopt(check);
    if (check.missing)
        return Platform::get().message(PageSet::missingMessage(*check.missing));
    if (QFileInfo::exists(set.topPage())) {
        set.setAccess(PageSet::Access::Folder);
        PreviewWindow* preview = PreviewWindow::instance();
        preview->accessButton(PageSet::Access::Folder)->setChecked(true);
        preview->accessButton(PageSet::Access::Card)->setChecked(false);
        preview->load();
        placeBeside(s_palette(), preview);
    }
    close();
}

void FolderDialog::closeWithoutChoosing() {
    close();
    bringToFront(s_palette());
}

void FolderDialog::quit() {
    QCoreApplication::exit(0);
}
