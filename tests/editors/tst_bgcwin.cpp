// The page colour: the style sheet's colour block, the home-screen icon and the window BgcWin.
// Not covered here: the preview's own loading and the system colour picker (shell, scripted platform).
#include "BgColor.h"
#include "BgcWin.h"
#include "Editors.h"
#include "FailingFolder.h"
#include "FileIO.h"
#include "HomeIcon.h"
#include "Module1.h"
#include "PlkWin.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "ToolWin.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {
ScriptedPlatform* scripted() {
    return static_cast<ScriptedPlatform*>(&Platform::get());
}

const QByteArray kMarker = "/*body-gackground-color*/";

QByteArray sheet(const char* digits, const QByteArray& eol = "\n") {
    return "body {" + eol + kMarker + eol + "    background-color: #" + digits + ";" + eol + "    " + kMarker + eol +
           "}" + eol;
}

// An art with something in every part the icon treats differently: opaque corners (to be cut away),
// an opaque middle, a half-transparent band and transparent ground.
QImage testArt(int w, int h) {
    QImage art(w, h, QImage::Format_ARGB32);
    art.fill(Qt::transparent);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (y < h / 4)
                art.setPixel(x, y, qRgba(0, 255, 0, 255));
            else if (x >= w / 3 && x < 2 * w / 3 && y >= h / 3 && y < 2 * h / 3)
                art.setPixel(x, y, qRgba(255, 0, 0, 255));
            else if (y >= 3 * h / 4)
                art.setPixel(x, y, qRgba(255, 255, 255, 128));
        }
    return art;
}

// Pixels clearly outside the corner arcs must be fully transparent, all others clearly inside fully
// opaque; the antialiased rim between is left alone. Returns the number of pixels that break this.
int cornerFaults(const QImage& icon) {
    const int w = icon.width(), h = icon.height();
    const double rx = int(w / 5.0) / 2.0, ry = int(h / 5.0) / 2.0;
    int faults = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            double d = 0;
            // A pixel that reaches into a corner's square counts as a corner pixel.
            const bool cornerX = x < rx || x + 1 > w - rx, cornerY = y < ry || y + 1 > h - ry;
            if (cornerX && cornerY) {
                const double dx = (px - (px < w / 2.0 ? rx : w - rx)) / rx,
                             dy = (py - (py < h / 2.0 ? ry : h - ry)) / ry;
                d = dx * dx + dy * dy;
            }
            const int alpha = qAlpha(icon.pixel(x, y));
            if ((d > 1.3 && alpha != 0) || (d < 0.7 && alpha != 255))
                ++faults;
        }
    return faults;
}
} // namespace

class TestColorBlock : public QObject {
    Q_OBJECT
private slots:
    void read_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QColor>("color");
        QTest::newRow("lower case") << sheet("ccddee") << QColor(204, 221, 238);
        QTest::newRow("upper case") << sheet("CCDDEE") << QColor(204, 221, 238);
        QTest::newRow("CR LF") << sheet("102030", "\r\n") << QColor(16, 32, 48);
        QTest::newRow("lone CR") << sheet("102030", "\r") << QColor(16, 32, 48);
        QTest::newRow("three digits") << sheet("fff") << QColor(255, 15, 0);
        QTest::newRow("pairs read as far as hexadecimal") << sheet("1g2zx3") << QColor(1, 2, 0);
        QTest::newRow("named colour") << "body {\n" + kMarker + "\n    background-color: white;\n    " + kMarker +
                                             "\n}\n"
                                      << QColor(0, 0, 0);
        QTest::newRow("no marker") << QByteArray("body { background-color: #ffffff; }\n") << QColor(0, 0, 0);
        QTest::newRow("marker not alone on its line")
            << "body {\n" + kMarker + " \n    background-color: #ffffff;\n    " + kMarker + "\n}\n"
            << QColor(0, 0, 0);
        QTest::newRow("no semicolon") << "a\n" + kMarker + "\n#0a0b0c" << QColor(10, 11, 12);
    }
    void read() {
        QFETCH(QByteArray, text);
        QFETCH(QColor, color);
        QCOMPARE(BgColor::ReadColor(text), color);
    }

    void write_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QColor>("color");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("zero padding") << sheet("ccddee") << QColor(0, 10, 255) << sheet("000aff");
        QTest::newRow("CR LF written back with LF")
            << sheet("ccddee", "\r\n") << QColor(255, 0, 128) << sheet("ff0080");
        const QByteArray sjis = "/* \x83\x8d\x83\x72 */\r\n"; // Shift_JIS bytes outside the block stay as they are
        QTest::newRow("bytes outside kept")
            << sjis + sheet("ccddee") + sjis << QColor(1, 2, 3)
            << "/* \x83\x8d\x83\x72 */\n" + sheet("010203") + "/* \x83\x8d\x83\x72 */\n";
        QTest::newRow("no marker appends the block")
            << QByteArray("body {}") << QColor(255, 255, 255)
            << "body {}" + kMarker + "\n    background-color: #ffffff;\n    " + kMarker + "\n";
        const QByteArray more = "p {\n" + kMarker + "\n    color: red;\n" + kMarker + "\n}\n";
        QTest::newRow("three markers keep all text")
            << sheet("ccddee") + more << QColor(0, 0, 0) << sheet("000000") + more;
    }
    void write() {
        QFETCH(QByteArray, text);
        QFETCH(QColor, color);
        QFETCH(QByteArray, written);
        const std::optional<QByteArray> out = BgColor::WriteColor(text, color);
        QVERIFY(out);
        QCOMPARE(*out, written);
        QCOMPARE(BgColor::ReadColor(*out), color);
        // A second write changes nothing further.
        QCOMPARE(BgColor::WriteColor(*out, color), out);
    }
    void writeRefusesSingleMarker() {
        QVERIFY(!BgColor::WriteColor("body {\n" + kMarker + "\n    background-color: #ccddee;\n}\n", Qt::red));
        QVERIFY(!BgColor::WriteColor("body {\n    background-color: #ccddee;\n    " + kMarker + "\n}\n", Qt::red));
    }
};

class TestHomeIcon : public QObject {
    Q_OBJECT
private slots:
    void icon_data() {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::newRow("180 square") << 180 << 180;
        QTest::newRow("wide: elliptic corners") << 200 << 100;
        QTest::newRow("tall with fractional arcs") << 97 << 183;
    }
    void icon() {
        QFETCH(int, w);
        QFETCH(int, h);
        const QColor c(12, 200, 99);
        const QImage icon = HomeIcon::Make(testArt(w, h), c);
        QCOMPARE(icon.size(), QSize(w, h));
        QVERIFY(icon.hasAlphaChannel());
        QCOMPARE(cornerFaults(icon), 0);
        // The art hides the plate where it is opaque, lets it through where it is not.
        QCOMPARE(icon.pixel(w / 2, h / 2), qRgba(255, 0, 0, 255));
        QCOMPARE(icon.pixel(w / 2, h / 4 - 1), qRgba(0, 255, 0, 255));
        QCOMPARE(icon.pixel(w / 6, h / 2), c.rgb());
        const QRgb half = icon.pixel(w / 2, h - h / 8);
        QCOMPARE(qAlpha(half), 255);
        QVERIFY(qAbs(qRed(half) - (255 + 12) / 2) <= 2 && qAbs(qGreen(half) - (255 + 200) / 2) <= 2);
        // The same colour gives the same picture and the same file.
        const QImage again = HomeIcon::Make(testArt(w, h), c);
        QCOMPARE(again, icon);
        QCOMPARE(HomeIcon::EncodePng(again), HomeIcon::EncodePng(icon));
        const QImage decoded = QImage::fromData(*HomeIcon::EncodePng(icon), "PNG");
        QCOMPARE(decoded.convertToFormat(QImage::Format_ARGB32), icon);
    }
    void noArt() {
        QVERIFY(HomeIcon::Make(QImage(), Qt::red).isNull());
        QVERIFY(!HomeIcon::EncodePng(QImage()));
    }
    void shippedArt() {
        const QImage art = HomeIcon::appletouchicon180();
        QCOMPARE(art.size(), QSize(180, 180));
        QVERIFY(art.hasAlphaChannel());
        QCOMPARE(qAlpha(art.pixel(5, 90)), 0);  // the ground
        QCOMPARE(qAlpha(art.pixel(68, 88)), 0); // an eye
        QCOMPARE(art.pixel(90, 60), qRgba(255, 255, 255, 255));
        QCOMPARE(HomeIcon::appletouchicon180().cacheKey(), art.cacheKey());
    }
};

class TestBgcWin : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_css, m_icon;

    static void closeWindows() {
        delete (BgcWin::isOpen() ? BgcWin::instance() : nullptr);
        delete (PlkWin::isOpen() ? PlkWin::instance() : nullptr);
    }
    static void apply(bool disp, bool icon) {
        BgcWin* w = BgcWin::instance();
        w->findChild<QCheckBox*>("DispCB")->setChecked(disp);
        w->findChild<QCheckBox*>("IconCB")->setChecked(icon);
        QTest::mouseClick(w->findChild<QPushButton*>("ChangePB"), Qt::LeftButton);
    }

private slots:
    void initTestCase() { RegisterEditors(); }
    void init() {
        ScriptedPlatform::install();
        m_dir = std::make_unique<QTemporaryDir>();
        const QString root = m_dir->filePath("plk");
        TestFiles::write(root + "/n.htm", "<html></html>");
        m_css = TestFiles::write(root + "/js/pelkavin.css", sheet("ccddee", "\r\n"));
        m_icon = TestFiles::write(root + "/img/apple-touch-icon.png", "old icon");
        using namespace Module1;
        gPLKFolder = root;
        gHpFile = root + "/n.htm";
        gCSSFile = m_css;
        gIconFile = m_icon;
        gAccessType = 0;
    }
    void cleanup() { closeWindows(); }

    void layout() {
        BgcWin* w = BgcWin::instance();
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
        } controls[] = {{"ChangePB", {161, 97, 108, 20}, "背景色変更", true},
                        {"Label1", {13, -53, 120, 20}, "pelkavin.cssを選択：", false},
                        {"bkgRt", {75, 17, 74, 34}, nullptr, true},
                        {"Label2", {20, 24, 57, 20}, "背景色：", true},
                        {"SelectPB", {161, 24, 108, 20}, "色を選択", true},
                        {"IconCB", {171, 63, 98, 20}, "アイコン背景", true},
                        {"DispCB", {84, 63, 75, 20}, "画面背景", true},
                        {"Label3", {1, 63, 77, 20}, "対象：", false}};
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
        QCOMPARE(w->bkgRt->FillColor(), QColor(0xcc, 0xdd, 0xee));
        QCOMPARE(w->bkgRt->BorderWidth, 5);
        QCOMPARE(w->bkgRt->TopLeftColor, QColor(0x7f, 0x7f, 0x7f));
        QCOMPARE(w->bkgRt->BottomRightColor, QColor(0, 0, 0));
        // Controls stay at the top left on a resize.
        w->resize(500, 400);
        QCOMPARE(w->findChild<QWidget*>("ChangePB")->geometry(), QRect(161, 97, 108, 20));
    }

    void load() {
        TestFiles::write(m_css, sheet("123456"));
        BgcWin* w = BgcWin::instance();
        w->LoadBkgData();
        QCOMPARE(w->bkgRt->FillColor(), QColor(0x12, 0x34, 0x56));
        // Without a style sheet the swatch stays.
        QFile::remove(m_css);
        w->LoadBkgData();
        Module1::gCSSFile = std::nullopt;
        w->LoadBkgData();
        QCOMPARE(w->bkgRt->FillColor(), QColor(0x12, 0x34, 0x56));
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
        BgcWin* w = BgcWin::instance();
        w->LoadBkgData();
        const QByteArray css = TestFiles::read(m_css);
        if (confirm)
            scripted()->colors.enqueue(QColor(1, 2, 3));
        if (fromSwatch)
            QTest::mouseClick(w->bkgRt, Qt::LeftButton, {}, QPoint(10, 10));
        else
            QTest::mouseClick(w->findChild<QPushButton*>("SelectPB"), Qt::LeftButton);
        QCOMPARE(scripted()->colorPrompts, QStringList{"背景色を選んで下さい"});
        QCOMPARE(scripted()->colorStarts, QList<QColor>{QColor(0xcc, 0xdd, 0xee)});
        QCOMPARE(w->bkgRt->FillColor(), confirm ? QColor(1, 2, 3) : QColor(0xcc, 0xdd, 0xee));
        // Choosing writes nothing.
        QCOMPARE(TestFiles::read(m_css), css);
        QCOMPARE(TestFiles::read(m_icon), QByteArray("old icon"));
        QVERIFY(!PlkWin::isOpen());
    }

    // Style sheet and icon: the old file stays byte for byte however the disk fails.
    void failingDiskKeepsTheOldFiles_data() { FailingFolder::addRows(); }
    void failingDiskKeepsTheOldFiles() {
        QFETCH(WriteFailure, failure);
        BgcWin* w = BgcWin::instance();
        w->bkgRt->setFillColor(QColor(0, 10, 255));
        QSignalSpy scripts(PlkWin::instance(), &PlkWin::scriptRun);
        for (const QString& file : {m_css, m_icon}) {
            const QByteArray before = TestFiles::read(file);
            FailingFolder folder(failure, QFileInfo(file).path());
            if (!folder.skipReason().isEmpty())
                QSKIP(qPrintable(folder.skipReason()));
            const QStringList entries = folder.entries();
            scripted()->messages.clear();
            apply(file == m_css, file == m_icon);
            QCOMPARE(TestFiles::read(file), before);
            QCOMPARE(scripted()->messages,
                     QStringList{file == m_css ? BgcWin::kStyleSheetNotSaved : BgcWin::kIconNotSaved});
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
        PlkWin* preview = PlkWin::instance();
        QSignalSpy scripts(preview, &PlkWin::scriptRun);
        QByteArray iconAtReload;
        connect(preview, &PlkWin::scriptRun, this, [&] { iconAtReload = TestFiles::read(m_icon); });
        BgcWin::instance()->bkgRt->setFillColor(QColor(255, 0, 128));
        apply(disp, icon);

        QCOMPARE(TestFiles::read(m_css), disp ? sheet("ff0080") : oldCss);
        QCOMPARE(scripts.count(), disp ? 1 : 0);
        if (disp) {
            QCOMPARE(scripts.at(0).at(0).toString(), QStringLiteral("location.reload();"));
            QCOMPARE(preview->requestedUrl(), QUrl::fromLocalFile(*Module1::gHpFile));
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

    void closedPreviewComesBack() {
        PlkWin::instance()->close();
        QTRY_VERIFY(!PlkWin::isOpen());
        apply(true, false);
        QVERIFY(PlkWin::isOpen());
        QVERIFY(PlkWin::instance()->isVisible());
    }

    void failures_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("cssWritten");
        QTest::addColumn<bool>("iconWritten");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("style sheet write fails")
            << "cssWrite" << false << true << QStringList{BgcWin::kStyleSheetNotSaved};
        QTest::newRow("style sheet gone") << "cssGone" << false << true << QStringList{BgcWin::kStyleSheetNotSaved};
        QTest::newRow("marker once") << "oneMarker" << false << true << QStringList{BgcWin::kStyleSheetMarkers};
        QTest::newRow("img folder missing") << "noImg" << true << false << QStringList{BgcWin::kIconNotSaved};
        QTest::newRow("icon write fails") << "iconWrite" << true << false << QStringList{BgcWin::kIconNotSaved};
        QTest::newRow("icon handle unset") << "noIconHandle" << true << false << QStringList{};
    }
    void failures() {
        QFETCH(QString, fault);
        QFETCH(bool, cssWritten);
        QFETCH(bool, iconWritten);
        QFETCH(QStringList, messages);
        const QByteArray oneMarker = "body {\n" + kMarker + "\n    background-color: #ccddee;\n}\n";
        if (fault == "oneMarker")
            TestFiles::write(m_css, oneMarker);
        const QByteArray oldCss = TestFiles::read(m_css);
        BgcWin* w = BgcWin::instance();
        w->bkgRt->setFillColor(QColor(0, 10, 255));
        QSignalSpy scripts(PlkWin::instance(), &PlkWin::scriptRun);
        if (fault == "cssGone")
            QFile::remove(m_css);
        if (fault == "noImg")
            QDir(QFileInfo(m_icon).path()).removeRecursively();
        if (fault == "noIconHandle")
            Module1::gIconFile = std::nullopt;
        if (fault == "cssWrite") {
            FileIO::InjectWriteFailure(5);
            w->findChild<QCheckBox*>("IconCB")->setChecked(false);
            QTest::mouseClick(w->findChild<QPushButton*>("ChangePB"), Qt::LeftButton);
            w->findChild<QCheckBox*>("IconCB")->setChecked(true);
            w->findChild<QCheckBox*>("DispCB")->setChecked(false);
            QTest::mouseClick(w->findChild<QPushButton*>("ChangePB"), Qt::LeftButton);
        } else if (fault == "iconWrite") {
            apply(true, false);
            FileIO::InjectWriteFailure(5);
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
            const QByteArray icon = TestFiles::read(m_icon);
            QCOMPARE(icon.startsWith("\x89PNG"), iconWritten);
            if (!iconWritten)
                QCOMPARE(icon, QByteArray("old icon"));
            // No temporary file is left beside the icon.
            QCOMPARE(QDir(QFileInfo(m_icon).path()).entryList(QDir::Files), QStringList{"apple-touch-icon.png"});
        }
    }

    void palette() {
        TestFiles::write(m_css, sheet("abcdef"));
        auto* open = ToolWin::instance()->findChild<QPushButton*>("BackColorBB");
        QTest::mouseClick(open, Qt::LeftButton);
        QVERIFY(BgcWin::isOpen());
        BgcWin* w = BgcWin::instance();
        QCOMPARE(w->bkgRt->FillColor(), QColor(0xab, 0xcd, 0xef));
        // A colour chosen but not applied gives way to the file's at the next click.
        scripted()->colors.enqueue(QColor(9, 9, 9));
        w->DoSelectColor();
        QTest::mouseClick(open, Qt::LeftButton);
        QCOMPARE(BgcWin::instance(), w);
        QCOMPARE(w->bkgRt->FillColor(), QColor(0xab, 0xcd, 0xef));
        // Without the style sheet the palette does not open the window.
        closeWindows();
        QFile::remove(m_css);
        QTest::mouseClick(open, Qt::LeftButton);
        QVERIFY(!BgcWin::isOpen());
    }
};

PKL_GUI_TEST_MAIN(TestColorBlock, TestHomeIcon, TestBgcWin)

#include "tst_bgcwin.moc"
