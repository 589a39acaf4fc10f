#pragma once
// The text encodings page-set files are found in. A file is read in the encoding its bytes are
// in and written back in it, so the text nobody edited keeps its bytes.
#include <QByteArray>
#include <QString>
#include <optional>

namespace TextCodec {
enum class Encoding { Utf8, ShiftJis };

// UTF-8 when the bytes are valid UTF-8 (plain ASCII included); else Shift_JIS when they decode
// without error and encode back to the same bytes; nothing when neither holds.
std::optional<Encoding> Detect(const QByteArray& bytes);

// A byte order mark at the start stays in the text, so encoding gives it back.
QString Decode(const QByteArray& bytes, Encoding encoding);
// Nothing when a character cannot be carried by the encoding.
std::optional<QByteArray> Encode(const QString& text, Encoding encoding);
// The first character (a surrogate pair as one) that the encoding cannot carry.
std::optional<QString> FirstUncarriable(const QString& text, Encoding encoding);

// "UTF-8" or "Shift_JIS", as the user knows them.
QString Name(Encoding encoding);
} // namespace TextCodec
