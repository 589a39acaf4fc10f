#include "ScriptStatements.h"

namespace ScriptScan {
namespace {

bool isAssignment(QStringView p) {
    static const QStringList ops = {
        QStringLiteral("="),   QStringLiteral("+="),   QStringLiteral("-="),  QStringLiteral("*="),
        QStringLiteral("/="),  QStringLiteral("%="),   QStringLiteral("**="), QStringLiteral("<<="),
        QStringLiteral(">>="), QStringLiteral(">>>="), QStringLiteral("&="),  QStringLiteral("|="),
        QStringLiteral("^="),  QStringLiteral("&&="),  QStringLiteral("||="), QStringLiteral("?\?=")};
    return ops.contains(p);
}

bool is(const Scan& scan, qsizetype at, const char16_t* text) {
    const QList<Token>& t = scan.tokens;
    return at >= 0 && at < t.size() && t[at].kind == Kind::Punct && scan.text(at) == text;
}

bool isIdent(const Scan& scan, qsizetype at, const char16_t* text) {
    const QList<Token>& t = scan.tokens;
    return at >= 0 && at < t.size() && t[at].kind == Kind::Ident && scan.text(at) == text;
}

bool isGlobalObject(const Scan& scan, qsizetype at) {
    const QList<Token>& t = scan.tokens;
    if (at < 0 || at >= t.size() || t[at].kind != Kind::Ident || is(scan, at - 1, u".") || is(scan, at - 1, u"?."))
        return false;
    static const QStringList globals = {
        QStringLiteral("window"), QStringLiteral("globalThis"), QStringLiteral("self"),  QStringLiteral("this"),
        QStringLiteral("top"),    QStringLiteral("parent"),     QStringLiteral("frames")};
    return globals.contains(scan.text(at));
}

// The first and the one-after-last token of the reference to the name at k.
std::pair<qsizetype, qsizetype> reference(const Scan& scan, qsizetype k) {
    const QList<Token>& t = scan.tokens;
    if (t[k].kind == Kind::String)
        return {k - 2, k + 2}; // window['name']
    if (is(scan, k - 1, u".") || is(scan, k - 1, u"?."))
        return {k - 2, k + 1}; // window.name
    return {k, k + 1};
}

bool isMutator(QStringView method) {
    static const QStringList methods = {
        QStringLiteral("push"),    QStringLiteral("pop"),    QStringLiteral("shift"),
        QStringLiteral("unshift"), QStringLiteral("splice"), QStringLiteral("sort"),
        QStringLiteral("reverse"), QStringLiteral("fill"),   QStringLiteral("copyWithin")};
    return methods.contains(method);
}

} // namespace

bool names(const Scan& scan, qsizetype k, QStringView name) {
    const QList<Token>& t = scan.tokens;
    if (k < 0 || k >= t.size())
        return false;
    if (t[k].kind == Kind::String)
        return is(scan, k - 1, u"[") && is(scan, k + 1, u"]") && isGlobalObject(scan, k - 2) &&
               stringValue(scan.text(k)) == name;
    if (t[k].kind != Kind::Ident || scan.text(k) != name)
        return false;
    if (is(scan, k - 1, u".") || is(scan, k - 1, u"?."))
        return isGlobalObject(scan, k - 2);
    return true;
}

bool declaredLexically(const Scan& scan, qsizetype k) {
    const QList<Token>& t = scan.tokens;
    if (t[k].kind != Kind::Ident || is(scan, k - 1, u".") || is(scan, k - 1, u"?."))
        return false;
    if (isIdent(scan, k - 1, u"class") && t[k].depth == 0)
        return true;
    // Back to the statement's keyword; from there, names are bound up to each "=" of the list at
    // the top level (destructuring brackets included), and again after each ",".
    qsizetype keyword = k - 1;
    for (; keyword >= 0; --keyword) {
        const Token& tok = t[keyword];
        if (tok.depth != 0)
            continue;
        if (tok.kind == Kind::Ident && (scan.text(tok) == u"let" || scan.text(tok) == u"const"))
            break;
        if (tok.kind == Kind::Punct && (scan.text(tok) == u";" || scan.text(tok) == u"}" || scan.text(tok) == u"{"))
            return false;
    }
    if (keyword < 0)
        return false;
    bool binding = true;
    for (qsizetype j = keyword + 1; j < k; ++j)
        if (t[j].depth == 0 && t[j].kind == Kind::Punct && (scan.text(j) == u"=" || scan.text(j) == u","))
            binding = scan.text(j) == u",";
    return binding;
}

bool changes(const Scan& scan, qsizetype k) {
    const QList<Token>& t = scan.tokens;
    if (declaredLexically(scan, k))
        return true;
    const auto [first, after] = reference(scan, k);
    if (is(scan, first - 1, u"++") || is(scan, first - 1, u"--") || isIdent(scan, first - 1, u"delete"))
        return true;
    qsizetype j = after;
    while (j < t.size()) {
        if ((is(scan, j, u".") || is(scan, j, u"?.")) && j + 1 < t.size() && t[j + 1].kind == Kind::Ident) {
            if (isMutator(scan.text(j + 1)) && is(scan, j + 2, u"("))
                return true;
            j += 2;
        } else if (is(scan, j, u"[") || is(scan, j, u"(")) {
            j = closing(scan, j) + 1;
        } else {
            break;
        }
    }
    return j < t.size() && t[j].kind == Kind::Punct &&
           (isAssignment(scan.text(j)) || ((scan.text(j) == u"++" || scan.text(j) == u"--") && !t[j].lineBreakBefore));
}

bool openBefore(const Scan& scan, qsizetype k) {
    const QList<Token>& t = scan.tokens;
    // Something left open before this point swallows what follows.
    if (scan.brokenAt >= 0 && (k >= t.size() || scan.brokenAt < t[k].start))
        return true;
    if (k < t.size() && t[k].depth > 0)
        return true;
    if (k == 0)
        return false;
    const Token& last = t[k - 1];
    // What follows would be the body of a condition or a loop, or would run on an unfinished expression.
    if (last.kind == Kind::Ident)
        return scan.text(last) == u"else" || scan.text(last) == u"do" || beginsExpression(scan.text(last)) ||
               scan.text(last) == u"var" || scan.text(last) == u"let" || scan.text(last) == u"const";
    if (last.kind == Kind::Template)
        return scan.text(last).endsWith(QStringLiteral("${"));
    if (last.kind != Kind::Punct)
        return false;
    if (scan.text(last) == u")") {
        qsizetype open = k - 2;
        while (open >= 0 && !(is(scan, open, u"(") && t[open].depth == last.depth))
            --open;
        return open > 0 && t[open - 1].kind == Kind::Ident && isControlWord(scan.text(open - 1));
    }
    return scan.text(last) != u";" && scan.text(last) != u"}" && scan.text(last) != u"]" && scan.text(last) != u"++" &&
           scan.text(last) != u"--";
}

bool startsStatement(const Scan& scan, qsizetype k) {
    const QList<Token>& t = scan.tokens;
    if (k >= t.size())
        return true;
    if (t[k].kind == Kind::Ident)
        return scan.text(k) != u"in" && scan.text(k) != u"instanceof";
    if (t[k].kind != Kind::Punct)
        return true;
    // What only goes on with an expression or closes a bracket.
    static const QStringList starters = {QStringLiteral("("),  QStringLiteral("["),   QStringLiteral("{"),
                                         QStringLiteral(";"),  QStringLiteral("+"),   QStringLiteral("-"),
                                         QStringLiteral("!"),  QStringLiteral("~"),   QStringLiteral("++"),
                                         QStringLiteral("--"), QStringLiteral("..."), QStringLiteral("#")};
    return starters.contains(scan.text(k));
}

bool valueEnds(const Scan& scan, qsizetype k) {
    const QList<Token>& t = scan.tokens;
    if (k >= t.size())
        return true;
    const Token& next = t[k];
    if (next.kind == Kind::Punct && (scan.text(next) == u";" || scan.text(next) == u"," || scan.text(next) == u")" ||
                                     scan.text(next) == u"]" || scan.text(next) == u"}"))
        return true;
    if (!next.lineBreakBefore)
        return false;
    // On a new line, what cannot go on with the expression begins a statement of its own.
    switch (next.kind) {
    case Kind::Ident:
        return scan.text(next) != u"in" && scan.text(next) != u"instanceof";
    case Kind::String:
    case Kind::Number:
        return true;
    case Kind::Punct:
        return scan.text(next) == u"{" || scan.text(next) == u"++" || scan.text(next) == u"--" ||
               scan.text(next) == u"!" || scan.text(next) == u"~";
    default:
        return false;
    }
}

QList<Element> elements(const Scan& scan, qsizetype open) {
    const QList<Token>& t = scan.tokens;
    const qsizetype close = closing(scan, open);
    const int inner = t[open].depth + 1;
    auto comma = [&](qsizetype k) { return is(scan, k, u",") && t[k].depth == inner; };
    QList<Element> out;
    qsizetype k = open + 1;
    while (k < close) {
        if (comma(k)) {
            out.append(Element{});
            ++k;
            continue;
        }
        const qsizetype first = k;
        while (k < close && !comma(k))
            ++k;
        out.append(Element{first, k});
        if (k < close)
            ++k; // the comma after it
    }
    return out;
}

std::optional<qsizetype> arrayOf(const Scan& scan, const Element& e) {
    if (e.hole() || !is(scan, e.first, u"[") || closing(scan, e.first) != e.last - 1)
        return std::nullopt;
    return e.first;
}

Literal literalOf(const QString& text, const Scan& scan, const Element& e) {
    if (e.hole())
        return {Literal::Hole, QString()};
    const QList<Token>& t = scan.tokens;
    const QString source = text.mid(t[e.first].start, t[e.last - 1].end - t[e.first].start);
    const qsizetype n = e.last - e.first;
    if (n == 1 && t[e.first].kind == Kind::String)
        if (const std::optional<QString> v = stringValue(scan.text(e.first)))
            return {Literal::String, *v};
    if (n == 1 && t[e.first].kind == Kind::Number)
        if (const std::optional<double> v = numberValue(scan.text(e.first)))
            return {Literal::Number, source, *v};
    if (n == 2 && (is(scan, e.first, u"-") || is(scan, e.first, u"+")) && t[e.first + 1].kind == Kind::Number)
        return {Literal::Signed, source};
    return {Literal::Other, source};
}

std::optional<QString> wholeNumber(double value) {
    if (!(value >= 0 && value <= 999999999999999.0) || value != double(qint64(value)))
        return std::nullopt;
    return QString::number(qint64(value));
}

} // namespace ScriptScan
