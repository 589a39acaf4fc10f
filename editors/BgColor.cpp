#include "BgColor.h"

#include "TextUtil.h"

namespace BgColor {
namespace {
// Val("&h" + pair): the hexadecimal digits at the start of the pair.
int HexPrefixValue(const QString& pair) {
    int value = 0;
    for (const QChar c : pair) {
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c.unicode() - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c.unicode() - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            digit = c.unicode() - u'A' + 10;
        else
            break;
        value = value * 16 + digit;
    }
    return value;
}
} // namespace

QByteArray Separator() {
    return QByteArrayLiteral("/*body-gackground-color*/\n");
}

QColor ReadColor(const QByteArray& fileText) {
    const QByteArray text = TextUtil::ReplaceLineEndings(fileText);
    const QByteArray sep = Separator();
    const qsizetype first = text.indexOf(sep);
    if (first < 0)
        return QColor(0, 0, 0);
    const qsizetype start = first + sep.size();
    const qsizetype second = text.indexOf(sep, start);
    const QString block = QString::fromUtf8(second < 0 ? text.mid(start) : text.mid(start, second - start));
    const qsizetype hash = block.indexOf(u'#');
    if (hash < 0)
        return QColor(0, 0, 0);
    const QString v = block.mid(hash + 1).section(u';', 0, 0);
    return QColor(HexPrefixValue(v.mid(0, 2)), HexPrefixValue(v.mid(2, 2)), HexPrefixValue(v.mid(4, 2)));
}

QByteArray ColorBlock(const QColor& color) {
    const QString digits = TextUtil::Hex2(color.red()) + TextUtil::Hex2(color.green()) + TextUtil::Hex2(color.blue());
    return "    background-color: #" + digits.toLatin1() + ";\n    ";
}

std::optional<QByteArray> WriteColor(const QByteArray& fileText, const QColor& color) {
    const QByteArray text = TextUtil::ReplaceLineEndings(fileText);
    const QByteArray sep = Separator();
    const qsizetype first = text.indexOf(sep);
    if (first < 0)
        return text + sep + ColorBlock(color) + sep;
    const qsizetype second = text.indexOf(sep, first + sep.size());
    if (second < 0)
        return std::nullopt;
    return text.left(first) + sep + ColorBlock(color) + text.mid(second);
}
} // namespace BgColor
