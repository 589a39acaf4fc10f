#include "App.h"

#include "Controls.h"
#include "FolderDialog.h"
#include "MainMenuBar.h"
#include "PageSet.h"
#include "PaletteWindow.h"
#include "PreviewWindow.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

App::App(int& argc, char** argv) : QApplication(argc, argv) {
    // Only the palette's and the folder dialog's quit buttons and the File menu end the tool.
    setQuitOnLastWindowClosed(false);
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    // The standard dialogs speak Japanese like the rest of the tool.
    auto* qtbase = new QTranslator(this);
    if (qtbase->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(qtbase);
    FolderDialog::setPalette([]() -> QWidget* { return PaletteWindow::instance(); });
    // The preview follows every write of a page-set file, whether or not it is open.
    connect(&PageSet::chosen(), &PageSet::written, this, &PreviewWindow::followWrite);
    InstallAccessibility();
    MainMenuBar::instance();
}

void App::start() {
    BringToFront(PaletteWindow::instance());
    FolderDialog::instance()->exec();
}

void App::deleteWindows() {
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : topLevelWidgets())
        windows.append(w);
    for (const QPointer<QWidget>& w : windows)
        delete w.data();
}
