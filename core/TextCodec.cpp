#include "TextCodec.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

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

namespace {
// Whether the bytes are UTF-8, decoded a piece at a time into one small buffer: a big file is not
// held a second time as text just to be checked. Pieces end before a lead byte, never inside a
// character.
bool isUtf8(const QByteArray& bytes) {
    constexpr qsizetype kPiece = 64 * 1024;
    QStringDecoder utf8 = decoder(Encoding::Utf8);
    QList<QChar> buffer(utf8.requiredSpace(kPiece + 4));
    const qsizetype n = bytes.size();
    for (qsizetype at = 0; at < n;) {
        qsizetype end = std::min(n, at + kPiece);
        for (int back = 0; back < 4 && end < n && end > at && (uchar(bytes[end]) & 0xC0) == 0x80; ++back)
            --end;
        if (end == at)
            end = std::min(n, at + kPiece);
        utf8.appendToBuffer(buffer.data(), QByteArrayView(bytes).sliced(at, end - at));
        if (utf8.hasError())
            return false;
        at = end;
    }
    return true;
}
} // namespace

std::optional<Encoding> detect(const QByteArray& bytes) {
    if (isUtf8(bytes))
        return Encoding::Utf8;
    QStringDecoder sjis = decoder(Encoding::ShiftJis);
    if (!sjis.isValid())
        return std::nullopt;
    const QString text = sjis.decode(bytes);
    if (sjis.hasError())
        return std::nullopt;
    // Several byte pairs can stand for one character; only a file that comes back byte for byte
    // can be rewritten without changing what nobody edited.
    if (encode(text, Encoding::ShiftJis) != bytes)
        return std::nullopt;
    return Encoding::ShiftJis;
}

QString decode(const QByteArray& bytes, Encoding encoding) {
    QStringDecoder d = decoder(encoding);
    return d.decode(bytes);
}

std::optional<QByteArray> encode(const QString& text, Encoding encoding) {
    QStringEncoder e = encoder(encoding);
    QByteArray bytes = e.encode(stored(text, encoding));
    if (e.hasError() || !e.isValid())
        return std::nullopt;
    return bytes;
}

std::optional<QString> firstUncarriable(const QString& text, Encoding encoding) {
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
        const std::optional<QByteArray> bytes = encode(t, encoding);
        return bytes && decode(*bytes, encoding) == stored(t, encoding);
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

QString name(Encoding encoding) {
    return encoding == Encoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Shift_JIS");
}

QString stored(const QString& text, Encoding encoding) {
    if (encoding != Encoding::ShiftJis)
        return text;
    static const QList<QPair<char16_t, char16_t>> kMacForms = {
        {u'\u301C', u'\uFF5E'}, {u'\u2212', u'\uFF0D'}, {u'\u2016', u'\u2225'}, {u'\u2014', u'\u2015'},
        {u'\u00A2', u'\uFFE0'}, {u'\u00A3', u'\uFFE1'}, {u'\u00AC', u'\uFFE2'}};
    QString out = text;
    for (const auto& [mac, stored] : kMacForms)
        out.replace(QChar(mac), QChar(stored));
    return out;
}

namespace {
std::optional<Encoding> fromLabel(QByteArray label) {
    label = label.trimmed().toLower();
    static const QList<QByteArray> utf8 = {"utf-8", "utf8", "unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8",
                                           "x-unicode20utf8",
                                           // a page cannot declare UTF-16 in its own bytes: browsers take UTF-8
                                           "utf-16", "utf-16le", "utf-16be"};
    static const QList<QByteArray> sjis = {"shift_jis", "shift-jis",   "sjis",   "ms_kanji",
                                           "ms932",     "windows-31j", "x-sjis", "csshiftjis"};
    if (utf8.contains(label))
        return Encoding::Utf8;
    if (sjis.contains(label))
        return Encoding::ShiftJis;
    return std::nullopt;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == '/';
}

// The charset named in a Content-Type value: "text/html; charset=Shift_JIS".
std::optional<Encoding> charsetOf(const QByteArray& content) {
    const QByteArray lower = content.toLower();
    qsizetype at = 0;
    while ((at = lower.indexOf("charset", at)) >= 0) {
        qsizetype i = at + 7;
        while (i < lower.size() && isSpace(lower[i]))
            ++i;
        if (i >= lower.size() || lower[i] != '=') {
            at = i;
            continue;
        }
        ++i;
        while (i < lower.size() && isSpace(lower[i]))
            ++i;
        if (i < lower.size() && (lower[i] == '"' || lower[i] == '\'')) {
            const qsizetype end = lower.indexOf(lower[i], i + 1);
            return end < 0 ? std::nullopt : fromLabel(lower.mid(i + 1, end - i - 1));
        }
        qsizetype end = i;
        while (end < lower.size() && !isSpace(lower[end]) && lower[end] != ';')
            ++end;
        return fromLabel(lower.mid(i, end - i));
    }
    return std::nullopt;
}
} // namespace

std::optional<Encoding> declared(const QByteArray& topPage) {
    if (topPage.startsWith("\xEF\xBB\xBF"))
        return Encoding::Utf8;
    const QByteArray head = topPage.left(1024);
    qsizetype i = 0;
    while (i < head.size()) {
        if (head.mid(i, 4) == "<!--") {
            const qsizetype end = head.indexOf("-->", i + 4);
            if (end < 0)
                return std::nullopt;
            i = end + 3;
            continue;
        }
        if (head.mid(i, 5).toLower() != "<meta" || i + 5 >= head.size() || !isSpace(head[i + 5])) {
            ++i;
            continue;
        }
        // The tag's attributes, as name=value pairs.
        i += 5;
        std::optional<Encoding> charset;
        bool httpEquiv = false;
        std::optional<Encoding> content;
        while (i < head.size() && head[i] != '>') {
            while (i < head.size() && isSpace(head[i]))
                ++i;
            qsizetype nameEnd = i;
            while (nameEnd < head.size() && !isSpace(head[nameEnd]) && head[nameEnd] != '=' && head[nameEnd] != '>')
                ++nameEnd;
            const QByteArray name = head.mid(i, nameEnd - i).toLower();
            i = nameEnd;
            while (i < head.size() && isSpace(head[i]) && head[i] != '/')
                ++i;
            QByteArray value;
            if (i < head.size() && head[i] == '=') {
                ++i;
                while (i < head.size() && isSpace(head[i]))
                    ++i;
                if (i < head.size() && (head[i] == '"' || head[i] == '\'')) {
                    const qsizetype end = head.indexOf(head[i], i + 1);
                    if (end < 0)
                        return std::nullopt;
                    value = head.mid(i + 1, end - i - 1);
                    i = end + 1;
                } else {
                    qsizetype end = i;
                    while (end < head.size() && !isSpace(head[end]) && head[end] != '>')
                        ++end;
                    value = head.mid(i, end - i);
                    i = end;
                }
            }
            if (name.isEmpty()) {
                ++i;
                continue;
            }
            if (name == "charset")
                charset = fromLabel(value);
            else if (name == "http-equiv")
                httpEquiv = value.trimmed().toLower() == "content-type";
            else if (name == "content")
                content = charsetOf(value);
        }
        if (charset)
            return charset;
        if (httpEquiv && content)
            return content;
    }
    return std::nullopt;
}

FileEncoding forFile(const QByteArray& bytes, std::optional<Encoding> page, bool styleSheet) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return {Encoding::Utf8, true, false};
    if (styleSheet && bytes.startsWith("@charset \"")) {
        const qsizetype end = bytes.indexOf("\";", 10);
        if (end > 0)
            if (const std::optional<Encoding> own = fromLabel(bytes.mid(10, end - 10)))
                return {own, true, false};
    }
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
    if (ascii)
        return {page.value_or(Encoding::Utf8), false, false};
    const std::optional<Encoding> own = detect(bytes);
    if (!own)
        return {};
    return {own, true, page && *page != *own};
}
} // namespace TextCodec
