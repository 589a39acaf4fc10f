#include "TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace TextCodec {
namespace {
constexpr auto kFlags = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

QStringDecoder decoder(Encoding encoding) {
    return encoding == Encoding::Utf8 ? QStringDecoder(QStringConverter::Utf8, kFlags)
                                      : QStringDecoder("Shift_JIS", kFlags);
}

QStringEncoder encoder(Encoding encoding) {
    return encoding == Encoding::Utf8 ? QStringEncoder(QStringConverter::Utf8, kFlags)
                                      : QStringEncoder("Shift_JIS", kFlags);
}
} // namespace

std::optional<Encoding> Detect(const QByteArray& bytes) {
    QStringDecoder utf8 = decoder(Encoding::Utf8);
    const QString asUtf8 = utf8.decode(bytes);
    if (!utf8.hasError())
        return Encoding::Utf8;
    QStringDecoder sjis = decoder(Encoding::ShiftJis);
    if (!sjis.isValid())
        return std::nullopt;
    const QString text = sjis.decode(bytes);
    if (sjis.hasError())
        return std::nullopt;
    // Several byte pairs can stand for one character; only a file that comes back byte for byte
    // can be rewritten without changing what nobody edited.
    if (Encode(text, Encoding::ShiftJis) != bytes)
        return std::nullopt;
    return Encoding::ShiftJis;
}

QString Decode(const QByteArray& bytes, Encoding encoding) {
    QStringDecoder d = decoder(encoding);
    return d.decode(bytes);
}

std::optional<QByteArray> Encode(const QString& text, Encoding encoding) {
    QStringEncoder e = encoder(encoding);
    QByteArray bytes = e.encode(text);
    if (e.hasError() || !e.isValid())
        return std::nullopt;
    return bytes;
}

std::optional<QString> FirstUncarriable(const QString& text, Encoding encoding) {
    if (encoding == Encoding::Utf8) {
        // Only a lone surrogate has no UTF-8 form.
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i;
            else if (text[i].isSurrogate())
                return QString(text[i]);
        }
        return std::nullopt;
    }
    // A character that is written as another one's bytes (a private-use one as "№") is not carried.
    auto carried = [encoding](const QString& t) {
        const std::optional<QByteArray> bytes = Encode(t, encoding);
        return bytes && Decode(*bytes, encoding) == t;
    };
    if (carried(text))
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        const QString c = text.mid(i, n);
        if (!carried(c))
            return c;
        i += n - 1;
    }
    return std::nullopt;
}

QString Name(Encoding encoding) {
    return encoding == Encoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Shift_JIS");
}
} // namespace TextCodec
