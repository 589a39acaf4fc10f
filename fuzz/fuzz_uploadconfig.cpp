// The card's CONFIG: the presence test takes any bytes; the line is added after the old bytes,
// never onto the last line; once added it is found, so a second press writes nothing.
#include "FuzzCheck.h"
#include "UploadConfig.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray config(reinterpret_cast<const char*>(data), qsizetype(size));
    static const QByteArray line = QByteArrayLiteral("UPLOAD=1\r\n");

    const bool has = UploadConfig::hasUploadLine(config);
    // Plain ASCII has no double-byte characters, so the byte search must agree.
    bool ascii = true;
    for (const char c : config)
        ascii = ascii && uchar(c) < 0x80;
    if (ascii)
        PKL_FUZZ_CHECK(has == config.contains(line));

    const QByteArray updated = UploadConfig::withUploadLine(config);
    PKL_FUZZ_CHECK(updated.startsWith(config));
    PKL_FUZZ_CHECK(updated.endsWith(line));
    const bool ownLine = config.isEmpty() || config.endsWith('\n') || config.endsWith('\r');
    PKL_FUZZ_CHECK(updated.size() == config.size() + line.size() + (ownLine ? 0 : 2));
    PKL_FUZZ_CHECK(UploadConfig::hasUploadLine(updated));
    return 0;
}
