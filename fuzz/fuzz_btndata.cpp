// The button-data file: any text reads, the block written reads back as the same rows, a save
// keeps every byte outside the marked block, and saving the saved file again changes nothing.
#include "BtnData.h"
#include "FuzzCheck.h"

#include <cstddef>
#include <cstdint>

namespace {
QByteArray afterLineEnd(const QByteArray& text, qsizetype at) {
    if (text.mid(at, 2) == "\r\n")
        return text.mid(at + 2);
    if (at < text.size() && (text[at] == '\n' || text[at] == '\r'))
        return text.mid(at + 1);
    return text.mid(at);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray old(reinterpret_cast<const char*>(data), qsizetype(size));

    BtnData::Table mAx, mBx;
    BtnData::LoadData(QString::fromUtf8(old), mAx, mBx);
    for (int f = 0; f < 3; ++f)
        PKL_FUZZ_CHECK(mAx[f].size() >= BtnData::kRows && mBx[f].size() >= BtnData::kRows);

    // The editor refuses to save cells that hold the marker or a bank comment.
    if (!BtnData::ReadsBack(mAx, mBx))
        return 0;

    // What the writer wrote reads back as the 52 rows it wrote.
    const QByteArray block = BtnData::MarkedBlock(mAx, mBx);
    BtnData::Table ax, bx;
    BtnData::LoadData(QString::fromUtf8(block), ax, bx);
    for (int f = 0; f < 3; ++f)
        for (int r = 0; r < BtnData::kRows; ++r)
            PKL_FUZZ_CHECK(ax[f][r] == mAx[f][r] && bx[f][r] == mBx[f][r]);
    const QByteArray marker = BtnData::Marker().toLatin1();
    PKL_FUZZ_CHECK(block.count(marker) == 2);
    // Outside the block nothing changes: the head before the first marker, and everything after
    // the closing marker's line (with one marker, after that marker's line).
    const QByteArray saved = BtnData::Splice(old, block);
    const qsizetype first = old.indexOf(marker);
    if (first < 0) {
        PKL_FUZZ_CHECK(saved.startsWith(old) && saved.endsWith(block));
        PKL_FUZZ_CHECK(saved.size() - old.size() - block.size() <= 1);
    } else {
        const qsizetype second = old.indexOf(marker, first + marker.size());
        const QByteArray tail = afterLineEnd(old, (second < 0 ? first : second) + marker.size());
        PKL_FUZZ_CHECK(saved.startsWith(old.left(first)));
        PKL_FUZZ_CHECK(saved.mid(first, block.size()) == block);
        PKL_FUZZ_CHECK(saved.mid(first + block.size()) == tail);
    }

    // A second save without edits gives the same file.
    PKL_FUZZ_CHECK(BtnData::Splice(saved, block) == saved);
    return 0;
}
