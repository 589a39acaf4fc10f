#pragma once
// The message texts more than one area of the tool says, as templates: why a file could not be read
// or written, a file that cannot be read, written or made, a file in neither encoding, a character
// the file's encoding cannot carry. Each area's own messages stand together at the top of its file.
#include "FileIO.h"
#include "ScriptTokenizer.h"
#include "TextCodec.h"

#include <QList>
#include <QString>

namespace Messages {
// Why something on the disk failed, from the system's error code, as a Japanese sentence
// ("空き容量が足りません"; a card pulled out or unreadable says so). A code without words of its own
// gets a general sentence with the system's name for it in parentheses after it.
QString why(int errorCode);
// The same for a failed read or write: its error code (the system's or the tool's own), worded for
// the step where that tells more (a file or a folder that may not be written).
QString reason(const FileIO::Failure& failure);

// "…を読み込めませんでした（…）..." and "…に書き込めませんでした（…）...".
QString cannotRead(const QString& fileName, const QString& why);
QString cannotWrite(const QString& fileName, const QString& why);
QString cannotRead(const QString& fileName, const FileIO::Failure& failure);
QString cannotWrite(const QString& fileName, const FileIO::Failure& failure);
// The home-screen icon could not be made (its art not loaded, or the picture not encoded): nothing written.
QString iconArtUnreadable(const QString& fileName);

// "…の文字コードがUTF-8でもShift_JISでもないため", then what follows from it ("読み込めません...").
QString neitherEncoding(const QString& fileName, const QString& consequence);

// "{field}の{piece}は{encoding}の{file}には書けません", the piece shown as TextUtil::shown shows it.
QString cannotCarry(const QString& field, const QString& piece, TextCodec::Encoding encoding, const QString& file);
// "{field}の{piece}は{encoding}の{file}には書けないため", then what follows from it ("保存できません...").
QString cannotCarrySo(const QString& field, const QString& piece, TextCodec::Encoding encoding, const QString& file,
                      const QString& consequence);

// Line numbers as a message lists them: "2行目、64行目".
QString lines(const QList<qsizetype>& lines);
// A script's marker line found other than twice: "{file}の{what}の目印「{marker}」がNつあるため
// {consequence}（{lines}）。目印は、{what}の前と後ろに1行ずつ、2つだけにして下さい...".
QString markerCount(const QString& fileName, const QString& what, const QString& marker,
                    const QList<ScriptScan::Comment>& markers, const QString& consequence);
// Why a script is not read as the page reads it: it does not end where a script must.
QString unfinishedScript();

// A script that does not parse: the page runs none of it, so it gets none of the file's data.
// "{file}の{line}行目がJavaScriptとして読めません（{engine's words}）..."
QString scriptDoesNotParse(const QString& fileName, qsizetype line, const QString& engineWords);
// A save whose new text would not parse: refused, nothing written.
QString saveWouldBreakScript(const QString& fileName, qsizetype line, const QString& engineWords);
// The file is in another encoding than the one the page declares: the page shows its text garbled.
QString pageShowsGarbled(const QString& fileName, TextCodec::Encoding file, TextCodec::Encoding page);
} // namespace Messages
