// The button-data editor: the reader, the writer, the splice, the save's checks, the word lists and
// the window. Saved files are run by a JavaScript engine. Not covered here: the look of the
// controls, and the page itself in a browser.
#include "BtnData.h"
#include "CmdWin.h"
#include "Controls.h"
#include "Editors.h"
#include "FailingFolder.h"
#include "FileIO.h"
#include "JsEval.h"
#include "Module1.h"
#include "PlkWin.h"
#include "ScriptScan.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "TextCodec.h"
#include "ToolWin.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>

using BtnData::Table;

namespace {
ScriptedPlatform* scripted() {
    return static_cast<ScriptedPlatform*>(&Platform::get());
}

QByteArray marker() {
    return BtnData::Marker().toLatin1();
}

Table parse(const QString& text, const char* header = "var ctrlbtndata=[") {
    return BtnData::ParseArray(text, QString::fromLatin1(header));
}

QStringList row(const Table& t, int r) {
    return {t[0].value(r), t[1].value(r), t[2].value(r)};
}

// A button-data text whose entries are given per array.
QString arrays(const QString& nin, const QString& robi) {
    return "var ctrlbtndata=[\n" + nin + "\n];\nvar ctrlbtnRobi=[\n" + robi + "\n];\n";
}

void closeEditors() {
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<CmdWin*>(w) || qobject_cast<PlkWin*>(w))
            windows.append(w);
    for (const QPointer<QWidget>& w : windows)
        delete w.data();
}
} // namespace

class TestBtnFormat : public QObject {
    Q_OBJECT
private slots:
    void defaultDataRoundTrip() {
        const QString text = BtnData::DefaultBtnData();
        QCOMPARE(text.toUtf8().size(), 2955);
        QCOMPARE(text.split('\n').size(), 62); // 61 lines, each ending in LF
        QCOMPARE(text.split('\n')[6], QString("        [136,'+','+'],[139,'-','-']"));
        Table ax, bx;
        BtnData::LoadData(text, ax, bx);
        for (const Table* t : {&ax, &bx})
            for (const QStringList& field : *t)
                QCOMPARE(field.size(), 52);
        QCOMPARE(row(ax, 0), (QStringList{"73", "立って", "Stand up"}));
        QCOMPARE(row(ax, 27), (QStringList{"142", "ダンスして", "Please dance with me"}));
        QCOMPARE(row(bx, 0), (QStringList{"670", "3", "ああ良かった"}));
        QCOMPARE(row(bx, 51), (QStringList{"338", "4", "オッケー遊ぼう"}));

        // The store's checks let every built-in value through, in both encodings.
        for (auto encoding : {TextCodec::Encoding::Utf8, TextCodec::Encoding::ShiftJis})
            for (int t = 0; t < 2; ++t)
                for (int r = 0; r < 52; ++r)
                    for (int f = 0; f < 3; ++f)
                        QVERIFY(!BtnData::CheckCell((t ? bx : ax)[f][r], f == 0 || (t && f == 1), encoding));

        const QString block = BtnData::MakeNinBtnData(ax, bx);
        QCOMPARE(block.toUtf8().size(), 2959);
        const QStringList lines = block.split('\n');
        QCOMPARE(lines.size(), 62);
        QVERIFY(lines.last().isEmpty());
        QCOMPARE(lines[2], QString("        [73,'立って','Stand up'],[75,'座って','Sit down'],"));
        QCOMPARE(lines[37], QString("        [361,6,'ウィーンガチャン'],[338,4,'オッケー遊ぼう'],"));
        QCOMPARE(lines[38], QString("],"));
        QCOMPARE(lines[60], QString("];"));
        Table ax2, bx2;
        BtnData::LoadData(block, ax2, bx2);
        QCOMPARE(ax2, ax);
        QCOMPARE(bx2, bx);
        QCOMPARE(BtnData::MarkedBlock(ax, bx).toUtf8(), marker() + '\n' + block.toUtf8() + marker() + '\n');
    }

    void reader_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("first");
        QTest::newRow("blanks kept") << "x var ctrlbtndata=[[ 7, 'a b' ,'c']];" << 1 << QStringList{" 7", " a b ", "c"};
        QTest::newRow("wrong field count dropped")
            << "var ctrlbtndata=[[1,'a','b','c'],[2],[3,'x','y'],];" << 1 << QStringList{"3", "x", "y"};
        QTest::newRow("missing header") << "var other=[[1,'a','b']];" << 0 << QStringList{"", "", ""};
        QTest::newRow("ends at first ];")
            << "var ctrlbtndata=[[1,'a','b']];[2,'c','d']];" << 1 << QStringList{"1", "a", "b"};
        QTest::newRow("apostrophes removed")
            << "var ctrlbtndata=[[1,'it's','b']];" << 1 << QStringList{"1", "its", "b"};
        QTest::newRow("non-numeric id") << "var ctrlbtndata=[ [ /* A */ [x1,'a','b'] ] ];" << 1
                                        << QStringList{"x1", "a", "b"};
    }
    void reader() {
        QFETCH(QString, text);
        QFETCH(int, rows);
        QFETCH(QStringList, first);
        const Table t = parse(text);
        QCOMPARE(t[0].size(), rows);
        QCOMPARE(row(t, 0), first);
    }

    void crlfAndShortAndLongArrays() {
        // 53 robot entries: all read, only 52 written; one recognition entry: padded with empty rows.
        QString robi;
        for (int i = 0; i < 53; ++i)
            robi += QString("[%1,2,'p%1'],\r\n").arg(i);
        Table ax, bx;
        BtnData::LoadData(arrays("[1,'a','b']", robi).replace("\n", "\r\n"), ax, bx);
        QCOMPARE(bx[0].size(), 53);
        QCOMPARE(row(bx, 52), (QStringList{"52", "2", "p52"}));
        QCOMPARE(ax[0].size(), 52);
        QCOMPARE(row(ax, 0), (QStringList{"1", "a", "b"}));
        QCOMPARE(row(ax, 1), (QStringList{"", "", ""}));
        const QString written = BtnData::MakeNinBtnData(ax, bx);
        QVERIFY(!written.contains('\r'));
        QVERIFY(written.contains("[51,2,'p51'],"));
        QVERIFY(!written.contains("p52"));
    }

    void splice_data() {
        const QByteArray m = marker();
        QTest::addColumn<QByteArray>("old");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray B = "<block>\n";
        QTest::newRow("LF") << "head\n" + m + "\nold\n" + m + "\ntail\n"
                            << "head\n" + B + "tail\n";
        QTest::newRow("CR LF") << "head\r\n" + m + "\r\nold\r\n" + m + "\r\ntail\r\n"
                               << "head\r\n" + B + "tail\r\n";
        QTest::newRow("no marker") << QByteArray("var x;") << "var x;" + B;
        // Found by fuzzing: appended directly, the end of the text and the block made one marker.
        QTest::newRow("ends like a marker") << m.chopped(1) << m.chopped(1) + "\n" + B;
        // The page would keep reading the arrays outside: refused.
        QTest::newRow("one marker") << "head\n" + m + "\ntail\n" << QByteArray("<refused>");
        QTest::newRow("three markers") << "h\n" + m + "\nold\n" + m + "\nmid\n" + m + "\nend"
                                       << QByteArray("<refused>");
        QTest::newRow("closing marker at end") << "h\n" + m + "\nold\n" + m << "h\n" + B;
        QTest::newRow("Shift_JIS head") << "\x82\xa0\r\n" + m + "\nold\n" + m + "\n\x82\xa2"
                                        << "\x82\xa0\r\n" + B + "\x82\xa2";
    }
    void splice() {
        QFETCH(QByteArray, old);
        QFETCH(QByteArray, expected);
        // A real block, so the second save finds its markers.
        const QByteArray block = marker() + "\nX\n" + marker() + '\n';
        expected.replace("<block>\n", block);
        const std::optional<QByteArray> once = BtnData::Splice(old, block);
        if (expected == "<refused>") {
            QVERIFY(!once);
            return;
        }
        QCOMPARE(once, expected);
        QCOMPARE(BtnData::Splice(*once, block), once);
    }

    // What the save looks for in the text around the block: declarations and changes of the
    // arrays, told apart from reads, comments, strings, template texts and regular expressions.
    void scriptScan_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("declared"); // line, 0 for none
        QTest::addColumn<int>("changed");
        QTest::addColumn<bool>("open");
        QTest::newRow("read") << "var x = ctrlbtndata[0][1];\nif (ctrlbtnRobi.length == 4) f();" << 0 << 0 << false;
        QTest::newRow("let read") << "let x = ctrlbtndata[0];" << 0 << 0 << false;
        QTest::newRow("let") << "\nlet ctrlbtndata = [];" << 2 << 2 << false;
        QTest::newRow("const list") << "const a = 1, ctrlbtnRobi = 2;" << 1 << 1 << false;
        QTest::newRow("destructured") << "let [ctrlbtndata] = x;" << 1 << 0 << false;
        QTest::newRow("class") << "class ctrlbtnRobi {}" << 1 << 0 << false;
        QTest::newRow("local let") << "function f() { let ctrlbtndata = 1; }" << 0 << 1 << false;
        QTest::newRow("assigned") << "a();\n\nctrlbtndata = [];" << 0 << 3 << false;
        QTest::newRow("cell assigned") << "ctrlbtndata[0][1][2] += 'x';" << 0 << 1 << false;
        QTest::newRow("pushed") << "ctrlbtnRobi[2].push([1,2,'a']);" << 0 << 1 << false;
        QTest::newRow("incremented") << "++ctrlbtnRobi[0][0][1];" << 0 << 1 << false;
        QTest::newRow("deleted") << "delete ctrlbtndata[3];" << 0 << 1 << false;
        QTest::newRow("in a substitution") << "var s = `${ctrlbtndata = 1}`;" << 0 << 1 << false;
        QTest::newRow("a property of another") << "o.ctrlbtndata = 1; o?.ctrlbtnRobi.push(1);" << 0 << 0 << false;
        QTest::newRow("comments and strings")
            << "// ctrlbtndata = 1\n/* ctrlbtndata = 1 */ s = 'ctrlbtndata = 1';" << 0 << 0 << false;
        QTest::newRow("regex with a quote") << "r = /'/; ctrlbtndata = 1; // '" << 0 << 1 << false;
        QTest::newRow("division") << "x = a / ctrlbtndata[0] / 2;" << 0 << 0 << false;
        QTest::newRow("open string") << "s = 'abc" << 0 << 0 << true;
        QTest::newRow("open template") << "s = `abc ${1} d" << 0 << 0 << true;
        QTest::newRow("open bracket") << "function f() {" << 0 << 0 << true;
        QTest::newRow("if") << "if (a == 1)\n" << 0 << 0 << true;
        QTest::newRow("else") << "if (a) b(); else" << 0 << 0 << true;
        QTest::newRow("call") << "f(a)\n// note" << 0 << 0 << false;
        QTest::newRow("open comment") << "x = 1; /* note" << 0 << 0 << false;
    }
    void scriptScan() {
        QFETCH(QString, text);
        QFETCH(int, declared);
        QFETCH(int, changed);
        QFETCH(bool, open);
        const QStringList names = {"ctrlbtndata", "ctrlbtnRobi"};
        const auto d = ScriptScan::FirstTopLevelDeclaration(text, names);
        const auto c = ScriptScan::FirstChange(text, names);
        QCOMPARE(d ? int(d->line) : 0, declared);
        QCOMPARE(c ? int(c->line) : 0, changed);
        QCOMPARE(ScriptScan::OpenAtEnd(text), open);
    }

    void wordListParseAndMerge() {
        const QString j = "        ['1','あ'],\n        ['2','い'],\n        ['3','う'],";
        const QString e =
            "        ['1',\"It's\"],\n        ['2','Two'],\n        ['9',\"None\"],\n        ['2',\"Later\"],";
        const QList<QStringList> rows = BtnData::ListRows(0, j, e, {});
        QCOMPARE(rows, (QList<QStringList>{{"1", "", "あ", "Its"}, {"2", "", "い", "Later"}, {"3", "", "う", ""}}));
        QCOMPARE(BtnData::ListRows(1, j, e, {}), rows);
        const QString r = "        ['670,3',\"ああ良かった\"],\n        ['86,2',\"2\"],";
        QCOMPARE(BtnData::ListRows(2, j, e, r), (QList<QStringList>{{"670", "3", "ああ良かった"}, {"86", "2", "2"}}));
    }

    void builtInLists() {
        using namespace BtnData;
        QCOMPARE(ParseWordList(NinWordListJ()).size(), 5);
        QCOMPARE(ParseWordList(NinWordListE()).size(), 4);
        QCOMPARE(ParseWordList(RobiWordList()).size(), 19);
        for (const QString& list : {NinWordListJ(), NinWordListE(), RobiWordList()}) {
            QVERIFY(!list.endsWith('\n'));
            for (const QString& line : list.split('\n'))
                QVERIFY2(line.startsWith("        [") && line.endsWith("],"), qPrintable(line));
        }
        const QList<QStringList> rows = ListRows(0, NinWordListJ(), NinWordListE(), RobiWordList());
        QCOMPARE(rows.first(), (QStringList{"222", "", "あいこ", "Its a draw"}));
        QCOMPARE(rows.last(), (QStringList{"913", "", "福引き", "Lottery"}));
        const QList<QStringList> robi = ListRows(2, {}, {}, RobiWordList());
        QCOMPARE(robi.first(), (QStringList{"670", "3", "ああ良かった"}));
        QCOMPARE(std::count_if(robi.begin(), robi.end(), [](const QStringList& r) { return r[0] == "86"; }), 2);
        // Every robot phrase of the default data is a list row.
        Table ax, bx;
        LoadData(DefaultBtnData(), ax, bx);
        for (int r = 0; r < 52; ++r)
            QVERIFY2(robi.contains(row(bx, r)), qPrintable(row(bx, r).join(',')));
    }
};

class TestCmdWin : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_file;

    CmdWin* openByPalette() {
        QTest::mouseClick(ToolWin::instance()->findChild<QPushButton*>("editBtnBB"), Qt::LeftButton);
        return CmdWin::isOpen() ? CmdWin::instance() : nullptr;
    }
    static QStringList captions(CmdWin* w) {
        QStringList out;
        for (int i = 0; i < 13; ++i)
            out << w->PadBB(i)->text();
        return out;
    }
    static QList<bool> pressed(CmdWin* w, QPushButton* (CmdWin::*member)(int) const, int n) {
        QList<bool> out;
        for (int i = 0; i < n; ++i)
            out << (w->*member)(i)->isChecked();
        return out;
    }
    static QStringList listRow(CmdWin* w, int r) {
        QStringList out;
        for (int c = 0; c < w->nlb->columnCount(); ++c)
            out << w->nlb->topLevelItem(r)->text(c);
        return out;
    }

private slots:
    void initTestCase() { RegisterEditors(); }
    void init() {
        ScriptedPlatform::install();
        m_file = TestFiles::write(m_dir.filePath("plk/js/plkpadbtn.js"), "// head\r\n" + marker() + "\r\n" +
                                                                             BtnData::DefaultBtnData().toUtf8() +
                                                                             marker() + "\r\n// tail\r\n");
        Module1::gHpFile = TestFiles::write(m_dir.filePath("plk/n.htm"), "<html><body>n</body></html>");
        Module1::gBtnFile = m_file;
        Module1::gAccessType = 0;
    }
    void cleanup() { closeEditors(); }

    void hiddenAtCreationThenOpenedByPalette() {
        CmdWin* w = CmdWin::instance();
        QVERIFY(!w->isVisible());
        QCOMPARE(w->windowTitle(), QString("ボタンカスタマイズ設定"));
        QCOMPARE(w->size(), QSize(792, 415));
        QVERIFY(!w->LoadPB->isVisibleTo(w));
        QCOMPARE(w->findChild<QPushButton*>("BankBB(2)")->geometry(), QRect(190, 352, 70, 36));
        QCOMPARE(w->findChild<QPushButton*>("PadBB(11)")->geometry(), QRect(20, 302, 155, 40));
        QCOMPARE(w->findChild<QTreeWidget*>("nlb")->geometry(), QRect(404, 211, 375, 192));
        // The Open event filled the list and the captions but not the fields.
        QCOMPARE(w->nlb->topLevelItemCount(), 5);
        QCOMPARE(w->PadBB(0)->text(), QString("立って"));
        QVERIFY(w->IdTF->text().isEmpty());
        QVERIFY(w->SecTF->isEnabled());
        closeEditors();

        w = openByPalette();
        QVERIFY(w && w->isVisible());
        QCOMPARE(captions(w), (QStringList{"立って", "座って", "左", "前進", "右", "左", "停止", "右", "左", "後退",
                                           "右", "+", "-"}));
        QCOMPARE(pressed(w, &CmdWin::TypeBB, 3), (QList<bool>{true, false, false}));
        QCOMPARE(pressed(w, &CmdWin::BankBB, 4), (QList<bool>{true, false, false, false}));
        QCOMPARE(pressed(w, &CmdWin::PadBB, 13).indexOf(true), 0);
        QCOMPARE(pressed(w, &CmdWin::PadBB, 13).count(true), 1);
        QCOMPARE(w->IdTF->text(), QString("73"));
        QCOMPARE(w->NinTFJ->text(), QString("立って"));
        QCOMPARE(w->NinTFE->text(), QString("Stand up"));
        QVERIFY(w->SecTF->text().isEmpty());
        QVERIFY(!w->SecTF->isEnabled());
        QVERIFY(!w->LoadWordPB->isEnabled());
        QCOMPARE(listRow(w, 0), (QStringList{"222", "", "あいこ", "Its a draw"}));
    }

    void toggleGroups() {
        CmdWin* w = openByPalette();
        QTest::mouseClick(w->TypeBB(1), Qt::LeftButton);
        QCOMPARE(w->PadBB(0)->text(), QString("Stand up"));
        QCOMPARE(w->NinTFE->text(), QString("Stand up"));
        QCOMPARE(w->nlb->columnCount(), 4);
        QVERIFY(w->NinTFE->isVisibleTo(w));

        QTest::mouseClick(w->TypeBB(2), Qt::LeftButton);
        QCOMPARE(pressed(w, &CmdWin::TypeBB, 3), (QList<bool>{false, false, true}));
        QCOMPARE(w->PadBB(0)->text(), QString("ああ良かった"));
        QVERIFY(!w->NinTFE->isVisibleTo(w));
        QVERIFY(!w->NinLvE->isVisibleTo(w));
        QVERIFY(w->SecTF->isEnabled());
        QCOMPARE(w->SecTF->text(), QString("3"));
        QCOMPARE(w->NinLvJ->text(), QString("ロビ語"));
        QCOMPARE(w->nlb->columnCount(), 3);
        QCOMPARE(w->nlb->headerItem()->text(2), QString("ロビ語"));
        QCOMPARE(w->nlb->topLevelItemCount(), 19);

        // The already pressed type stays pressed and refills the list without a selection.
        w->nlb->setCurrentItem(w->nlb->topLevelItem(2));
        QVERIFY(w->LoadWordPB->isEnabled());
        QTest::mouseClick(w->TypeBB(2), Qt::LeftButton);
        QVERIFY(w->TypeBB(2)->isChecked());
        QCOMPARE(w->ListIndex(), -1);
        QVERIFY(!w->LoadWordPB->isEnabled());

        // A pad changes the fields only; a bank the captions and the fields.
        QTest::mouseClick(w->PadBB(0), Qt::LeftButton);
        QVERIFY(w->PadBB(0)->isChecked());
        QTest::mouseClick(w->BankBB(3), Qt::LeftButton);
        QCOMPARE(pressed(w, &CmdWin::BankBB, 4), (QList<bool>{false, false, false, true}));
        QCOMPARE(w->PadBB(0)->text(), QString("朝起こしてね"));
        QCOMPARE(w->IdTF->text(), QString("879"));
        QTest::mouseClick(w->PadBB(5), Qt::LeftButton);
        QCOMPARE(pressed(w, &CmdWin::PadBB, 13).indexOf(true), 5);
        QCOMPARE(pressed(w, &CmdWin::PadBB, 13).count(true), 1);
        QCOMPARE(w->IdTF->text(), QString("276"));
        QCOMPARE(w->PadBB(0)->text(), QString("朝起こしてね"));
    }

    void storeTouchesOneRow() {
        CmdWin* w = openByPalette();
        QTest::mouseClick(w->BankBB(2), Qt::LeftButton);
        QTest::mouseClick(w->PadBB(11), Qt::LeftButton);
        const Table ax = w->mAx, bx = w->mBx;
        w->IdTF->setText("12");
        w->NinTFJ->setText("前 へ");
        w->NinTFE->setText("Go on");
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        QCOMPARE(row(w->mAx, 37), (QStringList{"12", "前-へ", "Go-on"}));
        QCOMPARE(w->PadBB(11)->text(), QString("前-へ"));
        QCOMPARE(w->mBx, bx);
        Table expected = ax;
        expected[0][37] = "12", expected[1][37] = "前-へ", expected[2][37] = "Go-on";
        QCOMPARE(w->mAx, expected);

        // Type 2 keeps spaces and touches only the robot table.
        QTest::mouseClick(w->TypeBB(2), Qt::LeftButton);
        w->IdTF->clear();
        w->SecTF->setText("5");
        w->NinTFJ->setText("また ね");
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        QCOMPARE(row(w->mBx, 37), (QStringList{"", "5", "また ね"}));
        QCOMPARE(w->mAx, expected);
        QVERIFY(scripted()->messages.isEmpty());
    }

    void refusedStore_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        const QString number = "には、空欄、0、または0で始まらない15桁までの数字を入力して下さい...";
        const QString chars = "には , [ ] ' \\ や改行は使えません（%1）...";
        QTest::newRow("id") << 0 << "IdTF"
                            << "7a"
                            << "ID" + number;
        QTest::newRow("blank id") << 2 << "IdTF"
                                  << " 7"
                                  << "ID" + number;
        // Unquoted, the page would read 010 as 8.
        QTest::newRow("leading zero") << 0 << "IdTF"
                                      << "010"
                                      << "ID" + number;
        QTest::newRow("16 digits") << 2 << "IdTF"
                                   << "1234567890123456"
                                   << "ID" + number;
        QTest::newRow("seconds") << 2 << "SecTF"
                                 << "2.5"
                                 << "秒" + number;
        QTest::newRow("seconds 00") << 2 << "SecTF"
                                    << "00"
                                    << "秒" + number;
        QTest::newRow("comma") << 0 << "NinTFJ"
                               << "a,b"
                               << "認識(日)" + chars.arg("「,」");
        QTest::newRow("apostrophe") << 1 << "NinTFE"
                                    << "It's"
                                    << "認識(英)" + chars.arg("「'」");
        QTest::newRow("array end") << 2 << "NinTFJ"
                                   << "x];"
                                   << "ロビ語" + chars.arg("「]」");
        QTest::newRow("bracket") << 0 << "NinTFE"
                                 << "[x"
                                 << "認識(英)" + chars.arg("「[」");
        QTest::newRow("backslash") << 2 << "NinTFJ"
                                   << "C:\\new"
                                   << "ロビ語" + chars.arg("「\\」");
        QTest::newRow("line separator") << 2 << "NinTFJ" << QString("a") + QChar(0x2028) + "b"
                                        << "ロビ語" + chars.arg("行区切り文字（U+2028）");
        const QString reserved =
            "ロビ語には「/*-- Pelkavin Button Data --*/」や「/* A */」～「/* D */」は使えません...";
        QTest::newRow("marker") << 2 << "NinTFJ"
                                << "a /*-- Pelkavin Button Data --*/" << reserved;
        QTest::newRow("bank comment") << 2 << "NinTFJ"
                                      << "x /* D */" << reserved;
    }
    void refusedStore() {
        QFETCH(int, type);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, message);
        CmdWin* w = openByPalette();
        QTest::mouseClick(w->TypeBB(type), Qt::LeftButton);
        const Table ax = w->mAx, bx = w->mBx;
        w->findChild<QLineEdit*>(field)->setText(value);
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{message});
        QCOMPARE(w->mAx, ax);
        QCOMPARE(w->mBx, bx);
    }

    void takeWordFromList() {
        CmdWin* w = openByPalette();
        const Table ax = w->mAx;
        w->LoadWordPB_Action(); // no selection: nothing
        QCOMPARE(w->IdTF->text(), QString("73"));
        w->nlb->setCurrentItem(w->nlb->topLevelItem(4));
        QVERIFY(w->LoadWordPB->isEnabled());
        QTest::mouseClick(w->LoadWordPB, Qt::LeftButton);
        QCOMPARE(w->IdTF->text(), QString("913"));
        QCOMPARE(w->NinTFJ->text(), QString("福引き"));
        QCOMPARE(w->NinTFE->text(), QString("Lottery"));
        QCOMPARE(w->mAx, ax);
        QCOMPARE(w->PadBB(0)->text(), QString("立って"));
        QTest::mouseClick(w->TypeBB(2), Qt::LeftButton);
        QTreeWidgetItem* item = w->nlb->topLevelItem(0);
        w->nlb->setCurrentItem(item);
        QTest::mouseDClick(w->nlb->viewport(), Qt::LeftButton, {}, w->nlb->visualItemRect(item).center());
        QCOMPARE(w->IdTF->text(), QString("670"));
        QCOMPARE(w->SecTF->text(), QString("3"));
        QCOMPARE(w->NinTFJ->text(), QString("ああ良かった"));
    }

    void saveWritesBlockAndReloads() {
        CmdWin* w = openByPalette();
        QTest::mouseClick(w->BankBB(1), Qt::LeftButton);
        w->IdTF->setText("99");
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        QTest::mouseClick(w->SavePB, Qt::LeftButton);
        QVERIFY(scripted()->messages.isEmpty());
        const QByteArray saved = TestFiles::read(m_file);
        QCOMPARE(saved, "// head\r\n" + BtnData::MarkedBlock(w->mAx, w->mBx).toUtf8() + "// tail\r\n");
        // Stored in type 0, so the English label's space became "-".
        QVERIFY(saved.contains("[99,'挨拶して','Say-Hello'],"));
        QVERIFY(PlkWin::isOpen());
        QCOMPARE(PlkWin::instance()->requestedUrl(), QUrl::fromLocalFile(*Module1::gHpFile));

        // A second save without changes gives the same file; the reload runs every time.
        QSignalSpy scripts(PlkWin::instance(), &PlkWin::scriptRun);
        QTest::mouseClick(w->SavePB, Qt::LeftButton);
        QCOMPARE(TestFiles::read(m_file), saved);
        QCOMPARE(scripts.size(), 1);
        QCOMPARE(scripts.first().first().toString(), QString("location.reload();"));

        // The palette reloads the file; unsaved changes go, the selection stays.
        w->IdTF->setText("5");
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        QCOMPARE(openByPalette(), w);
        QCOMPARE(w->mAx[0][13], QString("99"));
        QVERIFY(w->BankBB(1)->isChecked());
    }

    void failedSaveKeepsFileAndDoesNotReload() {
        CmdWin* w = openByPalette();
        const QByteArray before = TestFiles::read(m_file);
        w->IdTF->setText("1");
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        FileIO::InjectWriteFailure(10);
        QTest::mouseClick(w->SavePB, Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{"保存できませんでした..."});
        QCOMPARE(TestFiles::read(m_file), before);
        QVERIFY(!PlkWin::isOpen());
        // A file that vanished since the palette opened the editor: nothing written, nothing said.
        QFile::remove(m_file);
        QTest::mouseClick(w->SavePB, Qt::LeftButton);
        QVERIFY(!QFile::exists(m_file));
        QCOMPARE(scripted()->messages.size(), 1);
        QVERIFY(!PlkWin::isOpen());
    }

    // Cells read from a file that would not be written back as the page reads them (found by
    // fuzzing: the marker or a bank comment would not even read back). The message names the cell.
    void badCellsFromAFileAreNotSaved_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("marker")
            << "var ctrlbtnRobi=[[1,2,'x " + marker() + "'],];\n" + marker() + "\n"
            << "バンクAの1番目のボタンのロビ語に「/*-- Pelkavin Button Data --*/」が含まれているため"
               "保存できません...";
        QTest::newRow("bank comment")
            << QByteArray("var ctrlbtndata=[[1,'a/* D *//* D */','b'],];\n")
            << "バンクAの1番目のボタンの認識(日)に「/* D */」が含まれているため保存できません...";
        QTest::newRow("leading zero")
            << QByteArray("var ctrlbtndata=[[1,'a','b'],[010,'c','d']];\n")
            << "バンクAの2番目のボタンの認識のIDの「010」はページで別の数として読まれるため保存できません。空欄、0、"
               "または0で始まらない15桁までの数字にして下さい...";
        QTest::newRow("backslash") << QByteArray("var ctrlbtnRobi=[[1,2,'a'],[5,2,'C:\\\\new']];\n")
                                   << "バンクAの2番目のボタンのロビ語に「\\」が含まれているため保存できません...";
    }
    void badCellsFromAFileAreNotSaved() {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        TestFiles::write(m_file, file);
        CmdWin* w = openByPalette();
        QTest::mouseClick(w->SavePB, Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{message});
        QCOMPARE(TestFiles::read(m_file), file);
        QVERIFY(!PlkWin::isOpen());
    }

    // Every save the tool accepts is judged by a JavaScript engine: the saved file runs and its two
    // arrays are the editor's rows. A refused save leaves the file as it was and says why.
    void saveIsWhatThePageReads_data() {
        const QByteArray m = marker();
        const QByteArray data = BtnData::DefaultBtnData().toUtf8();
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
                   TextCodec::Encode(BtnData::DefaultBtnData(), TextCodec::Encoding::ShiftJis).value() + m +
                   "\n// \x82\xa2\n"
            << QString();
        const QString count =
            "plkpadbtn.jsのボタンデータの目印「/*-- Pelkavin Button Data --*/」が%1つあるため保存できませ"
            "ん（%2）。目印は、ボタンデータの前と後ろに1行ずつ、2つだけにして下さい...";
        QTest::newRow("one marker") << "// head\n" + m + "\n" + data + "// tail\n" << count.arg(1).arg("2行目");
        QTest::newRow("three markers") << m + "\n" + data + m + "\n" + data + m + "\n"
                                       << count.arg(3).arg("1行目、63行目、125行目");
        QTest::newRow("marker in a comment")
            << "// the data stands between two " + m + " lines\n" + m + "\n" + data + m + "\n"
            << count.arg(3).arg("1行目、2行目、64行目");
        const QString outside = "plkpadbtn.jsの%1行目で、目印の外から%2を定義または変更しているため保存できません（保存"
                                "した内容がページに届きません）...";
        QTest::newRow("arrays after the block")
            << m + "\n" + data + m + "\n" + data << outside.arg(64).arg("ctrlbtndata");
        QTest::newRow("changed after the block") << m + "\n" + data + m + "\nctrlbtnRobi[0][0][1] = 5;\n"
                                                 << outside.arg(64).arg("ctrlbtnRobi");
        QTest::newRow("pushed after the block") << m + "\n" + data + m + "\n\nctrlbtndata.push([]);\n"
                                                << outside.arg(65).arg("ctrlbtndata");
        QTest::newRow("const, no marker")
            << QByteArray("const ctrlbtndata = [];\n") << outside.arg(1).arg("ctrlbtndata");
        QTest::newRow("inside a template text")
            << "var s = `\n" + m + "\n" + data + m + "\n`;\n"
            << QString(
                   "plkpadbtn.jsの2行目のボタンデータの前が、文字列や括弧、if文などの途中で終わっているため保存できませ"
                   "ん（保存した内容がページに届きません）...");
        QTest::newRow("inside a function")
            << "function f() {\n" + m + "\n" + data + m + "\n}\n"
            << QString("plkpadbtn.jsの2行目のボタンデータの前が、文字列や括弧、if文などの"
                       "途中で終わっているため保存できません（保存した内容がページに届き"
                       "ません）...");
        QTest::newRow("Latin-1") << "// Caf\xe9\n" + m + "\n" + data + m + "\n"
                                 << QString(
                                        "plkpadbtn.jsの文字コードがUTF-8でもShift_JISでもないため保存できません...");
    }
    void saveIsWhatThePageReads() {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        TestFiles::write(m_file, file);
        CmdWin* w = openByPalette();
        scripted()->messages.clear(); // a file in neither encoding is not read; its save is what is tested
        QTest::mouseClick(w->BankBB(1), Qt::LeftButton);
        QTest::mouseClick(w->PadBB(2), Qt::LeftButton);
        w->IdTF->setText("99");
        w->NinTFJ->setText("前へ");
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        QTest::mouseClick(w->TypeBB(2), Qt::LeftButton);
        w->SecTF->setText("0");
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        QVERIFY(scripted()->messages.isEmpty());
        QTest::mouseClick(w->SavePB, Qt::LeftButton);
        if (!message.isEmpty()) {
            QCOMPARE(scripted()->messages, QStringList{message});
            QCOMPARE(TestFiles::read(m_file), file);
            QVERIFY(!PlkWin::isOpen());
            return;
        }
        QCOMPARE(scripted()->messages, QStringList{});
        const QByteArray saved = TestFiles::read(m_file);
        const auto encoding = TextCodec::Detect(saved);
        QCOMPARE(encoding, TextCodec::Detect(file));
        const QString script = TextCodec::Decode(saved, *encoding);
        for (const auto& [name, table] : {std::pair{"ctrlbtndata", &w->mAx}, std::pair{"ctrlbtnRobi", &w->mBx}}) {
            const JsEval::Result page = JsEval::Rows(script, name);
            QVERIFY2(page.ok(), qPrintable(page.error));
            QCOMPARE(page.rows.size(), 52);
            for (int r = 0; r < 52; ++r)
                QCOMPARE(page.rows[r], (QStringList{(*table)[0][r], (*table)[1][r], (*table)[2][r]}));
        }
        QCOMPARE(w->mAx[0][15], QString("99"));
        QVERIFY(!saved.contains("\xef\xbf\xbd"));
        // The text before the block keeps its bytes.
        const qsizetype first = file.indexOf(marker());
        QVERIFY(saved.startsWith(first < 0 ? file : file.left(first)));
    }

    // Saved without edits, a file in another encoding keeps every byte outside the block, and the
    // block's Japanese goes back in the file's own encoding.
    void noEditSaveKeepsTheEncoding() {
        const QByteArray sjis = TextCodec::Encode(BtnData::DefaultBtnData(), TextCodec::Encoding::ShiftJis).value();
        const QByteArray head = "// \x82\xa0\x82\xa2 Caf\xe9\x41\r\n"; // "Caf\xe9" read on as Shift_JIS
        QVERIFY(TextCodec::Detect(head) == TextCodec::Encoding::ShiftJis);
        const QByteArray file = head + marker() + "\n" + sjis + marker() + "\n// \x82\xa4\n";
        TestFiles::write(m_file, file);
        CmdWin* w = openByPalette();
        QCOMPARE(w->NinTFJ->text(), QString("立って"));
        QTest::mouseClick(w->SavePB, Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{});
        const QByteArray saved = TestFiles::read(m_file);
        QCOMPARE(saved,
                 head + TextCodec::Encode(BtnData::MarkedBlock(w->mAx, w->mBx), TextCodec::Encoding::ShiftJis).value() +
                     "// \x82\xa4\n");
        QVERIFY(saved.contains(TextCodec::Encode("立って", TextCodec::Encoding::ShiftJis).value()));

        // What Shift_JIS cannot carry is refused at the store, naming the field.
        w->NinTFE->setText("Café");
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{"認識(英)の「é」はShift_JISのplkpadbtn.jsには書けません..."});
        QCOMPARE(w->mAx[2][0], QString("Stand up"));
    }

    // A file in neither encoding is not read: its text would show as something else.
    void fileInNeitherEncodingIsNotRead() {
        const QByteArray file = "var ctrlbtndata=[[5,'Caf\xe9','x']];\n";
        TestFiles::write(m_file, file);
        CmdWin* w = openByPalette();
        QCOMPARE(scripted()->messages,
                 QStringList{"plkpadbtn.jsの文字コードがUTF-8でもShift_JISでもないため読み込めません..."});
        QCOMPARE(w->PadBB(0)->text(), QString("立って")); // the built-in data stays
        QCOMPARE(w->mAx[0][0], QString("73"));
        QTest::mouseClick(w->SavePB, Qt::LeftButton);
        QCOMPARE(scripted()->messages.last(),
                 QString("plkpadbtn.jsの文字コードがUTF-8でもShift_JISでもないため保存できません..."));
        QCOMPARE(TestFiles::read(m_file), file);
        // The hidden load button reads a Shift_JIS file in its encoding.
        const QString other =
            TestFiles::write(m_dir.filePath("other.js"), QByteArray("var ctrlbtndata=[[5,'\x82\xa0','x']];\n"));
        scripted()->openFiles.enqueue(other);
        w->LoadPB_Action();
        QCOMPARE(w->IdTF->text(), QString("5"));
        QCOMPARE(w->NinTFJ->text(), QString("あ"));
    }

    // The old file stays byte for byte however the disk fails, and nothing is left beside it.
    void failingDiskKeepsTheOldFile_data() { FailingFolder::addRows(); }
    void failingDiskKeepsTheOldFile() {
        QFETCH(WriteFailure, failure);
        CmdWin* w = openByPalette();
        w->IdTF->setText("1");
        QTest::mouseClick(w->PushButton3, Qt::LeftButton);
        const QByteArray before = TestFiles::read(m_file);
        FailingFolder folder(failure, QFileInfo(m_file).path());
        if (!folder.skipReason().isEmpty())
            QSKIP(qPrintable(folder.skipReason()));
        const QStringList entries = folder.entries();
        QTest::mouseClick(w->SavePB, Qt::LeftButton);
        QCOMPARE(TestFiles::read(m_file), before);
        QCOMPARE(scripted()->messages, QStringList{"保存できませんでした..."});
        QCOMPARE(folder.entries(), entries);
        QVERIFY(!PlkWin::isOpen());
    }

    void hiddenLoadButton() {
        CmdWin* w = openByPalette();
        const QString other =
            TestFiles::write(m_dir.filePath("other.js"), arrays("[5,'x y','z']", "[6,7,'w']").toUtf8());
        w->LoadPB_Action(); // cancelled
        QCOMPARE(w->IdTF->text(), QString("73"));
        scripted()->openFiles.enqueue(other);
        w->LoadPB_Action();
        QCOMPARE(scripted()->openFileTypes, (QStringList{"jsfile", "jsfile"}));
        QCOMPARE(w->IdTF->text(), QString("5"));
        QCOMPARE(w->PadBB(0)->text(), QString("x y"));
        QVERIFY(w->PadBB(1)->text().isEmpty());
        QCOMPARE(*Module1::gBtnFile, m_file);
    }
};

PKL_GUI_TEST_MAIN(TestBtnFormat, TestCmdWin)

#include "tst_cmdwin.moc"
