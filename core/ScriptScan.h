#pragma once
// A JavaScript tokenizer: enough to read the page set's arrays as an engine reads them, and to tell
// when the text around them would keep the page from ending up with them. It knows comments of both
// kinds, both quote characters and their escapes, template texts, regular expressions and numeric
// literals in every form; it does not parse the script.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace ScriptScan {

enum class Kind : quint8 { Ident, Number, String, Template, Regex, Punct };

struct Token {
    // Positions in 32 bits (files are read up to 64 MiB) and no text of its own: a large script has
    // millions of tokens. Its text is Scan::text.
    qint32 start; // in the text
    qint32 end;
    qint32 line;  // of its start, counted from 1 (LF, CR and CR LF each end a line)
    qint32 depth; // brackets open before it; for a closing bracket, after it
    Kind kind;
    bool lineBreakBefore; // a line terminator stands between it and the token before
    bool escaped;         // an identifier written with \u escapes
};

struct Comment {
    qsizetype start;
    qsizetype end;
    qsizetype line;
};

} // namespace ScriptScan
// Moved as bytes when the list grows: a large script has millions of tokens.
Q_DECLARE_TYPEINFO(ScriptScan::Token, Q_PRIMITIVE_TYPE);
Q_DECLARE_TYPEINFO(ScriptScan::Comment, Q_PRIMITIVE_TYPE);
namespace ScriptScan {

struct Scan {
    QString source; // the text scanned
    QList<Token> tokens;
    QList<Comment> comments;
    // The names of the identifiers written with escapes, decoded, by their start.
    QHash<qint32, QString> escapedNames;
    // Where the text stops reading as a script the way this scan reads it: a string, template,
    // regular expression or comment left open, a bracket left open or closed in the wrong place, an
    // HTML-like comment (engines read those apart). 0 when it reads.
    qsizetype brokenLine = 0;
    qsizetype brokenAt = -1; // where in the text

    // A token's text as written; an identifier's with its escapes decoded. Valid while the scan lives.
    QStringView text(const Token& t) const {
        if (t.escaped)
            return escapedNames.find(t.start).value();
        return QStringView(source).sliced(t.start, t.end - t.start);
    }
    QStringView text(qsizetype k) const { return text(tokens[k]); }
};

Scan tokenize(const QString& text);

// A piece of the text replaced: [start, end) of the old text by text.
struct Replacement {
    qsizetype start;
    qsizetype end;
    QString text;
};
// Makes scan the scan of text, which is the scan's text with the pieces replaced (in order, not
// overlapping), without reading the rest again: each old piece is a bracket with what it encloses,
// each new one such a bracket on one line alone, which reads alone as it reads in place. False, and
// the scan as it was, when a piece is not such or the old text does not read.
bool retokenize(Scan& scan, const QString& text, const QList<Replacement>& replaced);

// The value of a string literal token. Nothing where an engine would not read it, or would read it
// differently in strict mode (legacy octal escapes).
std::optional<QString> stringValue(QStringView literal);
// The value of a numeric literal token; nothing for a BigInt or a literal an engine would refuse.
std::optional<double> numberValue(QStringView literal);

// The first character of text that cannot stand as it is between quote characters in a script: the
// quote itself (it would end the text early), a backslash (it escapes), a line terminator (it ends
// the line, U+2028 and U+2029 included). Nothing when every character can. What the page-set
// formats write between quotes is refused for these.
std::optional<QString> firstUnquotable(const QString& text, QChar quote);

// The comments that are exactly marker and stand on a line of their own (blanks around them
// allowed). Marker text inside another comment, a string or a line with other text is no marker.
QList<Comment> markerLines(const QString& text, const Scan& scan, const QString& marker);

// The index just past the line that holds text[from], its line end (LF, CR or CR LF) included.
qsizetype pastLine(const QString& text, qsizetype from);

// Whether tokens[k] is an identifier that names the global variable name (directly, or as a
// property of window, globalThis, self or the top-level this).
bool names(const Scan& scan, qsizetype k, QStringView name);
// Whether the name at tokens[k] is changed there: assigned (also a part of it), changed in place
// (++, --, delete, a mutating array method), or declared with let, const or class.
bool changes(const Scan& scan, qsizetype k);
// Whether the name at tokens[k] is declared there with let, const or class: a "var" for it would
// then fail and stop the whole script.
bool declaredLexically(const Scan& scan, qsizetype k);
// Whether a statement beginning at tokens[k] (k == size: at the end) would not run as a statement
// of its own at the top level: it stands inside a bracket, after "if (...)", "else" or "do", or
// after an unfinished expression.
bool openBefore(const Scan& scan, qsizetype k);

// Whether tokens[k] can begin a statement of its own (k == size: the text ends), rather than go on
// with the one before it.
bool startsStatement(const Scan& scan, qsizetype k);

// The index of the bracket that closes the one at tokens[open], or size when none does.
qsizetype closing(const Scan& scan, qsizetype open);
// Whether a value whose last token stands just before tokens[k] ends there: what follows does not
// go on with the expression (k == size: the text ends).
bool valueEnds(const Scan& scan, qsizetype k);

// One element of an array literal: its tokens [first, last); a hole has none.
struct Element {
    qsizetype first = -1;
    qsizetype last = -1;
    bool hole() const { return first < 0; }
};
// The elements of the array literal whose "[" is tokens[open], as an engine counts them: a
// trailing comma adds none, a comma with nothing before it a hole.
QList<Element> elements(const Scan& scan, qsizetype open);
// The "[" of an element that is one array literal and nothing more.
std::optional<qsizetype> arrayOf(const Scan& scan, const Element& e);

// An element as a plain value.
struct Literal {
    enum Kind { Hole, String, Number, Signed, Other } kind;
    QString value; // a string's value; for the others, the element's text
    double number = 0;
};
Literal literalOf(const QString& text, const Scan& scan, const Element& e);
// The digits of a whole number from 0 to 15 digits, as the page shows it; nothing for another.
std::optional<QString> wholeNumber(double value);

} // namespace ScriptScan
