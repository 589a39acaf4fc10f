// The syntax check that tells whether the page can run a script at all: each case as a browser
// takes it, with the line it names. Nothing of a checked text may run.
#include "ScriptCheck.h"

#include <QTest>

class TestScriptCheck : public QObject {
    Q_OBJECT
private slots:
    void check_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("line"); // 0: it parses

        QTest::newRow("plain data") << "var a = [['1', 'x'], ['2', \"y\"],];\n// c\n" << 0;
        QTest::newRow("regex, template, division") << "var r = /[/]x/g, t = `a${1}b`, d = 4 / 2 / 1;" << 0;
        QTest::newRow("legacy octal outside strict mode") << "var a = [010, 08, 0777];" << 0;
        QTest::newRow("separators and BigInt") << "var a = [1_000, 0x1_F, 0b1_0, 1_0.5_0e1_0, 10n, 0x1Fn];" << 0;
        QTest::newRow("strict mode, plain numbers") << "'use strict';\nvar a = [10, 0];" << 0;
        QTest::newRow("async functions and await")
            << "async function f() { await g(); }\nvar h = async () => { for await (const x of y) {} };\n"
               "var k = async x => await x;\nvar async = 1, await = 2;"
            << 0;
        QTest::newRow("logical assignment, catch without binding, dotAll")
            << "a ||= b; a &&= b; a ?\?= b;\ntry { f(); } catch { }\nvar r = /a.b/s;" << 0;
        QTest::newRow("counters") << "for (var i = 0; i < 2; i++) { --j; k\n++l; a.b++; ++c[0]; m = n-- - --o; }" << 0;
        QTest::newRow("return inside a function") << "function f() {\n  return 1;\n}" << 0;
        QTest::newRow("return as a property name") << "var it = {};\nit.return = 1; it?.return;" << 0;
        QTest::newRow("optional chains read, not written")
            << "x = a?.b; y = a?.b == 1; (a?.b).c = 1; ((a?.b)).c = 1; (a?.b)[0]++; ++(a?.b).c;\n"
               "x[a?.b] = 1; f(a?.b).c = 1; z = c ?.5 : 1; if (a?.b) ++c; x = a?.b ? ++c : d--;\na?.b\n++c;"
            << 0;
        QTest::newRow("spread and rest in objects") << "var o = {...a, b, ...{c: 1}};\nvar {d, ...e} = o;\nfunction "
                                                       "f({g, ...h}) { return [...h, `${{...o}.d}`]; }"
                                                    << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("byte order mark") << "\uFEFFvar a = [1];" << 0;
        QTest::newRow("loops, labels, strict functions")
            << "for (var i = 0; i < 2; i++) { if (i) break; }\nouter: for (;;) { continue outer; }\n"
               "function f(a) { 'use strict'; return a; }"
            << 0;

        QTest::newRow("full-width brackets") << "var a = 1;\nfunction f\uFF08\uFF09{ return 1 }" << 2;
        QTest::newRow("full-width semicolon") << "var a;\nvar b;\nvar c = 1\uFF1B\nvar d;" << 3;
        QTest::newRow("let twice") << "let i = 0;\nlet i = 0;" << 2;
        QTest::newRow("missing comma in braces") << "var a;\n{ speed: 1 delay: 2 }" << 2;
        QTest::newRow("legacy octal in strict mode") << "'use strict';\nvar a = [0111];" << 2;
        QTest::newRow("separator before exponent") << "var a = [\n1_e2];" << 2;
        QTest::newRow("separator after leading zero") << "var a = [0_1];" << 1;
        QTest::newRow("await outside an async function") << "async function f() {}\nvar a = 1 await 2;" << 2;
        QTest::newRow("return at the top level") << "var a;\nreturn;" << 2;
        // Refused by the engine's compiler rather than its parser.
        QTest::newRow("assignment to a number") << "var a;\n1 = 2;" << 2;
        QTest::newRow("break outside a loop") << "var a;\n\nbreak;" << 3;
        QTest::newRow("delete in strict mode") << "'use strict';\nvar x;\ndelete x;" << 3;
        QTest::newRow("increment of a literal") << "++1;" << 1;
        QTest::newRow("increment of a call") << "var i;\nf()++;" << 2;
        QTest::newRow("increment before a call") << "var i;\n++f();" << 2;
        QTest::newRow("increment of this") << "var i;\nthis++;" << 2;
        QTest::newRow("decrement of a new object") << "var i;\nnew A--;" << 2;
        QTest::newRow("increment of a sum") << "var i;\n++(a + b);" << 2;
        QTest::newRow("increment of a string") << "var i = 0\n'a'++;" << 2;
        QTest::newRow("spread in a block") << "var a;\n{ ...a }" << 2;
        QTest::newRow("assignment to an optional chain") << "var a;\na?.b = 1;" << 2;
        QTest::newRow("compound assignment to an optional chain") << "var a;\na?.[0].c += 1;" << 2;
        QTest::newRow("increment of an optional chain") << "var a;\na?.b++;" << 2;
        QTest::newRow("decrement before an optional chain") << "var a;\n--a?.b;" << 2;
        QTest::newRow("increment of an optional chain in parentheses") << "var a;\n(a?.b)++;" << 2;
        QTest::newRow("assignment to an optional chain in parentheses") << "var a;\n((a?.b)) = 1;" << 2;
        QTest::newRow("markers between brace and else") << "if (a) {\n}\n/*m*/\nvar x = [];\n/*m*/\nelse {\n}" << 6;
        QTest::newRow("text closing the check's own brackets") << "}); x = 1; (function(){" << 1;
        QTest::newRow("a loop that closes brackets first") << "}); while (true) {} f((function(){" << 1;
    }
    void check() {
        QFETCH(QString, script);
        QFETCH(int, line);
        const std::optional<ScriptCheck::SyntaxError> error = ScriptCheck::check(script);
        if (line == 0) {
            QVERIFY2(!error, error ? qPrintable(QString::number(error->line) + ": " + error->message) : "");
            return;
        }
        QVERIFY(error);
        QCOMPARE(error->line, qsizetype(line));
        QVERIFY(!error->message.isEmpty());
    }

    // A big script is parsed in pieces: each case after a long run of plain statements, and before
    // one, gives what it gives alone (the line moved by the lines before it).
    void bigScript_data() { check_data(); }
    void bigScript() {
        QFETCH(QString, script);
        QFETCH(int, line);
        QString filler;
        for (int i = 0; filler.size() < 1000 * 1000; ++i)
            filler += QString("var f%1 = [%1, 'x;'];  \n// ;\nfunction g%1() { return f%1; }\n").arg(i);
        const qsizetype fillerLines = filler.count('\n');
        const std::optional<ScriptCheck::SyntaxError> alone = ScriptCheck::check(script);
        // A directive or a byte order mark counts only at the start.
        const bool first = script.startsWith("'use strict'") || script.startsWith(QChar(0xFEFF));
        for (const bool before : {true, false}) {
            if (before && first)
                continue;
            const QString big = before ? filler + script : script + "\n" + filler;
            const std::optional<ScriptCheck::SyntaxError> error = ScriptCheck::check(big);
            QCOMPARE(error.has_value(), line != 0);
            if (error) {
                QCOMPARE(error->line, qsizetype(line) + (before ? fillerLines : 0));
                QCOMPARE(error->message, alone->message);
            }
        }
    }

    // The pieces a check parsed are not parsed again for a text that holds them, and a piece that
    // changed is: an error there is found, with its line, whatever parsed before.
    void piecesParsedBefore() {
        QString big;
        for (int i = 0; big.size() < 1000 * 1000; ++i)
            big += QString("var f%1 = [%1, 'x'];\n").arg(i);
        ScriptCheck::Parsed parsed;
        QVERIFY(!ScriptCheck::check(big, ScriptScan::tokenize(big), &parsed));
        QVERIFY(parsed.pieces.size() > 1);
        const ScriptCheck::Parsed before = parsed;
        QVERIFY(!ScriptCheck::check(big, ScriptScan::tokenize(big), &parsed));
        QCOMPARE(parsed.pieces, before.pieces);

        const qsizetype line = big.count('\n') / 2;
        QStringList lines = big.split('\n');
        lines[line - 1] = "var broken = [1 2];";
        const QString changed = lines.join('\n');
        const std::optional<ScriptCheck::SyntaxError> error =
            ScriptCheck::check(changed, ScriptScan::tokenize(changed), &parsed);
        QVERIFY(error);
        QCOMPARE(error->line, line);
        QVERIFY(parsed.pieces.isEmpty()); // nothing is known of a text that does not parse

        // Pieces of another text are no help, and no harm.
        parsed = before;
        QString other = big;
        other.replace("'x'", "'y'");
        QVERIFY(!ScriptCheck::check(other, ScriptScan::tokenize(other), &parsed));
        QVERIFY(!parsed.pieces.intersects(before.pieces));
    }
};

QTEST_GUILESS_MAIN(TestScriptCheck)
#include "tst_scriptcheck.moc"
