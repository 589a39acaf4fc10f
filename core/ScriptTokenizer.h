#pragma once
// A JavaScript tokenizer: enough to read the page set's arrays as an engine reads them. It knows
// comments of both kinds, both quote characters and their escapes, template texts, regular
// expressions and numeric literals in every form, and brackets and how deep they nest; it does not
// parse the script (the questions about statements are in ScriptStatements.h).
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

// The index of the bracket that closes the one at tokens[open], or size when none does.
qsizetype closing(const Scan& scan, qsizetype open);

// Whether an expression begins after the word, so that a "/" there starts a regular expression and
// a "{" an object.
bool beginsExpression(QStringView word);
// Whether the word is if, while, for or with, whose "(...)" a statement follows.
bool isControlWord(QStringView word);

} // namespace ScriptScan
