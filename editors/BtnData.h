#pragma once
// The button-data text of "plkpadbtn.js": two arrays of 4 banks x 13 pad buttons, kept as text
// tables, and the word lists the editor offers. Text in, tables out; tables in, text out.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "TextCodec.h"

namespace BtnData {

constexpr int kBanks = 4;
constexpr int kPads = 13;
constexpr int kRows = kBanks * kPads; // rows 0 to 51 are shown and written

// Field, then row: table[0][row] is the id. Cells are text exactly as read or typed.
using Table = std::array<QStringList, 3>;

QString Marker(); // "/*-- Pelkavin Button Data --*/"

// One array of the text: entries after the first header up to the first "];", in text order.
Table ParseArray(const QString& lfText, const QString& header);
// Both arrays; tables shorter than 52 rows get empty rows so every pad has a cell. When the marker
// stands exactly twice, an array the block declares is read from the block: that is the one the
// page ends up with.
void LoadData(const QString& text, Table& mAx, Table& mBx);
// The 61-line block between the markers (LF line ends); rows 0 to 51 of each table.
QString MakeNinBtnData(const Table& mAx, const Table& mBx);
// The block with both marker lines, as written into the file.
QString MarkedBlock(const Table& mAx, const Table& mBx);
// The file with its marked block replaced. The head and tail keep their bytes; the line end after
// the closing marker belongs to the block, so repeated saves give the same file. None: the block is
// appended. Nothing when the marker stands once or three times or more: the page would keep
// reading arrays that the editor does not write.
std::optional<QByteArray> Splice(const QByteArray& old, const QByteArray& block);

// Why a cell cannot be written as it stands.
enum class Fault {
    Number,    // an id or seconds cell that is not empty, "0", or up to 15 digits not starting with 0
    Character, // a text cell with a character that ends its entry, escapes, or breaks the line
    Reserved,  // the marker or a bank comment ("/* A */" to "/* D */"): it would move the block's end
               // on the next save, or be taken for the bank's comment on the next read
    Encoding,  // a character the file's encoding cannot carry
};
struct CellFault {
    Fault fault;
    QString what; // the piece refused (the whole cell for Number)
};
// number: an id or seconds cell, written unquoted. encoding: the file's, or nothing to skip that check.
std::optional<CellFault> CheckCell(const QString& cell, bool number, std::optional<TextCodec::Encoding> encoding);
// "バンクBの3番目のボタンの認識(英)": table 0 is mAx, 1 is mBx.
QString CellName(int table, int row, int field);

// The file's new bytes, or why it is not saved (nothing written then). The block goes in the
// file's own encoding (UTF-8, or Shift_JIS where the bytes are not UTF-8); the text outside keeps
// its bytes. Refused: a file in neither encoding, broken markers, a cell that would not read back
// as it stands, and text outside the block that would keep the page from reading the block's arrays.
struct SaveResult {
    std::optional<QByteArray> bytes;
    QString refusal;
};
SaveResult Save(const QByteArray& old, const Table& mAx, const Table& mBx, const QString& fileName);

// The built-in texts compiled into the program.
QString DefaultBtnData();
QString NinWordListJ();
QString NinWordListE();
QString RobiWordList();

// A word list's entries, each as its comma-separated fields with the quotes removed.
QList<QStringList> ParseWordList(const QString& list);
// The list box rows for a type: 0 and 1 give id, empty, Japanese, English (merged by id, the last
// English entry wins); 2 gives id, seconds, phrase.
QList<QStringList> ListRows(int type, const QString& listJ, const QString& listE, const QString& listRobi);

} // namespace BtnData
