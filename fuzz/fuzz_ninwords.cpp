// The recognition-word files: any text reads; rows the editor lets through are written so that
// they read back the same, with the head, the text in front of the rows and the tail unchanged;
// a second save without edits changes nothing. The first byte picks the language.
#include "FuzzCheck.h"
#include "NinData.h"
#include "TextUtil.h"

#include <cstddef>
#include <cstdint>

namespace {
// An empty alternative is not written, so alternative 2 moves up on the next reading.
NinData::Row AsReadBack(NinData::Row r) {
    if (r.alt1.isEmpty()) {
        r.alt1 = r.alt2;
        r.alt2.clear();
    }
    return r;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int language = data[0] & 1;
    const QByteArray file(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    const NinData::Parsed p = NinData::Read(file);
    for (const NinData::Row& r : p.rows)
        if (NinData::FirstForbidden(r, language))
            return 0; // the editor refuses to save these and names the row

    const QByteArray saved = NinData::Write(p.head, p.lead, p.tail, p.rows, language);

    // The text before the first marker line is kept (line ends made LF, as the format has it).
    const QByteArray lf = TextUtil::ReplaceLineEndings(file);
    const QByteArray sep = QByteArray(NinData::kMarker) + '\n';
    const qsizetype first = lf.indexOf(sep);
    PKL_FUZZ_CHECK(saved.startsWith(first < 0 ? lf : lf.left(first)));
    // With two marker lines or more, all of the text after the second is kept.
    if (first >= 0) {
        const qsizetype second = lf.indexOf(sep, first + sep.size());
        if (second >= 0)
            PKL_FUZZ_CHECK(saved.endsWith(lf.mid(second + sep.size())));
    }

    const NinData::Parsed q = NinData::Read(saved);
    PKL_FUZZ_CHECK(q.head == p.head);
    PKL_FUZZ_CHECK(q.lead == p.lead);
    PKL_FUZZ_CHECK(q.tail == p.tail);
    PKL_FUZZ_CHECK(q.rows.size() == p.rows.size());
    for (qsizetype i = 0; i < p.rows.size(); ++i)
        PKL_FUZZ_CHECK(q.rows[i] == AsReadBack(p.rows[i]));

    PKL_FUZZ_CHECK(NinData::Write(q.head, q.lead, q.tail, q.rows, language) == saved);
    return 0;
}
