// The shell: placement rule, folder check, palette, menu bar, preview, safe writing.
// Not covered here: the editors and card tools the palette opens (their own test programs).
#include "Controls.h"
#include "FileIO.h"
#include "FolderDialog.h"
#include "MainMenuBar.h"
#include "PageSet.h"
#include "PaletteWindow.h"
#include "PreviewWindow.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "TextUtil.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#ifdef PKL_HAVE_WEBENGINE
#include <QWebEnginePage>
#include <QWebEngineView>
#endif

namespace {
ScriptedPlatform* scripted() {
    return static_cast<ScriptedPlatform*>(&Platform::get());
}

void resetGlobals() {
    PageSet::chosen().setFiles({});
    PageSet::chosen().setAccess(PageSet::Access::Folder);
}

bool activate(QWidget* w) {
    w->show();
    w->activateWindow();
    return QTest::qWaitForWindowActive(w);
}

// Chooses an item of the Edit menu as a user does: a click on the menu's title in the palette's
// bar (the window manager makes the palette active on the press), then on the item.
void chooseWithMouse(const char* name) {
    QVERIFY(activate(PaletteWindow::instance()));
    MainMenuBar* bar = MainMenuBar::instance();
    QAction* title = bar->item("EditMenu");
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(title).center());
    QTRY_VERIFY(title->menu()->isVisible());
    QTest::mouseClick(title->menu(), Qt::LeftButton, {}, title->menu()->actionGeometry(bar->item(name)).center());
    QTRY_VERIFY(!title->menu()->isVisible());
}

// The items enabled while the Edit menu is open.
QStringList enabledItems() {
    MainMenuBar* bar = MainMenuBar::instance();
    QMenu* menu = bar->item("EditMenu")->menu();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    QStringList enabled;
    if (!QTest::qWaitFor([&] { return menu->isVisible(); }))
        return {"menu not shown"};
    for (QAction* a : menu->actions())
        if (!a->isSeparator() && a->isEnabled())
            enabled << a->objectName();
    menu->hide();
    return enabled;
}

void closeAll() {
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<FolderDialog*>(w) || qobject_cast<PreviewWindow*>(w) || qobject_cast<PaletteWindow*>(w))
            windows.append(w);
    for (const QPointer<QWidget>& w : windows)
        delete w.data();
}
} // namespace

class TestFormats : public QObject {
    Q_OBJECT
private slots:
    void lineEndingsAndHex() {
        QCOMPARE(TextUtil::WithLfLineEnds(QStringLiteral("a\r\nb\rc\n")), QStringLiteral("a\nb\nc\n"));
        QCOMPARE(TextUtil::WithLfLineEnds(QByteArray("a\r\n\r\rb")), QByteArray("a\n\n\nb"));
        QCOMPARE(TextUtil::TwoHexDigits(0), QStringLiteral("00"));
        QCOMPARE(TextUtil::TwoHexDigits(10), QStringLiteral("0a"));
        QCOMPARE(TextUtil::TwoHexDigits(255), QStringLiteral("ff"));
    }
    void safeWriteKeepsOldFileOnFailure() {
        QTemporaryDir dir;
        const QString path = TestFiles::write(dir.filePath("f.txt"), "old contents");
        FileIO::InjectWriteFailure(3);
        QString error;
        QVERIFY(!FileIO::SafeWrite(path, "new contents that fail", &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(TestFiles::read(path), QByteArray("old contents"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"f.txt"});
        QVERIFY(FileIO::SafeWrite(path, "new"));
        QCOMPARE(TestFiles::read(path), QByteArray("new"));
        // A folder that is gone (card pulled) fails and creates nothing.
        QVERIFY(!FileIO::SafeWrite(dir.filePath("gone/f.txt"), "x"));
        QVERIFY(!FileIO::ReadAll(dir.filePath("gone/f.txt")));
    }
    void safeWriteBatch() {
        QTemporaryDir dir;
        const QString a = TestFiles::write(dir.filePath("a"), "old a");
        const QString b = TestFiles::write(dir.filePath("b"), "old b");
        QFile::setPermissions(a, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        const QFileDevice::Permissions perms = QFile::permissions(a);
        auto bytes = [](const QByteArray& data) {
            return [=](QFileDevice& f) { return f.write(data) == data.size(); };
        };
        {
            FileIO::SafeWriteBatch batch;
            QVERIFY(batch.Add(a, bytes("new a")));
            QVERIFY(!batch.Add(b, [](QFileDevice&) { return false; }));
            // Nothing is replaced before the commit, and a failed add leaves the batch as it was.
            QCOMPARE(TestFiles::read(a), QByteArray("old a"));
            QVERIFY(batch.Commit());
        }
        QCOMPARE(TestFiles::read(a), QByteArray("new a"));
        QCOMPARE(TestFiles::read(b), QByteArray("old b"));
        QCOMPARE(QFile::permissions(a), perms);
        {
            FileIO::SafeWriteBatch abandoned;
            QVERIFY(abandoned.Add(b, bytes("never")));
        }
        QCOMPARE(TestFiles::read(b), QByteArray("old b"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"a", "b"}));
        // A link is written through: the file it points at changes, the link stays a link.
        QVERIFY(QFile::link(a, dir.filePath("link")));
        QVERIFY(FileIO::SafeWrite(dir.filePath("link"), "through"));
        QVERIFY(QFileInfo(dir.filePath("link")).isSymLink());
        QCOMPARE(TestFiles::read(a), QByteArray("through"));
    }
    void standardDialogsSpeakJapanese() {
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
    }
    void childHandles() {
        QTemporaryDir dir;
        QCOMPARE(FileIO::ChildPath(dir.path(), "missing"), dir.filePath("missing"));
        QVERIFY(!QFileInfo::exists(FileIO::ChildPath(dir.path(), "missing")));
        QVERIFY(FileIO::ChildPath(QString(), "x").isEmpty());
        QVERIFY(FileIO::ChildPath(dir.filePath("nodir"), "x").isEmpty());
        QVERIFY(FileIO::ChildPath(dir.path(), "a/b").isEmpty());
    }
    void volumesLeaveOutSystemMounts() {
        const QList<MountInfo> mounts = {{"/media/u/FlashAir", "", "vfat", "/dev/sdb1"},
                                         {"/proc", "", "proc", "proc"},
                                         {"/", "", "ext4", "/dev/vda"},
                                         {"/run/user/0", "", "tmpfs", "tmpfs"},
                                         {"/run/media/u/MicFA", "CARD", "exfat", "/dev/sdc1"},
                                         {"/snap/core", "", "squashfs", "/dev/loop0"},
                                         {"/media/u/x", "", "vfat", "/dev/sdd1", true, false}};
        const QList<VolumeInfo> v = RecognisableVolumes(mounts);
        QStringList names;
        for (const VolumeInfo& i : v)
            names << i.name + u'=' + i.root;
        QCOMPARE(names, (QStringList{"/=/", "FlashAir=/media/u/FlashAir", "CARD=/run/media/u/MicFA"}));
    }
};

class TestPalette : public QObject {
    Q_OBJECT
private slots:
    void init() {
        resetGlobals();
        ScriptedPlatform::install();
    }
    void cleanup() { closeAll(); }

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
        QCOMPARE(PlacedLeft(left, 20, paletteWidth), placed);
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
    void menuBar() {
        MainMenuBar* bar = MainMenuBar::instance();
        QCOMPARE(PaletteWindow::instance()->menuBar(), bar);
        const struct {
            const char* name;
            const char* text;
            QKeySequence key;
        } rows[] = {{"FileMenu", "ファイル", {}},
                    {"FileQuit", "終了", QKeySequence::Quit},
                    {"EditMenu", "編集", {}},
                    {"EditUndo", "取り消す", QKeySequence::Undo},
                    {"EditCut", "カット", QKeySequence::Cut},
                    {"EditCopy", "コピー", QKeySequence::Copy},
                    {"EditPaste", "貼り付け", QKeySequence::Paste},
                    {"EditClear", "削除", {}},
                    {"EditSelectAll", "すべてを選択", QKeySequence::SelectAll}};
        for (const auto& r : rows) {
            QAction* a = bar->item(QString::fromLatin1(r.name));
            QVERIFY2(a, r.name);
            QCOMPARE(a->text(), QString::fromUtf8(r.text));
            QCOMPARE(a->shortcut(), r.key);
        }
        for (const char* name : {"EditSeparator1", "EditSeparator2"}) {
            QVERIFY(bar->item(name)->isSeparator());
            // A text would show beside the line.
            QVERIFY(bar->item(name)->text().isEmpty());
        }
        QStringList order;
        for (QAction* a : bar->item("EditMenu")->menu()->actions())
            order << a->objectName();
        QCOMPARE(order, (QStringList{"EditUndo", "EditSeparator1", "EditCut", "EditCopy", "EditPaste", "EditClear",
                                     "EditSeparator2", "EditSelectAll"}));
    }
    void editItemsActOnTheFocusedField() {
        QWidget w;
        auto* field = new QLineEdit(QStringLiteral("abc"), &w);
        w.show();
        QApplication::setActiveWindow(&w);
        field->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), field);
        MainMenuBar* bar = MainMenuBar::instance();
        bar->item("EditSelectAll")->trigger();
        QCOMPARE(field->selectedText(), QStringLiteral("abc"));
        bar->item("EditClear")->trigger();
        QCOMPARE(field->text(), QString());
        bar->item("EditUndo")->trigger();
        QCOMPARE(field->text(), QStringLiteral("abc"));
    }
};

// The Edit menu lives in the palette; choosing it makes the palette active, and its items act on
// the window the user worked in before.
class TestEditMenu : public QObject {
    Q_OBJECT
    QPointer<QWidget> m_editor;
    QLineEdit* m_field = nullptr;
    QPushButton* m_button = nullptr;

private slots:
    void init() {
        resetGlobals();
        ScriptedPlatform::install();
        QGuiApplication::clipboard()->clear();
        PaletteWindow::instance()->show();
        // Stands for an editor window: a text field and a button.
        m_editor = new QWidget;
        m_editor->setAttribute(Qt::WA_DeleteOnClose);
        m_editor->setGeometry(300, 100, 300, 100);
        m_field = new QLineEdit(QStringLiteral("abc def"), m_editor);
        m_button = new QPushButton(QStringLiteral("ok"), m_editor);
        m_button->move(0, 40);
        QVERIFY(activate(m_editor));
        m_field->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), m_field);
    }
    void cleanup() {
        delete m_editor.data();
        closeAll();
    }

    void itemsActOnTheFieldOfTheWindowBefore_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("typed"); // at the end of the text, before the selection is made
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("clipboardAfter");
        QTest::newRow("cut") << "EditCut"
                             << "" << 4 << 3 << ""
                             << "abc "
                             << ""
                             << "def";
        QTest::newRow("copy") << "EditCopy"
                              << "" << 4 << 3 << ""
                              << "abc def"
                              << "def"
                              << "def";
        QTest::newRow("paste") << "EditPaste"
                               << "" << 4 << 3 << "xyz"
                               << "abc xyz"
                               << ""
                               << "xyz";
        QTest::newRow("clear") << "EditClear"
                               << "" << 0 << 4 << "xyz"
                               << "def"
                               << ""
                               << "xyz";
        QTest::newRow("select all") << "EditSelectAll"
                                    << "" << 0 << 0 << ""
                                    << "abc def"
                                    << "abc def"
                                    << "";
        QTest::newRow("undo") << "EditUndo"
                              << "!" << 0 << 0 << ""
                              << "abc def"
                              << ""
                              << "";
    }
    void itemsActOnTheFieldOfTheWindowBefore() {
        QFETCH(QString, item);
        QFETCH(QString, typed);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, clipboard);
        QFETCH(QString, text);
        QFETCH(QString, selected);
        QFETCH(QString, clipboardAfter);
        m_field->end(false);
        QTest::keyClicks(m_field, typed);
        m_field->setSelection(start, length);
        QGuiApplication::clipboard()->setText(clipboard);
        chooseWithMouse(qPrintable(item));
        QCOMPARE(QApplication::activeWindow(), PaletteWindow::instance());
        QCOMPARE(m_field->text(), text);
        QCOMPARE(m_field->selectedText(), selected);
        QCOMPARE(QGuiApplication::clipboard()->text(), clipboardAfter);
    }
    void clearWithoutSelectionDeletesNothing() {
        m_field->setCursorPosition(0);
        QVERIFY(activate(PaletteWindow::instance()));
        MainMenuBar::instance()->item("EditClear")->trigger();
        QCOMPARE(m_field->text(), QStringLiteral("abc def"));
    }
    void itemsEnabledOnlyWhenTheyAct() {
        QVERIFY(activate(PaletteWindow::instance()));
        QCOMPARE(enabledItems(), QStringList{"EditSelectAll"});
        m_field->setSelection(0, 3);
        QGuiApplication::clipboard()->setText(QStringLiteral("x"));
        QCOMPARE(enabledItems(), (QStringList{"EditCut", "EditCopy", "EditPaste", "EditClear", "EditSelectAll"}));
        m_field->setReadOnly(true);
        QCOMPARE(enabledItems(), (QStringList{"EditCopy", "EditSelectAll"}));
        m_field->setReadOnly(false);
        // The user moved on to the button: nothing to edit there.
        QVERIFY(activate(m_editor));
        m_button->setFocus();
        QVERIFY(activate(PaletteWindow::instance()));
        QCOMPARE(enabledItems(), QStringList());
    }
    void shortcutsStayAliveAfterTheMenuClosed() {
        QVERIFY(activate(PaletteWindow::instance()));
        // Opened with nothing selected, the menu shows "コピー" disabled ...
        QVERIFY(!enabledItems().contains("EditCopy"));
        // ... which must not keep the shortcut from working once there is a selection.
        m_field->setSelection(4, 3);
        QTest::keyClick(PaletteWindow::instance(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("def"));
    }
};

class TestFolderDialog : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_earlier;

private slots:
    void init() {
        resetGlobals();
        ScriptedPlatform::install();
    }
    void cleanup() { closeAll(); }

    void layout() {
        FolderDialog* d = FolderDialog::instance();
        QCOMPARE(d->windowTitle(), QStringLiteral("PLKフォルダ選択"));
        QCOMPARE(d->size(), QSize(291, 106));
        QCOMPARE(d->findChild<QLabel*>("prompt")->text(), QStringLiteral("PLKフォルダ選択して下さい"));
        QCOMPARE(d->findChild<QPushButton*>("chooseButton")->geometry(), QRect(191, 20, 80, 20));
        QVERIFY(!d->findChild<QPushButton*>("quitButton")->isVisibleTo(d));
        QCOMPARE(d->findChild<QPushButton*>("closeButton")->text(), QStringLiteral("選択しないで閉じる"));
    }

    void failingStep_data() {
        QTest::addColumn<QStringList>("skip");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("assigned"); // how many handles point into the new folder
        QTest::newRow("js") << QStringList{"js"} << "jsフォルダがありません..." << 2;
        QTest::newRow("plkpadbtn") << QStringList{"js/plkpadbtn.js"} << "plkpadbtn.jsファイルがありません..." << 3;
        QTest::newRow("css") << QStringList{"js/pelkavin.css"} << "pelkavin.cssファイルがありません..." << 4;
        QTest::newRow("jp") << QStringList{"js/ninshiki_jp.js"} << "ninshiki_jp.jsファイルがありません..." << 5;
        QTest::newRow("en") << QStringList{"js/ninshiki_en.js"} << "ninshiki_en.jsファイルがありません..." << 6;
        QTest::newRow("img folder") << QStringList{"img"} << "apple-touch-icon.pngファイルがありません..." << 7;
        QTest::newRow("icon") << QStringList{"img/apple-touch-icon.png"}
                              << "apple-touch-icon.pngファイルがありません..." << 7;
    }
    void failingStep() {
        QFETCH(QStringList, skip);
        QFETCH(QString, message);
        QFETCH(int, assigned);
        PageSet& set = PageSet::chosen();
        // An earlier complete run, whose later handles must survive.
        const QString earlier = TestFiles::makePageSet(m_dir.filePath("earlier"));
        ScriptedPlatform* p = scripted();
        p->folders.enqueue(earlier);
        FolderDialog::instance()->chooseFolder();
        QVERIFY(p->messages.isEmpty());
        QCOMPARE(set.access(), PageSet::Access::Folder);
        set.setAccess(PageSet::Access::Card);

        const QString folder =
            TestFiles::makePageSet(m_dir.filePath(QString::fromLatin1(QTest::currentDataTag())), skip);
        p->folders.enqueue(folder);
        FolderDialog* d = FolderDialog::instance();
        d->show();
        d->chooseFolder();
        QCOMPARE(p->messages, QStringList{message});
        QVERIFY(FolderDialog::isOpen());
        QVERIFY(d->isVisible());
        const PageSet::Files& f = set.files();
        const QString handles[] = {f.folder, f.topPage, f.buttonData, f.styleSheet, f.words[0], f.words[1], f.icon};
        for (int i = 0; i < 7; ++i) {
            if (i == 6 && skip == QStringList{"img"}) {
                // No folder, so no handle for the icon inside it.
                QVERIFY(handles[i].isEmpty());
                continue;
            }
            QVERIFY2(!handles[i].isEmpty(), qPrintable(QString::number(i)));
            const QString expectedRoot = i < assigned ? folder : earlier;
            QVERIFY2(handles[i].startsWith(expectedRoot + (i == 0 ? QString() : QStringLiteral("/"))),
                     qPrintable(handles[i]));
        }
        QCOMPARE(set.access(), PageSet::Access::Card);
    }
    void firstRunLeavesLaterHandlesUnset() {
        scripted()->folders.enqueue(TestFiles::makePageSet(m_dir.filePath("nocss"), {"js/pelkavin.css"}));
        FolderDialog::instance()->chooseFolder();
        const PageSet& set = PageSet::chosen();
        QVERIFY(!set.buttonData().isEmpty() && !set.styleSheet().isEmpty());
        QVERIFY(set.words(PageSet::Language::Japanese).isEmpty() && set.words(PageSet::Language::English).isEmpty() &&
                set.icon().isEmpty());
    }
    void cancelledChooserChangesNothing() {
        FolderDialog* d = FolderDialog::instance();
        d->show();
        d->chooseFolder();
        QVERIFY(PageSet::chosen().folder().isEmpty());
        QVERIFY(scripted()->messages.isEmpty());
        QVERIFY(d->isVisible());
    }
    void completeFolderOpensThePreview() {
        const QString folder = TestFiles::makePageSet(m_dir.filePath("complete"));
        TestFiles::write(folder + "/n.htm", "<html><head><title>top</title></head></html>");
        PageSet::chosen().setAccess(PageSet::Access::Card);
        PaletteWindow::instance()->move(20, 20);
        // An open preview is reused, not brought to the front.
        PreviewWindow::instance()->move(100, 50);
        scripted()->folders.enqueue(folder);
        QPointer<FolderDialog> d = FolderDialog::instance();
        d->show();
        d->chooseFolder();
        QVERIFY(scripted()->messages.isEmpty());
        QTRY_VERIFY(d.isNull());
        QCOMPARE(PageSet::chosen().access(), PageSet::Access::Folder);
        QVERIFY(PreviewWindow::isOpen());
        PreviewWindow* p = PreviewWindow::instance();
        QVERIFY(p->accessButton(PageSet::Access::Folder)->isChecked());
        QVERIFY(!p->accessButton(PageSet::Access::Card)->isChecked());
        QCOMPARE(p->requestedUrl(), QUrl::fromLocalFile(folder + "/n.htm"));
        QCOMPARE(p->pos(), QPoint(100 + PaletteWindow::instance()->width(), 50));
    }
    void completeFolderWithoutTopPageClosesSilently() {
        const QString folder = TestFiles::makePageSet(m_dir.filePath("notop"), {"n.htm"});
        PageSet::chosen().setAccess(PageSet::Access::Card);
        scripted()->folders.enqueue(folder);
        QPointer<FolderDialog> d = FolderDialog::instance();
        d->show();
        d->chooseFolder();
        QTRY_VERIFY(d.isNull());
        QVERIFY(scripted()->messages.isEmpty());
        QVERIFY(!PreviewWindow::isOpen());
        QCOMPARE(PageSet::chosen().access(), PageSet::Access::Card);
        QVERIFY(!PageSet::chosen().icon().isEmpty());
    }
    void escapeDoesNotClose() {
        QPointer<FolderDialog> d = FolderDialog::instance();
        QVERIFY(activate(d));
        QTest::keyClick(d, Qt::Key_Escape);
        QVERIFY(!d.isNull());
        QVERIFY(d->isVisible());
        // The close box still closes it.
        d->close();
        QTRY_VERIFY(d.isNull());
    }
    void closeWithoutChoosing() {
        PaletteWindow::instance();
        QPointer<FolderDialog> d = FolderDialog::instance();
        d->show();
        QTest::mouseClick(d->findChild<QPushButton*>("closeButton"), Qt::LeftButton);
        QTRY_VERIFY(d.isNull());
        QVERIFY(PageSet::chosen().folder().isEmpty());
        QVERIFY(PaletteWindow::instance()->isVisible());
    }
    void openShowsPaletteThenModalDialog() {
        bool sawModal = false;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<FolderDialog*>(QApplication::activeModalWidget());
            sawModal = d && PaletteWindow::isOpen() && PaletteWindow::instance()->isVisible();
            if (d)
                d->findChild<QPushButton*>("closeButton")->click();
        });
        static_cast<App*>(qApp)->start();
        QVERIFY(sawModal);
        QVERIFY(!FolderDialog::isOpen() || !FolderDialog::instance()->isVisible());
    }
};

class TestPreview : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

#ifdef PKL_HAVE_WEBENGINE
    // The value of a script run in the page.
    static QString script(PreviewWindow* p, const QString& expression) {
        QString t;
        bool done = false;
        qobject_cast<QWebEngineView*>(p->view())->page()->runJavaScript(expression, [&](const QVariant& v) {
            t = v.toString();
            done = true;
        });
        (void)QTest::qWaitFor([&] { return done; }, 10000);
        return t;
    }
    static QString title(PreviewWindow* p) {
        return script(p, QStringLiteral("document.title"));
    }
#endif

private slots:
    void init() {
        resetGlobals();
        ScriptedPlatform::install();
    }
    void cleanup() {
        closeAll();
    }

    void layout() {
        PreviewWindow* p = PreviewWindow::instance();
        QCOMPARE(p->windowTitle(), QStringLiteral("Pelkavin"));
        QCOMPARE(p->size(), QSize(400, 600));
        QCOMPARE(p->view()->geometry(), QRect(0, 30, 400, 550));
        QCOMPARE(p->accessButton(PageSet::Access::Folder)->text(), QStringLiteral("Localアクセス"));
        QCOMPARE(p->accessButton(PageSet::Access::Card)->text(), QStringLiteral("Wi-Fiアクセス"));
        QVERIFY(p->accessButton(PageSet::Access::Folder)->isChecked());
        auto* label = p->findChild<QLabel*>("reloadHint");
        QVERIFY(label->font().bold());
        QCOMPARE(label->geometry(), QRect(9, 580, 391, 20));
        // The whole hint shows in its rectangle.
        QVERIFY(label->font().pixelSize() <= 12);
        QVERIFY(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->contentsRect().width());
        p->resize(500, 700);
        QCOMPARE(p->view()->geometry(), QRect(0, 30, 500, 650));
        QCOMPARE(label->geometry(), QRect(9, 680, 391, 20));
    }
    void loadsAndReloadsTheLocalPage() {
#ifndef PKL_HAVE_WEBENGINE
        QSKIP("this build has no web engine (the sanitizer build leaves it out)");
#else
        const QString page = TestFiles::write(m_dir.filePath("n.htm"), "<html><head><title>one</title></head></html>");
        PageSet::chosen().setPath(PageSet::Entry::TopPage, page);
        PreviewWindow* p = PreviewWindow::instance();
        auto* view = qobject_cast<QWebEngineView*>(p->view());
        QVERIFY(view);
        QSignalSpy loaded(view, &QWebEngineView::loadFinished);
        p->load();
        QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(title(p), QStringLiteral("one"), 10000);

        TestFiles::write(page, "<html><head><title>two</title></head></html>");
        QSignalSpy scripts(p, &PreviewWindow::scriptRun);
        PreviewWindow::reloadTopPage();
        QCOMPARE(scripts.count(), 1);
        QCOMPARE(scripts.at(0).at(0).toString(), QStringLiteral("location.reload();"));
        QTRY_COMPARE_WITH_TIMEOUT(title(p), QStringLiteral("two"), 20000);
#endif
    }
    void contextMenuAndEditItems() {
#ifndef PKL_HAVE_WEBENGINE
        QSKIP("this build has no web engine (the sanitizer build leaves it out)");
#else
        const QByteArray body = "<body><p>Pelkavin page</p><input id='f' value='abc'></body></html>";
        const QString page = TestFiles::write(m_dir.filePath("n.htm"), "<html><head><title>one</title></head>" + body);
        PageSet::chosen().setPath(PageSet::Entry::TopPage, page);
        PreviewWindow* p = PreviewWindow::instance();
        auto* view = qobject_cast<QWebEngineView*>(p->view());
        QVERIFY(view);
        QVERIFY(activate(p));
        QSignalSpy loaded(view, &QWebEngineView::loadFinished);
        p->load();
        QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(view->focusProxy(), 10000);
        QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, QPoint(5, 5));
        QTRY_VERIFY(view->focusProxy()->hasFocus());

        // Chosen in the palette, the Edit items act on the page: outside a field only copying and
        // selecting apply, in a field everything but undo.
        QVERIFY(activate(PaletteWindow::instance()));
        MainMenuBar* bar = MainMenuBar::instance();
        QVERIFY(bar->editTarget() && view->isAncestorOf(bar->editTarget()));
        QVERIFY(!bar->canEdit("EditCopy"));
        QGuiApplication::clipboard()->setText("xyz");
        bar->item("EditSelectAll")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(bar->canEdit("EditCopy"), 10000);
        for (const char* name : {"EditUndo", "EditCut", "EditPaste", "EditClear"})
            QVERIFY2(!bar->canEdit(name), name);
        view->page()->runJavaScript("document.getElementById('f').select();");
        QTRY_VERIFY_WITH_TIMEOUT(bar->canEdit("EditPaste") && bar->canEdit("EditCut"), 10000);
        QVERIFY(bar->canEdit("EditClear"));
        QVERIFY(!bar->canEdit("EditUndo"));
        bar->item("EditPaste")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(script(p, "document.getElementById('f').value"), QStringLiteral("xyz"), 10000);

        // The right-click menu is the tool's own, in Japanese, and its "再読み込み" reloads the page.
        QVERIFY(activate(p));
        TestFiles::write(page, "<html><head><title>two</title></head>" + body);
        QTest::mouseClick(view->focusProxy(), Qt::RightButton, {}, QPoint(5, 5));
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QMenu*>(QApplication::activePopupWidget()), 10000);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QStringList texts;
        QAction* reload = nullptr;
        for (QAction* a : menu->actions()) {
            if (a->isSeparator())
                continue;
            texts << a->text();
            if (a->text() == QStringLiteral("再読み込み"))
                reload = a;
        }
        QCOMPARE(texts, (QStringList{"戻る", "進む", "再読み込み", "カット", "コピー", "貼り付け", "すべてを選択"}));
        QVERIFY(reload && reload->isEnabled());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(reload).center());
        QTRY_COMPARE_WITH_TIMEOUT(title(p), QStringLiteral("two"), 20000);
#endif
    }
    void pressingThePressedToggleKeepsIt() {
        PageSet::chosen().setPath(PageSet::Entry::TopPage, TestFiles::write(m_dir.filePath("n.htm"), "<html></html>"));
        PreviewWindow* p = PreviewWindow::instance();
        QTest::mouseClick(p->accessButton(PageSet::Access::Card), Qt::LeftButton);
        QCOMPARE(PageSet::chosen().access(), PageSet::Access::Card);
        QTest::mouseClick(p->accessButton(PageSet::Access::Card), Qt::LeftButton);
        QVERIFY(p->accessButton(PageSet::Access::Card)->isChecked());
        QVERIFY(!p->accessButton(PageSet::Access::Folder)->isChecked());
        QCOMPARE(p->requestedUrl(), PreviewWindow::kCardAddress);
        QTest::mouseClick(p->accessButton(PageSet::Access::Folder), Qt::LeftButton);
        QCOMPARE(PageSet::chosen().access(), PageSet::Access::Folder);
        QCOMPARE(p->requestedUrl(), QUrl::fromLocalFile(PageSet::chosen().topPage()));
    }
    void reloadRecreatesAClosedPreview() {
        PageSet::chosen().setPath(PageSet::Entry::TopPage, TestFiles::write(m_dir.filePath("n.htm"), "<html></html>"));
        QVERIFY(!PreviewWindow::isOpen());
        PreviewWindow::reloadPage();
        QVERIFY(PreviewWindow::isOpen());
        QCOMPARE(PreviewWindow::instance()->requestedUrl(), QUrl::fromLocalFile(PageSet::chosen().topPage()));
    }
};

PKL_GUI_TEST_MAIN(TestFormats, TestPalette, TestEditMenu, TestFolderDialog, TestPreview)
#include "tst_shell.moc"
