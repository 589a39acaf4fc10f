#include "CardVolumes.h"

#include "Platform.h"
#include "UploadConfig.h"

#include <QComboBox>
#include <QDir>
#include <algorithm>

int packageCardRow(const QList<VolumeInfo>& volumes) {
    QList<VolumeInfo> cards;
    QList<int> rows;
    for (int i = 0; i < volumes.size(); ++i)
        if (volumes[i].holdsSdWlan) {
            cards.append(volumes[i]);
            rows.append(i);
        }
    if (cards.isEmpty())
        return volumes.isEmpty() ? -1 : 0;
    const int named = cards.size() > 1 ? UploadConfig::flashAirRow(cards) : -1;
    return named >= 0 ? rows[named] : rows.last();
}

CardVolumeList::CardVolumeList(QComboBox* list, Rule rule)
    : QObject(list), m_list(list), m_rule(rule), m_scan(new VolumeScan(this)) {
    connect(m_scan, &VolumeScan::volumeAdded, this, &CardVolumeList::added);
    connect(m_scan, &VolumeScan::finished, this, &CardVolumeList::finished);
    // Only the user's own pick: the rule's choices do not count.
    connect(m_list, &QComboBox::activated, this, [this] { m_userChose = true; });
}

void CardVolumeList::scan() {
    m_userChose = false;
    m_list->clear();
    m_scan->start(Platform::get().volumeSource());
}

bool CardVolumeList::isScanning() const {
    return m_scan->isRunning();
}

void CardVolumeList::added(int row) {
    const VolumeInfo& volume = m_scan->volumes()[row];
    m_list->insertItem(row, volume.name, volume.root);
    if (!m_userChose)
        m_list->setCurrentIndex(m_rule(m_scan->volumes()));
    emit changed();
}

bool CardVolumeList::isMounted(const QString& root) {
    const QString wanted = QDir::cleanPath(root);
    const QList<MountInfo> mounts = Platform::get().volumeSource()->mounts();
    return std::any_of(mounts.begin(), mounts.end(),
                       [&](const MountInfo& m) { return QDir::cleanPath(m.root) == wanted; });
}
