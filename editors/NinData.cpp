#include "NinData.h"

#include "TextUtil.h"

#include <QStringList>

namespace NinData {
namespace {

const QByteArray& separator() {
    static const QByteArray sep = QByteArray(kMarker) + '\n';
    return sep;
}

bool isBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

// One row as the tool writes it, alone on its line: "[...]" or "[...],".
bool isRowLine(const QByteArray& trimmedLine) {
    if (!trimmedLine.startsWith('[') || trimmedLine.count('[') != 1 || trimmedLine.count(']') != 1)
        return false;
    return trimmedLine.endsWith(']') || trimmedLine.endsWith("],");
}

// With only one marker line there is no closing marker to end the rows: they end with the last of
// the row lines (and blank lines) that follow the marker. Everything from there on stays as text.
qsizetype rowLinesEnd(const QByteArray& text, qsizetype from) {
    qsizetype pos = from;
    qsizetype end = from;
    while (pos < text.size()) {
        const qsizetype nl = text.indexOf('\n', pos);
        const qsizetype lineEnd = nl < 0 ? text.size() : nl + 1;
        const QByteArray line = text.mid(pos, lineEnd - pos).trimmed();
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
QByteArray leadOf(const QByteArray& before) {
    qsizetype start = 0;
    while (start < before.size() && QChar::isSpace(uchar(before[start])))
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

} // namespace

Parsed Read(const QByteArray& fileText) {
    QByteArray text = TextUtil::ReplaceLineEndings(fileText);
    const QByteArray& sep = separator();
    QList<qsizetype> seps;
    for (qsizetype at = text.indexOf(sep); at >= 0; at = text.indexOf(sep, at + sep.size()))
        seps.append(at);
    // A closing marker as the file's last line without its line end still closes the block.
    if (seps.size() == 1 && text.endsWith(kMarker)) {
        text += '\n';
        seps.append(text.size() - sep.size());
    }

    Parsed p;
    if (seps.isEmpty()) {
        p.head = text;
        return p;
    }
    p.head = text.left(seps[0]);
    const qsizetype areaStart = seps[0] + sep.size();
    QByteArray area;
    if (seps.size() >= 2) {
        area = text.mid(areaStart, seps[1] - areaStart);
        // A third marker line and whatever follows it are not ours: all of it stays.
        p.tail = text.mid(seps[1] + sep.size());
    } else {
        const qsizetype end = rowLinesEnd(text, areaStart);
        area = text.mid(areaStart, end - areaStart);
        p.tail = text.mid(end);
    }

    const qsizetype firstBracket = area.indexOf('[');
    p.lead = leadOf(firstBracket < 0 ? area : area.left(firstBracket));
    if (firstBracket < 0)
        return p;

    const QStringList pieces = QString::fromUtf8(area.mid(firstBracket)).trimmed().split(u'[');
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

QByteArray Write(const QByteArray& head, const QByteArray& lead, const QByteArray& tail, const QList<Row>& rows,
                 int language) {
    const QChar q = QuoteChar(language);
    QString body;
    body.reserve(rows.size() * 48);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        body += QStringLiteral("        ['");
        body += r.id;
        body += QStringLiteral("',");
        body += q;
        body += r.word;
        body += q;
        for (const QString* alt : {&r.alt1, &r.alt2}) {
            if (alt->isEmpty())
                continue;
            body += u',';
            body += q;
            body += *alt;
            body += q;
        }
        body += u']';
        if (i + 1 < rows.size())
            body += u',';
        body += u'\n';
    }
    const QByteArray sep = separator();
    QByteArray out;
    out.reserve(head.size() + lead.size() + tail.size() + body.size() * 2 + 64);
    out += head;
    out += sep;
    out += lead;
    out += body.toUtf8();
    out += "        ";
    out += sep;
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

std::optional<QChar> ForbiddenChar(const QString& text, int language) {
    const QChar q = QuoteChar(language);
    for (const QChar c : text)
        if (c == q || c == u',' || c == u'[' || c == u']')
            return c;
    return std::nullopt;
}

std::optional<Forbidden> FirstForbidden(const Row& row, int language) {
    const QString* words[] = {&row.word, &row.alt1, &row.alt2};
    for (int i = 0; i < 3; ++i)
        if (const std::optional<QChar> bad = ForbiddenChar(*words[i], language))
            return Forbidden{i, *bad};
    return std::nullopt;
}

} // namespace NinData
