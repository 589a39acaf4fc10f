#include "FileIO.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileIO {
namespace {
std::atomic<qint64> gFailAfter = -1; // the package copy writes two files at a time

constexpr int kTempRandom = 8;

void setFailure(Failure* failure, Step step, int error = errno) {
    if (failure)
        *failure = {error, step};
}

// For calls whose failure changes nothing (a file system without owners or modes).
void ignore(int) {}

mode_t processUmask() {
    static const mode_t mask = [] {
        const mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }();
    return mask;
}

bool validName(const QByteArray& name) {
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') && !name.contains('\0');
}

// What the file system says about the target before anything is written: refused when the user may
// not write it or it is not a regular file. A link (left only where the caller asked for the name as
// it stands, or one that leads nowhere) is replaced like a missing file.
struct Existing {
    bool present = false;
    struct stat st {};
};

std::optional<Existing> checkTarget(int dirFd, const QByteArray& name, Failure* failure) {
    Existing e;
    if (::fstatat(dirFd, name.constData(), &e.st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return e;
        setFailure(failure, Step::Open);
        return std::nullopt;
    }
    if (S_ISLNK(e.st.st_mode))
        return e;
    if (!S_ISREG(e.st.st_mode)) {
        setFailure(failure, Step::Check, kNotRegular);
        return std::nullopt;
    }
    // The rename would replace a file the user may not write, as the folder allows it.
    if (::faccessat(dirFd, name.constData(), W_OK, AT_EACCESS) != 0) {
        setFailure(failure, Step::Check);
        return std::nullopt;
    }
    e.present = true;
    return e;
}
} // namespace

QString childPath(const QString& folder, const QString& name) {
    if (folder.isEmpty() || name.isEmpty() || name == u"." || name == u".." || name.contains(u'/'))
        return {};
    if (!QFileInfo(folder).isDir())
        return {};
    return QDir(folder).filePath(name);
}

std::optional<QByteArray> readAll(const QString& path, Failure* failure) {
    // Non-blocking, so a fifo cannot hold the program at the open; it is refused right after.
    const Fd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    auto fail = [&](Step step, int error) -> std::optional<QByteArray> {
        setFailure(failure, step, error);
        return std::nullopt;
    };
    if (!fd)
        return fail(Step::Open, errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return fail(Step::Open, errno);
    if (!S_ISREG(st.st_mode))
        return fail(Step::Open, kNotRegular);
    if (st.st_size > kMaxReadSize)
        return fail(Step::Read, kTooLarge);
    QByteArray data;
    data.reserve(qsizetype(st.st_size));
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(Step::Read, errno);
        if (data.size() + n > kMaxReadSize)
            return fail(Step::Read, kTooLarge);
        if (n == 0)
            break;
        data.append(buffer, qsizetype(n));
    }
    return data;
}

QByteArray tempName() {
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    QByteArray name(kTempPrefix);
    for (int i = 0; i < kTempRandom; ++i)
        name += digits[QRandomGenerator::global()->bounded(36)];
    return name;
}

bool isTempName(const QByteArray& name) {
    const qsizetype prefix = qsizetype(sizeof kTempPrefix) - 1;
    if (name.size() != prefix + kTempRandom || !name.startsWith(kTempPrefix))
        return false;
    for (qsizetype i = prefix; i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')))
            return false;
    }
    return true;
}

void removeContents(int dirFd) {
    // A handle of its own, so the caller's position in the folder stays where it was.
    Fd listFd(::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* dir = listFd ? ::fdopendir(listFd.get()) : nullptr;
    if (!dir)
        return;
    listFd.release(); // closedir closes it
    QList<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    ::closedir(dir);
    for (const QByteArray& name : names) {
        struct stat st {};
        if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            const Fd sub(::openat(dirFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (sub)
                removeContents(sub.get());
            ::unlinkat(dirFd, name.constData(), AT_REMOVEDIR);
        } else {
            ::unlinkat(dirFd, name.constData(), 0);
        }
    }
}

bool removeIfStale(int dirFd, const QByteArray& name) {
    if (!isTempName(name))
        return false;
    const Fd fd(::openat(dirFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    // A write in progress holds its file or folder locked; only an abandoned one can be taken.
    if (!fd || ::fstat(fd.get(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) ||
        ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return false;
    if (S_ISDIR(st.st_mode))
        removeContents(fd.get());
    return ::unlinkat(dirFd, name.constData(), S_ISDIR(st.st_mode) ? AT_REMOVEDIR : 0) == 0;
}

void removeStaleTemps(int dirFd) {
    Fd listFd(::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* dir = listFd ? ::fdopendir(listFd.get()) : nullptr;
    if (!dir)
        return;
    listFd.release(); // closedir closes it
    QList<QByteArray> temps;
    while (const dirent* entry = ::readdir(dir))
        if (isTempName(QByteArray(entry->d_name)))
            temps.append(QByteArray(entry->d_name));
    ::closedir(dir);
    for (const QByteArray& name : temps)
        removeIfStale(dirFd, name);
}

SafeWriteBatch::~SafeWriteBatch() {
    for (Pending& p : m_pending)
        drop(p);
}

void SafeWriteBatch::drop(Pending& p) {
    ::unlinkat(p.dirFd.get(), p.temp.constData(), 0);
}

bool SafeWriteBatch::add(const QString& path, const Fill& fill, Failure* failure) {
    QFileInfo fi(path);
    // A link is written through, as the file it points at.
    if (fi.isSymLink() && fi.exists())
        fi = QFileInfo(fi.canonicalFilePath());
    const Fd dirFd(::open(QFile::encodeName(fi.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd) {
        setFailure(failure, Step::Open);
        return false;
    }
    return addAt(dirFd.get(), QFile::encodeName(fi.fileName()), fill, failure);
}

void SafeWriteBatch::markCleaned(int dirFd) {
    struct stat st {};
    if (::fstat(dirFd, &st) == 0 && !m_cleaned.contains({quint64(st.st_dev), quint64(st.st_ino)}))
        m_cleaned.append({quint64(st.st_dev), quint64(st.st_ino)});
}

bool SafeWriteBatch::addAt(int dirFd, const QByteArray& name, const Fill& fill, Failure* failure) {
    if (!validName(name)) {
        setFailure(failure, Step::Check, kNotAName);
        return false;
    }
    struct stat dirSt {};
    if (::fstat(dirFd, &dirSt) != 0) {
        setFailure(failure, Step::Open);
        return false;
    }
    const QPair<quint64, quint64> folder(quint64(dirSt.st_dev), quint64(dirSt.st_ino));
    if (!m_cleaned.contains(folder)) {
        removeStaleTemps(dirFd);
        m_cleaned.append(folder);
    }
    const std::optional<Existing> old = checkTarget(dirFd, name, failure);
    if (!old)
        return false;

    Pending p{Fd(), {}, name, Fd()};
    for (int attempt = 0; attempt < 20 && !p.fd; ++attempt) {
        p.temp = tempName();
        // Readable by its owner only until it takes the target's mode, so a later cleanup can
        // always open it to see whether a write still holds it.
        p.fd = Fd(::openat(dirFd, p.temp.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!p.fd && errno != EEXIST)
            break;
    }
    if (!p.fd) {
        setFailure(failure, Step::Create);
        return false;
    }
    ignore(::flock(p.fd.get(), LOCK_EX | LOCK_NB));
    // The new file's owner, group and mode, asked before the write: a write makes a card's driver
    // (FUSE) look its attributes up again, one more round trip per file.
    struct stat created {};
    const bool known = ::fstat(p.fd.get(), &created) == 0;
    p.dirFd = Fd(::fcntl(dirFd, F_DUPFD_CLOEXEC, 0));
    if (!p.dirFd) {
        setFailure(failure, Step::Create);
        ::unlinkat(dirFd, p.temp.constData(), 0);
        return false;
    }

    // Unbuffered, so fill may also write to the handle itself (the package copy does).
    bool filled = false;
    int code = 0;
    {
        QFile f;
        if (f.open(p.fd.get(), QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle)) {
            errno = 0;
            filled = fill(f) && f.error() == QFileDevice::NoError;
            // The system's reason survives QFile's own bookkeeping of a failed write.
            code = errno;
            f.close();
        }
    }
    if (const qint64 failAfter = gFailAfter.exchange(-1); failAfter >= 0) {
        ignore(::ftruncate(p.fd.get(), qMin<off_t>(::lseek(p.fd.get(), 0, SEEK_END), off_t(failAfter))));
        filled = false;
        code = ENOSPC; // as a full card would
    }
    if (!filled) {
        setFailure(failure, Step::Write, code ? code : kStoppedShort);
        drop(p);
        return false;
    }
    // The new file takes the old one's owner, group and mode where the file system has them (FAT
    // has none) and the process may set them; a new file gets the usual mode.
    if (old->present) {
        // Only what differs: on a card each change is a round trip to its driver, for every file.
        if (!known || created.st_uid != old->st.st_uid || created.st_gid != old->st.st_gid)
            if (::fchown(p.fd.get(), old->st.st_uid, old->st.st_gid) != 0 && errno == EPERM)
                ignore(::fchown(p.fd.get(), uid_t(-1), old->st.st_gid));
        if (!known || (created.st_mode & 07777) != (old->st.st_mode & 07777))
            ignore(::fchmod(p.fd.get(), old->st.st_mode & 07777));
    } else {
        const mode_t mode = 0666 & ~processUmask();
        if (!known || (created.st_mode & 07777) != mode)
            ignore(::fchmod(p.fd.get(), mode));
    }
    m_pending.push_back(std::move(p));
    return true;
}

bool SafeWriteBatch::commit(Failure* failure, Sync sync) {
    if (sync == Sync::BeforeRename) {
        QList<dev_t> synced;
        for (const Pending& p : m_pending) {
            bool ok = true;
            if (m_pending.size() == 1) {
                ok = ::fdatasync(p.fd.get()) == 0;
            } else {
                // Several files: one sync of each file system they are on.
                struct stat st {};
                ok = ::fstat(p.fd.get(), &st) == 0;
                if (ok && !synced.contains(st.st_dev)) {
                    ok = ::syncfs(p.fd.get()) == 0;
                    synced.append(st.st_dev);
                }
            }
            if (!ok) {
                setFailure(failure, Step::Sync);
                return false; // the destructor removes the temporary files; no old file was touched
            }
        }
    }
    while (!m_pending.empty()) {
        Pending p = std::move(m_pending.front());
        m_pending.erase(m_pending.begin());
        if (::renameat(p.dirFd.get(), p.temp.constData(), p.dirFd.get(), p.target.constData()) != 0) {
            setFailure(failure, Step::Rename);
            drop(p);
            return false;
        }
    }
    return true;
}

bool safeWrite(const QString& path, const Fill& fill, Failure* failure) {
    SafeWriteBatch batch;
    return batch.add(path, fill, failure) && batch.commit(failure);
}

bool safeWrite(const QString& path, const QByteArray& data, Failure* failure) {
    return safeWrite(
        path, [&](QFileDevice& f) { return f.write(data) == data.size(); }, failure);
}

void injectWriteFailure(qint64 afterBytes) {
    gFailAfter = afterBytes;
}

} // namespace FileIO
