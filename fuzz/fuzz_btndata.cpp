// The button-data file "plkpadbtn.js". The first byte picks what the rest is (bit 0):
// - a whole file: any bytes read; when the tool saves, the bytes outside the old block are kept,
//   the block reads back as the rows the editor holds, no replacement character appears that the
//   file did not hold, and a second save changes nothing;
// - pieces cut at NUL: a head and a tail around a marked block of the built-in data (bit 1: no
//   markers, the head alone; bit 2: the file in Shift_JIS), then values typed into cells. Each
//   value the editor's store accepts goes into its cell.
// In both, whenever the file runs in a JavaScript engine and the engine reads the rows the tool
// reads, and the tool saves, the engine runs the saved file and reads the rows the editor holds
// (in strict mode too, when the old file ran in it).
#include "BtnData.h"
#include "FuzzCheck.h"
#include "JsEval.h"
#include "TextCodec.h"

#include <cstddef>
#include <cstdint>

namespace {
using BtnData::Table;
using TextCodec::Encoding;

QList<QStringList> rowsOf(const Table& t) {
    QList<QStringList> rows;
    for (int r = 0; r < BtnData::kRows; ++r)
        rows << QStringList{t[0][r], t[1][r], t[2][r]};
    return rows;
}

// The engine's view of a file: both arrays, 52 rows each.
bool engineReads(const QString& script, const Table& ax, const Table& bx, bool strict) {
    const JsEval::Result a = JsEval::Rows(script, QStringLiteral("ctrlbtndata"), strict);
    const JsEval::Result b = JsEval::Rows(script, QStringLiteral("ctrlbtnRobi"), strict);
    return a.ok() && b.ok() && a.rows == rowsOf(ax) && b.rows == rowsOf(bx);
}

void judge(const QByteArray& old, const Table& loadedA, const Table& loadedB, const Table& ax, const Table& bx,
           bool edited) {
    const BtnData::SaveResult saved = BtnData::Save(old, ax, bx, QStringLiteral("plkpadbtn.js"));
    if (!saved.bytes)
        return;
    const std::optional<Encoding> encoding = TextCodec::Detect(old);
    PKL_FUZZ_CHECK(encoding);
    const QString oldText = TextCodec::Decode(old, *encoding);
    const QString savedText = TextCodec::Decode(*saved.bytes, *encoding);
    // The saved file reads as the text written (ASCII reads the same in both encodings).
    const std::optional<Encoding> after = TextCodec::Detect(*saved.bytes);
    PKL_FUZZ_CHECK(after && TextCodec::Decode(*saved.bytes, *after) == savedText);
    // Typed text can hold one; a save without edits never adds one.
    PKL_FUZZ_CHECK(edited || savedText.count(QChar(0xFFFD)) <= oldText.count(QChar(0xFFFD)));

    // The block reads back, and a second save gives the same file.
    Table ax2, bx2;
    BtnData::LoadData(savedText, ax2, bx2);
    PKL_FUZZ_CHECK(rowsOf(ax2) == rowsOf(ax) && rowsOf(bx2) == rowsOf(bx));
    const BtnData::SaveResult again = BtnData::Save(*saved.bytes, ax2, bx2, QStringLiteral("plkpadbtn.js"));
    PKL_FUZZ_CHECK(again.bytes == saved.bytes);

    // Outside the block nothing changes: the head before the first marker, and everything after
    // the closing marker's line.
    const QByteArray marker = BtnData::Marker().toLatin1();
    const qsizetype first = old.indexOf(marker);
    if (first < 0) {
        PKL_FUZZ_CHECK(saved.bytes->startsWith(old));
    } else {
        const qsizetype second = old.indexOf(marker, first + marker.size());
        qsizetype tail = second + marker.size();
        if (old.mid(tail, 2) == "\r\n")
            tail += 2;
        else if (tail < old.size() && (old[tail] == '\n' || old[tail] == '\r'))
            ++tail;
        PKL_FUZZ_CHECK(saved.bytes->startsWith(old.left(first)));
        PKL_FUZZ_CHECK(saved.bytes->endsWith(old.mid(tail)));
    }

    // What the page reads. A file without markers gets its block at the end, so only its running
    // matters; with markers the page must have read what the tool read.
    const bool ran =
        first < 0 ? JsEval::Rows(oldText, QStringLiteral("[]")).ok() : engineReads(oldText, loadedA, loadedB, false);
    if (!ran)
        return;
    PKL_FUZZ_CHECK(engineReads(savedText, ax, bx, false));
    if (first >= 0 && engineReads(oldText, loadedA, loadedB, true))
        PKL_FUZZ_CHECK(engineReads(savedText, ax, bx, true));
}

void wholeFile(const QByteArray& old) {
    const std::optional<Encoding> encoding = TextCodec::Detect(old);
    Table ax, bx;
    BtnData::LoadData(encoding ? TextCodec::Decode(old, *encoding) : QString::fromUtf8(old), ax, bx);
    for (int f = 0; f < 3; ++f)
        PKL_FUZZ_CHECK(ax[f].size() >= BtnData::kRows && bx[f].size() >= BtnData::kRows);
    if (!encoding) {
        PKL_FUZZ_CHECK(!BtnData::Save(old, ax, bx, QStringLiteral("plkpadbtn.js")).bytes);
        return;
    }
    judge(old, ax, bx, ax, bx, false);
}

void asEdits(const QByteArray& input, uint8_t flags) {
    const QList<QByteArray> pieces = input.split('\0');
    const QString head = QString::fromUtf8(pieces.value(0));
    const QString tail = QString::fromUtf8(pieces.value(1));
    const bool markers = !(flags & 2);
    const Encoding encoding = flags & 4 ? Encoding::ShiftJis : Encoding::Utf8;
    const QString marker = BtnData::Marker() + u'\n';
    const QString text = markers ? head + marker + BtnData::DefaultBtnData() + marker + tail : head;
    const std::optional<QByteArray> old = TextCodec::Encode(text, encoding);
    if (!old || TextCodec::Detect(*old) != encoding)
        return;
    Table loadedA, loadedB;
    BtnData::LoadData(TextCodec::Decode(*old, encoding), loadedA, loadedB);
    Table ax = loadedA, bx = loadedB;
    for (qsizetype k = 2; k < pieces.size(); ++k) {
        const int cell = int(k - 2);
        const bool robi = cell % 2;
        const int field = (cell / 2) % 3;
        const int row = (cell * 7) % BtnData::kRows;
        const QString value = QString::fromUtf8(pieces[k]);
        const bool number = field == 0 || (robi && field == 1);
        if (BtnData::CheckCell(value, number, encoding))
            continue; // the store refuses it
        (robi ? bx : ax)[field][row] = value;
    }
    judge(*old, loadedA, loadedB, ax, bx, true);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArray rest(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    if (data[0] & 1)
        asEdits(rest, data[0]);
    else
        wholeFile(rest);
    return 0;
}
