#pragma once
// Questions about the statements around the page set's arrays, on the tokens of ScriptTokenizer.h:
// which tokens name a global variable and where it is changed, whether a statement would run at
// the top level, and the elements of an array literal as plain values.
#include "ScriptTokenizer.h"

#include <QList>
#include <QString>
#include <optional>

namespace ScriptScan {

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
