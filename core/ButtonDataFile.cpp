#include "ButtonDataFile.h"

#include "Messages.h"
#include "ScriptCheck.h"
#include "ScriptScan.h"
#include "TextUtil.h"

#include <QFile>
#include <QHash>
#include <algorithm>

namespace ButtonDataFile {

QString marker() {
    return QStringLiteral("/*-- Pelkavin Button Data --*/");
}

namespace {
using ScriptScan::Element;
using ScriptScan::Literal;
using ScriptScan::Scan;

const QString kArrayNames[2] = {QStringLiteral("ctrlbtndata"), QStringLiteral("ctrlbtnRobi")};

// The table of the array at index 0 or 1 of the file's two.
ButtonTable tableOf(int array) {
    return array == 0 ? ButtonTable::Recognition : ButtonTable::Robot;
}

void padRows(Table& table) {
    for (QStringList& field : table)
        while (field.size() < kRows)
            field.append(QString());
}

Table emptyTable() {
    Table t;
    padRows(t);
    return t;
}

// The messages, in one place. A problem is a clause ("…があります") that a refusal of the file puts
// in its sentence, with the file and the line.
QString bankName(int array, int bank) {
    return QStringLiteral("%1のバンク%2").arg(kArrayNames[array], QChar(u'A' + bank));
}

QString buttonName(int array, int row) {
    return QStringLiteral("%1の%2番目のボタン").arg(bankName(array, row / kPads), QString::number(row % kPads + 1));
}

QString refusalOf(const QString& fileName, qsizetype line, const QString& problem) {
    return QStringLiteral("%1の%2行目で、%3。この画面ではページと同じ内容を表示できないため、読み込みも保存もしませ"
                          "ん...")
        .arg(fileName, QString::number(line), problem);
}

QString numberRule() {
    return QStringLiteral("IDと秒は、空欄、0、または0で始まらない15桁までの整数です");
}

QString bankCountProblem(int array, qsizetype count) {
    return QStringLiteral("%1のバンクが%2つあります（4つです）").arg(kArrayNames[array], QString::number(count));
}

QString padCountProblem(const QString& bank, qsizetype count) {
    return QStringLiteral("%1のボタンが%2個あります（13個です）").arg(bank, QString::number(count));
}

QString valueCountProblem(const QString& button, qsizetype count) {
    return QStringLiteral("%1の値が%2つあります（3つです）").arg(button, QString::number(count));
}

QString notAnArrayProblem(const QString& what) {
    return QStringLiteral("%1が配列ではありません").arg(what);
}

QString notANumberProblem(const QString& cell, const QString& value) {
    return QStringLiteral("%1の「%2」は保存できる数ではありません（%3）").arg(cell, value, numberRule());
}

QString notALiteralProblem(const QString& cell, bool number) {
    return QStringLiteral("%1が、そのまま書かれた%2ではありません")
        .arg(cell, number ? QStringLiteral("数や文字列") : QStringLiteral("文字列"));
}

QString lexicalProblem(const QString& array) {
    return QStringLiteral("%1をletやconst、classで定義しています（varにして下さい）").arg(array);
}

QString changedElsewhereProblem(const QString& array) {
    return QStringLiteral("%1を、そのまま書かれた配列の定義「var %1 = [...]」のほかで定義または変更しています")
        .arg(array);
}

QString cellProblem(const CellFault& f, ButtonTable table, int row, int field,
                    std::optional<TextCodec::Encoding> encoding) {
    const QString cell = cellName(table, row, field);
    switch (f.fault) {
    case Fault::Number:
        return notANumberProblem(cell, f.what);
    case Fault::Character:
        return QStringLiteral("%1に%2が含まれています（この画面では書けない文字です）")
            .arg(cell, TextUtil::shown(f.what));
    case Fault::Encoding:
        break;
    }
    // Only a cell checked against an encoding is refused for it.
    return Messages::cannotCarry(cell, f.what, *encoding, QStringLiteral("このファイル"));
}

QString saveRefusal(const CellFault& f, ButtonTable table, int row, int field, TextCodec::Encoding encoding,
                    const QString& fileName) {
    const QString cell = cellName(table, row, field);
    switch (f.fault) {
    case Fault::Number:
        return QStringLiteral("%1の%2は保存できません。%3...").arg(cell, TextUtil::shown(f.what), numberRule());
    case Fault::Character:
        return QStringLiteral("%1に%2が含まれているため保存できません...").arg(cell, TextUtil::shown(f.what));
    case Fault::Encoding:
        break;
    }
    return Messages::cannotCarrySo(cell, f.what, encoding, fileName, QStringLiteral("保存できません..."));
}

QString markerCountRefusal(const QString& fileName, const QList<ScriptScan::Comment>& markers) {
    return Messages::markerCount(fileName, QStringLiteral("ボタンデータ"), marker(), markers,
                                 QStringLiteral("保存できません"));
}

QString declaredAfterRefusal(const QString& fileName, qsizetype line, const QString& array) {
    return QStringLiteral("%1の%2行目で、目印の外から%3を定義または変更しているため保存できません（保存した内容がページ"
                          "に届きません）...")
        .arg(fileName, QString::number(line), array);
}

QString openBeforeRefusal(const QString& fileName, qsizetype line) {
    return QStringLiteral("%1の%2行目のボタンデータの前が、文字列や括弧、if文などの途中で終わっているため保存できませ"
                          "ん（保存した内容がページに届きません）...")
        .arg(fileName, QString::number(line));
}

QString goesOnAfterRefusal(const QString& fileName, qsizetype line) {
    return QStringLiteral("%1の%2行目のボタンデータの後ろが、目印の間の式の続きになっているため保存できません（保存し"
                          "た内容がページに届きません）...")
        .arg(fileName, QString::number(line));
}

QString notSavedRefusal(const QString& fileName) {
    return QStringLiteral("%1を保存できませんでした...").arg(fileName);
}

QString encodingLostRefusal(const QString& fileName, TextCodec::Encoding encoding) {
    return QStringLiteral("%1は、保存すると文字コードが%2と見分けられなくなるため保存できません...")
        .arg(fileName, TextCodec::name(encoding));
}

QString notReadBackRefusal(const QString& fileName) {
    return QStringLiteral("%1は、保存してもページに表示どおりの内容が届かないため保存できません...").arg(fileName);
}

// A problem at a line of the text.
struct Problem {
    qsizetype line;
    QString what;
};

// The "[" of a top-level "var name = [...]" at tokens[k] whose value is that array alone, as a
// statement of its own; nothing for any other use of the name.
std::optional<qsizetype> declaredArray(const Scan& scan, qsizetype k) {
    const QList<ScriptScan::Token>& t = scan.tokens;
    auto punct = [&](qsizetype at, const char16_t* text) {
        return at >= 0 && at < t.size() && t[at].kind == ScriptScan::Kind::Punct && scan.text(at) == text;
    };
    if (t[k].kind != ScriptScan::Kind::Ident || t[k].depth != 0 || punct(k - 1, u".") || !punct(k + 1, u"=") ||
        !punct(k + 2, u"["))
        return std::nullopt;
    // Back over the earlier declarations of the same "var" to the keyword. A line break there other
    // than around a comma or after "=" may end a statement, so the name would not be declared.
    qsizetype j = k - 1;
    for (; j >= 0; --j) {
        if (t[j].depth != 0)
            continue;
        if (t[j].kind == ScriptScan::Kind::Ident && scan.text(j) == u"var")
            break;
        if (t[j].kind == ScriptScan::Kind::Punct &&
            (scan.text(j) == u";" || scan.text(j) == u"{" || scan.text(j) == u"}"))
            return std::nullopt;
        if (t[j + 1].depth == 0 && t[j + 1].lineBreakBefore && !punct(j, u",") && !punct(j, u"=") &&
            !punct(j + 1, u","))
            return std::nullopt;
    }
    if (j < 0 || (j != k - 1 && !punct(k - 1, u",")) || ScriptScan::openBefore(scan, j))
        return std::nullopt;
    const qsizetype close = ScriptScan::closing(scan, k + 2);
    if (close >= t.size() || !ScriptScan::valueEnds(scan, close + 1))
        return std::nullopt;
    return k + 2;
}

// The table of the array literal at open: 4 banks of 13 buttons of 3 fields each, exactly.
std::optional<Problem> readTable(const QString& text, const Scan& scan, qsizetype open, int array,
                                 std::optional<TextCodec::Encoding> encoding, Table& table,
                                 std::array<RowSource, kRows>& sources) {
    const QList<ScriptScan::Token>& t = scan.tokens;
    auto lineOf = [&](const Element& e, qsizetype fallback) { return e.hole() ? t[fallback].line : t[e.first].line; };
    const QList<Element> banks = ScriptScan::elements(scan, open);
    if (banks.size() != kBanks)
        return Problem{t[open].line, bankCountProblem(array, banks.size())};
    table = emptyTable();
    for (int b = 0; b < kBanks; ++b) {
        const std::optional<qsizetype> bankOpen = ScriptScan::arrayOf(scan, banks[b]);
        if (!bankOpen)
            return Problem{lineOf(banks[b], open), notAnArrayProblem(bankName(array, b))};
        const QList<Element> pads = ScriptScan::elements(scan, *bankOpen);
        if (pads.size() != kPads)
            return Problem{t[*bankOpen].line, padCountProblem(bankName(array, b), pads.size())};
        for (int p = 0; p < kPads; ++p) {
            const int row = b * kPads + p;
            const std::optional<qsizetype> entryOpen = ScriptScan::arrayOf(scan, pads[p]);
            if (!entryOpen)
                return Problem{lineOf(pads[p], *bankOpen), notAnArrayProblem(buttonName(array, row))};
            const QList<Element> fields = ScriptScan::elements(scan, *entryOpen);
            if (fields.size() != 3)
                return Problem{t[*entryOpen].line, valueCountProblem(buttonName(array, row), fields.size())};
            RowSource& source = sources[row];
            source.start = t[*entryOpen].start;
            source.end = t[pads[p].last - 1].end;
            for (int f = 0; f < 3; ++f) {
                const bool number = f == 0 || (array == 1 && f == 1);
                const Literal v = ScriptScan::literalOf(text, scan, fields[f]);
                const qsizetype line = lineOf(fields[f], *entryOpen);
                auto cell = [&] { return cellName(tableOf(array), row, f); };
                QString value;
                if (v.kind == Literal::Hole) {
                    // An empty cell is written as a hole, and read back as one.
                } else if (v.kind == Literal::String) {
                    value = v.value;
                    source.string[f] = true;
                } else if (number && (v.kind == Literal::Number || v.kind == Literal::Signed)) {
                    const std::optional<QString> whole =
                        v.kind == Literal::Number ? ScriptScan::wholeNumber(v.number) : std::nullopt;
                    if (!whole)
                        return Problem{line, notANumberProblem(cell(), v.value)};
                    value = *whole;
                } else {
                    return Problem{line, notALiteralProblem(cell(), number)};
                }
                if (const std::optional<CellFault> bad = checkCell(value, number, encoding))
                    return Problem{line, cellProblem(*bad, tableOf(array), row, f, encoding)};
                table[f][row] = value;
            }
        }
    }
    return std::nullopt;
}

// The tables and, per array, the token of the "[" the page ends up with (-1 for none).
struct Found {
    Reading reading;
    qsizetype declared[2] = {-1, -1};
};

Found readScan(const QString& text, const Scan& scan, const QString& fileName,
               std::optional<TextCodec::Encoding> encoding) {
    Found found;
    auto refuse = [&](const Problem& p) {
        Found r;
        r.reading.recognition = emptyTable();
        r.reading.robot = emptyTable();
        r.reading.refusal = refusalOf(fileName, p.line, p.what);
        return r;
    };
    if (scan.brokenLine)
        return refuse({scan.brokenLine, Messages::unfinishedScript()});
    const QList<ScriptScan::Token>& t = scan.tokens;
    Table* tables[2] = {&found.reading.recognition, &found.reading.robot};
    for (int a = 0; a < 2; ++a) {
        for (qsizetype k = 0; k < t.size(); ++k) {
            if (!ScriptScan::names(scan, k, kArrayNames[a]))
                continue;
            if (const std::optional<qsizetype> open = declaredArray(scan, k)) {
                // A later declaration replaces an earlier one.
                found.declared[a] = *open;
                continue;
            }
            if (ScriptScan::declaredLexically(scan, k))
                return refuse({t[k].line, lexicalProblem(kArrayNames[a])});
            if (ScriptScan::changes(scan, k))
                return refuse({t[k].line, changedElsewhereProblem(kArrayNames[a])});
        }
        found.reading.declared[a] = found.declared[a] >= 0;
        if (found.declared[a] < 0) {
            *tables[a] = emptyTable();
        } else if (const std::optional<Problem> p =
                       readTable(text, scan, found.declared[a], a, encoding, *tables[a], found.reading.sources[a])) {
            return refuse(*p);
        }
    }
    return found;
}

// Where the marker stands in the text, in order: lines of their own only.
QList<ScriptScan::Comment> markerLines(const QString& text, const Scan& scan) {
    return ScriptScan::markerLines(text, scan, marker());
}

Reading readTokenized(const QString& text, const Scan& scan, const QString& fileName,
                      std::optional<TextCodec::Encoding> encoding) {
    Reading r = readScan(text, scan, fileName, encoding).reading;
    const QList<ScriptScan::Comment> markers = markerLines(text, scan);
    if (r.ok() && !markers.isEmpty() && markers.size() != 2)
        r.saveRefusal = markerCountRefusal(fileName, markers);
    return r;
}
} // namespace

Reading read(const QString& text, const QString& fileName, std::optional<TextCodec::Encoding> encoding) {
    return readTokenized(text, ScriptScan::tokenize(text), fileName, encoding);
}

namespace {

Reading refusedReading(const QString& refusal) {
    Reading r;
    r.recognition = emptyTable();
    r.robot = emptyTable();
    r.refusal = refusal;
    return r;
}

Reading readBytes(const QByteArray& bytes, const QString& fileName, std::optional<TextCodec::Encoding> page) {
    const TextCodec::FileEncoding found = TextCodec::forFile(bytes, page);
    if (!found.encoding)
        return refusedReading(Messages::neitherEncoding(fileName, QStringLiteral("読み込めません...")));
    const QString text = TextCodec::decode(bytes, *found.encoding);
    const Scan scan = ScriptScan::tokenize(text);
    // A script that does not parse runs not at all: the page gets none of its arrays.
    ScriptCheck::Parsed parsed;
    if (const std::optional<ScriptCheck::SyntaxError> e = ScriptCheck::check(text, scan, &parsed))
        return refusedReading(Messages::scriptDoesNotParse(fileName, e->line, e->message));
    Reading r = readTokenized(text, scan, fileName, found.encoding);
    r.parsed = std::move(parsed);
    r.encoding = found.encoding;
    if (found.differsFromPage && page)
        r.notice = Messages::pageShowsGarbled(fileName, *found.encoding, *page);
    return r;
}

// The cells as the file's encoding gives them back.
Table stored(const Table& table, TextCodec::Encoding encoding) {
    Table out = table;
    if (encoding != TextCodec::Encoding::Utf8)
        for (QStringList& field : out)
            for (QString& cell : field)
                cell = TextCodec::stored(cell, encoding);
    return out;
}
} // namespace

Reading readFile(const QByteArray& bytes, const QString& fileName, std::optional<TextCodec::Encoding> page) {
    return readBytes(bytes, fileName, page);
}

void readTables(const QString& text, Table& recognition, Table& robot) {
    const Reading r = read(text, QString());
    recognition = r.recognition;
    robot = r.robot;
}

namespace {
// The five lines of one bank: pads 0-1, 2-4, 5-7, 8-10, 11-12.
void appendBank(QString& out, const Table& table, int bank, bool robi) {
    static constexpr int kLineEnds[] = {2, 5, 8, 11, 13};
    int pad = 0;
    for (int end : kLineEnds) {
        out += QStringLiteral("        ");
        for (; pad < end; ++pad)
            out += entry(table, bank * kPads + pad, robi) + u',';
        out += u'\n';
    }
}

const char* const kBankOpeners[] = {"    [ /* A */\n", "    [ /* B */\n", "    [ /* C */\n", "    [ /* D */\n"};
} // namespace

QString block(const Table& recognition, const Table& robot) {
    QString out;
    out.reserve(4096);
    out += QStringLiteral("var ctrlbtndata=[\n");
    for (int bank = 0; bank < kBanks; ++bank) {
        out += QString::fromLatin1(kBankOpeners[bank]);
        appendBank(out, recognition, bank, false);
        out += QStringLiteral("    ],\n");
    }
    out += QStringLiteral("];\n\nvar ctrlbtnRobi=[\n");
    for (int bank = 0; bank < kBanks; ++bank) {
        out += QString::fromLatin1(kBankOpeners[bank]);
        appendBank(out, robot, bank, true);
        // The page has always closed the first robot bank without indent.
        out += bank == 0 ? QStringLiteral("],\n") : QStringLiteral("    ],\n");
    }
    out += QStringLiteral("];\n");
    return out;
}

QString entry(const Table& table, int row, bool robot, const RowSource* source) {
    // Ids and seconds go unquoted, labels and phrases between apostrophes. An empty cell the page
    // read as "" stays "" rather than becoming a hole, which the page would read as undefined.
    auto number = [&](int f) {
        const QString v = table[f].value(row);
        return v.isEmpty() && source && source->string[f] ? QStringLiteral("''") : v;
    };
    return u'[' + number(0) +
           (robot ? u',' + number(1) + QStringLiteral(",'")
                  : QStringLiteral(",'") + table[1].value(row) + QStringLiteral("','")) +
           table[2].value(row) + QStringLiteral("']");
}

QString markedBlock(const Table& recognition, const Table& robot) {
    return marker() + u'\n' + block(recognition, robot) + marker() + u'\n';
}

std::optional<CellFault> checkCell(const QString& cell, bool number, std::optional<TextCodec::Encoding> encoding) {
    if (number) {
        // Unquoted, "010" is an old octal literal (8, and an error in strict mode); beyond 15 digits
        // the page's number is no longer the one written.
        bool digits = cell.size() <= 15;
        for (QChar c : cell)
            digits = digits && c >= u'0' && c <= u'9';
        if (!digits || (cell.size() > 1 && cell[0] == u'0'))
            return CellFault{Fault::Number, cell};
        return std::nullopt;
    }
    // Written between apostrophes as they stand.
    if (const std::optional<QString> c = ScriptScan::firstUnquotable(cell, u'\''))
        return CellFault{Fault::Character, *c};
    if (encoding)
        if (const std::optional<QString> c = TextCodec::firstUncarriable(cell, *encoding))
            return CellFault{Fault::Encoding, *c};
    return std::nullopt;
}

QString cellName(ButtonTable table, int row, int field) {
    static const char* const names[2][3] = {{"認識のID", "認識(日)", "認識(英)"}, {"ロビのID", "ロビの秒", "ロビ語"}};
    return QStringLiteral("バンク%1の%2番目のボタンの%3")
        .arg(QChar(u'A' + row / kPads), QString::number(row % kPads + 1),
             QString::fromUtf8(names[table == ButtonTable::Robot][field]));
}

namespace {
bool sameRow(const Table& a, const Table& b, int r) {
    for (int f = 0; f < 3; ++f)
        if (a[f].value(r) != b[f].value(r))
            return false;
    return true;
}

bool sameRows(const Table& a, const Table& b) {
    for (int r = 0; r < kRows; ++r)
        if (!sameRow(a, b, r))
            return false;
    return true;
}

bool allEmpty(const Table& t) {
    for (int f = 0; f < 3; ++f)
        for (int r = 0; r < kRows; ++r)
            if (!t[f].value(r).isEmpty())
                return false;
    return true;
}

using Edit = ScriptScan::Replacement;

// The text with the edits made (in order, not overlapping).
QString withEdits(const QString& text, const QList<Edit>& edits) {
    QString out;
    out.reserve(text.size() + 256);
    qsizetype at = 0;
    for (const Edit& e : edits) {
        out += QStringView(text).sliced(at, e.start - at);
        out += e.text;
        at = e.end;
    }
    out += QStringView(text).sliced(at);
    return out;
}

// The old bytes with the edits made (in order, not overlapping): the text between them keeps its
// bytes, the new text goes in the encoding. Nothing when the bytes do not match the text.
std::optional<QByteArray> applyEdits(const QByteArray& old, const QString& text, const QList<Edit>& edits,
                                     TextCodec::Encoding encoding) {
    QByteArray out;
    out.reserve(old.size() + 256);
    qsizetype at = 0;     // in the text
    qsizetype byteAt = 0; // in the old bytes
    auto keep = [&](qsizetype until) {
        const std::optional<QByteArray> piece = TextCodec::encode(text.mid(at, until - at), encoding);
        if (!piece || old.mid(byteAt, piece->size()) != *piece)
            return false;
        out += *piece;
        byteAt += piece->size();
        at = until;
        return true;
    };
    for (const Edit& e : edits) {
        if (!keep(e.start))
            return std::nullopt;
        const std::optional<QByteArray> was = TextCodec::encode(text.mid(e.start, e.end - e.start), encoding);
        const std::optional<QByteArray> now = TextCodec::encode(e.text, encoding);
        if (!was || !now || old.mid(byteAt, was->size()) != *was)
            return std::nullopt;
        out += *now;
        byteAt += was->size();
        at = e.end;
    }
    if (!keep(text.size()) || byteAt != old.size())
        return std::nullopt;
    return out;
}
} // namespace

namespace {
// The new bytes, before they are read back, and the scan of their text when the old one's could be
// made into it (the old scan goes once they are made).
struct Made {
    SaveResult result;
    std::optional<Scan> scan;
};
Made newBytes(const QByteArray& old, TextCodec::Encoding fileEncoding, const Table& recognition, const Table& robot,
              const QString& fileName) {
    const std::optional<TextCodec::Encoding> encoding = fileEncoding;
    const QString text = TextCodec::decode(old, *encoding);
    Scan scan = ScriptScan::tokenize(text);

    const QList<ScriptScan::Comment> markers = markerLines(text, scan);
    if (!markers.isEmpty() && markers.size() != 2)
        return {{std::nullopt, markerCountRefusal(fileName, markers)}, std::nullopt};
    // What the editor could not hold when it read the file cannot be saved over either.
    const Found found = readScan(text, scan, fileName, encoding);
    if (!found.reading.ok())
        return {{std::nullopt, found.reading.refusal}, std::nullopt};

    const Table* tables[2] = {&recognition, &robot};
    for (int t = 0; t < 2; ++t)
        for (int r = 0; r < kRows; ++r)
            for (int f = 0; f < 3; ++f) {
                const bool number = f == 0 || (t == 1 && f == 1);
                if (const std::optional<CellFault> bad = checkCell((*tables[t])[f].value(r), number, encoding))
                    return {{std::nullopt, saveRefusal(*bad, tableOf(t), r, f, *encoding, fileName)}, std::nullopt};
            }

    const Table* read[2] = {&found.reading.recognition, &found.reading.robot};
    bool changed = false;
    for (int a = 0; a < 2; ++a)
        changed = changed || (found.reading.declared[a] ? !sameRows(*tables[a], *read[a]) : !allEmpty(*tables[a]));
    // Nothing to write: the file stays as it is, byte for byte.
    if (!changed)
        return {{old, QString()}, std::nullopt};

    std::optional<QByteArray> bytes;
    if (found.reading.declared[0] && found.reading.declared[1]) {
        // Both arrays stand in the file: each edited row's entry is replaced where it stands, and
        // every other byte is kept.
        QList<Edit> edits;
        for (int a = 0; a < 2; ++a)
            for (int r = 0; r < kRows; ++r)
                if (!sameRow(*tables[a], *read[a], r)) {
                    const RowSource& source = found.reading.sources[a][r];
                    edits.append({source.start, source.end, entry(*tables[a], r, a == 1, &source)});
                }
        std::sort(edits.begin(), edits.end(), [](const Edit& x, const Edit& y) { return x.start < y.start; });
        bytes = applyEdits(old, text, edits, *encoding);
        if (!bytes)
            return {{std::nullopt, notSavedRefusal(fileName)}, std::nullopt};
        // Entries replaced by entries: the old scan, moved, is the new text's.
        if (ScriptScan::retokenize(scan, withEdits(text, edits), edits))
            return {{bytes, QString()}, std::move(scan)};
    } else {
        // The block replaces the lines from the first marker to the end of the second one's line; a
        // file without the marker gets it at its end, on a line of its own.
        const qsizetype blockStart = markers.isEmpty() ? text.size() : markers[0].start;
        const qsizetype blockEnd = markers.isEmpty() ? text.size() : ScriptScan::pastLine(text, markers[1].end);
        const QList<ScriptScan::Token>& tokens = scan.tokens;
        for (int a = 0; a < 2; ++a) {
            const qsizetype at = found.declared[a];
            if (at >= 0 && tokens[at].start >= blockEnd)
                return {{std::nullopt, declaredAfterRefusal(fileName, tokens[at].line, kArrayNames[a])}, std::nullopt};
        }
        qsizetype first = 0;
        while (first < tokens.size() && tokens[first].start < blockStart)
            ++first;
        if (ScriptScan::openBefore(scan, first)) {
            const qsizetype line = markers.isEmpty() ? (tokens.isEmpty() ? 1 : tokens.last().line) : markers[0].line;
            return {{std::nullopt, openBeforeRefusal(fileName, line)}, std::nullopt};
        }

        // The block ends its statements; what follows it must begin one of its own.
        qsizetype next = first;
        while (next < tokens.size() && tokens[next].start < blockEnd)
            ++next;
        if (!ScriptScan::startsStatement(scan, next))
            return {{std::nullopt, goesOnAfterRefusal(fileName, tokens[next].line)}, std::nullopt};

        QString block = markedBlock(recognition, robot);
        if (markers.isEmpty() && !text.isEmpty() && !text.endsWith(u'\n') && !text.endsWith(u'\r'))
            block.prepend(u'\n');
        bytes = applyEdits(old, text, {{blockStart, blockEnd, block}}, *encoding);
        if (!bytes)
            return {{std::nullopt, notSavedRefusal(fileName)}, std::nullopt};
    }
    return {{bytes, QString()}, std::nullopt};
}
} // namespace

SaveResult save(const QByteArray& old, const Table& recognitionTyped, const Table& robotTyped, const QString& fileName,
                std::optional<TextCodec::Encoding> page, ScriptCheck::Parsed* parsed) {
    const std::optional<TextCodec::Encoding> encoding = TextCodec::forFile(old, page).encoding;
    if (!encoding)
        return {std::nullopt, Messages::neitherEncoding(fileName, QStringLiteral("保存できません..."))};
    const Table recognition = stored(recognitionTyped, *encoding), robot = stored(robotTyped, *encoding);
    Made made = newBytes(old, *encoding, recognition, robot, fileName);
    if (!made.result.bytes || *made.result.bytes == old)
        return made.result;
    const std::optional<QByteArray>& bytes = made.result.bytes;

    // Shift_JIS text can happen to be valid UTF-8 once the bytes that were not are gone: it would
    // then be read back as other text.
    const std::optional<TextCodec::Encoding> after = TextCodec::forFile(*bytes, page).encoding;
    if (!after || (*after != *encoding && TextCodec::decode(*bytes, *after) != TextCodec::decode(*bytes, *encoding)))
        return {std::nullopt, encodingLostRefusal(fileName, *encoding)};
    // The new text must still run: a script that does not parse gives the page nothing. One scan
    // serves the check and the reading back.
    const Scan newScan = made.scan ? std::move(*made.scan) : ScriptScan::tokenize(TextCodec::decode(*bytes, *encoding));
    made.scan.reset();
    const QString& newText = newScan.source;
    if (const std::optional<ScriptCheck::SyntaxError> e = ScriptCheck::check(newText, newScan, parsed))
        return {std::nullopt, Messages::saveWouldBreakScript(fileName, e->line, e->message)};
    // Whatever the text around the block does, the saved file must give the page the editor's rows.
    const Reading back = readTokenized(newText, newScan, fileName, encoding);
    if (!back.ok() || !sameRows(back.recognition, recognition) || !sameRows(back.robot, robot))
        return {std::nullopt, notReadBackRefusal(fileName)};
    return {bytes, QString()};
}

static QString resourceText(const char* name) {
    QFile f(QStringLiteral(":/") + QString::fromLatin1(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

QString defaultButtonData() {
    return resourceText("DefaultButtonData");
}
QString japaneseWordList() {
    return resourceText("JapaneseWordList");
}
QString englishWordList() {
    return resourceText("EnglishWordList");
}
QString robotPhraseList() {
    return resourceText("RobotPhraseList");
}

QList<QStringList> parseWordList(const QString& list) {
    QList<QStringList> entries;
    const QStringList pieces = list.split(u'[');
    for (const QString& raw : pieces) {
        QString piece = raw.section(u']', 0, 0);
        piece.remove(u'\'');
        piece.remove(u'"');
        if (!piece.contains(u','))
            continue;
        entries.append(piece.split(u','));
    }
    return entries;
}

QList<QStringList> listRows(WordList type, const QString& listJ, const QString& listE, const QString& listRobi) {
    QList<QStringList> rows;
    if (type == WordList::Robot) {
        for (const QStringList& e : parseWordList(listRobi))
            rows.append({e.value(0), e.value(1), e.value(2)});
        return rows;
    }
    QHash<QString, QString> english;
    for (const QStringList& e : parseWordList(listE))
        english.insert(e.value(0), e.value(1)); // a later entry with the same id wins
    for (const QStringList& e : parseWordList(listJ))
        rows.append({e.value(0), QString(), e.value(1), english.value(e.value(0))});
    return rows;
}

} // namespace ButtonDataFile
