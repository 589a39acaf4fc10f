#include "BackgroundWindow.h"

#include "Controls.h"
#include "FileIO.h"
#include "HomeIcon.h"
#include "Messages.h"
#include "PageSet.h"
#include "Platform.h"
#include "StyleSheetColour.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

QString BackgroundWindow::iconNeedsColourMessage(const QString& fileName) {
    return QStringLiteral(
               "背景色が決まっていないため、%1は作りませんでした。「色を選択」で色を選んでから「背景色変更」を"
               "押して下さい...")
        .arg(fileName);
}

ColourSwatch::ColourSwatch(QWidget* parent) : QWidget(parent) {}

void ColourSwatch::setColour(const QColor& colour) {
    // The swatch holds a plain 24-bit colour, whatever the picker gave.
    m_fill = QColor(colour.red(), colour.green(), colour.blue());
    update();
}

void ColourSwatch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const qreal w = width(), h = height(), b = borderWidth;
    p.fillRect(rect(), m_fill);
    p.setPen(Qt::NoPen);
    // Each edge is a trapezoid, so the two colours meet on the diagonals of the corners.
    p.setBrush(topLeftColour);
    p.drawPolygon(QPolygonF({{0, 0}, {w, 0}, {w - b, b}, {b, b}, {b, h - b}, {0, h}}));
    p.setBrush(bottomRightColour);
    p.drawPolygon(QPolygonF({{w, 0}, {w, h}, {0, h}, {b, h - b}, {w - b, h - b}, {w - b, b}}));
}

void ColourSwatch::mousePressEvent(QMouseEvent*) {
    emit pressed();
}

BackgroundWindow::BackgroundWindow() {
    initWindow(this, QStringLiteral("BackgroundWindow"), QStringLiteral("背景色"), 289, 146);
    setMaximumSize(32000, 32000);
    setFont(layoutFont(font(), 12));

    auto* layout = new FixedLayout(this);
    auto bold = [](QLabel* label) {
        QFont lf = label->font();
        lf.setBold(true);
        label->setFont(lf);
        return label;
    };
    m_apply =
        layout->place(makeButton(this, QStringLiteral("applyButton"), QStringLiteral("背景色変更")), 161, 97, 108, 20);
    // Kept from the layout, out of sight: the style sheet is the page set's.
    layout
        ->place(bold(makeLabel(this, QStringLiteral("styleSheetLabel"), QStringLiteral("pelkavin.cssを選択："))), 13,
                -53, 120, 20)
        ->hide();
    swatch = layout->place(new ColourSwatch(this), 75, 17, 74, 34);
    swatch->setObjectName(QStringLiteral("swatch"));
    swatch->setColour(QColor(0xcc, 0xdd, 0xee));
    layout->place(bold(makeLabel(this, QStringLiteral("colourLabel"), QStringLiteral("背景色："))), 20, 24, 57, 20);
    m_chooseColour = layout->place(makeButton(this, QStringLiteral("chooseColourButton"), QStringLiteral("色を選択")),
                                   161, 24, 108, 20);
    m_iconTarget = layout->place(new QCheckBox(QStringLiteral("アイコン背景"), this), 171, 63, 98, 20);
    m_iconTarget->setObjectName(QStringLiteral("iconTarget"));
    m_iconTarget->setChecked(true);
    m_pageTarget = layout->place(new QCheckBox(QStringLiteral("画面背景"), this), 84, 63, 75, 20);
    m_pageTarget->setObjectName(QStringLiteral("pageTarget"));
    m_pageTarget->setChecked(true);
    layout->place(bold(makeLabel(this, QStringLiteral("targetLabel"), QStringLiteral("対象："))), 1, 63, 77, 20)
        ->hide();

    connect(m_apply, &QPushButton::clicked, this, &BackgroundWindow::apply);
    connect(swatch, &ColourSwatch::pressed, this, &BackgroundWindow::chooseColour);
    connect(m_chooseColour, &QPushButton::clicked, this, &BackgroundWindow::chooseColour);
}

void BackgroundWindow::apply() {
    // Independent targets: the icon is made even when the style sheet could not be written. What
    // went wrong with either is told in one message.
    QStringList messages;
    if (m_pageTarget->isChecked())
        messages << writeStyleSheet();
    if (m_iconTarget->isChecked())
        messages << writeIcon();
    messages.removeAll(QString());
    if (!messages.isEmpty())
        Platform::get().message(messages.join(u'\n'));
}

void BackgroundWindow::load() {
    const QString& file = PageSet::chosen().styleSheet();
    if (!QFileInfo::exists(file))
        return;
    // A colour chosen but not applied gives way to the file's, whatever the file now holds.
    m_from = ColourFrom::Nothing;
    const QString name = QFileInfo(file).fileName();
    FileIO::Failure failure;
    const std::optional<QByteArray> text = FileIO::readAll(file, &failure);
    if (!text) {
        Platform::get().message(Messages::cannotRead(name, failure));
        return;
    }
    const StyleSheetColour::Reading reading = StyleSheetColour::read(*text, name, PageSet::chosen().pageEncoding());
    if (reading.color) {
        swatch->setColour(*reading.color);
        m_from = ColourFrom::StyleSheet;
    }
    QStringList said{reading.encodingNote, reading.problem};
    said.removeAll(QString());
    if (!said.isEmpty())
        Platform::get().message(said.join(u'\n'));
}

QString BackgroundWindow::writeStyleSheet() {
    PageSet& set = PageSet::chosen();
    if (set.styleSheet().isEmpty())
        return {};
    const QString name = QFileInfo(set.styleSheet()).fileName();
    const std::optional<TextCodec::Encoding> page = set.pageEncoding();
    // The file as it stands now, not as it stood at loading. A save that changes nothing writes
    // nothing (no temporary file, no reload): it gives no bytes and no refusal.
    const auto save = [&](const QByteArray& now, QString* refusal) -> std::optional<QByteArray> {
        if (m_from != ColourFrom::Picker) {
            // Without a chosen colour the page keeps reading the colour it reads now.
            const StyleSheetColour::Reading reading = StyleSheetColour::read(now, name, page);
            m_from = reading.color ? ColourFrom::StyleSheet : ColourFrom::Nothing;
            if (reading.color)
                swatch->setColour(*reading.color);
            if (reading.kind != StyleSheetColour::Reading::Kind::Shown)
                *refusal = reading.problem;
            return std::nullopt;
        }
        StyleSheetColour::SaveResult saved = StyleSheetColour::save(now, swatch->colour(), name, page);
        *refusal = saved.refusal;
        if (saved.bytes == now)
            return std::nullopt;
        return saved.bytes;
    };
    return set.rewrite(PageSet::Entry::StyleSheet, save, PageSet::Unreadable::AsReadFailure);
}

QString BackgroundWindow::writeIcon() {
    PageSet& set = PageSet::chosen();
    if (set.icon().isEmpty())
        return {};
    const QString name = QFileInfo(set.icon()).fileName();
    // The layout colour, or an old one the style sheet no longer gives, is nobody's choice.
    if (m_from == ColourFrom::Nothing)
        return iconNeedsColourMessage(name);
    const std::optional<QByteArray> png = HomeIcon::encodePng(HomeIcon::make(HomeIcon::art(), swatch->colour()));
    if (!png)
        return Messages::iconArtUnreadable(name);
    return set.write(PageSet::Entry::Icon, *png);
}

void BackgroundWindow::chooseColour() {
    const std::optional<QColor> chosen =
        Platform::get().chooseColour(swatch->colour(), QStringLiteral("背景色を選んで下さい"));
    if (!chosen)
        return;
    swatch->setColour(*chosen);
    m_from = ColourFrom::Picker;
}
