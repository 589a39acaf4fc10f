#pragma once
// A real JavaScript engine as the judge of a saved page-set file: runs the file's text as the page
// would and reads back the arrays the page's script uses.
#include <QList>
#include <QString>
#include <QStringList>

namespace JsEval {
struct Result {
    QString error;           // empty when the script ran and the variable is an array
    QList<QStringList> rows; // the innermost arrays, in order; undefined and holes read as ""
    // The same rows with each value as exactly what the engine holds: 'text' for a string (in
    // apostrophes), the digits of a number, "hole" for an element the array does not have,
    // "undefined", "null", "true", "false", or "object".
    QList<QStringList> values;
    bool ran = false;       // the script ran to its end
    bool undefined = false; // it ran, and left the variable undefined
    bool ok() const { return error.isEmpty(); }
};

// Runs script in a fresh engine (in strict mode when asked) and reads the global variable.
Result rows(const QString& script, const QString& variable, bool strict = false);
// The same for several variables of one run.
QList<Result> rows(const QString& script, const QStringList& variables, bool strict = false);

// The same, with each value of a row told apart exactly: a string in apostrophes ('101', ''), a
// number as the engine prints it (101), "hole" for a hole and "undefined" for an undefined value;
// rows keep their own lengths.
Result exact(const QString& script, const QString& variable, bool strict = false);
} // namespace JsEval
