// Every top-level window of the tool: what screen readers see of it, its size limits and the
// control that has the focus when it opens.
// Not covered here: the windows' behaviour (each subsystem's own test program).
#include "BackgroundWindow.h"
#include "ButtonEditor.h"
#include "FolderDialog.h"
#include "PackageCopyWindow.h"
#include "PaletteWindow.h"
#include "PreviewWindow.h"
#include "TestMain.h"
#include "UploadSwitchWindow.h"
#include "WordEditor.h"

#include <QAccessible>
#include <QTemporaryDir>

namespace {
ScriptedPlatform* scripted() {
    return static_cast<ScriptedPlatform*>(&Platform::get());
}

QWidget* open(const QString& name) {
    if (name == "PaletteWindow")
        return PaletteWindow::instance();
    if (name == "FolderDialog")
        return FolderDialog::instance();
    if (name == "PreviewWindow")
        return PreviewWindow::instance();
    if (name == "ButtonEditor")
        return ButtonEditor::instance();
    if (name == "WordEditor")
        return WordEditor::instance();
    if (name == "BackgroundWindow")
        return BackgroundWindow::instance();
    if (name == "UploadSwitchWindow")
        return UploadSwitchWindow::instance();
    if (name == "PackageCopyWindow")
        return PackageCopyWindow::instance();
    return nullptr;
}
} // namespace

class TestWindows : public QObject {
    Q_OBJECT
private slots:
    void init() { ScriptedPlatform::install(); }
    void cleanup() { App::deleteWindows(); }

    void windows_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("role");
        QTest::addColumn<QSize>("maximum");
        QTest::addColumn<QString>("focus"); // empty: not looked at
        QTest::addColumn<bool>("card");
        const QSize none(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX), limit(32000, 32000);
        const int window = QAccessible::Window;
        QTest::newRow("palette") << "PaletteWindow"
                                 << "ツール" << window << limit << "chooseFolderButton" << true;
        QTest::newRow("folder dialog") << "FolderDialog"
                                       << "PLKフォルダ選択" << int(QAccessible::Dialog) << none << "chooseButton"
                                       << true;
        QTest::newRow("preview") << "PreviewWindow"
                                 << "Pelkavin" << window << none << "" << true;
        QTest::newRow("buttons") << "ButtonEditor"
                                 << "ボタンカスタマイズ設定" << window << limit << "bankButton0" << true;
        QTest::newRow("words") << "WordEditor"
                               << "認識語パターン編集" << window << limit << "wordList" << true;
        QTest::newRow("colour") << "BackgroundWindow"
                                << "背景色" << window << limit << "applyButton" << true;
        QTest::newRow("upload") << "UploadSwitchWindow"
                                << "Upload設定" << window << limit << "setButton" << true;
        // The set button is disabled while no card is chosen; the focus goes to the next control.
        QTest::newRow("upload, no card") << "UploadSwitchWindow"
                                         << "Upload設定" << window << limit << "volumeList" << false;
        QTest::newRow("package") << "PackageCopyWindow"
                                 << "リモート接続プログラムFlashAir作成" << window << limit << "variantList" << true;
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
