// The questions about statements the formats ask of the tokens: declarations and changes of the
// arrays, whether a statement runs at the top level, elements and their values. Where a case runs
// in an engine, the engine's reading is the expectation.
#include "ScriptStatements.h"

#include <QJSEngine>
#include <QTest>

class TestScriptStatements : public QObject {
    Q_OBJECT
private slots:
    // What the save looks for in the text around the block: declarations and changes of the
    // arrays, told apart from reads, comments, strings, template texts and regular expressions.
    void aroundTheArrays_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("declared"); // line, 0 for none
        QTest::addColumn<int>("changed");
        QTest::addColumn<bool>("open");
        QTest::newRow("read") << "var x = ctrlbtndata[0][1];\nif (ctrlbtnRobi.length == 4) f();" << 0 << 0 << false;
        QTest::newRow("let read") << "let x = ctrlbtndata[0];" << 0 << 0 << false;
        QTest::newRow("let") << "\nlet ctrlbtndata = [];" << 2 << 2 << false;
        QTest::newRow("const list") << "const a = 1, ctrlbtnRobi = 2;" << 1 << 1 << false;
        QTest::newRow("destructured") << "let [ctrlbtndata] = x;" << 1 << 1 << false;
        QTest::newRow("class") << "class ctrlbtnRobi {}" << 1 << 1 << false;
        QTest::newRow("local let") << "function f() { let ctrlbtndata = 1; }" << 0 << 1 << false;
        QTest::newRow("assigned") << "a();\n\nctrlbtndata = [];" << 0 << 3 << false;
        QTest::newRow("cell assigned") << "ctrlbtndata[0][1][2] += 'x';" << 0 << 1 << false;
        QTest::newRow("pushed") << "ctrlbtnRobi[2].push([1,2,'a']);" << 0 << 1 << false;
        QTest::newRow("incremented") << "++ctrlbtnRobi[0][0][1];" << 0 << 1 << false;
        QTest::newRow("deleted") << "delete ctrlbtndata[3];" << 0 << 1 << false;
        QTest::newRow("in a substitution") << "var s = `${ctrlbtndata = 1}`;" << 0 << 1 << false;
        QTest::newRow("a property of another") << "o.ctrlbtndata = 1; o?.ctrlbtnRobi.push(1);" << 0 << 0 << false;
        QTest::newRow("a property of window")
            << "window.ctrlbtndata = 1;\nwindow['ctrlbtnRobi'].push(1);" << 0 << 1 << false;
        QTest::newRow("comments and strings")
            << "// ctrlbtndata = 1\n/* ctrlbtndata = 1 */ s = 'ctrlbtndata = 1';" << 0 << 0 << false;
        QTest::newRow("regex with a quote") << "r = /'/; ctrlbtndata = 1; // '" << 0 << 1 << false;
        QTest::newRow("division") << "x = a / ctrlbtndata[0] / 2;" << 0 << 0 << false;
        QTest::newRow("open string") << "s = 'abc" << 0 << 0 << true;
        QTest::newRow("open template") << "s = `abc ${1} d" << 0 << 0 << true;
        QTest::newRow("open bracket") << "function f() {" << 0 << 0 << true;
        QTest::newRow("if") << "if (a == 1)\n" << 0 << 0 << true;
        QTest::newRow("else") << "if (a) b(); else" << 0 << 0 << true;
        QTest::newRow("unfinished") << "x = 1 +" << 0 << 0 << true;
        QTest::newRow("call") << "f(a)\n// note" << 0 << 0 << false;
        QTest::newRow("open comment") << "x = 1; /* note" << 0 << 0 << true;
    }
    void aroundTheArrays() {
        QFETCH(QString, text);
        QFETCH(int, declared);
        QFETCH(int, changed);
        QFETCH(bool, open);
        const ScriptScan::Scan scan = ScriptScan::tokenize(text);
        int d = 0, c = 0;
        for (qsizetype k = 0; k < scan.tokens.size(); ++k)
            for (const QString name : {"ctrlbtndata", "ctrlbtnRobi"})
                if (ScriptScan::names(scan, k, name)) {
                    if (!d && ScriptScan::declaredLexically(scan, k))
                        d = int(scan.tokens[k].line);
                    if (!c && ScriptScan::changes(scan, k))
                        c = int(scan.tokens[k].line);
                }
        QCOMPARE(d, declared);
        QCOMPARE(c, changed);
        QCOMPARE(ScriptScan::openBefore(scan, scan.tokens.size()), open);
    }

    // Elements as an engine counts them: holes and trailing commas.
    void elements_data() {
        QTest::addColumn<QString>("array");
        QTest::addColumn<QString>("elements"); // "_" for a hole
        QTest::newRow("plain") << "[1, 'a', [2]]"
                               << "1|'a'|[2]";
        QTest::newRow("trailing comma") << "[1,]"
                                        << "1";
        QTest::newRow("holes") << "[,1,,]"
                               << "_|1|_";
        QTest::newRow("lone comma") << "[,]"
                                    << "_";
        QTest::newRow("empty") << "[]"
                               << "";
        QTest::newRow("comments") << "[1 /* , */, // ,\n 2]"
                                  << "1|2";
    }
    void elements() {
        QFETCH(QString, array);
        QFETCH(QString, elements);
        const ScriptScan::Scan scan = ScriptScan::tokenize(array);
        QStringList out;
        for (const ScriptScan::Element& e : ScriptScan::elements(scan, 0))
            out << (e.hole() ? QString("_")
                             : array.mid(scan.tokens[e.first].start,
                                         scan.tokens[e.last - 1].end - scan.tokens[e.first].start));
        QCOMPARE(out.join('|'), elements);
        // The engine counts the same.
        QJSEngine engine;
        QCOMPARE(engine.evaluate(array + ".length").toInt(), int(elements.isEmpty() ? 0 : out.size()));
    }

    // An element as a plain value: strings by their value, numbers as written with the number read,
    // a sign and anything else as its text; and whether it is one array literal alone.
    void literals_data() {
        QTest::addColumn<QString>("element");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("whole"); // the digits the page shows for a number, "-" for none
        QTest::addColumn<bool>("array");
        using L = ScriptScan::Literal;
        QTest::newRow("hole") << "" << int(L::Hole) << ""
                              << "-" << false;
        QTest::newRow("string") << "'立って'" << int(L::String) << "立って"
                                << "-" << false;
        QTest::newRow("escapes") << "\"a\\u0041\\'\"" << int(L::String) << "aA'"
                                 << "-" << false;
        QTest::newRow("empty string") << "''" << int(L::String) << ""
                                      << "-" << false;
        QTest::newRow("number") << "73" << int(L::Number) << "73"
                                << "73" << false;
        QTest::newRow("hex") << "0x49" << int(L::Number) << "0x49"
                             << "73" << false;
        QTest::newRow("exponent") << "7.3e1" << int(L::Number) << "7.3e1"
                                  << "73" << false;
        QTest::newRow("fraction") << "1.5" << int(L::Number) << "1.5"
                                  << "-" << false;
        QTest::newRow("too long") << "1e15" << int(L::Number) << "1e15"
                                  << "-" << false;
        QTest::newRow("longest") << "999999999999999" << int(L::Number) << "999999999999999"
                                 << "999999999999999" << false;
        QTest::newRow("negative") << "-1" << int(L::Signed) << "-1"
                                  << "-" << false;
        QTest::newRow("plus") << "+ 2" << int(L::Signed) << "+ 2"
                              << "-" << false;
        QTest::newRow("BigInt") << "10n" << int(L::Other) << "10n"
                                << "-" << false;
        QTest::newRow("name") << "a" << int(L::Other) << "a"
                              << "-" << false;
        QTest::newRow("sum") << "'a' + 'b'" << int(L::Other) << "'a' + 'b'"
                             << "-" << false;
        QTest::newRow("octal escape") << "'\\1'" << int(L::Other) << "'\\1'"
                                      << "-" << false;
        QTest::newRow("array") << "[1, 'x']" << int(L::Other) << "[1, 'x']"
                               << "-" << true;
        QTest::newRow("array and more") << "[1] + []" << int(L::Other) << "[1] + []"
                                        << "-" << false;
        QTest::newRow("array indexed") << "[1][0]" << int(L::Other) << "[1][0]"
                                       << "-" << false;
    }
    void literals() {
        QFETCH(QString, element);
        QFETCH(int, kind);
        QFETCH(QString, value);
        QFETCH(QString, whole);
        QFETCH(bool, array);
        const QString text = "[" + element + ",]";
        const ScriptScan::Scan scan = ScriptScan::tokenize(text);
        const QList<ScriptScan::Element> found = ScriptScan::elements(scan, 0);
        QCOMPARE(found.size(), 1);
        const ScriptScan::Literal l = ScriptScan::literalOf(text, scan, found[0]);
        QCOMPARE(int(l.kind), kind);
        QCOMPARE(l.value, value);
        if (l.kind == ScriptScan::Literal::Number)
            QCOMPARE(ScriptScan::wholeNumber(l.number).value_or("-"), whole);
        QCOMPARE(ScriptScan::arrayOf(scan, found[0]).has_value(), array);
    }
};

QTEST_GUILESS_MAIN(TestScriptStatements)

#include "tst_scriptstatements.moc"
