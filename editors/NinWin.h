#pragma once
// The recognition-word editor: the rows of the Japanese or the English word file in an editable
// list, one language at a time.
#include "Instance.h"
#include "NinData.h"
#include "TextCodec.h"

#include <QWidget>
#include <array>
#include <optional>

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

private:
    enum class Save { Written, NotOurs, Failed };
    Save save();
    void fill(const QList<NinData::Row>& rows);
    void setTypeButtons();
    bool edited() const { return Rows() != m_base; }

    QTableWidget* m_nlb;
    QPushButton* m_save;
    QPushButton* m_type[2];
    // The file the list's rows were read from, and its language: only that file is ever written,
    // and always with the words quoted for that language.
    QString m_listFile;
    int m_listNin = -1;
    // The rows as last read or written: what the user changed since, and what a save merges into
    // the file as it then is.
    QList<NinData::Row> m_base;
    // The encoding of that file; none when it is neither UTF-8 nor Shift_JIS, and the list is then
    // shown but never written.
    std::optional<TextCodec::Encoding> m_encoding;
};
