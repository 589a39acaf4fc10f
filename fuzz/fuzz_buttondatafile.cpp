// The button-data file "plkpadbtn.js". The first byte picks what the rest is (bit 0):
// - a whole file, any bytes;
// - pieces cut at NUL: a head and a tail around the built-in data written in a fuzzed style (blanks,
//   line breaks, comments, either quote, escapes, number forms, trailing commas), then values typed
//   into cells (bit 1: no markers, the head alone before the data; bit 2: the file in Shift_JIS).
// Read: whenever a JavaScript engine runs the file, the rows the editor shows are the engine's, or
// the editor refuses the file. Save: a save with no edit gives the same bytes; an edit of one row (or
// of the typed cells) leaves every other row's text and the text between rows as it was; where the
// block is written whole, the bytes outside the old block are kept;
// the saved file reads back as the rows the editor holds, no replacement character appears that the
// file did not hold, a second save changes nothing, and the engine reads the editor's rows from it
// (in strict mode too, when the old file ran in it).
#include "ButtonDataFile.h"
#include "FuzzCheck.h"
#include "FuzzStyle.h"
#include "JsEval.h"
#include "ScriptScan.h"
#include "TextCodec.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace {
using ButtonDataFile::Table;
using TextCodec::Encoding;

const char* const kNames[2] = {"ctrlbtndata", "ctrlbtnRobi"};

QList<QStringList> rowsOf(const Table& t) {
    QList<QStringList> rows;
    for (int r = 0; r < ButtonDataFile::kRows; ++r)
        rows << QStringList{t[0][r], t[1][r], t[2][r]};
    return rows;
}

bool allEmpty(const Table& t) {
    for (const QStringList& f : t)
        for (const QString& c : f)
            if (!c.isEmpty())
                return false;
    return true;
}

// Text the engine may run: without "(", "{" and "`" a script can neither call nor loop, and a
// bounded size and nesting keep the engine's parser out of the picture.
bool runnable(const QString& text) {
    return !text.contains(u'(') && !text.contains(u'{') && !text.contains(u'`') && text.size() < 20000 &&
           text.count(u'[') < 600;
}

// The engine's view of a file equals the tables: both arrays, 52 rows each, or undefined where the
// tables are empty. Nothing when the script did not run.
std::optional<bool> engineAgrees(const QString& script, const Table& ax, const Table& bx, bool strict) {
    const QList<JsEval::Result> r =
        JsEval::rows(script, QStringList{QString::fromLatin1(kNames[0]), QString::fromLatin1(kNames[1])}, strict);
    const Table* tables[2] = {&ax, &bx};
    for (int a = 0; a < 2; ++a) {
        if (!r[a].ran)
            return std::nullopt;
        const bool same = r[a].undefined ? allEmpty(*tables[a]) : r[a].ok() && r[a].rows == rowsOf(*tables[a]);
        if (!same)
            return false;
    }
    return true;
}

// Each row's text in the file, "[" to "]", by array and row.
QStringList rowTexts(const QString& text, const ButtonDataFile::Reading& r) {
    QStringList out;
    for (const auto& array : r.sources)
        for (const ButtonDataFile::RowSource& s : array)
            out << (s.start < 0 ? QString() : text.mid(s.start, s.end - s.start));
    return out;
}

// The text between the rows' entries, in the order they stand.
QStringList gaps(const QString& text, const ButtonDataFile::Reading& r) {
    QList<std::pair<qsizetype, qsizetype>> spans;
    for (const auto& array : r.sources)
        for (const ButtonDataFile::RowSource& s : array)
            spans.append({s.start, s.end});
    std::sort(spans.begin(), spans.end());
    QStringList out;
    qsizetype at = 0;
    for (const auto& [start, end] : spans) {
        out << text.mid(at, start - at);
        at = end;
    }
    return out << text.mid(at);
}

// Where both arrays are declared, a row the save did not change keeps its text exactly, and so
// does all the text between the rows.
void rowsKeepTheirText(const QString& oldText, const ButtonDataFile::Reading& read, const QString& savedText,
                       const Table& ax, const Table& bx) {
    if (!read.declared[0] || !read.declared[1])
        return;
    const ButtonDataFile::Reading back = ButtonDataFile::read(savedText, QStringLiteral("plkpadbtn.js"));
    PKL_FUZZ_CHECK(back.ok());
    PKL_FUZZ_CHECK(gaps(oldText, read) == gaps(savedText, back));
    const QStringList before = rowTexts(oldText, read), after = rowTexts(savedText, back);
    const QList<QStringList> was[2] = {rowsOf(read.recognition), rowsOf(read.robot)};
    const QList<QStringList> now[2] = {rowsOf(ax), rowsOf(bx)};
    for (int a = 0; a < 2; ++a)
        for (int r = 0; r < ButtonDataFile::kRows; ++r)
            if (was[a][r] == now[a][r] &&
                before[a * ButtonDataFile::kRows + r] != after[a * ButtonDataFile::kRows + r]) {
                std::fprintf(stderr, "row %d of array %d changed its text without an edit\n", r, a);
                PKL_FUZZ_CHECK(false);
            }
}

// The bytes before the first marker line and after the second one's line.
std::pair<QByteArray, QByteArray> outside(const QByteArray& bytes, Encoding encoding) {
    const QString text = TextCodec::decode(bytes, encoding);
    const QList<ScriptScan::Comment> m =
        ScriptScan::markerLines(text, ScriptScan::tokenize(text), ButtonDataFile::marker());
    if (m.size() != 2)
        return {bytes, {}};
    const qsizetype end = ScriptScan::pastLine(text, m[1].end);
    return {TextCodec::encode(text.left(m[0].start), encoding).value_or(QByteArray()),
            TextCodec::encode(text.mid(end), encoding).value_or(QByteArray())};
}

bool sameScan(const ScriptScan::Scan& a, const ScriptScan::Scan& b) {
    auto same = [](const ScriptScan::Token& x, const ScriptScan::Token& y) {
        return x.start == y.start && x.end == y.end && x.line == y.line && x.depth == y.depth && x.kind == y.kind &&
               x.lineBreakBefore == y.lineBreakBefore && x.escaped == y.escaped;
    };
    auto sameComment = [](const ScriptScan::Comment& x, const ScriptScan::Comment& y) {
        return x.start == y.start && x.end == y.end && x.line == y.line;
    };
    return a.source == b.source && a.brokenLine == b.brokenLine && a.escapedNames == b.escapedNames &&
           std::equal(a.tokens.begin(), a.tokens.end(), b.tokens.begin(), b.tokens.end(), same) &&
           std::equal(a.comments.begin(), a.comments.end(), b.comments.begin(), b.comments.end(), sameComment);
}

// The old text's scan moved over one row's replaced entry is the scan of the saved text read whole.
void movedScanIsRead(const QString& oldText, const ButtonDataFile::RowSource& row, const QString& savedText) {
    const qsizetype length = row.end - row.start + savedText.size() - oldText.size();
    if (row.start < 0 || length <= 0 || oldText.left(row.start) != savedText.left(row.start))
        return;
    ScriptScan::Scan scan = ScriptScan::tokenize(oldText);
    if (ScriptScan::retokenize(scan, savedText, {{row.start, row.end, savedText.mid(row.start, length)}}))
        PKL_FUZZ_CHECK(sameScan(scan, ScriptScan::tokenize(savedText)));
}

void check(const QByteArray& old, const std::function<void(Table&, Table&, Encoding)>& edit) {
    const ButtonDataFile::Reading read = ButtonDataFile::readFile(old, QStringLiteral("plkpadbtn.js"));
    for (const Table* t : {&read.recognition, &read.robot})
        for (const QStringList& field : *t)
            PKL_FUZZ_CHECK(field.size() == ButtonDataFile::kRows);
    const std::optional<Encoding> encoding = TextCodec::detect(old);
    if (!encoding) {
        PKL_FUZZ_CHECK(!read.ok());
        PKL_FUZZ_CHECK(!ButtonDataFile::save(old, read.recognition, read.robot, QStringLiteral("plkpadbtn.js")).bytes);
        return;
    }
    if (!read.ok())
        return; // said when the window opens; the save says it again
    const QString oldText = TextCodec::decode(old, *encoding);
    const bool run = runnable(oldText);
    // What the editor shows is what the page reads.
    const std::optional<bool> before = run ? engineAgrees(oldText, read.recognition, read.robot, false) : std::nullopt;
    if (before && !*before)
        std::fprintf(stderr, "the editor's rows are not the engine's\n");
    PKL_FUZZ_CHECK(!before || *before);

    // A save with no edit writes nothing, or the same bytes.
    const ButtonDataFile::SaveResult same =
        ButtonDataFile::save(old, read.recognition, read.robot, QStringLiteral("plkpadbtn.js"));
    PKL_FUZZ_CHECK(!same.bytes || *same.bytes == old);
    // An edit of one row, picked by the input, leaves every other row's text as it was.
    {
        const int pick = int(qHash(old) % (2 * ButtonDataFile::kRows));
        Table one[2] = {read.recognition, read.robot};
        QString& cell = one[pick / ButtonDataFile::kRows][2][pick % ButtonDataFile::kRows];
        cell = cell == QStringLiteral("x") ? QStringLiteral("y") : QStringLiteral("x");
        const ButtonDataFile::SaveResult saved =
            ButtonDataFile::save(old, one[0], one[1], QStringLiteral("plkpadbtn.js"));
        if (saved.bytes) {
            const QString savedText = TextCodec::decode(*saved.bytes, *encoding);
            rowsKeepTheirText(oldText, read, savedText, one[0], one[1]);
            if (read.declared[0] && read.declared[1])
                movedScanIsRead(oldText, read.sources[pick / ButtonDataFile::kRows][pick % ButtonDataFile::kRows],
                                savedText);
        }
    }

    Table ax = read.recognition, bx = read.robot;
    edit(ax, bx, *encoding);
    const bool edited = ax != read.recognition || bx != read.robot;
    const ButtonDataFile::SaveResult saved = ButtonDataFile::save(old, ax, bx, QStringLiteral("plkpadbtn.js"));
    if (!saved.bytes)
        return;
    const QString savedText = TextCodec::decode(*saved.bytes, *encoding);
    const std::optional<Encoding> after = TextCodec::detect(*saved.bytes);
    PKL_FUZZ_CHECK(after && TextCodec::decode(*saved.bytes, *after) == savedText);
    PKL_FUZZ_CHECK(edited || savedText.count(QChar(0xFFFD)) <= oldText.count(QChar(0xFFFD)));

    rowsKeepTheirText(oldText, read, savedText, ax, bx);

    // The saved file reads back, and a second save gives the same file.
    const ButtonDataFile::Reading back = ButtonDataFile::readFile(*saved.bytes, QStringLiteral("plkpadbtn.js"));
    PKL_FUZZ_CHECK(back.ok() && rowsOf(back.recognition) == rowsOf(ax) && rowsOf(back.robot) == rowsOf(bx));
    PKL_FUZZ_CHECK(ButtonDataFile::save(*saved.bytes, ax, bx, QStringLiteral("plkpadbtn.js")).bytes == saved.bytes);

    // Where the block is written whole, nothing outside it changes.
    if (!read.declared[0] || !read.declared[1]) {
        const auto [head, tail] = outside(old, *encoding);
        PKL_FUZZ_CHECK(saved.bytes->startsWith(head));
        PKL_FUZZ_CHECK(saved.bytes->endsWith(tail));
    }

    // The page reads the editor's rows.
    if (!before || !runnable(savedText))
        return;
    const std::optional<bool> page = engineAgrees(savedText, ax, bx, false);
    PKL_FUZZ_CHECK(page && *page);
    if (engineAgrees(oldText, read.recognition, read.robot, true).value_or(false))
        PKL_FUZZ_CHECK(engineAgrees(savedText, ax, bx, true).value_or(false));
}

QString number(const QString& digits, Style& style) {
    const qint64 v = digits.toLongLong();
    switch (style.next(6)) {
    case 1:
        return QStringLiteral("0x") + QString::number(v, 16);
    case 2:
        return digits + QStringLiteral(".0");
    case 3:
        return QStringLiteral("'") + digits + u'\'';
    case 4:
        return digits + QStringLiteral("e0");
    default:
        return digits;
    }
}

QString text(const QString& value, Style& style) {
    const QChar q = style.next(2) ? u'"' : u'\'';
    QString out(q);
    for (const QChar c : value) {
        if (style.next(8) == 0)
            out += QStringLiteral("\\u") + QString::number(c.unicode(), 16).rightJustified(4, u'0');
        else
            out += c;
    }
    return out + q;
}

// The built-in data, as another program or a person might have written it.
QString styled(const Table& ax, const Table& bx, Style& style) {
    QString out;
    for (int a = 0; a < 2; ++a) {
        const Table& t = a ? bx : ax;
        out += QStringLiteral("var") + (style.next(2) ? QStringLiteral("\t") : QStringLiteral(" ")) +
               QString::fromLatin1(kNames[a]) + style.gap() + u'=' + style.gap() + u'[' + style.gap();
        for (int b = 0; b < ButtonDataFile::kBanks; ++b) {
            out += u'[' + style.gap();
            for (int p = 0; p < ButtonDataFile::kPads; ++p) {
                const int r = b * ButtonDataFile::kPads + p;
                out += u'[' + style.gap() + number(t[0][r], style) + u',' + style.gap() +
                       (a ? number(t[1][r], style) : text(t[1][r], style)) + u',' + style.gap() + text(t[2][r], style) +
                       (style.next(4) == 0 ? QStringLiteral(",") : QString()) + u']';
                if (p + 1 < ButtonDataFile::kPads || style.next(2))
                    out += u',';
                out += style.gap();
            }
            out += u']';
            if (b + 1 < ButtonDataFile::kBanks || style.next(2))
                out += u',';
            out += style.gap();
        }
        out += style.next(3) ? QStringLiteral("];\n") : QStringLiteral("]\n");
    }
    return out;
}

QString piece(const QByteArray& bytes) {
    QString text = QString::fromUtf8(bytes);
    for (const QChar c : {u'(', u'{', u'`'})
        text.remove(c);
    return text;
}

void asEdits(const QByteArray& input, uint8_t flags) {
    const QList<QByteArray> pieces = input.split('\0');
    Table defaults[2];
    ButtonDataFile::readTables(ButtonDataFile::defaultButtonData(), defaults[0], defaults[1]);
    Style style(pieces.value(2));
    const QString data = styled(defaults[0], defaults[1], style);
    const QString head = piece(pieces.value(0)), tail = piece(pieces.value(1));
    const QString marker = ButtonDataFile::marker() + u'\n';
    const QString text = flags & 2 ? head + u'\n' + data : head + u'\n' + marker + data + marker + tail;
    const Encoding encoding = flags & 4 ? Encoding::ShiftJis : Encoding::Utf8;
    const std::optional<QByteArray> old = TextCodec::encode(text, encoding);
    if (!old || TextCodec::detect(*old) != encoding)
        return;
    check(*old, [&](Table& ax, Table& bx, Encoding fileEncoding) {
        for (qsizetype k = 3; k < pieces.size(); ++k) {
            const int cell = int(k - 3);
            const bool robi = cell % 2;
            const int field = (cell / 2) % 3;
            const int row = (cell * 7) % ButtonDataFile::kRows;
            const QString value = QString::fromUtf8(pieces[k]);
            if (ButtonDataFile::checkCell(value, field == 0 || (robi && field == 1), fileEncoding))
                continue; // the store refuses it
            (robi ? bx : ax)[field][row] = value;
        }
    });
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ensureApplication();
    if (size == 0)
        return 0;
    const QByteArray rest(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    if (data[0] & 1)
        asEdits(rest, data[0]);
    else
        check(rest, [](Table&, Table&, Encoding) {});
    return 0;
}
