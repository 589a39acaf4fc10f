#pragma once
// The page background colour in the style sheet: the block between two marker lines.
#include <QByteArray>
#include <QColor>
#include <optional>

namespace BgColor {
// The marker followed directly by LF; a marker with anything else after it on its line does not count.
QByteArray Separator();

// The colour of the block: the text after its first "#" up to ";", read as three pairs of
// hexadecimal digits, each as far as it is hexadecimal (0 otherwise). No block gives black.
QColor ReadColor(const QByteArray& fileText);

// Four spaces, "background-color: #", six digits, ";", LF, four spaces.
QByteArray ColorBlock(const QColor& color);

// The file with its line ends made LF and its block replaced; the text before the first and after the
// second separator is kept byte for byte, further separators included. A file without separators gets
// the block appended. Nothing when the file holds the separator once: there is no telling where its
// block ends, and writing would drop text.
std::optional<QByteArray> WriteColor(const QByteArray& fileText, const QColor& color);
} // namespace BgColor
