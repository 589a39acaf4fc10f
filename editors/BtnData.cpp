#include "BtnData.h"

#include "ScriptScan.h"
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

// Where the marker stands in the text, in order.
template <typename Text, typename Pattern>
static QList<qsizetype> markerPositions(const Text& text, const Pattern& marker, qsizetype markerSize) {
    QList<qsizetype> at;
    for (qsizetype p = text.indexOf(marker); p >= 0; p = text.indexOf(marker, p + markerSize))
        at.append(p);
    return at;
}

void LoadData(const QString& text, Table& mAx, Table& mBx) {
    const QString t = TextUtil::ReplaceLineEndings(text);
    const QString marker = Marker();
    const QList<qsizetype> at = markerPositions(t, marker, marker.size());
    const QString block = at.size() == 2 ? t.mid(at[0], at[1] - at[0]) : QString();
    auto source = [&](const QString& header) -> const QString& { return block.contains(header) ? block : t; };
    const QString headerA = QStringLiteral("var ctrlbtndata=[");
    const QString headerB = QStringLiteral("var ctrlbtnRobi=[");
    mAx = ParseArray(source(headerA), headerA);
    mBx = ParseArray(source(headerB), headerB);
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

QString MarkedBlock(const Table& mAx, const Table& mBx) {
    return Marker() + u'\n' + MakeNinBtnData(mAx, mBx) + Marker() + u'\n';
}

static qsizetype skipLineEnd(const QByteArray& text, qsizetype at) {
    if (text.mid(at, 2) == "\r\n")
        return at + 2;
    if (at < text.size() && (text[at] == '\n' || text[at] == '\r'))
        return at + 1;
    return at;
}

std::optional<QByteArray> Splice(const QByteArray& old, const QByteArray& block) {
    const QByteArray marker = Marker().toLatin1();
    const QList<qsizetype> at = markerPositions(old, marker, marker.size());
    if (at.isEmpty()) {
        // Appended right after the last character, unless that text and the block's opening marker
        // would read as a marker together: the next save would then take the old text for the block.
        QByteArray appended = old + block;
        if (appended.indexOf(marker) < old.size())
            appended.insert(old.size(), '\n');
        return appended;
    }
    if (at.size() != 2)
        return std::nullopt;
    const qsizetype tail = skipLineEnd(old, at[1] + marker.size());
    return old.left(at[0]) + block + old.mid(tail);
}

std::optional<CellFault> CheckCell(const QString& cell, bool number, std::optional<TextCodec::Encoding> encoding) {
    if (number) {
        // Unquoted, "010" is an old octal literal (8, and an error in strict mode); beyond 15 digits
        // the page's number is no longer the one written.
        bool digits = cell.size() <= 15;
        for (QChar c : cell)
            digits = digits && c >= u'0' && c <= u'9';
        if (!digits || (cell.size() > 1 && cell[0] == u'0'))
            return CellFault{Fault::Number, cell};
        return std::nullopt;
    }
    for (QChar c : cell)
        if (c == u',' || c == u'[' || c == u']' || c == u'\'' || c == u'\\' || c == u'\n' || c == u'\r' ||
            c == QChar(0x2028) || c == QChar(0x2029))
            return CellFault{Fault::Character, QString(c)};
    if (cell.contains(Marker()))
        return CellFault{Fault::Reserved, Marker()};
    for (const QString& comment : bankComments())
        if (cell.contains(comment))
            return CellFault{Fault::Reserved, comment};
    if (encoding)
        if (const std::optional<QString> c = TextCodec::FirstUncarriable(cell, *encoding))
            return CellFault{Fault::Encoding, *c};
    return std::nullopt;
}

QString CellName(int table, int row, int field) {
    static const char* const names[2][3] = {{"認識のID", "認識(日)", "認識(英)"}, {"ロビのID", "ロビの秒", "ロビ語"}};
    return QStringLiteral("バンク") + QChar(u'A' + row / kPads) + QStringLiteral("の") +
           QString::number(row % kPads + 1) + QStringLiteral("番目のボタンの") + QString::fromUtf8(names[table][field]);
}

namespace {
qsizetype lineOf(const QByteArray& text, qsizetype at) {
    // Line ends are ASCII in both encodings, and never the second byte of a Shift_JIS character.
    const QByteArray before = text.left(at);
    return before.count('\n') + before.count('\r') - before.count("\r\n") + 1;
}

QString cellRefusal(const CellFault& f, int table, int row, int field, TextCodec::Encoding encoding,
                    const QString& fileName) {
    const QString cell = CellName(table, row, field);
    switch (f.fault) {
    case Fault::Number:
        return cell + QStringLiteral("の") + TextUtil::Shown(f.what) +
               QStringLiteral("はページで別の数として読まれるため保存できません。空欄、0、または0で始まらない15桁までの"
                              "数字にして下さい...");
    case Fault::Character:
    case Fault::Reserved:
        return cell + QStringLiteral("に") + TextUtil::Shown(f.what) +
               QStringLiteral("が含まれているため保存できません...");
    case Fault::Encoding:
        break;
    }
    return cell + QStringLiteral("の") + TextUtil::Shown(f.what) + QStringLiteral("は") + TextCodec::Name(encoding) +
           QStringLiteral("の") + fileName + QStringLiteral("には書けないため保存できません...");
}
} // namespace

SaveResult Save(const QByteArray& old, const Table& mAx, const Table& mBx, const QString& fileName) {
    const std::optional<TextCodec::Encoding> encoding = TextCodec::Detect(old);
    if (!encoding)
        return {std::nullopt,
                fileName + QStringLiteral("の文字コードがUTF-8でもShift_JISでもないため保存できません...")};

    const QByteArray marker = Marker().toLatin1();
    const QList<qsizetype> at = markerPositions(old, marker, marker.size());
    if (!at.isEmpty() && at.size() != 2) {
        QStringList lines;
        for (qsizetype p : at)
            lines << QString::number(lineOf(old, p)) + QStringLiteral("行目");
        return {std::nullopt,
                fileName + QStringLiteral("のボタンデータの目印「") + Marker() + QStringLiteral("」が") +
                    QString::number(at.size()) + QStringLiteral("つあるため保存できません（") +
                    lines.join(QStringLiteral("、")) +
                    QStringLiteral("）。目印は、ボタンデータの前と後ろに1行ずつ、2つだけにして下さい...")};
    }

    const Table* tables[2] = {&mAx, &mBx};
    for (int t = 0; t < 2; ++t)
        for (int r = 0; r < kRows; ++r)
            for (int f = 0; f < 3; ++f) {
                const bool number = f == 0 || (t == 1 && f == 1);
                if (const std::optional<CellFault> bad = CheckCell((*tables[t])[f].value(r), number, encoding))
                    return {std::nullopt, cellRefusal(*bad, t, r, f, *encoding, fileName)};
            }

    // The page must end up with the block's arrays: nothing outside may declare them so that the
    // block's "var" fails, and nothing after the block may change them.
    const QStringList names = {QStringLiteral("ctrlbtndata"), QStringLiteral("ctrlbtnRobi")};
    const qsizetype tailStart = at.isEmpty() ? old.size() : skipLineEnd(old, at[1] + marker.size());
    const QByteArray headBytes = at.isEmpty() ? old : old.left(at[0]);
    const QString head = TextUtil::ReplaceLineEndings(TextCodec::Decode(headBytes, *encoding));
    const QString tail = TextUtil::ReplaceLineEndings(TextCodec::Decode(old.mid(tailStart), *encoding));
    const qsizetype tailLine = lineOf(old, tailStart) - 1;
    auto outside = [&](const ScriptScan::Finding& found, qsizetype lineOffset) {
        return SaveResult{std::nullopt, fileName + QStringLiteral("の") + QString::number(found.line + lineOffset) +
                                            QStringLiteral("行目で、目印の外から") + found.name +
                                            QStringLiteral("を定義または変更しているため保存できません（保存した"
                                                           "内容がページに届きません）...")};
    };
    if (const auto found = ScriptScan::FirstTopLevelDeclaration(head, names))
        return outside(*found, 0);
    if (const auto found = ScriptScan::FirstTopLevelDeclaration(tail, names))
        return outside(*found, tailLine);
    if (const auto found = ScriptScan::FirstChange(tail, names))
        return outside(*found, tailLine);
    if (ScriptScan::OpenAtEnd(head))
        return {std::nullopt,
                fileName + QStringLiteral("の") + QString::number(lineOf(old, headBytes.size())) +
                    QStringLiteral("行目のボタンデータの前が、文字列や括弧、if文などの途中で終わっているため保存できま"
                                   "せん（保存した内容がページに届きません）...")};

    const std::optional<QByteArray> block = TextCodec::Encode(MarkedBlock(mAx, mBx), *encoding);
    const std::optional<QByteArray> bytes = block ? Splice(old, *block) : std::nullopt;
    if (!bytes)
        return {std::nullopt, fileName + QStringLiteral("を保存できませんでした...")};
    // Shift_JIS text can happen to be valid UTF-8 once the bytes that were not are gone: it would
    // then be read back as other text.
    const std::optional<TextCodec::Encoding> after = TextCodec::Detect(*bytes);
    if (!after || (*after != *encoding && TextCodec::Decode(*bytes, *after) != TextCodec::Decode(*bytes, *encoding)))
        return {std::nullopt, fileName + QStringLiteral("は、保存すると文字コードが") + TextCodec::Name(*encoding) +
                                  QStringLiteral("と見分けられなくなるため保存できません...")};
    return {bytes, QString()};
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
