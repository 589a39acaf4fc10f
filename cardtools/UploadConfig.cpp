#include "UploadConfig.h"

#include "FileIO.h"
#include "FolderItem.h"

#include <QStringDecoder>

namespace UploadConfig {
namespace {
const QByteArray kLine = QByteArrayLiteral("UPLOAD=1\r\n");
}

int FlashAirRow(const QList<VolumeInfo>& volumes) {
    int row = -1;
    for (int i = 0; i < volumes.size(); ++i) {
        const QString& name = volumes[i].name;
        // Card labels are often upper case on FAT ("FLASHAIR"), so letter case does not matter.
        if (name.contains(u"FlashAir", Qt::CaseInsensitive) || name.contains(u"MicFA", Qt::CaseInsensitive))
            row = i;
    }
    return row;
}

bool HasUploadLine(const QByteArray& config) {
    // Search the decoded text: an ASCII byte can be the second half of a double-byte character.
    QStringDecoder decoder("Shift_JIS");
    const QString text = decoder.decode(config);
    return text.contains(QString::fromLatin1(kLine));
}

QByteArray WithUploadLine(const QByteArray& config) {
    QByteArray out = config;
    if (!out.isEmpty() && !out.endsWith('\n') && !out.endsWith('\r'))
        out += "\r\n";
    return out + kLine;
}

Result SetUpload(const QString& volumeRoot) {
    const FolderItem volume = volumeRoot;
    if (volumeRoot.isEmpty() || !Exists(volume))
        return Result::NoVolume;
    const FolderItem sdWlan = Child(volume, QStringLiteral("SD_WLAN"));
    if (!Exists(sdWlan))
        return Result::NoSdWlan;
    const FolderItem config = Child(sdWlan, QStringLiteral("CONFIG"));
    if (!Exists(config))
        return Result::NoConfig;
    const std::optional<QByteArray> bytes = FileIO::ReadAll(*config);
    if (!bytes)
        return Result::Failed;
    if (HasUploadLine(*bytes))
        return Result::AlreadySet;
    if (!FileIO::SafeWrite(*config, WithUploadLine(*bytes)))
        return Result::Failed;
    return Result::Written;
}

QString Message(Result result) {
    switch (result) {
    case Result::NoVolume:
        return {};
    case Result::NoSdWlan:
        return QStringLiteral("FlashAirを選択してないようです...");
    case Result::NoConfig:
        return QStringLiteral("CONFIGファイルが見つかりません...");
    case Result::Failed:
        return QStringLiteral("CONFIGファイルの書き換えに失敗しました...");
    case Result::AlreadySet:
        return QStringLiteral("すでに設定されていました...");
    case Result::Written:
        return QStringLiteral("CONFIGファイルにUPLOAD=1を書き込みました...");
    }
    return {};
}
} // namespace UploadConfig
