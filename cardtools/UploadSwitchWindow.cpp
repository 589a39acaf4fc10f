#include "UploadSwitchWindow.h"

#include "CardVolumes.h"
#include "Controls.h"
#include "Platform.h"
#include "UploadConfig.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

UploadSwitchWindow::UploadSwitchWindow() {
    initWindow(this, QStringLiteral("UploadSwitchWindow"), QStringLiteral("Upload設定"), 374, 120);
    setMaximumSize(32000, 32000);
    setFont(layoutFont(font(), 11));

    auto* layout = new FixedLayout(this);
    layout
        ->place(makeLabel(this, QStringLiteral("heading"),
                          QStringLiteral("FlashAirのConfigファイルにUpload=1を書き込みます")),
                12, 11, 351, 20)
        ->setFont(layoutFont(font(), 14, false, true));
    layout->place(makeLabel(this, QStringLiteral("volumeLabel"), QStringLiteral("FlashAirを選択")), 33, 43, 100, 20);
    m_rescan =
        layout->place(makeButton(this, QStringLiteral("rescanButton"), QStringLiteral("再検索")), 124, 43, 64, 20);
    m_volumeList = layout->place(new QComboBox(this), 33, 68, 197, 20);
    m_volumeList->setObjectName(QStringLiteral("volumeList"));
    m_set = layout->place(makeButton(this, QStringLiteral("setButton"), QStringLiteral("Upload=1を設定")), 242, 68, 111,
                          20);
    setTabOrder(m_set, m_volumeList);
    setTabOrder(m_volumeList, m_rescan);

    m_volumes = new CardVolumeList(m_volumeList, UploadConfig::flashAirRow);
    connect(m_set, &QPushButton::clicked, this, &UploadSwitchWindow::setUpload);
    connect(m_rescan, &QPushButton::clicked, this, &UploadSwitchWindow::findCards);
    connect(m_volumeList, &QComboBox::currentIndexChanged, this, &UploadSwitchWindow::updateSetButton);
    connect(m_volumes, &CardVolumeList::changed, this, &UploadSwitchWindow::volumesChanged);
    connect(m_volumes, &CardVolumeList::finished, this, [this] { m_focusAtOpening = false; });
    connect(m_volumeList, &QComboBox::activated, this, [this] { m_focusAtOpening = false; });
    findCards();
    // The window opens on the first control of its order that can take the focus.
    for (QWidget* w : std::initializer_list<QWidget*>{m_set, m_volumeList, m_rescan})
        if (w->isEnabled()) {
            w->setFocus();
            break;
        }
    m_focusAtOpening = m_volumes->isScanning() && !m_set->isEnabled();
}

void UploadSwitchWindow::volumesChanged() {
    updateSetButton();
    // The card answered after the window opened: the set button takes the focus it would have had
    // at the opening, unless the user has moved on since.
    if (m_focusAtOpening && m_set->isEnabled() && focusWidget() == m_volumeList) {
        m_set->setFocus();
        m_focusAtOpening = false;
    }
}

void UploadSwitchWindow::updateSetButton() {
    m_set->setEnabled(m_volumeList->currentIndex() >= 0);
}

void UploadSwitchWindow::findCards() {
    m_volumes->scan();
    updateSetButton();
}

void UploadSwitchWindow::setUpload() {
    const int row = m_volumeList->currentIndex();
    if (row < 0)
        return;
    const QString message = UploadConfig::message(UploadConfig::setUpload(m_volumeList->itemData(row).toString()));
    if (!message.isEmpty())
        Platform::get().message(message);
}
