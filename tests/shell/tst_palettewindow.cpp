// The palette: its layout, the placement rule for the windows it opens, and how it opens them.
// Not covered here: the editors and card tools it opens (their own test programs), the menu bar it
// holds (tst_mainmenubar).
#include "Controls.h"
#include "PageSet.h"
#include "PaletteWindow.h"
#include "PreviewWindow.h"
#include "ShellFixtures.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "WindowFrame.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

class TestPaletteWindow : public QObject {
    Q_OBJECT
private slots:
    void init() {
        resetPageSet();
        ScriptedPlatform::install();
    }
    void cleanup() { closeShellWindows(); }

    void placement_data() {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("paletteWidth");
        QTest::addColumn<int>("placed");
        QTest::newRow("at palette left") << 20 << 156 << 176;
        QTest::newRow("inside") << 100 << 156 << 256;
        QTest::newRow("just inside") << 175 << 156 << 331;
        QTest::newRow("at right edge") << 176 << 156 << 176;
        QTest::newRow("right of it") << 500 << 156 << 500;
        QTest::newRow("negative left") << -300 << 156 << -144;
        QTest::newRow("widened palette") << 100 << 300 << 400;
    }
    void placement() {
        QFETCH(int, left);
        QFETCH(int, paletteWidth);
        QFETCH(int, placed);
        QCOMPARE(placedLeft(left, 20, paletteWidth), placed);
    }
    void placementMovesOnlyTheLeftEdge() {
        PaletteWindow* palette = PaletteWindow::instance();
        palette->move(20, 40);
        QWidget w;
        w.setGeometry(100, 200, 300, 150);
        const QPoint before = w.pos();
        PaletteWindow::place(&w);
        QCOMPARE(w.pos(), QPoint(before.x() + palette->width(), before.y()));
        QCOMPARE(w.size(), QSize(300, 150));
    }
    void layout() {
        PaletteWindow* t = PaletteWindow::instance();
        QCOMPARE(t->windowTitle(), QStringLiteral("ツール"));
        QCOMPARE(t->centralWidget()->size(), QSize(156, 317));
        QVERIFY(!(t->windowFlags() & Qt::WindowCloseButtonHint));
        const struct {
            const char* name;
            const char* caption;
            int top;
        } rows[] = {{"chooseFolderButton", "plkフォルダを選択", 11}, {"previewButton", "プレビュー / 操作", 45},
                    {"buttonEditorButton", "ボタンの編集", 68},      {"backgroundButton", "背景色の編集", 93},
                    {"uploadSwitchButton", "Upload=1の設定", 193},   {"quitButton", "終了", 285},
                    {"wordEditorButton", "認識語の編集", 119},       {"packageCopyButton", "PLK用FlashAir作成", 219}};
        for (const auto& r : rows) {
            auto* b = t->findChild<QPushButton*>(r.name);
            QVERIFY2(b, r.name);
            QCOMPARE(b->text(), QString::fromUtf8(r.caption));
            QCOMPARE(b->geometry(), QRect(9, r.top, 136, 22));
            QVERIFY(!b->isCheckable());
        }
        auto* label = t->findChild<QLabel*>("cardHeading");
        QCOMPARE(label->text(), QStringLiteral("FlashAir関連"));
        QCOMPARE(label->geometry(), QRect(9, 169, 100, 20));
        // Bottom-anchored buttons follow the bottom edge, the others stay.
        t->centralWidget()->resize(156, 417);
        QCOMPARE(t->findChild<QPushButton*>("quitButton")->y(), 385);
        QCOMPARE(t->findChild<QPushButton*>("packageCopyButton")->y(), 319);
        QCOMPARE(t->findChild<QPushButton*>("wordEditorButton")->y(), 119);
        QCOMPARE(label->y(), 169);
        // It cannot be closed.
        t->close();
        QVERIFY(PaletteWindow::isOpen());
        QVERIFY(t->isVisible());
    }
    void frame() {
        checkFrame(PaletteWindow::instance(), QAccessible::Window, "ツール", kLaidOutLimit, "chooseFolderButton");
    }
    void editorsDoNothingBeforeAFolderIsChosen() {
        int opened = 0;
        using Tool = PaletteWindow::Tool;
        for (Tool tool : {Tool::ButtonEditor, Tool::BackgroundWindow, Tool::WordEditor})
            PaletteWindow::setOpener(tool, {[&]() -> QWidget* {
                                                ++opened;
                                                return nullptr;
                                            },
                                            [] { return false; }, [] {}});
        PaletteWindow* t = PaletteWindow::instance();
        for (const char* name : {"buttonEditorButton", "backgroundButton", "wordEditorButton"})
            QTest::mouseClick(t->findChild<QPushButton*>(name), Qt::LeftButton);
        QCOMPARE(opened, 0);
        QVERIFY(scripted()->messages.isEmpty());
        // The recognition words need both handles set, and the Japanese file present.
        QTemporaryDir dir;
        PageSet::chosen().setPath(PageSet::Entry::JapaneseWords, TestFiles::write(dir.filePath("jp.js"), "x"));
        QTest::mouseClick(t->findChild<QPushButton*>("wordEditorButton"), Qt::LeftButton);
        QCOMPARE(opened, 0);
        for (Tool tool : {Tool::ButtonEditor, Tool::BackgroundWindow, Tool::WordEditor})
            PaletteWindow::setOpener(tool, {});
    }
    void editorThatClosedItselfIsNotRecreated() {
        QTemporaryDir dir;
        PageSet::chosen().setPath(PageSet::Entry::JapaneseWords, TestFiles::write(dir.filePath("jp.js"), "x"));
        PageSet::chosen().setPath(PageSet::Entry::EnglishWords, dir.filePath("en.js"));
        QPointer<QWidget> editor;
        int created = 0;
        bool loaded = false;
        PaletteWindow::setOpener(PaletteWindow::Tool::WordEditor, {[&]() -> QWidget* {
                                                                       if (!editor) {
                                                                           ++created;
                                                                           editor = new QWidget;
                                                                           editor->move(0, 0);
                                                                       }
                                                                       return editor;
                                                                   },
                                                                   [&] { return !editor.isNull(); },
                                                                   [&] {
                                                                       loaded = true;
                                                                       delete editor;
                                                                   }});
        QTest::mouseClick(PaletteWindow::instance()->findChild<QPushButton*>("wordEditorButton"), Qt::LeftButton);
        QVERIFY(loaded);
        QCOMPARE(created, 1);
        QVERIFY(editor.isNull());
        PaletteWindow::setOpener(PaletteWindow::Tool::WordEditor, {});
    }
    void previewFallsBackToTheCard() {
        PaletteWindow::instance()->move(20, 20);
        PreviewWindow::instance()->move(30, 10);
        QTest::mouseClick(PaletteWindow::instance()->findChild<QPushButton*>("previewButton"), Qt::LeftButton);
        QVERIFY(PreviewWindow::isOpen());
        PreviewWindow* p = PreviewWindow::instance();
        QVERIFY(p->isVisible());
        QCOMPARE(PageSet::chosen().access(), PageSet::Access::Card);
        QVERIFY(!p->accessButton(PageSet::Access::Folder)->isChecked());
        QVERIFY(p->accessButton(PageSet::Access::Card)->isChecked());
        QCOMPARE(p->requestedUrl(), PreviewWindow::kCardAddress);
        QCOMPARE(p->pos(), QPoint(30 + PaletteWindow::instance()->width(), 10));
        // Local access with no folder switches straight back.
        QTest::mouseClick(p->accessButton(PageSet::Access::Folder), Qt::LeftButton);
        QCOMPARE(PageSet::chosen().access(), PageSet::Access::Card);
        QVERIFY(p->accessButton(PageSet::Access::Card)->isChecked());
        QVERIFY(!p->accessButton(PageSet::Access::Folder)->isChecked());
    }
};

PKL_GUI_TEST_MAIN(TestPaletteWindow)
#include "tst_palettewindow.moc"
