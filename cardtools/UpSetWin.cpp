#include "UpSetWin.h"

#include "CardVolumes.h"
#include "Controls.h"
#include "Platform.h"
#include "UploadConfig.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

UpSetWin::UpSetWin() {
    InitDocumentWindow(this, QStringLiteral("UpSetWin"), QStringLiteral("Upload設定"), 374, 120);
    setMaximumSize(32000, 32000);
    setFont(LayoutFont(font(), 11));

    auto* layout = new FixedLayout(this);
    Label1 = layout->place(
        MakeLabel(this, QStringLiteral("Label1"), QStringLiteral("FlashAirのConfigファイルにUpload=1を書き込みます")),
        12, 11, 351, 20);
    Label1->setFont(LayoutFont(font(), 14, false, true));
    Label2 =
        layout->place(MakeLabel(this, QStringLiteral("Label2"), QStringLiteral("FlashAirを選択")), 33, 43, 100, 20);
    PushButton1 =
        layout->place(MakePushButton(this, QStringLiteral("PushButton1"), QStringLiteral("再検索")), 124, 43, 64, 20);
    FAVolPM = layout->place(new QComboBox(this), 33, 68, 197, 20);
    FAVolPM->setObjectName(QStringLiteral("FAVolPM"));
    UpPB =
        layout->place(MakePushButton(this, QStringLiteral("UpPB"), QStringLiteral("Upload=1を設定")), 242, 68, 111, 20);
    setTabOrder(UpPB, FAVolPM);
    setTabOrder(FAVolPM, PushButton1);

    m_volumes = new CardVolumeList(FAVolPM, UploadConfig::FlashAirRow);
    connect(UpPB, &QPushButton::clicked, this, &UpSetWin::UpPB_Action);
    connect(PushButton1, &QPushButton::clicked, this, &UpSetWin::PushButton1_Action);
    connect(FAVolPM, &QComboBox::currentIndexChanged, this, &UpSetWin::FAVolPM_Change);
    connect(m_volumes, &CardVolumeList::changed, this, &UpSetWin::volumesChanged);
    connect(m_volumes, &CardVolumeList::finished, this, [this] { m_focusAtOpening = false; });
    connect(FAVolPM, &QComboBox::activated, this, [this] { m_focusAtOpening = false; });
    FAVolPM_Open();
    // The window opens on the first control of its order that can take the focus.
    for (QWidget* w : std::initializer_list<QWidget*>{UpPB, FAVolPM, PushButton1})
        if (w->isEnabled()) {
            w->setFocus();
            break;
        }
    m_focusAtOpening = m_volumes->isScanning() && !UpPB->isEnabled();
}

void UpSetWin::volumesChanged() {
    UpPB->setEnabled(FAVolPM->currentIndex() >= 0);
    // The card answered after the window opened: the set button takes the focus it would have had
    // at the opening, unless the user has moved on since.
    if (m_focusAtOpening && UpPB->isEnabled() && focusWidget() == FAVolPM) {
        UpPB->setFocus();
        m_focusAtOpening = false;
    }
}

void UpSetWin::FAVolPM_Open() {
    FineFlashAir();
}

void UpSetWin::FAVolPM_Change() {
    UpPB->setEnabled(FAVolPM->currentIndex() >= 0);
}

void UpSetWin::PushButton1_Action() {
    FineFlashAir();
}

void UpSetWin::FineFlashAir() {
    m_volumes->scan();
    UpPB->setEnabled(FAVolPM->currentIndex() >= 0);
}

void UpSetWin::UpPB_Action() {
    const int row = FAVolPM->currentIndex();
    if (row < 0)
        return;
    const QString message = UploadConfig::Message(UploadConfig::SetUpload(FAVolPM->itemData(row).toString()));
    if (!message.isEmpty())
        Platform::get().message(message);
}
