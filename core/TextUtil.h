#pragma once
// Field and line helpers with the exact semantics the page-set formats rely on.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace TextUtil {
// The n-th piece (from 1) of text cut at every separator; empty when there are fewer pieces.
QString NthField(const QString& text, const QString& sep, int n);
int CountFields(const QString& text, const QString& sep);
// Every CR LF and lone CR becomes LF.
QString ReplaceLineEndings(const QString& text);
QByteArray ReplaceLineEndings(const QByteArray& text);
// A refused piece of text as a message shows it: "「x」", or line breaks and invisible characters by
// name, so the user can tell what to remove.
QString Shown(const QString& piece);
// Two hexadecimal digits, zero-padded, lower case.
QString Hex2(int value);
} // namespace TextUtil
