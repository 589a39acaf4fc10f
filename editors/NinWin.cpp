#include "NinWin.h"

#include "Controls.h"
#include "FileIO.h"
#include "Module1.h"
#include "Platform.h"
#include "PlkWin.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>

namespace {

enum Column { NumberCol = 0, IdCol, WordCol, Alt1Col, Alt2Col, ColumnCount };

QString heading(int column) {
    static const char* const headings[ColumnCount] = {"#", "ID", "認識語", "別候補１", "別候補２"};
    return QString::fromUtf8(headings[column]);
}

QString fileName(const FolderItem& file) {
    return file ? QFileInfo(*file).fileName() : QString();
}

void message(const QString& text) {
    Platform::get().MsgBox(text);
}

// Paints the striped cells and the dotted column lines, and keeps texts the file cannot carry
// out of the cells.
class NlbDelegate : public QStyledItemDelegate {
public:
    NlbDelegate(NinWin* win, QObject* parent) : QStyledItemDelegate(parent), m_win(win) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        painter->save();
        m_win->nlb_CellBackgroundPaint(*painter, option.rect, index.row(), index.column());
        painter->restore();
        QStyledItemDelegate::paint(painter, option, index);
        if (index.column() < ColumnCount - 1) {
            painter->save();
            painter->setPen(QPen(QColor(0xB4, 0xB4, 0xB4), 0, Qt::DotLine));
            painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
            painter->restore();
        }
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        auto* field = qobject_cast<QLineEdit*>(editor);
        if (field && !m_win->CellAccepts(index.row(), index.column(), field->text()))
            return;
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    NinWin* m_win;
};

} // namespace

NinWin::NinWin() {
    InitDocumentWindow(this, QStringLiteral("NinWin"), QStringLiteral("認識語パターン編集"), 700, 400);
    setMaximumSize(32000, 32000);

    auto* layout = new FixedLayout(this);
    m_nlb = layout->place(new QTableWidget(0, ColumnCount, this), 0, 30, 700, 350, Lock::All);
    m_nlb->setObjectName(QStringLiteral("nlb"));
    QStringList headings;
    for (int c = 0; c < ColumnCount; ++c)
        headings << heading(c);
    m_nlb->setHorizontalHeaderLabels(headings);
    m_nlb->verticalHeader()->hide();
    // Rows as tall as a list box's text line, not the table's roomier default.
    m_nlb->verticalHeader()->setDefaultSectionSize(m_nlb->fontMetrics().height() + 6);
    QHeaderView* header = m_nlb->horizontalHeader();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setHighlightSections(false);
    header->setMinimumSectionSize(1);
    header->setSectionResizeMode(NumberCol, QHeaderView::Fixed);
    header->setSectionResizeMode(IdCol, QHeaderView::Fixed);
    header->resizeSection(NumberCol, 30);
    header->resizeSection(IdCol, 40);
    for (int c = WordCol; c < ColumnCount; ++c)
        header->setSectionResizeMode(c, QHeaderView::Stretch);
    m_nlb->setSelectionMode(QAbstractItemView::SingleSelection);
    m_nlb->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_nlb->setSortingEnabled(false);
    m_nlb->setDragEnabled(false);
    m_nlb->setShowGrid(false);
    m_nlb->setWordWrap(false);
    m_nlb->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_nlb->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_nlb->setItemDelegate(new NlbDelegate(this, m_nlb));

    m_save = layout->place(MakeBevelButton(this, QStringLiteral("SaveBB"), QStringLiteral("保存")), 633, 4, 60, 22,
                           Lock::Top | Lock::Right);
    m_type[0] = layout->place(
        MakeBevelButton(this, ArrayName(QStringLiteral("NinTypeBB"), 0), QStringLiteral("日本語"), true, true), 6, 4,
        60, 22);
    m_type[1] = layout->place(
        MakeBevelButton(this, ArrayName(QStringLiteral("NinTypeBB"), 1), QStringLiteral("英語"), true, false), 70, 4,
        60, 22);
    setTabOrder(m_nlb, m_save);
    setTabOrder(m_save, m_type[0]);
    setTabOrder(m_type[0], m_type[1]);

    connect(m_save, &QPushButton::clicked, this, &NinWin::SaveBB_Action);
    for (int i = 0; i < 2; ++i)
        connect(m_type[i], &QPushButton::clicked, this, [this, i] { NinTypeBB_Action(i); });
}

bool NinWin::nlb_CellBackgroundPaint(QPainter& g, const QRect& cell, int row, int /*column*/) {
    g.fillRect(cell, row % 2 == 0 ? QColor(0xF1, 0xF5, 0xFE) : QColor(0xFF, 0xFF, 0xFF));
    return false;
}

void NinWin::SaveBB_Action() {
    SaveData();
}

void NinWin::NinTypeBB_Action(int index) {
    if (index == mNin) {
        // The click unpressed the shown language; press it again.
        setTypeButtons();
        return;
    }
    // Rows that could not be written stay on screen rather than being dropped by the switch.
    if (save() == Save::Failed) {
        setTypeButtons();
        return;
    }
    mNin = index;
    setTypeButtons();
    if (!Exists(Module1::gNinFile[mNin])) {
        message(QStringLiteral("ファイルがみつかりません..."));
        return;
    }
    LoadData();
}

void NinWin::setTypeButtons() {
    PressOnly(m_type, mNin);
}

void NinWin::LoadData() {
    const FolderItem file = Module1::gNinFile[mNin];
    if (!Exists(file)) {
        message(QStringLiteral("ファイルが見つかりません..."));
        close();
        return;
    }
    const std::optional<QByteArray> bytes = FileIO::ReadAll(*file);
    if (!bytes) {
        message(fileName(file) + QStringLiteral("を読み込めませんでした..."));
        return;
    }
    const NinData::Parsed parsed = NinData::Read(*bytes);
    mDa[mNin] = parsed.head;
    mDb[mNin] = parsed.tail;
    m_lead[mNin] = parsed.lead;
    fill(parsed.rows);
    m_listFile = file;
    m_listNin = mNin;
}

void NinWin::fill(const QList<NinData::Row>& rows) {
    m_nlb->setUpdatesEnabled(false);
    m_nlb->setRowCount(0);
    m_nlb->setRowCount(int(rows.size()));
    const Qt::ItemFlags readOnly = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const Qt::ItemFlags editable = readOnly | Qt::ItemIsEditable;
    for (int i = 0; i < int(rows.size()); ++i) {
        const NinData::Row& r = rows[i];
        const QString texts[ColumnCount] = {QString::number(i + 1), r.id, r.word, r.alt1, r.alt2};
        for (int c = 0; c < ColumnCount; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setFlags(c >= WordCol ? editable : readOnly);
            if (c <= IdCol)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_nlb->setItem(i, c, item);
        }
    }
    m_nlb->setUpdatesEnabled(true);
}

QList<NinData::Row> NinWin::Rows() const {
    QList<NinData::Row> rows;
    const int n = m_nlb->rowCount();
    rows.reserve(n);
    auto text = [this](int r, int c) {
        const QTableWidgetItem* item = m_nlb->item(r, c);
        return item ? item->text() : QString();
    };
    for (int r = 0; r < n; ++r)
        rows.append({text(r, IdCol), text(r, WordCol), text(r, Alt1Col), text(r, Alt2Col)});
    return rows;
}

QString NinWin::rowName(int row) const {
    const QTableWidgetItem* number = m_nlb->item(row, NumberCol);
    const QTableWidgetItem* id = m_nlb->item(row, IdCol);
    return (number ? number->text() : QString::number(row + 1)) + QStringLiteral("行目（ID ") +
           (id ? id->text() : QString()) + QStringLiteral("）");
}

bool NinWin::CellAccepts(int row, int column, const QString& text) {
    if (column < WordCol)
        return true;
    const std::optional<QChar> bad = NinData::ForbiddenChar(text, mNin);
    if (!bad)
        return true;
    // Said once the cell editor has closed: a modal box in the middle of the commit would take the
    // focus from the editor, which then closes under the delegate's feet.
    const QString why = rowName(row) + QStringLiteral("の") + heading(column) + QStringLiteral("に「") + *bad +
                        QStringLiteral("」は使えません...");
    QMetaObject::invokeMethod(
        this, [why] { message(why); }, Qt::QueuedConnection);
    return false;
}

bool NinWin::SaveData() {
    return save() == Save::Written;
}

NinWin::Save NinWin::save() {
    const FolderItem file = Module1::gNinFile[mNin];
    if (!file)
        return Save::NotOurs;
    if (m_listNin != mNin) {
        message(QStringLiteral("この一覧は") + fileName(file) +
                QStringLiteral("から読み込んだものではないため、保存しません..."));
        return Save::NotOurs;
    }
    if (m_listFile != file) {
        message(QStringLiteral("plkフォルダが変更されたため、前のフォルダの一覧は保存しません..."));
        return Save::NotOurs;
    }
    const QList<NinData::Row> rows = Rows();
    for (int r = 0; r < int(rows.size()); ++r) {
        if (const std::optional<NinData::Forbidden> bad = NinData::FirstForbidden(rows[r], mNin)) {
            message(rowName(r) + QStringLiteral("の") + heading(WordCol + bad->word) + QStringLiteral("に「") +
                    bad->character + QStringLiteral("」が含まれているため、保存しません..."));
            return Save::Failed;
        }
    }
    const QByteArray text = NinData::Write(mDa[mNin], m_lead[mNin], mDb[mNin], rows, mNin);
    if (!FileIO::SafeWrite(*file, text)) {
        message(fileName(file) + QStringLiteral("に書き込めませんでした..."));
        return Save::Failed;
    }
    PlkWin::ScriptReload();
    return Save::Written;
}
