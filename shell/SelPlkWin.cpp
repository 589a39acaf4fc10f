#include "SelPlkWin.h"

#include "Controls.h"
#include "Module1.h"
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
    using namespace Module1;
    const std::optional<QString> chosen = Platform::get().SelectFolder();
    if (!chosen)
        return;
    auto fail = [](const char* message) { Platform::get().MsgBox(QString::fromUtf8(message)); };
    // A fifo or a device in place of a file counts as missing: reading it would block or never end.
    auto present = [](const FolderItem& item) {
        return Exists(item) && (QFileInfo(*item).isFile() || QFileInfo(*item).isDir());
    };

    gPLKFolder = chosen;
    gHpFile = Child(gPLKFolder, QStringLiteral("n.htm"));
    if (!gHpFile)
        return fail("トップページがありません...");
    const FolderItem js = Child(gPLKFolder, QStringLiteral("js"));
    if (!present(js))
        return fail("jsフォルダがありません...");
    gBtnFile = Child(js, QStringLiteral("plkpadbtn.js"));
    if (!present(gBtnFile))
        return fail("plkpadbtn.jsファイルがありません...");
    gCSSFile = Child(js, QStringLiteral("pelkavin.css"));
    if (!present(gCSSFile))
        return fail("pelkavin.cssファイルがありません...");
    gNinFile[0] = Child(js, QStringLiteral("ninshiki_jp.js"));
    if (!present(gNinFile[0]))
        return fail("ninshiki_jp.jsファイルがありません...");
    gNinFile[1] = Child(js, QStringLiteral("ninshiki_en.js"));
    if (!present(gNinFile[1]))
        return fail("ninshiki_en.jsファイルがありません...");
    const FolderItem img = Child(gPLKFolder, QStringLiteral("img"));
    if (!img)
        return fail("imgフォルダがありません...");
    gIconFile = Child(img, QStringLiteral("apple-touch-icon.png"));
    if (!present(gIconFile))
        return fail("apple-touch-icon.pngファイルがありません...");

    if (Exists(gHpFile)) {
        gAccessType = 0;
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
