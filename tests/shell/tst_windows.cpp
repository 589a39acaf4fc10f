// Every top-level window of the tool: what screen readers see of it, its size limits and the
// control that has the focus when it opens.
// Not covered here: the windows' behaviour (each subsystem's own test program).
#include "BgcWin.h"
#include "CmdWin.h"
#include "FamWin.h"
#include "NinWin.h"
#include "PlkWin.h"
#include "SelPlkWin.h"
#include "TestMain.h"
#include "ToolWin.h"
#include "UpSetWin.h"

#include <QAccessible>
#include <QTemporaryDir>

namespace {
ScriptedPlatform* scripted() {
    return static_cast<ScriptedPlatform*>(&Platform::get());
}

QWidget* open(const QString& name) {
    if (name == "ToolWin")
        return ToolWin::instance();
    if (name == "SelPlkWin")
        return SelPlkWin::instance();
    if (name == "PlkWin")
        return PlkWin::instance();
    if (name == "CmdWin")
        return CmdWin::instance();
    if (name == "NinWin")
        return NinWin::instance();
    if (name == "BgcWin")
        return BgcWin::instance();
    if (name == "UpSetWin")
        return UpSetWin::instance();
    if (name == "FamWin")
        return FamWin::instance();
    return nullptr;
}
} // namespace

class TestWindows : public QObject {
    Q_OBJECT
private slots:
    void init() { ScriptedPlatform::install(); }
    void cleanup() { App::DeleteWindows(); }

    void windows_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("role");
        QTest::addColumn<QSize>("maximum");
        QTest::addColumn<QString>("focus"); // empty: not looked at
        QTest::addColumn<bool>("card");
        const QSize none(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX), limit(32000, 32000);
        const int window = QAccessible::Window;
        QTest::newRow("palette") << "ToolWin"
                                 << "ツール" << window << limit << "plkselectBB" << true;
        QTest::newRow("folder dialog") << "SelPlkWin"
                                       << "PLKフォルダ選択" << int(QAccessible::Dialog) << none << "SelectPB" << true;
        QTest::newRow("preview") << "PlkWin"
                                 << "Pelkavin" << window << none << "" << true;
        QTest::newRow("buttons") << "CmdWin"
                                 << "ボタンカスタマイズ設定" << window << limit << "BankBB(0)" << true;
        QTest::newRow("words") << "NinWin"
                               << "認識語パターン編集" << window << limit << "nlb" << true;
        QTest::newRow("colour") << "BgcWin"
                                << "背景色" << window << limit << "ChangePB" << true;
        QTest::newRow("upload") << "UpSetWin"
                                << "Upload設定" << window << limit << "UpPB" << true;
        // The set button is disabled while no card is chosen; the focus goes to the next control.
        QTest::newRow("upload, no card") << "UpSetWin"
                                         << "Upload設定" << window << limit << "FAVolPM" << false;
        QTest::newRow("package") << "FamWin"
                                 << "リモート接続プログラムFlashAir作成" << window << limit << "rhPM" << true;
    }
    void windows() {
        QFETCH(QString, name);
        QFETCH(QString, title);
        QFETCH(int, role);
        QFETCH(QSize, maximum);
        QFETCH(QString, focus);
        QFETCH(bool, card);
        QTemporaryDir dir;
        scripted()->volumes = {{"disk", "/"}};
        if (card)
            scripted()->volumes.append({"FlashAir", dir.path()});
        QWidget* w = open(name);
        QVERIFY(w);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        QVERIFY(a);
        QCOMPARE(int(a->role()), role);
        QCOMPARE(a->text(QAccessible::Name), title);
        QCOMPARE(w->maximumSize(), maximum);
        QCOMPARE(w->minimumSize(), QSize(64, 64));
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        if (!focus.isEmpty()) {
            QVERIFY(QApplication::focusWidget());
            QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        }
    }
};

PKL_GUI_TEST_MAIN(TestWindows)
#include "tst_windows.moc"
