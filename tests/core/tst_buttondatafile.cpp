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
        const QString text = ButtonDataFile::DefaultButtonData();
        QCOMPARE(text.toUtf8().size(), 2955);
        QCOMPARE(text.split('\n').size(), 62); // 61 lines, each ending in LF
        QCOMPARE(text.split('\n')[6], QString("        [136,'+','+'],[139,'-','-']"));
        Table ax, bx;
        ButtonDataFile::ReadTables(text, ax, bx);
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
                        QVERIFY(!ButtonDataFile::CheckCell((t ? bx : ax)[f][r], f == 0 || (t && f == 1), encoding));

        const QString block = ButtonDataFile::Block(ax, bx);
        QCOMPARE(block.toUtf8().size(), 2959);
        const QStringList lines = block.split('\n');
        QCOMPARE(lines.size(), 62);
        QVERIFY(lines.last().isEmpty());
        QCOMPARE(lines[2], QString("        [73,'立って','Stand up'],[75,'座って','Sit down'],"));
        QCOMPARE(lines[37], QString("        [361,6,'ウィーンガチャン'],[338,4,'オッケー遊ぼう'],"));
        QCOMPARE(lines[38], QString("],"));
        QCOMPARE(lines[60], QString("];"));
        Table ax2, bx2;
        ButtonDataFile::ReadTables(block, ax2, bx2);
        QCOMPARE(ax2, ax);
        QCOMPARE(bx2, bx);
        QCOMPARE(ButtonDataFile::MarkedBlock(ax, bx).toUtf8(), marker() + '\n' + block.toUtf8() + marker() + '\n');
        QCOMPARE(editorRows(ax, bx), engineRows(text));
    }

    // The built-in word lists: each entry from "[" to the next "]", its fields at the commas, quotes
    // dropped; text without a comma is no entry. The English words join the Japanese by id.
    void wordLists_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("japanese");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("robot");
        QTest::addColumn<QStringList>("rows"); // fields joined by "|"
        QTest::newRow("recognition") << 0 << "var j = [['1','あ'],\n // [x]\n ['2',\"い\"]];"
                                     << "[['2','two'],['1','one'],['2','TWO']]"
                                     << "" << QStringList{"1||あ|one", "2||い|TWO"};
        QTest::newRow("no closing bracket") << 1 << "['5','お"
                                            << ""
                                            << "" << QStringList{"5||お|"};
        QTest::newRow("robot phrases") << 2 << ""
                                       << ""
                                       << "[670,3,'ああ'],[note],[7,,'x']" << QStringList{"670|3|ああ", "7||x"};
    }
    void wordLists() {
        QFETCH(int, type);
        QFETCH(QString, japanese);
        QFETCH(QString, english);
        QFETCH(QString, robot);
        QFETCH(QStringList, rows);
        QStringList out;
        for (const QStringList& r : ButtonDataFile::ListRows(type, japanese, english, robot))
            out << r.join('|');
        QCOMPARE(out, rows);
    }

    // The bytes outside the block are kept; the block replaces the marker lines and what stands
    // between them; a second save gives the same file.
    void saveKeepsTheTextOutside_data() {
        const QByteArray m = marker();
        const QByteArray d = data().toUtf8();
        QTest::addColumn<QByteArray>("old");
        QTest::addColumn<QByteArray>("expected"); // "<block>" for the block
        QTest::newRow("LF") << "// head\n" + m + "\n" + d + m + "\n// tail\n"
                            << QByteArray("// head\n<block>// tail\n");
        QTest::newRow("CR LF") << "// head\r\n" + m + "\r\n" + QByteArray(d).replace("\n", "\r\n") + m +
                                      "\r\n// tail\r\n"
                               << QByteArray("// head\r\n<block>// tail\r\n");
        QTest::newRow("blanks around the markers") << "// head\n  " + m + " \n" + d + "\t" + m + "\t\n// tail\n"
                                                   << QByteArray("// head\n  <block>// tail\n");
        QTest::newRow("no marker") << QByteArray("var x;\n") << QByteArray("var x;\n<block>");
        // The appended marker must stand on a line of its own to be found again.
        QTest::newRow("no marker, no line end")
            << QByteArray("var x; // note") << QByteArray("var x; // note\n<block>");
        QTest::newRow("closing marker at the end") << "h\n" + m + "\n" + d + m << QByteArray("h\n<block>");
        QTest::newRow("Shift_JIS head") << "// \x82\xa0\r\n" + m + "\n" +
                                               TextCodec::Encode(data(), TextCodec::Encoding::ShiftJis).value() + m +
                                               "\n// \x82\xa2"
                                        << QByteArray("// \x82\xa0\r\n<block>// \x82\xa2");
    }
    void saveKeepsTheTextOutside() {
        QFETCH(QByteArray, old);
        QFETCH(QByteArray, expected);
        Table ax, bx;
        ButtonDataFile::ReadTables(ButtonDataFile::DefaultButtonData(), ax, bx);
        ax[1][0] = "跳んで";
        const auto encoding = TextCodec::Detect(old).value();
        expected.replace("<block>", TextCodec::Encode(ButtonDataFile::MarkedBlock(ax, bx), encoding).value());
        const ButtonDataFile::SaveResult once = ButtonDataFile::Save(old, ax, bx, "plkpadbtn.js");
        QVERIFY2(once.bytes, qPrintable(once.refusal));
        QCOMPARE(*once.bytes, expected);
        QCOMPARE(ButtonDataFile::Save(*once.bytes, ax, bx, "plkpadbtn.js").bytes, once.bytes);
    }
};

QTEST_GUILESS_MAIN(TestButtonDataFile)
#include "tst_buttondatafile.moc"
