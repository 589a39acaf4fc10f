#pragma once
// The recognition-word files "ninshiki_jp.js" / "ninshiki_en.js": the rows between two
// "/* ninshiki_go_data */" lines, read into four texts each and written back. No windows here.
// The text is decoded before it is cut: in Shift_JIS the second byte of a character can be "[" or "]".
#include <QList>
#include <QString>
#include <optional>

namespace NinData {

inline constexpr char kMarker[] = "/* ninshiki_go_data */";

struct Row {
    QString id;
    QString word;
    QString alt1;
    QString alt2;
    bool operator==(const Row&) const = default;
};

// A file cut around the rows the editor owns. Everything here is written back as it stands
// (line ends made LF); only the rows are rebuilt.
struct Parsed {
    QString head; // up to the opening marker, its indentation included
    QString lead; // text other than white space in front of the first row, kept in place
    QString tail; // after the closing marker's line end
    QList<Row> rows;
};

Parsed Read(const QString& fileText);

// The whole file text; language 0 quotes the words with "'", 1 with '"'. Ids are always in "'".
QString Write(const QString& head, const QString& lead, const QString& tail, const QList<Row>& rows, int language);

// Drops the first and the last character (not UTF-16 unit); fewer than two characters give "".
QString TrimCQ(const QString& text);

QChar QuoteChar(int language);

// The first piece of a word that the file cannot carry in that language: it would end the quoted
// text early, escape, break the line, split the row, or read as a marker. Nothing when it is fine.
std::optional<QString> ForbiddenChar(const QString& text, int language);

// The first field of a row (0 the id, 1 the word, 2 and 3 the alternatives) that holds such a
// piece, and the piece. Ids are checked against the apostrophe they are written in.
struct Forbidden {
    int field;
    QString what;
};
std::optional<Forbidden> FirstForbidden(const Row& row, int language);

// The rows to write into a file whose rows are now `disk`, when `base` was read from it and the
// user turned it into `mine` (same length, same ids): the disk's rows, each row the user edited
// replaced by the edit. Nothing when an edited row has no counterpart at its position with its id,
// or was changed there to something else; *conflict is then its position.
std::optional<QList<Row>> Merge(const QList<Row>& base, const QList<Row>& mine, const QList<Row>& disk,
                                qsizetype* conflict = nullptr);

} // namespace NinData
