#pragma once
// Field and line helpers with the exact semantics the page-set formats rely on.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace TextUtil {
// Every CR LF and lone CR becomes LF.
QString withLfLineEnds(const QString& text);
QByteArray withLfLineEnds(const QByteArray& text);
// A refused piece of text as a message shows it: "「x」", or line breaks and invisible characters by
// name, so the user can tell what to remove.
QString shown(const QString& piece);
// A name from the disk (its bytes) as a message shows it: decoded as UTF-8, else as Shift_JIS where
// it decodes (an archive unpacked with its names kept as bytes), else with every byte outside
// ASCII as \xNN; a control character always as \xNN.
QString shownName(const QByteArray& name);
// Two hexadecimal digits, zero-padded, lower case.
QString twoHexDigits(int value);
} // namespace TextUtil
