#include "WordEditor.h"

#include "Controls.h"
#include "FileIO.h"
#include "Messages.h"
#include "PageSet.h"
#include "Platform.h"
#include "ScriptCheck.h"
#include "TextUtil.h"
#include "WordListModel.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>

namespace {

constexpr int kColumnCount = WordListModel::ColumnCount;

QString fileName(const QString& file) {
    return QFileInfo(file).fileName();
}

void tell(const QString& text) {
    Platform::get().message(text);
}

// The messages, in one place.
namespace message {
// The shown language's file is gone. The two texts differ in one character, み at a switch and 見
// at a load, and stay so: each is the text users know for its case. A file gone at any other step
// is named, with 見つかりません (Messages::cannotRead, Messages::cannotWrite).
QString switchedToMissing() {
    return QStringLiteral("ファイルがみつかりません...");
}

QString missing() {
    return QStringLiteral("ファイルが見つかりません...");
}

QString unquotable(const QString& field, const QString& piece) {
    return QStringLiteral("%1に%2は使えません...").arg(field, TextUtil::shown(piece));
}

QString notReadFrom(const QString& file) {
    return QStringLiteral("この一覧は%1から読み込んだものではないため、保存しません...").arg(fileName(file));
}

QString otherFolder(const QString& folder, const QString& file) {
    return QStringLiteral("この一覧はplkフォルダ「%1」の%2から読み込んだものですが、plkフォルダが変更されたため、"
                          "保存も言語の切り替えもしません。一覧はそのまま残します。保存するには、plkフォルダを"
                          "「%1」に戻してから保存して下さい...")
        .arg(QDir::toNativeSeparators(folder), fileName(file));
}
} // namespace message

} // namespace

// Paints the striped cells and the dotted column lines, and keeps texts the file cannot carry
// out of the cells.
class WordDelegate : public QStyledItemDelegate {
public:
    WordDelegate(WordEditor* win, QObject* parent) : QStyledItemDelegate(parent), m_win(win) {}
    // The window is going: a cell editor still open is closed without its text.
    void detach() { m_win = nullptr; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        painter->fillRect(option.rect, index.row() % 2 == 0 ? QColor(0xF1, 0xF5, 0xFE) : QColor(0xFF, 0xFF, 0xFF));
        QStyledItemDelegate::paint(painter, option, index);
        if (index.column() < kColumnCount - 1) {
            painter->save();
            painter->setPen(QPen(QColor(0xB4, 0xB4, 0xB4), 0, Qt::DotLine));
            painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
            painter->restore();
        }
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        auto* field = qobject_cast<QLineEdit*>(editor);
        if (!m_win)
            return;
        if (field && !m_win->cellTakes(index.row(), index.column(), field->text()))
            return;
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    WordEditor* m_win;
};

WordEditor::WordEditor() {
    initWindow(this, QStringLiteral("WordEditor"), QStringLiteral("認識語パターン編集"), 700, 400);
    setMaximumSize(32000, 32000);

    auto* layout = new FixedLayout(this);
    m_list = layout->place(new QTableView(this), 0, 30, 700, 350, Lock::All);
    m_list->setObjectName(QStringLiteral("wordList"));
    m_model = new WordListModel(m_list);
    m_list->setModel(m_model);
    m_list->verticalHeader()->hide();
    // Rows as tall as a line of text in a list, not the table's roomier default.
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    QHeaderView* header = m_list->horizontalHeader();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setHighlightSections(false);
    header->setMinimumSectionSize(1);
    header->setSectionResizeMode(WordListModel::NumberCol, QHeaderView::Fixed);
    header->setSectionResizeMode(WordListModel::IdCol, QHeaderView::Fixed);
    header->resizeSection(WordListModel::NumberCol, 30);
    header->resizeSection(WordListModel::IdCol, 40);
    for (int c = WordListModel::WordCol; c < kColumnCount; ++c)
        header->setSectionResizeMode(c, QHeaderView::Stretch);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSortingEnabled(false);
    m_list->setDragEnabled(false);
    m_list->setShowGrid(false);
    m_list->setWordWrap(false);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_delegate = new WordDelegate(this, m_list);
    m_list->setItemDelegate(m_delegate);

    m_save = layout->place(makeClickButton(this, QStringLiteral("saveButton"), QStringLiteral("保存")), 633, 4, 60, 22,
                           Lock::Top | Lock::Right);
    m_languageButtons[0] = layout->place(
        makeClickButton(this, QStringLiteral("japaneseButton"), QStringLiteral("日本語"), true, true), 6, 4, 60, 22);
    m_languageButtons[1] = layout->place(
        makeClickButton(this, QStringLiteral("englishButton"), QStringLiteral("英語"), true, false), 70, 4, 60, 22);
    setTabOrder(m_list, m_save);
    setTabOrder(m_save, m_languageButtons[0]);
    setTabOrder(m_languageButtons[0], m_languageButtons[1]);

    connect(m_save, &QPushButton::clicked, this, &WordEditor::save);
    for (const PageSet::Language language : {PageSet::Language::Japanese, PageSet::Language::English})
        connect(languageButton(language), &QPushButton::clicked, this, [this, language] { chooseLanguage(language); });
}

WordEditor::~WordEditor() {
    m_delegate->detach();
}

void WordEditor::chooseLanguage(PageSet::Language language) {
    if (language == m_language) {
        // The click unpressed the shown language; press it again.
        pressLanguageButton();
        return;
    }
    // Rows that could not be written stay on screen rather than being dropped by the switch; a list
    // with nothing typed into it loses nothing, and must not keep the other language out of reach.
    if (write() == Outcome::Failed && edited()) {
        pressLanguageButton();
        return;
    }
    m_language = language;
    pressLanguageButton();
    if (!QFileInfo::exists(PageSet::chosen().words(m_language))) {
        tell(message::switchedToMissing());
        return;
    }
    load();
}

void WordEditor::pressLanguageButton() {
    pressOnly(m_languageButtons, int(m_language));
}

void WordEditor::load() {
    const QString file = PageSet::chosen().words(m_language);
    if (!QFileInfo::exists(file)) {
        tell(message::missing());
        close();
        return;
    }
    FileIO::Failure failure;
    std::optional<QByteArray> bytes = FileIO::readAll(file, &failure);
    if (!bytes) {
        tell(Messages::cannotRead(fileName(file), failure));
        return;
    }
    // The list is replaced from here on: its rows go now, so that a big file is not held twice.
    m_model->setRows({}, false);
    m_known = WordFile::Known();
    // A file in neither encoding is shown as far as it reads, never written: its other bytes would
    // come back as something else. An all-ASCII file takes the page's encoding.
    const std::optional<TextCodec::Encoding> page = PageSet::chosen().pageEncoding();
    const TextCodec::FileEncoding fileEncoding = TextCodec::forFile(*bytes, page);
    const std::optional<TextCodec::Encoding> encoding = fileEncoding.encoding;
    QString text = encoding ? TextCodec::decode(*bytes, *encoding) : QString::fromUtf8(*bytes);
    const QByteArray digest = WordFile::digest(*bytes);
    bytes.reset();  // the text is all that is read from here on
    text.squeeze(); // decoded into room for as many characters as bytes
    WordFile::Parsed parsed = WordFile::read(text, m_language, fileName(file), encoding);
    // A script the page cannot run gives it no words at all: nothing of it is shown.
    if (const std::optional<ScriptCheck::SyntaxError> broken = WordFile::checkScript(text, parsed)) {
        parsed = WordFile::Parsed();
        parsed.refusal = Messages::scriptDoesNotParse(fileName(file), broken->line, broken->message);
    }
    m_listFile = file;
    m_listFolder = PageSet::chosen().files().folder;
    m_listLanguage = m_language;
    m_encoding = encoding;
    m_refusal = parsed.refusal;
    m_model->setRows(parsed.rows, encoding.has_value());
    if (encoding && parsed.ok())
        m_known = WordFile::known(digest, *encoding, parsed);
    if (!encoding)
        tell(Messages::neitherEncoding(fileName(file), QStringLiteral("、この一覧は保存できません...")));
    else if (!parsed.ok())
        tell(parsed.refusal);
    else if (fileEncoding.differsFromPage && page)
        tell(Messages::pageShowsGarbled(fileName(file), *encoding, *page));
}

const QList<WordFile::Row>& WordEditor::rows() const {
    return m_model->rows();
}

// The rows as last read or written are what the user changed since, and what a save merges into the
// file as it then is: the model keeps those of the rows edited.
bool WordEditor::edited() const {
    return m_model->edited();
}

QString WordEditor::cellRefusal(int row, int column, const QString& text) const {
    if (column < WordListModel::WordCol || !m_encoding || row < 0 || row >= rows().size())
        return QString();
    const QString field =
        QStringLiteral("%1の%2").arg(WordFile::rowName(row, rows()[row].id), WordListModel::heading(column));
    if (const std::optional<QString> bad = WordFile::forbiddenChar(text, m_listLanguage.value_or(m_language)))
        return message::unquotable(field, *bad);
    if (const std::optional<QString> c = TextCodec::firstUncarriable(text, *m_encoding))
        return Messages::cannotCarry(field, *c, *m_encoding, fileName(m_listFile)) + QStringLiteral("...");
    return QString();
}

bool WordEditor::cellTakes(int row, int column, const QString& text) {
    const QString why = cellRefusal(row, column, text);
    if (why.isEmpty())
        return true;
    const QPersistentModelIndex index(m_model->index(row, column));
    const QString file = m_listFile;
    // Said once the cell editor has closed: a modal box in the middle of the commit would take the
    // focus from the editor, which then closes under the delegate's feet.
    QMetaObject::invokeMethod(
        this,
        [this, why, index, text, file] {
            tell(why);
            // The typed text comes back for correcting, unless the list was read anew meanwhile.
            if (!index.isValid() || file != m_listFile)
                return;
            m_list->setCurrentIndex(index);
            m_list->edit(index);
            if (auto* editor = qobject_cast<QLineEdit*>(m_list->indexWidget(index)))
                editor->setText(text);
        },
        Qt::QueuedConnection);
    return false;
}

bool WordEditor::save() {
    const Outcome outcome = write();
    return outcome == Outcome::Written || outcome == Outcome::Unchanged;
}

// Writes the list's rows into the file they were read from, as that file is now: rows that another
// program changed and the user did not are kept, and the list then shows what the file holds.
// A list the user did not change writes nothing.
WordEditor::Outcome WordEditor::write() {
    if (!m_listLanguage) {
        const QString shownFile = PageSet::chosen().words(m_language);
        if (!shownFile.isEmpty())
            tell(message::notReadFrom(shownFile));
        return Outcome::NotOurs;
    }
    const PageSet::Language language = *m_listLanguage;
    const QString file = m_listFile;
    PageSet& set = PageSet::chosen();
    const QString& setFile = set.words(language);
    if (setFile.isEmpty())
        return Outcome::NotOurs;
    if (setFile != file) {
        if (!edited())
            return Outcome::NotOurs;
        // Typed rows stay on screen: the switch stops too.
        tell(message::otherFolder(m_listFolder, file));
        return Outcome::Failed;
    }
    if (!m_encoding) {
        tell(Messages::neitherEncoding(fileName(file), QStringLiteral("、保存しません...")));
        return Outcome::Failed;
    }
    if (!m_refusal.isEmpty()) {
        tell(m_refusal);
        return Outcome::Failed;
    }
    if (!edited())
        return Outcome::Unchanged;
    const std::optional<TextCodec::Encoding> page = set.pageEncoding();
    WordFile::SaveResult written;
    const QString failure = set.rewrite(PageSet::wordsEntry(language), [&](const QByteArray& now, QString* refusal) {
        written = WordFile::saveEdits(now, m_model->before(), rows(), language, fileName(file), page, m_known);
        *refusal = written.refusal;
        return written.bytes;
    });
    if (!failure.isEmpty()) {
        tell(failure);
        return Outcome::Failed;
    }
    m_model->setRows(written.rows, true);
    written.rows = {};
    m_known = written.known;
    if (written.unchanged)
        return Outcome::Unchanged;
    m_encoding = TextCodec::forFile(*written.bytes, page).encoding;
    return Outcome::Written;
}
