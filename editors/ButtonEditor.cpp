#include "ButtonEditor.h"

#include "Controls.h"
#include "FileIO.h"
#include "Messages.h"
#include "PageSet.h"
#include "Platform.h"
#include "TextUtil.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

using ButtonDataFile::WordList;

namespace {
void applyFont(QWidget* w, int size, bool bold = false) {
    w->setFont(layoutFont(w->font(), size, bold));
}

QLineEdit* makeField(QWidget* parent, const char* name) {
    auto* f = new QLineEdit(parent);
    f->setObjectName(QString::fromLatin1(name));
    applyFont(f, 11);
    return f;
}

QLabel* makeLabel(QWidget* parent, const char* name, const char* text, int pointSize, bool bold) {
    QLabel* l = makeLabel(parent, QString::fromLatin1(name), QString::fromUtf8(text));
    applyFont(l, pointSize, bold);
    return l;
}

QPushButton* makePush(QWidget* parent, const char* name, const char* caption) {
    QPushButton* b = makeButton(parent, QString::fromLatin1(name), QString::fromUtf8(caption));
    applyFont(b, 12);
    return b;
}

// A recognition label as the row stores it: its blanks made "-" (the robot's phrases keep theirs).
QString storedLabel(const QLineEdit* field) {
    return QString(field->text()).replace(u' ', u'-');
}

// The messages, in one place.
namespace message {
QString notANumber(const QString& field) {
    return QStringLiteral("%1には、空欄、0、または0で始まらない15桁までの数字を入力して下さい...").arg(field);
}

QString unquotable(const QString& field, const QString& piece) {
    return QStringLiteral("%1には ' \\ や改行は使えません（%2）...").arg(field, TextUtil::shown(piece));
}

// The file declares one of the arrays, or neither: those buttons are shown, and saved, empty.
QString undeclared(const QString& file, bool recognition, bool robot) {
    const QString missing = !recognition && !robot ? QStringLiteral("ctrlbtndataとctrlbtnRobi")
                            : !recognition         ? QStringLiteral("ctrlbtndata")
                                                   : QStringLiteral("ctrlbtnRobi");
    return QStringLiteral("%1には%2のデータがないため、そのボタンを空欄で表示します。保存すると空欄のまま書き込まれま"
                          "す...")
        .arg(file, missing);
}
} // namespace message

// The pad: rows of 2, 3, 3, 3 and 2 buttons, the captions bank A's Japanese labels.
struct PadPlace {
    int left, top, width;
    const char* caption;
};
constexpr PadPlace kPadPlaces[13] = {{20, 122, 155, "立って"}, {190, 122, 155, "座って"}, {20, 167, 100, "左"},
                                     {135, 167, 100, "前進"},  {245, 167, 100, "右"},     {20, 212, 100, "左"},
                                     {135, 212, 100, "停止"},  {245, 212, 100, "右"},     {20, 257, 100, "左"},
                                     {135, 257, 100, "後退"},  {245, 257, 100, "右"},     {20, 302, 155, "+"},
                                     {190, 302, 155, "-"}};

} // namespace

ButtonEditor::ButtonEditor() {
    initWindow(this, QStringLiteral("ButtonEditor"), QStringLiteral("ボタンカスタマイズ設定"), 792, 415,
               Qt::WindowFullscreenButtonHint);
    setMaximumSize(32000, 32000);
    auto* layout = new FixedLayout(this);

    // The steps the user follows, numbered on the controls.
    layout->place(makeLabel(this, "loadStepLabel", "1, データ自動読込み", 12, true), 20, 18, 120, 20);
    m_loadFileButton = layout->place(makePush(this, "loadFileButton", "1, 読込み"), 147, 20, 75, 20);
    m_loadFileButton->setVisible(false);
    m_saveButton = layout->place(makePush(this, "saveButton", "6, 完成したら保存"), 228, 20, 117, 20);
    layout->place(makeLabel(this, "chooseStepLabel", "2, 変更したいボタンを選択：", 12, true), 20, 47, 171, 20);

    const char* typeCaptions[3] = {"認識(日)", "認識(英)", "ロビ"};
    const int typeLefts[3] = {20, 135, 245};
    for (int i = 0; i < 3; ++i) {
        m_typeButtons[i] = layout->place(makeClickButton(this, indexedName(QStringLiteral("typeButton"), i),
                                                         QString::fromUtf8(typeCaptions[i]), true, i == 0),
                                         typeLefts[i], 74, 100, 40);
        connect(m_typeButtons[i], &QPushButton::clicked, this, [this, i] { chooseType(i); });
    }
    for (int i = 0; i < 13; ++i) {
        const PadPlace& p = kPadPlaces[i];
        m_padButtons[i] = layout->place(makeClickButton(this, indexedName(QStringLiteral("padButton"), i),
                                                        QString::fromUtf8(p.caption), true, i == 0),
                                        p.left, p.top, p.width, 40);
        connect(m_padButtons[i], &QPushButton::clicked, this, [this, i] { choosePad(i); });
    }
    const char* bankCaptions[4] = {"A", "B", "C", "D"};
    for (int i = 0; i < 4; ++i) {
        m_bankButtons[i] = layout->place(makeClickButton(this, indexedName(QStringLiteral("bankButton"), i),
                                                         QString::fromLatin1(bankCaptions[i]), true, i == 0),
                                         20 + 85 * i, 352, 70, 36);
        connect(m_bankButtons[i], &QPushButton::clicked, this, [this, i] { chooseBank(i); });
    }

    m_storeButton = layout->place(makePush(this, "storeButton", "5, 決定（以下の値をセットする）"), 404, 15, 235, 20);
    layout->place(makeLabel(this, "editStepLabel", "4, 認識の名称などを編集：", 12, true), 394, 47, 353, 20);
    layout->place(makeLabel(this, "idLabel", "ID", 11, false), 407, 72, 60, 20);
    m_idField = layout->place(makeField(this, "idField"), 467, 72, 80, 22);
    m_secondsField = layout->place(makeField(this, "secondsField"), 577, 72, 80, 22);
    layout->place(makeLabel(this, "secondsLabel", "秒", 11, false), 669, 72, 60, 20);
    m_japaneseLabel = layout->place(makeLabel(this, "japaneseLabel", "認識(日)", 11, false), 407, 99, 60, 20);
    m_japaneseField = layout->place(makeField(this, "japaneseField"), 466, 99, 268, 22);
    m_englishLabel = layout->place(makeLabel(this, "englishLabel", "認識(英)", 11, false), 407, 125, 60, 20);
    m_englishField = layout->place(makeField(this, "englishField"), 466, 125, 268, 22);
    layout->place(makeLabel(this, "listStepLabel", "3, 変更したいボイスをリストから選択してダブルクリック：", 12, true),
                  394, 162, 353, 20);
    m_takeWordButton = layout->place(
        makePush(this, "takeWordButton", "上の欄にセットする（リストをダブルクリックでも可能）"), 407, 186, 372, 20);
    m_takeWordButton->setEnabled(false);

    m_wordList = layout->place(new QTreeWidget(this), 404, 211, 375, 192);
    m_wordList->setObjectName(QStringLiteral("wordList"));
    applyFont(m_wordList, 11);
    m_wordList->setColumnCount(4);
    m_wordList->setHeaderLabels(
        {QStringLiteral("ID"), QStringLiteral("秒"), QStringLiteral("日本語"), QStringLiteral("英語")});
    m_wordList->setRootIsDecorated(false);
    m_wordList->setItemsExpandable(false);
    m_wordList->setUniformRowHeights(true);
    m_wordList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_wordList->setDragEnabled(false);
    m_wordList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_wordList->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_wordList->header()->setSectionResizeMode(QHeaderView::Fixed);
    m_wordList->header()->setSectionsMovable(false);
    m_wordList->header()->setStretchLastSection(true);
    m_wordList->setColumnWidth(0, 35);
    m_wordList->setColumnWidth(1, 35);
    m_wordList->setColumnWidth(2, (375 - 70) / 2);
    connect(m_wordList, &QTreeWidget::itemSelectionChanged, this, &ButtonEditor::updateTakeButton);
    connect(m_wordList, &QTreeWidget::itemDoubleClicked, this, &ButtonEditor::takeWord);

    connect(m_takeWordButton, &QPushButton::clicked, this, &ButtonEditor::takeWord);
    connect(m_storeButton, &QPushButton::clicked, this, &ButtonEditor::store);
    connect(m_saveButton, &QPushButton::clicked, this, &ButtonEditor::save);
    connect(m_loadFileButton, &QPushButton::clicked, this, &ButtonEditor::loadOtherFile);

    QList<QWidget*> order;
    for (QPushButton* b : m_bankButtons)
        order << b;
    for (QPushButton* b : m_padButtons)
        order << b;
    for (QPushButton* b : m_typeButtons)
        order << b;
    order << m_saveButton << m_idField << m_secondsField << m_japaneseField << m_takeWordButton << m_englishField
          << m_wordList << m_storeButton;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    // The built-in data until the palette loads the page set's file.
    fillWordList();
    ButtonDataFile::readTables(ButtonDataFile::defaultButtonData(), m_recognition, m_robot);
    showCaptions();
}

void ButtonEditor::chooseType(int index) {
    pressOnly(m_typeButtons, index);
    m_type = ButtonDataFile::WordList(index);
    showCaptions();
    showFields();
    fillWordList();
}

void ButtonEditor::chooseBank(int index) {
    pressOnly(m_bankButtons, index);
    m_bank = index;
    showCaptions();
    showFields();
}

void ButtonEditor::choosePad(int index) {
    pressOnly(m_padButtons, index);
    m_pad = index;
    showFields();
}

void ButtonEditor::showCaptions() {
    for (int i = 0; i < ButtonDataFile::kPads; ++i) {
        const int r = m_bank * ButtonDataFile::kPads + i;
        const QString caption = m_type == WordList::Robot
                                    ? m_robot[2].value(r)
                                    : m_recognition[m_type == WordList::Japanese ? 1 : 2].value(r);
        m_padButtons[i]->setText(literalCaption(caption));
    }
}

void ButtonEditor::showFields() {
    const int r = selectedRow();
    if (m_type == WordList::Robot) {
        m_idField->setText(m_robot[0].value(r));
        m_secondsField->setText(m_robot[1].value(r));
        m_secondsField->setEnabled(true);
        m_japaneseField->setText(m_robot[2].value(r));
        m_japaneseLabel->setText(QStringLiteral("ロビ語"));
        m_englishLabel->setVisible(false);
        m_englishField->setVisible(false);
    } else {
        m_idField->setText(m_recognition[0].value(r));
        m_secondsField->setText(QString());
        m_secondsField->setEnabled(false);
        m_japaneseField->setText(m_recognition[1].value(r));
        m_japaneseLabel->setText(QStringLiteral("認識(日)"));
        m_englishField->setText(m_recognition[2].value(r));
        m_englishLabel->setVisible(true);
        m_englishField->setVisible(true);
    }
}

void ButtonEditor::fillWordList() {
    m_wordList->clear();
    if (m_type == WordList::Robot) {
        m_wordList->setColumnCount(3);
        m_wordList->setHeaderLabels({QStringLiteral("ID"), QStringLiteral("秒"), QStringLiteral("ロビ語")});
    } else {
        m_wordList->setColumnCount(4);
        m_wordList->setHeaderLabels(
            {QStringLiteral("ID"), QStringLiteral("秒"), QStringLiteral("日本語"), QStringLiteral("英語")});
    }
    m_wordList->setColumnWidth(0, 35);
    m_wordList->setColumnWidth(1, 35);
    if (m_type != WordList::Robot)
        m_wordList->setColumnWidth(2, (m_wordList->width() - 70) / 2);
    const QList<QStringList> rows =
        ButtonDataFile::listRows(m_type, ButtonDataFile::japaneseWordList(), ButtonDataFile::englishWordList(),
                                 ButtonDataFile::robotPhraseList());
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.size());
    for (const QStringList& row : rows)
        items.append(new QTreeWidgetItem(row));
    m_wordList->addTopLevelItems(items);
    m_wordList->clearSelection();
    m_wordList->setCurrentItem(nullptr);
}

int ButtonEditor::selectedWordRow() const {
    const QList<QTreeWidgetItem*> selected = m_wordList->selectedItems();
    return selected.isEmpty() ? -1 : m_wordList->indexOfTopLevelItem(selected.first());
}

void ButtonEditor::updateTakeButton() {
    m_takeWordButton->setEnabled(selectedWordRow() >= 0);
}

void ButtonEditor::takeWord() {
    const int row = selectedWordRow();
    const QTreeWidgetItem* item = row < 0 ? nullptr : m_wordList->topLevelItem(row);
    if (!item)
        return;
    m_idField->setText(item->text(0));
    m_secondsField->setText(item->text(1));
    m_japaneseField->setText(item->text(2));
    m_englishField->setText(item->text(3));
}

QString ButtonEditor::refusedField() const {
    struct Field {
        QString name;
        QString value;
        bool number;
    };
    // What is checked is what would be stored.
    QList<Field> fields = {{QStringLiteral("ID"), m_idField->text(), true}};
    if (m_type == WordList::Robot)
        fields << Field{QStringLiteral("秒"), m_secondsField->text(), true}
               << Field{QStringLiteral("ロビ語"), m_japaneseField->text(), false};
    else
        fields << Field{QStringLiteral("認識(日)"), storedLabel(m_japaneseField), false}
               << Field{QStringLiteral("認識(英)"), storedLabel(m_englishField), false};
    for (const Field& f : fields) {
        const std::optional<ButtonDataFile::CellFault> bad = ButtonDataFile::checkCell(f.value, f.number, m_encoding);
        if (!bad)
            continue;
        switch (bad->fault) {
        case ButtonDataFile::Fault::Number:
            return message::notANumber(f.name);
        case ButtonDataFile::Fault::Character:
            return message::unquotable(f.name, bad->what);
        case ButtonDataFile::Fault::Encoding:
            return Messages::cannotCarry(f.name, bad->what, *m_encoding, m_fileName) + QStringLiteral("...");
        }
    }
    return {};
}

void ButtonEditor::store() {
    // Text the format cannot carry would cost the entry on the next read, or break the page.
    const QString refused = refusedField();
    if (!refused.isEmpty()) {
        Platform::get().message(refused);
        return;
    }
    const int r = selectedRow();
    ButtonDataFile::Table& table = m_type == WordList::Robot ? m_robot : m_recognition;
    if (r >= table[0].size())
        return;
    table[0][r] = m_idField->text();
    if (m_type == WordList::Robot) {
        table[1][r] = m_secondsField->text();
        table[2][r] = m_japaneseField->text();
    } else {
        table[1][r] = storedLabel(m_japaneseField);
        table[2][r] = storedLabel(m_englishField);
    }
    showCaptions();
}

void ButtonEditor::save() {
    PageSet& set = PageSet::chosen();
    if (set.buttonData().isEmpty())
        return;
    // Tables that stand for a file the editor could not read are not the file's data.
    if (!m_loadRefusal.isEmpty()) {
        Platform::get().message(m_loadRefusal);
        return;
    }
    const QString name = QFileInfo(set.buttonData()).fileName();
    const QString failure = set.rewrite(PageSet::Entry::ButtonData, [&](const QByteArray& now, QString* refusal) {
        ButtonDataFile::SaveResult saved =
            ButtonDataFile::save(now, m_recognition, m_robot, name, set.pageEncoding(), &m_parsed);
        *refusal = saved.refusal;
        return saved.bytes;
    });
    if (!failure.isEmpty())
        Platform::get().message(failure);
}

void ButtonEditor::showTables(const ButtonDataFile::Reading& reading, const QString& fileName) {
    m_fileName = fileName;
    m_recognition = reading.recognition;
    m_robot = reading.robot;
    showCaptions();
    showFields();
}

QString ButtonEditor::loadFrom(const QString& path, bool pageSetFile) {
    const QString name = QFileInfo(path).fileName();
    FileIO::Failure failure;
    const std::optional<QByteArray> bytes = FileIO::readAll(path, &failure);
    ButtonDataFile::Reading reading =
        ButtonDataFile::readFile(bytes.value_or(QByteArray()), name, PageSet::chosen().pageEncoding());
    if (!bytes)
        reading.refusal = Messages::cannotRead(name, failure);
    // Another file that cannot be read leaves the tables as they were. The page set's own shows
    // empty buttons then, never other data as if it were the file's.
    if (!reading.ok()) {
        if (pageSetFile)
            showTables(reading, name);
        Platform::get().message(reading.refusal);
        return reading.refusal;
    }
    showTables(reading, name);
    m_encoding = reading.encoding;
    m_parsed = reading.parsed;
    if (!pageSetFile)
        return {};
    // Said now rather than only at the save: the page shows the file garbled, or what keeps it from
    // being saved.
    if (!reading.notice.isEmpty())
        Platform::get().message(reading.notice);
    if (!reading.saveRefusal.isEmpty()) {
        Platform::get().message(reading.saveRefusal);
    } else if (!reading.declared[0] || !reading.declared[1]) {
        Platform::get().message(message::undeclared(name, reading.declared[0], reading.declared[1]));
    }
    return {};
}

void ButtonEditor::load() {
    const QString& file = PageSet::chosen().buttonData();
    if (!QFileInfo::exists(file))
        return;
    m_loadRefusal = loadFrom(file, true);
}

void ButtonEditor::loadOtherFile() {
    // Data loaded from another file may be saved into the page set's; what could not be read may not.
    if (const std::optional<QString> path = Platform::get().chooseFile(QStringLiteral("jsfile (*.js)")))
        if (loadFrom(*path, false).isEmpty())
            m_loadRefusal.clear();
}
