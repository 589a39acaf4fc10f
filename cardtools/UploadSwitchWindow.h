#pragma once
// Writes the upload setting into the configuration file of the card chosen among the volumes.
#include "SingleWindow.h"

#include <QWidget>

class CardVolumeList;
class QComboBox;
class QPushButton;

class UploadSwitchWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr bool kShownWhenCreated = true;
    UploadSwitchWindow();
    static UploadSwitchWindow* instance() { return SingleWindow<UploadSwitchWindow>::get(); }
    static bool isOpen() { return SingleWindow<UploadSwitchWindow>::isOpen(); }

    // Writes "UPLOAD=1" into the chosen card's CONFIG and says how it went.
    void setUpload();
    // Fills the list without waiting: a volume appears once it answers (see CardVolumeList).
    void findCards();

private:
    void updateSetButton();
    void volumesChanged();

    QPushButton* m_set;
    QComboBox* m_volumeList;
    QPushButton* m_rescan;
    CardVolumeList* m_volumes;
    bool m_focusAtOpening = false;
};
