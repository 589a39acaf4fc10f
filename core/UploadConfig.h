#pragma once
// The card's upload switch: the line "UPLOAD=1" CR LF in SD_WLAN/CONFIG, and how the card is
// recognised among the mounted volumes by its name.
#include "Volumes.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace UploadConfig {
enum class Result { NoVolume, NoSdWlan, NoConfig, Failed, CardFull, AlreadySet, Written };

// Row of the last volume whose name holds "FlashAir" or "MicFA" (any letter case), or -1.
int FlashAirRow(const QList<VolumeInfo>& volumes);

// The decoded (Shift_JIS) text holds "UPLOAD=1" CR LF somewhere.
bool HasUploadLine(const QByteArray& config);
// The file's new bytes: the old ones untouched, then "UPLOAD=1" CR LF (after a CR LF of its own
// when the last line has no line end, so the new line never runs onto it).
QByteArray WithUploadLine(const QByteArray& config);

// Appends the line to volumeRoot/SD_WLAN/CONFIG unless it is there: through the safe write, or,
// where the card has no room for that copy, appended in place (synced and read back; on failure cut
// back to the old bytes, CardFull when there was no room).
Result SetUpload(const QString& volumeRoot);
// The message for a result; empty for NoVolume, which is silent.
QString Message(Result result);
} // namespace UploadConfig
