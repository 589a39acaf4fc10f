#include "FamWin.h"

#include "CardVolumes.h"
#include "Controls.h"
#include "PackageCopy.h"
#include "Platform.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

const QString FamWin::kDownloadAddress = QStringLiteral("https://www.example.jp/robi/Robi_550.zip");

namespace {
// Why a chosen folder is not the package: the first entry it lacks. Choosing the folder one level
// too high (the one the archive was unpacked into) is the usual slip.
QString NotAPackageMessage(const QString& folder) {
    for (const QString& entry : PackageCopy::PackageEntries())
        if (!QFileInfo::exists(PackageCopy::FindEntry(folder, entry)))
            return QStringLiteral("選んだフォルダに「%1」がありません。Robi_550.zipを解凍してできた"
                                  "「リモート接続用ロビプログラム」フォルダを選択してください...")
                .arg(entry);
    return QStringLiteral("選んだフォルダはリモート接続用ロビプログラムのフォルダではありません。Robi_550.zipを"
                          "解凍してできた「リモート接続用ロビプログラム」フォルダを選択してください...");
}
} // namespace

FamWin::FamWin() {
    InitDocumentWindow(this, QStringLiteral("FamWin"), QStringLiteral("リモート接続プログラムFlashAir作成"), 470, 454);
    setMaximumSize(32000, 32000);

    auto* layout = new FixedLayout(this);
    auto label = [&](const char* name, const QString& text, int left, int top, int width, int height) {
        QLabel* l = layout->place(MakeLabel(this, QString::fromLatin1(name), text), left, top, width, height);
        l->setTextFormat(Qt::PlainText);
        return l;
    };
    const QString indent5(5, QChar(0x3000));
    const QString indent2(2, QChar(0x3000));

    Label1 = label("Label1", QStringLiteral("このアプリはRobi_550.zipに対応しています"), 12, 11, 309, 20);
    Label1->setFont(LayoutFont(Label1->font(), 14, false, true));
    Label8 =
        label("Label8", QStringLiteral("前操作１、FlashAirに「ロビのココロ」のファイルを全てコピー"), 20, 43, 430, 20);
    Label4 = label("Label4",
                   QStringLiteral("前操作２、コルベナさんのページから「リモート接続用ロビプログラム」\n") + indent5 +
                       QStringLiteral("（Robi_550.zip）をダウンロード。\n") + indent5 +
                       QStringLiteral("以下のURLをクリックするとダウンロードされます。"),
                   20, 65, 450, 54);
    rcrpLB = label("rcrpLB", kDownloadAddress, 45, 119, 419, 20);
    rcrpLB->setStyleSheet(QStringLiteral("color: #0000ff;"));
    rcrpLB->installEventFilter(this);
    Label5 = label("Label5",
                   QStringLiteral("１、Robi_550.zipをダウンロードし、解凍してできた\n") + indent2 +
                       QStringLiteral("「リモート接続用ロビプログラム」フォルダを選択"),
                   20, 154, 312, 44);
    PushButton1 = layout->place(MakePushButton(this, QStringLiteral("PushButton1"), QStringLiteral("フォルダ選択")),
                                352, 166, 98, 20);
    Label6 = label("Label6", QStringLiteral("２、FlashAirを選択"), 20, 210, 139, 20);
    favPM = layout->place(new QComboBox(this), 152, 210, 298, 20);
    favPM->setObjectName(QStringLiteral("favPM"));
    m_volumes = new CardVolumeList(favPM, PackageCardRow);
    Label7 =
        label("Label7", QStringLiteral("FlashAirを挿入してない場合は、\n挿入後、「アップデート」を押してください。"),
              125, 235, 234, 35);
    Label7->setFont(LayoutFont(Label7->font(), 11));
    PushButton2 = layout->place(MakePushButton(this, QStringLiteral("PushButton2"), QStringLiteral("アップデート")),
                                363, 242, 87, 20);
    Label3 = label("Label3", QStringLiteral("３、FlashAirにコピーした「ロビのココロ」の種類を選択"), 20, 282, 339, 20);
    rhPM = layout->place(new QComboBox(this), 240, 314, 210, 20);
    rhPM->setObjectName(QStringLiteral("rhPM"));
    rhPM->addItems(PackageCopy::VariantItems());
    rhPM->setCurrentIndex(0);
    CpyFileLb = label("CpyFileLb", QStringLiteral("名称未設定"), 20, 346, 430, 46);
    PushButton3 = layout->place(MakePushButton(this, QStringLiteral("PushButton3"), QStringLiteral("作成開始")), 130,
                                404, 210, 20);
    setTabOrder(rhPM, PushButton1);
    setTabOrder(PushButton1, PushButton2);
    setTabOrder(PushButton2, PushButton3);
    setTabOrder(PushButton3, favPM);

    connect(PushButton1, &QPushButton::clicked, this, &FamWin::PushButton1_Action);
    connect(PushButton2, &QPushButton::clicked, this, &FamWin::PushButton2_Action);
    connect(PushButton3, &QPushButton::clicked, this, &FamWin::PushButton3_Action);
    favPM_Open();
    CpyFileLb_Open();
    // The window opens on the first control of its order.
    rhPM->setFocus();
}

bool FamWin::eventFilter(QObject* watched, QEvent* event) {
    if (watched == rcrpLB) {
        switch (event->type()) {
        case QEvent::Enter:
            rcrpLB_MouseEnter();
            break;
        case QEvent::Leave:
            rcrpLB_MouseExit();
            break;
        case QEvent::MouseButtonPress:
            return rcrpLB_MouseDown();
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FamWin::rcrpLB_MouseEnter() {
    rcrpLB->setCursor(Qt::PointingHandCursor);
    QFont f = rcrpLB->font();
    f.setUnderline(true);
    rcrpLB->setFont(f);
}

void FamWin::rcrpLB_MouseExit() {
    rcrpLB->setCursor(Qt::ArrowCursor);
    QFont f = rcrpLB->font();
    f.setUnderline(false);
    rcrpLB->setFont(f);
}

bool FamWin::rcrpLB_MouseDown() {
    Platform::get().openUrl(QUrl(kDownloadAddress));
    return false;
}

void FamWin::PushButton1_Action() {
    const std::optional<QString> chosen = Platform::get().chooseFolder();
    if (!chosen)
        return;
    mRF.clear();
    if (PackageCopy::IsPackageFolder(*chosen))
        mRF = *chosen;
    else
        Platform::get().message(NotAPackageMessage(*chosen));
}

void FamWin::PushButton2_Action() {
    MyVolumeScan();
}

void FamWin::favPM_Open() {
    MyVolumeScan();
}

void FamWin::CpyFileLb_Open() {
    CpyFileLb->setText(QString());
}

void FamWin::MyVolumeScan() {
    m_volumes->scan();
}

void FamWin::ShowProgress(const QString& text) {
    CpyFileLb->setText(text);
    // The copy keeps the event loop waiting; paint the line now so the user sees it move.
    CpyFileLb->repaint();
}

bool FamWin::CopyFileOrFolder(PackageCopy::Card& card, const QString& source, const QString& destination) {
    return card.CopyFileOrFolder(source, destination, [this](const QString& t) { ShowProgress(t); });
}

void FamWin::PushButton3_Action() {
    using namespace PackageCopy;
    if (!QFileInfo::exists(mRF))
        return;
    const int row = favPM->currentIndex();
    if (row < 0)
        return;
    const QString root = favPM->itemData(row).toString();
    if (root.isEmpty())
        return;
    mFA = root;
    auto fail = [] { Platform::get().message(QStringLiteral("作成エラー")); };
    const int variant = rhPM->currentIndex();
    const Plan plan = MakePlan(mRF, variant);
    // Still the mounted volume the scan found: a card taken out since leaves its mount folder on
    // the disk below, which must not receive the package. The check reads the whole package first
    // and names what it refuses (a copy onto itself, a link, two names the card holds as one).
    Card card(mFA);
    if (!card.IsOpen() || !CardVolumeList::isMounted(mFA) || !card.IsMountRoot() ||
        !card.Check(plan, [this](const QString& t) { ShowProgress(t); }))
        return fail();
    auto run = [&](const QList<CopyStep>& steps) {
        for (const CopyStep& step : steps)
            if (!CopyFileOrFolder(card, step.source, step.destination))
                return false;
        return true;
    };
    bool copied = run(plan.stage1);
    if (copied) {
        mHT = variant;
        copied = run(plan.stage2) && run(plan.stage3);
    }
    // Done only once the data is on the card; after a failure what was copied is kept there too.
    const bool synced = card.Sync();
    if (!copied || !synced)
        return fail();
    CpyFileLb->setText(QString());
    Platform::get().message(QStringLiteral("完了しました..."));
}
