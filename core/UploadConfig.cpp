#include "UploadConfig.h"

#include "FileIO.h"
#include "Messages.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace UploadConfig {
namespace {
const QByteArray kLine = QByteArrayLiteral("UPLOAD=1\r\n");

// The open file holds exactly these bytes.
bool holds(int fd, const QByteArray& bytes) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size != bytes.size())
        return false;
    QByteArray now(bytes.size(), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < now.size()) {
        const ssize_t n = ::pread(fd, now.data() + done, size_t(now.size() - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return now == bytes;
}

// Appends what updated holds beyond old to the file at path, which must hold old: synced, then read
// back. Written when the file then holds updated; otherwise it is cut back to old, and the result is
// CardFull when there was no room (Failed for any other reason, or when it could not be cut back).
Outcome appendInPlace(const QString& path, const QByteArray& old, const QByteArray& updated) {
    using FileIO::Step;
    if (!updated.startsWith(old))
        return {Result::Failed, std::nullopt};
    const QByteArray tail = updated.mid(old.size());
    // Non-blocking, so nothing but a regular file can hold the program at the open.
    const FileIO::Fd file(::open(QFile::encodeName(path).constData(), O_RDWR | O_APPEND | O_NONBLOCK | O_CLOEXEC));
    if (!file)
        return {Result::Failed, FileIO::Failure{errno, Step::Open}};
    const int fd = file.get();
    struct stat st {};
    // Changed since it was read: appending now would not give the bytes that were checked.
    const int code = ::fstat(fd, &st) != 0      ? errno
                     : !S_ISREG(st.st_mode)     ? FileIO::kNotRegular
                     : st.st_size != old.size() ? FileIO::kChanged
                                                : 0;
    if (code != 0)
        return {Result::Failed, FileIO::Failure{code, Step::Check}};
    FileIO::Failure failure{0, Step::Write};
    qsizetype done = 0;
    while (failure.error == 0 && done < tail.size()) {
        const ssize_t n = ::write(fd, tail.constData() + done, size_t(tail.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            failure.error = n < 0 ? errno : ENOSPC;
        else
            done += n;
    }
    if (failure.error == 0 && ::fsync(fd) != 0)
        failure = {errno, Step::Sync};
    if (failure.error == 0 && !holds(fd, updated))
        failure = {EIO, Step::Read};
    if (failure.error == 0)
        return {Result::Written, std::nullopt};
    // Back to the old length (shrinking needs no room), so no part of the line stays.
    const bool restored = ::ftruncate(fd, off_t(old.size())) == 0 && ::fsync(fd) == 0 && holds(fd, old);
    if (restored && (failure.error == ENOSPC || failure.error == EDQUOT))
        return {Result::CardFull, failure};
    return {Result::Failed, failure};
}
} // namespace

int flashAirRow(const QList<VolumeInfo>& volumes) {
    int row = -1;
    for (int i = 0; i < volumes.size(); ++i) {
        const QString& name = volumes[i].name;
        // Card labels are often upper case on FAT ("FLASHAIR"), so letter case does not matter.
        if (name.contains(u"FlashAir", Qt::CaseInsensitive) || name.contains(u"MicFA", Qt::CaseInsensitive))
            row = i;
    }
    return row;
}

bool hasUploadLine(const QByteArray& config) {
    // Search the decoded text: an ASCII byte can be the second half of a double-byte character.
    QStringDecoder decoder("Shift_JIS");
    const QString text = decoder.decode(config);
    return text.contains(QString::fromLatin1(kLine));
}

QByteArray withUploadLine(const QByteArray& config) {
    QByteArray out = config;
    if (!out.isEmpty() && !out.endsWith('\n') && !out.endsWith('\r'))
        out += "\r\n";
    return out + kLine;
}

Outcome setUpload(const QString& volumeRoot) {
    if (volumeRoot.isEmpty() || !QFileInfo::exists(volumeRoot))
        return {Result::NoVolume, std::nullopt};
    const QString sdWlan = FileIO::childPath(volumeRoot, QStringLiteral("SD_WLAN"));
    if (!QFileInfo::exists(sdWlan))
        return {Result::NoSdWlan, std::nullopt};
    const QString config = FileIO::childPath(sdWlan, QStringLiteral("CONFIG"));
    if (!QFileInfo::exists(config))
        return {Result::NoConfig, std::nullopt};
    FileIO::Failure failure;
    const std::optional<QByteArray> bytes = FileIO::readAll(config, &failure);
    if (!bytes)
        return {Result::Failed, failure};
    if (hasUploadLine(*bytes))
        return {Result::AlreadySet, std::nullopt};
    const QByteArray updated = withUploadLine(*bytes);
    if (FileIO::safeWrite(config, updated, &failure))
        return {Result::Written, std::nullopt};
    // No room for the safe copy beside CONFIG: the line may still fit in the file's last cluster,
    // where appending needs no new one. The only write of the tool that is not the safe write.
    if (failure.error != ENOSPC && failure.error != EDQUOT)
        return {Result::Failed, failure};
    return appendInPlace(config, *bytes, updated);
}

QString message(const Outcome& outcome) {
    switch (outcome.result) {
    case Result::NoVolume:
        return {};
    case Result::NoSdWlan:
        return QStringLiteral("FlashAirを選択してないようです...");
    case Result::NoConfig:
        return QStringLiteral("CONFIGファイルが見つかりません...");
    case Result::Failed:
        // The reason in parentheses before the dots, as the editors give it.
        if (outcome.failure)
            return QStringLiteral("CONFIGファイルの書き換えに失敗しました（%1）...")
                .arg(Messages::reason(*outcome.failure));
        return QStringLiteral("CONFIGファイルの書き換えに失敗しました...");
    case Result::CardFull:
        return QStringLiteral("CONFIGファイルに書き込めませんでした（FlashAirの空き容量がありません）...");
    case Result::AlreadySet:
        return QStringLiteral("すでに設定されていました...");
    case Result::Written:
        return QStringLiteral("CONFIGファイルにUPLOAD=1を書き込みました...");
    }
    return {};
}
} // namespace UploadConfig
