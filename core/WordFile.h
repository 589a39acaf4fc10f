#pragma once
// The recognition-word files "ninshiki_jp.js" / "ninshiki_en.js": the rows between two
// "/* ninshiki_go_data */" lines, read as an engine reads the array they fill, into four texts each,
// and written back. No windows here. The text is decoded before it is read: in Shift_JIS the second
// byte of a character can be "[" or "]".
#include "PageSet.h"
#include "ScriptCheck.h"
#include "TextCodec.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace WordFile {

inline constexpr char kMarker[] = "/* ninshiki_go_data */";

struct Row {
    QString id;
    QString word;
    QString alt1;
    QString alt2;
    bool numericId = false; // the file gives the id as a number: it is written back as one
    bool operator==(const Row&) const = default;
};

// A file cut around the rows the editor owns. Everything here is written back as it stands
// (line ends made LF); only the rows are rebuilt.
struct Parsed {
    QString head; // up to the opening marker, its indentation included
    QString lead; // comments in front of the first row, kept in place
    QString tail; // after the closing marker's line
    QList<Row> rows;
    // The LF text read, and where in it each row's "[...]" stands: a row saved unedited is written
    // back as that text, with what stands between the rows.
    QString text;
    QList<std::pair<qsizetype, qsizetype>> spans;
    bool hasBlock = false; // the two marker lines are there
    // Why the list cannot show exactly what the page reads (the rows are then empty), naming the file
    // and the line; empty when it can.
    QString refusal;
    bool ok() const { return refusal.isEmpty(); }
};

// Line ends are made LF first. The rows are those of the array literal the two marker lines fill
// exactly; a file without marker lines has none. Refused: one marker line or more than two, marker
// lines that do not stand right inside one array, a row that is not an array of up to four plain
// values (a string, or a whole number for the id), a word the format cannot write back (see
// forbiddenChar in the file's language) or, where encoding is given, cannot carry, a change of the array's variable
// elsewhere, a script that does not end, and a file without marker lines that holds a comment
// that looks like one (the marker's words with other blanks, or not on a line of its own).
Parsed read(const QString& fileText, PageSet::Language language, const QString& fileName = QString(),
            std::optional<TextCodec::Encoding> encoding = std::nullopt);

// ScriptCheck::check of fileText, which read gave p for, in a fraction of the time and memory: rows
// read are plain values the page always parses, so the checking engine is given only their line
// ends (lines stay where they are). A text that does not parse is then checked whole.
std::optional<ScriptCheck::SyntaxError> checkScript(const QString& fileText, const Parsed& p);

// The whole file text; Japanese quotes the words with "'", English with '"'. Ids are in "'", unless
// the file gave them as numbers. An empty alternative 1 is written before a second one, so that
// the second stays second.
// One row in the form a save gives edited rows: "['101','word','alt']".
QString rowText(const Row& row, PageSet::Language language);

QString write(const QString& head, const QString& lead, const QString& tail, const QList<Row>& rows,
              PageSet::Language language);

QChar quoteChar(PageSet::Language language);

// The first character of a word that the file cannot carry in that language: it would end the
// quoted text early, escape, or break the line. Nothing when it is fine.
std::optional<QString> forbiddenChar(const QString& text, PageSet::Language language);

// The first field of a row (0 the id, 1 the word, 2 and 3 the alternatives) that holds such a
// piece, and the piece. Ids are checked against the apostrophe they are written in.
struct Forbidden {
    int field;
    QString what;
};
std::optional<Forbidden> firstForbidden(const Row& row, PageSet::Language language);

// A list row as messages name it: "2行目（ID 102）".
QString rowName(qsizetype row, const QString& id);
// "ID", "認識語", "別候補１", "別候補２".
QString fieldName(int field);

// The file as a read or a save left it, for the next save: while its bytes are still those, the save
// does not read the file through again (a big file is then not held twice). Nothing known when the
// digest is empty.
struct Known {
    QByteArray digest; // of the bytes
    TextCodec::Encoding encoding = TextCodec::Encoding::Utf8;
    Parsed cut; // as read gave it for those bytes, without its text and rows
    bool isKnown() const { return !digest.isEmpty(); }
};
// The digest of a file's bytes, as Known holds it.
QByteArray digest(const QByteArray& bytes);
// What read gave p for the bytes of that digest, decoded in encoding, kept for the next save.
Known known(const QByteArray& digest, TextCodec::Encoding encoding, const Parsed& p);

// A save of the list: the file's bytes as they are now (old), the rows as they were read from it
// (base) and as the list shows them (mine). Out: the new bytes and the rows the file then holds
// (the edited rows merged into the file's rows of now), or why nothing is written, naming the file
// and the row. Refused: a file in neither encoding or that read refuses, an edited row another
// program changed meanwhile, a word the file cannot carry, and a text that would not read back as
// those rows. The text keeps what surrounds the rows; line ends become LF.
struct SaveResult {
    std::optional<QByteArray> bytes;
    QList<Row> rows;
    QString head, tail; // around the rows in the new text
    QString refusal;
    bool unchanged = false; // the file already holds these rows: nothing is written (no bytes)
    Known known;            // the file as the save leaves it, when it does
};
// Rows not edited keep the text they were read from; only edited rows are written anew. An all-ASCII
// file is written in the page's encoding (page), and new text that would not parse is refused. A
// save that changes no row gives no bytes; a file without marker lines is refused.
SaveResult save(const QByteArray& old, const QList<Row>& base, const QList<Row>& mine, PageSet::Language language,
                const QString& fileName, std::optional<TextCodec::Encoding> page = std::nullopt);
// The same, the base given as mine with the rows edited as they were read (before, by position):
// the list's rows are then held once.
// known, when given, is the file as the rows were read from it or last written.
SaveResult saveEdits(const QByteArray& old, const QHash<qsizetype, Row>& before, const QList<Row>& mine,
                     PageSet::Language language, const QString& fileName,
                     std::optional<TextCodec::Encoding> page = std::nullopt, const Known& known = {});

// The rows to write into a file whose rows are now `disk`, when `base` was read from it and the
// user turned it into `mine` (same length, same ids): the disk's rows, each row the user edited
// replaced by the edit. Nothing when an edited row has no counterpart at its position with its id,
// or was changed there to something else; *conflict is then its position.
std::optional<QList<Row>> merge(const QList<Row>& base, const QList<Row>& mine, const QList<Row>& disk,
                                qsizetype* conflict = nullptr);

} // namespace WordFile
