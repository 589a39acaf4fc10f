// Page-set files as they are found in the wild, through the windows: a fifo or a link to a device in
// place of a file, and files the user may not write. Not covered here: the file formats and the
// editors' own behaviour (their own tests), the card's CONFIG (card-tool tests).
#include "BackgroundWindow.h"
#include "ButtonDataFile.h"
#include "ButtonEditor.h"
#include "ButtonEditorControls.h"
#include "FileIO.h"
#include "FolderDialog.h"
#include "Messages.h"
#include "PageSet.h"
#include "PaletteWindow.h"
#include "PreviewWindow.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "Unprivileged.h"
#include "WordEditor.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <unistd.h>

using namespace ButtonEditorControls;

namespace {
const QByteArray kButtonMarker = "/*-- Pelkavin Button Data --*/";
const QByteArray kWordMarker = "/* ninshiki_go_data */";
const QByteArray kColourMarker = "/*body-gackground-color*/";

// A page set with every file in place.
void makePageSet(const QString& plk) {
    TestFiles::write(plk + "/n.htm", "<html><body>n</body></html>");
    TestFiles::write(plk + "/js/plkpadbtn.js", "// head\n" + kButtonMarker + "\n" +
                                                   ButtonDataFile::defaultButtonData().toUtf8() + kButtonMarker + "\n");
    TestFiles::write(plk + "/js/pelkavin.css",
                     "body {\n" + kColourMarker + "\n    background-color: #ccddee;\n    " + kColourMarker + "\n}\n");
    for (const char* lang : {"jp", "en"})
        TestFiles::write(plk + "/js/ninshiki_" + lang + ".js",
                         "var w = [\n" + kWordMarker + "\n        ['1','a']\n        " + kWordMarker + "\n];\n");
    TestFiles::write(plk + "/img/apple-touch-icon.png", "old icon");
}

QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

void closeWindows() {
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<ButtonEditor*>(w) || qobject_cast<BackgroundWindow*>(w) || qobject_cast<WordEditor*>(w) ||
            qobject_cast<PreviewWindow*>(w) || qobject_cast<FolderDialog*>(w))
            windows.append(w);
    for (const QPointer<QWidget>& w : windows)
        delete w.data();
}

void chooseFolder(const QString& plk) {
    scripted()->folders.enqueue(plk);
    FolderDialog::instance()->chooseFolder();
}

// What the user does to write each file, and the messages a failure gives: for a file that is no
// regular file, or (protected) one the user may not write.
QStringList saveThrough(const QString& file, bool protectedFile = false) {
    PaletteWindow* palette = PaletteWindow::instance();
    const QString special = "を読み込めませんでした（通常のファイルではありません）...";
    if (file == "js/plkpadbtn.js") {
        palette->openButtonEditor();
        if (ButtonEditor::isOpen()) {
            // An edit, since a save that changes nothing writes nothing.
            ButtonEditor* w = ButtonEditor::instance();
            if (protectedFile) {
                idField(w)->setText("1");
                QTest::mouseClick(storeButton(w), Qt::LeftButton);
            }
            QTest::mouseClick(saveButton(w), Qt::LeftButton);
        }
        // Not read, so not saved either, with the same message.
        if (!protectedFile)
            return {"plkpadbtn.js" + special, "plkpadbtn.js" + special};
        return {"plkpadbtn.jsに書き込めませんでした（ファイルが書き込み禁止です）..."};
    }
    if (file == "js/ninshiki_jp.js") {
        palette->openWordEditor();
        return {"ninshiki_jp.js" + special};
    }
    palette->openBackgroundWindow();
    BackgroundWindow* w = BackgroundWindow::instance();
    const bool css = file == "js/pelkavin.css";
    w->findChild<QCheckBox*>("pageTarget")->setChecked(css);
    w->findChild<QCheckBox*>("iconTarget")->setChecked(!css);
    // A colour of its own, since a save that changes nothing writes nothing.
    scripted()->colors.enqueue(QColor(1, 2, 3));
    QTest::mouseClick(w->findChild<QPushButton*>("chooseColourButton"), Qt::LeftButton);
    QTest::mouseClick(w->findChild<QPushButton*>("applyButton"), Qt::LeftButton);
    // A special file cannot be read at opening nor at the save; a protected one is read but not written.
    const QString path = css ? PageSet::chosen().styleSheet() : PageSet::chosen().icon();
    const QString name = QFileInfo(path).fileName();
    if (!QFileInfo(path).isFile()) {
        const QString why = "通常のファイルではありません";
        return css ? QStringList{Messages::cannotRead(name, why), Messages::cannotRead(name, why)}
                   : QStringList{Messages::cannotWrite(name, why)};
    }
    return {Messages::cannotWrite(name, "ファイルが書き込み禁止です")};
}
} // namespace

class TestRealFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        PaletteWindow::setOpener(PaletteWindow::Tool::ButtonEditor,
                                 PaletteWindow::openerOf<ButtonEditor>(&ButtonEditor::load));
        PaletteWindow::setOpener(PaletteWindow::Tool::WordEditor,
                                 PaletteWindow::openerOf<WordEditor>(&WordEditor::load));
        PaletteWindow::setOpener(PaletteWindow::Tool::BackgroundWindow,
                                 PaletteWindow::openerOf<BackgroundWindow>(&BackgroundWindow::load));
    }
    void init() { ScriptedPlatform::install(); }
    void cleanup() {
        closeWindows();
        PageSet::chosen().setFiles({});
    }

    void specialFileInPlaceOfAFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("kind");
        for (const char* file : {"js/plkpadbtn.js", "js/pelkavin.css", "js/ninshiki_jp.js", "img/apple-touch-icon.png"})
            for (const char* kind : {"fifo", "link to /dev/zero"})
                QTest::addRow("%s, %s", file, kind) << QString(file) << QString(kind);
    }
    // The folder dialog takes it for a missing file; a file that turns into one after the folder was
    // chosen cannot be opened: the message for that, nothing written, and the program goes on.
    void specialFileInPlaceOfAFile() {
        QFETCH(QString, file);
        QFETCH(QString, kind);
        QTemporaryDir tmp;
        const QString plk = tmp.filePath("plk");
        makePageSet(plk);
        const QString path = plk + '/' + file;
        auto makeSpecial = [&] {
            QVERIFY(QFile::remove(path));
            if (kind == "fifo")
                QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0644) == 0);
            else
                QVERIFY(QFile::link("/dev/zero", path));
        };

        makeSpecial();
        chooseFolder(plk);
        QCOMPARE(scripted()->messages, QStringList{QFileInfo(file).fileName() + "ファイルがありません..."});

        QVERIFY(QFile::remove(path));
        makePageSet(plk);
        scripted()->messages.clear();
        chooseFolder(plk);
        QCOMPARE(scripted()->messages, QStringList());
        makeSpecial();
        const QString folder = QFileInfo(path).absolutePath();
        const QStringList before = entries(folder);
        struct stat st {};
        QVERIFY(::lstat(QFile::encodeName(path).constData(), &st) == 0);
        const QStringList message = saveThrough(file);
        QCOMPARE(scripted()->messages, message);
        QCOMPARE(entries(folder), before);
        struct stat after {};
        QVERIFY(::lstat(QFile::encodeName(path).constData(), &after) == 0);
        QCOMPARE(after.st_mode, st.st_mode);
        QCOMPARE(after.st_ino, st.st_ino);
    }

    void protectedFileIsRefused_data() {
        QTest::addColumn<QString>("file");
        for (const char* file : {"js/plkpadbtn.js", "js/pelkavin.css", "img/apple-touch-icon.png"})
            QTest::newRow(file) << QString(file);
    }
    // A 0444 file in a folder the user may write: refused with the file's message, left as it was.
    // Root may write any file, so the save runs as another user.
    void protectedFileIsRefused() {
        QFETCH(QString, file);
        if (Unprivileged::isChild()) {
            // The child runs every row; only the row its parent prepared has a protected file.
            const QString plk = Unprivileged::dir();
            if (QFileInfo(plk + '/' + file).isWritable())
                return;
            chooseFolder(plk);
            const QStringList message = saveThrough(file, true);
            QCOMPARE(scripted()->messages, message);
            return;
        }
        QTemporaryDir tmp;
        const QString plk = tmp.filePath("plk");
        makePageSet(plk);
        const QString path = plk + '/' + file;
        const QByteArray before = TestFiles::read(path);
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0444) == 0);
        if (::geteuid() == 0) {
            Unprivileged::giveTo(plk, *Unprivileged::gid());
            const QString failed = Unprivileged::run("protectedFileIsRefused", plk);
            if (failed.startsWith("skip"))
                QSKIP(qPrintable(failed));
            QVERIFY2(failed.isEmpty(), qPrintable(failed));
        } else {
            chooseFolder(plk);
            const QStringList message = saveThrough(file, true);
            QCOMPARE(scripted()->messages, message);
        }
        QCOMPARE(TestFiles::read(path), before);
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0444));
        QCOMPARE(entries(QFileInfo(path).absolutePath()).size(), file.startsWith("img") ? 1 : 4);
    }
};

PKL_GUI_TEST_MAIN(TestRealFiles)
#include "tst_realfiles.moc"
