#pragma once
// The volume list of the two card windows: a pop-up menu that a volume scan fills without ever
// blocking the window (a volume that does not answer in time is left out), and each window's rule
// for the row chosen for the user.
#include "Volumes.h"

#include <QObject>

class QComboBox;

// The package window's rule: the last volume holding "SD_WLAN"; where several do, the last of those
// whose name the upload window's rule accepts (so a backup copy of the card is not taken for it);
// with no such volume the first row, -1 for no volume.
int packageCardRow(const QList<VolumeInfo>& volumes);

class CardVolumeList : public QObject {
    Q_OBJECT
public:
    // Which row a window chooses among the volumes, -1 for none.
    using Rule = int (*)(const QList<VolumeInfo>&);
    // Fills list: row text the volume's name, row data its top-level folder. Owned by list.
    CardVolumeList(QComboBox* list, Rule rule);

    // Empties the list and scans again. Rows appear as their volumes answer; until the user picks a
    // row, the rule chooses again as each one comes.
    void scan();
    bool isScanning() const;
    // The volume at root is still in the mount table (read as it stands, so this never blocks).
    static bool isMounted(const QString& root);

signals:
    // The scan added a row, and may have chosen another.
    void changed();
    // The scan is over: every volume answered, or the time limit passed.
    void finished();

private:
    void added(int row);

    QComboBox* m_list;
    Rule m_rule;
    VolumeScan* m_scan;
    bool m_userChose = false;
};
