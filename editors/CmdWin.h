#pragma once
// The button-data editor: choose a type, a bank and a pad button, take a word from the list,
// edit the fields, store them into the row, and save the block of "plkpadbtn.js".
#include "BtnData.h"
#include "Instance.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class CmdWin : public QWidget {
    Q_OBJECT
public:
    // Shown by the palette, after its default data and captions are in place.
    static constexpr bool kVisibleAtCreation = false;
    CmdWin();
    static CmdWin* instance() { return ImplicitInstance<CmdWin>::get(); }
    static bool isOpen() { return ImplicitInstance<CmdWin>::isOpen(); }

    QPushButton* BankBB(int index) const { return m_bank[index]; }
    QPushButton* PadBB(int index) const { return m_pad[index]; }
    QPushButton* TypeBB(int index) const { return m_type[index]; }
    QPushButton* LoadPB;
    QPushButton* SavePB;
    QLineEdit* IdTF;
    QLineEdit* SecTF;
    QLineEdit* NinTFJ;
    QPushButton* LoadWordPB;
    QLineEdit* NinTFE;
    QLabel* NinLvJ;
    QLabel* NinLvE;
    QLabel* Label3;
    QLabel* Label4;
    QTreeWidget* nlb;
    QPushButton* PushButton3;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label5;
    QLabel* Label6;

    void BankBB_Action(int index);
    void PadBB_Action(int index);
    void TypeBB_Action(int index);
    void LoadPB_Action();
    void SavePB_Action();
    void LoadWordPB_Action();
    void nlb_Change();
    void nlb_DoubleClick();
    void PushButton3_Action();

    void SetBtnData();
    void SetBtnName();
    void LoadData(const QString& text);
    void SetListData();
    QString MakeNinBtnData() const;
    void SetVoiceData(int row);
    void LoadFileData();

    // The list box's selected row, -1 when none.
    int ListIndex() const;

    BtnData::Table mAx;
    BtnData::Table mBx;
    int mSelType = 0;
    int mSelBnk = 0;
    int mSelBtn = 0;

private:
    void Open();
    int selectedRow() const { return mSelBnk * BtnData::kPads + mSelBtn; }
    // The message for the first field the file format cannot carry, empty when all can.
    QString refusedField() const;
    // Loads the tables from the file and shows them. A file that cannot be read, or not held as the
    // page reads it, gives empty tables and shows why; the message then, else empty. For the page
    // set's own file, what would keep a save from writing it is said too.
    QString loadFrom(const QString& path, bool pageSetFile);
    void showTables(const BtnData::Reading& reading, const QString& fileName);
    // Why the tables shown are not the page set's file (its load failed); empty when they are.
    QString m_loadRefusal;
    // The encoding and name of the file the tables were last read from; the store refuses what
    // that file cannot carry (the save checks the file as it is then).
    std::optional<TextCodec::Encoding> m_encoding = TextCodec::Encoding::Utf8;
    QString m_fileName = QStringLiteral("plkpadbtn.js");

    QPushButton* m_bank[4];
    QPushButton* m_pad[13];
    QPushButton* m_type[3];
};
