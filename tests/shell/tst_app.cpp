// The application object: the standard dialogs in Japanese, and the start, which shows the palette
// and then the folder dialog.
#include "FolderDialog.h"
#include "PaletteWindow.h"
#include "ShellFixtures.h"
#include "TestMain.h"

#include <QPushButton>
#include <QTimer>

class TestApp : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ResetPageSet();
        ScriptedPlatform::install();
    }
    void cleanup() { CloseShellWindows(); }

    void standardDialogsSpeakJapanese() {
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
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

PKL_GUI_TEST_MAIN(TestApp)
#include "tst_app.moc"
