// The recognition-word files. The first byte picks the language (bit 0) and what the rest is (bit 1):
// - a whole file: any bytes read; a file in neither encoding is never written; rows the editor lets
//   through are written in the file's encoding so that they read back the same, with the head, the
//   text in front of the rows and the tail unchanged, no replacement character the file did not
//   hold, and a second save changes nothing;
// - pieces of a page-set file, cut at NUL: a head and a tail around the word array, text in front
//   of the rows, and rows of id, word, two alternatives and a word the user types over the word
//   (bit 2: the file in Shift_JIS). Whenever such a file runs in a JavaScript engine and the tool
//   reads the rows the engine reads, and the tool saves, the engine runs the saved file and reads
//   the rows the list then shows.
#include "FuzzCheck.h"
#include "JsEval.h"
#include "NinData.h"
#include "TextCodec.h"
#include "TextUtil.h"

#include <cstddef>
#include <cstdint>

namespace {
using TextCodec::Encoding;

// An empty alternative is not written, so alternative 2 moves up on the next reading.
NinData::Row AsReadBack(NinData::Row r) {
    if (r.alt1.isEmpty()) {
        r.alt1 = r.alt2;
        r.alt2.clear();
    }
    return r;
}

// The engine's rows as four texts each; an empty array reads as one empty row.
bool SameRows(QList<QStringList> engine, const QList<NinData::Row>& rows) {
    if (rows.isEmpty())
        return engine.isEmpty() || (engine.size() == 1 && engine[0].isEmpty());
    if (engine.size() != rows.size())
        return false;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QStringList& e = engine[i];
        while (e.size() < 4)
            e << QString();
        const NinData::Row& r = rows[i];
        if (e != QStringList{r.id, r.word, r.alt1, r.alt2})
            return false;
    }
    return true;
}

bool SavesRows(const QList<NinData::Row>& rows, int language) {
    for (const NinData::Row& r : rows)
        if (NinData::FirstForbidden(r, language))
            return false; // the editor refuses to save these and names the row
    return true;
}

void WholeFile(const QByteArray& file, int language) {
    const std::optional<Encoding> encoding = TextCodec::Detect(file);
    if (!encoding)
        return; // shown, never written
    const NinData::Parsed p = NinData::Read(TextCodec::Decode(file, *encoding));
    if (!SavesRows(p.rows, language))
        return;

    const QString text = NinData::Write(p.head, p.lead, p.tail, p.rows, language);
    const std::optional<QByteArray> saved = TextCodec::Encode(text, *encoding);
    PKL_FUZZ_CHECK(saved.has_value());
    PKL_FUZZ_CHECK(TextCodec::Detect(*saved).has_value());
    PKL_FUZZ_CHECK(file.contains("\xEF\xBF\xBD") || !saved->contains("\xEF\xBF\xBD"));

    // The bytes before the first marker line are kept (line ends made LF, as the format has it).
    // The ASCII markers are found on bytes: "/" is never the second byte of a Shift_JIS character.
    const QByteArray lf = TextUtil::ReplaceLineEndings(file);
    const QByteArray sep = QByteArray(NinData::kMarker) + '\n';
    const qsizetype first = lf.indexOf(sep);
    PKL_FUZZ_CHECK(saved->startsWith(first < 0 ? lf : lf.left(first)));
    // With two marker lines or more, all of the bytes after the second are kept.
    if (first >= 0) {
        const qsizetype second = lf.indexOf(sep, first + sep.size());
        if (second >= 0)
            PKL_FUZZ_CHECK(saved->endsWith(lf.mid(second + sep.size())));
    }

    const NinData::Parsed q = NinData::Read(TextCodec::Decode(*saved, *encoding));
    PKL_FUZZ_CHECK(q.head == p.head);
    PKL_FUZZ_CHECK(q.lead == p.lead);
    PKL_FUZZ_CHECK(q.tail == p.tail);
    PKL_FUZZ_CHECK(q.rows.size() == p.rows.size());
    for (qsizetype i = 0; i < p.rows.size(); ++i)
        PKL_FUZZ_CHECK(q.rows[i] == AsReadBack(p.rows[i]));

    PKL_FUZZ_CHECK(NinData::Write(q.head, q.lead, q.tail, q.rows, language) == text);
}

// Text another program wrote. The engine runs it, so nothing in it may call or loop: without "(",
// "{" and "`" a script can do neither. The marker is another matter (the format holds it exactly
// twice), so it is taken out.
QString Piece(const QByteArray& bytes, bool noBrackets = false) {
    QString text = QString::fromUtf8(bytes);
    for (const QChar c : {u'(', u'{', u'`'})
        text.remove(c);
    const QString marker = QString::fromLatin1(NinData::kMarker);
    while (text.contains(marker))
        text.remove(marker);
    // Text in front of the rows that holds a bracket is read as a row, which a page does not.
    if (noBrackets) {
        text.remove(u'[');
        text.remove(u']');
    }
    return text;
}

void PageFile(const QList<QByteArray>& pieces, int language, bool shiftJis) {
    const QString variable = language ? QStringLiteral("ninshiki_en") : QStringLiteral("ninshiki_jp");
    const QString head = Piece(pieces.value(0)) + QStringLiteral("var ") + variable + QStringLiteral(" = [\n");
    const QString tail = QStringLiteral("];\n") + Piece(pieces.value(1));
    const QString lead = Piece(pieces.value(2), true);
    QList<NinData::Row> written;
    QStringList typed;
    for (qsizetype i = 3; i < pieces.size() && written.size() < 16; i += 5) {
        written.append(
            {Piece(pieces[i]), Piece(pieces.value(i + 1)), Piece(pieces.value(i + 2)), Piece(pieces.value(i + 3))});
        // Typed text stays in its quotes (the cell refuses what would end them), so it may hold anything.
        typed << QString::fromUtf8(pieces.value(i + 4));
    }
    // The file as another program wrote it, quotes and all.
    const QString original = NinData::Write(head, lead, tail, written, language);
    if (original.count(u'[') > 64)
        return; // deep nesting tests the engine's parser, not the tool
    std::optional<QByteArray> bytes = shiftJis ? TextCodec::Encode(original, Encoding::ShiftJis) : std::nullopt;
    if (!bytes)
        bytes = original.toUtf8();

    // What the page and the tool read from it.
    const std::optional<Encoding> encoding = TextCodec::Detect(*bytes);
    if (!encoding)
        return;
    const QString onDisk = TextCodec::Decode(*bytes, *encoding);
    const NinData::Parsed p = NinData::Read(onDisk);
    const JsEval::Result before = JsEval::Rows(onDisk, variable);
    if (!before.ok() || !SameRows(before.rows, p.rows))
        return;

    // The user types over the words; a cell refuses what the file cannot carry.
    QList<NinData::Row> rows = p.rows;
    for (qsizetype i = 0; i < rows.size() && i < typed.size(); ++i) {
        const QString& t = typed[i];
        if (!t.isEmpty() && !NinData::ForbiddenChar(t, language) && !TextCodec::FirstUncarriable(t, *encoding))
            rows[i].word = t;
    }
    if (!SavesRows(rows, language))
        return;
    const QString text = NinData::Write(p.head, p.lead, p.tail, rows, language);
    const std::optional<QByteArray> saved = TextCodec::Encode(text, *encoding);
    PKL_FUZZ_CHECK(saved.has_value());

    // The list then shows what the file holds, and that is what the page reads.
    const QString savedText = TextCodec::Decode(*saved, *encoding);
    const NinData::Parsed shown = NinData::Read(savedText);
    PKL_FUZZ_CHECK(shown.rows.size() == rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        PKL_FUZZ_CHECK(shown.rows[i] == AsReadBack(rows[i]));
    const JsEval::Result after = JsEval::Rows(savedText, variable);
    if (!after.ok())
        std::fprintf(stderr, "engine: %s\n", qPrintable(after.error));
    PKL_FUZZ_CHECK(after.ok());
    PKL_FUZZ_CHECK(SameRows(after.rows, shown.rows));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int language = data[0] & 1;
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (data[0] & 2)
        PageFile(rest.split('\0'), language, data[0] & 4);
    else
        WholeFile(rest, language);
    return 0;
}
