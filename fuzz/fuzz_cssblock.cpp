// The style sheet's colour block: any text reads; the colour written reads back; the text outside
// the block is kept; a file the block cannot be placed in is refused; a second save changes nothing.
// The first three bytes are the colour.
#include "BgColor.h"
#include "FuzzCheck.h"
#include "TextUtil.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    const QColor color(data[0], data[1], data[2]);
    const QByteArray file(reinterpret_cast<const char*>(data + 3), qsizetype(size - 3));

    (void)BgColor::ReadColor(file);
    const std::optional<QByteArray> saved = BgColor::WriteColor(file, color);

    const QByteArray lf = TextUtil::ReplaceLineEndings(file);
    const QByteArray sep = BgColor::Separator();
    const qsizetype first = lf.indexOf(sep);
    const qsizetype second = first < 0 ? -1 : lf.indexOf(sep, first + sep.size());
    if (first >= 0 && second < 0) {
        PKL_FUZZ_CHECK(!saved); // one marker: no telling where the block ends
        return 0;
    }
    PKL_FUZZ_CHECK(saved.has_value());
    const QByteArray block = sep + BgColor::ColorBlock(color) + sep;
    if (first < 0) {
        PKL_FUZZ_CHECK(*saved == lf + block);
    } else {
        PKL_FUZZ_CHECK(saved->startsWith(lf.left(first)));
        PKL_FUZZ_CHECK(saved->mid(first, block.size()) == block);
        PKL_FUZZ_CHECK(saved->mid(first + block.size()) == lf.mid(second + sep.size()));
    }

    PKL_FUZZ_CHECK(BgColor::ReadColor(*saved) == color);
    PKL_FUZZ_CHECK(BgColor::WriteColor(*saved, color) == saved);
    return 0;
}
