#include "App.h"

#include "Controls.h"
#include "FolderDialog.h"
#include "MainMenuBar.h"
#include "PageSet.h"
#include "PaletteWindow.h"
#include "PreviewWindow.h"

#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace {
// The file types the folder chooser lists, which Qt's Japanese catalogue leaves in English.
class FileTypeNames : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return QString();
        static const QHash<QByteArray, QString> names = {
            {"Drive", QStringLiteral("ドライブ")},          {"Folder", QStringLiteral("フォルダ")},
            {"File", QStringLiteral("ファイル")},           {"%1 File", QStringLiteral("%1 ファイル")},
            {"Shortcut", QStringLiteral("ショートカット")}, {"Alias", QStringLiteral("エイリアス")}};
        return names.value(QByteArray(source));
    }
};

// Qt's file dialog shows dates in the system locale's time format, which comes from the
// environment; set before the application object reads it.
int& withJapaneseDates(int& argc) {
    // LC_ALL would outrank LC_TIME: hand its value to the other categories instead.
    const QByteArray all = qgetenv("LC_ALL");
    if (!all.isEmpty()) {
        for (const char* category : {"LC_CTYPE", "LC_NUMERIC", "LC_COLLATE", "LC_MONETARY", "LC_MESSAGES", "LC_PAPER",
                                     "LC_NAME", "LC_ADDRESS", "LC_TELEPHONE", "LC_MEASUREMENT", "LC_IDENTIFICATION"})
            qputenv(category, all);
        qunsetenv("LC_ALL");
    }
    qputenv("LC_TIME", "ja_JP.UTF-8");
    return argc;
}
} // namespace

App::App(int& argc, char** argv) : QApplication(withJapaneseDates(argc), argv) {
    // Only the palette's quit button and the File menu end the tool (the folder dialog's quit
    // button is hidden).
    setQuitOnLastWindowClosed(false);
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    // The standard dialogs speak Japanese like the rest of the tool: Qt's own catalogue ("qt_ja"
    // pulls in qtbase_ja and the other modules' ones).
    const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* name : {"qt_ja", "qtbase_ja"}) {
        auto* qt = new QTranslator(this);
        if (qt->load(QString::fromLatin1(name), translations)) {
            installTranslator(qt);
            break;
        }
        delete qt;
    }
    installTranslator(new FileTypeNames(this));
    FolderDialog::setPalette([]() -> QWidget* { return PaletteWindow::instance(); });
    // The preview follows every write of a page-set file, whether or not it is open.
    connect(&PageSet::chosen(), &PageSet::written, this, &PreviewWindow::followWrite);
    installAccessibility();
    MainMenuBar::instance();
}

void App::start() {
    bringToFront(PaletteWindow::instance());
    FolderDialog::instance()->exec();
}

void App::deleteWindows() {
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : topLevelWidgets())
        windows.append(w);
    for (const QPointer<QWidget>& w : windows)
        delete w.data();
}
