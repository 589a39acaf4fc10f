// The CSS syntax the style sheet's colour block is read with: tokens and their spans, the shape of
// the sheet before a place (open blocks, rule preludes, the statement in progress), and declaration
// names with their escapes decoded. The expectations are what the browser reads.
#include "CssSyntax.h"

#include <QTest>

using CssSyntax::Token;

namespace {
// Bytes as a table shows them: blanks and line ends visible, other bytes beyond ASCII in hex.
QString visible(QByteArrayView t) {
    QString out;
    for (const char ch : t) {
        const uchar c = uchar(ch);
        if (c == ' ')
            out += u'·';
        else if (c == '\t')
            out += u'→';
        else if (c == '\n')
            out += u'↵';
        else if (c == '\f')
            out += u'␌';
        else if (c < 0x20 || c >= 0x80)
            out += QStringLiteral("<%1>").arg(c, 2, 16, QLatin1Char('0'));
        else
            out += QLatin1Char(ch);
    }
    return out;
}
} // namespace

class TestCssSyntax : public QObject {
    Q_OBJECT
private slots:
    // Each token as "kind:text", "…" after one the text ends inside: B blank, C comment, S string,
    // X string ended by a line end, D delimiter, W word. The text is read with its line ends made LF
    // first, as the browser does.
    void tokens_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("shiftJis");
        QTest::addColumn<QString>("tokens");
        QTest::newRow("rule") << QByteArray("body{color:red;}") << false << "W:body D:{ W:color D:: W:red D:; D:}";
        QTest::newRow("slash alone") << QByteArray("a/b") << false << "W:a D:/ W:b";

        QTest::newRow("comment between words") << QByteArray("a/**/b") << false << "W:a C:/**/ W:b";
        QTest::newRow("comment's opening star does not close it")
            << QByteArray("/*/ x */y") << false << "C:/*/·x·*/ W:y";
        QTest::newRow("comment left open") << QByteArray("a /* b") << false << "W:a B:· C:/*·b…";
        QTest::newRow("quote inside a comment") << QByteArray("/* ' */\"x\"") << false << "C:/*·'·*/ S:\"x\"";
        QTest::newRow("comment inside a string") << QByteArray("\"/*\" a") << false << "S:\"/*\" B:· W:a";

        QTest::newRow("both quote characters") << QByteArray("'a\"b' \"c'd\"") << false << "S:'a\"b' B:· S:\"c'd\"";
        QTest::newRow("escaped quote") << QByteArray("\"a\\\"b\" c") << false << "S:\"a\\\"b\" B:· W:c";
        QTest::newRow("escaped backslash before the quote")
            << QByteArray("\"a\\\\\" b") << false << "S:\"a\\\\\" B:· W:b";
        QTest::newRow("hex escape of a quote") << QByteArray("\"\\22 x\" y") << false << "S:\"\\22·x\" B:· W:y";
        QTest::newRow("string left open") << QByteArray("a \"b") << false << "W:a B:· S:\"b…";
        QTest::newRow("escape at the very end") << QByteArray("\"a\\") << false << "S:\"a\\…";
        QTest::newRow("line end ends a string") << QByteArray("\"a\nb\" c") << false << "X:\"a B:↵ W:b S:\"·c…";
        QTest::newRow("form feed ends a string") << QByteArray("'a\fb'") << false << "X:'a B:␌ W:b S:'…";
        QTest::newRow("CR LF ends a string") << QByteArray("\"a\r\nb\"") << false << "X:\"a B:↵ W:b S:\"…";
        QTest::newRow("escaped line end continues") << QByteArray("\"a\\\nb\" c") << false << "S:\"a\\↵b\" B:· W:c";
        QTest::newRow("escaped form feed continues") << QByteArray("\"a\\\fb\"") << false << "S:\"a\\␌b\"";
        QTest::newRow("escaped CR LF continues") << QByteArray("\"a\\\r\nb\"") << false << "S:\"a\\↵b\"";
        QTest::newRow("CR alone ends a line") << QByteArray("a\rb") << false << "W:a B:↵ W:b";

        QTest::newRow("escaped brace") << QByteArray("a\\{b {") << false << "W:a\\{b B:· D:{";
        QTest::newRow("escaped quote in a word") << QByteArray("a\\'b") << false << "W:a\\'b";
        QTest::newRow("hex escape takes one blank") << QByteArray("\\31 x") << false << "W:\\31·x";
        QTest::newRow("hex escape leaves the second blank") << QByteArray("\\31  x") << false << "W:\\31· B:· W:x";
        QTest::newRow("hex escape, six digits at most") << QByteArray("\\0000311 x") << false << "W:\\0000311 B:· W:x";
        QTest::newRow("backslash before a line end") << QByteArray("a\\\nb") << false << "W:a\\ B:↵ W:b";

        // 表 in Shift_JIS is 95 5C: its second byte is a backslash, which escapes nothing.
        QTest::newRow("Shift_JIS trail byte in a string")
            << QByteArray("\"\x95\\\" a") << true << "S:\"<95>\\\" B:· W:a";
        QTest::newRow("the same bytes, not Shift_JIS") << QByteArray("\"\x95\\\" a") << false << "S:\"<95>\\\"·a…";
        QTest::newRow("Shift_JIS trail byte in a word") << QByteArray("\x95\\{") << true << "W:<95>\\ D:{";
        QTest::newRow("the same word, not Shift_JIS") << QByteArray("\x95\\{") << false << "W:<95>\\{";
        // A byte no Shift_JIS character ends with is read again on its own, as the browser decodes.
        QTest::newRow("Shift_JIS lead byte before a quote") << QByteArray("\"\x82\" a") << true << "S:\"<82>\" B:· W:a";

        // An unquoted url() is one token up to its ")", a bad one (blank or quote inside) too.
        QTest::newRow("bad url with a blank") << QByteArray("url(a b) c") << false << "W:url(a·b) B:· W:c";
        QTest::newRow("bad url with a quote, in capitals")
            << QByteArray("URL(a\"b) c") << false << "W:URL(a\"b) B:· W:c";
        QTest::newRow("url hides braces and comments") << QByteArray("url(/*{*/) }") << false << "W:url(/*{*/) B:· D:}";
        QTest::newRow("escaped paren in a url") << QByteArray("url(a\\)b) c") << false << "W:url(a\\)b) B:· W:c";
        QTest::newRow("url left open") << QByteArray("url(a") << false << "W:url(a…";
        QTest::newRow("quoted url is a function")
            << QByteArray("url( 'a b' )") << false << "W:url D:( B:· S:'a·b' B:· D:)";
        QTest::newRow("longer name is a function") << QByteArray("xurl(a b)") << false << "W:xurl D:( W:a B:· W:b D:)";
        QTest::newRow("url named with an escape") << QByteArray("u\\72l(a b)") << false << "W:u\\72l(a·b)";
    }
    void tokens() {
        QFETCH(QByteArray, text);
        QFETCH(bool, shiftJis);
        QFETCH(QString, tokens);
        const QByteArray lf = CssSyntax::lineEndsLf(text);
        CssSyntax::Tokenizer tokenizer(lf, shiftJis);
        QStringList shown;
        qsizetype at = 0;
        Token token;
        while (tokenizer.next(token)) {
            // One after another, every byte in exactly one token.
            QCOMPARE(token.begin, at);
            QVERIFY(token.end > token.begin);
            at = token.end;
            shown << QString("?BCSXDW"[token.type]) + u':' +
                         visible(QByteArrayView(lf).sliced(token.begin, token.end - token.begin)) +
                         (token.open ? QStringLiteral("…") : QString());
        }
        QCOMPARE(at, lf.size());
        QCOMPARE(shown.join(u' '), tokens);
    }

    // The outline of the whole text: the brackets open at its end, each block's prelude as its rule
    // reads it ("|" between them), where the top-level statement in progress begins (the text from
    // there; "-" for none), whether the page cannot read that statement as a rule, the last token read.
    void outline_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("open");
        QTest::addColumn<QString>("preludes");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<bool>("broken");
        QTest::addColumn<QString>("last");
        QTest::newRow("style rule") << QByteArray("body { color: red") << QByteArray("{") << "body"
                                    << "body·{·color:·red" << false << "red";
        QTest::newRow("rule in a group") << QByteArray("@media screen {\n body {") << QByteArray("{{")
                                         << "@media screen|body"
                                         << "@media·screen·{↵·body·{" << false << "{";
        QTest::newRow("after a closed rule") << QByteArray("a { } b {") << QByteArray("{") << "b"
                                             << "b·{" << false << "{";
        QTest::newRow("after a closed group")
            << QByteArray("@media screen { a { } } body {") << QByteArray("{") << "body"
            << "body·{" << false << "{";
        QTest::newRow("at-rule ends at its ;") << QByteArray("@import 'x.css'; body {") << QByteArray("{") << "body"
                                               << "body·{" << false << "{";
        QTest::newRow("nothing in progress") << QByteArray("@import 'x.css'; a {}") << QByteArray() << ""
                                             << "-" << false << "}";
        QTest::newRow("selector runs on through ;") << QByteArray("a; body {") << QByteArray("{") << "a; body"
                                                    << "a;·body·{" << true << "{";
        QTest::newRow("stray } joins the selector") << QByteArray("a } body {") << QByteArray("{") << "a } body"
                                                    << "a·}·body·{" << true << "{";
        QTest::newRow("brace inside parentheses is no block")
            << QByteArray("body { x: f(a{b) ") << QByteArray("{({") << "body"
            << "body·{·x:·f(a{b)·" << false << ")";
        QTest::newRow("mismatched closer is an ordinary token") << QByteArray("a { [ } ]") << QByteArray("{") << "a"
                                                                << "a·{·[·}·]" << false << "]";
        QTest::newRow("url hides a brace") << QByteArray("body { b: url(x}) ") << QByteArray("{") << "body"
                                           << "body·{·b:·url(x})·" << false << "url(x})";
        QTest::newRow("string hides a brace") << QByteArray("a { b: '}' ") << QByteArray("{") << "a"
                                              << "a·{·b:·'}'·" << false << "'}'";
        QTest::newRow("escaped brace is no block") << QByteArray("a\\{ {") << QByteArray("{") << "a\\{"
                                                   << "a\\{·{" << false << "{";
        QTest::newRow("comment left open") << QByteArray("body { /* x") << QByteArray("{") << "body"
                                           << "body·{·/*·x" << true << "{";
        QTest::newRow("string left open") << QByteArray("a { b: 'x") << QByteArray("{") << "a"
                                          << "a·{·b:·'x" << true << ":";
        // In a group rule a selector runs on through ";"; in a style rule a ";" ends the declaration
        // before a nested rule; an at-rule ends at its ";" anywhere.
        QTest::newRow("group: selector runs on through ;")
            << QByteArray("@media screen { a; body {") << QByteArray("{{") << "@media screen|a; body"
            << "@media·screen·{·a;·body·{" << false << "{";
        QTest::newRow("style rule: declaration ends at ;")
            << QByteArray("body { a: b; c {") << QByteArray("{{") << "body|c"
            << "body·{·a:·b;·c·{" << false << "{";
        QTest::newRow("group: at-rule ends at ;")
            << QByteArray("@media screen { @import x; body {") << QByteArray("{{") << "@media screen|body"
            << "@media·screen·{·@import·x;·body·{" << false << "{";
        // HTML comment marks are passed over between the sheet's rules, and are part of a rule
        // anywhere else.
        QTest::newRow("HTML comment marks between rules")
            << QByteArray("<!-- a { } --> <!--body {") << QByteArray("{") << "body"
            << "body·{" << false << "{";
        QTest::newRow("HTML comment mark at the end") << QByteArray("a { }\n-->") << QByteArray() << ""
                                                      << "-" << false << "}";
        QTest::newRow("HTML comment mark in a selector")
            << QByteArray("a <!-- body {") << QByteArray("{") << "a <!-- body"
            << "a·<!--·body·{" << false << "{";
        QTest::newRow("HTML comment mark in a group")
            << QByteArray("@media screen { <!-- body {") << QByteArray("{{") << "@media screen|<!-- body"
            << "@media·screen·{·<!--·body·{" << false << "{";
        QTest::newRow("a word run into the mark begins after it")
            << QByteArray("<!--x body {") << QByteArray("{") << "x body"
            << "x·body·{" << false << "{";
        QTest::newRow("prelude: comments out, each blank one space, bad string as ;")
            << QByteArray("a /* x */\t b 'c\n{") << QByteArray("{") << "a  b ;"
            << "a·/*·x·*/→·b·'c↵{" << false << "{";
    }
    void outline() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, open);
        QFETCH(QString, preludes);
        QFETCH(QString, statement);
        QFETCH(bool, broken);
        QFETCH(QString, last);
        const CssSyntax::Outline o = CssSyntax::outline(text, false, text.size());
        QCOMPARE(o.open.kinds, open);
        QStringList shown;
        for (const CssSyntax::Frame& frame : o.frames) {
            QCOMPARE(text[frame.brace], '{');
            shown << QString::fromLatin1(CssSyntax::prelude(text, false, frame, false));
        }
        QCOMPARE(shown.join(u'|'), preludes);
        QCOMPARE(o.statement ? visible(QByteArrayView(text).sliced(*o.statement)) : QStringLiteral("-"), statement);
        QCOMPARE(o.broken, broken);
        QCOMPARE(visible(QByteArrayView(text).sliced(o.last.begin, o.last.end - o.last.begin)), last);
    }

    void decodedName_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("decoded");
        QTest::newRow("case") << QByteArray("Background-COLOR") << QByteArray("background-color");
        QTest::newRow("hex escape and its blank") << QByteArray("b\\61 ckground") << QByteArray("background");
        QTest::newRow("hex escape ended by the next") << QByteArray("\\62\\61 ck") << QByteArray("back");
        QTest::newRow("tab after a hex escape") << QByteArray("\\41\tb") << QByteArray("ab");
        QTest::newRow("six hex digits at most") << QByteArray("\\0000621") << QByteArray("b1");
        QTest::newRow("escaped letter") << QByteArray("c\\olor") << QByteArray("color");
        QTest::newRow("beyond ASCII, zero") << QByteArray("\\e9t\\0x") << QByteArray("\x80t\x80x");
        QTest::newRow("backslash at the end") << QByteArray("a\\") << QByteArray("a\\");
    }
    void decodedName() {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, decoded);
        QCOMPARE(CssSyntax::decodedName(name), decoded);
    }
};

QTEST_GUILESS_MAIN(TestCssSyntax)
#include "tst_csssyntax.moc"
