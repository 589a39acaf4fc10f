#include "ScriptTokenizer.h"

#include <QLocale>
#include <algorithm>
#include <cstring>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace ScriptScan {
namespace {

bool isLineTerminator(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar(0x2028) || c == QChar(0x2029);
}

bool isAsciiLetter(char16_t u) {
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

// ASCII first: most scripts are mostly ASCII, and the Unicode tables are slower.
bool isBlank(QChar c) {
    if (c.unicode() < 0x80)
        return c == u'\t' || c == u'\v' || c == u'\f' || c == u' ';
    return c == u'\t' || c == u'\v' || c == u'\f' || c == u' ' || c == QChar(0xA0) || c == QChar(0xFEFF) ||
           c.category() == QChar::Separator_Space;
}

bool isIdentStart(QChar c) {
    if (c.unicode() < 0x80)
        return isAsciiLetter(c.unicode()) || c == u'_' || c == u'$';
    return c == u'_' || c == u'$' || c.isLetter() || c.category() == QChar::Number_Letter;
}

bool isIdentPart(QChar c) {
    if (c.unicode() < 0x80)
        return isAsciiLetter(c.unicode()) || c == u'_' || c == u'$' || (c >= u'0' && c <= u'9');
    return isIdentStart(c) || c.isDigit() || c.isMark() || c.category() == QChar::Punctuation_Connector ||
           c == QChar(0x200C) || c == QChar(0x200D);
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

int hexValue(QChar c) {
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

// A \u escape at text[i] (i on the "u"): the code point and the index after it.
std::optional<std::pair<char32_t, qsizetype>> unicodeEscape(QStringView text, qsizetype i) {
    if (i >= text.size() || text[i] != u'u')
        return std::nullopt;
    ++i;
    char32_t value = 0;
    if (i < text.size() && text[i] == u'{') {
        qsizetype j = i + 1;
        for (; j < text.size() && hexValue(text[j]) >= 0; ++j) {
            value = value * 16 + char32_t(hexValue(text[j]));
            if (value > 0x10FFFF)
                return std::nullopt;
        }
        if (j == i + 1 || j >= text.size() || text[j] != u'}')
            return std::nullopt;
        return std::pair{value, j + 1};
    }
    for (int n = 0; n < 4; ++n, ++i) {
        if (i >= text.size() || hexValue(text[i]) < 0)
            return std::nullopt;
        value = value * 16 + char32_t(hexValue(text[i]));
    }
    return std::pair{value, i};
}

void appendCodePoint(QString& out, char32_t c) {
    // Lone surrogates stay single UTF-16 units, as in an engine's string.
    if (c > 0xFFFF)
        out += QString::fromUcs4(&c, 1);
    else
        out += QChar(char16_t(c));
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

} // namespace

// After these words an expression begins, so a "/" there starts a regular expression and a "{" an
// object.
bool beginsExpression(QStringView word) {
    static const QStringList words = {QStringLiteral("return"), QStringLiteral("typeof"), QStringLiteral("instanceof"),
                                      QStringLiteral("in"),     QStringLiteral("of"),     QStringLiteral("new"),
                                      QStringLiteral("delete"), QStringLiteral("void"),   QStringLiteral("throw"),
                                      QStringLiteral("case"),   QStringLiteral("do"),     QStringLiteral("else"),
                                      QStringLiteral("yield"),  QStringLiteral("await")};
    return words.contains(word);
}

bool isControlWord(QStringView word) {
    return word == u"if" || word == u"while" || word == u"for" || word == u"with";
}

namespace {
constexpr quintptr kLargePage = quintptr(2) << 20;

class Scanner {
public:
    explicit Scanner(const QString& text) : s(text) {
        out.source = text;
        // Room for the tokens of a dense script at once; pages not written to cost no memory.
        out.tokens.reserve(text.size() / 3 + 16);
#ifdef MADV_HUGEPAGE
        // Millions of tokens touch thousands of fresh pages; large pages fault in far fewer times.
        if (const size_t bytes = size_t(out.tokens.capacity()) * sizeof(Token); bytes >= (8u << 20)) {
            const auto from = (quintptr(out.tokens.data()) + kLargePage - 1) & ~(kLargePage - 1);
            const auto to = (quintptr(out.tokens.data()) + bytes) & ~(kLargePage - 1);
            if (to > from)
                madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
        }
#endif
    }

    Scan run() {
        while (i < s.size()) {
            const QChar c = s[i];
            if (isLineTerminator(c)) {
                newLine();
                ++i;
            } else if (isBlank(c)) {
                ++i;
            } else if (c == u'/' && at(u"//")) {
                const qsizetype from = i;
                while (i < s.size() && !isLineTerminator(s[i]))
                    ++i;
                out.comments.append({from, i, line});
            } else if (c == u'/' && at(u"/*")) {
                blockComment();
            } else if ((c == u'<' && at(u"<!--")) || (c == u'-' && lineStart && at(u"-->"))) {
                // Script engines read these as comments, modules and some engines as operators.
                broken(i);
                while (i < s.size() && !isLineTerminator(s[i]))
                    ++i;
            } else {
                token();
            }
        }
        if (!brackets.isEmpty())
            broken(brackets.last().at, brackets.last().line);
        return out;
    }

private:
    struct Bracket {
        QChar c;
        qsizetype at;
        qsizetype line;
        bool control; // "(" of if, while, for or with
        bool block;   // "{" of a block, not of an object
    };
    // Whether the text at i begins with what.
    bool at(QStringView what) const {
        return QStringView(s).mid(i).startsWith(what);
    }

    // Counts the line that the terminator at i ends (CR LF once, at its LF).
    void countLine() {
        if (s[i] == u'\n' || (s[i] == u'\r' && !(i + 1 < s.size() && s[i + 1] == u'\n')))
            ++line;
    }

    void newLine() {
        countLine();
        lineBreak = true;
        lineStart = true;
    }

    // Past the escape whose backslash is at i, counting a line it continues.
    void skipEscape() {
        ++i;
        if (i < s.size()) {
            if (isLineTerminator(s[i]))
                countLine();
            ++i;
        }
    }

    void broken(qsizetype at, qsizetype atLine = -1) {
        if (out.brokenLine == 0) {
            out.brokenLine = atLine < 0 ? line : atLine;
            out.brokenAt = at;
        }
    }

    void blockComment() {
        const qsizetype from = i, fromLine = line;
        i += 2;
        while (i < s.size() && !(s[i] == u'*' && at(u"*/"))) {
            // A comment across lines ends a line, as far as statements go.
            if (isLineTerminator(s[i]))
                newLine();
            ++i;
        }
        if (i >= s.size()) {
            broken(from, fromLine);
            return;
        }
        i += 2;
        out.comments.append({from, i, fromLine});
    }

    void add(Kind kind, qsizetype from, qsizetype fromLine, int depth, bool escaped = false) {
        out.tokens.append({qint32(from), qint32(i), qint32(fromLine), depth, kind, lineBreak, escaped});
        lineBreak = false;
        lineStart = false;
        closedControl = closedBlock = false;
    }

    const Token* last() const {
        return out.tokens.isEmpty() ? nullptr : &out.tokens.last();
    }
    QStringView text(const Token* t) const {
        return out.text(*t);
    }

    bool regexAllowed() const {
        const Token* t = last();
        if (!t)
            return true;
        if (t->kind == Kind::Ident)
            return beginsExpression(text(t));
        if (t->kind == Kind::Template)
            return text(t).endsWith(QStringLiteral("${"));
        if (t->kind != Kind::Punct)
            return false;
        if (text(t) == u")")
            return closedControl;
        if (text(t) == u"}")
            return closedBlock;
        return text(t) != u"]" && text(t) != u"++" && text(t) != u"--";
    }

    bool braceOpensBlock() const {
        const Token* t = last();
        if (!t)
            return true;
        if (t->kind == Kind::Ident)
            return !beginsExpression(text(t)) || text(t) == u"else" || text(t) == u"do";
        if (t->kind == Kind::Template)
            return false;
        if (t->kind == Kind::Punct && (text(t) == u";" || text(t) == u"{" || text(t) == u")" || text(t) == u"=>"))
            return true;
        if (t->kind == Kind::Punct && text(t) == u"}")
            return closedBlock || lineBreak;
        // After the end of an expression on an earlier line, a new statement begins.
        return lineBreak && t->kind != Kind::Punct;
    }

    // A quoted string; a line end inside it ends it unclosed (the script would not parse).
    void quoted(QChar quote) {
        const qsizetype from = i++, fromLine = line;
        while (i < s.size() && s[i] != quote) {
            if (s[i] == u'\n' || s[i] == u'\r') {
                broken(from, fromLine);
                add(Kind::String, from, fromLine, depth());
                return;
            }
            if (s[i] == u'\\')
                skipEscape();
            else
                ++i;
        }
        if (i >= s.size())
            broken(from, fromLine);
        else
            ++i;
        add(Kind::String, from, fromLine, depth());
    }

    // A template text from i up to its end or to a "${", which opens a bracket of its own.
    void templatePart(qsizetype from, qsizetype fromLine) {
        while (i < s.size()) {
            if (s[i] == u'\\') {
                skipEscape();
            } else if (s[i] == u'`') {
                ++i;
                add(Kind::Template, from, fromLine, depth());
                return;
            } else if (s[i] == u'$' && at(u"${")) {
                i += 2;
                add(Kind::Template, from, fromLine, depth());
                brackets.append({u'$', from, fromLine, false, false});
                return;
            } else {
                if (isLineTerminator(s[i]))
                    countLine();
                ++i;
            }
        }
        broken(from, fromLine);
        add(Kind::Template, from, fromLine, depth());
    }

    void regex() {
        const qsizetype from = i++;
        bool inClass = false, closed = false;
        while (i < s.size() && !isLineTerminator(s[i])) {
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
        if (!closed)
            broken(from);
        while (closed && i < s.size() && isIdentPart(s[i]))
            ++i;
        add(Kind::Regex, from, line, depth());
    }

    void identifier() {
        const qsizetype from = i;
        // The name is the text as written, unless it holds escapes: then it is decoded on the side.
        QString name;
        bool escaped = false;
        bool first = true;
        while (i < s.size()) {
            if (s[i] == u'\\') {
                if (!escaped)
                    name = s.mid(from, i - from);
                escaped = true;
                const auto escape = unicodeEscape(s, i + 1);
                if (!escape) {
                    broken(i);
                    ++i;
                    continue;
                }
                appendCodePoint(name, escape->first);
                i = escape->second;
            } else if (first ? isIdentStart(s[i]) : isIdentPart(s[i])) {
                if (escaped)
                    name += s[i];
                ++i;
            } else {
                break;
            }
            first = false;
        }
        // Nothing decoded (a backslash with no escape): the token is its text as written.
        escaped = escaped && !name.isEmpty();
        if (escaped)
            out.escapedNames.insert(qint32(from), name);
        add(Kind::Ident, from, line, depth(), escaped);
    }

    void number() {
        const qsizetype from = i;
        auto digits = [this](auto&& accept) {
            while (i < s.size() && (accept(s[i]) || s[i] == u'_'))
                ++i;
        };
        if (s[i] == u'0' && i + 1 < s.size() && QStringLiteral("xXoObB").contains(s[i + 1])) {
            i += 2;
            digits([](QChar c) { return hexValue(c) >= 0; });
        } else {
            digits(isDigit);
            if (i < s.size() && s[i] == u'.') {
                ++i;
                digits(isDigit);
            }
            if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
                const qsizetype sign = i + 1 < s.size() && (s[i + 1] == u'+' || s[i + 1] == u'-') ? 1 : 0;
                if (i + 1 + sign < s.size() && isDigit(s[i + 1 + sign])) {
                    i += 1 + sign;
                    digits(isDigit);
                }
            }
        }
        // A BigInt suffix, or letters and digits an engine refuses right after a number: all one
        // token, whose value then does not read.
        while (i < s.size() && (isIdentPart(s[i]) || s[i] == u'\\'))
            ++i;
        add(Kind::Number, from, line, depth());
    }

    int depth() const {
        return int(brackets.size());
    }

    void token() {
        const QChar c = s[i];
        const qsizetype from = i;
        if (c == u'\'' || c == u'"')
            return quoted(c);
        if (c == u'`') {
            ++i;
            return templatePart(from, line);
        }
        if (c == u'/' && regexAllowed())
            return regex();
        if (isIdentStart(c) || c == u'\\')
            return identifier();
        if (isDigit(c) || (c == u'.' && i + 1 < s.size() && isDigit(s[i + 1])))
            return number();
        if (c == u'(' || c == u'[' || c == u'{') {
            const Token* t = last();
            const bool control = c == u'(' && t && t->kind == Kind::Ident && isControlWord(text(t));
            const bool block = c == u'{' && braceOpensBlock();
            ++i;
            add(Kind::Punct, from, line, depth());
            brackets.append({c, from, line, control, block});
            return;
        }
        if (c == u')' || c == u']' || c == u'}') {
            static const QString pairs = QStringLiteral("()[]{}");
            const QChar open = pairs[pairs.indexOf(c) - 1];
            if (brackets.isEmpty() || (brackets.last().c != open && !(c == u'}' && brackets.last().c == u'$'))) {
                broken(from);
                ++i;
                add(Kind::Punct, from, line, depth());
                return;
            }
            const Bracket b = brackets.takeLast();
            ++i;
            if (b.c == u'$')
                return templatePart(from, line);
            add(Kind::Punct, from, line, depth());
            closedControl = b.control;
            closedBlock = b.block;
            return;
        }
        for (const QString& p : punctuators())
            if (p[0] == c && at(p) && !(p == u"?." && i + 2 < s.size() && isDigit(s[i + 2]))) {
                i += p.size();
                return add(Kind::Punct, from, line, depth());
            }
        ++i;
        add(Kind::Punct, from, line, depth());
    }

    const QString& s;
    qsizetype i = 0;
    qsizetype line = 1;
    bool lineStart = true; // nothing but blanks and comments since the line began
    bool lineBreak = false;
    bool closedControl = false; // the last token closed the condition of if, while, for or with
    bool closedBlock = false;   // the last token closed a block
    QList<Bracket> brackets;
    Scan out;
};
} // namespace

Scan tokenize(const QString& text) {
    return Scanner(text).run();
}

bool retokenize(Scan& scan, const QString& text, const QList<Replacement>& replaced) {
    // Where the old text stops reading, the new one would too, but not necessarily at the same place.
    if (scan.brokenLine)
        return false;
    QList<Token>& t = scan.tokens;
    // Each old piece and its new tokens, all checked before anything changes.
    struct Piece {
        qsizetype open, close; // the old piece's tokens
        Token opening;         // its bracket, whose depth, line and line break the new one takes
        QList<Token> tokens;   // the new piece's, from its start
    };
    QList<Piece> pieces;
    pieces.reserve(replaced.size());
    qsizetype k = 0;
    for (const Replacement& r : replaced) {
        while (k < t.size() && t[k].start < r.start)
            ++k;
        // The old piece: one bracket and what it encloses, whole.
        if (k >= t.size() || t[k].start != r.start || t[k].kind != Kind::Punct)
            return false;
        const qsizetype close = closing(scan, k);
        if (close >= t.size() || t[close].end != r.end)
            return false;
        // The new one the same, on one line, and nothing else: read alone it reads as in place.
        const Scan piece = tokenize(r.text);
        if (piece.brokenLine || !piece.comments.isEmpty() || !piece.escapedNames.isEmpty() || piece.tokens.isEmpty() ||
            piece.text(0) != scan.text(k) || closing(piece, 0) != piece.tokens.size() - 1 ||
            piece.tokens.last().end != r.text.size() || piece.tokens.last().line != 1)
            return false;
        pieces.append({k, close, t[k], piece.tokens});
        k = close + 1;
    }

    // The runs of tokens between the pieces move in place (a big script's tokens are not copied):
    // those moving back first, front to back, then those moving on, back to front; then the new
    // tokens fill the gaps.
    struct Run {
        qsizetype from, to, count; // old index, new index, tokens
        qsizetype shift, lines;    // how far they move in the text
    };
    QList<Run> runs;
    qsizetype oldAt = 0, newAt = 0, shift = 0, lines = 0;
    for (qsizetype p = 0; p <= pieces.size(); ++p) {
        const qsizetype until = p < pieces.size() ? pieces[p].open : t.size();
        runs.append({oldAt, newAt, until - oldAt, shift, lines});
        newAt += until - oldAt;
        if (p == pieces.size())
            break;
        newAt += pieces[p].tokens.size();
        oldAt = pieces[p].close + 1;
        shift += replaced[p].text.size() - (replaced[p].end - replaced[p].start);
        lines -= t[pieces[p].close].line - t[pieces[p].open].line;
    }
    // The decoded names go with their tokens (pieces hold none).
    if (!scan.escapedNames.isEmpty()) {
        QHash<qint32, QString> names;
        for (const Run& r : runs)
            for (qsizetype i = r.from; i < r.from + r.count; ++i)
                if (t[i].escaped)
                    names.insert(qint32(t[i].start + r.shift), scan.escapedNames.value(t[i].start));
        scan.escapedNames = names;
    }
    if (newAt > t.size())
        t.resize(newAt);
    auto move = [&t](const Run& r) {
        if (r.count == 0)
            return;
        std::memmove(static_cast<void*>(t.data() + r.to), t.constData() + r.from, size_t(r.count) * sizeof(Token));
        for (qsizetype i = r.to; i < r.to + r.count; ++i) {
            t[i].start += qint32(r.shift);
            t[i].end += qint32(r.shift);
            t[i].line += qint32(r.lines);
        }
    };
    for (const Run& r : runs)
        if (r.to <= r.from)
            move(r);
    for (qsizetype i = runs.size() - 1; i >= 0; --i)
        if (runs[i].to > runs[i].from)
            move(runs[i]);
    for (qsizetype p = 0; p < pieces.size(); ++p) {
        const Run& before = runs[p];
        const qsizetype at = before.to + before.count;
        const qsizetype textAt = replaced[p].start + before.shift;
        const Token& opening = pieces[p].opening;
        for (qsizetype i = 0; i < pieces[p].tokens.size(); ++i) {
            Token n = pieces[p].tokens[i];
            n.start += qint32(textAt);
            n.end += qint32(textAt);
            n.line = opening.line + qint32(before.lines);
            n.depth += opening.depth;
            if (i == 0)
                n.lineBreakBefore = opening.lineBreakBefore;
            t[at + i] = n;
        }
    }
    t.resize(newAt);

    // Comments inside an old piece go; the others move.
    QList<Comment> comments;
    comments.reserve(scan.comments.size());
    qsizetype p = 0;
    shift = lines = 0;
    for (const Comment& c : scan.comments) {
        while (p < replaced.size() && replaced[p].end <= c.start) {
            shift += replaced[p].text.size() - (replaced[p].end - replaced[p].start);
            lines = runs[p + 1].lines;
            ++p;
        }
        if (p < replaced.size() && c.start >= replaced[p].start)
            continue;
        comments.append({c.start + shift, c.end + shift, c.line + lines});
    }
    scan.comments = comments;
    scan.source = text;
    return true;
}

qsizetype closing(const Scan& scan, qsizetype open) {
    const QList<Token>& t = scan.tokens;
    for (qsizetype k = open + 1; k < t.size(); ++k)
        if (t[k].kind == Kind::Punct && t[k].depth == t[open].depth &&
            (scan.text(k) == u")" || scan.text(k) == u"]" || scan.text(k) == u"}"))
            return k;
    return t.size();
}

std::optional<QString> stringValue(QStringView literal) {
    const qsizetype n = literal.size();
    if (n < 2 || (literal[0] != u'\'' && literal[0] != u'"') || literal[n - 1] != literal[0])
        return std::nullopt;
    QString out;
    out.reserve(n);
    for (qsizetype i = 1; i < n - 1; ++i) {
        const QChar c = literal[i];
        if (c == u'\n' || c == u'\r' || c == literal[0])
            return std::nullopt;
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++i >= n - 1)
            return std::nullopt; // the closing quote is escaped: the string does not end
        const QChar e = literal[i];
        switch (e.unicode()) {
        case u'\n':
        case 0x2028:
        case 0x2029:
            break; // a line continuation
        case u'\r':
            if (i + 1 < n - 1 && literal[i + 1] == u'\n')
                ++i;
            break;
        case u'b':
            out += u'\b';
            break;
        case u'f':
            out += u'\f';
            break;
        case u'n':
            out += u'\n';
            break;
        case u'r':
            out += u'\r';
            break;
        case u't':
            out += u'\t';
            break;
        case u'v':
            out += u'\v';
            break;
        case u'0':
            if (i + 1 < n - 1 && isDigit(literal[i + 1]))
                return std::nullopt; // a legacy octal escape
            out += QChar(0);
            break;
        case u'x': {
            if (i + 2 >= n - 1 || hexValue(literal[i + 1]) < 0 || hexValue(literal[i + 2]) < 0)
                return std::nullopt;
            out += QChar(char16_t(hexValue(literal[i + 1]) * 16 + hexValue(literal[i + 2])));
            i += 2;
            break;
        }
        case u'u': {
            const auto escape = unicodeEscape(literal.left(n - 1), i);
            if (!escape)
                return std::nullopt;
            appendCodePoint(out, escape->first);
            i = escape->second - 1;
            break;
        }
        default:
            if (isDigit(e))
                return std::nullopt; // legacy octal, or \8 and \9: strict mode refuses them
            out += e;
        }
    }
    return out;
}

std::optional<double> numberValue(QStringView literal) {
    const QStringView t = literal;
    if (t.isEmpty() || t.endsWith(u'n'))
        return std::nullopt;
    // Separators stand only between two digits.
    for (qsizetype i = 0; i < t.size(); ++i)
        if (t[i] == u'_' && (i == 0 || i + 1 >= t.size() || hexValue(t[i - 1]) < 0 || hexValue(t[i + 1]) < 0))
            return std::nullopt;
    if (t.size() > 2 && t[0] == u'0' && QStringLiteral("xXoObB").contains(t[1])) {
        const int base = QStringLiteral("xX").contains(t[1]) ? 16 : QStringLiteral("oO").contains(t[1]) ? 8 : 2;
        if (t[2] == u'_')
            return std::nullopt;
        double value = 0;
        for (qsizetype i = 2; i < t.size(); ++i) {
            if (t[i] == u'_')
                continue;
            const int d = hexValue(t[i]);
            if (d < 0 || d >= base)
                return std::nullopt;
            value = value * base + d;
        }
        return value;
    }
    if (t.size() > 1 && t[0] == u'0' && isDigit(t[1])) {
        // A legacy form: octal when every digit is, else decimal; neither takes a fraction,
        // an exponent or separators.
        bool octal = true;
        for (const QChar c : t) {
            if (!isDigit(c))
                return std::nullopt;
            octal = octal && c < u'8';
        }
        double value = 0;
        for (const QChar c : t)
            value = value * (octal ? 8 : 10) + (c.unicode() - u'0');
        return value;
    }
    // Plain digits, the usual case, need no more than this.
    if (t.size() <= 15 && std::all_of(t.begin(), t.end(), isDigit))
        return double(t.toLongLong());
    // Digits [. digits] [e [sign] digits], or . digits [...]: nothing else.
    qsizetype i = 0;
    auto run = [&] {
        const qsizetype from = i;
        while (i < t.size() && (isDigit(t[i]) || t[i] == u'_'))
            ++i;
        return i > from;
    };
    const bool whole = run();
    bool fraction = false;
    if (i < t.size() && t[i] == u'.') {
        ++i;
        fraction = run();
    }
    if (!whole && !fraction)
        return std::nullopt;
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
            ++i;
        if (!run())
            return std::nullopt;
    }
    if (i != t.size())
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(t.toString().remove(u'_'), &ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

QList<Comment> markerLines(const QString& text, const Scan& scan, const QString& marker) {
    QList<Comment> found;
    for (const Comment& c : scan.comments) {
        if (c.end - c.start != marker.size() || QStringView(text).mid(c.start, c.end - c.start) != marker)
            continue;
        bool alone = true;
        for (qsizetype k = c.start - 1; alone && k >= 0 && text[k] != u'\n' && text[k] != u'\r'; --k)
            alone = isBlank(text[k]);
        for (qsizetype k = c.end; alone && k < text.size() && text[k] != u'\n' && text[k] != u'\r'; ++k)
            alone = isBlank(text[k]);
        if (alone)
            found.append(c);
    }
    return found;
}

qsizetype pastLine(const QString& text, qsizetype from) {
    qsizetype k = from;
    while (k < text.size() && text[k] != u'\n' && text[k] != u'\r')
        ++k;
    if (QStringView(text).mid(k, 2) == u"\r\n")
        return k + 2;
    return k < text.size() ? k + 1 : k;
}

std::optional<QString> firstUnquotable(const QString& text, QChar quote) {
    for (const QChar c : text)
        if (c == quote || c == u'\\' || c == u'\n' || c == u'\r' || c == QChar(0x2028) || c == QChar(0x2029))
            return QString(c);
    return std::nullopt;
}

} // namespace ScriptScan
