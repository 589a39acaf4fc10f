#include "WordListModel.h"

QString WordListModel::heading(int column) {
    return column == NumberCol ? QStringLiteral("#") : WordFile::fieldName(column - IdCol);
}

int WordListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int WordListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

const QString& WordListModel::field(const WordFile::Row& row, int column) {
    switch (column) {
    case IdCol:
        return row.id;
    case WordCol:
        return row.word;
    case Alt1Col:
        return row.alt1;
    default:
        return row.alt2;
    }
}

QString* WordListModel::field(WordFile::Row& row, int column) {
    return const_cast<QString*>(&field(std::as_const(row), column));
}

QVariant WordListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return index.column() == NumberCol ? QString::number(index.row() + 1)
                                           : field(m_rows[index.row()], index.column());
    case Qt::TextAlignmentRole:
        return index.column() <= IdCol ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default:
        return QVariant();
    }
}

QVariant WordListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return heading(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags WordListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags readOnly = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return index.column() >= WordCol && m_editable ? readOnly | Qt::ItemIsEditable : readOnly;
}

bool WordListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid) ||
        !(flags(index) & Qt::ItemIsEditable))
        return false;
    const QString text = value.toString();
    if (field(std::as_const(m_rows)[index.row()], index.column()) == text)
        return true;
    if (!m_before.contains(index.row()))
        m_before.insert(index.row(), m_rows[index.row()]);
    *field(m_rows[index.row()], index.column()) = text;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

bool WordListModel::edited() const {
    for (auto it = m_before.cbegin(); it != m_before.cend(); ++it)
        if (m_rows[it.key()] != it.value())
            return true;
    return false;
}

void WordListModel::setRows(const QList<WordFile::Row>& rows, bool editable) {
    m_before.clear();
    if (rows.size() != m_rows.size()) {
        beginResetModel();
        m_rows = rows;
        m_editable = editable;
        endResetModel();
        return;
    }
    m_rows = rows;
    m_editable = editable;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, ColumnCount - 1));
}
