#include "BgcWin.h"

#include "BgColor.h"
#include "Controls.h"
#include "FileIO.h"
#include "HomeIcon.h"
#include "Module1.h"
#include "Platform.h"
#include "PlkWin.h"

#include <QCheckBox>
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

const QString BgcWin::kStyleSheetNotSaved = QStringLiteral("pelkavin.cssを保存できませんでした...");
const QString BgcWin::kStyleSheetMarkers =
    QStringLiteral("pelkavin.cssの背景色の目印が正しくないため保存できません...");
const QString BgcWin::kIconNotSaved = QStringLiteral("アイコンを保存できませんでした...");

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

void BgcWin::ChangePB_Action() {
    // Independent targets: the icon is made even when the style sheet could not be written.
    if (DispCB->isChecked())
        SetPLKBackColor();
    if (IconCB->isChecked())
        SetIconBackColor();
}

bool BgcWin::bkgRt_MouseDown(int, int) {
    DoSelectColor();
    return false;
}

void BgcWin::SelectPB_Action() {
    DoSelectColor();
}

void BgcWin::LoadBkgData() {
    if (!Exists(Module1::gCSSFile))
        return;
    const std::optional<QByteArray> text = FileIO::ReadAll(*Module1::gCSSFile);
    if (!text)
        return;
    bkgRt->setFillColor(BgColor::ReadColor(*text));
}

void BgcWin::SetPLKBackColor() {
    const FolderItem& file = Module1::gCSSFile;
    if (!file)
        return;
    // The text outside the block is taken as it stands now, not as it stood at loading.
    const std::optional<QByteArray> old = Exists(file) ? FileIO::ReadAll(*file) : std::nullopt;
    if (!old) {
        Platform::get().MsgBox(kStyleSheetNotSaved);
        return;
    }
    const std::optional<QByteArray> text = BgColor::WriteColor(*old, bkgRt->FillColor());
    if (!text) {
        Platform::get().MsgBox(kStyleSheetMarkers);
        return;
    }
    if (!FileIO::SafeWrite(*file, *text)) {
        Platform::get().MsgBox(kStyleSheetNotSaved);
        return;
    }
    PlkWin::PreviewReload();
}

void BgcWin::SetIconBackColor() {
    const FolderItem& file = Module1::gIconFile;
    if (!file)
        return;
    const QColor c = bkgRt->FillColor();
    const std::optional<QByteArray> png = HomeIcon::EncodePng(HomeIcon::Make(HomeIcon::appletouchicon180(), c));
    if (!png || !FileIO::SafeWrite(*file, *png))
        Platform::get().MsgBox(kIconNotSaved);
}

void BgcWin::DoSelectColor() {
    const std::optional<QColor> chosen =
        Platform::get().SelectColor(bkgRt->FillColor(), QStringLiteral("背景色を選んで下さい"));
    if (chosen)
        bkgRt->setFillColor(*chosen);
}
