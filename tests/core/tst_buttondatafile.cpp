// The button-data file: the built-in data read and written, the block spliced into the text around
// it, the word lists. Files the editor reads and saves are judged through the editor
// (tst_buttoneditor), with a JavaScript engine.
#include "ButtonDataFile.h"
#include "ButtonDataFixtures.h"
#include "TextCodec.h"

#include <QTest>

using namespace ButtonDataFixtures;

class TestButtonDataFile : public QObject {
    Q_OBJECT
private slots:
    void defaultDataRoundTrip() {
        const QString text = ButtonDataFile::defaultButtonData();
        QCOMPARE(text.toUtf8().size(), 2955);
        QCOMPARE(text.split('\n').size(), 62); // 61 lines, each ending in LF
        QCOMPARE(text.split('\n')[6], QString("        [136,'+','+'],[139,'-','-']"));
        Table ax, bx;
        ButtonDataFile::readTables(text, ax, bx);
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
                        QVERIFY(!ButtonDataFile::checkCell((t ? bx : ax)[f][r], f == 0 || (t && f == 1), encoding));

        const QString block = ButtonDataFile::block(ax, bx);
        QCOMPARE(block.toUtf8().size(), 2959);
        const QStringList lines = block.split('\n');
        QCOMPARE(lines.size(), 62);
        QVERIFY(lines.last().isEmpty());
        QCOMPARE(lines[2], QString("        [73,'立って','Stand up'],[75,'座って','Sit down'],"));
        QCOMPARE(lines[37], QString("        [361,6,'ウィーンガチャン'],[338,4,'オッケー遊ぼう'],"));
        QCOMPARE(lines[38], QString("],"));
        QCOMPARE(lines[60], QString("];"));
        Table ax2, bx2;
        ButtonDataFile::readTables(block, ax2, bx2);
        QCOMPARE(ax2, ax);
        QCOMPARE(bx2, bx);
        QCOMPARE(ButtonDataFile::markedBlock(ax, bx).toUtf8(), marker() + '\n' + block.toUtf8() + marker() + '\n');
        QCOMPARE(editorRows(ax, bx), engineRows(text));
    }

    // The built-in word lists: each entry from "[" to the next "]", its fields at the commas, quotes
    // dropped; text without a comma is no entry. The English words join the Japanese by id.
    void wordLists_data() {
        QTest::addColumn<ButtonDataFile::WordList>("type");
        QTest::addColumn<QString>("japanese");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("robot");
        QTest::addColumn<QStringList>("rows"); // fields joined by "|"
        QTest::newRow("recognition") << ButtonDataFile::WordList::Japanese
                                     << "var j = [['1','あ'],\n // [x]\n ['2',\"い\"]];"
                                     << "[['2','two'],['1','one'],['2','TWO']]"
                                     << "" << QStringList{"1||あ|one", "2||い|TWO"};
        QTest::newRow("no closing bracket") << ButtonDataFile::WordList::English << "['5','お"
                                            << ""
                                            << "" << QStringList{"5||お|"};
        QTest::newRow("robot phrases") << ButtonDataFile::WordList::Robot << ""
                                       << ""
                                       << "[670,3,'ああ'],[note],[7,,'x']" << QStringList{"670|3|ああ", "7||x"};
    }
    void wordLists() {
        QFETCH(ButtonDataFile::WordList, type);
        QFETCH(QString, japanese);
        QFETCH(QString, english);
        QFETCH(QString, robot);
        QFETCH(QStringList, rows);
        QStringList out;
        for (const QStringList& r : ButtonDataFile::listRows(type, japanese, english, robot))
            out << r.join('|');
        QCOMPARE(out, rows);
    }

    // A save with no edit gives the file's own bytes. An edit of one row replaces that row's entry
    // and nothing else: the other rows keep their quotes, blanks, holes and comments, the text
    // around them its line ends. Where the file declares no array, the block goes at its end.
    void saveChangesOnlyTheEditedRow_data() {
        const QByteArray m = marker();
        const QByteArray d = data().toUtf8();
        QTest::addColumn<QByteArray>("old");
        QTest::addColumn<int>("array");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("from"); // the edited row's text, then what the save makes of it
        QTest::addColumn<QByteArray>("to");
        const QByteArray stand = "[73,'立って','Stand up']";
        auto jump = [](const QByteArray& was) { return QByteArray(was).replace("立って", "跳んで"); };
        auto row = [&](const char* name, const QByteArray& old, const QByteArray& was = "[73,'立って','Stand up']",
                       const QByteArray& now = "[73,'跳んで','Stand up']") {
            QTest::newRow(name) << old << 0 << 0 << 1 << "跳んで" << was << now;
        };
        row("LF", "// head\n" + m + "\n" + d + m + "\n// tail\n");
        row("CR LF", "// head\r\n" + m + "\r\n" + QByteArray(d).replace("\n", "\r\n") + m + "\r\n// tail\r\n");
        row("blanks around the markers", "// head\n  " + m + " \n" + d + "\t" + m + "\t\n// tail\n");
        row("closing marker at the end", "h\n" + m + "\n" + d + m);
        row("Shift_JIS head",
            "// \x82\xa0\r\n" + m + "\n" + TextCodec::encode(data(), TextCodec::Encoding::ShiftJis).value() + m +
                "\n// \x82\xa2",
            TextCodec::encode(QString::fromUtf8(stand), TextCodec::Encoding::ShiftJis).value(),
            TextCodec::encode(QString::fromUtf8(jump(stand)), TextCodec::Encoding::ShiftJis).value());
        row("no marker: the row where it stands", "var a = 1;\n" + d);
        row("arrays after the block", m + "\n" + d + m + "\n" + d);
        // The other rows keep what the page reads: quoted ids and seconds, "" and holes, comments.
        const QByteArray shapes = "// head\n" + m + "\n" +
                                  data({{"[75,'座って','Sit down']", "['75', '座って', 'Sit down'] /* 座る */"},
                                        {"[65,'左','Left']", "['', '', '']"},
                                        {"[57,'前進','Fowrd']", "[,'','',]"},
                                        {"[670,3,'ああ良かった']", "[670,'3',\"ああ良かった\"]"},
                                        {"    [ /* A */\n", "    [ /* A */\n        // ['105','x','y'],\n"}})
                                      .toUtf8() +
                                  m + "\n";
        row("quoted ids, blanks, holes and comments stay", shapes, stand + ",", jump(stand) + ",");
        // An edited row takes the block's form, but a "" the page read stays "".
        QTest::newRow("quoted id edited")
            << shapes << 0 << 1 << 2 << "Sit" << QByteArray("['75', '座って', 'Sit down'] /* 座る */")
            << QByteArray("[75,'座って','Sit'] /* 座る */");
        QTest::newRow("blank button edited")
            << shapes << 0 << 2 << 2 << "Left" << QByteArray("['', '', '']") << QByteArray("['','','Left']");
        QTest::newRow("holes edited") << shapes << 0 << 3 << 1 << "前" << QByteArray("[,'','',]")
                                      << QByteArray("[,'前','']");
        QTest::newRow("quoted seconds edited")
            << shapes << 1 << 0 << 2 << "よし" << QByteArray("[670,'3',\"ああ良かった\"]")
            << QByteArray("[670,3,'よし']");
        QTest::newRow("quoted seconds emptied")
            << shapes << 1 << 0 << 1 << "" << QByteArray("[670,'3',\"ああ良かった\"]")
            << QByteArray("[670,'','ああ良かった']");
        // Without the arrays, the block with both goes at the end, on a line of its own.
        QTest::newRow("no arrays") << QByteArray("var x;\n") << 0 << 0 << 1 << "跳んで" << QByteArray("var x;\n")
                                   << QByteArray("var x;\n<block>");
        QTest::newRow("no arrays, no line end")
            << QByteArray("var x; // note") << 0 << 0 << 1 << "跳んで" << QByteArray("var x; // note")
            << QByteArray("var x; // note\n<block>");
    }
    void saveChangesOnlyTheEditedRow() {
        QFETCH(QByteArray, old);
        QFETCH(int, array);
        QFETCH(int, row);
        QFETCH(int, field);
        QFETCH(QString, value);
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        const ButtonDataFile::Reading read = ButtonDataFile::readFile(old, "plkpadbtn.js");
        QVERIFY2(read.ok(), qPrintable(read.refusal));
        const ButtonDataFile::SaveResult same = ButtonDataFile::save(old, read.recognition, read.robot, "plkpadbtn.js");
        QCOMPARE(same.bytes, std::optional<QByteArray>(old));

        Table ax = read.recognition, bx = read.robot;
        (array ? bx : ax)[field][row] = value;
        const auto encoding = TextCodec::detect(old).value();
        to.replace("<block>", TextCodec::encode(ButtonDataFile::markedBlock(ax, bx), encoding).value());
        // The page reads the last declaration: that is where the edit goes.
        const qsizetype at = old.lastIndexOf(from);
        QVERIFY(at >= 0);
        QByteArray expected = old;
        expected.replace(at, from.size(), to);
        const ButtonDataFile::SaveResult once = ButtonDataFile::save(old, ax, bx, "plkpadbtn.js");
        QVERIFY2(once.bytes, qPrintable(once.refusal));
        QCOMPARE(*once.bytes, expected);
        QCOMPARE(ButtonDataFile::save(*once.bytes, ax, bx, "plkpadbtn.js").bytes, once.bytes);
        // The engine reads the edit, and every other value exactly as before.
        if (read.declared[0]) {
            QStringList before = engineValues(TextCodec::decode(old, encoding));
            const QStringList after = engineValues(TextCodec::decode(expected, encoding));
            QCOMPARE(after.size(), before.size());
            before[array * 52 + row] = after[array * 52 + row];
            QCOMPARE(after, before);
        }
    }

    // On a file in the block's own form, an edit writes the block as a whole rewrite would.
    void blockFormFileGetsTheWholeBlock() {
        Table ax, bx;
        ButtonDataFile::readTables(ButtonDataFile::defaultButtonData(), ax, bx);
        const QByteArray old = "// head\n" + ButtonDataFile::markedBlock(ax, bx).toUtf8() + "// tail\n";
        ax[0][20] = "5", bx[2][51] = "また";
        QCOMPARE(ButtonDataFile::save(old, ax, bx, "plkpadbtn.js").bytes,
                 std::optional<QByteArray>("// head\n" + ButtonDataFile::markedBlock(ax, bx).toUtf8() + "// tail\n"));
    }
};

QTEST_GUILESS_MAIN(TestButtonDataFile)
#include "tst_buttondatafile.moc"
