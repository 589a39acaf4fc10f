#include "ScriptScan.h"

#include <QList>

namespace ScriptScan {
namespace {

enum class Kind { Ident, Number, Punct, Text };

struct Token {
    Kind kind;
    QString text;
    qsizetype line;
    int depth; // brackets open before the token (for a closing one: after it)
};

struct Scan {
    QList<Token> tokens;
    bool insideText = false; // the text ends in a string, a template text or a regular expression
    int depth = 0;           // brackets still open at the end
};

bool isLineEnd(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar(0x2028) || c == QChar(0x2029);
}

bool isIdentStart(QChar c) {
    return c == u'_' || c == u'$' || c.isLetter();
}

bool isIdentPart(QChar c) {
    return isIdentStart(c) || c.isDigit() || c.isMark();
}

const QStringList& punctuators() {
    // Longest first, so each is taken whole.
    static const QStringList list = {
        QStringLiteral(">>>="), QStringLiteral("..."), QStringLiteral("==="),  QStringLiteral("!=="),
        QStringLiteral("**="),  QStringLiteral("<<="), QStringLiteral(">>="),  QStringLiteral(">>>"),
        QStringLiteral("&&="),  QStringLiteral("||="), QStringLiteral("?\?="), QStringLiteral("=>"),
        QStringLiteral("=="),   QStringLiteral("!="),  QStringLiteral("<="),   QStringLiteral(">="),
        QStringLiteral("&&"),   QStringLiteral("||"),  QStringLiteral("??"),   QStringLiteral("?."),
        QStringLiteral("++"),   QStringLiteral("--"),  QStringLiteral("+="),   QStringLiteral("-="),
        QStringLiteral("*="),   QStringLiteral("/="),  QStringLiteral("%="),   QStringLiteral("&="),
        QStringLiteral("|="),   QStringLiteral("^="),  QStringLiteral("**"),   QStringLiteral("<<"),
        QStringLiteral(">>")};
    return list;
}

bool isAssignment(const QString& p) {
    static const QStringList ops = {
        QStringLiteral("="),   QStringLiteral("+="),   QStringLiteral("-="),  QStringLiteral("*="),
        QStringLiteral("/="),  QStringLiteral("%="),   QStringLiteral("**="), QStringLiteral("<<="),
        QStringLiteral(">>="), QStringLiteral(">>>="), QStringLiteral("&="),  QStringLiteral("|="),
        QStringLiteral("^="),  QStringLiteral("&&="),  QStringLiteral("||="), QStringLiteral("?\?=")};
    return ops.contains(p);
}

// After these words an expression begins, so a "/" there starts a regular expression.
bool beginsExpression(const QString& word) {
    static const QStringList words = {QStringLiteral("return"), QStringLiteral("typeof"), QStringLiteral("instanceof"),
                                      QStringLiteral("in"),     QStringLiteral("of"),     QStringLiteral("new"),
                                      QStringLiteral("delete"), QStringLiteral("void"),   QStringLiteral("throw"),
                                      QStringLiteral("case"),   QStringLiteral("do"),     QStringLiteral("else"),
                                      QStringLiteral("yield"),  QStringLiteral("await")};
    return words.contains(word);
}

class Scanner {
public:
    explicit Scanner(const QString& text) : s(text) {}

    Scan run() {
        while (i < s.size()) {
            const QChar c = s[i];
            if (c == u'\n') {
                ++line;
                ++i;
                lineStart = true;
            } else if (c.isSpace() || c == QChar(0xFEFF)) {
                ++i;
            } else if (s.mid(i, 2) == u"//" || s.mid(i, 4) == u"<!--" || (lineStart && s.mid(i, 3) == u"-->")) {
                while (i < s.size() && !isLineEnd(s[i]))
                    ++i;
            } else if (s.mid(i, 2) == u"/*") {
                const qsizetype end = s.indexOf(QStringLiteral("*/"), i + 2);
                const qsizetype stop = end < 0 ? s.size() : end + 2;
                line += s.mid(i, stop - i).count(u'\n');
                i = stop;
            } else {
                lineStart = false;
                token();
            }
        }
        out.depth = int(brackets.size());
        return out;
    }

private:
    void add(Kind kind, qsizetype from, int depth) { out.tokens.append({kind, s.mid(from, i - from), line, depth}); }

    bool regexAllowed() const {
        if (out.tokens.isEmpty())
            return true;
        const Token& t = out.tokens.last();
        if (t.kind == Kind::Ident)
            return beginsExpression(t.text);
        if (t.kind == Kind::Number || t.kind == Kind::Text)
            return false;
        return t.text != u")" && t.text != u"]" && t.text != u"}" && t.text != u"++" && t.text != u"--";
    }

    // A quoted string; a line end inside ends it (the script would not parse).
    void quoted(QChar quote) {
        const qsizetype from = i++;
        while (i < s.size() && s[i] != quote && !isLineEnd(s[i]))
            i += s[i] == u'\\' ? 2 : 1;
        if (i >= s.size() || s[i] != quote) {
            out.insideText = i >= s.size();
            add(Kind::Text, from, depth());
            return;
        }
        ++i;
        out.insideText = false;
        add(Kind::Text, from, depth());
    }

    // A template text from i up to its end or to a "${", which opens a bracket of its own.
    void templatePart(qsizetype from) {
        while (i < s.size()) {
            if (s[i] == u'\\') {
                i += 2;
            } else if (s[i] == u'`') {
                ++i;
                add(Kind::Text, from, depth());
                return;
            } else if (s.mid(i, 2) == u"${") {
                i += 2;
                add(Kind::Text, from, depth());
                brackets.append(u'$');
                return;
            } else {
                if (s[i] == u'\n')
                    ++line;
                ++i;
            }
        }
        out.insideText = true;
        add(Kind::Text, from, depth());
    }

    void regex() {
        const qsizetype from = i++;
        bool inClass = false, closed = false;
        while (i < s.size() && !isLineEnd(s[i])) {
            const QChar c = s[i];
            if (c == u'\\') {
                i += 2;
                continue;
            }
            ++i;
            if (c == u'[')
                inClass = true;
            else if (c == u']')
                inClass = false;
            else if (c == u'/' && !inClass) {
                closed = true;
                break;
            }
        }
        while (closed && i < s.size() && isIdentPart(s[i]))
            ++i;
        out.insideText = !closed && i >= s.size();
        add(Kind::Text, from, depth());
    }

    int depth() const { return int(brackets.size()); }

    void token() {
        const QChar c = s[i];
        const qsizetype from = i;
        out.insideText = false;
        if (c == u'\'' || c == u'"')
            return quoted(c);
        if (c == u'`') {
            ++i;
            return templatePart(from);
        }
        if (c == u'/' && regexAllowed())
            return regex();
        if (isIdentStart(c) || c == u'\\') {
            ++i;
            while (i < s.size() && (isIdentPart(s[i]) || s[i] == u'\\'))
                ++i;
            return add(Kind::Ident, from, depth());
        }
        if (c.isDigit() || (c == u'.' && i + 1 < s.size() && s[i + 1].isDigit())) {
            while (i < s.size() && (s[i].isLetterOrNumber() || s[i] == u'.' || s[i] == u'_'))
                ++i;
            return add(Kind::Number, from, depth());
        }
        if (c == u'(' || c == u'[' || c == u'{') {
            ++i;
            add(Kind::Punct, from, depth());
            brackets.append(c);
            return;
        }
        if (c == u')' || c == u']' || c == u'}') {
            const bool substitutionEnd = c == u'}' && !brackets.isEmpty() && brackets.last() == u'$';
            if (!brackets.isEmpty())
                brackets.removeLast();
            ++i;
            if (substitutionEnd)
                return templatePart(from);
            return add(Kind::Punct, from, depth());
        }
        for (const QString& p : punctuators())
            if (s.mid(i, p.size()) == p) {
                i += p.size();
                return add(Kind::Punct, from, depth());
            }
        ++i;
        add(Kind::Punct, from, depth());
    }

    const QString& s;
    qsizetype i = 0;
    qsizetype line = 1;
    bool lineStart = true;
    QList<QChar> brackets;
    Scan out;
};

bool is(const QList<Token>& t, qsizetype at, const char16_t* text) {
    return at >= 0 && at < t.size() && t[at].kind != Kind::Text && t[at].text == text;
}

// The index after the bracket that closes the one at `open`.
qsizetype afterClosing(const QList<Token>& t, qsizetype open) {
    for (qsizetype k = open + 1; k < t.size(); ++k)
        if (t[k].kind == Kind::Punct && t[k].depth == t[open].depth &&
            (t[k].text == u")" || t[k].text == u"]" || t[k].text == u"}"))
            return k + 1;
    return t.size();
}

bool isMutator(const QString& method) {
    static const QStringList methods = {
        QStringLiteral("push"),    QStringLiteral("pop"),    QStringLiteral("shift"),
        QStringLiteral("unshift"), QStringLiteral("splice"), QStringLiteral("sort"),
        QStringLiteral("reverse"), QStringLiteral("fill"),   QStringLiteral("copyWithin")};
    return methods.contains(method);
}

} // namespace

std::optional<Finding> FirstTopLevelDeclaration(const QString& text, const QStringList& names) {
    const QList<Token> t = Scanner(text).run().tokens;
    // After let or const at the top level, names are bound up to each "=" of the list.
    bool binding = false, declaring = false;
    for (qsizetype k = 0; k < t.size(); ++k) {
        const Token& tok = t[k];
        if (tok.kind == Kind::Ident && tok.depth == 0 && (tok.text == u"let" || tok.text == u"const")) {
            declaring = binding = true;
            continue;
        }
        if (tok.kind == Kind::Punct && tok.depth == 0) {
            if (tok.text == u";")
                declaring = binding = false;
            else if (declaring && tok.text == u"=")
                binding = false;
            else if (declaring && tok.text == u",")
                binding = true;
        }
        if (tok.kind != Kind::Ident || !names.contains(tok.text))
            continue;
        if (binding || (tok.depth == 0 && is(t, k - 1, u"class")))
            return Finding{tok.line, tok.text};
    }
    return std::nullopt;
}

std::optional<Finding> FirstChange(const QString& text, const QStringList& names) {
    const QList<Token> t = Scanner(text).run().tokens;
    for (qsizetype k = 0; k < t.size(); ++k) {
        if (t[k].kind != Kind::Ident || !names.contains(t[k].text))
            continue;
        if (is(t, k - 1, u".") || is(t, k - 1, u"?."))
            continue; // a property of something else that happens to have the name
        const Finding found{t[k].line, t[k].text};
        if (is(t, k - 1, u"++") || is(t, k - 1, u"--") || is(t, k - 1, u"delete"))
            return found;
        qsizetype j = k + 1;
        while (j < t.size()) {
            if ((is(t, j, u".") || is(t, j, u"?.")) && j + 1 < t.size() && t[j + 1].kind == Kind::Ident) {
                if (isMutator(t[j + 1].text) && is(t, j + 2, u"("))
                    return found;
                j += 2;
            } else if (is(t, j, u"[") || is(t, j, u"(")) {
                j = afterClosing(t, j);
            } else {
                break;
            }
        }
        if (j < t.size() && t[j].kind == Kind::Punct &&
            (isAssignment(t[j].text) || t[j].text == u"++" || t[j].text == u"--"))
            return found;
    }
    return std::nullopt;
}

bool OpenAtEnd(const QString& text) {
    const Scan scan = Scanner(text).run();
    if (scan.insideText || scan.depth > 0)
        return true;
    if (scan.tokens.isEmpty())
        return false;
    // What follows would be the body of a condition or a loop, or would run on an unfinished expression.
    const QList<Token>& t = scan.tokens;
    const Token& last = t.last();
    if (last.kind == Kind::Ident)
        return last.text == u"else" || last.text == u"do" || beginsExpression(last.text) || last.text == u"var" ||
               last.text == u"let" || last.text == u"const";
    if (last.kind != Kind::Punct)
        return false;
    if (last.text == u")") {
        qsizetype open = t.size() - 2;
        while (open >= 0 && !(t[open].text == u"(" && t[open].depth == last.depth && t[open].kind == Kind::Punct))
            --open;
        return open > 0 && t[open - 1].kind == Kind::Ident &&
               (t[open - 1].text == u"if" || t[open - 1].text == u"while" || t[open - 1].text == u"for" ||
                t[open - 1].text == u"with");
    }
    return last.text != u";" && last.text != u"}" && last.text != u"]" && last.text != u"++" && last.text != u"--";
}

} // namespace ScriptScan
