#pragma once
// The button-data text of "plkpadbtn.js": two arrays of 4 banks x 13 pad buttons, kept as text
// tables, and the word lists the editor offers. Text in, tables out; tables in, text out.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "ScriptCheck.h"
#include "TextCodec.h"

namespace ButtonDataFile {

constexpr int kBanks = 4;
constexpr int kPads = 13;
constexpr int kRows = kBanks * kPads; // rows 0 to 51 are shown and written

// The two arrays of buttons, in the file's order: ctrlbtndata, then ctrlbtnRobi.
enum class ButtonTable { Recognition, Robot };
// The three types a pad shows, each with its word list: Japanese and English recognition words,
// the robot's phrases.
enum class WordList { Japanese, English, Robot };

// Field, then row: table[0][row] is the id. Cells are text exactly as read or typed.
using Table = std::array<QStringList, 3>;

QString marker(); // "/*-- Pelkavin Button Data --*/"

// Where a row's entry stands in the text read, "[" to "]", and which of its cells were strings
// there (a "" the page reads must not become a hole when the row is written again).
struct RowSource {
    qsizetype start = -1;
    qsizetype end = -1;
    bool string[3] = {false, false, false};
};

// What the page's script gives the two arrays, as the editor holds them: 52 rows each, empty
// where the file declares no array. The file is read as an engine reads it (comments, blanks, both
// quote characters, escapes, trailing commas, numbers in every literal form); the page ends up with
// the last top-level "var" declaration of each. When the editor cannot hold exactly what the page
// reads (another number of banks, buttons or fields, a value that is no plain literal, a number an
// id or seconds cell cannot hold, a change of an array elsewhere, a script that does not end), the
// tables are empty and refusal says why, naming the file and the line.
struct Reading {
    Table recognition; // ctrlbtndata: the recognition words' buttons (id, Japanese, English)
    Table robot;       // ctrlbtnRobi: the robot's phrases (id, seconds, phrase)
    QString refusal;
    // What would keep a save from writing the file, though it reads (the marker lines); else empty.
    QString saveRefusal;
    // What the window says at opening though the file reads (the page shows its text garbled).
    QString notice;
    std::optional<TextCodec::Encoding> encoding; // what the file is read and written in, when read
    bool declared[2] = {false, false};           // whether the file declares ctrlbtndata, ctrlbtnRobi
    // By array, then row; start -1 where the array is not declared.
    std::array<std::array<RowSource, kRows>, 2> sources;
    // The pieces of the script the syntax check parsed, for the save's check of the new text.
    ScriptCheck::Parsed parsed;
    bool ok() const { return refusal.isEmpty(); }
};
// text as decoded; encoding, when known, is the file's: values it cannot carry are refused.
Reading read(const QString& text, const QString& fileName, std::optional<TextCodec::Encoding> encoding = std::nullopt);
// The file's bytes, in the encoding the page reads them in (page: what the top page declares): an
// all-ASCII file takes the page's, one whose own bytes settle another keeps it (and notice says the
// page shows it garbled). A file in neither encoding, or a script that does not parse as the page's
// engine parses it, is refused, naming the line and the engine's words.
Reading readFile(const QByteArray& bytes, const QString& fileName,
                 std::optional<TextCodec::Encoding> page = std::nullopt);
// The tables alone (empty ones where the text is refused).
void readTables(const QString& text, Table& recognition, Table& robot);
// The 61-line block between the markers (LF line ends); rows 0 to 51 of each table.
QString block(const Table& recognition, const Table& robot);
// The block with both marker lines, as written into the file.
QString markedBlock(const Table& recognition, const Table& robot);
// One row's entry in the block's form, "[" to "]" (no comma). source: the entry the row had, whose
// string cells stay strings when empty; nothing for a new row.
QString entry(const Table& table, int row, bool robot, const RowSource* source = nullptr);
// Why a cell cannot be written as it stands.
enum class Fault {
    Number,    // an id or seconds cell that is not empty, "0", or up to 15 digits not starting with 0
    Character, // a text cell with a character that would end its quotes, escape, or break the line
    Encoding,  // a character the file's encoding cannot carry
};
struct CellFault {
    Fault fault;
    QString what; // the piece refused (the whole cell for Number)
};
// number: an id or seconds cell, written unquoted. encoding: the file's, or nothing to skip that check.
std::optional<CellFault> checkCell(const QString& cell, bool number, std::optional<TextCodec::Encoding> encoding);
// "バンクBの3番目のボタンの認識(英)".
QString cellName(ButtonTable table, int row, int field);

// The file's new bytes, or why it is not saved (nothing written then). Rows that equal the file's
// are left as the text they are; where both arrays are declared, only the entries of edited rows
// are replaced, each written in the block's form; otherwise the block replaces the marker lines and
// what stands between them, or is appended. Rows equal to the file's give the old bytes (an
// undeclared array counts as equal while its rows are all empty). New text goes in the file's own
// encoding (see ReadFile); the rest keeps its bytes. Refused: a file in neither encoding, broken
// markers, a cell that would not read back as it stands, text outside the block that would keep the
// page from reading the block's arrays, and new text that would not parse as a script.
struct SaveResult {
    std::optional<QByteArray> bytes;
    QString refusal;
};
// page: as for ReadFile. parsed, when given: what the check of the file parsed when it was read (a
// Reading's), then what it parsed of the new text.
SaveResult save(const QByteArray& old, const Table& recognition, const Table& robot, const QString& fileName,
                std::optional<TextCodec::Encoding> page = std::nullopt, ScriptCheck::Parsed* parsed = nullptr);

// The built-in texts compiled into the program.
QString defaultButtonData();
QString japaneseWordList();
QString englishWordList();
QString robotPhraseList();

// A word list's entries, each as its comma-separated fields with the quotes removed.
QList<QStringList> parseWordList(const QString& list);
// The word list's rows for a type: the recognition words give id, empty, Japanese, English (merged
// by id, the last English entry wins); the robot's phrases give id, seconds, phrase.
QList<QStringList> listRows(WordList type, const QString& listJ, const QString& listE, const QString& listRobi);

} // namespace ButtonDataFile
