#include "WordFile.h"

#include "Messages.h"
#include "ScriptCheck.h"
#include "ScriptScan.h"
#include "TextUtil.h"

#include <QCryptographicHash>
#include <QStringList>
#include <algorithm>
#include <functional>

namespace WordFile {
namespace {
using ScriptScan::Element;
using ScriptScan::Literal;
using ScriptScan::Scan;

// Rows given one by one: a save's base is the list's rows with the edited ones as read, without a
// second list of them all.
struct RowsView {
    qsizetype count = 0;
    std::function<const Row&(qsizetype)> at;
};

RowsView viewOf(const QList<Row>& rows) {
    return {rows.size(), [&rows](qsizetype i) -> const Row& { return rows[i]; }};
}

// The merge (see merge) into rows, which holds the disk's rows or, where they are as many, the
// list's: each edited row (mineAt(i) differs from the base's) goes in where the disk still holds
// its counterpart as read, or as edited; every other row is the disk's. A row is only assigned
// where it is to differ, so rows that share the list's text stay shared. The position of an edit
// that has no such counterpart, when there is one.
std::optional<qsizetype> mergeInto(QList<Row>& rows, const RowsView& base, qsizetype mineCount,
                                   const std::function<Row(qsizetype)>& mineAt, const RowsView& disk) {
    for (qsizetype i = 0; i < qMax(mineCount, disk.count); ++i) {
        if (i < mineCount) {
            Row t = mineAt(i);
            if (!(i < base.count && t == base.at(i))) {
                const bool counterpart = i < base.count && i < disk.count && disk.at(i).id == base.at(i).id;
                if (!counterpart || (disk.at(i) != base.at(i) && disk.at(i) != t))
                    return i;
                if (rows.at(i) != t)
                    rows[i] = std::move(t);
                continue;
            }
        }
        if (i < disk.count && rows.at(i) != disk.at(i))
            rows[i] = disk.at(i);
    }
    return std::nullopt;
}

const QString& marker() {
    static const QString m = QString::fromLatin1(kMarker);
    return m;
}

bool isBlankOrTab(QChar c) {
    return c == u' ' || c == u'\t';
}

// The messages, in one place. A problem is a clause that a refusal of the file puts in its sentence,
// with the file and the line.
QString rowName(qsizetype row) {
    return QStringLiteral("%1番目の行").arg(row + 1);
}

QString fieldOfRow(qsizetype row, int field) {
    return QStringLiteral("%1の%2").arg(rowName(row), fieldName(field));
}

QString refusalOf(const QString& fileName, qsizetype line, const QString& problem) {
    return QStringLiteral("%1の%2行目で、%3。この一覧はページと同じ内容を表示できないため、表示も保存もしませ"
                          "ん...")
        .arg(fileName, QString::number(line), problem);
}

QString notAnArrayProblem(qsizetype row) {
    return QStringLiteral("%1が配列ではありません").arg(rowName(row));
}

QString valueCountProblem(qsizetype row, qsizetype count) {
    return QStringLiteral("%1の値が%2つあります（4つまでです）").arg(rowName(row), QString::number(count));
}

QString notALiteralProblem(const QString& field, bool id) {
    return QStringLiteral("%1が、そのまま書かれた文字列%2ではありません")
        .arg(field, id ? QStringLiteral("や15桁までの整数") : QString());
}

QString unquotableProblem(const QString& field, const QString& piece) {
    return QStringLiteral("%1に%2が含まれています（この一覧では書けない文字です）").arg(field, TextUtil::shown(piece));
}

QString markerCountRefusal(const QString& fileName, const QList<ScriptScan::Comment>& markers) {
    return Messages::markerCount(fileName, QStringLiteral("認識語"), marker(), markers,
                                 QStringLiteral("、この一覧は表示も保存もしません"));
}

QString notOneArrayProblem() {
    return QStringLiteral("認識語の目印の間が、1つの配列の中身だけになっていません");
}

QString inAnExpressionProblem() {
    return QStringLiteral("認識語の配列が、式の一部として使われています");
}

QString changedElsewhereProblem(const QString& array) {
    return QStringLiteral("認識語の配列%1を、ほかの所で定義または変更しています").arg(array);
}

QString changedMeanwhileRefusal(const QString& row, const QString& fileName) {
    return QStringLiteral("%1は%2を読み込んだ後にほかで変更されたため、保存しません...").arg(row, fileName);
}

QString unquotableRefusal(const QString& field, const QString& piece) {
    return QStringLiteral("%1に%2が含まれているため、保存しません...").arg(field, TextUtil::shown(piece));
}

QString notReadBackRefusal(const QString& fileName) {
    return QStringLiteral("%1は、保存しても一覧どおりの内容が届かないため保存しません...").arg(fileName);
}

QString lookAlikeRefusal(const QString& fileName, qsizetype line, const QString& written) {
    return QStringLiteral("%1の%2行目の%3は認識語の目印「%4」と空白の入り方が違うため、目印ではありません。この一覧は"
                          "表示も保存もしません。目印は「%4」と書き、その行にはほかに何も書かないで下さい...")
        .arg(fileName, QString::number(line), TextUtil::shown(written), marker());
}

QString noBlockRefusal(const QString& fileName) {
    return QStringLiteral("%1には認識語の目印「%2」の行がないため、保存しません。認識語の前と後ろに目印の行を1つずつ"
                          "書いて下さい...")
        .arg(fileName, marker());
}

QString withoutBlanks(QStringView text) {
    QString out;
    for (QChar c : text)
        if (!c.isSpace())
            out += c;
    return out;
}

// The text in front of the first row: comments, kept where they stood (the row's indentation is the
// writer's).
QString leadOf(const QString& before) {
    qsizetype start = 0;
    while (start < before.size() && before[start].isSpace())
        ++start;
    qsizetype end = before.size();
    while (end > start && isBlankOrTab(before[end - 1]))
        --end;
    return before.mid(start, end - start);
}

// The fields of a row as views into one block, each ended by a 0 as a string's own text is: a big
// file's rows take a quarter of the allocations. A field changed later copies itself out, as any
// shared string does.
void packFields(Row& row) {
    QString* fields[4] = {&row.id, &row.word, &row.alt1, &row.alt2};
    qsizetype total = 0;
    int count = 0;
    for (const QString* f : fields) {
        if (!f->isEmpty()) {
            total += f->size() + 1;
            ++count;
        }
    }
    if (count < 2)
        return;
    const auto [header, data] = QTypedArrayData<char16_t>::allocate(total);
    if (!header)
        return;
    char16_t* at = data;
    bool first = true;
    for (QString* f : fields) {
        if (f->isEmpty())
            continue;
        const qsizetype length = f->size();
        std::copy_n(f->utf16(), length, at);
        at[length] = u'\0';
        if (!first)
            header->ref();
        first = false;
        *f = QString(QString::DataPointer(header, at, length));
        at += length + 1;
    }
}

struct Problem {
    qsizetype line;
    QString what;
};

// The rows of the array literal at open, and where each stands.
// With like, rows as like has them are not kept: while all are, rows stays empty and *same is set at
// the end; from the first that differs on, rows holds them all (those equal to like sharing its text).
std::optional<Problem> readRows(const QString& text, const Scan& scan, qsizetype open, PageSet::Language language,
                                std::optional<TextCodec::Encoding> encoding, QList<Row>& rows,
                                QList<std::pair<qsizetype, qsizetype>>& spans, const RowsView* like = nullptr,
                                bool* same = nullptr) {
    const QList<ScriptScan::Token>& t = scan.tokens;
    const QList<Element> elements = ScriptScan::elements(scan, open);
    bool allSame = like && like->count == elements.size();
    if (!allSame)
        rows.reserve(elements.size());
    spans.reserve(elements.size());
    const QChar quote = quoteChar(language);
    for (qsizetype r = 0; r < elements.size(); ++r) {
        const std::optional<qsizetype> rowOpen = ScriptScan::arrayOf(scan, elements[r]);
        const qsizetype rowLine = elements[r].hole() ? t[open].line : t[elements[r].first].line;
        if (!rowOpen)
            return Problem{rowLine, notAnArrayProblem(r)};
        const QList<Element> parts = ScriptScan::elements(scan, *rowOpen);
        if (parts.size() > 4)
            return Problem{rowLine, valueCountProblem(r, parts.size())};
        Row row;
        QString* fields[4] = {&row.id, &row.word, &row.alt1, &row.alt2};
        for (int f = 0; f < int(parts.size()); ++f) {
            const Element& part = parts[f];
            const qsizetype line = part.hole() ? rowLine : t[part.first].line;
            // A string alone, the common case, is read without the copy of its source literalOf makes.
            std::optional<QString> plain;
            if (!part.hole() && part.last - part.first == 1 && t[part.first].kind == ScriptScan::Kind::String)
                plain = ScriptScan::stringValue(scan.text(part.first));
            if (plain) {
                *fields[f] = *std::move(plain);
            } else {
                const Literal v = ScriptScan::literalOf(text, scan, part);
                if (v.kind == Literal::String) {
                    *fields[f] = v.value;
                } else if (f == 0 && v.kind == Literal::Number && ScriptScan::wholeNumber(v.number)) {
                    row.id = *ScriptScan::wholeNumber(v.number);
                    row.numericId = true;
                } else if (v.kind != Literal::Hole) {
                    return Problem{line, notALiteralProblem(fieldOfRow(r, f), f == 0)};
                }
            }
            if (fields[f]->isEmpty())
                continue;
            const std::optional<QString> bad = ScriptScan::firstUnquotable(*fields[f], f == 0 ? QChar(u'\'') : quote);
            if (bad)
                return Problem{line, unquotableProblem(fieldOfRow(r, f), *bad)};
            if (encoding)
                if (const std::optional<QString> c = TextCodec::firstUncarriable(*fields[f], *encoding))
                    return Problem{
                        line, Messages::cannotCarry(fieldOfRow(r, f), *c, *encoding, QStringLiteral("このファイル"))};
        }
        if (like && r < like->count && row == like->at(r)) {
            if (!allSame)
                rows.append(like->at(r));
        } else {
            if (allSame) {
                allSame = false;
                rows.reserve(elements.size());
                for (qsizetype k = 0; k < r; ++k)
                    rows.append(like->at(k));
            }
            packFields(row);
            rows.append(std::move(row));
        }
        spans.append({t[elements[r].first].start, t[elements[r].last - 1].end});
    }
    if (same)
        *same = allSame;
    return std::nullopt;
}

// The name that "var name = [" or "name = [" gives the array whose "[" is tokens[open].
std::optional<qsizetype> nameOf(const Scan& scan, qsizetype open) {
    const QList<ScriptScan::Token>& t = scan.tokens;
    if (open < 2 || t[open - 1].kind != ScriptScan::Kind::Punct || scan.text(open - 1) != u"=" ||
        t[open - 2].kind != ScriptScan::Kind::Ident)
        return std::nullopt;
    if (open >= 3 && t[open - 3].kind == ScriptScan::Kind::Punct &&
        (scan.text(open - 3) == u"." || scan.text(open - 3) == u"?."))
        return std::nullopt;
    return open - 2;
}

// read; with like, *same tells that the rows are like's, which are then not in the result.
Parsed readLike(const QString& fileText, PageSet::Language language, const QString& fileName,
                std::optional<TextCodec::Encoding> encoding, const RowsView* like, bool* same);

} // namespace

Parsed read(const QString& fileText, PageSet::Language language, const QString& fileName,
            std::optional<TextCodec::Encoding> encoding) {
    return readLike(fileText, language, fileName, encoding, nullptr, nullptr);
}

namespace {
Parsed readLike(const QString& fileText, PageSet::Language language, const QString& fileName,
                std::optional<TextCodec::Encoding> encoding, const RowsView* like, bool* same) {
    if (same)
        *same = false;
    const QString text = TextUtil::withLfLineEnds(fileText);
    const Scan scan = ScriptScan::tokenize(text);
    const QList<ScriptScan::Comment> markers = ScriptScan::markerLines(text, scan, marker());

    Parsed p;
    auto refuse = [&](const Problem& problem) {
        Parsed r;
        r.head = text;
        r.text = text;
        r.refusal = refusalOf(fileName, problem.line, problem.what);
        return r;
    };
    // The page would not run, and marker lines appended to it could end up inside what is left open.
    if (scan.brokenLine)
        return refuse({scan.brokenLine, Messages::unfinishedScript()});
    if (markers.isEmpty()) {
        // A marker mistyped would leave the list empty without a word.
        const QString bare = withoutBlanks(marker());
        for (const ScriptScan::Comment& c : scan.comments) {
            const QStringView written = QStringView(text).mid(c.start, c.end - c.start);
            if (withoutBlanks(written) == bare) {
                Parsed r;
                r.head = text;
                r.text = text;
                r.refusal = lookAlikeRefusal(fileName, c.line, written.toString());
                return r;
            }
        }
        p.text = text;
        // The block a save appends must begin a line, or its first marker would be no marker.
        p.head = text;
        if (!text.isEmpty() && !text.endsWith(u'\n'))
            p.head += u'\n';
        return p;
    }
    if (markers.size() != 2) {
        Parsed r = refuse({markers[0].line, QString()});
        r.refusal = markerCountRefusal(fileName, markers);
        return r;
    }

    // The marker lines must hold exactly the contents of one array: what lies between them is then
    // all that array holds.
    const QList<ScriptScan::Token>& t = scan.tokens;
    // Tokens stand in the text's order: the last one before the first marker, the first after the
    // second, are found by halving (a big file has millions).
    const qsizetype open = std::partition_point(t.begin(), t.end(),
                                                [&](const ScriptScan::Token& k) { return k.end <= markers[0].start; }) -
                           t.begin() - 1;
    const qsizetype close =
        std::partition_point(t.begin(), t.end(), [&](const ScriptScan::Token& k) { return k.start < markers[1].end; }) -
        t.begin();
    const bool insideOne = open >= 0 && t[open].kind == ScriptScan::Kind::Punct && scan.text(open) == u"[" &&
                           ScriptScan::closing(scan, open) == close;
    // Nothing between the markers gives the page nothing, wherever they stand (the block a file
    // without markers gets is such).
    const qsizetype areaStart = ScriptScan::pastLine(text, markers[0].end);
    p.text = text;
    p.hasBlock = true;
    p.head = text.left(markers[0].start);
    p.tail = text.mid(ScriptScan::pastLine(text, markers[1].end));
    if (open + 1 >= close) {
        p.lead = leadOf(text.mid(areaStart, qMax<qsizetype>(0, markers[1].start - areaStart)));
        return p;
    }
    if (!insideOne)
        return refuse({markers[0].line, notOneArrayProblem()});
    if (!ScriptScan::valueEnds(scan, close + 1))
        return refuse({t[close].line, inAnExpressionProblem()});
    // Changed elsewhere, the array would no longer be what the page reads.
    if (const std::optional<qsizetype> name = nameOf(scan, open)) {
        for (qsizetype k = 0; k < t.size(); ++k)
            if (k != *name && ScriptScan::names(scan, k, scan.text(*name)) && ScriptScan::changes(scan, k))
                return refuse({t[k].line, changedElsewhereProblem(scan.text(*name).toString())});
    }
    if (const std::optional<Problem> problem =
            readRows(text, scan, open, language, encoding, p.rows, p.spans, like, same)) {
        if (same)
            *same = false;
        return refuse(*problem);
    }

    const qsizetype firstRow = open + 1 < close ? t[open + 1].start : markers[1].start;
    p.lead = leadOf(text.mid(areaStart, qMax<qsizetype>(0, firstRow - areaStart)));
    return p;
}
} // namespace

std::optional<ScriptCheck::SyntaxError> checkScript(const QString& fileText, const Parsed& p) {
    // An id given as a number may be in a form a strict script refuses: those files are checked whole.
    const bool plainRows = p.ok() && !p.spans.isEmpty() &&
                           std::none_of(p.rows.begin(), p.rows.end(), [](const Row& r) { return r.numericId; });
    if (!plainRows)
        return ScriptCheck::check(fileText);
    // The rows' positions are in the LF text; fileText may still have CR LF or CR. Of the rows'
    // text only the line ends are kept.
    const qsizetype from = p.spans.first().first;
    const qsizetype to = p.spans.last().second;
    QString probe;
    probe.reserve(fileText.size() - (to - from));
    qsizetype lf = 0; // the position in the LF text
    for (qsizetype i = 0; i < fileText.size(); ++i) {
        const QChar ch = fileText[i];
        if (lf < from || lf >= to || ch == u'\n' || ch == u'\r' || ch == QChar(0x2028) || ch == QChar(0x2029)) {
            if (lf >= to) {
                probe += QStringView(fileText).mid(i);
                break;
            }
            probe += ch;
        }
        if (!(ch == u'\r' && i + 1 < fileText.size() && fileText[i + 1] == u'\n'))
            ++lf;
    }
    if (!ScriptCheck::check(probe))
        return std::nullopt;
    // The engine's words for an error can depend on what it parsed before: they are the whole text's.
    return ScriptCheck::check(fileText);
}

QString rowText(const Row& r, PageSet::Language language) {
    const QChar q = quoteChar(language);
    QString out = QStringLiteral("[");
    if (r.numericId) {
        out += r.id;
    } else {
        out += u'\'';
        out += r.id;
        out += u'\'';
    }
    out += u',';
    out += q;
    out += r.word;
    out += q;
    // An empty first alternative stands in its place when a second one follows.
    const bool both = !r.alt2.isEmpty();
    for (const QString* alt : {&r.alt1, &r.alt2}) {
        if (alt->isEmpty() && !(both && alt == &r.alt1))
            continue;
        out += u',';
        out += q;
        out += *alt;
        out += q;
    }
    out += u']';
    return out;
}

QString write(const QString& head, const QString& lead, const QString& tail, const QList<Row>& rows,
              PageSet::Language language) {
    QString out;
    out.reserve(head.size() + lead.size() + tail.size() + rows.size() * 48 + 64);
    out += head;
    out += marker();
    out += u'\n';
    out += lead;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        out += QStringLiteral("        ");
        out += rowText(rows[i], language);
        if (i + 1 < rows.size())
            out += u',';
        out += u'\n';
    }
    out += QStringLiteral("        ");
    out += marker();
    out += u'\n';
    out += tail;
    return out;
}

QChar quoteChar(PageSet::Language language) {
    return language == PageSet::Language::English ? u'"' : u'\'';
}

std::optional<QString> forbiddenChar(const QString& text, PageSet::Language language) {
    return ScriptScan::firstUnquotable(text, quoteChar(language));
}

std::optional<Forbidden> firstForbidden(const Row& row, PageSet::Language language) {
    if (const std::optional<QString> bad = ScriptScan::firstUnquotable(row.id, u'\''))
        return Forbidden{0, *bad};
    const QString* words[] = {&row.word, &row.alt1, &row.alt2};
    for (int i = 0; i < 3; ++i)
        if (const std::optional<QString> bad = forbiddenChar(*words[i], language))
            return Forbidden{i + 1, *bad};
    return std::nullopt;
}

QString rowName(qsizetype row, const QString& id) {
    return QStringLiteral("%1行目（ID %2）").arg(QString::number(row + 1), id);
}

QString fieldName(int field) {
    static const char* const names[4] = {"ID", "認識語", "別候補１", "別候補２"};
    return QString::fromUtf8(names[field]);
}

namespace {
// Whether the text of one row, alone in a block, reads as that row.
bool readsBackAs(const QString& text, const Row& row, PageSet::Language language,
                 std::optional<TextCodec::Encoding> encoding) {
    const QString block =
        QStringLiteral("x = [\n") + marker() + u'\n' + text + u'\n' + marker() + QStringLiteral("\n];\n");
    const Parsed p = read(block, language, QString(), encoding);
    return p.ok() && p.rows.size() == 1 && p.rows[0] == row;
}
} // namespace

namespace {
QByteArray digestOf(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

Parsed cutOf(const Parsed& p) {
    Parsed cut = p;
    cut.text = QString();
    cut.rows = QList<Row>();
    return cut;
}
} // namespace

QByteArray digest(const QByteArray& bytes) {
    return digestOf(bytes);
}

Known known(const QByteArray& digest, TextCodec::Encoding encoding, const Parsed& p) {
    return {digest, encoding, cutOf(p)};
}

namespace {
// Up to this many rows written anew, a save edits the text read in place.
constexpr qsizetype kInPlaceRows = 64;

// A save, with the rows read given one by one. A big file is held once: the file's rows that are the
// base's share its text, and the rows written are the list's own where they are the same.
SaveResult saveOver(const QByteArray& old, const RowsView& base, const QList<Row>& mine, PageSet::Language language,
                    const QString& fileName, std::optional<TextCodec::Encoding> page, const Known& known) {
    auto refuse = [](const QString& why) { return SaveResult{std::nullopt, {}, {}, {}, why, false, {}}; };
    const std::optional<TextCodec::Encoding> encoding = TextCodec::forFile(old, page).encoding;
    if (!encoding)
        return refuse(Messages::neitherEncoding(fileName, QStringLiteral("、保存しません...")));
    bool sameAsBase = false;
    Parsed disk;
    {
        QString decoded = TextCodec::decode(old, *encoding);
        decoded.squeeze(); // decoded into room for as many characters as bytes
        // The same bytes read the same way give the same: the rows are the base's.
        if (known.isKnown() && known.cut.ok() && known.encoding == *encoding && known.cut.spans.size() == base.count &&
            digestOf(old) == known.digest) {
            disk = known.cut;
            disk.text = TextUtil::withLfLineEnds(decoded);
            sameAsBase = true;
        } else {
            disk = readLike(decoded, language, fileName, encoding, &base, &sameAsBase);
        }
    }
    if (!disk.ok())
        return refuse(disk.refusal);
    const RowsView diskRows = sameAsBase ? base : viewOf(disk.rows);
    // Typed text as the file's encoding gives it back (a Mac's 〜 as ～ in Shift_JIS).
    auto typed = [&](qsizetype i) {
        Row row = mine[i];
        for (QString* f : {&row.id, &row.word, &row.alt1, &row.alt2})
            *f = TextCodec::stored(*f, *encoding);
        return row;
    };
    // Into the list's rows where they are as many, so that rows not edited stay shared with it.
    QList<Row> rows = diskRows.count == mine.size() ? mine : (sameAsBase ? QList<Row>() : disk.rows);
    if (sameAsBase && diskRows.count != mine.size())
        for (qsizetype i = 0; i < diskRows.count; ++i)
            rows.append(diskRows.at(i));
    if (const std::optional<qsizetype> at = mergeInto(rows, base, mine.size(), typed, diskRows))
        return refuse(
            changedMeanwhileRefusal(WordFile::rowName(*at, *at < base.count ? base.at(*at).id : QString()), fileName));
    auto sameRow = [&](qsizetype r) { return r < diskRows.count && rows.at(r) == diskRows.at(r); };
    bool unchanged = rows.size() == diskRows.count;
    for (qsizetype r = 0; unchanged && r < rows.size(); ++r)
        unchanged = sameRow(r);
    // Nothing to change: not a byte is written, also where the file is not in the form a save gives.
    if (unchanged) {
        SaveResult same{std::nullopt, rows, disk.head, disk.tail, QString(), true, {}};
        same.unchanged = true;
        same.known = {digestOf(old), *encoding, cutOf(disk)};
        return same;
    }
    if (!disk.hasBlock)
        return refuse(noBlockRefusal(fileName));
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const Row& row = rows.at(r);
        // Rows from the file were checked by its reading, in its encoding; an edit was checked
        // against the encoding the file had when it was read, which may have changed since.
        if (sameRow(r))
            continue;
        auto field = [&](int f) { return QStringLiteral("%1の%2").arg(WordFile::rowName(r, row.id), fieldName(f)); };
        if (const std::optional<Forbidden> bad = firstForbidden(row, language))
            return refuse(unquotableRefusal(field(bad->field), bad->what));
        const QString* fields[] = {&row.word, &row.alt1, &row.alt2};
        for (int f = 0; f < 3; ++f)
            if (const std::optional<QString> c = TextCodec::firstUncarriable(*fields[f], *encoding))
                return refuse(Messages::cannotCarrySo(field(f + 1), *c, *encoding, fileName,
                                                      QStringLiteral("、保存しません...")));
    }
    // The text read, each row that differs from the one read replaced by its rowText; all else as read.
    // A few rows are replaced in the text read itself, from the last: a big file's text is then
    // held once.
    qsizetype changed = 0;
    for (qsizetype i = 0; i < disk.spans.size() && i < rows.size() && changed <= kInPlaceRows; ++i)
        changed += sameRow(i) ? 0 : 1;
    QString text;
    if (changed <= kInPlaceRows) {
        text = std::move(disk.text);
        disk.text = QString();
        for (qsizetype i = qMin(disk.spans.size(), rows.size()); i-- > 0;) {
            if (sameRow(i))
                continue;
            const auto [start, end] = disk.spans[i];
            text.replace(start, end - start, rowText(rows.at(i), language));
        }
    } else {
        text.reserve(disk.text.size() + 64);
        qsizetype at = 0;
        for (qsizetype i = 0; i < disk.spans.size() && i < rows.size(); ++i) {
            if (sameRow(i))
                continue;
            const auto [start, end] = disk.spans[i];
            text += QStringView(disk.text).mid(at, start - at);
            text += rowText(rows.at(i), language);
            at = end;
        }
        text += QStringView(disk.text).mid(at);
    }
    // What is written must read back as these rows, or it is not written at all. Outside the rows
    // written anew the text is the one just read; a row written anew begins with "[" and ends with
    // its "]", as the row it replaces did, so it is read back on its own (a big file is not read
    // through again for one edit).
    Parsed written = disk;
    written.text = text;
    disk.text = QString(); // a big file's text is not held twice
    qsizetype shift = 0;
    for (qsizetype i = 0; i < written.spans.size(); ++i) {
        auto& [start, end] = written.spans[i];
        const qsizetype length = end - start;
        start += shift;
        end += shift;
        if (sameRow(i))
            continue;
        const QString row = rowText(rows.at(i), language);
        if (!readsBackAs(row, rows.at(i), language, encoding))
            return refuse(notReadBackRefusal(fileName));
        end = start + row.size();
        shift += row.size() - length;
    }
    written.rows = rows;
    std::optional<QByteArray> bytes = TextCodec::encode(text, *encoding);
    if (!bytes)
        return refuse(notReadBackRefusal(fileName));
    bytes->squeeze();
    // The page must still be able to run the file.
    if (const std::optional<ScriptCheck::SyntaxError> e = checkScript(text, written))
        return refuse(Messages::saveWouldBreakScript(fileName, e->line, e->message));
    SaveResult done{bytes, written.rows, written.head, written.tail, QString(), false, {}};
    done.known = {digestOf(*bytes), *encoding, cutOf(written)};
    return done;
}
} // namespace

SaveResult save(const QByteArray& old, const QList<Row>& base, const QList<Row>& mine, PageSet::Language language,
                const QString& fileName, std::optional<TextCodec::Encoding> page) {
    return saveOver(old, viewOf(base), mine, language, fileName, page, {});
}

SaveResult saveEdits(const QByteArray& old, const QHash<qsizetype, Row>& before, const QList<Row>& mine,
                     PageSet::Language language, const QString& fileName, std::optional<TextCodec::Encoding> page,
                     const Known& known) {
    const RowsView base{mine.size(), [&](qsizetype i) -> const Row& {
                            const auto it = before.constFind(i);
                            return it != before.cend() ? *it : mine[i];
                        }};
    return saveOver(old, base, mine, language, fileName, page, known);
}

std::optional<QList<Row>> merge(const QList<Row>& base, const QList<Row>& mine, const QList<Row>& disk,
                                qsizetype* conflict) {
    QList<Row> out = disk;
    const std::optional<qsizetype> at = mergeInto(
        out, viewOf(base), mine.size(), [&mine](qsizetype i) { return mine[i]; }, viewOf(disk));
    if (!at)
        return out;
    if (conflict)
        *conflict = *at;
    return std::nullopt;
}

} // namespace WordFile
