#pragma once
// Fixtures of the recognition-word tests: rows as texts, test files written with "@@" for the marker,
// in UTF-8 or Shift_JIS, and the rows an engine reads.
#include "TextCodec.h"
#include "WordFile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

namespace WordFixtures {
// Rows as "id|word|alt1|alt2".
inline QStringList flat(const QList<WordFile::Row>& rows) {
    QStringList out;
    for (const WordFile::Row& r : rows)
        out << QStringList{r.id, r.word, r.alt1, r.alt2}.join(u'|');
    return out;
}

inline QList<WordFile::Row> unflat(const QStringList& rows) {
    QList<WordFile::Row> out;
    for (const QString& r : rows) {
        const QStringList p = r.split(u'|');
        out.append({p.value(0), p.value(1), p.value(2), p.value(3)});
    }
    return out;
}

inline QByteArray m(const char* text) {
    // Test texts write the marker as "@@".
    return QByteArray(text).replace("@@", WordFile::kMarker);
}
inline QString u(const char* text) {
    return QString::fromUtf8(m(text));
}

// A test text in Shift_JIS, with one replacement made first.
inline QByteArray sjis(const char* text, const std::pair<const char*, const char*>& replace = {"", ""}) {
    QString t = u(text);
    if (*replace.first)
        t.replace(QString::fromUtf8(replace.first), QString::fromUtf8(replace.second));
    const QByteArray bytes = TextCodec::encode(t, TextCodec::Encoding::ShiftJis).value_or(QByteArray());
    if (TextCodec::detect(bytes) != TextCodec::Encoding::ShiftJis)
        qFatal("not a Shift_JIS fixture: %s", text);
    return bytes;
}

// The engine's rows as "id|word|alt1|alt2": a row written without its alternatives has them empty.
inline QStringList flatEngine(const QList<QStringList>& rows) {
    // An empty array reads as one empty row.
    if (rows.size() == 1 && rows[0].isEmpty())
        return {};
    QStringList out;
    for (QStringList r : rows) {
        while (r.size() < 4)
            r << QString();
        out << r.join(u'|');
    }
    return out;
}

inline const char* const kJp = "var ninshiki_jp = [\n"
                               "@@\n"
                               "        ['101','こんにちは','やあ','ハロー'],\n"
                               "        ['102','さようなら'],\n"
                               "        ['103','おはよう','おはよ']\n"
                               "        @@\n"
                               "];\n";
inline const char* const kEn = "var ninshiki_en = [\n"
                               "@@\n"
                               "        ['201',\"hello\",\"hi\"],\n"
                               "        ['202',\"bye\"]\n"
                               "        @@\n"
                               "];\n";
// Rows as people write them: comments on a row's line and between rows, other quotes and blanks,
// a row shorter than four, an empty one, a hole, an id as a number.
inline const char* const kLoose = "var ninshiki_jp = [\n"
                                  "@@\n"
                                  "        ['101','こんにちは','やあ',''], // 認識語はまだ未定\n"
                                  "        // ['105','x'],\n"
                                  "        ['102'],\n"
                                  "        [],\n"
                                  "    [ \"103\" , 'おはよう',,'おはよ' ],\n"
                                  "        [104,'よう']\n"
                                  "        @@\n"
                                  "];\n";
// In Shift_JIS the second bytes of "表", "ソ", "能" are "\\", of "ゼ" "[", of "ゾ" "]".
inline const char* const kSj = "var ninshiki_jp = [\n"
                               "@@\n"
                               "        ['101','表示','ソフト','ゼロ'],\n"
                               "        ['102','ゾウ'],\n"
                               "        ['103','能力']\n"
                               "        @@\n"
                               "];\n";
} // namespace WordFixtures
