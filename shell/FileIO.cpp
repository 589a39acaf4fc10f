#include "FileIO.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileIO {
namespace {
qint64 gFailAfter = -1;

QString SystemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A link is written through, as the file it points at.
QString WriteTarget(const QString& path) {
    const QFileInfo fi(path);
    if (fi.isSymLink() && fi.exists())
        return fi.canonicalFilePath();
    return path;
}

QString TempName(const QString& target) {
    const QFileInfo fi(target);
    const QString suffix = QString::number(QRandomGenerator::global()->generate(), 36);
    return QDir(fi.absolutePath()).filePath(u'.' + fi.fileName() + u'.' + suffix + QStringLiteral(".part"));
}

// Puts the temporary files' data on the disk: a single file alone, several with one sync of each
// file system they are on.
bool SyncAll(const QStringList& temps) {
    QList<dev_t> synced;
    for (const QString& temp : temps) {
        const int fd = ::open(QFile::encodeName(temp).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        bool ok = true;
        if (temps.size() == 1) {
            ok = ::fdatasync(fd) == 0;
        } else {
            struct stat st {};
            ok = ::fstat(fd, &st) == 0;
            if (ok && !synced.contains(st.st_dev)) {
                ok = ::syncfs(fd) == 0;
                synced.append(st.st_dev);
            }
        }
        const int saved = errno;
        ::close(fd);
        errno = saved;
        if (!ok)
            return false;
    }
    return true;
}
} // namespace

std::optional<QByteArray> ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    return data;
}

SafeWriteBatch::~SafeWriteBatch() {
    for (const Pending& p : m_pending)
        QFile::remove(p.temp);
}

bool SafeWriteBatch::Add(const QString& path, const Fill& fill, QString* error) {
    const QString target = WriteTarget(path);
    // Unbuffered, so fill may also write to the handle itself (the package copy does). NewOnly:
    // never into a file that is already there.
    QFile f;
    for (int attempt = 0; attempt < 20 && !f.isOpen(); ++attempt) {
        f.setFileName(TempName(target));
        if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered) && !f.exists())
            break;
    }
    if (!f.isOpen()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    // The new file keeps the old one's permissions where the file system has them (FAT has none).
    if (QFileInfo::exists(target))
        f.setPermissions(QFile::permissions(target));
    bool filled = fill(f);
    if (gFailAfter >= 0) {
        f.resize(qMin(f.size(), gFailAfter));
        gFailAfter = -1;
        filled = false;
    }
    const QString written = f.errorString();
    const bool deviceOk = f.error() == QFileDevice::NoError;
    f.close();
    if (!filled || !deviceOk || f.error() != QFileDevice::NoError) {
        if (error)
            *error = deviceOk ? QStringLiteral("write failed") : written;
        f.remove();
        return false;
    }
    m_pending.append({f.fileName(), target});
    return true;
}

bool SafeWriteBatch::Commit(QString* error) {
    QStringList temps;
    for (const Pending& p : m_pending)
        temps.append(p.temp);
    if (!SyncAll(temps)) {
        if (error)
            *error = SystemError();
        return false; // the destructor removes the temporary files; no old file was touched
    }
    while (!m_pending.isEmpty()) {
        const Pending p = m_pending.takeFirst();
        if (std::rename(QFile::encodeName(p.temp).constData(), QFile::encodeName(p.target).constData()) != 0) {
            if (error)
                *error = SystemError();
            QFile::remove(p.temp);
            return false;
        }
    }
    return true;
}

bool SafeWrite(const QString& path, const Fill& fill, QString* error) {
    SafeWriteBatch batch;
    return batch.Add(path, fill, error) && batch.Commit(error);
}

bool SafeWrite(const QString& path, const QByteArray& data, QString* error) {
    return SafeWrite(
        path, [&](QFileDevice& f) { return f.write(data) == data.size(); }, error);
}

void InjectWriteFailure(qint64 afterBytes) {
    gFailAfter = afterBytes;
}

} // namespace FileIO
