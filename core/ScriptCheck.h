#pragma once
// Whether a page-set script parses as the page's engine parses it. A script that does not parse
// runs not at all, so the page gets none of its data: an editor must say so rather than show it.
#include "ScriptTokenizer.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <optional>

namespace ScriptCheck {
struct SyntaxError {
    qsizetype line;  // of the script text, counted from 1
    QString message; // the engine's own words
};

// Nothing when the whole text parses as a classic script does in a browser. Nothing of the text is
// ever run. Number forms browsers read that the checking engine does not know (legacy octal
// outside strict mode, separators, BigInt) are taken as browsers take them.
std::optional<SyntaxError> check(const QString& script);
// A big script is parsed in pieces. These are the pieces that parsed, by a digest of their text: a
// check of a text that holds the same pieces again (the file saved with a few rows changed) parses
// only the others, since a text parses the same every time.
struct Parsed {
    QSet<QByteArray> pieces;
};
// The same, with the scan of script a caller already holds (tokenizing a big file costs as much as
// the check itself). parsed, when given: the pieces known to parse, then those of script.
std::optional<SyntaxError> check(const QString& script, const ScriptScan::Scan& scan, Parsed* parsed = nullptr);
} // namespace ScriptCheck
