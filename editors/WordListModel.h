#pragma once
// The rows of a word file as the word editor's list shows them: a display number, the id, the word
// and two alternatives. One model over the rows rather than an item per cell: a word file can hold
// a hundred thousand rows and more.
#include "WordFile.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>

class WordListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NumberCol = 0, IdCol, WordCol, Alt1Col, Alt2Col, ColumnCount };

    explicit WordListModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    static QString heading(int column);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    const QList<WordFile::Row>& rows() const { return m_rows; }
    // The rows edited since setRows, as they were then, by position: the list is not held twice.
    const QHash<qsizetype, WordFile::Row>& before() const { return m_before; }
    // Whether a row differs from what setRows gave.
    bool edited() const;
    // The words are editable only when editable; the ids and the numbers never are. The same number
    // of rows keeps the view's place and current cell in a long list.
    void setRows(const QList<WordFile::Row>& rows, bool editable);

private:
    static QString* field(WordFile::Row& row, int column);
    static const QString& field(const WordFile::Row& row, int column);

    QList<WordFile::Row> m_rows;
    QHash<qsizetype, WordFile::Row> m_before;
    bool m_editable = false;
};
