#pragma once
// Fixtures of the button-data tests: the built-in data with changes made, and the rows an engine and
// the editor's tables hold, to compare.
#include "ButtonDataFile.h"
#include "JsEval.h"
#include "TextCodec.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

namespace ButtonDataFixtures {
using ButtonDataFile::Table;

inline QByteArray marker() {
    return ButtonDataFile::marker().toLatin1();
}

inline QStringList row(const Table& t, int r) {
    return {t[0].value(r), t[1].value(r), t[2].value(r)};
}

// The built-in data with each change made once; a change that finds nothing stops the test run.
inline QString changed(QString text, const QList<std::pair<QString, QString>>& changes) {
    for (const auto& [from, to] : changes) {
        const qsizetype at = text.indexOf(from);
        if (at < 0)
            qFatal("no %s in the fixture", qPrintable(from));
        text.replace(at, from.size(), to);
    }
    return text;
}
inline QString data(const QList<std::pair<QString, QString>>& changes = {}) {
    return changed(ButtonDataFile::defaultButtonData(), changes);
}

// The rows an engine reads from both arrays, as "id|label|label" (52 each); "undefined" for an
// array the script does not declare. exactly: every value as exactly what the engine holds ('73'
// and 73, '' and a hole apart), each row as long as the engine's.
inline QStringList engineRows(const QString& script, bool exactly = false) {
    QStringList out;
    for (const char* name : {"ctrlbtndata", "ctrlbtnRobi"}) {
        const JsEval::Result r = JsEval::rows(script, name);
        if (!r.ok()) {
            out << (r.error.contains("undefined") ? "undefined" : "error: " + r.error);
            continue;
        }
        for (const QStringList& e : exactly ? r.values : r.rows)
            out << e.join('|');
    }
    return out;
}
inline QStringList engineValues(const QString& script) {
    return engineRows(script, true);
}

// Each row's text as it stands in the file, "[" to "]": 52 of ctrlbtndata, then 52 of ctrlbtnRobi
// (empty for an array the file does not declare).
inline QStringList rowTexts(const QByteArray& bytes) {
    const ButtonDataFile::Reading r = ButtonDataFile::readFile(bytes, "plkpadbtn.js");
    const QString text = TextCodec::decode(bytes, TextCodec::detect(bytes).value_or(TextCodec::Encoding::Utf8));
    QStringList out;
    for (const auto& array : r.sources)
        for (const ButtonDataFile::RowSource& s : array)
            out << (s.start < 0 ? QString() : text.mid(s.start, s.end - s.start));
    return out;
}

inline QStringList editorRows(const Table& ax, const Table& bx) {
    QStringList out;
    for (const Table* t : {&ax, &bx}) {
        bool empty = true;
        for (const QStringList& field : *t)
            for (const QString& cell : field)
                empty = empty && cell.isEmpty();
        if (empty) {
            out << "undefined";
            continue;
        }
        for (int r = 0; r < 52; ++r)
            out << row(*t, r).join('|');
    }
    return out;
}

} // namespace ButtonDataFixtures
