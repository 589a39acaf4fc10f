// The style sheet's colour block: any text reads; a file is refused exactly when its reading is, and
// a refused file gives no bytes; the text outside the block is kept (a file without markers only
// gains a rule at its end); the colour written reads back, and a clean block stays clean; a save with
// the colour read gives the file's own bytes; a second save changes nothing. Where the text holds no
// other comment or string, the marker lines are exactly the lines that hold the marker alone. The
// CSS tokens, read either way (Shift_JIS or not), hold every byte once, in order.
// The first three bytes are the colour.
#include "CssSyntax.h"
#include "FuzzCheck.h"
#include "StyleSheetColour.h"
#include "TextUtil.h"

#include <cstddef>
#include <cstdint>

namespace {
using Kind = StyleSheetColour::Reading::Kind;

// The lines holding the marker and blanks only, by plain text search.
QList<qsizetype> plainMarkerLines(const QByteArray& lf) {
    QList<qsizetype> at;
    qsizetype start = 0;
    while (start <= lf.size()) {
        qsizetype end = lf.indexOf('\n', start);
        if (end < 0)
            end = lf.size();
        const QByteArray line = lf.mid(start, end - start);
        qsizetype b = 0, e = line.size();
        while (b < e && (line[b] == ' ' || line[b] == '\t'))
            ++b;
        while (e > b && (line[e - 1] == ' ' || line[e - 1] == '\t'))
            --e;
        if (line.mid(b, e - b) == StyleSheetColour::marker())
            at.append(start + b);
        start = end + 1;
    }
    return at;
}

// No comment or string but the markers themselves, and nothing the tokenizer reads as one token
// across a marker.
bool plainText(const QByteArray& lf) {
    QByteArray rest = lf;
    rest.replace(StyleSheetColour::marker(), " ");
    return !rest.contains("/*") && !rest.contains("*/") && !rest.contains('"') && !rest.contains('\'') &&
           !rest.contains('\\') && !rest.toLower().contains("url(");
}

// One token after another, none empty; only the last can be left open; a string ended by a line
// end stops before it.
void checkTokens(const QByteArray& lf, bool shiftJis) {
    CssSyntax::Tokenizer tokens(lf, shiftJis);
    CssSyntax::Token token;
    qsizetype at = 0;
    bool open = false;
    while (tokens.next(token)) {
        PKL_FUZZ_CHECK(!open && token.begin == at && token.end > token.begin && token.end <= lf.size());
        PKL_FUZZ_CHECK(token.type != CssSyntax::Token::BadString ||
                       (token.end < lf.size() && (lf[token.end] == '\n' || lf[token.end] == '\f')));
        open = token.open;
        at = token.end;
    }
    PKL_FUZZ_CHECK(at == lf.size());
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    const QColor color(data[0], data[1], data[2]);
    const QByteArray file(reinterpret_cast<const char*>(data + 3), qsizetype(size - 3));
    const QString name = QStringLiteral("pelkavin.css");

    const QByteArray lf = TextUtil::withLfLineEnds(file);
    checkTokens(lf, false);
    checkTokens(lf, true);
    const QList<qsizetype> marks = StyleSheetColour::markerLines(lf);
    if (plainText(lf))
        PKL_FUZZ_CHECK(marks == plainMarkerLines(lf));

    const StyleSheetColour::Reading reading = StyleSheetColour::read(file, name);
    PKL_FUZZ_CHECK((reading.kind == Kind::Shown) == reading.problem.isEmpty());
    PKL_FUZZ_CHECK(reading.kind != Kind::Shown || reading.color);
    const StyleSheetColour::SaveResult saved = StyleSheetColour::save(file, color, name);
    // Refused exactly when the reading is, or when the bytes written would not read back as the
    // colour (found by fuzzing: a sheet that turns into valid Shift_JIS).
    const bool notReadBack = saved.refusal.contains(QStringLiteral("保存すると書いた背景色がページに届かなく"));
    PKL_FUZZ_CHECK(saved.bytes.has_value() == (reading.kind != Kind::Refused) || notReadBack);
    if (!saved.bytes) {
        PKL_FUZZ_CHECK(saved.refusal == reading.problem || notReadBack);
        return 0;
    }
    // The colour the block already gives: the file's own bytes, line ends and all.
    if (*saved.bytes == file && reading.color == std::optional<QColor>(color))
        return 0;
    PKL_FUZZ_CHECK(marks.isEmpty() || marks.size() == 2);

    if (marks.isEmpty()) {
        const QByteArray rule = "body {\n" + StyleSheetColour::marker() + '\n' + StyleSheetColour::colorBlock(color) +
                                StyleSheetColour::marker() + "\n}\n";
        const QByteArray lineEnd = lf.isEmpty() || lf.endsWith('\n') ? QByteArray() : QByteArray("\n");
        PKL_FUZZ_CHECK(*saved.bytes == lf + lineEnd + rule);
    } else {
        const QByteArray head = lf.left(lf.indexOf('\n', marks[0]) + 1);
        const QByteArray tail = lf.mid(marks[1]);
        PKL_FUZZ_CHECK(saved.bytes->size() >= head.size() + tail.size());
        PKL_FUZZ_CHECK(saved.bytes->startsWith(head));
        PKL_FUZZ_CHECK(saved.bytes->endsWith(tail));
    }

    const StyleSheetColour::Reading after = StyleSheetColour::read(*saved.bytes, name);
    PKL_FUZZ_CHECK(after.kind != Kind::Refused);
    PKL_FUZZ_CHECK(after.color == std::optional<QColor>(color));
    if (reading.kind == Kind::Shown)
        PKL_FUZZ_CHECK(after.kind == Kind::Shown);
    PKL_FUZZ_CHECK(StyleSheetColour::markerLines(*saved.bytes).size() == 2);
    PKL_FUZZ_CHECK(StyleSheetColour::save(*saved.bytes, color, name).bytes == saved.bytes);

    // A save of the colour read changes nothing: the same bytes, so nothing is written.
    if (reading.color && reading.kind != Kind::Refused)
        PKL_FUZZ_CHECK(StyleSheetColour::save(file, *reading.color, name).bytes == std::optional<QByteArray>(file));
    return 0;
}
