// The recognition-word editor: its window, the files it reads and saves as the page's script then
// reads them, the language switch. Not covered here: the format's own cases (tst_wordfile), the
// preview's page loading and the palette's placement rule (shell tests), fifos, protected files and
// temporary files (tst_fileio, tst_realfiles).
#include "FailingFolder.h"
#include "FileIO.h"
#include "FolderDialog.h"
#include "JsEval.h"
#include "Messages.h"
#include "PageSet.h"
#include "PaletteWindow.h"
#include "PreviewWindow.h"
#include "ScriptCheck.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "TextCodec.h"
#include "WindowFrame.h"
#include "WordEditor.h"
#include "WordFile.h"
#include "WordFixtures.h"
#include "WordListModel.h"

#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <memory>
#include <sys/stat.h>

using namespace WordFixtures;
using enum PageSet::Language;

class TestWordEditor : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_jp, m_en, m_top;

    static void closeEditor() {
        if (SingleWindow<WordEditor>::isOpen())
            delete SingleWindow<WordEditor>::get();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    static WordEditor* openFromPalette() {
        QTest::mouseClick(PaletteWindow::instance()->findChild<QPushButton*>("wordEditorButton"), Qt::LeftButton);
        return WordEditor::isOpen() ? WordEditor::instance() : nullptr;
    }
    static QModelIndex at(WordEditor* w, int row, int column) { return w->list()->model()->index(row, column); }
    static QString cell(WordEditor* w, int row, int column) {
        const QModelIndex index = at(w, row, column);
        return index.isValid() ? index.data().toString() : QStringLiteral("<none>");
    }
    static int rowCount(WordEditor* w) { return w->list()->model()->rowCount(); }
    static bool editable(WordEditor* w, int row, int column) { return at(w, row, column).flags() & Qt::ItemIsEditable; }
    static QStringList column(WordEditor* w, int c) {
        QStringList out;
        for (int r = 0; r < rowCount(w); ++r)
            out << cell(w, r, c);
        return out;
    }
    // Types into a cell through its editor, as the user does, and presses Return.
    static bool typeInto(WordEditor* w, int row, int c, const QString& text) {
        const QModelIndex index = at(w, row, c);
        w->list()->setCurrentIndex(index);
        w->list()->edit(index);
        auto* editor = qobject_cast<QLineEdit*>(w->list()->indexWidget(index));
        if (!editor)
            return false;
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        // Return hands the text in once the event loop runs.
        const bool closed = QTest::qWaitFor([&] { return !w->list()->indexWidget(index); });
        QCoreApplication::sendPostedEvents();
        return closed;
    }
    static QSignalSpy* scriptSpy() { return new QSignalSpy(PreviewWindow::instance(), &PreviewWindow::scriptRun); }
    // The page's reading of the file: a JavaScript engine runs it, and its word array must equal
    // the rows the list shows.
    static void checkEngineReadsTheList(WordEditor* w, const QString& path, PageSet::Language language) {
        const QByteArray bytes = TestFiles::read(path);
        const std::optional<TextCodec::Encoding> encoding = TextCodec::detect(bytes);
        QVERIFY(encoding);
        const JsEval::Result js = JsEval::rows(TextCodec::decode(bytes, *encoding),
                                               language == English ? "ninshiki_en" : "ninshiki_jp", true);
        QVERIFY2(js.ok(), qPrintable(js.error));
        QCOMPARE(flatEngine(js.rows), flat(w->rows()));
    }

private slots:
    void initTestCase() {
        PaletteWindow::setOpener(PaletteWindow::Tool::WordEditor,
                                 PaletteWindow::openerOf<WordEditor>(&WordEditor::load));
        PaletteWindow::instance()->move(0, 0);
    }
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        const QString root = m_dir->filePath("plk");
        m_top = TestFiles::write(root + "/n.htm", "<html><body>plk</body></html>");
        m_jp = TestFiles::write(root + "/js/ninshiki_jp.js", m(kJp));
        m_en = TestFiles::write(root + "/js/ninshiki_en.js", m(kEn));
        PageSet::Files files;
        files.folder = root;
        files.topPage = m_top;
        files.words = {m_jp, m_en};
        PageSet::chosen().setFiles(files);
        PageSet::chosen().setAccess(PageSet::Access::Folder);
        ScriptedPlatform::install();
    }
    void cleanup() { closeEditor(); }

    void frame() {
        checkFrame(WordEditor::instance(), QAccessible::Window, "認識語パターン編集", kLaidOutLimit, "wordList");
    }

    void layout() {
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("認識語パターン編集"));
        QCOMPARE(w->size(), QSize(700, 400));
        QCOMPARE(w->minimumSize(), QSize(64, 64));
        QVERIFY(w->x() >= PaletteWindow::instance()->width());
        QTableView* list = w->list();
        QCOMPARE(list, w->findChild<QTableView*>("wordList"));
        QCOMPARE(list->geometry(), QRect(0, 30, 700, 350));
        QStringList headings;
        for (int c = 0; c < list->model()->columnCount(); ++c)
            headings << list->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headings, (QStringList{"#", "ID", "認識語", "別候補１", "別候補２"}));
        QCOMPARE(list->columnWidth(0), 30);
        QCOMPARE(list->columnWidth(1), 40);
        QVERIFY(qAbs(list->columnWidth(2) - list->columnWidth(4)) <= 1);
        QCOMPARE(list->horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(!list->isSortingEnabled());
        QCOMPARE(list->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        const struct {
            const char* name;
            const char* caption;
            QRect rect;
            bool toggle, pressed;
        } buttons[] = {{"saveButton", "保存", {633, 4, 60, 22}, false, false},
                       {"japaneseButton", "日本語", {6, 4, 60, 22}, true, true},
                       {"englishButton", "英語", {70, 4, 60, 22}, true, false}};
        for (const auto& b : buttons) {
            auto* button = w->findChild<QPushButton*>(b.name);
            QVERIFY2(button, b.name);
            QCOMPARE(button->text(), QString::fromUtf8(b.caption));
            QCOMPARE(button->geometry(), b.rect);
            QCOMPARE(button->isCheckable(), b.toggle);
            QCOMPARE(button->isChecked(), b.pressed);
        }
        // The list grows with the window; "保存" keeps its distance from the right edge.
        w->resize(900, 500);
        QCOMPARE(list->geometry(), QRect(0, 30, 900, 450));
        QCOMPARE(w->saveButton()->geometry(), QRect(833, 4, 60, 22));
        QCOMPARE(w->languageButton(English)->geometry(), QRect(70, 4, 60, 22));
    }

    void opensWithTheJapaneseRows() {
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        QCOMPARE(column(w, 0), (QStringList{"1", "2", "3"}));
        QCOMPARE(column(w, 1), (QStringList{"101", "102", "103"}));
        QCOMPARE(column(w, 2), (QStringList{"こんにちは", "さようなら", "おはよう"}));
        QCOMPARE(column(w, 3), (QStringList{"やあ", "", "おはよ"}));
        QCOMPARE(column(w, 4), (QStringList{"ハロー", "", ""}));
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 5; ++c) {
                QCOMPARE(editable(w, r, c), c >= 2);
                QCOMPARE(bool(at(w, r, c).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight), c <= 1);
            }
        }
        // Striped: F1F5FE, white, F1F5FE.
        QCoreApplication::processEvents();
        // The focused current cell is tinted by the style; look at the plain stripes.
        w->list()->setCurrentIndex(QModelIndex());
        const QImage shot = w->list()->viewport()->grab().toImage();
        for (int r = 0; r < 3; ++r) {
            const QRect cellRect = w->list()->visualRect(at(w, r, 0));
            const QColor expected = r % 2 == 0 ? QColor(0xF1, 0xF5, 0xFE) : QColor(Qt::white);
            QCOMPARE(shot.pixelColor(cellRect.left() + 2, cellRect.center().y()), expected);
        }
        // Loading again drops what was not saved.
        QVERIFY(typeInto(w, 0, 2, "changed"));
        QCOMPARE(cell(w, 0, 2), QStringLiteral("changed"));
        w->load();
        QCOMPARE(cell(w, 0, 2), QStringLiteral("こんにちは"));
        QVERIFY(scripted()->messages.isEmpty());
    }

    void editSavedAndPreviewReloaded() {
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        std::unique_ptr<QSignalSpy> scripts(scriptSpy());
        QVERIFY(typeInto(w, 1, 2, "またね"));
        QVERIFY(typeInto(w, 1, 4, "bye"));
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        QCOMPARE(TestFiles::read(m_jp), m(kJp).replace("['102','さようなら']", "['102','またね','','bye']"));
        // The list shows what the page now reads: alternative 2 alone stays the second.
        QCOMPARE(cell(w, 1, 3), QString());
        QCOMPARE(cell(w, 1, 4), QStringLiteral("bye"));
        QCOMPARE(scripts->count(), 1);
        QCOMPARE(scripts->at(0).at(0).toString(), QStringLiteral("location.reload();"));
        QVERIFY(scripted()->messages.isEmpty());
    }

    // Running the script alone in a re-created preview would leave it empty.
    void closedPreviewComesBackWithThePage() {
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        delete PreviewWindow::instance();
        QVERIFY(!PreviewWindow::isOpen());
        QVERIFY(typeInto(w, 0, 2, "やあやあ"));
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        QVERIFY(PreviewWindow::isOpen());
        QCOMPARE(PreviewWindow::instance()->requestedUrl(), QUrl::fromLocalFile(m_top));
    }

    void switchSavesThenShowsTheOtherLanguage() {
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        std::unique_ptr<QSignalSpy> scripts(scriptSpy());
        QVERIFY(typeInto(w, 2, 3, "おっはー"));
        QTest::mouseClick(w->languageButton(English), Qt::LeftButton);
        QCOMPARE(TestFiles::read(m_jp), m(kJp).replace("'おはよ'", "'おっはー'"));
        QCOMPARE(scripts->count(), 1);
        QCOMPARE(w->language(), English);
        QVERIFY(!w->languageButton(Japanese)->isChecked());
        QVERIFY(w->languageButton(English)->isChecked());
        QCOMPARE(column(w, 0), (QStringList{"1", "2"}));
        QCOMPARE(column(w, 2), (QStringList{"hello", "bye"}));
        // And back: the English words are written in double quotation marks.
        QVERIFY(typeInto(w, 1, 3, "see you"));
        QTest::mouseClick(w->languageButton(Japanese), Qt::LeftButton);
        QCOMPARE(TestFiles::read(m_en), m(kEn).replace("\"bye\"", "\"bye\",\"see you\""));
        QCOMPARE(w->language(), Japanese);
        QCOMPARE(cell(w, 2, 3), QStringLiteral("おっはー"));
        QCOMPARE(scripts->count(), 2);
        QVERIFY(scripted()->messages.isEmpty());
    }

    // The list then holds Japanese rows under "英語": they never reach the English file, and go on
    // to their own file, so nothing typed after the failed switch is lost.
    void switchToAMissingFile() {
        QFile::remove(m_en);
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        QVERIFY(typeInto(w, 0, 2, "やっほー"));
        QTest::mouseClick(w->languageButton(English), Qt::LeftButton);
        QByteArray savedJp = m(kJp).replace("'こんにちは'", "'やっほー'");
        QCOMPARE(TestFiles::read(m_jp), savedJp);
        QCOMPARE(scripted()->messages, QStringList{"ファイルがみつかりません..."});
        QCOMPARE(w->language(), English);
        QVERIFY(w->languageButton(English)->isChecked());
        QVERIFY(!w->languageButton(Japanese)->isChecked());
        QCOMPARE(column(w, 1), (QStringList{"101", "102", "103"}));

        scripted()->messages.clear();
        QVERIFY(typeInto(w, 1, 2, "じゃあね"));
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        QVERIFY(!QFile::exists(m_en));
        savedJp.replace("'さようなら'", "'じゃあね'");
        QCOMPARE(TestFiles::read(m_jp), savedJp);
        QVERIFY(scripted()->messages.isEmpty());

        // Back to Japanese: the save that begins the switch writes the rows to their own file.
        QVERIFY(typeInto(w, 2, 2, "kept"));
        QTest::mouseClick(w->languageButton(Japanese), Qt::LeftButton);
        QVERIFY(!QFile::exists(m_en));
        savedJp.replace("'おはよう'", "'kept'");
        QCOMPARE(TestFiles::read(m_jp), savedJp);
        QVERIFY(scripted()->messages.isEmpty());
        QCOMPARE(w->language(), Japanese);
        QCOMPARE(column(w, 2), (QStringList{"やっほー", "じゃあね", "kept"}));
    }

    void missingFileClosesTheEditor() {
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        QTest::mouseClick(w->languageButton(English), Qt::LeftButton);
        QFile::remove(m_en);
        // The palette loads the open editor again; its English file is gone.
        scripted()->messages.clear();
        QTest::mouseClick(PaletteWindow::instance()->findChild<QPushButton*>("wordEditorButton"), Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{"ファイルが見つかりません..."});
        QVERIFY(!WordEditor::isOpen());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!SingleWindow<WordEditor>::isOpen());
    }

    // A window that never read a file: a plain save would replace the Japanese rows by an empty block.
    void unreadWindowWritesNothing() {
        WordEditor* w = WordEditor::instance();
        QCOMPARE(rowCount(w), 0);
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        QCOMPARE(TestFiles::read(m_jp), m(kJp));
        QCOMPARE(scripted()->messages,
                 QStringList{"この一覧はninshiki_jp.jsから読み込んだものではないため、保存しません..."});
        scripted()->messages.clear();
        QTest::mouseClick(w->languageButton(English), Qt::LeftButton);
        QCOMPARE(TestFiles::read(m_jp), m(kJp));
        QCOMPARE(scripted()->messages.size(), 1);
        QCOMPARE(column(w, 2), (QStringList{"hello", "bye"}));
    }

    void unreadableFileIsReported() {
        QFile::remove(m_jp);
        QDir().mkpath(m_jp);
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        QCOMPARE(scripted()->messages,
                 QStringList{"ninshiki_jp.jsを読み込めませんでした（通常のファイルではありません）..."});
        QCOMPARE(rowCount(w), 0);
    }

    void folderChangeWritesNothingIntoTheNewFolder() {
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        QVERIFY(typeInto(w, 0, 2, "old folder"));
        // A second complete page set, chosen in the folder dialog while the editor is open.
        const QString other = m_dir->filePath("other");
        for (const char* f : {"n.htm", "js/plkpadbtn.js", "js/pelkavin.css", "img/apple-touch-icon.png"})
            TestFiles::write(other + u'/' + QString::fromLatin1(f), "x");
        const QByteArray otherJp = m("x = [\n@@\n        ['9','別']\n        @@\n];\n");
        const QByteArray otherEn = m("x = [\n@@\n        ['8',\"other\"]\n        @@\n];\n");
        TestFiles::write(other + "/js/ninshiki_jp.js", otherJp);
        TestFiles::write(other + "/js/ninshiki_en.js", otherEn);
        scripted()->folders.enqueue(other);
        FolderDialog::instance()->chooseFolder();
        QCOMPARE(PageSet::chosen().words(PageSet::Language::Japanese), other + "/js/ninshiki_jp.js");
        QVERIFY(scripted()->messages.isEmpty());

        const QString refused = "この一覧はplkフォルダ「" + QDir::toNativeSeparators(m_dir->filePath("plk")) +
                                "」のninshiki_jp.jsから読み込んだものですが、plkフォルダが変更されたため、保存も言語の"
                                "切り替えもしません。一覧はそのまま残します。保存するには、plkフォルダを「" +
                                QDir::toNativeSeparators(m_dir->filePath("plk")) + "」に戻してから保存して下さい...";
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        QCOMPARE(TestFiles::read(other + "/js/ninshiki_jp.js"), otherJp);
        QCOMPARE(TestFiles::read(m_jp), m(kJp));
        QCOMPARE(scripted()->messages, QStringList{refused});
        // A refused save stops the switch, and the typed rows stay.
        QTest::mouseClick(w->languageButton(English), Qt::LeftButton);
        QCOMPARE(scripted()->messages, (QStringList{refused, refused}));
        QCOMPARE(TestFiles::read(other + "/js/ninshiki_jp.js"), otherJp);
        QCOMPARE(TestFiles::read(other + "/js/ninshiki_en.js"), otherEn);
        QCOMPARE(w->language(), Japanese);
        QVERIFY(w->languageButton(Japanese)->isChecked());
        QCOMPARE(cell(w, 0, 2), QStringLiteral("old folder"));
        // Back in the folder they came from, they are saved there.
        for (const char* f : {"js/plkpadbtn.js", "js/pelkavin.css", "img/apple-touch-icon.png"})
            TestFiles::write(m_dir->filePath("plk") + u'/' + QString::fromLatin1(f), "x");
        scripted()->folders.enqueue(m_dir->filePath("plk"));
        FolderDialog::instance()->chooseFolder();
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        QCOMPARE(scripted()->messages.size(), 2);
        QCOMPARE(TestFiles::read(m_jp), m(kJp).replace("'こんにちは'", "'old folder'"));
        QCOMPARE(scripted()->messages.size(), 2);
        // With nothing typed, a switch after a folder change reads the new folder's file.
        scripted()->folders.enqueue(other);
        FolderDialog::instance()->chooseFolder();
        QTest::mouseClick(w->languageButton(English), Qt::LeftButton);
        QCOMPARE(TestFiles::read(other + "/js/ninshiki_jp.js"), otherJp);
        QCOMPARE(column(w, 2), QStringList{"other"});
        QCOMPARE(scripted()->messages.size(), 2);
        delete FolderDialog::instance();
    }

    void refusedCellTexts_data() {
        QTest::addColumn<PageSet::Language>("language");
        QTest::addColumn<bool>("shiftJis"); // the Japanese file in Shift_JIS
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message"); // empty when accepted
        QTest::newRow("comma in a word") << Japanese << false << 2 << "a,b"
                                         << "";
        QTest::newRow("brackets in alternative 1") << Japanese << false << 3 << "[x]"
                                                   << "";
        QTest::newRow("apostrophe in Japanese") << Japanese << false << 2 << "it's"
                                                << "2行目（ID 102）の認識語に「'」は使えません...";
        QTest::newRow("double quote in English") << English << false << 3 << "say \"hi\""
                                                 << "2行目（ID 202）の別候補１に「\"」は使えません...";
        QTest::newRow("backslash of a path") << Japanese << false << 2 << "C:\\new"
                                             << "2行目（ID 102）の認識語に「\\」は使えません...";
        QTest::newRow("backslash at the end") << English << false << 3 << "abc\\"
                                              << "2行目（ID 202）の別候補１に「\\」は使えません...";
        QTest::newRow("pasted line break") << Japanese << false << 4 << "a\nb"
                                           << "2行目（ID 102）の別候補２に改行は使えません...";
        QTest::newRow("line separator") << English << false << 2 << QString::fromUtf16(u"a\u2028b")
                                        << "2行目（ID 202）の認識語に行区切り文字（U+2028）は使えません...";
        QTest::newRow("paragraph separator") << Japanese << false << 3 << QString::fromUtf16(u"a\u2029b")
                                             << "2行目（ID 102）の別候補１に段落区切り文字（U+2029）は使えません...";
        QTest::newRow("the marker") << Japanese << false << 2 << "/* ninshiki_go_data */"
                                    << "";
        QTest::newRow("a character Shift_JIS lacks")
            << Japanese << true << 2 << "Café"
            << "2行目（ID 102）の認識語の「é」はShift_JISのninshiki_jp.jsには書けません...";
        // It is written, but reads back as "№".
        QTest::newRow("a character Shift_JIS writes as another")
            << Japanese << true << 3 << QString(QChar(0xF86F))
            << "2行目（ID 102）の別候補１の文字（U+F86F）はShift_JISのninshiki_jp.jsには書けません...";
        QTest::newRow("apostrophe in English") << English << false << 2 << "it's"
                                               << "";
        QTest::newRow("é in UTF-8") << Japanese << false << 2 << "Café"
                                    << "";
        QTest::newRow("Japanese in Shift_JIS") << Japanese << true << 2 << "表示"
                                               << "";
    }
    void refusedCellTexts() {
        QFETCH(PageSet::Language, language);
        QFETCH(bool, shiftJis);
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(QString, message);
        if (shiftJis)
            TestFiles::write(m_jp, sjis(kSj));
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        if (language == English)
            QTest::mouseClick(w->languageButton(English), Qt::LeftButton);
        const QString before = cell(w, 1, column);
        QVERIFY(typeInto(w, 1, column, text));
        if (message.isEmpty()) {
            QCOMPARE(cell(w, 1, column), text);
            QVERIFY(scripted()->messages.isEmpty());
            QTest::mouseClick(w->saveButton(), Qt::LeftButton);
            const QString q = WordFile::quoteChar(language);
            const QByteArray saved = TestFiles::read(language == English ? m_en : m_jp);
            QVERIFY(TextCodec::decode(saved, *TextCodec::detect(saved)).contains(q + text + q));
        } else {
            QCOMPARE(cell(w, 1, column), before);
            QCOMPARE(scripted()->messages, QStringList{message});
            // The typed text is back in the cell's editor, to be corrected.
            auto* editor = qobject_cast<QLineEdit*>(w->list()->indexWidget(at(w, 1, column)));
            QVERIFY(editor);
            QCOMPARE(editor->text(), text);
        }
    }

    // A save with nothing typed, by 保存 or by the switch, writes nothing at all: the file keeps its
    // bytes and its inode (a write would replace it), and no temporary file appears beside it.
    void noEditWritesNothing_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("viaSwitch");
        for (bool viaSwitch : {false, true}) {
            const char* how = viaSwitch ? ", switch" : ", save";
            QTest::addRow("rows as people write them%s", how) << m(kLoose) << viaSwitch;
            QTest::addRow("CR LF%s", how) << m(kJp).replace("\n", "\r\n") << viaSwitch;
            QTest::addRow("no markers%s", how) << QByteArray("var ninshiki_jp = [];\n") << viaSwitch;
            QTest::addRow("Shift_JIS%s", how) << sjis(kSj) << viaSwitch;
        }
    }
    void noEditWritesNothing() {
        QFETCH(QByteArray, file);
        QFETCH(bool, viaSwitch);
        TestFiles::write(m_jp, file);
        struct stat before {};
        QCOMPARE(::stat(QFile::encodeName(m_jp).constData(), &before), 0);
        const QStringList entries = QDir(QFileInfo(m_jp).path()).entryList(QDir::AllEntries | QDir::Hidden);
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        std::unique_ptr<QSignalSpy> scripts(scriptSpy());
        QTest::mouseClick(viaSwitch ? w->languageButton(English) : w->saveButton(), Qt::LeftButton);
        QCOMPARE(TestFiles::read(m_jp), file);
        struct stat after {};
        QCOMPARE(::stat(QFile::encodeName(m_jp).constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(QDir(QFileInfo(m_jp).path()).entryList(QDir::AllEntries | QDir::Hidden), entries);
        QCOMPARE(scripts->count(), 0);
        QCOMPARE(scripted()->messages, QStringList{});
        QCOMPARE(w->language(), viaSwitch ? English : Japanese);
    }

    // An edit of one row through the window changes that row's text alone; the engine's values of
    // the others stay exactly as they were.
    void oneEditChangesOnlyThatRow() {
        TestFiles::write(m_jp, m(kLoose));
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        QCOMPARE(column(w, 1), (QStringList{"101", "102", "", "103", "104"}));
        QVERIFY(typeInto(w, 3, 2, "おっす"));
        QTest::mouseClick(w->languageButton(English), Qt::LeftButton);
        const QByteArray saved = TestFiles::read(m_jp);
        QCOMPARE(saved, m(kLoose).replace("[ \"103\" , 'おはよう',,'おはよ' ]", "['103','おっす','','おはよ']"));
        const JsEval::Result js = JsEval::exact(QString::fromUtf8(saved), "ninshiki_jp", true);
        QVERIFY2(js.ok(), qPrintable(js.error));
        QCOMPARE(js.rows, (QList<QStringList>{{"'101'", "'こんにちは'", "'やあ'", "''"},
                                              {"'102'"},
                                              {},
                                              {"'103'", "'おっす'", "''", "'おはよ'"},
                                              {"104", "'よう'"}}));
        QCOMPARE(scripted()->messages, QStringList{});
    }

    // The page's browser reads the words in the encoding "n.htm" declares: an all-ASCII file takes
    // it, a file whose bytes settle another keeps its own and the window says the page shows it
    // garbled.
    void pageEncoding_data() {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("written");
        QTest::addColumn<QString>("message");
        const QByteArray ascii = m("var ninshiki_jp = [\n@@\n        ['1','a']\n        @@\n];\n");
        const QByteArray sjPage = "<html><head><meta charset=\"Shift_JIS\"></head><body>plk</body></html>";
        const QByteArray utf8Page = "<html><head><meta charset=\"utf-8\"></head><body>plk</body></html>";
        const int utf8 = int(TextCodec::Encoding::Utf8), sj = int(TextCodec::Encoding::ShiftJis);
        QTest::newRow("ASCII in a Shift_JIS page") << sjPage << ascii << sj << QString();
        QTest::newRow("ASCII in a UTF-8 page") << utf8Page << ascii << utf8 << QString();
        QTest::newRow("ASCII, no declaration") << QByteArray("<html></html>") << ascii << utf8 << QString();
        QTest::newRow("UTF-8 in a Shift_JIS page")
            << sjPage << m(kJp) << utf8
            << Messages::pageShowsGarbled("ninshiki_jp.js", TextCodec::Encoding::Utf8, TextCodec::Encoding::ShiftJis);
        QTest::newRow("Shift_JIS in a UTF-8 page")
            << utf8Page << sjis(kSj) << sj
            << Messages::pageShowsGarbled("ninshiki_jp.js", TextCodec::Encoding::ShiftJis, TextCodec::Encoding::Utf8);
    }
    void pageEncoding() {
        QFETCH(QByteArray, page);
        QFETCH(QByteArray, file);
        QFETCH(int, written);
        QFETCH(QString, message);
        TestFiles::write(m_top, page);
        TestFiles::write(m_jp, file);
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        QCOMPARE(scripted()->messages, message.isEmpty() ? QStringList{} : QStringList{message});
        QVERIFY(typeInto(w, 0, 2, "立って"));
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        const QByteArray saved = TestFiles::read(m_jp);
        QVERIFY(saved.contains(*TextCodec::encode("'立って'", TextCodec::Encoding(written))));
        QCOMPARE(scripted()->messages.size(), message.isEmpty() ? 0 : 1);
    }

    // What the tool saves is what the page reads: after each save the tool accepts, a JavaScript
    // engine runs the file and its word array equals the rows the list shows. A refused save leaves
    // the file as it was and says why.
    void savedFileIsWhatThePageReads_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<PageSet::Language>("language");
        QTest::addColumn<QStringList>("edits");    // "row|column|text"
        QTest::addColumn<QStringList>("messages"); // empty when the save is accepted
        const QStringList none;
        QTest::newRow("Japanese, alternative 2 alone typed")
            << m(kJp) << Japanese << QStringList{"1|2|またね", "1|4|bye"} << none;
        QTest::newRow("English") << m(kEn) << English << QStringList{"0|3|hey", "1|2|see you"} << none;
        QTest::newRow("CR LF") << m(kJp).replace("\n", "\r\n") << Japanese << QStringList{"2|2|おっす"} << none;
        QTest::newRow("Shift_JIS") << sjis(kSj) << Japanese << QStringList{"0|2|表示ゼロ"} << none;
        QTest::newRow("text in front of the first row")
            << m("var ninshiki_jp = [\n@@\n        // 認識語\n        ['1','a']\n        @@\n];\n") << Japanese
            << QStringList{"0|2|z"} << none;
        QTest::newRow("comments between rows")
            << m("var ninshiki_jp = [\n@@\n        ['1','a'], // one\n\n        ['2','b']\n        @@\n];\n")
            << Japanese << QStringList{"1|4|c"} << none;
        QTest::newRow("alternative 2 alone read from the file")
            << m("var ninshiki_jp = [\n@@\n        ['1','w','','z']\n        @@\n];\n") << Japanese << none << none;
        QTest::newRow("no markers") << QByteArray("var ninshiki_jp = [];\n") << Japanese << none << none;
        QTest::newRow("commas, brackets and the marker in words")
            << m("var ninshiki_jp = [\n@@\n        ['1','a, b','[c]','x @@']\n        @@\n];\n") << Japanese
            << QStringList{"0|2|d, [e]"} << none;
        QTest::newRow("an id given as a number") << m("var ninshiki_jp = [\n@@\n        [101,'a']\n        @@\n];\n")
                                                 << Japanese << QStringList{"0|3|b"} << none;
    }
    void savedFileIsWhatThePageReads() {
        QFETCH(QByteArray, file);
        QFETCH(PageSet::Language, language);
        QFETCH(QStringList, edits);
        QFETCH(QStringList, messages);
        const QString path = language == English ? m_en : m_jp;
        TestFiles::write(path, file);
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        if (language == English)
            QTest::mouseClick(w->languageButton(English), Qt::LeftButton);
        QVERIFY(scripted()->messages.isEmpty());
        if (messages.isEmpty()) {
            // The file as read is what the page reads before the save too.
            checkEngineReadsTheList(w, path, language);
            if (QTest::currentTestFailed())
                return;
        }
        for (const QString& e : edits) {
            const QStringList p = e.split(u'|');
            QVERIFY(typeInto(w, p[0].toInt(), p[1].toInt(), p[2]));
        }
        QVERIFY(scripted()->messages.isEmpty());
        const QList<WordFile::Row> shown = w->rows();
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        QCOMPARE(scripted()->messages, messages);
        if (!messages.isEmpty()) {
            QCOMPARE(TestFiles::read(path), file);
            QCOMPARE(flat(w->rows()), flat(shown));
            return;
        }
        checkEngineReadsTheList(w, path, language);
        // A second save without edits changes nothing.
        const QByteArray saved = TestFiles::read(path);
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        QCOMPARE(TestFiles::read(path), saved);
    }

    // A file is written back in its own encoding, and what nobody edited keeps its bytes; a file in
    // neither encoding is shown but never written, and does not keep the other language out of reach.
    void encodingKeepsUneditedBytes_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("viaSwitch");
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QStringList>("messages");
        const QByteArray sj = sjis(kSj);
        const QStringList none;
        QTest::newRow("Shift_JIS, save without edits") << sj << false << none << sj << none;
        QTest::newRow("Shift_JIS, switch without edits") << sj << true << none << sj << none;
        QTest::newRow("Shift_JIS, an edit saved by the switch")
            << sj << true << QStringList{"1|2|ソーダ"} << sjis(kSj, {"'ゾウ'", "'ソーダ'"}) << none;
        const QByteArray bom = "\xEF\xBB\xBF" + m(kJp);
        QTest::newRow("UTF-8 with a byte order mark") << bom << false << none << bom << none;
        const QByteArray latin1 = m("var ninshiki_jp = [\n@@\n        ['101','Caf\xE9'],\n        ['102','cr\xE8"
                                    "me'],\n        ['103','na\xEFve']\n        @@\n];\n");
        const QString neither = "ninshiki_jp.jsの文字コードがUTF-8でもShift_JISでもないため、";
        QTest::newRow("Latin-1, save") << latin1 << false << none << latin1
                                       << QStringList{neither + "この一覧は保存できません...",
                                                      neither + "保存しません..."};
        QTest::newRow("Latin-1, switch") << latin1 << true << none << latin1
                                         << QStringList{neither + "この一覧は保存できません...",
                                                        neither + "保存しません..."};
    }
    void encodingKeepsUneditedBytes() {
        QFETCH(QByteArray, file);
        QFETCH(bool, viaSwitch);
        QFETCH(QStringList, edits);
        QFETCH(QByteArray, saved);
        QFETCH(QStringList, messages);
        TestFiles::write(m_jp, file);
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        QCOMPARE(rowCount(w), 3);
        const bool saveable = TextCodec::detect(file).has_value();
        QCOMPARE(editable(w, 0, 2), saveable);
        for (const QString& e : edits) {
            const QStringList p = e.split(u'|');
            QVERIFY(typeInto(w, p[0].toInt(), p[1].toInt(), p[2]));
        }
        QTest::mouseClick(viaSwitch ? w->languageButton(English) : w->saveButton(), Qt::LeftButton);
        QCOMPARE(TestFiles::read(m_jp), saved);
        QVERIFY(!TestFiles::read(m_jp).contains("\xEF\xBF\xBD"));
        QCOMPARE(scripted()->messages, messages);
        QCOMPARE(w->language(), viaSwitch ? English : Japanese);
        if (viaSwitch)
            QCOMPARE(column(w, 2), (QStringList{"hello", "bye"}));
    }

    // A save writes into the file as it is at that moment: another program's head, tail and rows
    // stay, and an edit that meets a change made there is not written.
    void saveUsesTheFileAsItIsNow_data() {
        QTest::addColumn<QByteArray>("outside");
        QTest::addColumn<bool>("viaSwitch");
        QTest::addColumn<QStringList>("edits");
        QTest::addColumn<QByteArray>("saved"); // empty when refused: the outside file stays
        QTest::addColumn<QStringList>("messages");
        const char* const grown = "// changed elsewhere\n"
                                  "var ninshiki_jp = [\n"
                                  "@@\n"
                                  "        ['101','こんにちは','やあ','ハロー'],\n"
                                  "        ['102','さようなら'],\n"
                                  "        ['103','おはよう','おはよ','おっは'],\n"
                                  "        ['104','こんばんは']\n"
                                  "        @@\n"
                                  "];\n"
                                  "var more = 2;\n";
        const QByteArray grownEdited = m(grown).replace("'さようなら'", "'またね'");
        const QStringList edit{"1|2|またね"};
        const QStringList none;
        QTest::newRow("new head, tail and rows from outside are kept")
            << m(grown) << false << edit << grownEdited << none;
        QTest::newRow("the same through the switch") << m(grown) << true << edit << grownEdited << none;
        const QByteArray inserted = m(kJp).replace("['101'", "['100','はじめまして'],\n        ['101'");
        QTest::newRow("nothing edited: the rows from outside are kept") << inserted << true << none << inserted << none;
        QTest::newRow("the file now in Shift_JIS")
            << sjis(grown) << false << edit << sjis(grown, {"'さようなら'", "'またね'"}) << none;
        const QString changed = "2行目（ID 102）はninshiki_jp.jsを読み込んだ後にほかで変更されたため、保存しません...";
        QTest::newRow("the edited row changed outside as well")
            << m(kJp).replace("'さようなら'", "'さらば'") << false << edit << QByteArray() << QStringList{changed};
        QTest::newRow("the edited row no longer in its place")
            << inserted << false << edit << QByteArray() << QStringList{changed};
        QTest::newRow("the same through the switch, which stops")
            << inserted << true << edit << QByteArray() << QStringList{changed};
        QTest::newRow("the file now in neither encoding")
            << QByteArray("var ninshiki_jp = ['Caf\xE9'];\n") << false << edit << QByteArray()
            << QStringList{"ninshiki_jp.jsの文字コードがUTF-8でもShift_JISでもないため、保存しません..."};
        QTest::newRow("an edit the file's new encoding cannot carry")
            << sjis(kJp) << false << QStringList{"0|2|Café"} << QByteArray()
            << QStringList{
                   "1行目（ID 101）の認識語の「é」はShift_JISのninshiki_jp.jsには書けないため、保存しません..."};
    }
    void saveUsesTheFileAsItIsNow() {
        QFETCH(QByteArray, outside);
        QFETCH(bool, viaSwitch);
        QFETCH(QStringList, edits);
        QFETCH(QByteArray, saved);
        QFETCH(QStringList, messages);
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        for (const QString& e : edits) {
            const QStringList p = e.split(u'|');
            QVERIFY(typeInto(w, p[0].toInt(), p[1].toInt(), p[2]));
        }
        const QStringList shown = flat(w->rows());
        TestFiles::write(m_jp, outside);
        QTest::mouseClick(viaSwitch ? w->languageButton(English) : w->saveButton(), Qt::LeftButton);
        QCOMPARE(scripted()->messages, messages);
        QCOMPARE(TestFiles::read(m_jp), saved.isEmpty() ? outside : saved);
        if (!saved.isEmpty() && !viaSwitch) {
            // The list shows the rows from outside as well.
            checkEngineReadsTheList(w, m_jp, Japanese);
        } else if (saved.isEmpty()) {
            // Refused: the edits stay on screen, also when the switch was pressed.
            QCOMPARE(w->language(), Japanese);
            QCOMPARE(flat(w->rows()), shown);
        }
    }

    // A file that can no longer be read is not written; the switch stops only when it would drop
    // what was typed.
    void fileGoneAtTheSave() {
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        QFile::remove(m_jp);
        // Nothing typed: nothing to write, and the switch goes ahead.
        QTest::mouseClick(w->languageButton(English), Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{});
        QVERIFY(!QFile::exists(m_jp));
        QCOMPARE(w->language(), English);
        QCOMPARE(column(w, 2), (QStringList{"hello", "bye"}));

        scripted()->messages.clear();
        QVERIFY(typeInto(w, 0, 2, "hi there"));
        QFile::remove(m_en);
        QTest::mouseClick(w->languageButton(Japanese), Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{"ninshiki_en.jsに書き込めませんでした（見つかりません）..."});
        QVERIFY(!QFile::exists(m_en));
        QCOMPARE(w->language(), English);
        QCOMPARE(cell(w, 0, 2), QStringLiteral("hi there"));
        scripted()->messages.clear();
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{"ninshiki_en.jsに書き込めませんでした（見つかりません）..."});
        QVERIFY(!QFile::exists(m_en));
    }

    // Files as people and code formatters leave them. Either the list shows exactly what an engine
    // reads from the file, and a save without edits leaves that unchanged; or the window says why when
    // it opens, shows no rows, and a save (the one a switch begins too) says it again and leaves the
    // file byte for byte as it was, while the other language stays in reach.
    void opensWhatThePageReads_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message"); // empty: shown and saved
        const QString refused =
            "ninshiki_jp.jsの%1行目で、%2。この一覧はページと同じ内容を表示できないため、表示も保存も"
            "しません...";
        auto file = [](const char* rows, const char* tail = "];\n") {
            return "var ninshiki_jp = [\n" + m(rows) + tail;
        };
        QTest::newRow("as written") << m(kJp) << QString();
        QTest::newRow("formatted")
            << file("  @@\n  ['101', 'こんにちは', 'やあ', 'ハロー'],\n  [\"102\", \"さようなら\"],\n"
                    "  ['103', 'おはよう', 'おはよ'],\n  @@\n")
            << QString();
        QTest::newRow("comments among the rows")
            << file("@@\n        ['101','こんにちは'],\n        // ['7','古い'],\n        // [挨拶]\n"
                    "        /* ['8','x'] */\n        ['102','さようなら']\n        @@\n")
            << QString();
        QTest::newRow("commas and brackets in quotes")
            << file("@@\n        ['101','あいこ]','a, b','[c]']\n        @@\n") << QString();
        QTest::newRow("ids as numbers") << file("@@\n        [101,'こんにちは','やあ']\n        @@\n") << QString();
        QTest::newRow("an empty alternative in the middle")
            << file("@@\n        ['222','あいこ','','アイコ']\n        @@\n") << QString();
        QTest::newRow("marker lines with blanks") << file("@@ \n        ['1','a']\n        @@\t\n") << QString();
        QTest::newRow("a commented-out copy in front")
            << m("// var ninshiki_jp = [\n// @@\n//   ['1','old']\n//   @@\n// ];\n") + file("@@\n['1','a']\n@@\n")
            << QString();
        QTest::newRow("marker text at the end of a comment line")
            << m("// the rows follow @@\n") + file("@@\n['1','a']\n@@\n") << QString();
        QTest::newRow("five parts") << file("@@\n['1','a','b','c','d']\n@@\n")
                                    << refused.arg(3).arg("1番目の行の値が5つあります（4つまでです）");
        QTest::newRow("an apostrophe in an id")
            << file("@@\n['1','a'],\n[\"it's\",'b']\n@@\n")
            << refused.arg(4).arg("2番目の行のIDに「'」が含まれています（この一覧では書けない文字です）");
        QTest::newRow("a backslash in a word")
            << file("@@\n['1','C:\\\\new']\n@@\n")
            << refused.arg(3).arg("1番目の行の認識語に「\\」が含まれています（この一覧では書けない文字です）");
        QTest::newRow("one marker line") << file("@@\n['1','a']\n")
                                         << "ninshiki_jp.jsの認識語の目印「/* ninshiki_go_data "
                                            "*/」が1つあるため、この一覧は表示も保存もしません（2行"
                                            "目）。目印は、認識語の前と後ろに1行ずつ、2つだけにして下さい...";
        auto broken = [](const QByteArray& text) {
            const std::optional<ScriptCheck::SyntaxError> e = ScriptCheck::check(QString::fromUtf8(text));
            return e ? Messages::scriptDoesNotParse("ninshiki_jp.js", e->line, e->message) : QString("parses");
        };
        QTest::newRow("a string left open") << file("@@\n['1','a]\n@@\n") << broken(file("@@\n['1','a]\n@@\n"));
        const QByteArray fullWidth = "function f（）{ return 1 }\n" + file("@@\n['1','a']\n@@\n");
        QTest::newRow("full-width brackets") << fullWidth << broken(fullWidth);
        const QByteArray twice = "let i = 0;\nlet i = 0;\n" + file("@@\n['1','a']\n@@\n");
        QTest::newRow("a name declared twice") << twice << broken(twice);
        QTest::newRow("a marker without blanks")
            << QByteArray("var ninshiki_jp = [\n/*ninshiki_go_data*/\n['1','a']\n/*ninshiki_go_data*/\n];\n")
            << "ninshiki_jp.jsの2行目の「/*ninshiki_go_data*/」は認識語の目印「/* ninshiki_go_data */」と空白の入り方"
               "が違うため、目印ではありません。この一覧は表示も保存もしません。目印は「/* ninshiki_go_data "
               "*/」と書き、その行にはほかに何も書かないで下さい...";
    }
    void opensWhatThePageReads() {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        TestFiles::write(m_jp, file);
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        const JsEval::Result before = JsEval::rows(QString::fromUtf8(file), "ninshiki_jp");
        if (!message.isEmpty()) {
            QCOMPARE(scripted()->messages, QStringList{message});
            QCOMPARE(rowCount(w), 0);
            QTest::mouseClick(w->saveButton(), Qt::LeftButton);
            QCOMPARE(scripted()->messages, (QStringList{message, message}));
            QTest::mouseClick(w->languageButton(English), Qt::LeftButton);
            QCOMPARE(scripted()->messages, (QStringList{message, message, message}));
            QVERIFY(TestFiles::read(m_jp) == file);
            QCOMPARE(column(w, 2), (QStringList{"hello", "bye"}));
            return;
        }
        QVERIFY2(before.ok(), qPrintable(before.error));
        QCOMPARE(scripted()->messages, QStringList{});
        QCOMPARE(flat(w->rows()), flatEngine(before.rows));
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{});
        checkEngineReadsTheList(w, m_jp, Japanese);
        QCOMPARE(flat(w->rows()), flatEngine(before.rows));
    }

    // The old file stays byte for byte however the disk fails, and nothing is left beside it.
    void failingDiskKeepsTheOldFile_data() { FailingFolder::addRows(); }
    void failingDiskKeepsTheOldFile() {
        QFETCH(WriteFailure, failure);
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        std::unique_ptr<QSignalSpy> scripts(scriptSpy());
        QVERIFY(typeInto(w, 0, 2, "new"));
        const QByteArray before = TestFiles::read(m_jp);
        FailingFolder folder(failure, QFileInfo(m_jp).path());
        if (!folder.skipReason().isEmpty())
            QSKIP(qPrintable(folder.skipReason()));
        const QStringList entries = folder.entries();
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        QCOMPARE(TestFiles::read(m_jp), before);
        const QString why =
            failure == WriteFailure::ReadOnlyFolder ? "フォルダが書き込み禁止です" : "空き容量が足りません";
        QCOMPARE(scripted()->messages, QStringList{"ninshiki_jp.jsに書き込めませんでした（" + why + "）..."});
        QCOMPARE(folder.entries(), entries);
        QCOMPARE(scripts->count(), 0);
    }

    void failedWriteKeepsTheOldFile() {
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        std::unique_ptr<QSignalSpy> scripts(scriptSpy());
        QVERIFY(typeInto(w, 0, 2, "new"));
        FileIO::injectWriteFailure(10);
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        QCOMPARE(TestFiles::read(m_jp), m(kJp));
        QCOMPARE(scripted()->messages, QStringList{"ninshiki_jp.jsに書き込めませんでした（空き容量が足りません）..."});
        QCOMPARE(scripts->count(), 0);
        QCOMPARE(QDir(QFileInfo(m_jp).path()).entryList(QDir::Files).size(), 2);
        // A switch whose save fails keeps the edits on screen.
        FileIO::injectWriteFailure(0);
        QTest::mouseClick(w->languageButton(English), Qt::LeftButton);
        QCOMPARE(TestFiles::read(m_jp), m(kJp));
        QCOMPARE(w->language(), Japanese);
        QVERIFY(w->languageButton(Japanese)->isChecked());
        QCOMPARE(cell(w, 0, 2), QStringLiteral("new"));
        QCOMPARE(scripts->count(), 0);
    }

    // The click unpresses the shown language's toggle; it must come back pressed.
    void shownLanguageStaysPressed() {
        WordEditor* w = openFromPalette();
        QVERIFY(w);
        std::unique_ptr<QSignalSpy> scripts(scriptSpy());
        QVERIFY(typeInto(w, 0, 2, "unsaved"));
        QTest::mouseClick(w->languageButton(Japanese), Qt::LeftButton);
        QVERIFY(w->languageButton(Japanese)->isChecked());
        QVERIFY(!w->languageButton(English)->isChecked());
        QCOMPARE(w->language(), Japanese);
        QCOMPARE(cell(w, 0, 2), QStringLiteral("unsaved"));
        QCOMPARE(TestFiles::read(m_jp), m(kJp));
        QCOMPARE(scripts->count(), 0);
        QVERIFY(scripted()->messages.isEmpty());
    }
};

PKL_GUI_TEST_MAIN(TestWordEditor)

#include "tst_wordeditor.moc"
