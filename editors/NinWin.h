#pragma once
// The recognition-word editor: the rows of the Japanese or the English word file in an editable
// list, one language at a time.
#include "FolderItem.h"
#include "Instance.h"
#include "NinData.h"

#include <QWidget>
#include <array>

class QPainter;
class QPushButton;
class QTableWidget;

class NinWin : public QWidget {
    Q_OBJECT
public:
    static constexpr bool kVisibleAtCreation = true;
    NinWin();
    static NinWin* instance() { return ImplicitInstance<NinWin>::get(); }
    // A window that closed itself is gone for the palette even before Qt deletes it.
    static bool isOpen() { return ImplicitInstance<NinWin>::isOpen() && !ImplicitInstance<NinWin>::get()->isHidden(); }

    QTableWidget* nlb() const { return m_nlb; }
    QPushButton* SaveBB() const { return m_save; }
    QPushButton* NinTypeBB(int index) const { return m_type[index]; }

    bool nlb_CellBackgroundPaint(QPainter& g, const QRect& cell, int row, int column);
    void SaveBB_Action();
    void NinTypeBB_Action(int index);

    void LoadData();
    static QString TrimCQ(const QString& text) { return NinData::TrimCQ(text); }
    // True when the file was written.
    bool SaveData();

    // The rows as the list holds them.
    QList<NinData::Row> Rows() const;
    // Whether a cell may take this text; when not, a message names the row.
    bool CellAccepts(int row, int column, const QString& text);

    int mNin = 0;
    std::array<QByteArray, 2> mDa; // head of each language's file as last read
    std::array<QByteArray, 2> mDb; // tail of each language's file as last read

private:
    enum class Save { Written, NotOurs, Failed };
    Save save();
    void fill(const QList<NinData::Row>& rows);
    void setTypeButtons();
    QString rowName(int row) const;

    QTableWidget* m_nlb;
    QPushButton* m_save;
    QPushButton* m_type[2];
    std::array<QByteArray, 2> m_lead;
    // The file the list's rows were read from, and its language: only that file is ever written.
    FolderItem m_listFile;
    int m_listNin = -1;
};
