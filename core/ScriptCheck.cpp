#include "ScriptCheck.h"

#include "ScriptTokenizer.h"

#include <algorithm>

#include <QCryptographicHash>
#include <QJSEngine>
#include <QJSValue>
#include <QList>
#include <QLoggingCategory>
#include <QStringList>

namespace ScriptCheck {
namespace {
bool isDigit(QChar c, int base) {
    const int d = c.isDigit()                                    ? c.unicode() - u'0'
                  : (c.toLower() >= u'a' && c.toLower() <= u'f') ? c.toLower().unicode() - u'a' + 10
                                                                 : 99;
    return d < base;
}

// Digits of the base with separators only between two of them; at least one digit.
bool digitRun(QStringView t, qsizetype from, qsizetype to, int base) {
    if (from >= to)
        return false;
    for (qsizetype i = from; i < to; ++i) {
        if (t[i] == u'_') {
            if (i == from || i + 1 >= to || !isDigit(t[i - 1], base) || !isDigit(t[i + 1], base))
                return false;
        } else if (!isDigit(t[i], base)) {
            return false;
        }
    }
    return true;
}

// Whether a browser reads the numeric literal, and the checking engine might not: legacy octal
// and legacy decimal ("010", "08") in sloppy mode, numeric separators, BigInt.
bool needsStandIn(QStringView t, bool strict) {
    if (t.size() < 2)
        return false;
    const bool bigInt = t.endsWith(u'n');
    const QStringView n = bigInt ? t.chopped(1) : t;
    if (n.isEmpty())
        return false;
    if (n.size() > 1 && n[0] == u'0' && n[1].isDigit())
        return !bigInt && !strict && std::all_of(n.begin(), n.end(), [](QChar c) { return c.isDigit(); });
    if (n.size() > 2 && n[0] == u'0' && QStringLiteral("xXoObB").contains(n[1])) {
        const int base = QStringLiteral("xX").contains(n[1]) ? 16 : QStringLiteral("oO").contains(n[1]) ? 8 : 2;
        return digitRun(n, 2, n.size(), base) && (bigInt || n.contains(u'_'));
    }
    if (n.size() > 1 && n[0] == u'0' && n[1] == u'_')
        return false;
    if (bigInt)
        return digitRun(n, 0, n.size(), 10);
    if (!n.contains(u'_'))
        return false;
    // digits [. digits] [e [sign] digits], or . digits [...]
    qsizetype i = 0;
    auto run = [&](bool required) {
        const qsizetype from = i;
        while (i < n.size() && (n[i].isDigit() || n[i] == u'_'))
            ++i;
        return i > from ? digitRun(n, from, i, 10) : !required;
    };
    if (!run(n[0] != u'.'))
        return false;
    if (i < n.size() && n[i] == u'.') {
        ++i;
        if (!run(false))
            return false;
    }
    if (i < n.size() && (n[i] == u'e' || n[i] == u'E')) {
        ++i;
        if (i < n.size() && (n[i] == u'+' || n[i] == u'-'))
            ++i;
        if (!run(true))
            return false;
    }
    return i == n.size();
}

// A directive prologue holding "use strict" makes the whole script strict.
bool strictScript(const ScriptScan::Scan& scan) {
    for (const ScriptScan::Token& t : scan.tokens) {
        if (t.kind != ScriptScan::Kind::String)
            return false;
        if (scan.text(t) == u"'use strict'" || scan.text(t) == u"\"use strict\"")
            return true;
    }
    return false;
}

int lineOf(const QJSValue& error) {
    const QJSValue line = error.property(QStringLiteral("lineNumber"));
    return line.isNumber() ? line.toInt() : 0;
}

// Lines the engine puts before a function body it builds from text: found once, as the engine
// counts them.
int constructorLead(QJSEngine& engine) {
    static const int lead = [&engine] {
        const QJSValue e = engine.globalObject()
                               .property(QStringLiteral("Function"))
                               .callAsConstructor({QJSValue(QStringLiteral("\nlet a; let a;"))});
        return e.isError() && lineOf(e) >= 2 ? lineOf(e) - 2 : 0;
    }();
    return lead;
}
// Whether the word can name a variable: no reserved word, nor one strict mode keeps from changing.
bool isPlainName(QStringView word) {
    static const QStringList kReserved = {
        QStringLiteral("arguments"), QStringLiteral("await"),      QStringLiteral("break"),
        QStringLiteral("case"),      QStringLiteral("catch"),      QStringLiteral("class"),
        QStringLiteral("const"),     QStringLiteral("continue"),   QStringLiteral("debugger"),
        QStringLiteral("default"),   QStringLiteral("delete"),     QStringLiteral("do"),
        QStringLiteral("else"),      QStringLiteral("enum"),       QStringLiteral("eval"),
        QStringLiteral("export"),    QStringLiteral("extends"),    QStringLiteral("false"),
        QStringLiteral("finally"),   QStringLiteral("for"),        QStringLiteral("function"),
        QStringLiteral("if"),        QStringLiteral("implements"), QStringLiteral("import"),
        QStringLiteral("in"),        QStringLiteral("instanceof"), QStringLiteral("interface"),
        QStringLiteral("let"),       QStringLiteral("new"),        QStringLiteral("null"),
        QStringLiteral("of"),        QStringLiteral("package"),    QStringLiteral("private"),
        QStringLiteral("protected"), QStringLiteral("public"),     QStringLiteral("return"),
        QStringLiteral("static"),    QStringLiteral("super"),      QStringLiteral("switch"),
        QStringLiteral("this"),      QStringLiteral("throw"),      QStringLiteral("true"),
        QStringLiteral("try"),       QStringLiteral("typeof"),     QStringLiteral("var"),
        QStringLiteral("void"),      QStringLiteral("while"),      QStringLiteral("with"),
        QStringLiteral("yield")};
    return !kReserved.contains(word);
}

// Whether the ++ or -- at tokens[k] plainly changes a variable ("i++", "++i"): what it changes is
// then a reference, which the parser alone checks rightly. Properties, calls and the like are left
// to the compiler.
bool changesAName(const ScriptScan::Scan& scan, qsizetype k) {
    const QList<ScriptScan::Token>& t = scan.tokens;
    auto name = [&](qsizetype j) {
        return j >= 0 && j < t.size() && t[j].kind == ScriptScan::Kind::Ident && !t[j].escaped &&
               isPlainName(scan.text(j));
    };
    auto punct = [&](qsizetype j, QStringView p) {
        return j >= 0 && j < t.size() && t[j].kind == ScriptScan::Kind::Punct && scan.text(j) == p;
    };
    // After the name on its line, and the name no property.
    if (!t[k].lineBreakBefore && name(k - 1) && !punct(k - 2, u".") && !punct(k - 2, u"?.") &&
        !(k >= 2 && t[k - 2].kind == ScriptScan::Kind::Ident && scan.text(k - 2) == u"new"))
        return true;
    // Before the name, and nothing going on with it.
    if (!name(k + 1))
        return false;
    if (k + 2 >= t.size())
        return true;
    if (t[k + 2].kind == ScriptScan::Kind::Template)
        return false;
    for (const char16_t* p : {u"(", u".", u"?.", u"[", u"=>"})
        if (punct(k + 2, p))
            return false;
    return true;
}

bool isAssignment(const ScriptScan::Scan& scan, qsizetype k) {
    static const QStringList kAssign = {
        QStringLiteral("="),   QStringLiteral("+="),   QStringLiteral("-="),  QStringLiteral("*="),
        QStringLiteral("/="),  QStringLiteral("%="),   QStringLiteral("**="), QStringLiteral("<<="),
        QStringLiteral(">>="), QStringLiteral(">>>="), QStringLiteral("&="),  QStringLiteral("|="),
        QStringLiteral("^="),  QStringLiteral("&&="),  QStringLiteral("||="), QStringLiteral("?\?=")};
    return scan.tokens[k].kind == ScriptScan::Kind::Punct && kAssign.contains(scan.text(k));
}

// Whether a name is declared with let, const or class outside every bracket.
bool lexicalAtTopLevel(const ScriptScan::Scan& scan) {
    for (const ScriptScan::Token& t : scan.tokens)
        if (t.depth == 0 && t.kind == ScriptScan::Kind::Ident &&
            (scan.text(t) == u"let" || scan.text(t) == u"const" || scan.text(t) == u"class"))
            return true;
    return false;
}

// Whether the text holds what only the engine's compiler, not its parser, refuses: names declared
// twice (let, const, class), break and continue outside a loop or to no label, strict mode's rules,
// an assignment or ++ and -- to what is no reference. Compiling costs several times what parsing
// does, so a script of plain data and functions is only parsed.
bool needsCompile(const ScriptScan::Scan& scan) {
    static const QStringList kWords = {QStringLiteral("let"),   QStringLiteral("const"),    QStringLiteral("class"),
                                       QStringLiteral("break"), QStringLiteral("continue"), QStringLiteral("delete"),
                                       QStringLiteral("with"),  QStringLiteral("eval"),     QStringLiteral("arguments"),
                                       QStringLiteral("yield"), QStringLiteral("await"),    QStringLiteral("super")};
    const QList<ScriptScan::Token>& t = scan.tokens;
    for (qsizetype k = 0; k < t.size(); ++k) {
        switch (t[k].kind) {
        case ScriptScan::Kind::Ident:
            if (kWords.contains(scan.text(k)))
                return true;
            break;
        case ScriptScan::Kind::String:
            if (scan.text(k).mid(1, scan.text(k).size() - 2) == u"use strict")
                return true;
            break;
        case ScriptScan::Kind::Punct:
            if ((scan.text(k) == u"++" || scan.text(k) == u"--") && !changesAName(scan, k))
                return true;
            if (k > 0 && isAssignment(scan, k)) {
                const ScriptScan::Token& before = t[k - 1];
                if (before.kind != ScriptScan::Kind::Ident &&
                    (before.kind != ScriptScan::Kind::Punct || scan.text(before) != u"]"))
                    return true;
            }
            break;
        default:
            break;
        }
    }
    return false;
}

// A stand-in for a form the checking engine does not know: length characters at at become with.
struct Edit {
    qsizetype at, length;
    QString with;
};

// Optional chains ("a?.b") where something is written to, as browsers take them: a chain with "?."
// outside its brackets can be neither assigned to nor counted up or down, in parentheses too, while
// a property of a chain in parentheses can be ("(a?.b).c = 1"). The checking engine counts such
// chains up and down, and refuses that property, so both are decided here.
class OptionalTargets {
public:
    explicit OptionalTargets(const ScriptScan::Scan& scan) : m_scan(scan), t(scan.tokens) {}

    // An error where something is written to an optional chain; else, in edits, the stand-ins that
    // make plain for the engine the chains in parentheses whose property is written to.
    std::optional<SyntaxError> check(QList<Edit>& edits) const {
        for (qsizetype k = 0; k < t.size(); ++k) {
            if (t[k].kind != ScriptScan::Kind::Punct)
                continue;
            if (isAssignment(m_scan, k) && endsOperand(k - 1)) {
                const qsizetype first = chainBefore(k - 1);
                if (first >= 0 && optional(first, k - 1, edits))
                    return SyntaxError{t[first].line, QStringLiteral("Invalid left-hand side in assignment")};
            } else if (is(k, u"++") || is(k, u"--")) {
                // On the operand's line it counts the operand before it; after a line end, the next.
                if (!t[k].lineBreakBefore && endsOperand(k - 1)) {
                    const qsizetype first = chainBefore(k - 1);
                    if (first >= 0 && optional(first, k - 1, edits))
                        return SyntaxError{t[first].line,
                                           QStringLiteral("Invalid left-hand side expression in postfix operation")};
                } else if (const qsizetype last = chainAfter(k + 1); last >= 0 && optional(k + 1, last, edits)) {
                    return SyntaxError{t[k].line,
                                       QStringLiteral("Invalid left-hand side expression in prefix operation")};
                }
            }
        }
        return std::nullopt;
    }

private:
    bool is(qsizetype k, QStringView text) const {
        return k >= 0 && k < t.size() && t[k].kind == ScriptScan::Kind::Punct && m_scan.text(k) == text;
    }
    bool closer(qsizetype k) const { return is(k, u")") || is(k, u"]"); }
    bool opener(qsizetype k) const { return is(k, u"(") || is(k, u"["); }
    bool word(qsizetype k) const { return k >= 0 && k < t.size() && t[k].kind != ScriptScan::Kind::Punct; }
    // Whether tokens[k] can end an operand, so that a "(", "[" or template after it goes on with it.
    bool endsOperand(qsizetype k) const {
        static const QStringList kOperators = {
            QStringLiteral("return"), QStringLiteral("typeof"), QStringLiteral("instanceof"), QStringLiteral("in"),
            QStringLiteral("of"),     QStringLiteral("new"),    QStringLiteral("delete"),     QStringLiteral("void"),
            QStringLiteral("throw"),  QStringLiteral("case"),   QStringLiteral("do"),         QStringLiteral("else"),
            QStringLiteral("yield"),  QStringLiteral("await"),  QStringLiteral("if"),         QStringLiteral("while"),
            QStringLiteral("for"),    QStringLiteral("with"),   QStringLiteral("switch"),     QStringLiteral("catch")};
        // The parentheses of "if (...)" and the like hold no operand.
        if (is(k, u")")) {
            const qsizetype open = openerOf(k);
            static const QStringList kStatements = {QStringLiteral("if"),     QStringLiteral("while"),
                                                    QStringLiteral("for"),    QStringLiteral("with"),
                                                    QStringLiteral("switch"), QStringLiteral("catch")};
            return open >= 0 && !(open > 0 && t[open - 1].kind == ScriptScan::Kind::Ident &&
                                  kStatements.contains(m_scan.text(open - 1)));
        }
        if (closer(k))
            return true;
        return word(k) && !(t[k].kind == ScriptScan::Kind::Ident && kOperators.contains(m_scan.text(k)));
    }
    // The bracket that pairs with the one at k: the nearest token at its depth.
    qsizetype openerOf(qsizetype close) const {
        for (qsizetype i = close - 1; i >= 0; --i)
            if (t[i].depth == t[close].depth)
                return opener(i) ? i : -1;
        return -1;
    }
    qsizetype closerOf(qsizetype open) const {
        for (qsizetype i = open + 1; i < t.size(); ++i)
            if (t[i].depth == t[open].depth)
                return closer(i) ? i : -1;
        return -1;
    }
    // The first token of the chain (a name, then properties, indexes, calls) that ends at last;
    // -1 where no chain ends there.
    qsizetype chainBefore(qsizetype last) const {
        for (qsizetype j = last;;) {
            const qsizetype first = closer(j) ? openerOf(j) : word(j) ? j : -1;
            if (first < 0)
                return -1;
            const qsizetype before = first - 1;
            const bool link = is(before, u".") || is(before, u"?.");
            if ((link && !closer(j)) || (closer(j) && is(before, u"?."))) {
                j = before - 1; // ".b", "?.b", "?.[i]", "?.(x)"
            } else if ((closer(j) || t[j].kind == ScriptScan::Kind::Template) && endsOperand(before)) {
                j = before; // an index, a call, a tagged template
            } else {
                return first;
            }
        }
    }
    // The last token of the chain that begins at first; -1 where none begins there.
    qsizetype chainAfter(qsizetype first) const {
        qsizetype j = opener(first) ? closerOf(first) : word(first) ? first : -1;
        while (j >= 0) {
            if ((is(j + 1, u".") || is(j + 1, u"?.")) && word(j + 2))
                j += 2;
            else if (is(j + 1, u"?.") && opener(j + 2))
                j = closerOf(j + 2);
            else if (opener(j + 1))
                j = closerOf(j + 1);
            else if (word(j + 1) && t[j + 1].kind == ScriptScan::Kind::Template)
                j += 1;
            else
                return j;
        }
        return -1;
    }
    // The "?." of the chain [first, last] outside its brackets.
    QList<qsizetype> links(qsizetype first, qsizetype last) const {
        QList<qsizetype> found;
        for (qsizetype k = first; k <= last; ++k)
            if (t[k].depth == t[first].depth && is(k, u"?."))
                found.append(k);
        return found;
    }
    // Whether the chain [first, last], written to, is an optional chain.
    bool optional(qsizetype first, qsizetype last, QList<Edit>& edits) const {
        if (!links(first, last).isEmpty())
            return true;
        // A chain wholly in parentheses: the chain they hold.
        qsizetype close = is(first, u"(") ? closerOf(first) : -1;
        if (close < 0 || close == first + 1 || chainBefore(close - 1) != first + 1)
            return false;
        if (close == last)
            return optional(first + 1, close - 1, edits);
        // A property of it: the chain in the parentheses is only read.
        while (is(first + 1, u"(") && closerOf(first + 1) == close - 1 && chainBefore(close - 2) == first + 2) {
            ++first;
            --close;
        }
        for (const qsizetype k : links(first + 1, close - 1))
            edits.append({t[k].start, 2,
                          opener(k + 1) || t[k + 1].kind == ScriptScan::Kind::Template ? QStringLiteral("  ")
                                                                                       : QStringLiteral(". ")});
        return false;
    }

    const ScriptScan::Scan& m_scan;
    const QList<ScriptScan::Token>& t;
};

// The text from..to with the stand-ins made; edit is the first of edits (in order) not yet past.
QString withStandIns(const QString& script, const QList<Edit>& edits, qsizetype from, qsizetype to, qsizetype& edit) {
    QString out;
    out.reserve(to - from + 16);
    qsizetype at = from;
    for (; edit < edits.size() && edits[edit].at < to; ++edit) {
        out += QStringView(script).sliced(at, edits[edit].at - at);
        out += edits[edit].with;
        at = edits[edit].at + edits[edit].length;
    }
    out += QStringView(script).sliced(at, to - at);
    return out;
}

// The length of text the parser takes at once, when the script is longer.
constexpr qsizetype kPiece = 256 * 1024;

// The compiler's warnings (a name used before its declaration) are no concern of the page's.
void quietCompiler() {
    static const bool once = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("qt.qml.compiler.warning=false"));
        return true;
    }();
    (void)once;
}
} // namespace

std::optional<SyntaxError> check(const QString& script) {
    return check(script, ScriptScan::tokenize(script));
}

std::optional<SyntaxError> check(const QString& script, const ScriptScan::Scan& scan, Parsed* parsed) {
    Parsed known;
    if (parsed)
        std::swap(known, *parsed);
    const bool strict = strictScript(scan);
    // Forms browsers read that the checking engine does not know are given to it in a form it does,
    // on the same lines: async functions and await, logical assignment, catch without a binding, the
    // regular expression flag "s", spread and rest in objects, and the number forms above.
    QList<Edit> edits;
    // A byte order mark decoded into the text is no character of the script's.
    if (script.startsWith(QChar(0xFEFF)))
        edits.append({0, 1, QStringLiteral(" ")});
    const QList<ScriptScan::Token>& tokens = scan.tokens;
    auto is = [&tokens, &scan](qsizetype k, QStringView text) {
        return k >= 0 && k < tokens.size() && scan.text(k) == text;
    };
    auto afterDot = [&](qsizetype k) { return is(k - 1, u".") || is(k - 1, u"?."); };
    bool async = false;
    // The bracket open at each depth, which tells an object's "..." from an array's or a call's.
    QList<QChar> openAt;
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        const ScriptScan::Token& t = tokens[k];
        if (t.kind == ScriptScan::Kind::Punct || t.kind == ScriptScan::Kind::Template) {
            const QStringView text = scan.text(t);
            const bool opens = t.kind == ScriptScan::Kind::Template ? text.endsWith(u"${")
                                                                    : text == u"(" || text == u"[" || text == u"{";
            if (opens) {
                if (openAt.size() <= t.depth)
                    openAt.resize(t.depth + 1);
                openAt[t.depth] = t.kind == ScriptScan::Kind::Template ? u'$' : text[0];
            } else if (text == u"..." && t.depth > 0 && t.depth <= openAt.size() && openAt[t.depth - 1] == u'{') {
                // Spread and rest in an object ({...a}, {a, ...r} = o) take what a property of no
                // name takes: the same expression, or the same target.
                edits.append({t.start, 3, QStringLiteral("\"\":")});
            }
        }
        if (t.kind == ScriptScan::Kind::Number && needsStandIn(scan.text(t), strict))
            edits.append({t.start, t.end - t.start, QString(t.end - t.start, u'1')});
        else if (t.kind == ScriptScan::Kind::Ident && scan.text(t) == u"async" && !afterDot(k) &&
                 k + 1 < tokens.size() && !tokens[k + 1].lineBreakBefore &&
                 (is(k + 1, u"function") || is(k + 1, u"(") ||
                  (tokens[k + 1].kind == ScriptScan::Kind::Ident && is(k + 2, u"=>")))) {
            edits.append({t.start, 5, QString(5, u' ')});
            async = true;
        } else if (t.kind == ScriptScan::Kind::Punct &&
                   (scan.text(t) == u"||=" || scan.text(t) == u"&&=" || scan.text(t) == u"?\?=")) {
            edits.append({t.start, 2, QStringLiteral("  ")});
        } else if (t.kind == ScriptScan::Kind::Ident && scan.text(t) == u"catch" && is(k + 1, u"{")) {
            edits.append({t.end, 0, QStringLiteral("(_)")});
        } else if (t.kind == ScriptScan::Kind::Regex) {
            const qsizetype flags = scan.text(t).lastIndexOf(u'/') + 1;
            if (const qsizetype sFlag = scan.text(t).indexOf(u's', flags); sFlag >= flags)
                edits.append({t.start + sFlag, 1, QString()});
        }
        // A function body would take it; a script does not. "a.return" is a property name.
        if (t.kind == ScriptScan::Kind::Ident && scan.text(t) == u"return" && t.depth == 0 && !afterDot(k))
            return SyntaxError{t.line, QStringLiteral("Illegal return statement")};
    }
    if (script.contains(u"?."))
        if (std::optional<SyntaxError> error = OptionalTargets(scan).check(edits))
            return error;
    // Outside async functions "await" is a name (var await = 1): only the operator goes.
    if (async)
        for (qsizetype k = 0; k < tokens.size(); ++k)
            if (tokens[k].kind == ScriptScan::Kind::Ident && scan.text(k) == u"await" && !afterDot(k) &&
                !is(k + 1, u"=") && !is(k + 1, u",") && !is(k + 1, u";") && !is(k - 1, u"var"))
                edits.append({tokens[k].start, 5, QString(5, u' ')});
    std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.at < b.at; });
    // No stand-in holds a line end.
    const qsizetype lines = script.count(u'\n') + 1;

    quietCompiler();
    // Made only when something is to be parsed.
    std::optional<QJSEngine> madeEngine;
    auto engineNow = [&madeEngine]() -> QJSEngine& {
        if (!madeEngine)
            madeEngine.emplace();
        return *madeEngine;
    };
    // The parser alone, in a wrapper that can never be a whole script ("@" is no token anywhere
    // outside a string, comment or template), so nothing runs whatever brackets the text holds: a
    // text that parses ends at the "@", lines + 3. Whether it got there, and the error when not.
    auto parse = [&engineNow](const QString& probe, qsizetype probeLines) {
        const QJSValue parsed =
            engineNow().evaluate(QStringLiteral("(function(){\n") + probe + QStringLiteral("\n})\n@"));
        struct {
            std::optional<SyntaxError> error;
            bool escapes;
        } out{std::nullopt, false};
        const qsizetype line = lineOf(parsed) - 1;
        if (parsed.isError() && line >= 1 && line <= probeLines)
            out.error = SyntaxError{line, parsed.property(QStringLiteral("message")).toString()};
        else
            out.escapes = !parsed.isError() || line != probeLines + 2;
        return out;
    };
    bool escapes = scan.brokenLine > 0;
    // A big script is parsed in pieces of whole lines that end with a top-level ";": pieces that
    // each parse make a whole that parses, and the parser's memory grows with the piece, not the
    // file. A piece that does not parse sends the whole text to the parser, for its error as the
    // whole gives it.
    bool parsedInPieces = false;
    QList<std::pair<qsizetype, qsizetype>> pieces; // from, to
    if (!escapes && script.size() > kPiece) {
        parsedInPieces = true;
        qsizetype from = 0, edit = 0;
        for (qsizetype k = 0; k <= tokens.size() && parsedInPieces; ++k) {
            const bool last = k == tokens.size();
            qsizetype to = script.size();
            if (!last) {
                if (tokens[k].kind != ScriptScan::Kind::Punct || tokens[k].depth != 0 ||
                    tokens[k].end - from < kPiece || scan.text(k) != u";")
                    continue;
                qsizetype end = tokens[k].end;
                while (end < script.size() && (script[end] == u' ' || script[end] == u'\t'))
                    ++end;
                if (end < script.size() && script[end] != u'\n' && script[end] != u'\r')
                    continue;
                to = ScriptScan::pastLine(script, end);
            }
            pieces.append({from, to});
            const QString piece = withStandIns(script, edits, from, to, edit);
            const QByteArray digest =
                QCryptographicHash::hash(QByteArrayView(reinterpret_cast<const char*>(piece.constData()),
                                                        piece.size() * qsizetype(sizeof(QChar))),
                                         QCryptographicHash::Sha1);
            from = to;
            if (known.pieces.contains(digest)) {
                if (parsed)
                    parsed->pieces.insert(digest);
                continue;
            }
            const auto result = parse(piece, piece.count(u'\n') + 1);
            parsedInPieces = !result.error;
            escapes = escapes || result.escapes;
            if (parsed && !result.error && !result.escapes)
                parsed->pieces.insert(digest);
        }
    }
    QString probe;
    if (!parsedInPieces) {
        qsizetype edit = 0;
        probe = withStandIns(script, edits, 0, script.size(), edit);
        if (parsed)
            parsed->pieces.clear();
        const auto result = parse(probe, lines);
        if (result.error)
            return result.error;
        escapes = escapes || result.escapes;
    }
    if (!escapes && !needsCompile(scan))
        return std::nullopt;
    // The compiler takes the pieces too where none can refuse what another holds: no strict mode
    // for the whole, no name declared with let, const or class at the top level (which a "var" or
    // a function anywhere else could declare again). A piece refused sends the whole text to it.
    if (parsedInPieces && !escapes && !strict && !lexicalAtTopLevel(scan)) {
        bool compiled = true;
        qsizetype edit = 0;
        for (const auto& [from, to] : pieces) {
            const QString piece = withStandIns(script, edits, from, to, edit);
            const QByteArray digest =
                QCryptographicHash::hash(QByteArrayView(reinterpret_cast<const char*>(piece.constData()),
                                                        piece.size() * qsizetype(sizeof(QChar))),
                                         QCryptographicHash::Sha1) +
                "compiled";
            if (!known.pieces.contains(digest) && engineNow()
                                                      .globalObject()
                                                      .property(QStringLiteral("Function"))
                                                      .callAsConstructor({QJSValue(piece)})
                                                      .isError()) {
                compiled = false;
                break;
            }
            if (parsed)
                parsed->pieces.insert(digest);
        }
        if (compiled)
            return std::nullopt;
    }
    if (parsedInPieces) {
        qsizetype edit = 0;
        probe = withStandIns(script, edits, 0, script.size(), edit);
    }
    // The Function constructor compiles the text as a body and runs none of it, whatever brackets
    // the text holds; its early errors (a name declared twice) carry their line.
    const QJSValue built =
        engineNow().globalObject().property(QStringLiteral("Function")).callAsConstructor({QJSValue(probe)});
    if (!built.isError())
        return std::nullopt;
    const QString words = built.property(QStringLiteral("message")).toString();
    if (const int line = lineOf(built) - constructorLead(engineNow()); line >= 1 && line <= lines)
        return SyntaxError{line, words};
    return SyntaxError{scan.brokenLine > 0 ? scan.brokenLine : lines, words};
}
} // namespace ScriptCheck
