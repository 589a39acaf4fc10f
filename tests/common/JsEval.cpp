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
    if (!array.hasOwnProperty(QString::number(i)))
        return QStringLiteral("hole");
    const QJSValue v = array.property(quint32(i));
    if (v.isUndefined())
        return QStringLiteral("undefined");
    if (v.isString())
        return u'\'' + v.toString() + u'\'';
    return v.toString();
}

// An array of plain values is a row; an array of arrays holds rows.
bool collect(const QJSValue& array, QList<QStringList>& rows, int depth, bool exactly = false) {
    if (depth > 8)
        return false;
    const int n = array.property(QStringLiteral("length")).toInt();
    bool nested = false;
    for (int i = 0; i < n; ++i)
        nested = nested || array.property(quint32(i)).isArray();
    if (!nested) {
        QStringList row;
        for (int i = 0; i < n; ++i)
            row << (exactly ? exact(array, i) : text(array.property(quint32(i))));
        rows << row;
        return true;
    }
    for (int i = 0; i < n; ++i) {
        const QJSValue item = array.property(quint32(i));
        if (!item.isArray() || !collect(item, rows, depth + 1, exactly))
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
        else if (!collect(value, r.rows, 0, exactly))
            r.error = variable + QStringLiteral(" mixes rows and values");
        out << r;
    }
    return out;
}

} // namespace

QList<Result> Rows(const QString& script, const QStringList& variables, bool strict) {
    return evaluate(script, variables, strict, false);
}

Result Exact(const QString& script, const QString& variable, bool strict) {
    return evaluate(script, QStringList{variable}, strict, true).first();
}

Result Rows(const QString& script, const QString& variable, bool strict) {
    return Rows(script, QStringList{variable}, strict).first();
}
} // namespace JsEval
