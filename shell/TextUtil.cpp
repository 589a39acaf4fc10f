#include "TextUtil.h"

namespace TextUtil {

QString NthField(const QString& text, const QString& sep, int n) {
    if (n < 1)
        return {};
    if (sep.isEmpty())
        return n == 1 ? text : QString();
    qsizetype start = 0;
    for (int i = 1; i < n; ++i) {
        const qsizetype at = text.indexOf(sep, start);
        if (at < 0)
            return {};
        start = at + sep.size();
    }
    const qsizetype end = text.indexOf(sep, start);
    return end < 0 ? text.mid(start) : text.mid(start, end - start);
}

int CountFields(const QString& text, const QString& sep) {
    if (sep.isEmpty())
        return 1;
    return int(text.count(sep)) + 1;
}

QString ReplaceLineEndings(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(u'\r', u'\n');
    return out;
}

QByteArray ReplaceLineEndings(const QByteArray& text) {
    QByteArray out = text;
    out.replace("\r\n", "\n");
    out.replace('\r', '\n');
    return out;
}

QString Hex2(int value) {
    return QString::number(value & 0xff, 16).rightJustified(2, u'0');
}

} // namespace TextUtil
