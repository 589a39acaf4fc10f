#include "CssSyntax.h"

#include "TextCodec.h"
#include "TextUtil.h"

#include <bitset>

#include <cctype>
#include <cstring>

namespace CssSyntax {
namespace {
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f';
}
bool isDelim(char c) {
    return c != 0 && std::strchr("{}()[];:!,/", c);
}
// A form feed ends a line, as the browser reads CSS.
bool isLineEnd(char c) {
    return c == '\n' || c == '\f';
}
} // namespace

QByteArray lineEndsLf(const QByteArray& text) {
    return text.contains('\r') ? TextUtil::withLfLineEnds(text) : text;
}

// A Shift_JIS character can have a backslash or a bracket as its second byte.
namespace {
bool isLead(uchar c) {
    return (c >= 0x81 && c <= 0x9f) || (c >= 0xe0 && c <= 0xfc);
}

// Whether a lead byte and an ASCII byte after it make one Shift_JIS character. Where they make
// none, the browser reads the ASCII byte again on its own, so a quote or brace there still counts.
bool pairsWithAscii(uchar lead, uchar trail) {
    static const std::bitset<256 * 128> table = [] {
        std::bitset<256 * 128> ok;
        for (int l = 0x81; l <= 0xfc; ++l) {
            if (!isLead(uchar(l)))
                continue;
            for (int c = 0x40; c <= 0x7e; ++c) {
                const char pair[2] = {char(l), char(c)};
                const QString s = TextCodec::decode(QByteArray(pair, 2), TextCodec::Encoding::ShiftJis);
                ok[std::size_t(l * 128 + c)] = s.size() == 1 && s[0] != QChar(0xfffd);
            }
        }
        return ok;
    }();
    return table[std::size_t(lead) * 128 + trail];
}
} // namespace

qsizetype Tokenizer::width(qsizetype at) const {
    const uchar c = uchar(t[at]);
    if (!sjis || at + 1 >= t.size() || !isLead(c))
        return 1;
    // A byte that is not ASCII is taken along, as the decoder does even where the pair is invalid.
    const uchar next = uchar(t[at + 1]);
    return next >= 0x80 || pairsWithAscii(c, next) ? 2 : 1;
}

// Past an escape whose backslash stands before at (at < size, no line end there): up to six
// hexadecimal digits and one blank after them, or one character.
qsizetype Tokenizer::escapeEnd(qsizetype at) const {
    if (!std::isxdigit(uchar(t[at])))
        return at + width(at);
    const qsizetype last = qMin(t.size(), at + 6);
    while (at < last && std::isxdigit(uchar(t[at])))
        ++at;
    return at < t.size() && isBlank(t[at]) ? at + 1 : at;
}

bool Tokenizer::next(Token& out) {
    const qsizetype n = t.size();
    if (i >= n)
        return false;
    const qsizetype b = i;
    const char c = t[i];
    out = Token{Token::Word, b, b, false};
    if (isBlank(c)) {
        while (i < n && isBlank(t[i]))
            ++i;
        out.type = Token::Blank;
    } else if (c == '/' && i + 1 < n && t[i + 1] == '*') {
        const qsizetype close = t.indexOf("*/", i + 2);
        i = close < 0 ? n : close + 2;
        out.type = Token::Comment;
        out.open = close < 0;
    } else if (c == '"' || c == '\'') {
        out.type = Token::String;
        out.open = true;
        for (++i; i < n;) {
            if (t[i] == c) {
                ++i;
                out.open = false;
                break;
            }
            if (isLineEnd(t[i])) { // the string ends unclosed at the line end
                out.type = Token::BadString;
                out.open = false;
                break;
            }
            if (t[i] != '\\') {
                i += width(i);
                continue;
            }
            if (++i == n)
                break;
            i = isLineEnd(t[i]) ? i + 1 : escapeEnd(i); // an escaped line end continues the string
        }
    } else if (isDelim(c)) {
        ++i;
        out.type = Token::Delim;
    } else {
        while (i < n && !isBlank(t[i]) && !isDelim(t[i]) && t[i] != '"' && t[i] != '\'') {
            if (t[i] == '\\') {
                ++i;
                if (i == n || isLineEnd(t[i]))
                    continue;
                i = escapeEnd(i);
                continue;
            }
            i += width(i);
        }
        // An unquoted url() is one token up to its ")", whatever it holds.
        // The name is read with its escapes decoded: "u\\72l(" opens a url too.
        if (i < n && t[i] == '(' && i - b >= 3 && decodedName(QByteArrayView(t).sliced(b, i - b)) == "url") {
            qsizetype j = i + 1;
            while (j < n && isBlank(t[j]))
                ++j;
            if (j == n || (t[j] != '"' && t[j] != '\'')) {
                while (j < n && t[j] != ')')
                    j += t[j] == '\\' && j + 1 < n ? 1 + width(j + 1) : width(j);
                out.open = j == n;
                i = j < n ? j + 1 : n;
            }
        }
    }
    out.end = i;
    return true;
}

QByteArray decodedName(QByteArrayView s) {
    QByteArray out;
    for (qsizetype i = 0; i < s.size();) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += char(std::tolower(uchar(s[i++])));
            continue;
        }
        ++i;
        if (!std::isxdigit(uchar(s[i]))) {
            out += char(std::tolower(uchar(s[i++])));
            continue;
        }
        uint code = 0;
        for (int k = 0; k < 6 && i < s.size() && std::isxdigit(uchar(s[i])); ++k, ++i)
            code = code * 16 + uint(QByteArray(1, s[i]).toUInt(nullptr, 16));
        if (i < s.size() && isBlank(s[i]))
            ++i;
        out += code > 0 && code < 0x80 ? char(std::tolower(int(code))) : '\x80';
    }
    return out;
}

Outline outline(const QByteArray& t, bool sjis, qsizetype end) {
    Outline o;
    bool atRule = false;
    // The statement in progress inside the innermost frame, and whether it is an at-rule.
    std::optional<qsizetype> inner;
    bool innerAtRule = false;
    Tokenizer tokens(t, sjis);
    Token token;
    qsizetype skipTo = 0; // past an HTML comment mark between rules
    while (tokens.next(token) && token.begin < end) {
        if (token.open) {
            o.statement = o.statement.value_or(token.begin);
            o.broken = true;
            break;
        }
        if (!significant(token))
            continue;
        // "<!--" and "-->" between the sheet's own rules are passed over, as the page reads them
        // (left from hiding a sheet inside an HTML page); anywhere else they are part of a rule.
        if (o.open.isEmpty() && !o.statement && token.begin >= skipTo) {
            const QByteArrayView rest = QByteArrayView(t).sliced(token.begin);
            if (rest.startsWith("<!--"))
                skipTo = token.begin + 4;
            else if (rest.startsWith("-->"))
                skipTo = token.begin + 3;
        }
        if (token.end <= skipTo)
            continue;
        o.last = token;
        // A word run into a mark begins after it.
        const qsizetype begin = qMax(token.begin, skipTo);
        if (o.open.isEmpty() && !o.statement) {
            o.statement = begin;
            atRule = token.type == Token::Word && t[token.begin] == '@';
            o.broken = false;
        }
        const qsizetype depth = o.open.kinds.size();
        const bool framed = depth == o.frames.size(); // no "(" or "[" open above the last frame
        if (framed && !inner) {
            inner = begin;
            innerAtRule = token.type == Token::Word && t[token.begin] == '@';
        }
        o.open.track(t, token);
        if (framed && o.open.kinds.size() > depth && isDelim(t, token, '{')) {
            o.frames.append({token.begin, inner.value_or(token.begin)});
            inner.reset();
        } else if (o.open.kinds.size() < o.frames.size()) {
            o.frames.removeLast();
            inner.reset();
        } else if (framed && isDelim(t, token, ';')) {
            // A ";" ends an at-rule, or a declaration in a style rule; a selector runs on through it.
            if (innerAtRule || (!o.frames.isEmpty() && t[o.frames.last().prelude] != '@'))
                inner.reset();
        }
        if (depth == 0 && o.open.isEmpty()) {
            // At the top level a ";" ends only an at-rule; a selector runs on through it and through
            // closing brackets that close nothing.
            if (atRule && isDelim(t, token, ';'))
                o.statement.reset();
            else if (isDelim(t, token, ';') || isDelim(t, token, '}') || isDelim(t, token, ')') ||
                     isDelim(t, token, ']'))
                o.broken = true;
        } else if (depth == 1 && o.open.isEmpty() && isDelim(t, token, '}')) {
            o.statement.reset();
        }
    }
    return o;
}

QByteArray prelude(const QByteArray& t, bool sjis, const Frame& frame, bool lower) {
    QByteArray out;
    Tokenizer tokens(t, sjis, frame.prelude);
    Token token;
    while (tokens.next(token) && token.begin < frame.brace) {
        if (token.type == Token::Comment)
            continue;
        if (token.type == Token::Blank)
            out += ' ';
        else if (token.type == Token::BadString)
            out += ";"; // never a selector or a condition
        else
            out += tokenText(t, token);
    }
    out = out.trimmed();
    return lower ? out.toLower() : out;
}
} // namespace CssSyntax
