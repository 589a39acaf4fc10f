#include "SelPlkWin.h"

#include "Controls.h"
#include "PageSet.h"
#include "Platform.h"
#include "PlkWin.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

SelPlkWin::SelPlkWin() {
    setObjectName(QStringLiteral("SelPlkWin"));
    setWindowTitle(QStringLiteral("PLKフォルダ選択"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint);
    resize(291, 106);
    setMinimumSize(64, 64);

    auto* layout = new FixedLayout(this);
    const QFont font12 = LayoutFont(font(), 12);
    Label1 = layout->place(MakeLabel(this, QStringLiteral("Label1"), QStringLiteral("PLKフォルダ選択して下さい")), 28,
                           20, 164, 20);
    Label1->setFont(LayoutFont(font(), 12, true, true));
    SelectPB = layout->place(MakePushButton(this, QStringLiteral("SelectPB"), QStringLiteral("選択")), 191, 20, 80, 20);
    QuitPB = layout->place(MakePushButton(this, QStringLiteral("QuitPB"), QStringLiteral("終了")), 28, 66, 80, 20);
    QuitPB->setVisible(false);
    ClosePB = layout->place(MakePushButton(this, QStringLiteral("ClosePB"), QStringLiteral("選択しないで閉じる")), 120,
                            66, 151, 20);
    for (QPushButton* b : {SelectPB, QuitPB, ClosePB})
        b->setFont(font12);

    connect(SelectPB, &QPushButton::clicked, this, &SelPlkWin::SelectPB_Action);
    connect(QuitPB, &QPushButton::clicked, this, &SelPlkWin::QuitPB_Action);
    connect(ClosePB, &QPushButton::clicked, this, &SelPlkWin::ClosePB_Action);
}

void SelPlkWin::keyPressEvent(QKeyEvent* event) {
    // The dialog has no cancel button, so Esc closes nothing; only its buttons and close box do.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void SelPlkWin::ShowModal() {
    exec();
}

void SelPlkWin::SetPalette(QWidget* (*palette)()) {
    s_palette = palette;
}

void SelPlkWin::SelectPB_Action() {
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
        PlkWin::instance()->AccessTypeBB(0)->setChecked(true);
        PlkWin::instance()->AccessTypeBB(1)->setChecked(false);
        PlkWin::instance()->LoadData();
        PlaceBeside(s_palette(), PlkWin::instance());
    }
    close();
}

void SelPlkWin::ClosePB_Action() {
    close();
    ShowWindow(s_palette());
}

void SelPlkWin::QuitPB_Action() {
    QCoreApplication::exit(0);
}
