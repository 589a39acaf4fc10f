#include "TextUtil.h"

#include "TextCodec.h"

namespace TextUtil {

QString withLfLineEnds(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(u'\r', u'\n');
    return out;
}

QByteArray withLfLineEnds(const QByteArray& text) {
    QByteArray out = text;
    out.replace("\r\n", "\n");
    out.replace('\r', '\n');
    return out;
}

QString twoHexDigits(int value) {
    return QString::number(value & 0xff, 16).rightJustified(2, u'0');
}

QString shown(const QString& piece) {
    if (piece == u"\n" || piece == u"\r")
        return QStringLiteral("改行");
    if (piece == QString(QChar(0x2028)))
        return QStringLiteral("行区切り文字（U+2028）");
    if (piece == QString(QChar(0x2029)))
        return QStringLiteral("段落区切り文字（U+2029）");
    if (piece.size() == 1 && (!piece[0].isPrint() || piece[0].isSurrogate()))
        return QStringLiteral("文字（U+%1）")
            .arg(QString::number(piece[0].unicode(), 16).rightJustified(4, u'0').toUpper());
    return QStringLiteral("「%1」").arg(piece);
}

QString shownName(const QByteArray& name) {
    const std::optional<TextCodec::Encoding> encoding = TextCodec::detect(name);
    const QString decoded = encoding ? TextCodec::decode(name, *encoding) : QString::fromLatin1(name);
    // A control character would break the message's line or not show at all.
    QString shown;
    for (const QChar c : decoded)
        shown += c.unicode() < 0x20 || c.unicode() == 0x7f || (!encoding && c.unicode() > 0x7f)
                     ? QString::asprintf("\\x%02x", unsigned(c.unicode()))
                     : QString(c);
    return shown;
}

} // namespace TextUtil
