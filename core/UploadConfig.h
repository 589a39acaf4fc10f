#pragma once
// The card's upload switch: the line "UPLOAD=1" CR LF in SD_WLAN/CONFIG, and how the card is
// recognised among the mounted volumes by its name.
#include "FileIO.h"
#include "Volumes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace UploadConfig {
enum class Result { NoVolume, NoSdWlan, NoConfig, Failed, CardFull, AlreadySet, Written };
// What an attempt came to; for Failed, why, where the system or the check said it.
struct Outcome {
    Result result;
    std::optional<FileIO::Failure> failure;
};

// Row of the last volume whose name holds "FlashAir" or "MicFA" (any letter case), or -1.
int flashAirRow(const QList<VolumeInfo>& volumes);

// The decoded (Shift_JIS) text holds "UPLOAD=1" CR LF somewhere.
bool hasUploadLine(const QByteArray& config);
// The file's new bytes: the old ones untouched, then "UPLOAD=1" CR LF (after a CR LF of its own
// when the last line has no line end, so the new line never runs onto it).
QByteArray withUploadLine(const QByteArray& config);

// Appends the line to volumeRoot/SD_WLAN/CONFIG unless it is there: through the safe write, or,
// where the card has no room for that copy, appended in place (synced and read back; on failure cut
// back to the old bytes, CardFull when there was no room).
Outcome setUpload(const QString& volumeRoot);
// The message for an outcome, a failure's with its reason ("CONFIGファイルの書き換えに失敗しました
// （…）..."); empty for NoVolume, which is silent.
QString message(const Outcome& outcome);
} // namespace UploadConfig
