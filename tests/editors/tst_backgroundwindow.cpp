// The background-colour window: the style sheet's colour block read and written through it, and the
// home-screen icon it makes. Not covered here: the icon's picture (tst_homeicon), the preview's own
// loading and the system colour picker (shell, scripted platform), the cascade of rules outside the
// block.
#include "BackgroundWindow.h"
#include "FailingFolder.h"
#include "FileIO.h"
#include "Messages.h"
#include "PageSet.h"
#include "PaletteWindow.h"
#include "PreviewWindow.h"
#include "StyleSheetColour.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "WindowFrame.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#ifdef PKL_HAVE_WEBENGINE
#include <QWebEnginePage>
#endif

namespace {
const QByteArray kMarker = "/*body-gackground-color*/";

QByteArray sheet(const char* digits, const QByteArray& eol = "\n") {
    return "body {" + eol + kMarker + eol + "    background-color: #" + digits + ";" + eol + "    " + kMarker + eol +
           "}" + eol;
}

// A body rule whose block holds the given lines; the block ends with the second marker's indent.
QByteArray rule(const QByteArray& block) {
    return "body {\n" + kMarker + "\n" + block + kMarker + "\n}\n";
}
} // namespace

class TestBackgroundWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_css, m_icon;

    static void closeWindows() {
        delete (BackgroundWindow::isOpen() ? BackgroundWindow::instance() : nullptr);
        delete (PreviewWindow::isOpen() ? PreviewWindow::instance() : nullptr);
    }
    // As the user opens it: the palette's button, which loads the colour.
    static BackgroundWindow* open() {
        QTest::mouseClick(PaletteWindow::instance()->findChild<QPushButton*>("backgroundButton"), Qt::LeftButton);
        return BackgroundWindow::instance();
    }
    static void choose(const QColor& color) {
        scripted()->colors.enqueue(color);
        QTest::mouseClick(BackgroundWindow::instance()->findChild<QPushButton*>("chooseColourButton"), Qt::LeftButton);
    }
    static void apply(bool disp, bool icon) {
        BackgroundWindow* w = BackgroundWindow::instance();
        w->findChild<QCheckBox*>("pageTarget")->setChecked(disp);
        w->findChild<QCheckBox*>("iconTarget")->setChecked(icon);
        QTest::mouseClick(w->findChild<QPushButton*>("applyButton"), Qt::LeftButton);
    }
    static QRgb iconPixel(const QString& path) { return QImage(path, "PNG").pixel(10, 90); } // beside the head

#ifdef PKL_HAVE_WEBENGINE
    // The background the page's browser gives the top page's body, as getComputedStyle words it. A
    // new page each time, with the sheet under a new query, so nothing comes from a cache.
    static QString pageBackground(const QString& topPage) {
        static int loads = 0;
        const QString query = QString::number(++loads);
        QByteArray html = TestFiles::read(topPage);
        html.replace("pelkavin.css", "pelkavin.css?" + query.toLatin1());
        const QString copy = QFileInfo(topPage).path() + "/load" + query + ".htm";
        TestFiles::write(copy, html);
        QWebEnginePage page;
        QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
        page.load(QUrl::fromLocalFile(copy));
        if (!loaded.wait(20000))
            return QStringLiteral("(not loaded)");
        QString value;
        bool done = false;
        page.runJavaScript(QStringLiteral("getComputedStyle(document.body).backgroundColor"), [&](const QVariant& v) {
            value = v.toString();
            done = true;
        });
        (void)QTest::qWaitFor([&] { return done; }, 10000);
        QFile::remove(copy);
        return value;
    }
#endif

private slots:
    void initTestCase() {
        PaletteWindow::setOpener(PaletteWindow::Tool::BackgroundWindow,
                                 PaletteWindow::openerOf<BackgroundWindow>(&BackgroundWindow::load));
    }
    void init() {
        ScriptedPlatform::install();
        m_dir = std::make_unique<QTemporaryDir>();
        const QString root = m_dir->filePath("plk");
        TestFiles::write(root + "/n.htm", "<html></html>");
        m_css = TestFiles::write(root + "/js/pelkavin.css", sheet("ccddee", "\r\n"));
        m_icon = TestFiles::write(root + "/img/apple-touch-icon.png", "old icon");
        PageSet::Files files;
        files.folder = root;
        files.topPage = root + "/n.htm";
        files.styleSheet = m_css;
        files.icon = m_icon;
        PageSet::chosen().setFiles(files);
        PageSet::chosen().setAccess(PageSet::Access::Folder);
    }
    void cleanup() {
        closeWindows();
    }

    void frame() {
        checkFrame(BackgroundWindow::instance(), QAccessible::Window, "背景色", kLaidOutLimit, "applyButton");
    }

    void layout() {
        BackgroundWindow* w = BackgroundWindow::instance();
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("背景色"));
        QCOMPARE(w->size(), QSize(289, 146));
        QCOMPARE(w->minimumSize(), QSize(64, 64));
        QCOMPARE(w->maximumSize(), QSize(32000, 32000));
        QCOMPARE(w->font().pixelSize(), 12);
        const struct {
            const char* name;
            QRect rect;
            const char* text;
            bool visible;
        } controls[] = {{"applyButton", {161, 97, 108, 20}, "背景色変更", true},
                        {"styleSheetLabel", {13, -53, 120, 20}, "pelkavin.cssを選択：", false},
                        {"swatch", {75, 17, 74, 34}, nullptr, true},
                        {"colourLabel", {20, 24, 57, 20}, "背景色：", true},
                        {"chooseColourButton", {161, 24, 108, 20}, "色を選択", true},
                        {"iconTarget", {171, 63, 98, 20}, "アイコン背景", true},
                        {"pageTarget", {84, 63, 75, 20}, "画面背景", true},
                        {"targetLabel", {1, 63, 77, 20}, "対象：", false}};
        QStringList order;
        for (QWidget* child : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            order << child->objectName();
        QStringList expected;
        for (const auto& c : controls) {
            expected << c.name;
            auto* widget = w->findChild<QWidget*>(c.name);
            QVERIFY2(widget, c.name);
            QCOMPARE(widget->geometry(), c.rect);
            QCOMPARE(widget->isVisible(), c.visible);
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                QCOMPARE(label->text(), QString::fromUtf8(c.text));
                QVERIFY(label->font().bold());
            } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                QCOMPARE(button->text(), QString::fromUtf8(c.text));
            }
            if (auto* box = qobject_cast<QCheckBox*>(widget))
                QVERIFY(box->isChecked());
        }
        QCOMPARE(order, expected);
        QCOMPARE(w->swatch->colour(), QColor(0xcc, 0xdd, 0xee));
        QCOMPARE(w->swatch->borderWidth, 5);
        QCOMPARE(w->swatch->topLeftColour, QColor(0x7f, 0x7f, 0x7f));
        QCOMPARE(w->swatch->bottomRightColour, QColor(0, 0, 0));
        // Controls stay at the top left on a resize.
        w->resize(500, 400);
        QCOMPARE(w->findChild<QWidget*>("applyButton")->geometry(), QRect(161, 97, 108, 20));
    }

    void load() {
        TestFiles::write(m_css, sheet("123456"));
        BackgroundWindow* w = BackgroundWindow::instance();
        w->load();
        QCOMPARE(w->swatch->colour(), QColor(0x12, 0x34, 0x56));
        // Without a style sheet the swatch stays.
        QFile::remove(m_css);
        w->load();
        PageSet::chosen().setPath(PageSet::Entry::StyleSheet, {});
        w->load();
        QCOMPARE(w->swatch->colour(), QColor(0x12, 0x34, 0x56));
        QVERIFY(scripted()->messages.isEmpty());
    }

    void picker_data() {
        QTest::addColumn<bool>("fromSwatch");
        QTest::addColumn<bool>("confirm");
        QTest::newRow("button, confirmed") << false << true;
        QTest::newRow("button, cancelled") << false << false;
        QTest::newRow("swatch click, confirmed") << true << true;
        QTest::newRow("swatch click, cancelled") << true << false;
    }
    void picker() {
        QFETCH(bool, fromSwatch);
        QFETCH(bool, confirm);
        BackgroundWindow* w = BackgroundWindow::instance();
        w->load();
        const QByteArray css = TestFiles::read(m_css);
        if (confirm)
            scripted()->colors.enqueue(QColor(1, 2, 3));
        if (fromSwatch)
            QTest::mouseClick(w->swatch, Qt::LeftButton, {}, QPoint(10, 10));
        else
            QTest::mouseClick(w->findChild<QPushButton*>("chooseColourButton"), Qt::LeftButton);
        QCOMPARE(scripted()->colorPrompts, QStringList{"背景色を選んで下さい"});
        QCOMPARE(scripted()->colorStarts, QList<QColor>{QColor(0xcc, 0xdd, 0xee)});
        QCOMPARE(w->swatch->colour(), confirm ? QColor(1, 2, 3) : QColor(0xcc, 0xdd, 0xee));
        // Choosing writes nothing.
        QCOMPARE(TestFiles::read(m_css), css);
        QCOMPARE(TestFiles::read(m_icon), QByteArray("old icon"));
        QVERIFY(!PreviewWindow::isOpen());
    }

    // Style sheet and icon: the old file stays byte for byte however the disk fails.

    // Style sheets as people and formatters leave them. Either the window shows the colour the page
    // reads from the block (color), or it says why not at opening (problem: part of the message).
    // Either way "背景色変更" with no colour chosen writes nothing: the file keeps its bytes.
    // A colour the window knows beside its message (another declaration) still makes the icon.
    void sheetCases_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QColor>("color");
        QTest::addColumn<QString>("problem");
        const QColor none, white(255, 255, 255), c(10, 11, 12);
        auto value = [](const char* v) { return rule(QByteArray("    background-color: ") + v + ";\n    "); };
        QTest::newRow("written form") << sheet("0a0b0c") << c << "";
        QTest::newRow("upper-case digits") << sheet("0A0B0C") << c << "";
        QTest::newRow("CR LF") << sheet("0a0b0c", "\r\n") << c << "";
        QTest::newRow("lone CR") << sheet("0a0b0c", "\r") << c << "";
        QTest::newRow("#fff is white") << sheet("fff") << white << "";
        QTest::newRow("#rgb, mixed case") << sheet("AbC") << QColor(0xaa, 0xbb, 0xcc) << "";
        QTest::newRow("named colour") << value("white") << white << "";
        QTest::newRow("named colour in capitals") << value("Teal") << QColor(0, 128, 128) << "";
        QTest::newRow("newest named colour") << value("rebeccapurple") << QColor(0x66, 0x33, 0x99) << "";
        QTest::newRow("rgb() with commas") << value("rgb(204, 221, 238)") << QColor(204, 221, 238) << "";
        QTest::newRow("RGB() with blanks") << value("RGB( 204 221 238 )") << QColor(204, 221, 238) << "";
        QTest::newRow("rgba() opaque") << value("rgba(10,11,12,1)") << c << "";
        QTest::newRow("rgb() in whole percentages") << value("rgb(20%, 40%, 100%)") << QColor(51, 102, 255) << "";
        QTest::newRow("!important") << value("#0a0b0c ! IMPORTANT") << c << "";
        QTest::newRow("formatted: tabs, no blank after the colon")
            << "body {\n\t" + kMarker + "\n\tbackground-color:#0a0b0c;\n\t" + kMarker + "\n}\n"
            << c << "";
        QTest::newRow("blanks around the markers")
            << "body {\n  " + kMarker + " \t\n    background-color: #0a0b0c;\n    " + kMarker + "  \n}\n"
            << c << "";
        QTest::newRow("comments in the block")
            << rule("    /* 背景 */\n    background-color: /* 色 */ #0a0b0c; /* 以上 */\n    ") << c << "";
        QTest::newRow("last declaration without ;")
            << "body {\n" + kMarker + "\n    background-color: #0a0b0c\n    " + kMarker + "\n}\n"
            << c << "";
        QTest::newRow("marker line inside a multi-line comment")
            << "/* 目印の例:\n" + kMarker + "\n" + sheet("0a0b0c") << c << "";
        QTest::newRow("marker at the end of a comment line")
            << "/* 目印は " + kMarker + "\n" + sheet("0a0b0c") << c << "";
        QTest::newRow("marker text after a rule on its line")
            << "h1 { color: red; } " + kMarker + "\n" + sheet("0a0b0c") << c << "";
        QTest::newRow("marker line inside a string")
            << "a::after { content: \"\\\n" + kMarker + "\\\n\"; }\n" + sheet("0a0b0c") << c << "";

        QTest::newRow("#rgba") << sheet("fffa") << none << "の3行目の背景色「#fffa」は、この画面では表示できません";
        QTest::newRow("#rrggbbaa") << sheet("0a0b0c80") << none << "3行目の背景色「#0a0b0c80」";
        QTest::newRow("transparent") << value("transparent") << none << "3行目の背景色「transparent」";
        QTest::newRow("inherit") << value("inherit") << none << "「inherit」";
        QTest::newRow("var()") << value("var(--page)") << none << "「var(--page)」";
        QTest::newRow("rgb() with alpha") << value("rgb(10 11 12 / 50%)") << none << "「rgb(10 11 12 / 50%)」";
        QTest::newRow("percentage between two values")
            << value("rgb(50%, 50%, 50%)") << none << "「rgb(50%, 50%, 50%)」";
        QTest::newRow("legacy rgb() mixing numbers and percentages")
            << value("rgb(10, 11, 100%)") << none << "「rgb(10, 11, 100%)」";
        QTest::newRow("hexadecimal digits read only as far as they go") << sheet("1g2zx3") << none << "「#1g2zx3」";
        QTest::newRow("empty value") << value("") << none << "3行目の背景色（値がありません）";
        QTest::newRow("another declaration") << rule("    color: #333;\n    background-color: #fff;\n    ") << white
                                             << "の3行目に、背景色の目印の間のほかの指定「color: #333」があります";
        QTest::newRow("background shorthand in front")
            << rule("    background: url(a.png);\n    background-color: #fff;\n    ") << white
            << "3行目に、背景色の目印の間のほかの指定「background: url(a.png)」";
        QTest::newRow("no declaration") << rule("    /* 色なし */\n    ") << none
                                        << "の背景色の目印の間（2行目から4行目）に背景色の指定がない";
        QTest::newRow("no markers") << QByteArray("body { background-color: #fff; }\n") << none
                                    << QString::fromUtf8("pelkavin.cssには背景色の目印「" + kMarker +
                                                         "」だけの行がない");
        QTest::newRow("no markers, Shift_JIS string with a backslash byte")
            << QByteArray("a::after { content: \"\x83\x5c\"; }\n") << none << "だけの行がない";

        QTest::newRow("second background-color")
            << rule("    background-color: #fff;\n    background-color: #000;\n    ") << none
            << "の背景色の目印の間に背景色の指定が2つあるため保存できません（3行目、4行目）";
        QTest::newRow("background shorthand after it")
            << rule("    background-color: #fff;\n    BACKGROUND: url(a.png);\n    ") << none
            << "の4行目の「BACKGROUND」の指定が目印の間の背景色を上書きするため保存できません";
        QTest::newRow("one marker") << "body {\n" + kMarker + "\n    background-color: #ccddee;\n}\n"
                                    << none
                                    << QString::fromUtf8("の背景色の目印「" + kMarker +
                                                         "」が1つあるため保存できません（2行目）");
        QTest::newRow("three markers") << sheet("ccddee") + "p {\n" + kMarker + "\n}\n"
                                       << none << "が3つあるため保存できません（2行目、4行目、7行目）";
        QTest::newRow("marker on the last line of a file without markers, as once appended")
            << "body {}" + kMarker + "\n    background-color: #ffffff;\n    " + kMarker + "\n"
            << none << "が1つあるため保存できません（3行目）";
        QTest::newRow("markers outside any rule") << kMarker + "\n    background-color: #fff;\n    " + kMarker + "\n"
                                                  << none << "の背景色の目印（1行目）が「{ }」の中にないため";
        QTest::newRow("text in front of the rule")
            << "garbage;\n" + sheet("0a0b0c") << none
            << "の1行目からの記述が、背景色の目印のある規則のセレクタとつながって";
        QTest::newRow("unfinished declaration in front")
            << "body {\n    color: red\n" + kMarker + "\n    background-color: #fff;\n    " + kMarker + "\n}\n"
            << none << "の2行目の指定が「;」で終わっていないため";
        QTest::newRow("brace in the block") << rule("    background-color: #fff; }\n    a {\n    ") << none
                                            << "の3行目で、背景色の目印の間に「}」がある";
        QTest::newRow("bracket left open")
            << value("rgb(1, 2, 3") << none << "の3行目の「(」が背景色の目印の間で閉じていない";
        QTest::newRow("last declaration runs on past the marker")
            << "body {\n" + kMarker + "\n    background-color: #fff\n    " + kMarker + "\n    color: red;\n}\n"
            << none << "の3行目の指定が「;」で終わっていないため、目印の後ろの記述とつながってしまいます";
        QTest::newRow("in @media all inside @media screen")
            << "@media all {\n@media screen {\n" + sheet("0a0b0c") + "}\n}\n"
            << c << "";
        QTest::newRow(":root > body") << ":root > " + sheet("0a0b0c") << c << "";
        QTest::newRow("hexadecimal escape ending in a line end inside an earlier string")
            << "a::after { content: \"\\41\n\"; }\n" + sheet("0a0b0c") << c << "";
        QTest::newRow("markers straight inside @media screen")
            << "@media screen {\n" + kMarker + "\n    background-color: #fff;\n    " + kMarker + "\n}\n"
            << none << "の背景色の目印（2行目）が「{ }」の中にない";
        QTest::newRow("inside @layer")
            << "@layer base {\n" + sheet("0a0b0c") + "}\n"
            << none << "の1行目の「@layer base」の中にあるため、目印の間の背景色がページに使われるかどうか";
        QTest::newRow("rule nested in a body rule") << "body {\n  " + sheet("0a0b0c") + "}\n"
                                                    << none << "の1行目の規則が「}」で閉じていない";
        QTest::newRow("functional pseudo-class")
            << "body:not(.x) {\n" + kMarker + "\n    background-color: #fff;\n    " + kMarker + "\n}\n"
            << none << "の1行目のセレクタ「body:not(.x)」がページの本体（body）に当たるかどうか";
        QTest::newRow("no markers, file ends in a comment")
            << QByteArray("body { }\n/* 終わり\n") << none << "は2行目からの記述が閉じないまま終わっている";
    }
    void sheetCases() {
        QFETCH(QByteArray, text);
        QFETCH(QColor, color);
        QFETCH(QString, problem);
        TestFiles::write(m_css, text);
        QSignalSpy scripts(PreviewWindow::instance(), &PreviewWindow::scriptRun);
        BackgroundWindow* w = open();
        QCOMPARE(w->swatch->colour(), color.isValid() ? color : QColor(0xcc, 0xdd, 0xee));
        QString opening;
        if (problem.isEmpty()) {
            QCOMPARE(scripted()->messages, QStringList());
        } else {
            QCOMPARE(scripted()->messages.size(), 1);
            opening = scripted()->messages[0];
            QVERIFY2(opening.startsWith("pelkavin.css") && opening.contains(problem), qPrintable(opening));
        }

        scripted()->messages.clear();
        apply(true, true);
        const QByteArray saved = TestFiles::read(m_css);
        QCOMPARE(saved, text);
        QCOMPARE(scripts.count(), 0);
        QCOMPARE(QDir(QFileInfo(m_css).path()).entryList(QDir::Files), QStringList{"pelkavin.css"});
        if (problem.isEmpty()) {
            QCOMPARE(scripted()->messages, QStringList());
            // Chosen again, the colour it holds leaves it as it is too.
            choose(color);
            apply(true, false);
            QCOMPARE(TestFiles::read(m_css), text);
            QCOMPARE(scripts.count(), 0);
        } else {
            QStringList expected{opening};
            if (!color.isValid())
                expected << BackgroundWindow::iconNeedsColourMessage("apple-touch-icon.png");
            QCOMPARE(scripted()->messages, QStringList{expected.join('\n')});
        }
        if (color.isValid())
            QCOMPARE(iconPixel(m_icon), color.rgb());
        else
            QCOMPARE(TestFiles::read(m_icon), QByteArray("old icon"));
    }

    // A chosen colour replaces only the background-color value; what cannot take it is left as it was.
    void chosenColour_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QColor>("chosen");
        QTest::addColumn<QByteArray>("written"); // empty: refused, the file stays
        const QColor pink(255, 0, 128);
        QTest::newRow("written form, as it always was") << sheet("ccddee") << pink << sheet("ff0080");
        QTest::newRow("zero padding") << sheet("ccddee") << QColor(0, 10, 255) << sheet("000aff");
        QTest::newRow("CR LF made LF") << sheet("fff", "\r\n") << pink << sheet("ff0080");
        const QByteArray sjis = "/* \x83\x8d\x83\x72 */\r\n"; // Shift_JIS bytes outside the block stay as they are
        QTest::newRow("bytes outside kept")
            << sjis + sheet("ccddee") + sjis << pink
            << "/* \x83\x8d\x83\x72 */\n" + sheet("ff0080") + "/* \x83\x8d\x83\x72 */\n";
        QTest::newRow("other declarations, comments and !important kept")
            << rule("    color: #333;\n    background-color: WHITE !important; /* 背景 */\n    font-size: 12px;\n    ")
            << pink
            << rule("    color: #333;\n    background-color: #ff0080 !important; /* 背景 */\n    font-size: 12px;\n   "
                    " ");
        QTest::newRow("unreadable value replaced")
            << rule("    background-color: var(--page);\n    ") << pink << rule("    background-color: #ff0080;\n    ");
        QTest::newRow("value over two lines") << rule("    background-color: rgb(1,\n        2, 3, 0.5);\n    ") << pink
                                              << rule("    background-color: #ff0080;\n    ");
        QTest::newRow("empty value") << rule("    background-color:;\n    ") << pink
                                     << rule("    background-color: #ff0080;\n    ");
        QTest::newRow("no declaration: the first line of the block")
            << rule("    /* 色なし */\n    ") << pink << rule("    background-color: #ff0080;\n    /* 色なし */\n    ");
        QTest::newRow("no markers: a body rule at the end, on a line of its own")
            << QByteArray("p { color: #333; }") << pink << "p { color: #333; }\n" + sheet("ff0080");
        QTest::newRow("empty file") << QByteArray() << pink << sheet("ff0080");
        QTest::newRow("no markers, after an at-rule")
            << QByteArray("@import url(a.css);\n") << pink << "@import url(a.css);\n" + sheet("ff0080");
        QTest::newRow("no markers, after a brace that closes nothing")
            << QByteArray("p { } }\n") << pink << QByteArray();
        QTest::newRow("three markers") << sheet("ccddee") + "p {\n" + kMarker + "\n}\n" << pink << QByteArray();
        QTest::newRow("background shorthand after it")
            << rule("    background-color: #fff;\n    background: red;\n    ") << pink << QByteArray();
        QTest::newRow("file ends in a string") << QByteArray("a::after { content: \"x") << pink << QByteArray();
    }
    // Found by fuzzing: without the value's stray byte the sheet reads as Shift_JIS, in which "\x83{"
    // is one character, so the rule in front would lose its brace. The save reads back what it would
    // write.
    void writtenColourMustReadBack() {
        const QByteArray text =
            "a\x83{ }\nbody {\n" + kMarker + "\n    background-color: \xff;\n    " + kMarker + "\n}\n";
        TestFiles::write(m_css, text);
        open();
        scripted()->messages.clear();
        choose(QColor(255, 0, 128));
        apply(true, false);
        QCOMPARE(TestFiles::read(m_css), text);
        QCOMPARE(scripted()->messages,
                 QStringList{
                     "pelkavin.cssは、保存すると書いた背景色がページに届かなくなるため保存できません（文字コードが変わ"
                     "るなど）..."});
    }

    void chosenColour() {
        QFETCH(QByteArray, text);
        QFETCH(QColor, chosen);
        QFETCH(QByteArray, written);
        TestFiles::write(m_css, text);
        QSignalSpy scripts(PreviewWindow::instance(), &PreviewWindow::scriptRun);
        open();
        const QStringList opening = scripted()->messages;
        scripted()->messages.clear();
        choose(chosen);
        apply(true, false);
        if (written.isEmpty()) {
            QCOMPARE(TestFiles::read(m_css), text);
            QCOMPARE(scripted()->messages, opening);
            QCOMPARE(scripts.count(), 0);
            return;
        }
        QCOMPARE(TestFiles::read(m_css), written);
        QCOMPARE(scripted()->messages, QStringList());
        QCOMPARE(StyleSheetColour::read(written, "pelkavin.css").color, std::optional<QColor>(chosen));
        // Applied again: nothing to write, so nothing is written.
        apply(true, false);
        QCOMPARE(TestFiles::read(m_css), written);
        QCOMPARE(scripts.count(), 1);
    }

    // Style sheet and icon: the old file stays byte for byte however the disk fails, and the message
    // names the file and why.
    void failingDiskKeepsTheOldFiles_data() {
        FailingFolder::addRows();
    }
    void failingDiskKeepsTheOldFiles() {
        QFETCH(WriteFailure, failure);
        open();
        choose(QColor(0, 10, 255));
        QSignalSpy scripts(PreviewWindow::instance(), &PreviewWindow::scriptRun);
        for (const QString& file : {m_css, m_icon}) {
            const QByteArray before = TestFiles::read(file);
            FailingFolder folder(failure, QFileInfo(file).path());
            if (!folder.skipReason().isEmpty())
                QSKIP(qPrintable(folder.skipReason()));
            const QStringList entries = folder.entries();
            scripted()->messages.clear();
            apply(file == m_css, file == m_icon);
            QCOMPARE(TestFiles::read(file), before);
            QCOMPARE(scripted()->messages.size(), 1);
            const QString message = scripted()->messages[0];
            QVERIFY2(message.startsWith(QFileInfo(file).fileName() + "に書き込めませんでした（") &&
                         !message.contains("（）"),
                     qPrintable(message));
            QCOMPARE(folder.entries(), entries);
        }
        QCOMPARE(scripts.count(), 0);
    }

    void applyTargets_data() {
        QTest::addColumn<bool>("disp");
        QTest::addColumn<bool>("icon");
        QTest::newRow("both") << true << true;
        QTest::newRow("only the style sheet") << true << false;
        QTest::newRow("only the icon") << false << true;
        QTest::newRow("neither") << false << false;
    }
    void applyTargets() {
        QFETCH(bool, disp);
        QFETCH(bool, icon);
        const QByteArray oldCss = TestFiles::read(m_css);
        PreviewWindow* preview = PreviewWindow::instance();
        QSignalSpy scripts(preview, &PreviewWindow::scriptRun);
        QByteArray iconAtReload;
        connect(preview, &PreviewWindow::scriptRun, this, [&] { iconAtReload = TestFiles::read(m_icon); });
        open();
        choose(QColor(255, 0, 128));
        apply(disp, icon);

        QCOMPARE(TestFiles::read(m_css), disp ? sheet("ff0080") : oldCss);
        QCOMPARE(scripts.count(), disp ? 1 : 0);
        if (disp) {
            QCOMPARE(scripts.at(0).at(0).toString(), QStringLiteral("location.reload();"));
            QCOMPARE(preview->requestedUrl(), QUrl::fromLocalFile(PageSet::chosen().topPage()));
            // The style sheet and the preview come before the icon.
            QCOMPARE(iconAtReload, QByteArray("old icon"));
        }
        if (icon) {
            const QImage png(m_icon, "PNG");
            QCOMPARE(png.size(), QSize(180, 180));
            QCOMPARE(qAlpha(png.pixel(0, 0)), 0);
            QCOMPARE(qAlpha(png.pixel(179, 179)), 0);
            QCOMPARE(png.pixel(10, 90), qRgba(255, 0, 128, 255)); // beside the head
            QCOMPARE(png.pixel(68, 88), qRgba(255, 0, 128, 255)); // through an eye
            QCOMPARE(png.pixel(90, 60), qRgba(255, 255, 255, 255));
            const QByteArray first = TestFiles::read(m_icon);
            apply(false, true);
            QCOMPARE(TestFiles::read(m_icon), first);
        } else {
            QCOMPARE(TestFiles::read(m_icon), QByteArray("old icon"));
        }
        QVERIFY(scripted()->messages.isEmpty());
    }

    // Without a colour chosen or read from the style sheet the icon is not made: the layout colour
    // is nobody's choice. The colour read is used, and so is one chosen after a refusal.
    void iconNeedsAColour() {
        BackgroundWindow* w = BackgroundWindow::instance(); // not loaded: the swatch shows the layout colour
        apply(false, true);
        QCOMPARE(scripted()->messages, QStringList{BackgroundWindow::iconNeedsColourMessage("apple-touch-icon.png")});
        QCOMPARE(TestFiles::read(m_icon), QByteArray("old icon"));
        w->load();
        apply(false, true);
        QCOMPARE(iconPixel(m_icon), qRgb(0xcc, 0xdd, 0xee));
        // A style sheet that no longer gives a colour takes the colour read before with it.
        TestFiles::write(m_css, rule("    background-color: transparent;\n    "));
        scripted()->messages.clear();
        apply(true, true);
        QCOMPARE(scripted()->messages.size(), 1);
        QVERIFY(scripted()->messages[0].endsWith(BackgroundWindow::iconNeedsColourMessage("apple-touch-icon.png")));
        choose(QColor(1, 2, 3));
        scripted()->messages.clear();
        apply(true, true);
        QCOMPARE(scripted()->messages, QStringList());
        QCOMPARE(TestFiles::read(m_css), rule("    background-color: #010203;\n    "));
        QCOMPARE(iconPixel(m_icon), qRgb(1, 2, 3));
    }

    // Unchosen, the save takes the colour the file holds at the save, not the one read at opening:
    // what another program wrote in between stays what the page reads.
    void unchosenSaveKeepsTheColourOnDisk() {
        BackgroundWindow* w = open();
        TestFiles::write(m_css, sheet("123456"));
        apply(true, true);
        QCOMPARE(TestFiles::read(m_css), sheet("123456"));
        QCOMPARE(w->swatch->colour(), QColor(0x12, 0x34, 0x56));
        QCOMPARE(iconPixel(m_icon), qRgb(0x12, 0x34, 0x56));
        QVERIFY(scripted()->messages.isEmpty());
    }

    void closedPreviewComesBack() {
        open();
        choose(QColor(1, 2, 3));
        PreviewWindow::instance()->close();
        QTRY_VERIFY(!PreviewWindow::isOpen());
        apply(true, false);
        QVERIFY(PreviewWindow::isOpen());
        QVERIFY(PreviewWindow::instance()->isVisible());
    }

    void failures_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("cssWritten");
        QTest::addColumn<bool>("iconWritten");
        QTest::addColumn<QStringList>("messages");
        const QString css = "pelkavin.css", icon = "apple-touch-icon.png";
        QTest::newRow("style sheet write fails")
            << "cssWrite" << false << true << QStringList{Messages::cannotWrite(css, "空き容量が足りません")};
        QTest::newRow("style sheet gone")
            << "cssGone" << false << true << QStringList{Messages::cannotRead(css, "見つかりません")};
        QTest::newRow("img folder missing")
            << "noImg" << true << false << QStringList{Messages::cannotWrite(icon, "見つかりません")};
        QTest::newRow("icon write fails")
            << "iconWrite" << true << false << QStringList{Messages::cannotWrite(icon, "空き容量が足りません")};
        QTest::newRow("icon handle unset") << "noIconHandle" << true << false << QStringList{};
    }
    void failures() {
        QFETCH(QString, fault);
        QFETCH(bool, cssWritten);
        QFETCH(bool, iconWritten);
        QFETCH(QStringList, messages);
        const QByteArray oldCss = TestFiles::read(m_css);
        BackgroundWindow* w = open();
        choose(QColor(0, 10, 255));
        QSignalSpy scripts(PreviewWindow::instance(), &PreviewWindow::scriptRun);
        if (fault == "cssGone")
            QFile::remove(m_css);
        if (fault == "noImg")
            QDir(QFileInfo(m_icon).path()).removeRecursively();
        if (fault == "noIconHandle")
            PageSet::chosen().setPath(PageSet::Entry::Icon, {});
        if (fault == "cssWrite") {
            FileIO::injectWriteFailure(5);
            w->findChild<QCheckBox*>("iconTarget")->setChecked(false);
            QTest::mouseClick(w->findChild<QPushButton*>("applyButton"), Qt::LeftButton);
            w->findChild<QCheckBox*>("iconTarget")->setChecked(true);
            w->findChild<QCheckBox*>("pageTarget")->setChecked(false);
            QTest::mouseClick(w->findChild<QPushButton*>("applyButton"), Qt::LeftButton);
        } else if (fault == "iconWrite") {
            apply(true, false);
            FileIO::injectWriteFailure(5);
            apply(false, true);
        } else {
            apply(true, true);
        }

        QCOMPARE(scripted()->messages, messages);
        QCOMPARE(scripts.count(), cssWritten ? 1 : 0);
        if (fault == "cssGone")
            QVERIFY(!QFile::exists(m_css));
        else
            QCOMPARE(TestFiles::read(m_css), cssWritten ? sheet("000aff") : oldCss);
        if (fault != "noImg") {
            const QByteArray png = TestFiles::read(m_icon);
            QCOMPARE(png.startsWith("\x89PNG"), iconWritten);
            if (!iconWritten)
                QCOMPARE(png, QByteArray("old icon"));
            // No temporary file is left beside the icon.
            QCOMPARE(QDir(QFileInfo(m_icon).path()).entryList(QDir::Files), QStringList{"apple-touch-icon.png"});
        }
    }

    // Judged by the preview's browser engine: where the page's body takes the block's colour, the
    // window shows it and a chosen colour reaches the page; where it does not, the window says so at
    // opening, naming the line, and the save writes nothing.
    void browserAgrees_data() {
        QTest::addColumn<QByteArray>("css");
        QTest::addColumn<QByteArray>("charset"); // what n.htm declares
        QTest::addColumn<QString>("problem");    // empty: the browser applies the block
        const QByteArray block = sheet("0a0b0c");
        const QByteArray body = "body {\n" + kMarker + "\n    background-color: #0a0b0c;\n    " + kMarker + "\n}\n";
        auto selector = [&](const QByteArray& s) { return QByteArray(body).replace("body {", s + " {"); };
        const QByteArray sjisBefore = "a::after { content: \"\x95\x5c\"; }\n"; // 表 in Shift_JIS
        QTest::newRow("plain") << block << QByteArray("utf-8") << "";
        QTest::newRow("@media screen") << "@media screen {\n" + block + "}\n" << QByteArray("utf-8") << "";
        QTest::newRow("@supports that holds") << "@supports (display: grid) {\n" + block + "}\n"
                                              << QByteArray("utf-8") << "";
        QTest::newRow("html > body in a list") << selector("html > body, p") << QByteArray("utf-8") << "";
        QTest::newRow("escaped property name")
            << QByteArray(body).replace("background-color", "back\\67 round-color") << QByteArray("utf-8") << "";
        QTest::newRow("Shift_JIS sheet in a Shift_JIS page") << sjisBefore + block << QByteArray("Shift_JIS") << "";
        // A lead byte no character can start with the quote after it: the quote still ends the string.
        QTest::newRow("lone lead byte before a quote")
            << "a::after { content: \"\x82\"; }\n" + block << QByteArray("Shift_JIS") << "";

        // The old way of hiding a sheet from browsers without CSS: the marks stand outside any rule.
        QTest::newRow("HTML comment marks around the rules") << "<!--\n" + block + "-->\n<!-- h1 { color: red; } -->\n"
                                                             << QByteArray("utf-8") << "";
        QTest::newRow("HTML comment mark run into the selector") << "<!--" + block << QByteArray("utf-8") << "";

        QTest::newRow("earlier rule left unclosed")
            << "h1 { color: red;\n" + block << QByteArray("utf-8") << "の1行目の規則が「}」で閉じていないため";
        QTest::newRow("misspelt pseudo-class")
            << selector("body:hovr") << QByteArray("utf-8") << "の1行目のセレクタ「body:hovr」はブラウザが読めない";
        QTest::newRow("empty selector in a list")
            << selector("body,") << QByteArray("utf-8") << "の1行目のセレクタ「body,」はブラウザが読めない";
        QTest::newRow("HTML comment mark inside a selector")
            << selector("html <!-- body") << QByteArray("utf-8")
            << "の1行目のセレクタ「html <!-- body」はブラウザが読めない";
        QTest::newRow("not the body") << selector("body.dark") << QByteArray("utf-8")
                                      << "の1行目のセレクタ「body.dark」はページの本体（body）を指していない";
        QTest::newRow("@media print") << "@media print {\n" + block + "}\n"
                                      << QByteArray("utf-8")
                                      << "の1行目の「@media print」の中にあるため、目印の間の背景色は画面に";
        QTest::newRow("@supports that fails") << "@supports not (display: grid) {\n" + block + "}\n"
                                              << QByteArray("utf-8") << "「@supports not (display: grid)」の中にある";
        QTest::newRow("@media with a width") << "@media (max-width: 100000px) {\n" + block + "}\n"
                                             << QByteArray("utf-8") << "この画面では確かめられず";
        QTest::newRow("form feed in an earlier string")
            << "a::after { content: \"x\fy\"; }\n" + block << QByteArray("utf-8")
            << "の1行目の規則が「}」で閉じていないため";
        QTest::newRow("Shift_JIS sheet in a UTF-8 page")
            << sjisBefore + block << QByteArray("utf-8") << "の1行目の規則が「}」で閉じていないため";
    }
    void browserAgrees() {
#ifndef PKL_HAVE_WEBENGINE
        QSKIP("built without the web engine");
#else
        QFETCH(QByteArray, css);
        QFETCH(QByteArray, charset);
        QFETCH(QString, problem);
        const QString top = PageSet::chosen().topPage();
        TestFiles::write(top, "<html><head><meta charset=\"" + charset +
                                  "\"><link rel=\"stylesheet\" href=\"js/pelkavin.css\"></head><body>x</body></html>");
        TestFiles::write(m_css, css);
        const QString block = QStringLiteral("rgb(10, 11, 12)");
        const QString before = pageBackground(top);
        // Where this tool cannot tell (a width), it refuses, whatever this browser's window makes of it.
        if (!problem.contains("確かめられず"))
            QCOMPARE(before == block, problem.isEmpty());

        BackgroundWindow* w = open();
        const QStringList opening = scripted()->messages;
        scripted()->messages.clear();
        choose(QColor(255, 0, 128));
        apply(true, false);
        if (problem.isEmpty()) {
            QCOMPARE(opening, QStringList());
            QCOMPARE(scripted()->messages, QStringList());
            QVERIFY(TestFiles::read(m_css) != css);
            QCOMPARE(pageBackground(top), QStringLiteral("rgb(255, 0, 128)"));
        } else {
            QCOMPARE(opening.size(), 1);
            QVERIFY2(opening[0].startsWith("pelkavin.css") && opening[0].contains(problem), qPrintable(opening[0]));
            QCOMPARE(w->swatch->colour(), QColor(255, 0, 128)); // the choice, never the block's colour
            QCOMPARE(TestFiles::read(m_css), css);
            QCOMPARE(pageBackground(top), before);
        }
#endif
    }

    void palette() {
        TestFiles::write(m_css, sheet("abcdef"));
        auto* open = PaletteWindow::instance()->findChild<QPushButton*>("backgroundButton");
        QTest::mouseClick(open, Qt::LeftButton);
        QVERIFY(BackgroundWindow::isOpen());
        BackgroundWindow* w = BackgroundWindow::instance();
        QCOMPARE(w->swatch->colour(), QColor(0xab, 0xcd, 0xef));
        // A colour chosen but not applied gives way to the file's at the next click.
        scripted()->colors.enqueue(QColor(9, 9, 9));
        w->chooseColour();
        QTest::mouseClick(open, Qt::LeftButton);
        QCOMPARE(BackgroundWindow::instance(), w);
        QCOMPARE(w->swatch->colour(), QColor(0xab, 0xcd, 0xef));
        // Without the style sheet the palette does not open the window.
        closeWindows();
        QFile::remove(m_css);
        QTest::mouseClick(open, Qt::LeftButton);
        QVERIFY(!BackgroundWindow::isOpen());
    }
};

PKL_GUI_TEST_MAIN(TestBackgroundWindow)

#include "tst_backgroundwindow.moc"
