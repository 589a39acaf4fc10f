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
std::optional<Encoding> detect(const QByteArray& bytes);

// A byte order mark at the start stays in the text, so encoding gives it back.
QString decode(const QByteArray& bytes, Encoding encoding);
// Nothing when a character cannot be carried by the encoding.
std::optional<QByteArray> encode(const QString& text, Encoding encoding);
// The first character (a surrogate pair as one) that the encoding cannot carry.
std::optional<QString> firstUncarriable(const QString& text, Encoding encoding);

// "UTF-8" or "Shift_JIS", as the user knows them.
QString name(Encoding encoding);

// The text as a file in that encoding gives it back. Shift_JIS holds the characters a Mac keyboard
// types for 〜 − ‖ — ¢ £ ¬ under the codes the page's browser reads as ～ － ∥ ― ￠ ￡ ￢ (0x8160,
// 0x817C, ...), so these are written as those and read back as them; UTF-8 keeps every text.
QString stored(const QString& text, Encoding encoding);

// The encoding the top page "n.htm" declares, as a browser's prescan finds it in its first 1024
// bytes: a byte order mark, <meta charset="...">, or <meta http-equiv="Content-Type"
// content="...; charset=...">, outside comments, labels compared case-blind. Nothing when it
// declares neither UTF-8 nor Shift_JIS.
std::optional<Encoding> declared(const QByteArray& topPage);

// The encoding a script or the style sheet of the page set is read and written in, given the
// encoding the page declares (or nothing).
struct FileEncoding {
    std::optional<Encoding> encoding; // nothing: the bytes are in neither encoding
    // The file's own bytes settle its encoding: a byte order mark, an @charset rule at the start of
    // a style sheet, or text beyond ASCII (valid UTF-8 is taken as UTF-8: Japanese text in UTF-8
    // often decodes as Shift_JIS too, Shift_JIS text as UTF-8 almost never).
    bool ownBytesSettle = false;
    // The page's browser reads the file in the page's encoding, which is not the file's: its text
    // shows garbled there. Never with a byte order mark or an @charset, which the browser follows.
    bool differsFromPage = false;
};
// An all-ASCII file takes the page's encoding (UTF-8 without a declaration); any other decides as
// Detect does.
FileEncoding forFile(const QByteArray& bytes, std::optional<Encoding> page, bool styleSheet = false);
} // namespace TextCodec
