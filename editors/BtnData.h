#pragma once
// The button-data text of "plkpadbtn.js": two arrays of 4 banks x 13 pad buttons, kept as text
// tables, and the word lists the editor offers. Text in, tables out; tables in, text out.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

namespace BtnData {

constexpr int kBanks = 4;
constexpr int kPads = 13;
constexpr int kRows = kBanks * kPads; // rows 0 to 51 are shown and written

// Field, then row: table[0][row] is the id. Cells are text exactly as read or typed.
using Table = std::array<QStringList, 3>;

QString Marker(); // "/*-- Pelkavin Button Data --*/"

// One array of the text: entries after the first header up to the first "];", in text order.
Table ParseArray(const QString& lfText, const QString& header);
// Both arrays; tables shorter than 52 rows get empty rows so every pad has a cell.
void LoadData(const QString& text, Table& mAx, Table& mBx);
// The 61-line block between the markers (LF line ends); rows 0 to 51 of each table.
QString MakeNinBtnData(const Table& mAx, const Table& mBx);
// The block with both marker lines, as written into the file.
QByteArray MarkedBlock(const Table& mAx, const Table& mBx);
// The marker or a bank comment ("/* A */" to "/* D */"). In a cell it would move the block's end
// on the next save, or be taken for the bank's comment on the next read.
bool HoldsReservedText(const QString& cell);
// No written cell holds reserved text, so the block reads back as the same rows.
bool ReadsBack(const Table& mAx, const Table& mBx);
// The file with its marked block replaced. The head and tail keep their bytes; the line end after
// the closing marker belongs to the block, so repeated saves give the same file. One marker: its
// line is the block. More than two: the first two bound it, the rest stays in the tail. None: the
// block is appended.
QByteArray Splice(const QByteArray& old, const QByteArray& block);

// A text cell the format carries without breaking its entry or the page's script.
bool IsCarriableText(const QString& text);
// An id or seconds cell: empty or decimal digits.
bool IsNumberCell(const QString& text);

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
