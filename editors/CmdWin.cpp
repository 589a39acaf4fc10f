#include "CmdWin.h"

#include "Controls.h"
#include "FileIO.h"
#include "PageSet.h"
#include "Platform.h"
#include "TextUtil.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {
void applyFont(QWidget* w, int size, bool bold = false) {
    w->setFont(LayoutFont(w->font(), size, bold));
}

QLineEdit* makeField(QWidget* parent, const char* name) {
    auto* f = new QLineEdit(parent);
    f->setObjectName(QString::fromLatin1(name));
    applyFont(f, 11);
    return f;
}

QLabel* makeLabel(QWidget* parent, const char* name, const char* text, int pointSize, bool bold) {
    QLabel* l = MakeLabel(parent, QString::fromLatin1(name), QString::fromUtf8(text));
    applyFont(l, pointSize, bold);
    return l;
}

QPushButton* makePush(QWidget* parent, const char* name, const char* caption) {
    QPushButton* b = MakePushButton(parent, QString::fromLatin1(name), QString::fromUtf8(caption));
    applyFont(b, 12);
    return b;
}

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

CmdWin::CmdWin() {
    InitDocumentWindow(this, QStringLiteral("CmdWin"), QStringLiteral("ボタンカスタマイズ設定"), 792, 415,
                       Qt::WindowFullscreenButtonHint);
    setMaximumSize(32000, 32000);
    auto* layout = new FixedLayout(this);

    Label1 = layout->place(makeLabel(this, "Label1", "1, データ自動読込み", 12, true), 20, 18, 120, 20);
    LoadPB = layout->place(makePush(this, "LoadPB", "1, 読込み"), 147, 20, 75, 20);
    LoadPB->setVisible(false);
    SavePB = layout->place(makePush(this, "SavePB", "6, 完成したら保存"), 228, 20, 117, 20);
    Label2 = layout->place(makeLabel(this, "Label2", "2, 変更したいボタンを選択：", 12, true), 20, 47, 171, 20);

    const char* typeCaptions[3] = {"認識(日)", "認識(英)", "ロビ"};
    const int typeLefts[3] = {20, 135, 245};
    for (int i = 0; i < 3; ++i) {
        m_type[i] = layout->place(MakeBevelButton(this, ArrayName(QStringLiteral("TypeBB"), i),
                                                  QString::fromUtf8(typeCaptions[i]), true, i == 0),
                                  typeLefts[i], 74, 100, 40);
        connect(m_type[i], &QPushButton::clicked, this, [this, i] { TypeBB_Action(i); });
    }
    for (int i = 0; i < 13; ++i) {
        const PadPlace& p = kPadPlaces[i];
        m_pad[i] = layout->place(
            MakeBevelButton(this, ArrayName(QStringLiteral("PadBB"), i), QString::fromUtf8(p.caption), true, i == 0),
            p.left, p.top, p.width, 40);
        connect(m_pad[i], &QPushButton::clicked, this, [this, i] { PadBB_Action(i); });
    }
    const char* bankCaptions[4] = {"A", "B", "C", "D"};
    for (int i = 0; i < 4; ++i) {
        m_bank[i] = layout->place(MakeBevelButton(this, ArrayName(QStringLiteral("BankBB"), i),
                                                  QString::fromLatin1(bankCaptions[i]), true, i == 0),
                                  20 + 85 * i, 352, 70, 36);
        connect(m_bank[i], &QPushButton::clicked, this, [this, i] { BankBB_Action(i); });
    }

    PushButton3 = layout->place(makePush(this, "PushButton3", "5, 決定（以下の値をセットする）"), 404, 15, 235, 20);
    Label6 = layout->place(makeLabel(this, "Label6", "4, 認識の名称などを編集：", 12, true), 394, 47, 353, 20);
    Label3 = layout->place(makeLabel(this, "Label3", "ID", 11, false), 407, 72, 60, 20);
    IdTF = layout->place(makeField(this, "IdTF"), 467, 72, 80, 22);
    SecTF = layout->place(makeField(this, "SecTF"), 577, 72, 80, 22);
    Label4 = layout->place(makeLabel(this, "Label4", "秒", 11, false), 669, 72, 60, 20);
    NinLvJ = layout->place(makeLabel(this, "NinLvJ", "認識(日)", 11, false), 407, 99, 60, 20);
    NinTFJ = layout->place(makeField(this, "NinTFJ"), 466, 99, 268, 22);
    NinLvE = layout->place(makeLabel(this, "NinLvE", "認識(英)", 11, false), 407, 125, 60, 20);
    NinTFE = layout->place(makeField(this, "NinTFE"), 466, 125, 268, 22);
    Label5 =
        layout->place(makeLabel(this, "Label5", "3, 変更したいボイスをリストから選択してダブルクリック：", 12, true),
                      394, 162, 353, 20);
    LoadWordPB = layout->place(makePush(this, "LoadWordPB", "上の欄にセットする（リストをダブルクリックでも可能）"),
                               407, 186, 372, 20);
    LoadWordPB->setEnabled(false);

    nlb = layout->place(new QTreeWidget(this), 404, 211, 375, 192);
    nlb->setObjectName(QStringLiteral("nlb"));
    applyFont(nlb, 11);
    nlb->setColumnCount(4);
    nlb->setHeaderLabels(
        {QStringLiteral("ID"), QStringLiteral("秒"), QStringLiteral("日本語"), QStringLiteral("英語")});
    nlb->setRootIsDecorated(false);
    nlb->setItemsExpandable(false);
    nlb->setUniformRowHeights(true);
    nlb->setSelectionMode(QAbstractItemView::SingleSelection);
    nlb->setDragEnabled(false);
    nlb->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    nlb->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    nlb->header()->setSectionResizeMode(QHeaderView::Fixed);
    nlb->header()->setSectionsMovable(false);
    nlb->header()->setStretchLastSection(true);
    nlb->setColumnWidth(0, 35);
    nlb->setColumnWidth(1, 35);
    nlb->setColumnWidth(2, (375 - 70) / 2);
    connect(nlb, &QTreeWidget::itemSelectionChanged, this, &CmdWin::nlb_Change);
    connect(nlb, &QTreeWidget::itemDoubleClicked, this, &CmdWin::nlb_DoubleClick);

    connect(LoadWordPB, &QPushButton::clicked, this, &CmdWin::LoadWordPB_Action);
    connect(PushButton3, &QPushButton::clicked, this, &CmdWin::PushButton3_Action);
    connect(SavePB, &QPushButton::clicked, this, &CmdWin::SavePB_Action);
    connect(LoadPB, &QPushButton::clicked, this, &CmdWin::LoadPB_Action);

    QList<QWidget*> order;
    for (QPushButton* b : m_bank)
        order << b;
    for (QPushButton* b : m_pad)
        order << b;
    for (QPushButton* b : m_type)
        order << b;
    order << SavePB << IdTF << SecTF << NinTFJ << LoadWordPB << NinTFE << nlb << PushButton3;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    Open();
}

void CmdWin::Open() {
    SetListData();
    LoadData(BtnData::DefaultBtnData());
    SetBtnName();
}

void CmdWin::TypeBB_Action(int index) {
    PressOnly(m_type, index);
    mSelType = index;
    SetBtnName();
    SetBtnData();
    SetListData();
}

void CmdWin::BankBB_Action(int index) {
    PressOnly(m_bank, index);
    mSelBnk = index;
    SetBtnName();
    SetBtnData();
}

void CmdWin::PadBB_Action(int index) {
    PressOnly(m_pad, index);
    mSelBtn = index;
    SetBtnData();
}

void CmdWin::SetBtnName() {
    for (int i = 0; i < BtnData::kPads; ++i) {
        const int r = mSelBnk * BtnData::kPads + i;
        const QString caption = mSelType == 2 ? mBx[2].value(r) : mAx[mSelType == 0 ? 1 : 2].value(r);
        m_pad[i]->setText(LiteralCaption(caption));
    }
}

void CmdWin::SetBtnData() {
    const int r = selectedRow();
    if (mSelType == 2) {
        IdTF->setText(mBx[0].value(r));
        SecTF->setText(mBx[1].value(r));
        SecTF->setEnabled(true);
        NinTFJ->setText(mBx[2].value(r));
        NinLvJ->setText(QStringLiteral("ロビ語"));
        NinLvE->setVisible(false);
        NinTFE->setVisible(false);
    } else {
        IdTF->setText(mAx[0].value(r));
        SecTF->setText(QString());
        SecTF->setEnabled(false);
        NinTFJ->setText(mAx[1].value(r));
        NinLvJ->setText(QStringLiteral("認識(日)"));
        NinTFE->setText(mAx[2].value(r));
        NinLvE->setVisible(true);
        NinTFE->setVisible(true);
    }
}

void CmdWin::SetListData() {
    nlb->clear();
    if (mSelType == 2) {
        nlb->setColumnCount(3);
        nlb->setHeaderLabels({QStringLiteral("ID"), QStringLiteral("秒"), QStringLiteral("ロビ語")});
    } else {
        nlb->setColumnCount(4);
        nlb->setHeaderLabels(
            {QStringLiteral("ID"), QStringLiteral("秒"), QStringLiteral("日本語"), QStringLiteral("英語")});
    }
    nlb->setColumnWidth(0, 35);
    nlb->setColumnWidth(1, 35);
    if (mSelType != 2)
        nlb->setColumnWidth(2, (nlb->width() - 70) / 2);
    const QList<QStringList> rows =
        BtnData::ListRows(mSelType, BtnData::NinWordListJ(), BtnData::NinWordListE(), BtnData::RobiWordList());
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.size());
    for (const QStringList& row : rows)
        items.append(new QTreeWidgetItem(row));
    nlb->addTopLevelItems(items);
    nlb->clearSelection();
    nlb->setCurrentItem(nullptr);
}

int CmdWin::ListIndex() const {
    const QList<QTreeWidgetItem*> selected = nlb->selectedItems();
    return selected.isEmpty() ? -1 : nlb->indexOfTopLevelItem(selected.first());
}

void CmdWin::nlb_Change() {
    LoadWordPB->setEnabled(ListIndex() >= 0);
}

void CmdWin::nlb_DoubleClick() {
    if (ListIndex() >= 0)
        SetVoiceData(ListIndex());
}

void CmdWin::LoadWordPB_Action() {
    nlb_DoubleClick();
}

void CmdWin::SetVoiceData(int row) {
    const QTreeWidgetItem* item = nlb->topLevelItem(row);
    if (!item)
        return;
    IdTF->setText(item->text(0));
    SecTF->setText(item->text(1));
    NinTFJ->setText(item->text(2));
    NinTFE->setText(item->text(3));
}

QString CmdWin::refusedField() const {
    struct Field {
        QString name;
        QString value;
        bool number;
    };
    const bool robi = mSelType == 2;
    // Labels are stored with their blanks made "-"; what is checked is what would be stored.
    auto label = [robi](const QLineEdit* f) { return robi ? f->text() : QString(f->text()).replace(u' ', u'-'); };
    QList<Field> fields = {{QStringLiteral("ID"), IdTF->text(), true}};
    if (robi)
        fields << Field{QStringLiteral("秒"), SecTF->text(), true}
               << Field{QStringLiteral("ロビ語"), label(NinTFJ), false};
    else
        fields << Field{QStringLiteral("認識(日)"), label(NinTFJ), false}
               << Field{QStringLiteral("認識(英)"), label(NinTFE), false};
    for (const Field& f : fields) {
        const std::optional<BtnData::CellFault> bad = BtnData::CheckCell(f.value, f.number, m_encoding);
        if (!bad)
            continue;
        switch (bad->fault) {
        case BtnData::Fault::Number:
            return f.name + QStringLiteral("には、空欄、0、または0で始まらない15桁までの数字を入力して下さい...");
        case BtnData::Fault::Character:
            return f.name + QStringLiteral("には ' \\ や改行は使えません（") + TextUtil::Shown(bad->what) +
                   QStringLiteral("）...");
        case BtnData::Fault::Encoding:
            return f.name + QStringLiteral("の") + TextUtil::Shown(bad->what) + QStringLiteral("は") +
                   TextCodec::Name(*m_encoding) + QStringLiteral("の") + m_fileName +
                   QStringLiteral("には書けません...");
        }
    }
    return {};
}

void CmdWin::PushButton3_Action() {
    // Text the format cannot carry would cost the entry on the next read, or break the page.
    const QString refused = refusedField();
    if (!refused.isEmpty()) {
        Platform::get().message(refused);
        return;
    }
    const int r = selectedRow();
    BtnData::Table& table = mSelType == 2 ? mBx : mAx;
    if (r >= table[0].size())
        return;
    table[0][r] = IdTF->text();
    if (mSelType == 2) {
        table[1][r] = SecTF->text();
        table[2][r] = NinTFJ->text();
    } else {
        table[1][r] = QString(NinTFJ->text()).replace(u' ', u'-');
        table[2][r] = QString(NinTFE->text()).replace(u' ', u'-');
    }
    SetBtnName();
}

void CmdWin::LoadData(const QString& text) {
    BtnData::LoadData(text, mAx, mBx);
}

QString CmdWin::MakeNinBtnData() const {
    return BtnData::MakeNinBtnData(mAx, mBx);
}

void CmdWin::SavePB_Action() {
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
        BtnData::SaveResult saved = BtnData::Save(now, mAx, mBx, name);
        *refusal = saved.refusal;
        return saved.bytes;
    });
    if (!failure.isEmpty())
        Platform::get().message(failure);
}

void CmdWin::showTables(const BtnData::Reading& reading, const QString& fileName) {
    m_fileName = fileName;
    mAx = reading.ax;
    mBx = reading.bx;
    SetBtnName();
    SetBtnData();
}

QString CmdWin::loadFrom(const QString& path, bool pageSetFile) {
    const QString name = QFileInfo(path).fileName();
    QString why;
    const std::optional<QByteArray> bytes = FileIO::ReadAll(path, &why);
    BtnData::Reading reading = BtnData::ReadFile(bytes.value_or(QByteArray()), name);
    if (!bytes)
        reading.refusal = FileIO::CannotRead(name, why);
    // Another file that cannot be read leaves the tables as they were. The page set's own shows
    // empty buttons then, never other data as if it were the file's.
    if (!reading.ok()) {
        if (pageSetFile)
            showTables(reading, name);
        Platform::get().message(reading.refusal);
        return reading.refusal;
    }
    showTables(reading, name);
    m_encoding = TextCodec::Detect(*bytes);
    if (!pageSetFile)
        return {};
    // Said now rather than only at the save: what keeps this file from being saved.
    const BtnData::SaveResult trial = BtnData::Save(*bytes, mAx, mBx, name);
    if (!trial.bytes) {
        Platform::get().message(trial.refusal);
    } else if (!reading.declared[0] || !reading.declared[1]) {
        const QString missing = !reading.declared[0] && !reading.declared[1]
                                    ? QStringLiteral("ctrlbtndataとctrlbtnRobi")
                                : !reading.declared[0] ? QStringLiteral("ctrlbtndata")
                                                       : QStringLiteral("ctrlbtnRobi");
        Platform::get().message(
            name + QStringLiteral("には") + missing +
            QStringLiteral("のデータがないため、そのボタンを空欄で表示します。保存すると空欄のまま書"
                           "き込まれます..."));
    }
    return {};
}

void CmdWin::LoadFileData() {
    const QString& file = PageSet::chosen().buttonData();
    if (!QFileInfo::exists(file))
        return;
    m_loadRefusal = loadFrom(file, true);
}

void CmdWin::LoadPB_Action() {
    // Data loaded from another file may be saved into the page set's; what could not be read may not.
    if (const std::optional<QString> path = Platform::get().chooseFile(QStringLiteral("jsfile (*.js)")))
        if (loadFrom(*path, false).isEmpty())
            m_loadRefusal.clear();
}
