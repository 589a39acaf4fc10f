// The recognition-word files: the rows read as an engine reads them, what a save keeps around them,
// the merge of edits into a file changed meanwhile, the characters a word cannot hold. Not covered
// here: the editor's window (tst_wordeditor).
#include "JsEval.h"
#include "ScriptCheck.h"
#include "TextCodec.h"
#include "WordFile.h"
#include "WordFixtures.h"

#include <QTest>

using namespace WordFixtures;
using enum PageSet::Language;

class TestWordFile : public QObject {
    Q_OBJECT
private slots:
    // The rows the list shows, and what a save keeps around them. Wherever the engine runs the file,
    // its array is those rows.
    void read_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<PageSet::Language>("language");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("lead");
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<QString>("refusal"); // empty when read
        const QByteArray head = "var ninshiki_jp = [\n";
        const QByteArray tail = "];\n";
        auto arr = [&](const char* rows) { return head + m(rows) + tail; };
        QTest::newRow("two rows, with and without alternatives")
            << arr("@@\n        ['1','こんにちは','やあ','ハロー'],\n        ['2','さようなら']\n        @@\n")
            << Japanese << QStringList{"1|こんにちは|やあ|ハロー", "2|さようなら||"} << head << QByteArray() << tail
            << QString();
        QTest::newRow("CR LF and lone CR")
            << m("var ninshiki_jp = [\r\n@@\r\n        ['1','こんにちは','やあ','ハロー'],\r        "
                 "['2','さようなら']\r\n"
                 "        @@\r\n];\r\n")
            << Japanese << QStringList{"1|こんにちは|やあ|ハロー", "2|さようなら||"} << head << QByteArray() << tail
            << QString();
        QTest::newRow("either quote, blanks and escapes")
            << arr("@@\n['1', \"hello\" , 'hi'],\n[\"2\",'by\\u0065'],\n@@\n") << Japanese
            << QStringList{"1|hello|hi|", "2|bye||"} << head << QByteArray() << tail << QString();
        QTest::newRow("comments between rows are no rows")
            << arr("@@\n        ['1','a'], // first\n        // ['7','古い'],\n        // [挨拶]\n\n"
                   "        /* ['8','x'], */ ['2','b']\n        @@\n")
            << Japanese << QStringList{"1|a||", "2|b||"} << head << QByteArray() << tail << QString();
        QTest::newRow("commas and brackets inside quotes")
            << QByteArray("var ninshiki_en = [\n") +
                   m("@@\n['1',\"good morning, Robi\",\"[hi]\"],['2','あいこ]']\n@@\n") + tail
            << English << QStringList{"1|good morning, Robi|[hi]|", "2|あいこ]||"}
            << QByteArray("var ninshiki_en = [\n") << QByteArray() << tail << QString();
        QTest::newRow("an id given as a number")
            << arr("@@\n[101,'こんにちは','やあ'],\n[0x66,'b']\n@@\n") << Japanese
            << QStringList{"101|こんにちは|やあ|", "102|b||"} << head << QByteArray() << tail << QString();
        QTest::newRow("an empty alternative before another")
            << arr("@@\n['222','あいこ','','アイコ']\n@@\n") << Japanese << QStringList{"222|あいこ||アイコ"} << head
            << QByteArray() << tail << QString();
        QTest::newRow("empty rows and missing parts")
            << arr("@@\n[],\n['9'],\n[,'w']\n@@\n") << Japanese << QStringList{"|||", "9|||", "|w||"} << head
            << QByteArray() << tail << QString();
        QTest::newRow("no markers") << QByteArray("var x = ['1','a'];\n") << Japanese << QStringList{}
                                    << QByteArray("var x = ['1','a'];\n") << QByteArray() << QByteArray() << QString();
        QTest::newRow("marker lines with blanks around them")
            << arr("  @@ \t\n['1','a']\n\t@@  \n") << Japanese << QStringList{"1|a||"} << head + "  " << QByteArray()
            << tail << QString();
        QTest::newRow("marker text inside other lines is no marker")
            << m("// the rows stand between @@ lines\nvar ninshiki_jp = [\n@@\n['1','a']\n@@\n];\n") << Japanese
            << QStringList{"1|a||"} << m("// the rows stand between @@ lines\nvar ninshiki_jp = [\n") << QByteArray()
            << tail << QString();
        QTest::newRow("a commented-out copy in front")
            << m("// var ninshiki_jp = [\n// @@\n//   ['1','old']\n//   @@\n// ];\nvar ninshiki_jp = "
                 "[\n@@\n['1','a']\n@@\n"
                 "];\n")
            << Japanese << QStringList{"1|a||"}
            << m("// var ninshiki_jp = [\n// @@\n//   ['1','old']\n//   @@\n// ];\nvar ninshiki_jp = [\n")
            << QByteArray() << tail << QString();
        QTest::newRow("closing marker without its line end")
            << m("var x = [\n@@\n        ['1','a']\n        @@") << Japanese << QStringList{} << QByteArray()
            << QByteArray() << QByteArray()
            << "ninshiki_jp.jsの1行目で、スクリプトが正しく終わっていません（文字列、コメントや括弧が閉じていない、HTML"
               "形式のコメントがある、など）。この一覧はページと同じ内容を表示できないため、表示も保存もしません...";
        QTest::newRow("comments in front of the first row stay")
            << arr("@@\n\n// 認識語\n        ['1','a']\n        @@\n") << Japanese << QStringList{"1|a||"} << head
            << QByteArray("// 認識語\n") << tail << QString();
        const QString refused =
            "ninshiki_jp.jsの%1行目で、%2。この一覧はページと同じ内容を表示できないため、表示も保存も"
            "しません...";
        QTest::newRow("five parts") << arr("@@\n['1','a','b','c','d']\n@@\n") << Japanese << QStringList{}
                                    << QByteArray() << QByteArray() << QByteArray()
                                    << refused.arg(3).arg("1番目の行の値が5つあります（4つまでです）");
        QTest::newRow("a name for a word")
            << arr("@@\n['1','a'],\n['2',WORD]\n@@\n") << Japanese << QStringList{} << QByteArray() << QByteArray()
            << QByteArray() << refused.arg(4).arg("2番目の行の認識語が、そのまま書かれた文字列ではありません");
        QTest::newRow("an apostrophe in a Japanese word")
            << arr("@@\n['1',\"it's\"]\n@@\n") << Japanese << QStringList{} << QByteArray() << QByteArray()
            << QByteArray()
            << refused.arg(3).arg("1番目の行の認識語に「'」が含まれています（この一覧では書けない文字です）");
        QTest::newRow("rows outside the markers")
            << m("var ninshiki_jp = [\n['0','z'],\n@@\n['1','a']\n@@\n];\n") << Japanese << QStringList{}
            << QByteArray() << QByteArray() << QByteArray()
            << refused.arg(3).arg("認識語の目印の間が、1つの配列の中身だけになっていません");
        QTest::newRow("changed elsewhere")
            << arr("@@\n['1','a']\n@@\n") + "ninshiki_jp.push(['2','b']);\n"
            << Japanese << QStringList{} << QByteArray() << QByteArray() << QByteArray()
            << refused.arg(6).arg("認識語の配列ninshiki_jpを、ほかの所で定義または変更して"
                                  "います");
        const QString count =
            "ninshiki_jp.jsの認識語の目印「/* ninshiki_go_data */」が%1つあるため、この一覧は表示も保存"
            "もしません（%2）。目印は、認識語の前と後ろに1行ずつ、2つだけにして下さい...";
        QTest::newRow("one marker line") << arr("@@\n        ['1','a'],\n\n        ['2','b']\n") << Japanese
                                         << QStringList{} << QByteArray() << QByteArray() << QByteArray()
                                         << count.arg(1).arg("2行目");
        QTest::newRow("three marker lines")
            << arr("@@\n        ['1','a']\n        @@\n") + m("// x\n@@\n") << Japanese << QStringList{} << QByteArray()
            << QByteArray() << QByteArray() << count.arg(3).arg("2行目、4行目、7行目");
        // Mistyped markers: no marker line, and the list would be empty without a word.
        const QString lookAlike =
            "ninshiki_jp.jsの%1行目の「%2」は認識語の目印「/* ninshiki_go_data */」と空白の入り方が"
            "違うため、目印ではありません。この一覧は表示も保存もしません。目印は「/* "
            "ninshiki_go_data */」と書き、その行にはほかに何も書かないで下さい...";
        QTest::newRow("a marker without blanks")
            << QByteArray("var ninshiki_jp = [\n/*ninshiki_go_data*/\n['1','a']\n/*ninshiki_go_data*/\n];\n")
            << Japanese << QStringList{} << QByteArray() << QByteArray() << QByteArray()
            << lookAlike.arg(2).arg("/*ninshiki_go_data*/");
        QTest::newRow("a marker with other blanks")
            << QByteArray("var ninshiki_jp = [\n['1','a'] /*  ninshiki_go_data */\n];\n") << Japanese << QStringList{}
            << QByteArray() << QByteArray() << QByteArray() << lookAlike.arg(2).arg("/*  ninshiki_go_data */");
        QTest::newRow("the marker on a line with a row")
            << m("var ninshiki_jp = [ @@\n['1','a']\n];\n") << Japanese << QStringList{} << QByteArray() << QByteArray()
            << QByteArray() << lookAlike.arg(1).arg("/* ninshiki_go_data */");
    }
    void read() {
        QFETCH(QByteArray, file);
        QFETCH(PageSet::Language, language);
        QFETCH(QStringList, rows);
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, lead);
        QFETCH(QByteArray, tail);
        QFETCH(QString, refusal);
        const QString text = QString::fromUtf8(file);
        const WordFile::Parsed p =
            WordFile::read(text, language, language == English ? "ninshiki_en.js" : "ninshiki_jp.js");
        QCOMPARE(p.refusal, refusal);
        QCOMPARE(flat(p.rows), rows);
        if (!refusal.isEmpty())
            return;
        QCOMPARE(p.head, QString::fromUtf8(head));
        QCOMPARE(p.lead, QString::fromUtf8(lead));
        QCOMPARE(p.tail, QString::fromUtf8(tail));
        for (const char* name : {"ninshiki_jp", "ninshiki_en"})
            if (text.contains(QString("var %1 = [").arg(name))) {
                const JsEval::Result js = JsEval::rows(text, name);
                QVERIFY2(js.ok(), qPrintable(js.error));
                QCOMPARE(flatEngine(js.rows), rows);
            }
    }

    // The syntax check that leaves out the rows read says what the check of the whole text says,
    // on the same line: errors before and after the rows, line ends of every kind, and ids as
    // numbers, which a strict script may refuse.
    void checkScript_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("parses");
        const QByteArray jp = m(kJp);
        QTest::newRow("written form") << jp << true;
        QTest::newRow("rows as people write them") << m(kLoose) << true;
        QTest::newRow("error before the rows") << "var = 1;\n" + jp << false;
        QTest::newRow("error after the rows") << jp + "\n\nvar = 1;\n" << false;
        QTest::newRow("error after the rows, CR LF") << QByteArray(jp + "\nvar = 1;\n").replace("\n", "\r\n") << false;
        QTest::newRow("error after the rows, CR") << QByteArray(jp + "\nvar = 1;\n").replace("\n", "\r") << false;
        // The engine's words for an error after the rows can differ with what it parsed before them.
        QTest::newRow("stray characters after rows with holes and a lone CR")
            << m("var ninshiki_jp = [\n@@\n    [\n'',\n, , \"\"], \n\r    [// c\n\"\", \"\xEF\xBF\xBDたね\"],// c\n\n"
                 "    [\n\"\",\n\"\",\n, ], \n    [\"\",// c\n\"\"], \n        @@\n];\nハロ") +
                   QByteArray("\xEF\xBF\xBD").repeated(37)
            << false;
        QTest::newRow("a statement cut short after the rows") << jp + "x = ;\n" << false;
        QTest::newRow("legacy octal id in a strict script")
            << "'use strict';\n" + m("a = [\n@@\n        [0755,'x']\n        @@\n];\n") << false;
        QTest::newRow("legacy octal id") << m("a = [\n@@\n        [0755,'x']\n        @@\n];\n") << true;
    }
    void checkScript() {
        QFETCH(QByteArray, file);
        QFETCH(bool, parses);
        const QString text = QString::fromUtf8(file);
        const WordFile::Parsed p = WordFile::read(text, Japanese);
        QVERIFY2(p.ok(), qPrintable(p.refusal));
        const std::optional<ScriptCheck::SyntaxError> whole = ScriptCheck::check(text);
        const std::optional<ScriptCheck::SyntaxError> spared = WordFile::checkScript(text, p);
        QCOMPARE(!whole, parses);
        QCOMPARE(!spared, parses);
        if (whole) {
            QCOMPARE(spared->line, whole->line);
            QCOMPARE(spared->message, whole->message);
        }
    }

    // The writer's form of a whole block (what edited rows take): what it gives an unedited file,
    // and that writing it again changes nothing more.
    void save_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<PageSet::Language>("language");
        QTest::addColumn<QByteArray>("saved");
        const QByteArray jp = m(kJp), en = m(kEn);
        QTest::newRow("Japanese in written form") << jp << Japanese << jp;
        QTest::newRow("English in written form") << en << English << en;
        QTest::newRow("English rows saved as Japanese") << en << Japanese << QByteArray(en).replace("\"", "'");
        QTest::newRow("empty block") << m("a = [\n@@\n        @@\n];\n") << Japanese
                                     << m("a = [\n@@\n        @@\n];\n");
        QTest::newRow("no markers gain an empty block")
            << QByteArray("var x = 1;\n") << Japanese << m("var x = 1;\n@@\n        @@\n");
        QTest::newRow("CR LF loses every CR") << QByteArray(jp).replace("\n", "\r\n") << Japanese << jp;
        QTest::newRow("rows rewritten in the written form")
            << m("a = [\n@@\n  ['1','a'] ,\n// c\n['2',\"b\",'',\"d\"],[], [7, 'n']\n    @@\n];\n") << Japanese
            << m("a = [\n@@\n        ['1','a'],\n        ['2','b','','d'],\n        ['',''],\n        [7,'n']\n"
                 "        @@\n];\n");
        QTest::newRow("comments in front of the first row stay in place")
            << m("a = [\n@@\n// 認識語\n        ['1','a']\n        @@\n];\n") << Japanese
            << m("a = [\n@@\n// 認識語\n        ['1','a']\n        @@\n];\n");
    }
    void save() {
        QFETCH(QByteArray, file);
        QFETCH(PageSet::Language, language);
        QFETCH(QByteArray, saved);
        const WordFile::Parsed p = WordFile::read(QString::fromUtf8(file), language);
        QVERIFY2(p.ok(), qPrintable(p.refusal));
        const QString once = WordFile::write(p.head, p.lead, p.tail, p.rows, language);
        QCOMPARE(once, QString::fromUtf8(saved));
        const WordFile::Parsed again = WordFile::read(once, language);
        QCOMPARE(again.rows, p.rows);
        QCOMPARE(WordFile::write(again.head, again.lead, again.tail, again.rows, language), once);
    }

    // A save writes only what was edited: every other row keeps the text it was read from (quotes,
    // form of id, length, holes, the comment on its line), comment lines stay where they stand, and
    // a save with no edit gives no bytes at all. The engine's values are compared exactly.
    void saveKeepsUneditedRows_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("edits");  // "row|field|text", field 1 word, 2 and 3 alternatives
        QTest::addColumn<QByteArray>("saved");   // empty: nothing written
        QTest::addColumn<QStringList>("engine"); // the page's rows after the save, values exactly
        QTest::addColumn<QString>("refusal");
        const QByteArray loose = m(kLoose);
        const QStringList asRead{"'101'|'こんにちは'|'やあ'|''", "'102'", "", "'103'|'おはよう'|hole|'おはよ'",
                                 "104|'よう'"};
        const QStringList none;
        QTest::newRow("no edit") << loose << none << QByteArray() << asRead << QString();
        QTest::newRow("an edit of the first row")
            << loose << QStringList{"0|3|ハイ"}
            << QByteArray(loose).replace("['101','こんにちは','やあ','']", "['101','こんにちは','やあ','ハイ']")
            << QStringList{"'101'|'こんにちは'|'やあ'|'ハイ'", "'102'", "", "'103'|'おはよう'|hole|'おはよ'",
                           "104|'よう'"}
            << QString();
        QTest::newRow("an edit of a row with a hole")
            << loose << QStringList{"3|1|おっす"}
            << QByteArray(loose).replace("[ \"103\" , 'おはよう',,'おはよ' ]", "['103','おっす','','おはよ']")
            << QStringList{"'101'|'こんにちは'|'やあ'|''", "'102'", "", "'103'|'おっす'|''|'おはよ'", "104|'よう'"}
            << QString();
        QTest::newRow("an edit of a short row")
            << loose << QStringList{"1|1|やあ"} << QByteArray(loose).replace("['102'],", "['102','やあ'],")
            << QStringList{"'101'|'こんにちは'|'やあ'|''", "'102'|'やあ'", "", "'103'|'おはよう'|hole|'おはよ'",
                           "104|'よう'"}
            << QString();
        QTest::newRow("an edit of a number id's row")
            << loose << QStringList{"4|2|ヨー"} << QByteArray(loose).replace("[104,'よう']", "[104,'よう','ヨー']")
            << QStringList{"'101'|'こんにちは'|'やあ'|''", "'102'", "", "'103'|'おはよう'|hole|'おはよ'",
                           "104|'よう'|'ヨー'"}
            << QString();
        QTest::newRow("CR LF, no edit") << QByteArray(m(kJp)).replace("\n", "\r\n") << none << QByteArray()
                                        << QStringList{"'101'|'こんにちは'|'やあ'|'ハロー'", "'102'|'さようなら'",
                                                       "'103'|'おはよう'|'おはよ'"}
                                        << QString();
        QTest::newRow("no markers, no edit")
            << QByteArray("var ninshiki_jp = [];\n") << none << QByteArray() << QStringList{""} << QString();
        QTest::newRow("a marker look-alike")
            << QByteArray("var ninshiki_jp = [\n/*ninshiki_go_data*/\n];\n") << none << QByteArray() << QStringList{""}
            << "ninshiki_jp.jsの2行目の「/*ninshiki_go_data*/」は認識語の目印「/* ninshiki_go_data "
               "*/」と空白の入り方が違うため、目印ではありません。この一覧は表示も保存もしません。目印は「/* "
               "ninshiki_go_data */」と書き、その行にはほかに何も書かないで下さい...";
    }
    void saveKeepsUneditedRows() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, edits);
        QFETCH(QByteArray, saved);
        QFETCH(QStringList, engine);
        QFETCH(QString, refusal);
        const WordFile::Parsed p = WordFile::read(QString::fromUtf8(file), Japanese);
        QList<WordFile::Row> mine = p.rows;
        for (const QString& e : edits) {
            const QStringList f = e.split(u'|');
            WordFile::Row& r = mine[f[0].toInt()];
            QString* fields[] = {&r.id, &r.word, &r.alt1, &r.alt2};
            *fields[f[1].toInt()] = f[2];
        }
        const WordFile::SaveResult s = WordFile::save(file, p.rows, mine, Japanese, "ninshiki_jp.js");
        QCOMPARE(s.refusal, refusal);
        QCOMPARE(s.bytes.value_or(QByteArray()), saved);
        QCOMPARE(s.unchanged, refusal.isEmpty() && saved.isEmpty());
        const QByteArray after = saved.isEmpty() ? file : saved;
        const JsEval::Result js = JsEval::exact(QString::fromUtf8(after), "ninshiki_jp", true);
        QVERIFY2(js.ok(), qPrintable(js.error));
        QStringList rows;
        for (const QStringList& r : js.rows)
            rows << r.join(u'|');
        QCOMPARE(rows, engine);
        if (refusal.isEmpty())
            QCOMPARE(s.rows, mine);
        // The editor's form of the same save, with the rows as read kept only where edited, gives the
        // same: not knowing the file, knowing it as it is (not read again), knowing other bytes.
        QHash<qsizetype, WordFile::Row> before;
        for (qsizetype i = 0; i < mine.size(); ++i)
            if (mine[i] != p.rows[i])
                before.insert(i, p.rows[i]);
        const TextCodec::Encoding utf8 = TextCodec::Encoding::Utf8;
        const QList<WordFile::Known> knowns = {WordFile::Known(), WordFile::known(WordFile::digest(file), utf8, p),
                                               WordFile::known(WordFile::digest(file + " "), utf8, p)};
        for (const WordFile::Known& known : knowns) {
            const WordFile::SaveResult e =
                WordFile::saveEdits(file, before, mine, Japanese, "ninshiki_jp.js", std::nullopt, known);
            QCOMPARE(e.refusal, s.refusal);
            QCOMPARE(e.bytes.has_value(), s.bytes.has_value());
            QCOMPARE(e.bytes.value_or(QByteArray()), s.bytes.value_or(QByteArray()));
            QCOMPARE(e.rows, s.rows);
            QCOMPARE(e.unchanged, s.unchanged);
        }
    }

    // A file in the written form gets from an edit the bytes the writer gives it.
    void editOfTheWrittenForm() {
        const WordFile::Parsed p = WordFile::read(u(kJp), Japanese);
        QList<WordFile::Row> mine = p.rows;
        mine[1].alt2 = "bye";
        const WordFile::SaveResult s = WordFile::save(m(kJp), p.rows, mine, Japanese, "ninshiki_jp.js");
        QCOMPARE(s.bytes.value_or(QByteArray()), WordFile::write(p.head, p.lead, p.tail, mine, Japanese).toUtf8());
    }

    // An all-ASCII file takes the encoding the page declares; a file whose bytes settle it keeps its own.
    void saveInThePagesEncoding_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("page"); // -1 none, else TextCodec::Encoding
        QTest::addColumn<int>("written");
        const QByteArray ascii = m("var ninshiki_jp = [\n@@\n        ['1','a']\n        @@\n];\n");
        const int utf8 = int(TextCodec::Encoding::Utf8), sj = int(TextCodec::Encoding::ShiftJis);
        QTest::newRow("ASCII, Shift_JIS page") << ascii << sj << sj;
        QTest::newRow("ASCII, UTF-8 page") << ascii << utf8 << utf8;
        QTest::newRow("ASCII, no declaration") << ascii << -1 << utf8;
        QTest::newRow("UTF-8 text, Shift_JIS page") << m(kJp) << sj << utf8;
        QTest::newRow("Shift_JIS text, UTF-8 page") << sjis(kSj) << utf8 << sj;
    }
    void saveInThePagesEncoding() {
        QFETCH(QByteArray, file);
        QFETCH(int, page);
        QFETCH(int, written);
        const auto pageEncoding =
            page < 0 ? std::nullopt : std::optional<TextCodec::Encoding>(TextCodec::Encoding(page));
        const auto encoding = TextCodec::forFile(file, pageEncoding).encoding;
        QVERIFY(encoding);
        const WordFile::Parsed p = WordFile::read(TextCodec::decode(file, *encoding), Japanese);
        QList<WordFile::Row> mine = p.rows;
        mine[0].word = "立って";
        const WordFile::SaveResult s = WordFile::save(file, p.rows, mine, Japanese, "ninshiki_jp.js", pageEncoding);
        QVERIFY2(s.bytes, qPrintable(s.refusal));
        const QByteArray expected = *TextCodec::encode(QString::fromUtf8("'立って'"), TextCodec::Encoding(written));
        QVERIFY(s.bytes->contains(expected));
    }

    void write() {
        const QList<WordFile::Row> rows = unflat({"1|こんにちは|やあ|ハロー", "2|さようなら||", "3|w||z"});
        QCOMPARE(WordFile::write("H\n", {}, "T\n", rows, Japanese),
                 u("H\n@@\n        ['1','こんにちは','やあ','ハロー'],\n        ['2','さようなら'],\n"
                   "        ['3','w','','z']\n        @@\nT\n"));
        QCOMPARE(WordFile::write("H\n", {}, "T\n", rows, English),
                 u("H\n@@\n        ['1',\"こんにちは\",\"やあ\",\"ハロー\"],\n        ['2',\"さようなら\"],\n"
                   "        ['3',\"w\",\"\",\"z\"]\n        @@\nT\n"));
        QCOMPARE(WordFile::write("H\n", {}, "T\n", {}, Japanese), u("H\n@@\n        @@\nT\n"));
        // Alternative 2 without alternative 1 stays the second.
        const WordFile::Parsed p =
            WordFile::read("x = [\n" + WordFile::write({}, {}, {}, rows, Japanese) + "];\n", Japanese);
        QCOMPARE(flat(p.rows).last(), QStringLiteral("3|w||z"));
    }

    // What would break the page's script or not read back: refused in a word, and in an id read
    // from the file (always in apostrophes).
    void forbidden_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<PageSet::Language>("language");
        QTest::addColumn<QString>("bad");
        QTest::addColumn<bool>("badInAnId");
        QTest::newRow("plain") << "こんにちは" << Japanese << "" << false;
        QTest::newRow("apostrophe in Japanese") << "it's" << Japanese << "'" << true;
        QTest::newRow("apostrophe in English") << "it's" << English << "" << true;
        QTest::newRow("double quote in English") << "a\"b" << English << "\"" << false;
        QTest::newRow("double quote in Japanese") << "a\"b" << Japanese << "" << false;
        // Inside quotes these are plain text for the script.
        QTest::newRow("comma") << "a,b" << English << "" << false;
        QTest::newRow("brackets") << "a[b]" << Japanese << "" << false;
        QTest::newRow("backslash at the end") << "abc\\" << Japanese << "\\" << true;
        QTest::newRow("backslash of a path") << "C:\\new" << English << "\\" << true;
        QTest::newRow("line feed") << "a\nb" << Japanese << "\n" << true;
        QTest::newRow("carriage return") << "a\rb" << English << "\r" << true;
        QTest::newRow("line separator") << QString::fromUtf16(u"a\u2028b") << Japanese << QString(QChar(0x2028))
                                        << true;
        QTest::newRow("paragraph separator")
            << QString::fromUtf16(u"a\u2029b") << English << QString(QChar(0x2029)) << true;
        QTest::newRow("the marker") << "x /* ninshiki_go_data */" << Japanese << "" << false;
    }
    void forbidden() {
        QFETCH(QString, text);
        QFETCH(PageSet::Language, language);
        QFETCH(QString, bad);
        QFETCH(bool, badInAnId);
        QCOMPARE(WordFile::forbiddenChar(text, language).value_or(QString()), bad);
        const std::optional<WordFile::Forbidden> inWord = WordFile::firstForbidden({"1", "w", "", text}, language);
        QCOMPARE(inWord ? inWord->field : -1, bad.isEmpty() ? -1 : 3);
        const std::optional<WordFile::Forbidden> inId = WordFile::firstForbidden({text, "w", "", ""}, language);
        QCOMPARE(inId ? inId->field : -1, badInAnId ? 0 : -1);
    }

    // The rows a save writes into a file that another program changed since it was read.
    void merge_data() {
        QTest::addColumn<QStringList>("base");
        QTest::addColumn<QStringList>("mine");
        QTest::addColumn<QStringList>("disk");
        QTest::addColumn<QStringList>("merged"); // empty with a conflict
        QTest::addColumn<int>("conflict");
        const QStringList base{"1|a||", "2|b||", "3|c||"};
        QTest::newRow("nothing changed") << base << base << base << base << -1;
        QTest::newRow("an edit") << base << QStringList{"1|a||", "2|B|x|", "3|c||"} << base
                                 << QStringList{"1|a||", "2|B|x|", "3|c||"} << -1;
        QTest::newRow("changed outside, not edited: the disk's rows stay")
            << base << base << QStringList{"0|new||", "1|a||", "2|b||", "3|C||"}
            << QStringList{"0|new||", "1|a||", "2|b||", "3|C||"} << -1;
        QTest::newRow("an edit and other rows changed outside")
            << base << QStringList{"1|A||", "2|b||", "3|c||"} << QStringList{"1|a||", "2|b|y|", "3|c||", "4|d||"}
            << QStringList{"1|A||", "2|b|y|", "3|c||", "4|d||"} << -1;
        QTest::newRow("the same edit made outside")
            << base << QStringList{"1|a||", "2|B||", "3|c||"} << QStringList{"1|a||", "2|B||", "3|c||"}
            << QStringList{"1|a||", "2|B||", "3|c||"} << -1;
        QTest::newRow("the edited row changed outside as well")
            << base << QStringList{"1|a||", "2|B||", "3|c||"} << QStringList{"1|a||", "2|b2||", "3|c||"}
            << QStringList{} << 1;
        QTest::newRow("the edited row moved")
            << base << QStringList{"1|a||", "2|b||", "3|C||"} << QStringList{"0|new||", "1|a||", "2|b||", "3|c||"}
            << QStringList{} << 2;
        QTest::newRow("the edited row removed")
            << base << QStringList{"1|a||", "2|b||", "3|C||"} << QStringList{"1|a||", "2|b||"} << QStringList{} << 2;
    }
    void merge() {
        QFETCH(QStringList, base);
        QFETCH(QStringList, mine);
        QFETCH(QStringList, disk);
        QFETCH(QStringList, merged);
        QFETCH(int, conflict);
        qsizetype at = -1;
        const std::optional<QList<WordFile::Row>> rows = WordFile::merge(unflat(base), unflat(mine), unflat(disk), &at);
        QCOMPARE(rows ? flat(*rows) : QStringList(), merged);
        QCOMPARE(int(at), conflict);
    }
};

QTEST_GUILESS_MAIN(TestWordFile)
#include "tst_wordfile.moc"
