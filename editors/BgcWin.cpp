#include "BgcWin.h"

#include "BgColor.h"
#include "Controls.h"
#include "FileIO.h"
#include "HomeIcon.h"
#include "PageSet.h"
#include "Platform.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

SwatchRect::SwatchRect(QWidget* parent) : QWidget(parent) {}

void SwatchRect::setFillColor(const QColor& color) {
    // The swatch holds a plain 24-bit colour, whatever the picker gave.
    m_fill = QColor(color.red(), color.green(), color.blue());
    update();
}

void SwatchRect::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const qreal w = width(), h = height(), b = BorderWidth;
    p.fillRect(rect(), m_fill);
    p.setPen(Qt::NoPen);
    // Each edge is a trapezoid, so the two colours meet on the diagonals of the corners.
    p.setBrush(TopLeftColor);
    p.drawPolygon(QPolygonF({{0, 0}, {w, 0}, {w - b, b}, {b, b}, {b, h - b}, {0, h}}));
    p.setBrush(BottomRightColor);
    p.drawPolygon(QPolygonF({{w, 0}, {w, h}, {0, h}, {b, h - b}, {w - b, h - b}, {w - b, b}}));
}

void SwatchRect::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit mouseDown(at.x(), at.y());
}

BgcWin::BgcWin() {
    InitDocumentWindow(this, QStringLiteral("BgcWin"), QStringLiteral("背景色"), 289, 146);
    setMaximumSize(32000, 32000);
    setFont(LayoutFont(font(), 12));

    auto* layout = new FixedLayout(this);
    auto bold = [](QLabel* label) {
        QFont lf = label->font();
        lf.setBold(true);
        label->setFont(lf);
        return label;
    };
    ChangePB =
        layout->place(MakePushButton(this, QStringLiteral("ChangePB"), QStringLiteral("背景色変更")), 161, 97, 108, 20);
    Label1 = layout->place(bold(MakeLabel(this, QStringLiteral("Label1"), QStringLiteral("pelkavin.cssを選択："))), 13,
                           -53, 120, 20);
    Label1->hide();
    bkgRt = layout->place(new SwatchRect(this), 75, 17, 74, 34);
    bkgRt->setObjectName(QStringLiteral("bkgRt"));
    bkgRt->setFillColor(QColor(0xcc, 0xdd, 0xee));
    Label2 = layout->place(bold(MakeLabel(this, QStringLiteral("Label2"), QStringLiteral("背景色："))), 20, 24, 57, 20);
    SelectPB =
        layout->place(MakePushButton(this, QStringLiteral("SelectPB"), QStringLiteral("色を選択")), 161, 24, 108, 20);
    IconCB = layout->place(new QCheckBox(QStringLiteral("アイコン背景"), this), 171, 63, 98, 20);
    IconCB->setObjectName(QStringLiteral("IconCB"));
    IconCB->setChecked(true);
    DispCB = layout->place(new QCheckBox(QStringLiteral("画面背景"), this), 84, 63, 75, 20);
    DispCB->setObjectName(QStringLiteral("DispCB"));
    DispCB->setChecked(true);
    Label3 = layout->place(bold(MakeLabel(this, QStringLiteral("Label3"), QStringLiteral("対象："))), 1, 63, 77, 20);
    Label3->hide();

    connect(ChangePB, &QPushButton::clicked, this, &BgcWin::ChangePB_Action);
    connect(bkgRt, &SwatchRect::mouseDown, this, &BgcWin::bkgRt_MouseDown);
    connect(SelectPB, &QPushButton::clicked, this, &BgcWin::SelectPB_Action);
}

QString BgcWin::iconNeedsColourMessage(const QString& fileName) {
    return QStringLiteral("背景色が決まっていないため、") + fileName +
           QStringLiteral("は作りませんでした。「色を選択」で色を選んでから「背景色変更」を押して下さい...");
}

void BgcWin::ChangePB_Action() {
    // Independent targets: the icon is made even when the style sheet could not be written. What
    // went wrong with either is told in one message.
    QStringList messages;
    if (DispCB->isChecked())
        messages << SetPLKBackColor();
    if (IconCB->isChecked())
        messages << SetIconBackColor();
    messages.removeAll(QString());
    if (!messages.isEmpty())
        Platform::get().message(messages.join(u'\n'));
}

bool BgcWin::bkgRt_MouseDown(int, int) {
    DoSelectColor();
    return false;
}

void BgcWin::SelectPB_Action() {
    DoSelectColor();
}

void BgcWin::LoadBkgData() {
    const QString& file = PageSet::chosen().styleSheet();
    if (!QFileInfo::exists(file))
        return;
    // A colour chosen but not applied gives way to the file's, whatever the file now holds.
    m_from = ColourFrom::Nothing;
    const QString name = QFileInfo(file).fileName();
    QString why;
    const std::optional<QByteArray> text = FileIO::ReadAll(file, &why);
    if (!text) {
        Platform::get().message(FileIO::CannotRead(name, why));
        return;
    }
    const BgColor::Reading reading = BgColor::Read(*text, name);
    if (reading.color) {
        bkgRt->setFillColor(*reading.color);
        m_from = ColourFrom::StyleSheet;
    }
    if (!reading.problem.isEmpty())
        Platform::get().message(reading.problem);
}

QString BgcWin::SetPLKBackColor() {
    PageSet& set = PageSet::chosen();
    if (set.styleSheet().isEmpty())
        return {};
    const QString name = QFileInfo(set.styleSheet()).fileName();
    // The file as it stands now, not as it stood at loading.
    const auto save = [&](const QByteArray& now, QString* refusal) -> std::optional<QByteArray> {
        if (m_from != ColourFrom::Picker) {
            // Without a chosen colour the page keeps reading the colour it reads now.
            const BgColor::Reading reading = BgColor::Read(now, name);
            m_from = reading.color ? ColourFrom::StyleSheet : ColourFrom::Nothing;
            if (reading.color)
                bkgRt->setFillColor(*reading.color);
            if (reading.kind != BgColor::Reading::Kind::Shown) {
                *refusal = reading.problem;
                return std::nullopt;
            }
        }
        BgColor::SaveResult saved = BgColor::Save(now, bkgRt->FillColor(), name);
        *refusal = saved.refusal;
        return saved.bytes;
    };
    return set.rewrite(PageSet::Entry::StyleSheet, save, PageSet::Unreadable::AsReadFailure);
}

QString BgcWin::SetIconBackColor() {
    PageSet& set = PageSet::chosen();
    if (set.icon().isEmpty())
        return {};
    const QString name = QFileInfo(set.icon()).fileName();
    // The layout colour, or an old one the style sheet no longer gives, is nobody's choice.
    if (m_from == ColourFrom::Nothing)
        return iconNeedsColourMessage(name);
    const std::optional<QByteArray> png =
        HomeIcon::EncodePng(HomeIcon::Make(HomeIcon::appletouchicon180(), bkgRt->FillColor()));
    if (!png)
        return QStringLiteral("アイコンの絵を読み込めなかったため、") + name + QStringLiteral("を作れませんでした...");
    return set.write(PageSet::Entry::Icon, *png);
}

void BgcWin::DoSelectColor() {
    const std::optional<QColor> chosen =
        Platform::get().chooseColour(bkgRt->FillColor(), QStringLiteral("背景色を選んで下さい"));
    if (!chosen)
        return;
    bkgRt->setFillColor(*chosen);
    m_from = ColourFrom::Picker;
}
