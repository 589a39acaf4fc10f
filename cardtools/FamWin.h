#pragma once
// Prepares a card for the robot's remote control: the package's download link, the package
// folder and its check, the card, the robot variant, and the copy with its progress line.
#include "Instance.h"

#include <QWidget>

class CardVolumeList;
class QComboBox;
class QLabel;
class QPushButton;
namespace PackageCopy {
class Card;
}

class FamWin : public QWidget {
    Q_OBJECT
public:
    static constexpr bool kVisibleAtCreation = true;
    // Where the package "Robi_550.zip" is downloaded from: the link's text and what a click opens.
    static const QString kDownloadAddress;

    FamWin();
    static FamWin* instance() { return ImplicitInstance<FamWin>::get(); }
    static bool isOpen() { return ImplicitInstance<FamWin>::isOpen(); }

    bool rcrpLB_MouseDown();
    void rcrpLB_MouseEnter();
    void rcrpLB_MouseExit();
    void PushButton1_Action();
    void PushButton2_Action();
    void PushButton3_Action();
    void favPM_Open();
    void CpyFileLb_Open();
    // Fills the list without waiting: a volume appears once it answers (see CardVolumeList).
    void MyVolumeScan();
    // One step of the copy onto card: source into the card's folder destination (empty: the card).
    bool CopyFileOrFolder(PackageCopy::Card& card, const QString& source, const QString& destination);

    QLabel* Label1;
    QLabel* rcrpLB;
    QComboBox* rhPM;
    QLabel* Label3;
    QPushButton* PushButton1;
    QPushButton* PushButton2;
    QPushButton* PushButton3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QComboBox* favPM;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* CpyFileLb;

    QString mRF; // the package folder that passed the check
    QString mFA; // the card of the last started copy
    int mHT = 0; // the robot variant of the last started copy

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowProgress(const QString& text);
    CardVolumeList* m_volumes;
};
