#include "NinData.h"

#include "TextUtil.h"

#include <QStringList>

namespace NinData {
namespace {

const QString& marker() {
    static const QString m = QString::fromLatin1(kMarker);
    return m;
}

const QString& separator() {
    static const QString sep = marker() + u'\n';
    return sep;
}

bool isBlankOrTab(QChar c) {
    return c == u' ' || c == u'\t';
}

// One row as the tool writes it, alone on its line: "[...]" or "[...],".
bool isRowLine(const QString& trimmedLine) {
    if (!trimmedLine.startsWith(u'[') || trimmedLine.count(u'[') != 1 || trimmedLine.count(u']') != 1)
        return false;
    return trimmedLine.endsWith(u']') || trimmedLine.endsWith(QStringLiteral("],"));
}

// With only one marker line there is no closing marker to end the rows: they end with the last of
// the row lines (and blank lines) that follow the marker. Everything from there on stays as text.
qsizetype rowLinesEnd(const QString& text, qsizetype from) {
    qsizetype pos = from;
    qsizetype end = from;
    while (pos < text.size()) {
        const qsizetype nl = text.indexOf(u'\n', pos);
        const qsizetype lineEnd = nl < 0 ? text.size() : nl + 1;
        const QString line = text.mid(pos, lineEnd - pos).trimmed();
        if (!line.isEmpty()) {
            if (!isRowLine(line))
                break;
            end = lineEnd;
        }
        pos = lineEnd;
    }
    return end;
}

// Text in front of the first row that is not white space. It would otherwise read as a row; it is
// written back where it stood, without the first row's indentation, which the writer supplies.
QString leadOf(const QString& before) {
    qsizetype start = 0;
    while (start < before.size() && before[start].isSpace())
        ++start;
    qsizetype end = before.size();
    while (end > start && isBlankOrTab(before[end - 1]))
        --end;
    return before.mid(start, end - start);
}

Row rowOf(const QString& piece) {
    const QStringList parts = piece.split(u',');
    auto part = [&](int i) { return i < parts.size() ? TrimCQ(parts[i]) : QString(); };
    return {part(0), part(1), part(2), part(3)};
}

std::optional<QString> forbiddenIn(const QString& text, QChar quote) {
    for (const QChar c : text) {
        // A backslash escapes, a line terminator ends the quoted text in a script; the others
        // would split the row when it is read again.
        if (c == quote || c == u',' || c == u'[' || c == u']' || c == u'\\' || c == u'\n' || c == u'\r' ||
            c == QChar(0x2028) || c == QChar(0x2029))
            return QString(c);
    }
    if (text.contains(marker()))
        return marker();
    return std::nullopt;
}

} // namespace

Parsed Read(const QString& fileText) {
    QString text = TextUtil::ReplaceLineEndings(fileText);
    const QString& sep = separator();
    QList<qsizetype> seps;
    for (qsizetype at = text.indexOf(sep); at >= 0; at = text.indexOf(sep, at + sep.size()))
        seps.append(at);
    // A closing marker as the file's last line without its line end still closes the block.
    if (seps.size() == 1 && text.endsWith(marker())) {
        text += u'\n';
        seps.append(text.size() - sep.size());
    }

    Parsed p;
    if (seps.isEmpty()) {
        p.head = text;
        return p;
    }
    p.head = text.left(seps[0]);
    const qsizetype areaStart = seps[0] + sep.size();
    QString area;
    if (seps.size() >= 2) {
        area = text.mid(areaStart, seps[1] - areaStart);
        // A third marker line and whatever follows it are not ours: all of it stays.
        p.tail = text.mid(seps[1] + sep.size());
    } else {
        const qsizetype end = rowLinesEnd(text, areaStart);
        area = text.mid(areaStart, end - areaStart);
        p.tail = text.mid(end);
    }

    const qsizetype firstBracket = area.indexOf(u'[');
    p.lead = leadOf(firstBracket < 0 ? area : area.left(firstBracket));
    if (firstBracket < 0)
        return p;

    const QStringList pieces = area.mid(firstBracket).trimmed().split(u'[');
    p.rows.reserve(pieces.size());
    for (QString piece : pieces) {
        const qsizetype close = piece.indexOf(u']');
        if (close >= 0)
            piece.truncate(close);
        if (!piece.isEmpty())
            p.rows.append(rowOf(piece));
    }
    return p;
}

QString Write(const QString& head, const QString& lead, const QString& tail, const QList<Row>& rows, int language) {
    const QChar q = QuoteChar(language);
    QString out;
    out.reserve(head.size() + lead.size() + tail.size() + rows.size() * 48 + 64);
    out += head;
    out += separator();
    out += lead;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        out += QStringLiteral("        ['");
        out += r.id;
        out += QStringLiteral("',");
        out += q;
        out += r.word;
        out += q;
        for (const QString* alt : {&r.alt1, &r.alt2}) {
            if (alt->isEmpty())
                continue;
            out += u',';
            out += q;
            out += *alt;
            out += q;
        }
        out += u']';
        if (i + 1 < rows.size())
            out += u',';
        out += u'\n';
    }
    out += QStringLiteral("        ");
    out += separator();
    out += tail;
    return out;
}

QString TrimCQ(const QString& text) {
    // A character outside the BMP is two UTF-16 units; it goes as one.
    const qsizetype n = text.size();
    qsizetype start = 1;
    if (n >= 2 && text[0].isHighSurrogate() && text[1].isLowSurrogate())
        start = 2;
    qsizetype end = n - 1;
    if (n >= 2 && text[n - 1].isLowSurrogate() && text[n - 2].isHighSurrogate())
        end = n - 2;
    return end > start ? text.mid(start, end - start) : QString();
}

QChar QuoteChar(int language) {
    return language == 1 ? u'"' : u'\'';
}

std::optional<QString> ForbiddenChar(const QString& text, int language) {
    return forbiddenIn(text, QuoteChar(language));
}

std::optional<Forbidden> FirstForbidden(const Row& row, int language) {
    if (const std::optional<QString> bad = forbiddenIn(row.id, u'\''))
        return Forbidden{0, *bad};
    const QString* words[] = {&row.word, &row.alt1, &row.alt2};
    for (int i = 0; i < 3; ++i)
        if (const std::optional<QString> bad = ForbiddenChar(*words[i], language))
            return Forbidden{i + 1, *bad};
    return std::nullopt;
}

std::optional<QList<Row>> Merge(const QList<Row>& base, const QList<Row>& mine, const QList<Row>& disk,
                                qsizetype* conflict) {
    QList<Row> out = disk;
    for (qsizetype i = 0; i < mine.size(); ++i) {
        if (i < base.size() && mine[i] == base[i])
            continue;
        const bool counterpart = i < base.size() && i < disk.size() && disk[i].id == base[i].id;
        if (!counterpart || (disk[i] != base[i] && disk[i] != mine[i])) {
            if (conflict)
                *conflict = i;
            return std::nullopt;
        }
        out[i] = mine[i];
    }
    return out;
}

} // namespace NinData
