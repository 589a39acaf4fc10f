#pragma once
// The recognition-word files "ninshiki_jp.js" / "ninshiki_en.js": the rows between two
// "/* ninshiki_go_data */" lines, read into four texts each and written back. No windows here.
#include <QByteArray>
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
    QByteArray head; // up to the opening marker, its indentation included
    QByteArray lead; // text other than white space in front of the first row, kept in place
    QByteArray tail; // after the closing marker's line end
    QList<Row> rows;
};

Parsed Read(const QByteArray& fileText);

// The whole file text; language 0 quotes the words with "'", 1 with '"'.
QByteArray Write(const QByteArray& head, const QByteArray& lead, const QByteArray& tail, const QList<Row>& rows,
                 int language);

// Drops the first and the last character (not byte); fewer than two characters give "".
QString TrimCQ(const QString& text);

QChar QuoteChar(int language);

// The first character of text that the file cannot carry in a word of that language.
std::optional<QChar> ForbiddenChar(const QString& text, int language);

// The first of a row's words (0 the word, 1 and 2 the alternatives) that holds such a character,
// and the character. The id is not edited and reads back as it was written.
struct Forbidden {
    int word;
    QChar character;
};
std::optional<Forbidden> FirstForbidden(const Row& row, int language);

} // namespace NinData
