#pragma once
// Field and line helpers with the exact semantics the page-set formats rely on.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace TextUtil {
// Every CR LF and lone CR becomes LF.
QString WithLfLineEnds(const QString& text);
QByteArray WithLfLineEnds(const QByteArray& text);
// A refused piece of text as a message shows it: "「x」", or line breaks and invisible characters by
// name, so the user can tell what to remove.
QString Shown(const QString& piece);
// Two hexadecimal digits, zero-padded, lower case.
QString TwoHexDigits(int value);
} // namespace TextUtil
