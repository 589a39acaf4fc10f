// The recognition-word files. The first byte picks the language (bit 0) and what the rest is (bit 1):
// - a whole file, any bytes: a file in neither encoding is never written; when the tool saves, the
//   saved file reads back as the rows the list shows, the text around the rows is kept (line ends
//   made LF), no replacement character appears that the file did not hold, a save with no edit
//   writes nothing, and every row not edited keeps its text byte for byte, as does the text between
//   the rows;
// - pieces of a page-set file, cut at NUL: a head and a tail around the word array, style bytes, a
//   piece of text set among the rows, and rows of id, word, two alternatives and a word the user
//   types over the word (bit 2: the file in Shift_JIS). The rows are written in a fuzzed style
//   (blanks, line breaks, comments, either quote, escapes, ids as numbers, holes, trailing commas).
//   Whenever a JavaScript engine runs the file, the list shows the engine's rows or the editor
//   refuses the file; and after each save the engine reads the rows the list then shows. One
//   random row is also edited alone.
// In both, the syntax check that spares the rows read gives what the check of the whole text gives.
#include "FuzzCheck.h"
#include "FuzzStyle.h"
#include "JsEval.h"
#include "ScriptCheck.h"
#include "TextCodec.h"
#include "TextUtil.h"
#include "WordFile.h"

#include <cstddef>
#include <cstdint>

namespace {
using TextCodec::Encoding;

// The engine's rows as four texts each.
bool sameRows(QList<QStringList> engine, const QList<WordFile::Row>& rows) {
    if (engine.size() == 1 && engine[0].isEmpty() && rows.isEmpty())
        engine.clear(); // an empty array reads as one empty row
    if (engine.size() != rows.size())
        return false;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QStringList& e = engine[i];
        while (e.size() < 4)
            e << QString();
        const WordFile::Row& r = rows[i];
        if (e != QStringList{r.id, r.word, r.alt1, r.alt2})
            return false;
    }
    return true;
}

// The texts between the rows (before the first, between two, after the last).
QStringList gaps(const WordFile::Parsed& p) {
    QStringList out;
    qsizetype at = 0;
    for (const auto& [start, end] : p.spans) {
        out << p.text.mid(at, start - at);
        at = end;
    }
    out << p.text.mid(at);
    return out;
}

// Saves rows typed over base into the file old; checks what every save must keep. The new text, or
// nothing when the save is refused.
std::optional<QString> save(const QByteArray& old, const QList<WordFile::Row>& base, const QList<WordFile::Row>& mine,
                            PageSet::Language language) {
    const WordFile::SaveResult saved = WordFile::save(old, base, mine, language, QStringLiteral("ninshiki.js"));
    const Encoding encoding = *TextCodec::detect(old);
    if (saved.unchanged) {
        // Nothing edited: nothing written.
        PKL_FUZZ_CHECK(!saved.bytes && saved.refusal.isEmpty() && mine == base);
        return TextCodec::decode(old, encoding);
    }
    PKL_FUZZ_CHECK(mine != base || !saved.bytes);
    if (!saved.bytes) {
        std::fprintf(stderr, "refused: %s\n", qPrintable(saved.refusal));
        return std::nullopt;
    }
    PKL_FUZZ_CHECK(TextCodec::detect(*saved.bytes).has_value());
    const QString text = TextCodec::decode(*saved.bytes, encoding);
    // A replacement character is written only where a row holds one (an escape in the file, say).
    qsizetype inRows = 0;
    for (const WordFile::Row& r : mine)
        for (const QString* f : {&r.id, &r.word, &r.alt1, &r.alt2})
            inRows += f->count(QChar(0xFFFD));
    PKL_FUZZ_CHECK(text.count(QChar(0xFFFD)) <= TextCodec::decode(old, encoding).count(QChar(0xFFFD)) + inRows);
    PKL_FUZZ_CHECK(saved.rows == mine);

    // The text around the rows is kept, and the rows read back as written.
    const WordFile::Parsed p = WordFile::read(TextCodec::decode(old, encoding), language);
    const WordFile::Parsed q = WordFile::read(text, language);
    PKL_FUZZ_CHECK(q.ok());
    PKL_FUZZ_CHECK(q.head == p.head && q.lead == p.lead && q.tail == p.tail);
    PKL_FUZZ_CHECK(q.rows == mine);
    // Only the edited rows changed their text.
    PKL_FUZZ_CHECK(p.ok() && p.rows.size() == mine.size());
    PKL_FUZZ_CHECK(gaps(q) == gaps(p));
    for (qsizetype i = 0; i < mine.size(); ++i)
        if (mine[i] == p.rows[i]) {
            const auto [a, b] = p.spans[i];
            const auto [c, d] = q.spans[i];
            PKL_FUZZ_CHECK(p.text.mid(a, b - a) == q.text.mid(c, d - c));
        }
    const WordFile::SaveResult again =
        WordFile::save(*saved.bytes, q.rows, q.rows, language, QStringLiteral("ninshiki.js"));
    PKL_FUZZ_CHECK(again.unchanged && !again.bytes);
    return text;
}

// The check that spares the rows says what the check of the whole text says.
void sameCheck(const QString& text, const WordFile::Parsed& p) {
    const std::optional<ScriptCheck::SyntaxError> whole = ScriptCheck::check(text);
    const std::optional<ScriptCheck::SyntaxError> spared = WordFile::checkScript(text, p);
    if (whole.has_value() != spared.has_value() ||
        (whole && (whole->line != spared->line || whole->message != spared->message)))
        std::fprintf(stderr, "whole: %s; spared: %s\n", whole ? qPrintable(whole->message) : "parses",
                     spared ? qPrintable(spared->message) : "parses");
    PKL_FUZZ_CHECK(whole.has_value() == spared.has_value());
    PKL_FUZZ_CHECK(!whole || (whole->line == spared->line && whole->message == spared->message));
}

void wholeFile(const QByteArray& file, PageSet::Language language) {
    const std::optional<Encoding> encoding = TextCodec::detect(file);
    if (!encoding) {
        PKL_FUZZ_CHECK(!WordFile::save(file, {}, {}, language, QStringLiteral("ninshiki.js")).bytes);
        return;
    }
    const QString text = TextCodec::decode(file, *encoding);
    const WordFile::Parsed p = WordFile::read(text, language, {}, encoding);
    sameCheck(text, p);
    if (!p.ok()) {
        PKL_FUZZ_CHECK(p.rows.isEmpty());
        PKL_FUZZ_CHECK(!WordFile::save(file, {}, {}, language, QStringLiteral("ninshiki.js")).bytes);
        return;
    }
    PKL_FUZZ_CHECK(save(file, p.rows, p.rows, language).has_value());
}

// A value as a string literal, in either quote, some characters as escapes.
QString literal(const QString& value, Style& style) {
    const QChar q = style.next(2) ? u'"' : u'\'';
    QString out(q);
    for (const QChar c : value) {
        if (c == q || c == u'\\')
            out += u'\\';
        if (style.next(8) == 0 && c != q && c != u'\\')
            out += QStringLiteral("\\u") + QString::number(c.unicode(), 16).rightJustified(4, u'0');
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out + q;
}

// Text another program wrote: without "(", "{" and "`" the script can neither call nor loop.
QString piece(const QByteArray& bytes) {
    QString text = QString::fromUtf8(bytes);
    for (const QChar c : {u'(', u'{', u'`'})
        text.remove(c);
    return text;
}

void pageFile(const QList<QByteArray>& pieces, PageSet::Language language, bool shiftJis) {
    const QString variable =
        language == PageSet::Language::English ? QStringLiteral("ninshiki_en") : QStringLiteral("ninshiki_jp");
    const QString marker = QString::fromLatin1(WordFile::kMarker);
    Style style(pieces.value(2));
    const QString among = piece(pieces.value(3));
    QString area;
    QStringList typed;
    int rows = 0;
    for (qsizetype i = 4; i < pieces.size() && rows < 16; i += 5, ++rows) {
        if (rows == style.next(4))
            area += among; // anything at all between two rows, or before the first
        area += QStringLiteral("    [") + style.gap();
        const QString id = piece(pieces[i]);
        bool digits = !id.isEmpty() && id.size() < 10;
        for (const QChar c : id)
            digits = digits && c >= u'0' && c <= u'9' && id[0] != u'0';
        area += digits && style.next(2) ? id : literal(id, style);
        const int parts = 1 + style.next(4);
        for (int k = 1; k < parts; ++k) {
            area += u',' + style.gap();
            const QString word = piece(pieces.value(i + k));
            area += word.isEmpty() && style.next(3) == 0 ? QString() : literal(word, style); // a hole
        }
        area += (style.next(4) == 0 ? QStringLiteral(",") : QString()) + u']' + u',' + style.gap() + u'\n';
        typed << QString::fromUtf8(pieces.value(i + 4));
    }
    auto file = [&](const QString& rowsText) {
        return piece(pieces.value(0)) + QStringLiteral("\nvar ") + variable + QStringLiteral(" = [\n") + marker +
               u'\n' + rowsText + QStringLiteral("        ") + marker + QStringLiteral("\n];\n") +
               piece(pieces.value(1));
    };
    const QString original = file(area);
    if (original.count(u'[') > 200)
        return; // deep nesting tests the engine's parser, not the tool
    std::optional<QByteArray> bytes = shiftJis ? TextCodec::encode(original, Encoding::ShiftJis) : std::nullopt;
    if (!bytes)
        bytes = original.toUtf8();
    const std::optional<Encoding> encoding = TextCodec::detect(*bytes);
    if (!encoding)
        return;

    // What the list shows is what the page reads.
    const QString onDisk = TextCodec::decode(*bytes, *encoding);
    const WordFile::Parsed p = WordFile::read(onDisk, language, {}, encoding);
    sameCheck(onDisk, p);
    if (!p.ok())
        return;
    // A script a browser does not parse is refused when the list opens: nothing is saved there.
    // (The judging engine takes some such texts, a lone "." before a declaration among them.)
    if (ScriptCheck::check(onDisk))
        return;
    const JsEval::Result before = JsEval::rows(onDisk, variable);
    if (!before.ran)
        return;
    // The text around may hide the array from the variable (in a comment, say): then the rows are
    // not the variable's, and the engine has nothing to say about them. A probe in place of the
    // rows tells.
    const JsEval::Result probe = JsEval::rows(file(QStringLiteral("'\\x01probe'\n")), variable);
    if (!probe.ok() || probe.rows != QList<QStringList>{{QStringLiteral("\x01probe")}})
        return;
    if (!before.ok() || !sameRows(before.rows, p.rows))
        std::fprintf(stderr, "the list's rows are not the engine's: %s\n", qPrintable(before.error));
    PKL_FUZZ_CHECK(before.ok() && sameRows(before.rows, p.rows));

    // A save without edits, then the user types over the words; a cell refuses what the file
    // cannot carry.
    const std::optional<QString> unedited = save(*bytes, p.rows, p.rows, language);
    PKL_FUZZ_CHECK(unedited.has_value());
    const JsEval::Result same = JsEval::rows(*unedited, variable);
    PKL_FUZZ_CHECK(same.ok() && sameRows(same.rows, p.rows));
    QList<WordFile::Row> mine = p.rows;
    for (qsizetype i = 0; i < mine.size() && i < typed.size(); ++i) {
        const QString& t = typed[i];
        if (!t.isEmpty() && !WordFile::forbiddenChar(t, language) && !TextCodec::firstUncarriable(t, *encoding))
            mine[i].word = TextCodec::stored(t, *encoding); // as the file gives it back
    }
    // One row alone edited: every other row keeps its text (checked in save).
    if (!p.rows.isEmpty()) {
        const qsizetype one = style.next(int(p.rows.size()));
        if (mine[one] != p.rows[one]) {
            QList<WordFile::Row> single = p.rows;
            single[one] = mine[one];
            const std::optional<QString> text = save(*bytes, p.rows, single, language);
            PKL_FUZZ_CHECK(text.has_value());
        }
    }
    const std::optional<QString> edited = save(*bytes, p.rows, mine, language);
    PKL_FUZZ_CHECK(edited.has_value());
    const JsEval::Result after = JsEval::rows(*edited, variable);
    if (!after.ok())
        std::fprintf(stderr, "engine: %s\n", qPrintable(after.error));
    PKL_FUZZ_CHECK(after.ok() && sameRows(after.rows, mine));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ensureApplication();
    if (size == 0)
        return 0;
    const PageSet::Language language = data[0] & 1 ? PageSet::Language::English : PageSet::Language::Japanese;
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (data[0] & 2)
        pageFile(rest.split('\0'), language, data[0] & 4);
    else
        wholeFile(rest, language);
    return 0;
}
