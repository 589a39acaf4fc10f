#include "ScriptCheck.h"

#include "ScriptScan.h"

#include <algorithm>

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
bool digitRun(const QString& t, qsizetype from, qsizetype to, int base) {
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
bool needsStandIn(const QString& t, bool strict) {
    if (t.size() < 2)
        return false;
    const bool bigInt = t.endsWith(u'n');
    const QString n = bigInt ? t.chopped(1) : t;
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
        if (t.text == u"'use strict'" || t.text == u"\"use strict\"")
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
// Whether the text holds what only the engine's compiler, not its parser, refuses: names declared
// twice (let, const, class), break and continue outside a loop or to no label, strict mode's rules,
// an assignment or ++ and -- to what is no reference. Compiling costs several times what parsing
// does, so a script of plain data and functions is only parsed.
bool needsCompile(const ScriptScan::Scan& scan) {
    static const QStringList kWords = {QStringLiteral("let"),   QStringLiteral("const"),    QStringLiteral("class"),
                                       QStringLiteral("break"), QStringLiteral("continue"), QStringLiteral("delete"),
                                       QStringLiteral("with"),  QStringLiteral("eval"),     QStringLiteral("arguments"),
                                       QStringLiteral("yield"), QStringLiteral("await"),    QStringLiteral("super")};
    static const QStringList kAssign = {
        QStringLiteral("="),   QStringLiteral("+="),   QStringLiteral("-="),  QStringLiteral("*="),
        QStringLiteral("/="),  QStringLiteral("%="),   QStringLiteral("**="), QStringLiteral("<<="),
        QStringLiteral(">>="), QStringLiteral(">>>="), QStringLiteral("&="),  QStringLiteral("|="),
        QStringLiteral("^="),  QStringLiteral("&&="),  QStringLiteral("||="), QStringLiteral("?\?=")};
    const QList<ScriptScan::Token>& t = scan.tokens;
    for (qsizetype k = 0; k < t.size(); ++k) {
        switch (t[k].kind) {
        case ScriptScan::Kind::Ident:
            if (kWords.contains(t[k].text))
                return true;
            break;
        case ScriptScan::Kind::String:
            if (t[k].text.mid(1, t[k].text.size() - 2) == u"use strict")
                return true;
            break;
        case ScriptScan::Kind::Punct:
            if (t[k].text == u"++" || t[k].text == u"--")
                return true;
            if (k > 0 && kAssign.contains(t[k].text)) {
                const ScriptScan::Token& before = t[k - 1];
                if (before.kind != ScriptScan::Kind::Ident &&
                    (before.kind != ScriptScan::Kind::Punct || before.text != u"]"))
                    return true;
            }
            break;
        default:
            break;
        }
    }
    return false;
}

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

std::optional<SyntaxError> check(const QString& script, const ScriptScan::Scan& scan) {
    const bool strict = strictScript(scan);
    QString probe = script;
    // A byte order mark decoded into the text is no character of the script's.
    if (probe.startsWith(QChar(0xFEFF)))
        probe[0] = u' ';
    // Forms browsers read that the checking engine does not know are given to it in a form it does,
    // on the same lines: async functions and await, logical assignment, catch without a binding, the
    // regular expression flag "s", and the number forms above.
    struct Edit {
        qsizetype at, length;
        QString with;
    };
    QList<Edit> edits;
    const QList<ScriptScan::Token>& tokens = scan.tokens;
    auto is = [&tokens](qsizetype k, QStringView text) {
        return k >= 0 && k < tokens.size() && tokens[k].text == text;
    };
    auto afterDot = [&](qsizetype k) { return is(k - 1, u".") || is(k - 1, u"?."); };
    bool async = false;
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        const ScriptScan::Token& t = tokens[k];
        if (t.kind == ScriptScan::Kind::Number && needsStandIn(t.text, strict))
            edits.append({t.start, t.end - t.start, QString(t.end - t.start, u'1')});
        else if (t.kind == ScriptScan::Kind::Ident && t.text == u"async" && !afterDot(k) && k + 1 < tokens.size() &&
                 !tokens[k + 1].lineBreakBefore &&
                 (is(k + 1, u"function") || is(k + 1, u"(") ||
                  (tokens[k + 1].kind == ScriptScan::Kind::Ident && is(k + 2, u"=>")))) {
            edits.append({t.start, 5, QString(5, u' ')});
            async = true;
        } else if (t.kind == ScriptScan::Kind::Punct && (t.text == u"||=" || t.text == u"&&=" || t.text == u"?\?=")) {
            edits.append({t.start, 2, QStringLiteral("  ")});
        } else if (t.kind == ScriptScan::Kind::Ident && t.text == u"catch" && is(k + 1, u"{")) {
            edits.append({t.end, 0, QStringLiteral("(_)")});
        } else if (t.kind == ScriptScan::Kind::Regex) {
            const qsizetype flags = t.text.lastIndexOf(u'/') + 1;
            if (const qsizetype sFlag = t.text.indexOf(u's', flags); sFlag >= flags)
                edits.append({t.start + sFlag, 1, QString()});
        }
        // A function body would take it; a script does not. "a.return" is a property name.
        if (t.kind == ScriptScan::Kind::Ident && t.text == u"return" && t.depth == 0 && !afterDot(k))
            return SyntaxError{t.line, QStringLiteral("Illegal return statement")};
    }
    // Outside async functions "await" is a name (var await = 1): only the operator goes.
    if (async)
        for (qsizetype k = 0; k < tokens.size(); ++k)
            if (tokens[k].kind == ScriptScan::Kind::Ident && tokens[k].text == u"await" && !afterDot(k) &&
                !is(k + 1, u"=") && !is(k + 1, u",") && !is(k + 1, u";") && !is(k - 1, u"var"))
                edits.append({tokens[k].start, 5, QString(5, u' ')});
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.at > b.at; });
    for (const Edit& e : edits)
        probe.replace(e.at, e.length, e.with);
    const qsizetype lines = probe.count(u'\n') + 1;

    quietCompiler();
    QJSEngine engine;
    // The parser alone, in a wrapper that can never be a whole script ("@" is no token anywhere
    // outside a string, comment or template), so nothing runs whatever brackets the text holds: a
    // text that parses ends at the "@", lines + 3.
    const QJSValue parsed = engine.evaluate(QStringLiteral("(function(){\n") + probe + QStringLiteral("\n})\n@"));
    const qsizetype parsedLine = lineOf(parsed) - 1;
    if (parsed.isError() && parsedLine >= 1 && parsedLine <= lines)
        return SyntaxError{parsedLine, parsed.property(QStringLiteral("message")).toString()};
    const bool escapes = !parsed.isError() || parsedLine != lines + 2 || scan.brokenLine > 0;
    if (!escapes && !needsCompile(scan))
        return std::nullopt;
    // The Function constructor compiles the text as a body and runs none of it, whatever brackets
    // the text holds; its early errors (a name declared twice) carry their line.
    const QJSValue built =
        engine.globalObject().property(QStringLiteral("Function")).callAsConstructor({QJSValue(probe)});
    if (!built.isError())
        return std::nullopt;
    const QString words = built.property(QStringLiteral("message")).toString();
    if (const int line = lineOf(built) - constructorLead(engine); line >= 1 && line <= lines)
        return SyntaxError{line, words};
    return SyntaxError{scan.brokenLine > 0 ? scan.brokenLine : lines, words};
}
} // namespace ScriptCheck
