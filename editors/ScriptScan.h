#pragma once
// A light look at the script text around the button-data block: enough to tell when the page
// would not end up with the block's arrays. It knows comments, strings, template texts and regular
// expressions well enough to skip them; it does not parse the script.
#include <QString>
#include <QStringList>
#include <optional>

namespace ScriptScan {

struct Finding {
    qsizetype line; // counted from 1 in the text scanned
    QString name;
};

// The first place in text that declares one of names with let, const or class at the top level.
// The block's "var" would then be a second declaration, and the whole script fails.
std::optional<Finding> FirstTopLevelDeclaration(const QString& text, const QStringList& names);

// The first place that assigns to one of names, or to a part of it, or changes it in place (a
// mutating array method, ++, --, delete). After the block it would replace what the block set.
std::optional<Finding> FirstChange(const QString& text, const QStringList& names);

// Whether what follows text would not run as a statement of its own at the top level: text ends
// inside a string, a template text, a regular expression or a bracket, after "if (...)", "else" or
// "do", or in an unfinished expression.
bool OpenAtEnd(const QString& text);

} // namespace ScriptScan
