// The JavaScript tokenizer both editors read their files with: tokens, a scan moved over replaced
// pieces, string and number values, marker lines. Where a case runs in an engine, the engine's
// reading is the expectation.
#include "ScriptTokenizer.h"

#include <QJSEngine>
#include <QTest>

namespace {
// The tokens as "kind:text" words: I identifier, N number, S string, T template, R regular
// expression, P punctuator.
QString shown(const ScriptScan::Scan& scan) {
    QStringList out;
    for (const ScriptScan::Token& t : scan.tokens)
        out << QString("INSTRP"[int(t.kind)]) + ':' + scan.text(t).toString();
    return out.join(' ');
}
// All a scan holds, each token and comment with its place.
QString dump(const ScriptScan::Scan& scan) {
    QStringList out{shown(scan), QString::number(scan.brokenLine)};
    for (const ScriptScan::Token& t : scan.tokens)
        out << QString("%1-%2 line %3 depth %4%5")
                   .arg(t.start)
                   .arg(t.end)
                   .arg(t.line)
                   .arg(t.depth)
                   .arg(t.lineBreakBefore ? " after a line break" : "");
    for (const ScriptScan::Comment& c : scan.comments)
        out << QString("comment %1-%2 line %3").arg(c.start).arg(c.end).arg(c.line);
    return out.join('\n');
}
} // namespace

class TestScriptTokenizer : public QObject {
    Q_OBJECT
private slots:
    void tokens_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tokens");
        QTest::addColumn<int>("broken"); // the line, 0 when the text reads
        QTest::newRow("declaration") << "var a = [1, 'x'];"
                                     << "I:var I:a P:= P:[ N:1 P:, S:'x' P:] P:;" << 0;
        QTest::newRow("comments") << "a // [1]\n/* [2] */ b"
                                  << "I:a I:b" << 0;
        QTest::newRow("quotes inside strings") << "[\"it's\", 'say \"hi\"', 'a\\'b']"
                                               << "P:[ S:\"it's\" P:, S:'say \"hi\"' P:, S:'a\\'b' P:]" << 0;
        QTest::newRow("regex after if") << "if (a) /x]/.test(s)"
                                        << "I:if P:( I:a P:) R:/x]/ P:. I:test P:( I:s P:)" << 0;
        QTest::newRow("division after a call") << "f(a) / 2 / b"
                                               << "I:f P:( I:a P:) P:/ N:2 P:/ I:b" << 0;
        QTest::newRow("regex after a block") << "{}\n/'/.x"
                                             << "P:{ P:} R:/'/ P:. I:x" << 0;
        QTest::newRow("division after an object") << "x = {} / 2"
                                                  << "I:x P:= P:{ P:} P:/ N:2" << 0;
        QTest::newRow("template") << "`a ${[b]} c`"
                                  << "T:`a ${ P:[ I:b P:] T:} c`" << 0;
        QTest::newRow("numbers") << "[1e+3, .5, 0x1F, 1_000, 10n]"
                                 << "P:[ N:1e+3 P:, N:.5 P:, N:0x1F P:, N:1_000 P:, N:10n P:]" << 0;
        QTest::newRow("escaped identifier") << "ctrlbtnd\\u0061ta"
                                            << "I:ctrlbtndata" << 0;
        QTest::newRow("string left open") << "a;\nb = 'x\n';"
                                          << "I:a P:; I:b P:= S:'x S:';" << 2;
        QTest::newRow("comment left open") << "a\n/* x"
                                           << "I:a" << 2;
        QTest::newRow("bracket left open") << "[\n[1,\n2"
                                           << "P:[ P:[ N:1 P:, N:2" << 2;
        QTest::newRow("stray bracket") << "a]\n"
                                       << "I:a P:]" << 1;
        // Engines read these as comments in scripts and as operators elsewhere: the text is refused.
        QTest::newRow("html comment") << "a\n<!-- b"
                                      << "I:a" << 2;
    }
    void tokens() {
        QFETCH(QString, text);
        QFETCH(QString, tokens);
        QFETCH(int, broken);
        const ScriptScan::Scan scan = ScriptScan::tokenize(text);
        QCOMPARE(shown(scan), tokens);
        QCOMPARE(int(scan.brokenLine), broken);
    }

    // A scan moved over replaced entries is the scan of the new text, read whole; a piece that would
    // read otherwise in place is refused, and the scan left as it was.
    void retokenize_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("pieces"); // old piece, then its new text, in order
        QTest::addColumn<bool>("moved");
        const QString two =
            "var a = [\n  [1,'x','y'], // one\n  [2,\n   'p', /* q */ 'q'],\n];\nvar b\u0061 = /x/; // end\n";
        QTest::newRow("same size") << two << QStringList{"[1,'x','y']", "[7,'z','w']"} << true;
        QTest::newRow("longer and shorter")
            << two << QStringList{"[1,'x','y']", "[1234,'長い言葉','y']", "[2,\n   'p', /* q */ 'q']", "[,'','']"}
            << true;
        QTest::newRow("fewer tokens first")
            << two << QStringList{"[1,'x','y']", "[,'x','y']", "[2,\n   'p', /* q */ 'q']", "[3,'a','b']"} << true;
        QTest::newRow("more tokens first")
            << two << QStringList{"[1,'x','y']", "[-1,'x','y',]", "[2,\n   'p', /* q */ 'q']", "[3]"} << true;
        QTest::newRow("the whole array") << two
                                         << QStringList{"[\n  [1,'x','y'], // one\n  [2,\n   'p', /* q */ 'q'],\n]",
                                                        "[[5,'a','b']]"}
                                         << true;
        QTest::newRow("new piece with a comment") << two << QStringList{"[1,'x','y']", "[1,/**/'x','y']"} << false;
        QTest::newRow("new piece over lines") << two << QStringList{"[1,'x','y']", "[1,\n'x','y']"} << false;
        QTest::newRow("new piece left open") << two << QStringList{"[1,'x','y']", "[1,'x','y'"} << false;
        QTest::newRow("new piece goes on") << two << QStringList{"[1,'x','y']", "[1,'x','y'] + 1"} << false;
        QTest::newRow("new piece another bracket") << two << QStringList{"[1,'x','y']", "(1,'x','y')"} << false;
        QTest::newRow("old piece no whole bracket") << two << QStringList{"1,'x','y'", "7,'x','y'"} << false;
        QTest::newRow("old text left open") << "var a = [[1,'x','y'],\n"
                                            << QStringList{"[1,'x','y']", "[2,'x','y']"} << false;
    }
    void retokenize() {
        QFETCH(QString, text);
        QFETCH(QStringList, pieces);
        QFETCH(bool, moved);
        QList<ScriptScan::Replacement> replaced;
        QString newText;
        qsizetype at = 0;
        for (qsizetype i = 0; i < pieces.size(); i += 2) {
            const qsizetype start = text.indexOf(pieces[i], at);
            QVERIFY(start >= 0);
            newText += text.mid(at, start - at) + pieces[i + 1];
            at = start + pieces[i].size();
            replaced.append({start, at, pieces[i + 1]});
        }
        newText += text.mid(at);
        ScriptScan::Scan scan = ScriptScan::tokenize(text);
        const QString before = dump(scan);
        QCOMPARE(ScriptScan::retokenize(scan, newText, replaced), moved);
        QCOMPARE(dump(scan), moved ? dump(ScriptScan::tokenize(newText)) : before);
    }

    // Every literal the engine reads gives the engine's value; the others give none.
    void values_data() {
        QTest::addColumn<QString>("literal");
        QTest::addColumn<bool>("reads");
        for (const char* s : {"'a'", "\"a'b\"", "'a\\'b'", "'\\u7acb\\u3063'", "'\\u{1F600}'", "'\\x41\\t\\n\\\\'",
                              "'a\\\nb'", "'\\0'", "'\\q'", "''", "'a, b [c]'", "\"\\\"\""})
            QTest::newRow(s) << QString(s) << true;
        for (const char* s : {"'\\1'", "'\\08'", "'\\8'", "'\\x4'", "'\\u12'", "'a", "'a\\'"})
            QTest::newRow(s) << QString(s) << false;
        for (const char* n : {"0", "73", "7.3e1", "1e3", "1E+3", ".5", "5.", "0x49", "0X1f", "0o17", "0b101", "010",
                              "08", "1_000", "0x1_0", "999999999999999"})
            QTest::newRow(n) << QString(n) << true;
        for (const char* n : {"10n", "1__0", "1_", "0x", "1e", "010.5", "08_1", "3in", "0b2"})
            QTest::newRow(n) << QString(n) << false;
    }
    void values() {
        QFETCH(QString, literal);
        QFETCH(bool, reads);
        const bool string = literal.startsWith('\'') || literal.startsWith('"');
        QJSEngine engine;
        const QJSValue engineValue = engine.evaluate("(" + literal + ")");
        if (string) {
            const std::optional<QString> v = ScriptScan::stringValue(literal);
            QCOMPARE(v.has_value(), reads);
            if (reads)
                QCOMPARE(*v, engineValue.toString());
        } else {
            const std::optional<double> v = ScriptScan::numberValue(literal);
            QCOMPARE(v.has_value(), reads);
            // The engine here knows neither separators nor the legacy forms a browser reads in a
            // script (010 is 8, 08 is 8); those are checked by hand.
            const bool legacy = literal.size() > 1 && literal[0] == '0' && literal[1].isDigit();
            if (reads && !literal.contains('_') && !legacy)
                QCOMPARE(*v, engineValue.toNumber());
        }
        if (literal == "1_000")
            QCOMPARE(*ScriptScan::numberValue(literal), 1000.0);
        if (literal == "010" || literal == "08")
            QCOMPARE(*ScriptScan::numberValue(literal), 8.0);
    }

    void markerLines_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("lines");
        const QString m = "/*M*/";
        QTest::newRow("own lines") << "a\n" + m + "\nb\n  " + m + "\t \r\nc" << QList<int>{2, 4};
        QTest::newRow("after text") << "x; " + m + "\n" << QList<int>{};
        QTest::newRow("at the end of a comment line") << "// see " + m + "\n" << QList<int>{};
        QTest::newRow("inside a comment across lines") << "/* old\n" + m + "\n" << QList<int>{};
        QTest::newRow("inside a string") << "s = '\\\n" + m + "';\n" << QList<int>{};
        QTest::newRow("inside a template") << "`\n" + m + "\n`" << QList<int>{};
    }
    void markerLines() {
        QFETCH(QString, text);
        QFETCH(QList<int>, lines);
        QList<int> found;
        for (const ScriptScan::Comment& c : ScriptScan::markerLines(text, ScriptScan::tokenize(text), "/*M*/"))
            found << int(c.line);
        QCOMPARE(found, lines);
    }
};

QTEST_GUILESS_MAIN(TestScriptTokenizer)

#include "tst_scripttokenizer.moc"
