// The button-data editor on this desktop: what a screen reader's action on a toggle button does,
// and pad captions taken from data.
// Not covered here: the editor's file, list and fields (tst_cmdwin).
#include "CmdWin.h"
#include "TestMain.h"

#include <QAccessible>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

namespace {
// What the window shows of the chosen type: the three toggles, the list and the pad captions.
QStringList shown(CmdWin* w) {
    QStringList out;
    for (int i = 0; i < 3; ++i)
        out << (w->TypeBB(i)->isChecked() ? "pressed" : "-");
    for (int c = 0; c < w->nlb->columnCount(); ++c)
        out << w->nlb->headerItem()->text(c);
    if (QTreeWidgetItem* first = w->nlb->topLevelItem(0))
        for (int c = 0; c < w->nlb->columnCount(); ++c)
            out << first->text(c);
    for (int i = 0; i < 13; ++i)
        out << w->PadBB(i)->text();
    out << w->NinLvJ->text();
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
    void cleanup() { App::DeleteWindows(); }

    void typeToggleActionIsAClick() {
        CmdWin* w = CmdWin::instance();
        w->show();
        const QString toggle = QAccessibleActionInterface::toggleAction();
        QAccessibleActionInterface* robi = actions(w->TypeBB(2));
        QVERIFY(robi);
        QVERIFY(robi->actionNames().contains(toggle));
        robi->doAction(toggle);
        QCOMPARE(w->mSelType, 2);
        QCOMPARE(w->nlb->columnCount(), 3);
        const QStringList byAction = shown(w);

        delete w;
        w = CmdWin::instance();
        w->show();
        QTest::mouseClick(w->TypeBB(2), Qt::LeftButton);
        QCOMPARE(shown(w), byAction);
        // On the pressed button too the action does what a click does: it stays pressed.
        actions(w->TypeBB(2))->doAction(toggle);
        QCOMPARE(shown(w), byAction);
        // And back to the recognition words.
        actions(w->TypeBB(0))->doAction(toggle);
        QCOMPARE(w->nlb->columnCount(), 4);
        QVERIFY(w->TypeBB(0)->isChecked() && !w->TypeBB(2)->isChecked());
    }

    void padCaptionFromDataShowsLiterally() {
        CmdWin* w = CmdWin::instance();
        w->mAx[1][5] = QStringLiteral("R&B");
        w->SetBtnName();
        QCOMPARE(QAccessible::queryAccessibleInterface(w->PadBB(5))->text(QAccessible::Name), QStringLiteral("R&B"));
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        // Alt+B is no shortcut of the pad: it takes neither the focus nor a press.
        QTest::keyClick(w, Qt::Key_B, Qt::AltModifier);
        QVERIFY(QApplication::focusWidget() != w->PadBB(5));
        QVERIFY(!w->PadBB(5)->isDown());
        QCOMPARE(w->mSelBtn, 0);
    }
};

PKL_GUI_TEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
