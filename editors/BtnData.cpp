#include "BtnData.h"

#include "TextUtil.h"

#include <QFile>
#include <QHash>

using TextUtil::CountFields;
using TextUtil::NthField;

namespace BtnData {

QString Marker() {
    return QStringLiteral("/*-- Pelkavin Button Data --*/");
}

static const QStringList& bankComments() {
    static const QStringList comments = {QStringLiteral("/* A */"), QStringLiteral("/* B */"),
                                         QStringLiteral("/* C */"), QStringLiteral("/* D */")};
    return comments;
}

Table ParseArray(const QString& lfText, const QString& header) {
    QString s = NthField(lfText, header, 2);
    s = NthField(s, QStringLiteral("];"), 1);
    for (const QString& comment : bankComments()) {
        const qsizetype at = s.indexOf(comment);
        if (at >= 0)
            s.remove(at, comment.size());
    }
    Table table;
    const QStringList pieces = s.split(u'[');
    for (const QString& raw : pieces) {
        QString piece = NthField(raw, QStringLiteral("]"), 1);
        piece.remove(u'\'');
        // Bank openers and the text before the first bracket are not entries.
        if (CountFields(piece, QStringLiteral(",")) != 3)
            continue;
        const QStringList fields = piece.split(u',');
        for (int k = 0; k < 3; ++k)
            table[k].append(fields[k]);
    }
    return table;
}

static void padRows(Table& table) {
    for (QStringList& field : table)
        while (field.size() < kRows)
            field.append(QString());
}

void LoadData(const QString& text, Table& mAx, Table& mBx) {
    const QString t = TextUtil::ReplaceLineEndings(text);
    mAx = ParseArray(t, QStringLiteral("var ctrlbtndata=["));
    mBx = ParseArray(t, QStringLiteral("var ctrlbtnRobi=["));
    padRows(mAx);
    padRows(mBx);
}

namespace {
// The five lines of one bank: pads 0-1, 2-4, 5-7, 8-10, 11-12.
void appendBank(QString& out, const Table& table, int bank, bool robi) {
    static constexpr int kLineEnds[] = {2, 5, 8, 11, 13};
    int pad = 0;
    for (int end : kLineEnds) {
        out += QStringLiteral("        ");
        for (; pad < end; ++pad) {
            const int r = bank * kPads + pad;
            // Ids and seconds go unquoted, labels and phrases between apostrophes.
            out += u'[' + table[0].value(r) + (robi ? QStringLiteral(",") : QStringLiteral(",'")) + table[1].value(r) +
                   (robi ? QStringLiteral(",'") : QStringLiteral("','")) + table[2].value(r) + QStringLiteral("'],");
        }
        out += u'\n';
    }
}

const char* const kBankOpeners[] = {"    [ /* A */\n", "    [ /* B */\n", "    [ /* C */\n", "    [ /* D */\n"};
} // namespace

QString MakeNinBtnData(const Table& mAx, const Table& mBx) {
    QString out;
    out.reserve(4096);
    out += QStringLiteral("var ctrlbtndata=[\n");
    for (int bank = 0; bank < kBanks; ++bank) {
        out += QString::fromLatin1(kBankOpeners[bank]);
        appendBank(out, mAx, bank, false);
        out += QStringLiteral("    ],\n");
    }
    out += QStringLiteral("];\n\nvar ctrlbtnRobi=[\n");
    for (int bank = 0; bank < kBanks; ++bank) {
        out += QString::fromLatin1(kBankOpeners[bank]);
        appendBank(out, mBx, bank, true);
        // The page has always closed the first robot bank without indent.
        out += bank == 0 ? QStringLiteral("],\n") : QStringLiteral("    ],\n");
    }
    out += QStringLiteral("];\n");
    return out;
}

QByteArray MarkedBlock(const Table& mAx, const Table& mBx) {
    const QByteArray marker = Marker().toLatin1();
    return marker + '\n' + MakeNinBtnData(mAx, mBx).toUtf8() + marker + '\n';
}

static qsizetype skipLineEnd(const QByteArray& text, qsizetype at) {
    if (text.mid(at, 2) == "\r\n")
        return at + 2;
    if (at < text.size() && (text[at] == '\n' || text[at] == '\r'))
        return at + 1;
    return at;
}

bool HoldsReservedText(const QString& cell) {
    if (cell.contains(Marker()))
        return true;
    for (const QString& comment : bankComments())
        if (cell.contains(comment))
            return true;
    return false;
}

bool ReadsBack(const Table& mAx, const Table& mBx) {
    for (const Table* table : {&mAx, &mBx})
        for (const QStringList& field : *table)
            for (qsizetype r = 0; r < kRows && r < field.size(); ++r)
                if (HoldsReservedText(field[r]))
                    return false;
    return true;
}

QByteArray Splice(const QByteArray& old, const QByteArray& block) {
    const QByteArray marker = Marker().toLatin1();
    const qsizetype first = old.indexOf(marker);
    if (first < 0) {
        // Appended right after the last character, unless that text and the block's opening marker
        // would read as a marker together: the next save would then take the old text for the block.
        QByteArray appended = old + block;
        if (appended.indexOf(marker) < old.size())
            appended.insert(old.size(), '\n');
        return appended;
    }
    const qsizetype second = old.indexOf(marker, first + marker.size());
    const qsizetype closing = second < 0 ? first : second;
    const qsizetype tail = skipLineEnd(old, closing + marker.size());
    return old.left(first) + block + old.mid(tail);
}

bool IsCarriableText(const QString& text) {
    for (QChar c : text)
        if (c == u',' || c == u'[' || c == u']' || c == u'\'' || c == u'\\' || c == u'\n' || c == u'\r')
            return false;
    return true;
}

bool IsNumberCell(const QString& text) {
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

static QString resourceText(const char* name) {
    QFile f(QStringLiteral(":/") + QString::fromLatin1(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

QString DefaultBtnData() {
    return resourceText("DefaultBtnData");
}
QString NinWordListJ() {
    return resourceText("NinWordListJ");
}
QString NinWordListE() {
    return resourceText("NinWordListE");
}
QString RobiWordList() {
    return resourceText("RobiWordList");
}

QList<QStringList> ParseWordList(const QString& list) {
    QList<QStringList> entries;
    const QStringList pieces = list.split(u'[');
    for (const QString& raw : pieces) {
        QString piece = NthField(raw, QStringLiteral("]"), 1);
        piece.remove(u'\'');
        piece.remove(u'"');
        if (CountFields(piece, QStringLiteral(",")) < 2)
            continue;
        entries.append(piece.split(u','));
    }
    return entries;
}

QList<QStringList> ListRows(int type, const QString& listJ, const QString& listE, const QString& listRobi) {
    QList<QStringList> rows;
    if (type == 2) {
        for (const QStringList& e : ParseWordList(listRobi))
            rows.append({e.value(0), e.value(1), e.value(2)});
        return rows;
    }
    QHash<QString, QString> english;
    for (const QStringList& e : ParseWordList(listE))
        english.insert(e.value(0), e.value(1)); // a later entry with the same id wins
    for (const QStringList& e : ParseWordList(listJ))
        rows.append({e.value(0), QString(), e.value(1), english.value(e.value(0))});
    return rows;
}

} // namespace BtnData
