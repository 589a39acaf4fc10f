#pragma once
// CSS read as the browser's syntax reads it, as far as the style sheet's colour block needs: tokens
// (comments, both quote characters, escapes, a form feed ending a line, unquoted url()), brackets
// paired as CSS nests blocks, and the shape of the sheet before a place (the rule blocks open there,
// the top-level statement in progress, at-rules and style rules told apart). Bytes in, offsets out:
// a Shift_JIS text keeps its two-byte characters whole. Nothing but the open brackets is kept, so a
// large sheet costs no more than its bytes.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <optional>

namespace CssSyntax {
// The text with every line end LF, as the browser reads it before the tokens (CR LF and CR become
// LF; a form feed stays, and ends a line). Without a copy where there is nothing to change. The
// tokenizer reads only such text.
QByteArray lineEndsLf(const QByteArray& text);

// What can hide a marker or a brace (comments, strings, unquoted url()), the punctuation that gives
// a rule its shape, and words in between. Blanks are spaces, tabs, LF and form feeds.
struct Token {
    enum Type { None, Blank, Comment, String, BadString, Delim, Word } type = None;
    qsizetype begin = 0, end = 0;
    bool open = false; // a comment, string or url() the text ends inside
};

// One token after another, from a place where no comment or string is open. A string that meets a
// line end unescaped ends there as a BadString, without it.
class Tokenizer {
public:
    Tokenizer(const QByteArray& text, bool shiftJis, qsizetype from = 0) : t(text), sjis(shiftJis), i(from) {}
    bool next(Token& out);

private:
    qsizetype width(qsizetype at) const;
    qsizetype escapeEnd(qsizetype at) const;
    const QByteArray& t;
    const bool sjis;
    qsizetype i;
};

// The token's bytes in the text it was read from.
inline QByteArrayView tokenText(const QByteArray& t, const Token& token) {
    return QByteArrayView(t).sliced(token.begin, token.end - token.begin);
}
inline bool isDelim(const QByteArray& t, const Token& token, char c) {
    return token.type == Token::Delim && t[token.begin] == c;
}
// Neither a blank nor a comment: what the browser reads.
inline bool significant(const Token& token) {
    return token.type != Token::Blank && token.type != Token::Comment;
}

// The brackets open at a point, as CSS pairs them: a closing bracket that does not match the
// innermost open one is an ordinary token. One byte each, so a file of brackets stays small.
struct Brackets {
    QByteArray kinds;
    qsizetype outermost = -1; // where the outermost open bracket stands

    bool isEmpty() const { return kinds.isEmpty(); }
    char innermost() const { return kinds.back(); }
    void track(const QByteArray& t, const Token& token) {
        if (token.type != Token::Delim)
            return;
        const char c = t[token.begin];
        if (c == '{' || c == '(' || c == '[') {
            if (kinds.isEmpty())
                outermost = token.begin;
            kinds.append(c);
        } else if (!kinds.isEmpty() && ((c == '}' && innermost() == '{') || (c == ')' && innermost() == '(') ||
                                        (c == ']' && innermost() == '['))) {
            kinds.chop(1);
        }
    }
};

// The name of a declaration as the browser reads it: escapes decoded, ASCII letters in lower case.
// Characters beyond ASCII become a byte no property name holds.
QByteArray decodedName(QByteArrayView s);

// A "{" opened where no other bracket is open above the last one: where its prelude began.
struct Frame {
    qsizetype brace = 0, prelude = 0;
};
// The shape of the text before a place: the brackets open there, the top-level statement in
// progress (where it began; broken when the page cannot read it as a rule), the last token that is
// not a blank or a comment.
struct Outline {
    Brackets open;
    QList<Frame> frames;
    std::optional<qsizetype> statement;
    bool broken = false;
    Token last;
};
// Of the text before end; a comment, string or url() open there makes the statement broken.
Outline outline(const QByteArray& t, bool shiftJis, qsizetype end);
// A prelude as its rule reads it: comments out, blanks made one space, in lower case when asked. A
// string left open at its line end reads as ";" (never a selector or a condition).
QByteArray prelude(const QByteArray& t, bool shiftJis, const Frame& frame, bool lower);
} // namespace CssSyntax
