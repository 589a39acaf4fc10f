#include "JsEval.h"

#include <QCoreApplication>
#include <QJSEngine>
#include <QJSValue>

namespace JsEval {
namespace {
QString text(const QJSValue& v) {
    return v.isUndefined() ? QString() : v.toString();
}

QString exact(const QJSValue& array, int i) {
    const QJSValue v = array.property(quint32(i));
    if (v.isString())
        return u'\'' + v.toString() + u'\'';
    if (v.isNumber() || v.isBool() || v.isNull())
        return v.toString();
    if (v.isUndefined()) {
        const QJSValue has =
            array.property(QStringLiteral("hasOwnProperty")).callWithInstance(array, {QJSValue(QString::number(i))});
        return has.toBool() ? QStringLiteral("undefined") : QStringLiteral("hole");
    }
    return QStringLiteral("object");
}

// An array of plain values is a row; an array of arrays holds rows.
bool collect(const QJSValue& array, QList<QStringList>& rows, QList<QStringList>& values, int depth) {
    if (depth > 8)
        return false;
    const int n = array.property(QStringLiteral("length")).toInt();
    bool nested = false;
    for (int i = 0; i < n; ++i)
        nested = nested || array.property(quint32(i)).isArray();
    if (!nested) {
        QStringList row, exactRow;
        for (int i = 0; i < n; ++i) {
            row << text(array.property(quint32(i)));
            exactRow << exact(array, i);
        }
        rows << row;
        values << exactRow;
        return true;
    }
    for (int i = 0; i < n; ++i) {
        const QJSValue item = array.property(quint32(i));
        if (!item.isArray() || !collect(item, rows, values, depth + 1))
            return false;
    }
    return true;
}
} // namespace

namespace {
QList<Result> evaluate(const QString& script, const QStringList& variables, bool strict, bool exactly) {
    // The engine needs an application object; fuzz targets have none of their own.
    static int argc = 1;
    static char name[] = "jseval";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    Q_UNUSED(app);
    QJSEngine engine;
    QList<Result> out;
    const QJSValue run = engine.evaluate(strict ? QStringLiteral("'use strict';\n") + script : script);
    for (const QString& variable : variables) {
        Result r;
        if (run.isError()) {
            r.error = run.toString() + QStringLiteral(" (line ") +
                      run.property(QStringLiteral("lineNumber")).toString() + u')';
            out << r;
            continue;
        }
        r.ran = true;
        const QJSValue value = engine.evaluate(QStringLiteral("typeof ") + variable +
                                               QStringLiteral(" === 'undefined' ? undefined : ") + variable);
        r.undefined = value.isUndefined();
        if (value.isError() || !value.isArray())
            r.error = variable + QStringLiteral(" is not an array: ") + value.toString();
        else if (!collect(value, r.rows, r.values, 0))
            r.error = variable + QStringLiteral(" mixes rows and values");
        if (exactly)
            r.rows = r.values;
        out << r;
    }
    return out;
}

} // namespace

QList<Result> rows(const QString& script, const QStringList& variables, bool strict) {
    return evaluate(script, variables, strict, false);
}

Result exact(const QString& script, const QString& variable, bool strict) {
    return evaluate(script, QStringList{variable}, strict, true).first();
}

Result rows(const QString& script, const QString& variable, bool strict) {
    return rows(script, QStringList{variable}, strict).first();
}
} // namespace JsEval
