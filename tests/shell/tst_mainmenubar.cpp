// The one menu bar: its items, and the Edit items acting on the field of the window the user worked
// in before choosing the menu in the palette. Not covered here: the preview's own Edit handlers
// (tst_previewwindow).
#include "MainMenuBar.h"
#include "PaletteWindow.h"
#include "ShellFixtures.h"
#include "TestMain.h"

#include <QAction>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace {
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

} // namespace

class TestMainMenuBar : public QObject {
    Q_OBJECT
private slots:
    void init() {
        resetPageSet();
        ScriptedPlatform::install();
    }
    void cleanup() { closeShellWindows(); }

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
        resetPageSet();
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
        closeShellWindows();
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

PKL_GUI_TEST_MAIN(TestMainMenuBar, TestEditMenu)
#include "tst_mainmenubar.moc"
