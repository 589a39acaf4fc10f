// The button-data editor: its window, the files it reads and saves (judged by a JavaScript engine),
// the save's checks, and what a screen reader's action does. Not covered here: the format's own
// cases (tst_buttondatafile), the page itself in a browser.
#include "ButtonDataFile.h"
#include "ButtonDataFixtures.h"
#include "ButtonEditor.h"
#include "ButtonEditorControls.h"
#include "Controls.h"
#include "FailingFolder.h"
#include "FileIO.h"
#include "JsEval.h"
#include "Messages.h"
#include "PageSet.h"
#include "PaletteWindow.h"
#include "PreviewWindow.h"
#include "ScriptScan.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "TextCodec.h"
#include "WindowFrame.h"

#include <QAccessible>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>

using namespace ButtonDataFixtures;
using namespace ButtonEditorControls;

namespace {
// The built-in data as a code formatter leaves it: blanks after commas, double quotes, one entry a
// line, trailing commas, a comment for each bank.
QString formatted() {
    Table ax, bx;
    ButtonDataFile::readTables(ButtonDataFile::defaultButtonData(), ax, bx);
    QString out;
    for (int a = 0; a < 2; ++a) {
        const Table& t = a ? bx : ax;
        out += QString("var %1 = [\n").arg(a ? "ctrlbtnRobi" : "ctrlbtndata");
        for (int b = 0; b < 4; ++b) {
            out += QString("  // bank %1\n  [\n").arg(QChar('A' + b));
            for (int p = 0; p < 13; ++p) {
                const int r = b * 13 + p;
                out += a ? QString("    [%1, %2, \"%3\"],\n").arg(t[0][r], t[1][r], t[2][r])
                         : QString("    [%1, \"%2\", \"%3\"],\n").arg(t[0][r], t[1][r], t[2][r]);
            }
            out += "  ],\n";
        }
        out += "];\n";
    }
    return out;
}

// The message of a file the editor cannot hold as the page reads it.
QString refused(int line, const QString& why) {
    return QString("plkpadbtn.jsの%1行目で、%2。この画面ではページと同じ内容を表示できないため、読み込みも保存もしませ"
                   "ん...")
        .arg(line)
        .arg(why);
}
QString changedElsewhere(const char* name) {
    return QString("%1を、そのまま書かれた配列の定義「var %1 = [...]」のほかで定義または変更しています").arg(name);
}

void closeEditors() {
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<ButtonEditor*>(w) || qobject_cast<PreviewWindow*>(w))
            windows.append(w);
    for (const QPointer<QWidget>& w : windows)
        delete w.data();
}
// What the window shows of the chosen type: the three toggles, the list and the pad captions.
QStringList shown(ButtonEditor* w) {
    QStringList out;
    for (int i = 0; i < 3; ++i)
        out << (typeButton(w, i)->isChecked() ? "pressed" : "-");
    for (int c = 0; c < wordList(w)->columnCount(); ++c)
        out << wordList(w)->headerItem()->text(c);
    if (QTreeWidgetItem* first = wordList(w)->topLevelItem(0))
        for (int c = 0; c < wordList(w)->columnCount(); ++c)
            out << first->text(c);
    for (int i = 0; i < 13; ++i)
        out << padButton(w, i)->text();
    out << japaneseLabel(w)->text();
    return out;
}

// Sets the file's time back an hour, so that any write shows; gives the time set.
QDateTime backdate(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) ||
        !f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime))
        qFatal("cannot set the time of %s", qPrintable(path));
    f.close();
    return QFileInfo(path).lastModified();
}
// The names in the file's folder, hidden ones (a temporary file) included.
QStringList folderEntries(const QString& path) {
    return QDir(QFileInfo(path).path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

QAccessibleActionInterface* actions(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->actionInterface() : nullptr;
}
} // namespace

class TestButtonEditor : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_file;

    ButtonEditor* openByPalette() {
        QTest::mouseClick(PaletteWindow::instance()->findChild<QPushButton*>("buttonEditorButton"), Qt::LeftButton);
        return ButtonEditor::isOpen() ? ButtonEditor::instance() : nullptr;
    }
    static QStringList captions(ButtonEditor* w) {
        QStringList out;
        for (int i = 0; i < 13; ++i)
            out << padButton(w, i)->text();
        return out;
    }
    static QList<bool> pressed(ButtonEditor* w, QPushButton* (*button)(const QWidget*, int), int n) {
        QList<bool> out;
        for (int i = 0; i < n; ++i)
            out << button(w, i)->isChecked();
        return out;
    }
    static QStringList listRow(ButtonEditor* w, int r) {
        QStringList out;
        for (int c = 0; c < wordList(w)->columnCount(); ++c)
            out << wordList(w)->topLevelItem(r)->text(c);
        return out;
    }

private slots:
    void initTestCase() {
        PaletteWindow::setOpener(PaletteWindow::Tool::ButtonEditor,
                                 PaletteWindow::openerOf<ButtonEditor>(&ButtonEditor::load));
    }
    void init() {
        ScriptedPlatform::install();
        m_file = TestFiles::write(m_dir.filePath("plk/js/plkpadbtn.js"),
                                  "// head\r\n" + marker() + "\r\n" + ButtonDataFile::defaultButtonData().toUtf8() +
                                      marker() + "\r\n// tail\r\n");
        PageSet::Files files;
        files.topPage = TestFiles::write(m_dir.filePath("plk/n.htm"), "<html><body>n</body></html>");
        files.buttonData = m_file;
        PageSet::chosen().setFiles(files);
        PageSet::chosen().setAccess(PageSet::Access::Folder);
    }
    void cleanup() { closeEditors(); }

    void frame() {
        checkFrame(ButtonEditor::instance(), QAccessible::Window, "ボタンカスタマイズ設定", kLaidOutLimit,
                   "bankButton0");
    }

    void hiddenAtCreationThenOpenedByPalette() {
        ButtonEditor* w = ButtonEditor::instance();
        QVERIFY(!w->isVisible());
        QCOMPARE(w->windowTitle(), QString("ボタンカスタマイズ設定"));
        QCOMPARE(w->size(), QSize(792, 415));
        QVERIFY(!loadFileButton(w)->isVisibleTo(w));
        QCOMPARE(w->findChild<QPushButton*>("bankButton2")->geometry(), QRect(190, 352, 70, 36));
        QCOMPARE(w->findChild<QPushButton*>("padButton11")->geometry(), QRect(20, 302, 155, 40));
        QCOMPARE(w->findChild<QTreeWidget*>("wordList")->geometry(), QRect(404, 211, 375, 192));
        // Creation filled the list and the captions but not the fields.
        QCOMPARE(wordList(w)->topLevelItemCount(), 5);
        QCOMPARE(padButton(w, 0)->text(), QString("立って"));
        QVERIFY(idField(w)->text().isEmpty());
        QVERIFY(secondsField(w)->isEnabled());
        closeEditors();

        w = openByPalette();
        QVERIFY(w && w->isVisible());
        QCOMPARE(captions(w), (QStringList{"立って", "座って", "左", "前進", "右", "左", "停止", "右", "左", "後退",
                                           "右", "+", "-"}));
        QCOMPARE(pressed(w, &typeButton, 3), (QList<bool>{true, false, false}));
        QCOMPARE(pressed(w, &bankButton, 4), (QList<bool>{true, false, false, false}));
        QCOMPARE(pressed(w, &padButton, 13).indexOf(true), 0);
        QCOMPARE(pressed(w, &padButton, 13).count(true), 1);
        QCOMPARE(idField(w)->text(), QString("73"));
        QCOMPARE(japaneseField(w)->text(), QString("立って"));
        QCOMPARE(englishField(w)->text(), QString("Stand up"));
        QVERIFY(secondsField(w)->text().isEmpty());
        QVERIFY(!secondsField(w)->isEnabled());
        QVERIFY(!takeWordButton(w)->isEnabled());
        QCOMPARE(listRow(w, 0), (QStringList{"222", "", "あいこ", "Its a draw"}));
    }

    void toggleGroups() {
        ButtonEditor* w = openByPalette();
        QTest::mouseClick(typeButton(w, 1), Qt::LeftButton);
        QCOMPARE(padButton(w, 0)->text(), QString("Stand up"));
        QCOMPARE(englishField(w)->text(), QString("Stand up"));
        QCOMPARE(wordList(w)->columnCount(), 4);
        QVERIFY(englishField(w)->isVisibleTo(w));

        QTest::mouseClick(typeButton(w, 2), Qt::LeftButton);
        QCOMPARE(pressed(w, &typeButton, 3), (QList<bool>{false, false, true}));
        QCOMPARE(padButton(w, 0)->text(), QString("ああ良かった"));
        QVERIFY(!englishField(w)->isVisibleTo(w));
        QVERIFY(!englishLabel(w)->isVisibleTo(w));
        QVERIFY(secondsField(w)->isEnabled());
        QCOMPARE(secondsField(w)->text(), QString("3"));
        QCOMPARE(japaneseLabel(w)->text(), QString("ロビ語"));
        QCOMPARE(wordList(w)->columnCount(), 3);
        QCOMPARE(wordList(w)->headerItem()->text(2), QString("ロビ語"));
        QCOMPARE(wordList(w)->topLevelItemCount(), 19);

        // The already pressed type stays pressed and refills the list without a selection.
        wordList(w)->setCurrentItem(wordList(w)->topLevelItem(2));
        QVERIFY(takeWordButton(w)->isEnabled());
        QTest::mouseClick(typeButton(w, 2), Qt::LeftButton);
        QVERIFY(typeButton(w, 2)->isChecked());
        QCOMPARE(w->selectedWordRow(), -1);
        QVERIFY(!takeWordButton(w)->isEnabled());

        // A pad changes the fields only; a bank the captions and the fields.
        QTest::mouseClick(padButton(w, 0), Qt::LeftButton);
        QVERIFY(padButton(w, 0)->isChecked());
        QTest::mouseClick(bankButton(w, 3), Qt::LeftButton);
        QCOMPARE(pressed(w, &bankButton, 4), (QList<bool>{false, false, false, true}));
        QCOMPARE(padButton(w, 0)->text(), QString("朝起こしてね"));
        QCOMPARE(idField(w)->text(), QString("879"));
        QTest::mouseClick(padButton(w, 5), Qt::LeftButton);
        QCOMPARE(pressed(w, &padButton, 13).indexOf(true), 5);
        QCOMPARE(pressed(w, &padButton, 13).count(true), 1);
        QCOMPARE(idField(w)->text(), QString("276"));
        QCOMPARE(padButton(w, 0)->text(), QString("朝起こしてね"));
    }

    void storeTouchesOneRow() {
        ButtonEditor* w = openByPalette();
        QTest::mouseClick(bankButton(w, 2), Qt::LeftButton);
        QTest::mouseClick(padButton(w, 11), Qt::LeftButton);
        const Table ax = w->recognitionTable(), bx = w->robotTable();
        idField(w)->setText("12");
        japaneseField(w)->setText("前 へ");
        englishField(w)->setText("Go on");
        QTest::mouseClick(storeButton(w), Qt::LeftButton);
        QCOMPARE(row(w->recognitionTable(), 37), (QStringList{"12", "前-へ", "Go-on"}));
        QCOMPARE(padButton(w, 11)->text(), QString("前-へ"));
        QCOMPARE(w->robotTable(), bx);
        Table expected = ax;
        expected[0][37] = "12", expected[1][37] = "前-へ", expected[2][37] = "Go-on";
        QCOMPARE(w->recognitionTable(), expected);

        // Type 2 keeps spaces and touches only the robot table.
        QTest::mouseClick(typeButton(w, 2), Qt::LeftButton);
        idField(w)->clear();
        secondsField(w)->setText("5");
        japaneseField(w)->setText("また ね");
        QTest::mouseClick(storeButton(w), Qt::LeftButton);
        QCOMPARE(row(w->robotTable(), 37), (QStringList{"", "5", "また ね"}));
        QCOMPARE(w->recognitionTable(), expected);
        QVERIFY(scripted()->messages.isEmpty());
    }

    void refusedStore_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        const QString number = "には、空欄、0、または0で始まらない15桁までの数字を入力して下さい...";
        const QString chars = "には ' \\ や改行は使えません（%1）...";
        QTest::newRow("id") << 0 << "idField"
                            << "7a"
                            << "ID" + number;
        QTest::newRow("blank id") << 2 << "idField"
                                  << " 7"
                                  << "ID" + number;
        // Unquoted, the page would read 010 as 8.
        QTest::newRow("leading zero") << 0 << "idField"
                                      << "010"
                                      << "ID" + number;
        QTest::newRow("16 digits") << 2 << "idField"
                                   << "1234567890123456"
                                   << "ID" + number;
        QTest::newRow("seconds") << 2 << "secondsField"
                                 << "2.5"
                                 << "秒" + number;
        QTest::newRow("seconds 00") << 2 << "secondsField"
                                    << "00"
                                    << "秒" + number;
        QTest::newRow("apostrophe") << 1 << "englishField"
                                    << "It's"
                                    << "認識(英)" + chars.arg("「'」");
        QTest::newRow("backslash") << 2 << "japaneseField"
                                   << "C:\\new"
                                   << "ロビ語" + chars.arg("「\\」");
        QTest::newRow("line separator") << 2 << "japaneseField" << QString("a") + QChar(0x2028) + "b"
                                        << "ロビ語" + chars.arg("行区切り文字（U+2028）");
    }
    void refusedStore() {
        QFETCH(int, type);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, message);
        ButtonEditor* w = openByPalette();
        QTest::mouseClick(typeButton(w, type), Qt::LeftButton);
        const Table ax = w->recognitionTable(), bx = w->robotTable();
        w->findChild<QLineEdit*>(field)->setText(value);
        QTest::mouseClick(storeButton(w), Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{message});
        QCOMPARE(w->recognitionTable(), ax);
        QCOMPARE(w->robotTable(), bx);
        // The typed text stays in its field, to be mended.
        QCOMPARE(w->findChild<QLineEdit*>(field)->text(), value);
    }

    void takeWordFromList() {
        ButtonEditor* w = openByPalette();
        const Table ax = w->recognitionTable();
        w->takeWord(); // no selection: nothing
        QCOMPARE(idField(w)->text(), QString("73"));
        wordList(w)->setCurrentItem(wordList(w)->topLevelItem(4));
        QVERIFY(takeWordButton(w)->isEnabled());
        QTest::mouseClick(takeWordButton(w), Qt::LeftButton);
        QCOMPARE(idField(w)->text(), QString("913"));
        QCOMPARE(japaneseField(w)->text(), QString("福引き"));
        QCOMPARE(englishField(w)->text(), QString("Lottery"));
        QCOMPARE(w->recognitionTable(), ax);
        QCOMPARE(padButton(w, 0)->text(), QString("立って"));
        QTest::mouseClick(typeButton(w, 2), Qt::LeftButton);
        QTreeWidgetItem* item = wordList(w)->topLevelItem(0);
        wordList(w)->setCurrentItem(item);
        QTest::mouseDClick(wordList(w)->viewport(), Qt::LeftButton, {}, wordList(w)->visualItemRect(item).center());
        QCOMPARE(idField(w)->text(), QString("670"));
        QCOMPARE(secondsField(w)->text(), QString("3"));
        QCOMPARE(japaneseField(w)->text(), QString("ああ良かった"));
    }

    void saveWritesBlockAndReloads() {
        ButtonEditor* w = openByPalette();
        const QByteArray before = TestFiles::read(m_file);
        QTest::mouseClick(bankButton(w, 1), Qt::LeftButton);
        idField(w)->setText("99");
        QTest::mouseClick(storeButton(w), Qt::LeftButton);
        QTest::mouseClick(saveButton(w), Qt::LeftButton);
        QVERIFY(scripted()->messages.isEmpty());
        const QByteArray saved = TestFiles::read(m_file);
        // Only the edited row's text changes; the block's CR LF line ends stay. Stored in type 0, so
        // the English label's space became "-".
        QCOMPARE(saved, QByteArray(before).replace("[23,'挨拶して','Say Hello']", "[99,'挨拶して','Say-Hello']"));
        QVERIFY(PreviewWindow::isOpen());
        QCOMPARE(PreviewWindow::instance()->requestedUrl(), QUrl::fromLocalFile(PageSet::chosen().topPage()));

        // A second save without changes writes nothing (the file keeps its time, no temporary file
        // appears); the reload runs every time.
        QSignalSpy scripts(PreviewWindow::instance(), &PreviewWindow::scriptRun);
        const QDateTime time = backdate(m_file);
        const QStringList entries = folderEntries(m_file);
        QTest::mouseClick(saveButton(w), Qt::LeftButton);
        QCOMPARE(TestFiles::read(m_file), saved);
        QCOMPARE(QFileInfo(m_file).lastModified(), time);
        QCOMPARE(folderEntries(m_file), entries);
        QCOMPARE(scripts.size(), 1);
        QCOMPARE(scripts.first().first().toString(), QString("location.reload();"));

        // The palette reloads the file; unsaved changes go, the selection stays.
        idField(w)->setText("5");
        QTest::mouseClick(storeButton(w), Qt::LeftButton);
        QCOMPARE(openByPalette(), w);
        QCOMPARE(w->recognitionTable()[0][13], QString("99"));
        QVERIFY(bankButton(w, 1)->isChecked());
    }

    void failedSaveKeepsFileAndDoesNotReload() {
        ButtonEditor* w = openByPalette();
        const QByteArray before = TestFiles::read(m_file);
        idField(w)->setText("1");
        QTest::mouseClick(storeButton(w), Qt::LeftButton);
        FileIO::injectWriteFailure(10);
        QTest::mouseClick(saveButton(w), Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{"plkpadbtn.jsに書き込めませんでした（空き容量が足りません）..."});
        QCOMPARE(TestFiles::read(m_file), before);
        QVERIFY(!PreviewWindow::isOpen());
        // A file that vanished since the palette opened the editor (the card was taken out): nothing
        // written, and the message says so.
        QFile::remove(m_file);
        QTest::mouseClick(saveButton(w), Qt::LeftButton);
        QVERIFY(!QFile::exists(m_file));
        QCOMPARE(scripted()->messages.last(), QString("plkpadbtn.jsに書き込めませんでした（見つかりません）..."));
        QVERIFY(!PreviewWindow::isOpen());
    }

    // Files as people and code formatters leave them. Either the buttons show exactly what an engine
    // reads from the file, and a save without edits leaves that unchanged; or the window says why when
    // it opens, and a save says it again and leaves the file byte for byte as it was.
    void opensWhatThePageReads_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message"); // empty: shown and saved
        QTest::addColumn<bool>("shown");      // with a message: the buttons still show the engine's rows
        const QByteArray m = marker();
        auto marked = [&](const QString& d, const QByteArray& tail = "// tail\n") {
            return "// head\n" + m + "\n" + d.toUtf8() + m + "\n" + tail;
        };
        // Line numbers: the data's first line is the file's third.
        QTest::newRow("as written") << marked(data()) << QString() << true;
        QTest::newRow("spaced headers") << marked(data({{"var ctrlbtndata=[", "var ctrlbtndata = ["},
                                                        {"var ctrlbtnRobi=[", "var ctrlbtnRobi\t=\n\t["}}))
                                        << QString() << true;
        QTest::newRow("formatted") << formatted().toUtf8() << QString() << true;
        QTest::newRow("formatted, in markers") << marked(formatted()) << QString() << true;
        QTest::newRow("commented-out entries")
            << marked(data({{"    [ /* A */\n", "    [ /* A */\n        // [73,'立って','Stand up'],\n"
                                                "        /* [1,'x','y'], */\n"},
                            {"    [ /* B */\n", "    [ /* B */ // [id,'jp','en']\n"}}))
            << QString() << true;
        QTest::newRow("commas and brackets in labels")
            << marked(
                   data({{"'Sit down'", "'Sit, down'"}, {"'Stop'", "'Sit [down]'"}, {"'あいこでグー'", "'あいこ]'"}}))
            << QString() << true;
        QTest::newRow("trailing commas") << marked(data({{"[75,'座って','Sit down']", "[75,'座って','Sit down',]"},
                                                         {"[139,'-','-']", "[139,'-','-'],"}}))
                                         << QString() << true;
        QTest::newRow("double quotes and blanks")
            << marked(data({{"[73,'立って','Stand up']", "[ 73 , \"立って\" , \"Stand up\" ]"},
                            {"[65,'左','Left']", "[65, '左', 'Left']"}}))
            << QString() << true;
        QTest::newRow("number forms and quoted ids")
            << marked(data({{"[73,", "[0x49,"}, {"[75,", "[7.5e1,"}, {"[65,", "['65',"}, {"[670,3,", "[670,3.0,"}}))
            << QString() << true;
        QTest::newRow("escapes") << marked(data(
                                        {{"'立って'", "'\\u7acb\\u3063\\u3066'"}, {"'Sit down'", "\"Sit\\x20down\""}}))
                                 << QString() << true;
        QTest::newRow("marker text in a comment")
            << "// " + m + " stands before and after the data\n" + marked(data()) << QString() << true;
        QTest::newRow("commented-out copy of the block")
            << "// " + m + "\n// " + data().toUtf8().replace("\n", "\n// ") + "\n// " + m + "\n" +
                   marked(data({{"'立って'", "'跳んで'"}}))
            << QString() << true;
        QTest::newRow("12 buttons") << marked(data({{"[75,'座って','Sit down'],", ""}}))
                                    << refused(4, "ctrlbtndataのバンクAのボタンが12個あります（13個です）") << false;
        QTest::newRow("14 buttons") << marked(data({{"[139,'-','-']\n    ],\n    [ /* B */",
                                                     "[139,'-','-'],[1,'x','y']\n    ],\n    [ /* B */"}}))
                                    << refused(4, "ctrlbtndataのバンクAのボタンが14個あります（13個です）") << false;
        QTest::newRow("four fields") << marked(data({{"[73,'立って','Stand up']", "[73,'立って','Stand up','x']"}}))
                                     << refused(5, "ctrlbtndataのバンクAの1番目のボタンの値が4つあります（3つです）")
                                     << false;
        const QString rule = "（IDと秒は、空欄、0、または0で始まらない15桁までの整数です）";
        QTest::newRow("id 2.5") << marked(data({{"[73,", "[2.5,"}}))
                                << refused(5, "バンクAの1番目のボタンの認識のIDの「2.5」は保存できる数ではありません" +
                                                  rule)
                                << false;
        QTest::newRow("id -1") << marked(data({{"[73,", "[-1,"}}))
                               << refused(5,
                                          "バンクAの1番目のボタンの認識のIDの「-1」は保存できる数ではありません" + rule)
                               << false;
        QTest::newRow("seconds as a word")
            << marked(data({{"[670,3,", "[670,'x',"}}))
            << refused(36, "バンクAの1番目のボタンのロビの秒の「x」は保存できる数ではあり"
                           "ません" +
                               rule)
            << false;
        QTest::newRow("escaped apostrophe")
            << marked(data({{"'Stand up'", "'Stand\\'s up'"}}))
            << refused(5, "バンクAの1番目のボタンの認識(英)に「'」が含まれています（この画面では書けない文字です）")
            << false;
        QTest::newRow("a name for a value") << marked(data({{"[73,", "[STAND,"}}))
                                            << refused(5, "バンクAの1番目のボタンの認識のIDが、そのまま書かれた数や文字"
                                                          "列ではありません")
                                            << false;
        QTest::newRow("changed after the block")
            << marked(data(), "ctrlbtnRobi[0][0][1] = 'x';\n") << refused(65, changedElsewhere("ctrlbtnRobi")) << false;
        QTest::newRow("comment left open")
            << marked(data(), "/* note\n")
            << Messages::scriptDoesNotParse("plkpadbtn.js", 65, "Unterminated regular expression literal") << false;
        const QString count = "plkpadbtn.jsのボタンデータの目印「/*-- Pelkavin Button Data --*/」が%1つあるため保存でき"
                              "ません（%2）。目印は、ボタンデータの前と後ろに1行ずつ、2つだけにして下さい...";
        QTest::newRow("one marker") << "// head\n" + m + "\n" + data().toUtf8() << count.arg(1).arg("2行目") << true;
        QTest::newRow("three markers") << marked(data()) + m + "\n"
                                       << count.arg(3).arg("2行目、64行目、66行目") << true;
        // The page reads the declarations after the block: the editor shows and edits those.
        QTest::newRow("arrays after the block") << marked(data(), data().toUtf8()) << QString() << true;
        QTest::newRow("quoted ids and seconds, blank buttons, holes")
            << marked(data({{"[73,", "['73',"},
                            {"[75,'座って','Sit down']", "['', '', '']"},
                            {"[65,'左','Left']", "[,'',\"\"]"},
                            {"[670,3,", "[670,'3',"}}))
            << QString() << true;
        QTest::newRow("comments between and after rows")
            << marked(
                   data({{"[75,'座って','Sit down'],", "[75,'座って','Sit down'], // 座る\n        // [1,'x','y'],\n"},
                         {"    [ /* B */\n", "    [ /* B */\n        /* [2,'x','y'], */\n"}}))
            << QString() << true;
        QTest::newRow("larger than the read limit")
            << marked(data(), "//" + QByteArray(FileIO::kMaxReadSize, 'x') + "\n")
            << "plkpadbtn.jsを読み込めませんでした（64MBより大きいファイルです）..." << false;
    }
    void opensWhatThePageReads() {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        QFETCH(bool, shown);
        TestFiles::write(m_file, file);
        ButtonEditor* w = openByPalette();
        const QString script = file.size() < FileIO::kMaxReadSize ? QString::fromUtf8(file) : QString();
        if (message.isEmpty() || shown)
            QCOMPARE(editorRows(w->recognitionTable(), w->robotTable()), engineRows(script));
        if (!message.isEmpty()) {
            QCOMPARE(scripted()->messages, QStringList{message});
            if (!shown)
                QCOMPARE(editorRows(w->recognitionTable(), w->robotTable()), (QStringList{"undefined", "undefined"}));
            QTest::mouseClick(saveButton(w), Qt::LeftButton);
            QCOMPARE(scripted()->messages, (QStringList{message, message}));
            QVERIFY(TestFiles::read(m_file) == file);
            QVERIFY(!PreviewWindow::isOpen());
            return;
        }
        QCOMPARE(scripted()->messages, QStringList{});
        // A save without edits writes nothing.
        const QDateTime time = backdate(m_file);
        const QStringList entries = folderEntries(m_file);
        QTest::mouseClick(saveButton(w), Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{});
        QCOMPARE(TestFiles::read(m_file), file);
        QCOMPARE(QFileInfo(m_file).lastModified(), time);
        QCOMPARE(folderEntries(m_file), entries);
    }

    // Every save the tool accepts is judged by a JavaScript engine: the saved file runs and its two
    // arrays are the editor's rows. A refused save leaves the file as it was and says why.
    void saveIsWhatThePageReads_data() {
        const QByteArray m = marker();
        const QByteArray data = ButtonDataFile::defaultButtonData().toUtf8();
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("LF") << "// head\n" + m + "\n" + data + m + "\n// tail\n" << QString();
        QTest::newRow("CR LF") << "// head\r\n" + m + "\r\n" + QByteArray(data).replace("\n", "\r\n") + m +
                                      "\r\nvar x = ctrlbtndata[0][0][0];\r\n"
                               << QString();
        QTest::newRow("no marker") << "var a = 1;\n" + data << QString();
        QTest::newRow("no marker, no line end") << QByteArray("var a = 1 // note") << QString();
        QTest::newRow("arrays before the block") << data + m + "\n" + data + m + "\n" << QString();
        QTest::newRow("reads after the block")
            << m + "\n" + data + m + "\nfunction pad(b, p) { return ctrlbtndata[b][p][1] == 'x'; }\n"
            << QString();
        QTest::newRow("Shift_JIS")
            << "// \x82\xa0\n" + m + "\n" +
                   TextCodec::encode(ButtonDataFile::defaultButtonData(), TextCodec::Encoding::ShiftJis).value() + m +
                   "\n// \x82\xa2\n"
            << QString();
        const QString count =
            "plkpadbtn.jsのボタンデータの目印「/*-- Pelkavin Button Data --*/」が%1つあるため保存できませ"
            "ん（%2）。目印は、ボタンデータの前と後ろに1行ずつ、2つだけにして下さい...";
        QTest::newRow("one marker") << "// head\n" + m + "\n" + data + "// tail\n" << count.arg(1).arg("2行目");
        QTest::newRow("three markers") << m + "\n" + data + m + "\n" + data + m + "\n"
                                       << count.arg(3).arg("1行目、63行目、125行目");
        // Marker text inside another line is no marker.
        QTest::newRow("marker in a comment")
            << "// the data stands between two " + m + " lines\n" + m + "\n" + data + m + "\n"
            << QString();
        // The edit goes where the page reads it.
        QTest::newRow("arrays after the block") << m + "\n" + data + m + "\n" + data << QString();
        QTest::newRow("changed after the block") << m + "\n" + data + m + "\nctrlbtnRobi[0][0][1] = 5;\n"
                                                 << refused(64, changedElsewhere("ctrlbtnRobi"));
        QTest::newRow("pushed after the block") << m + "\n" + data + m + "\n\nctrlbtndata.push([]);\n"
                                                << refused(65, changedElsewhere("ctrlbtndata"));
        QTest::newRow("the text after the block goes on with it")
            << m + "\n" + QByteArray(data).replace("];\n", "]\n") + m + "\n, l;\n"
            << QString();
        // Without the arrays, the block goes at the end; text after it must not go on with it.
        QTest::newRow("no arrays, the text goes on")
            << m + "\nvar k = 1\n" + m + "\n, l;\n"
            << QString("plkpadbtn."
                       "jsの4行目のボタンデータの後ろが、目印の間の式の続きになっているため保存できません（保存し"
                       "た内容がページに届きません）...");
        QTest::newRow("const, no marker")
            << QByteArray("const ctrlbtndata = [];\n")
            << refused(1, "ctrlbtndataをletやconst、classで定義しています（varにして下さい）");
        // The markers stand in a text, so there are none: the block goes at the end.
        QTest::newRow("inside a template text") << "var s = `\n" + m + "\n" + data + m + "\n`;\n" << QString();
        QTest::newRow("inside a function") << "function f() {\n" + m + "\n" + data + m + "\n}\n"
                                           << refused(3, changedElsewhere("ctrlbtndata"));
        QTest::newRow("before, in an if") << "if (a)\n" + m + "\n" + data + m + "\n"
                                          << refused(3, changedElsewhere("ctrlbtndata"));
        QTest::newRow("Latin-1") << "// Caf\xe9\n" + m + "\n" + data + m + "\n"
                                 << QString(
                                        "plkpadbtn.jsの文字コードがUTF-8でもShift_JISでもないため読み込めません...");
    }
    void saveIsWhatThePageReads() {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        TestFiles::write(m_file, file);
        ButtonEditor* w = openByPalette();
        scripted()->messages.clear(); // a file in neither encoding is not read; its save is what is tested
        QTest::mouseClick(bankButton(w, 1), Qt::LeftButton);
        QTest::mouseClick(padButton(w, 2), Qt::LeftButton);
        idField(w)->setText("99");
        japaneseField(w)->setText("前へ, [進む] /* A */");
        QTest::mouseClick(storeButton(w), Qt::LeftButton);
        QTest::mouseClick(typeButton(w, 2), Qt::LeftButton);
        secondsField(w)->setText("0");
        QTest::mouseClick(storeButton(w), Qt::LeftButton);
        QVERIFY(scripted()->messages.isEmpty());
        QTest::mouseClick(saveButton(w), Qt::LeftButton);
        if (!message.isEmpty()) {
            QCOMPARE(scripted()->messages, QStringList{message});
            QCOMPARE(TestFiles::read(m_file), file);
            QVERIFY(!PreviewWindow::isOpen());
            return;
        }
        QCOMPARE(scripted()->messages, QStringList{});
        const QByteArray saved = TestFiles::read(m_file);
        const auto encoding = TextCodec::detect(saved);
        QCOMPARE(encoding, TextCodec::detect(file));
        const QString script = TextCodec::decode(saved, *encoding);
        for (const auto& [name, table] :
             {std::pair{"ctrlbtndata", &w->recognitionTable()}, std::pair{"ctrlbtnRobi", &w->robotTable()}}) {
            const JsEval::Result page = JsEval::rows(script, name);
            QVERIFY2(page.ok(), qPrintable(page.error));
            QCOMPARE(page.rows.size(), 52);
            for (int r = 0; r < 52; ++r)
                QCOMPARE(page.rows[r], (QStringList{(*table)[0][r], (*table)[1][r], (*table)[2][r]}));
        }
        QCOMPARE(w->recognitionTable()[0][15], QString("99"));
        QVERIFY(!saved.contains("\xef\xbf\xbd"));
        const ButtonDataFile::Reading read = ButtonDataFile::readFile(file, "plkpadbtn.js");
        if (!read.declared[0] || !read.declared[1]) {
            // The block went in: the text before it keeps its bytes.
            const qsizetype first = file.indexOf(marker());
            QVERIFY(saved.startsWith(first < 0 ? file : file.left(first)));
            return;
        }
        // Only the two edited rows change their text, and the engine reads every other value exactly
        // as before; the id typed is a number.
        QStringList texts = rowTexts(file), values = engineValues(TextCodec::decode(file, *encoding));
        const QStringList savedTexts = rowTexts(saved), savedValues = engineValues(script);
        for (int r : {15, 52 + 15}) {
            QVERIFY(texts[r] != savedTexts[r]);
            texts[r] = savedTexts[r];
            values[r] = savedValues[r];
        }
        QCOMPARE(savedTexts, texts);
        QCOMPARE(savedValues, values);
        QVERIFY2(savedValues[15].startsWith("99|'"), qPrintable(savedValues[15]));
    }

    // Saved without edits, a file in another encoding keeps every byte; an edit goes in the file's
    // own encoding.
    void noEditSaveKeepsTheEncoding() {
        const QByteArray sjis =
            TextCodec::encode(ButtonDataFile::defaultButtonData(), TextCodec::Encoding::ShiftJis).value();
        const QByteArray head = "// \x82\xa0\x82\xa2 Caf\xe9\x41\r\n"; // "Caf\xe9" read on as Shift_JIS
        QVERIFY(TextCodec::detect(head) == TextCodec::Encoding::ShiftJis);
        const QByteArray file = head + marker() + "\n" + sjis + marker() + "\n// \x82\xa4\n";
        TestFiles::write(m_file, file);
        ButtonEditor* w = openByPalette();
        QCOMPARE(japaneseField(w)->text(), QString("立って"));
        QTest::mouseClick(saveButton(w), Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{});
        QCOMPARE(TestFiles::read(m_file), file);
        // An edit goes in the file's encoding, beside the bytes kept.
        japaneseField(w)->setText("跳んで");
        QTest::mouseClick(storeButton(w), Qt::LeftButton);
        QTest::mouseClick(saveButton(w), Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{});
        // (stored as type 0, the English label's blank became "-")
        const auto inSjis = [](const QString& t) {
            return TextCodec::encode(t, TextCodec::Encoding::ShiftJis).value();
        };
        QCOMPARE(TestFiles::read(m_file),
                 QByteArray(file).replace(inSjis("[73,'立って','Stand up']"), inSjis("[73,'跳んで','Stand-up']")));

        // What Shift_JIS cannot carry is refused at the store, naming the field.
        englishField(w)->setText("Café");
        QTest::mouseClick(storeButton(w), Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{"認識(英)の「é」はShift_JISのplkpadbtn.jsには書けません..."});
        QCOMPARE(w->recognitionTable()[2][0], QString("Stand-up"));
        QCOMPARE(englishField(w)->text(), QString("Café"));
    }

    // A file in neither encoding is not read: its text would show as something else.
    void fileInNeitherEncodingIsNotRead() {
        const QByteArray file = "var ctrlbtndata=[[5,'Caf\xe9','x']];\n";
        TestFiles::write(m_file, file);
        ButtonEditor* w = openByPalette();
        QCOMPARE(scripted()->messages,
                 QStringList{"plkpadbtn.jsの文字コードがUTF-8でもShift_JISでもないため読み込めません..."});
        // Empty buttons, not the built-in data as if it were the file's.
        QCOMPARE(padButton(w, 0)->text(), QString());
        QCOMPARE(w->recognitionTable()[0][0], QString());
        QTest::mouseClick(saveButton(w), Qt::LeftButton);
        QCOMPARE(scripted()->messages.last(),
                 QString("plkpadbtn.jsの文字コードがUTF-8でもShift_JISでもないため読み込めません..."));
        QCOMPARE(TestFiles::read(m_file), file);
        // The hidden load button reads a Shift_JIS file in its encoding.
        const QString other = TestFiles::write(
            m_dir.filePath("other.js"),
            TextCodec::encode(data({{"[73,'立って'", "[5,'あ'"}, {"'Stand up'", "'x'"}}), TextCodec::Encoding::ShiftJis)
                .value());
        scripted()->openFiles.enqueue(other);
        w->loadOtherFile();
        QCOMPARE(idField(w)->text(), QString("5"));
        QCOMPARE(japaneseField(w)->text(), QString("あ"));
    }

    // A script the page cannot run gives it no buttons at all: said at opening with its line and the
    // engine's words, nothing shown, the save refused with the same message, the file untouched.
    void scriptThatDoesNotParse_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("line");
        const QByteArray m = marker();
        auto marked = [&](const QString& d, const QByteArray& head = "// head\n") {
            return head + m + "\n" + d.toUtf8() + m + "\n";
        };
        // The data's first row stands 4 lines after the head.
        QTest::newRow("full-width brackets") << marked(data(), "// head\nfunction f（）{ return 1 }\n") << 2;
        QTest::newRow("let twice") << marked(data(), "let i = 0;\nlet i = 0;\n") << 2;
        QTest::newRow("missing comma in an object") << marked(data(), "var o = { speed: 1 delay: 2 };\n") << 1;
        QTest::newRow("octal id in strict mode") << marked(data({{"[73,", "[0111,"}}), "'use strict';\n") << 5;
        QTest::newRow("id 1_e2") << marked(data({{"[73,", "[1_e2,"}})) << 5;
        QTest::newRow("id 0_1") << marked(data({{"[73,", "[0_1,"}})) << 5;
        QTest::newRow("full-width semicolon on line 3") << marked(data(), "// a\n// b\nvar x = 1；\n") << 3;
    }
    void scriptThatDoesNotParse() {
        QFETCH(QByteArray, file);
        QFETCH(int, line);
        TestFiles::write(m_file, file);
        ButtonEditor* w = openByPalette();
        QCOMPARE(scripted()->messages.size(), 1);
        const QString message = scripted()->messages[0];
        QVERIFY2(message.startsWith(QString("plkpadbtn.jsの%1行目がJavaScriptとして読めません（").arg(line)),
                 qPrintable(message));
        QCOMPARE(editorRows(w->recognitionTable(), w->robotTable()), (QStringList{"undefined", "undefined"}));
        idField(w)->setText("5");
        QTest::mouseClick(storeButton(w), Qt::LeftButton);
        QTest::mouseClick(saveButton(w), Qt::LeftButton);
        QCOMPARE(scripted()->messages, (QStringList{message, message}));
        QCOMPARE(TestFiles::read(m_file), file);
    }

    // A save whose new text would not parse is refused: here the block would stand between "}" and
    // "else".
    void saveThatWouldBreakTheScript() {
        const QByteArray m = marker();
        const QByteArray file = "var a = 1;\nif (a) {\n}\n" + m + "\n" + m + "\nelse {\n}\n";
        TestFiles::write(m_file, file);
        ButtonEditor* w = openByPalette();
        scripted()->messages.clear(); // the file declares no button data: said, and shown empty
        idField(w)->setText("5");
        QTest::mouseClick(storeButton(w), Qt::LeftButton);
        QTest::mouseClick(saveButton(w), Qt::LeftButton);
        QCOMPARE(scripted()->messages.size(), 1);
        QVERIFY2(scripted()->messages[0].startsWith("保存するとplkpadbtn.jsの"), qPrintable(scripted()->messages[0]));
        QCOMPARE(TestFiles::read(m_file), file);
        QVERIFY(!PreviewWindow::isOpen());
    }

    // The page reads the script in the encoding its top page declares. An all-ASCII file takes the
    // page's; a file whose own bytes settle another keeps it, and the window says the page shows it
    // garbled. Without a declaration, the file's own.
    void pageEncoding_data() {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message"); // at opening
        QTest::addColumn<int>("written");     // the encoding 立って is saved in
        Table ax, bx;
        ButtonDataFile::readTables(ButtonDataFile::defaultButtonData(), ax, bx);
        for (int r = 0; r < 52; ++r)
            ax[1][r] = QString("j%1").arg(r), bx[2][r] = QString("p%1").arg(r);
        const QByteArray ascii = "// head\n" + ButtonDataFile::markedBlock(ax, bx).toUtf8();
        const QByteArray utf8 = "// head\n" + marker() + "\n" + data().toUtf8() + marker() + "\n";
        const QByteArray sjis = TextCodec::encode(QString::fromUtf8(utf8), TextCodec::Encoding::ShiftJis).value();
        const QByteArray sjisPage = "<html><head><meta charset=\"Shift_JIS\"></head><body>n</body></html>";
        const QByteArray utf8Page =
            "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\"></head></html>";
        const int u = int(TextCodec::Encoding::Utf8), j = int(TextCodec::Encoding::ShiftJis);
        QTest::newRow("ASCII file, Shift_JIS page") << sjisPage << ascii << QString() << j;
        QTest::newRow("ASCII file, UTF-8 page") << utf8Page << ascii << QString() << u;
        QTest::newRow("ASCII file, no declaration") << QByteArray("<html></html>") << ascii << QString() << u;
        QTest::newRow("Shift_JIS file, UTF-8 page")
            << utf8Page << sjis
            << Messages::pageShowsGarbled("plkpadbtn.js", TextCodec::Encoding::ShiftJis, TextCodec::Encoding::Utf8)
            << j;
        QTest::newRow("UTF-8 file, Shift_JIS page")
            << sjisPage << utf8
            << Messages::pageShowsGarbled("plkpadbtn.js", TextCodec::Encoding::Utf8, TextCodec::Encoding::ShiftJis)
            << u;
        QTest::newRow("Shift_JIS file, Shift_JIS page") << sjisPage << sjis << QString() << j;
        // The browser follows a byte order mark over the page's declaration.
        QTest::newRow("UTF-8 file with a BOM, Shift_JIS page") << sjisPage << "\xef\xbb\xbf" + utf8 << QString() << u;
    }
    void pageEncoding() {
        QFETCH(QByteArray, page);
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        QFETCH(int, written);
        TestFiles::write(PageSet::chosen().topPage(), page);
        TestFiles::write(m_file, file);
        ButtonEditor* w = openByPalette();
        QCOMPARE(scripted()->messages.join("/"), message);
        japaneseField(w)->setText("立って");
        englishField(w)->setText("Up");
        QTest::mouseClick(storeButton(w), Qt::LeftButton);
        QTest::mouseClick(saveButton(w), Qt::LeftButton);
        QCOMPARE(scripted()->messages.size(), message.isEmpty() ? 0 : 1);
        const QByteArray saved = TestFiles::read(m_file);
        const auto encoding = TextCodec::Encoding(written);
        QVERIFY(saved.contains(TextCodec::encode("[73,'立って','Up']", encoding).value()));
        QVERIFY(TextCodec::decode(saved, encoding).contains("[73,'立って','Up']"));
    }

    // The old file stays byte for byte however the disk fails, and nothing is left beside it.
    void failingDiskKeepsTheOldFile_data() { FailingFolder::addRows(); }
    void failingDiskKeepsTheOldFile() {
        QFETCH(WriteFailure, failure);
        ButtonEditor* w = openByPalette();
        idField(w)->setText("1");
        QTest::mouseClick(storeButton(w), Qt::LeftButton);
        const QByteArray before = TestFiles::read(m_file);
        FailingFolder folder(failure, QFileInfo(m_file).path());
        if (!folder.skipReason().isEmpty())
            QSKIP(qPrintable(folder.skipReason()));
        const QStringList entries = folder.entries();
        QTest::mouseClick(saveButton(w), Qt::LeftButton);
        QCOMPARE(TestFiles::read(m_file), before);
        const QString why =
            failure == WriteFailure::ReadOnlyFolder ? "フォルダが書き込み禁止です" : "空き容量が足りません";
        QCOMPARE(scripted()->messages, QStringList{"plkpadbtn.jsに書き込めませんでした（" + why + "）..."});
        QCOMPARE(folder.entries(), entries);
        QVERIFY(!PreviewWindow::isOpen());
    }

    void hiddenLoadButton() {
        ButtonEditor* w = openByPalette();
        const QString other = TestFiles::write(
            m_dir.filePath("other.js"),
            data({{"[73,'立って','Stand up'],[75,'座って','Sit down']", "[5,'x y','z'],[,,,]"}}).toUtf8());
        w->loadOtherFile(); // cancelled
        QCOMPARE(idField(w)->text(), QString("73"));
        scripted()->openFiles.enqueue(other);
        w->loadOtherFile();
        QCOMPARE(scripted()->openFileFilters, (QStringList{"jsfile (*.js)", "jsfile (*.js)"}));
        QCOMPARE(idField(w)->text(), QString("5"));
        QCOMPARE(padButton(w, 0)->text(), QString("x y"));
        QVERIFY(padButton(w, 1)->text().isEmpty());
        QCOMPARE(PageSet::chosen().buttonData(), m_file);
        // A file it cannot hold changes nothing, and what was loaded before can still be saved.
        // A name with "%2" in it is shown as it is.
        const QString bad = TestFiles::write(m_dir.filePath("bad%2.js"), data({{"[73,", "[-1,"}}).toUtf8());
        scripted()->openFiles.enqueue(bad);
        const Table ax = w->recognitionTable();
        w->loadOtherFile();
        QCOMPARE(scripted()->messages.size(), 1);
        QVERIFY2(scripted()->messages[0].startsWith("bad%2.jsの3行目で、バンクAの1番目"),
                 qPrintable(scripted()->messages[0]));
        QCOMPARE(w->recognitionTable(), ax);
        QTest::mouseClick(saveButton(w), Qt::LeftButton);
        QCOMPARE(scripted()->messages.size(), 1);
        QCOMPARE(ButtonDataFile::readFile(TestFiles::read(m_file), "plkpadbtn.js").recognition, ax);
    }
};

// On this desktop: what a screen reader's action on a toggle button does, and pad captions taken
// from data.
class TestButtonEditorDesktop : public QObject {
    Q_OBJECT
private slots:
    void init() { ScriptedPlatform::install(); }
    void cleanup() { App::deleteWindows(); }

    void typeToggleActionIsAClick() {
        ButtonEditor* w = ButtonEditor::instance();
        w->show();
        const QString toggle = QAccessibleActionInterface::toggleAction();
        QAccessibleActionInterface* robi = actions(typeButton(w, 2));
        QVERIFY(robi);
        QVERIFY(robi->actionNames().contains(toggle));
        robi->doAction(toggle);
        QCOMPARE(w->selectedType(), ButtonDataFile::WordList::Robot);
        QCOMPARE(wordList(w)->columnCount(), 3);
        const QStringList byAction = shown(w);

        delete w;
        w = ButtonEditor::instance();
        w->show();
        QTest::mouseClick(typeButton(w, 2), Qt::LeftButton);
        QCOMPARE(shown(w), byAction);
        // On the pressed button too the action does what a click does: it stays pressed.
        actions(typeButton(w, 2))->doAction(toggle);
        QCOMPARE(shown(w), byAction);
        // And back to the recognition words.
        actions(typeButton(w, 0))->doAction(toggle);
        QCOMPARE(wordList(w)->columnCount(), 4);
        QVERIFY(typeButton(w, 0)->isChecked() && !typeButton(w, 2)->isChecked());
    }

    void padCaptionFromDataShowsLiterally() {
        ButtonEditor* w = ButtonEditor::instance();
        w->choosePad(5);
        japaneseField(w)->setText(QStringLiteral("R&B"));
        w->store();
        w->choosePad(0);
        QCOMPARE(QAccessible::queryAccessibleInterface(padButton(w, 5))->text(QAccessible::Name),
                 QStringLiteral("R&B"));
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        // Alt+B is no shortcut of the pad: it takes neither the focus nor a press.
        QTest::keyClick(w, Qt::Key_B, Qt::AltModifier);
        QVERIFY(QApplication::focusWidget() != padButton(w, 5));
        QVERIFY(!padButton(w, 5)->isDown());
        QCOMPARE(w->selectedPad(), 0);
    }
};

PKL_GUI_TEST_MAIN(TestButtonEditor, TestButtonEditorDesktop)

#include "tst_buttoneditor.moc"
