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
        resetPageSet();
        ScriptedPlatform::install();
    }
    void cleanup() { closeShellWindows(); }

    void standardDialogsSpeakJapanese() {
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
        // What the folder chooser shows: its own texts, the type of a folder, the month names.
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("アドレス:"));
        QCOMPARE(QCoreApplication::translate("QAbstractFileIconProvider", "Folder", "All other platforms"),
                 QStringLiteral("フォルダ"));
        QCOMPARE(QLocale().language(), QLocale::Japanese);
        QCOMPARE(QLocale::system().monthName(12, QLocale::ShortFormat), QStringLiteral("12月"));
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
