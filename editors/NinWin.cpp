#include "NinWin.h"

#include "Controls.h"
#include "FileIO.h"
#include "PageSet.h"
#include "Platform.h"
#include "TextUtil.h"

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
    return column == NumberCol ? QStringLiteral("#") : NinData::FieldName(column - IdCol);
}

QString fileName(const QString& file) {
    return QFileInfo(file).fileName();
}

void message(const QString& text) {
    Platform::get().message(text);
}

QString neitherEncoding(const QString& file) {
    return fileName(file) + QStringLiteral("の文字コードがUTF-8でもShift_JISでもないため、");
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
    // Rows that could not be written stay on screen rather than being dropped by the switch; a list
    // with nothing typed into it loses nothing, and must not keep the other language out of reach.
    if (save() == Save::Failed && edited()) {
        setTypeButtons();
        return;
    }
    mNin = index;
    setTypeButtons();
    if (!QFileInfo::exists(PageSet::chosen().words(PageSet::Language(mNin)))) {
        message(QStringLiteral("ファイルがみつかりません..."));
        return;
    }
    LoadData();
}

void NinWin::setTypeButtons() {
    PressOnly(m_type, mNin);
}

void NinWin::LoadData() {
    const QString file = PageSet::chosen().words(PageSet::Language(mNin));
    if (!QFileInfo::exists(file)) {
        message(QStringLiteral("ファイルが見つかりません..."));
        close();
        return;
    }
    QString why;
    const std::optional<QByteArray> bytes = FileIO::ReadAll(file, &why);
    if (!bytes) {
        message(FileIO::CannotRead(fileName(file), why));
        return;
    }
    // A file in neither encoding is shown as far as it reads, never written: its other bytes would
    // come back as something else.
    const std::optional<TextCodec::Encoding> encoding = TextCodec::Detect(*bytes);
    const NinData::Parsed parsed = NinData::Read(
        encoding ? TextCodec::Decode(*bytes, *encoding) : QString::fromUtf8(*bytes), mNin, fileName(file), encoding);
    m_listFile = file;
    m_listNin = mNin;
    m_encoding = encoding;
    m_base = parsed.rows;
    m_nlb->setRowCount(0);
    fill(parsed.rows);
    if (!encoding)
        message(neitherEncoding(file) + QStringLiteral("この一覧は保存できません..."));
    else if (!parsed.ok())
        message(parsed.refusal);
}

// Sets the list to the rows, reusing the cells it has, so that a save that shows what it wrote
// keeps the place in a long list.
void NinWin::fill(const QList<NinData::Row>& rows) {
    m_nlb->setUpdatesEnabled(false);
    m_nlb->setRowCount(int(rows.size()));
    const Qt::ItemFlags readOnly = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const Qt::ItemFlags editable = m_encoding ? readOnly | Qt::ItemIsEditable : readOnly;
    for (int i = 0; i < int(rows.size()); ++i) {
        const NinData::Row& r = rows[i];
        const QString texts[ColumnCount] = {QString::number(i + 1), r.id, r.word, r.alt1, r.alt2};
        for (int c = 0; c < ColumnCount; ++c) {
            QTableWidgetItem* item = m_nlb->item(i, c);
            if (!item) {
                item = new QTableWidgetItem;
                if (c <= IdCol)
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                m_nlb->setItem(i, c, item);
            }
            if (item->text() != texts[c])
                item->setText(texts[c]);
            item->setFlags(c >= WordCol ? editable : readOnly);
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

bool NinWin::CellAccepts(int row, int column, const QString& text) {
    if (column < WordCol || !m_encoding)
        return true;
    const QTableWidgetItem* id = m_nlb->item(row, IdCol);
    const QString field = NinData::RowName(row, id ? id->text() : QString()) + QStringLiteral("の") + heading(column);
    QString why;
    if (const std::optional<QString> bad = NinData::ForbiddenChar(text, m_listNin < 0 ? mNin : m_listNin))
        why = field + QStringLiteral("に") + TextUtil::Shown(*bad) + QStringLiteral("は使えません...");
    else if (const std::optional<QString> c = TextCodec::FirstUncarriable(text, *m_encoding))
        why = field + QStringLiteral("の") + TextUtil::Shown(*c) + QStringLiteral("は") + TextCodec::Name(*m_encoding) +
              QStringLiteral("の") + fileName(m_listFile) + QStringLiteral("には書けません...");
    else
        return true;
    // Said once the cell editor has closed: a modal box in the middle of the commit would take the
    // focus from the editor, which then closes under the delegate's feet.
    QMetaObject::invokeMethod(
        this, [why] { message(why); }, Qt::QueuedConnection);
    return false;
}

bool NinWin::SaveData() {
    return save() == Save::Written;
}

// Writes the list's rows into the file they were read from, as that file is now: rows that another
// program changed and the user did not are kept, and the list then shows what the file holds.
NinWin::Save NinWin::save() {
    if (m_listNin < 0) {
        const QString shownFile = PageSet::chosen().words(PageSet::Language(mNin));
        if (!shownFile.isEmpty())
            message(QStringLiteral("この一覧は") + fileName(shownFile) +
                    QStringLiteral("から読み込んだものではないため、保存しません..."));
        return Save::NotOurs;
    }
    const int language = m_listNin;
    const QString file = m_listFile;
    PageSet& set = PageSet::chosen();
    const QString& setFile = set.words(PageSet::Language(language));
    if (setFile.isEmpty())
        return Save::NotOurs;
    if (setFile != file) {
        message(QStringLiteral("plkフォルダが変更されたため、前のフォルダの一覧は保存しません..."));
        return Save::NotOurs;
    }
    if (!m_encoding) {
        message(neitherEncoding(file) + QStringLiteral("保存しません..."));
        return Save::Failed;
    }
    NinData::SaveResult written;
    const QString failure =
        set.rewrite(PageSet::wordsEntry(PageSet::Language(language)), [&](const QByteArray& now, QString* refusal) {
            written = NinData::Save(now, m_base, Rows(), language, fileName(file));
            *refusal = written.refusal;
            return written.bytes;
        });
    if (!failure.isEmpty()) {
        message(failure);
        return Save::Failed;
    }
    m_encoding = TextCodec::Detect(*written.bytes);
    m_base = written.rows;
    fill(written.rows);
    return Save::Written;
}
