#pragma once
// Writes the upload setting into the configuration file of the card chosen among the volumes.
#include "Instance.h"

#include <QWidget>

class CardVolumeList;
class QComboBox;
class QLabel;
class QPushButton;

class UpSetWin : public QWidget {
    Q_OBJECT
public:
    static constexpr bool kVisibleAtCreation = true;
    UpSetWin();
    static UpSetWin* instance() { return ImplicitInstance<UpSetWin>::get(); }
    static bool isOpen() { return ImplicitInstance<UpSetWin>::isOpen(); }

    void UpPB_Action();
    void FAVolPM_Open();
    void FAVolPM_Change();
    void PushButton1_Action();
    // Fills the list without waiting: a volume appears once it answers (see CardVolumeList).
    void FineFlashAir();

    QPushButton* UpPB;
    QLabel* Label1;
    QComboBox* FAVolPM;
    QPushButton* PushButton1;
    QLabel* Label2;

private:
    void volumesChanged();
    CardVolumeList* m_volumes;
    bool m_focusAtOpening = false;
};
