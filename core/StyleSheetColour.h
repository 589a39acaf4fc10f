#pragma once
// The page background colour in the style sheet: the block between two marker lines, read as a
// browser reads CSS (its tokens and blocks through CssSyntax): which rule the block counts in, the
// colour forms pages use, and the save that rewrites only the colour.
#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>
#include <optional>

#include "TextCodec.h"

namespace StyleSheetColour {
// The marker comment. It counts only on a line of its own (blanks around it allowed) that does not
// lie inside a comment or a string.
QByteArray marker();

// The offsets of the markers that count, in a text whose line ends are LF.
QList<qsizetype> markerLines(const QByteArray& lfText);

// What the window can show of the colour the block gives the page.
struct Reading {
    enum class Kind {
        Shown,       // the block holds just the background-color declaration, in a colour that is shown
        NeedsColour, // not shown exactly; a colour the user chooses can still be written safely
        Refused,     // nothing can be written without changing what else the page reads
    };
    Kind kind = Kind::Refused;
    // The colour the block gives the page, where it is known exactly (also beside other declarations).
    std::optional<QColor> color;
    // Why it is not Shown, naming the file and the line; empty when Shown.
    QString problem;
    // Said as well, whatever the kind: the page shows the sheet's text garbled (its bytes are in
    // another encoding than the page's).
    QString encodingNote;
};
// The sheet is read as the page's browser reads it: in the encoding the page declares (page), unless
// its byte order mark or @charset names another. The block counts only in a style rule for the
// body, with a valid selector, at the top level or inside "@media" or "@supports" rules known to
// apply on a screen; a form feed ends a line, escapes in property names are decoded.
Reading read(const QByteArray& fileText, const QString& fileName,
             std::optional<TextCodec::Encoding> page = std::nullopt);

struct SaveResult {
    std::optional<QByteArray> bytes;
    QString refusal;
};
// The file with its line ends made LF and the colour written as "#" and six lower-case digits in
// place of the block's background-color value, every other byte kept (other declarations and
// comments of the block, "!important"). A block without that declaration gets it as its first line;
// a file without markers gets a body rule holding the block at its end. Refused, with the reading's
// problem, exactly when Read gives Refused. The colour the block already gives: the file's own bytes.
SaveResult save(const QByteArray& fileText, const QColor& color, const QString& fileName,
                std::optional<TextCodec::Encoding> page = std::nullopt);

// The block as written into a new rule: four spaces, "background-color: #", six digits, ";", LF,
// four spaces.
QByteArray colorBlock(const QColor& color);
} // namespace StyleSheetColour
