// The button-data editor on this desktop: what a screen reader's action on a toggle button does,
// and pad captions taken from data.
// Not covered here: the editor's file, list and fields (tst_cmdwin).
#include "ButtonEditor.h"
#include "TestMain.h"

#include <QAccessible>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {
// What the window shows of the chosen type: the three toggles, the list and the pad captions.
QStringList shown(ButtonEditor* w) {
    QStringList out;
    for (int i = 0; i < 3; ++i)
        out << (w->typeButton(i)->isChecked() ? "pressed" : "-");
    for (int c = 0; c < w->wordList->columnCount(); ++c)
        out << w->wordList->headerItem()->text(c);
    if (QTreeWidgetItem* first = w->wordList->topLevelItem(0))
        for (int c = 0; c < w->wordList->columnCount(); ++c)
            out << first->text(c);
    for (int i = 0; i < 13; ++i)
        out << w->padButton(i)->text();
    out << w->japaneseLabel->text();
    return out;
}

QAccessibleActionInterface* actions(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->actionInterface() : nullptr;
}
} // namespace

class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    void init() { ScriptedPlatform::install(); }
    void cleanup() { App::deleteWindows(); }

    void typeToggleActionIsAClick() {
        ButtonEditor* w = ButtonEditor::instance();
        w->show();
        const QString toggle = QAccessibleActionInterface::toggleAction();
        QAccessibleActionInterface* robi = actions(w->typeButton(2));
        QVERIFY(robi);
        QVERIFY(robi->actionNames().contains(toggle));
        robi->doAction(toggle);
        QCOMPARE(w->selectedType(), 2);
        QCOMPARE(w->wordList->columnCount(), 3);
        const QStringList byAction = shown(w);

        delete w;
        w = ButtonEditor::instance();
        w->show();
        QTest::mouseClick(w->typeButton(2), Qt::LeftButton);
        QCOMPARE(shown(w), byAction);
        // On the pressed button too the action does what a click does: it stays pressed.
        actions(w->typeButton(2))->doAction(toggle);
        QCOMPARE(shown(w), byAction);
        // And back to the recognition words.
        actions(w->typeButton(0))->doAction(toggle);
        QCOMPARE(w->wordList->columnCount(), 4);
        QVERIFY(w->typeButton(0)->isChecked() && !w->typeButton(2)->isChecked());
    }

    void padCaptionFromDataShowsLiterally() {
        ButtonEditor* w = ButtonEditor::instance();
        w->choosePad(5);
        w->japaneseField->setText(QStringLiteral("R&B"));
        w->store();
        w->choosePad(0);
        QCOMPARE(QAccessible::queryAccessibleInterface(w->padButton(5))->text(QAccessible::Name),
                 QStringLiteral("R&B"));
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        // Alt+B is no shortcut of the pad: it takes neither the focus nor a press.
        QTest::keyClick(w, Qt::Key_B, Qt::AltModifier);
        QVERIFY(QApplication::focusWidget() != w->padButton(5));
        QVERIFY(!w->padButton(5)->isDown());
        QCOMPARE(w->selectedPad(), 0);
    }
};

PKL_GUI_TEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
