#include "PackageCopy.h"

#include "FileIO.h"
#include "Messages.h"
#include "TextUtil.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace PackageCopy {
using Id = QPair<quint64, quint64>;

struct Source {
    QByteArray name; // the entry's own name in its package folder (a link's own name)
    bool folder = false;
    Id id; // what is read: the entry itself, or what its link leads to
    // The real path of what a link leads to, and of a step's own source; empty: the entry is opened
    // by its name in its folder.
    QByteArray real;
    std::vector<Source> children;
};

namespace {
constexpr QDir::Filters kAllEntries = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

QString nfc(const QString& s) {
    return s.normalized(QString::NormalizationForm_C);
}

bool present(const QString& path) {
    const QFileInfo fi(path);
    return fi.exists() || fi.isSymLink();
}

Id idOf(const struct stat& st) {
    return {quint64(st.st_dev), quint64(st.st_ino)};
}

// An open descriptor, closed when it goes.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(Fd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    // Closes now, for the close's own result (a card reports a failed write there).
    bool close() { return ::close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};

// The folder name of the open folder parent, never through a link.
Fd openFolder(int parent, const QByteArray& name) {
    return Fd(::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// Names are bytes on disk; the progress line shows them readably (Shift_JIS decoded where they are
// no UTF-8, escapes otherwise).
QString display(const QByteArray& name) {
    return TextUtil::shownName(name);
}

std::optional<QString> utf8Name(const QByteArray& name) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString s = decoder(name);
    if (decoder.hasError())
        return std::nullopt;
    return s;
}

// The name as a card that ignores case and Unicode form knows it. Bytes that are no UTF-8 keep
// their bytes, with ASCII letters folded, and never meet a decoded name.
QString fold(const QByteArray& name) {
    if (const std::optional<QString> s = utf8Name(name))
        return nfc(*s).toCaseFolded();
    return QChar(0) + QString::fromLatin1(name.toLower());
}

// The messages, in one place.
QString folderLine(const QByteArray& name) {
    return QStringLiteral("Create as %1").arg(display(name));
}
QString sameNameOnCard(const QByteArray& other) {
    return QStringLiteral("カードでは「%1」と同じ名前になります").arg(display(other));
}
const QString kOutside = QStringLiteral("パッケージの外を指すリンクです");
const QString kDangling = QStringLiteral("リンク先がありません");
const QString kLoop = QStringLiteral("リンクが循環しています");
const QString kNotFileOrFolder = QStringLiteral("ファイルでもフォルダでもありません");
const QString kChanged = QStringLiteral("コピー中に変更されました");
const QString kFileInTheWay = QStringLiteral("同じ名前のファイルがカードにあります");
const QString kPackageOnCard = QStringLiteral("パッケージフォルダがカード上にあります");
const QString kCardInPackage = QStringLiteral("カードがパッケージフォルダの中にあります");
const QString kOverlap = QStringLiteral("コピー先がコピー元と重なっています");
const QString kNotUtf8 =
    QStringLiteral("名前がUTF-8ではないため、カードに書けません。アーカイブを、名前がUTF-8になるように"
                   "解凍し直してから、もう一度コピーしてください");
QString cannotHold(QChar c) {
    return QStringLiteral("名前の%1はカードのファイル名に使えません。パッケージを解凍し直すか名前を直してから、もう一度"
                          "コピーしてください")
        .arg(TextUtil::shown(QString(c)));
}
// What the card holds at cardPath (type as readdir gives it) where the package needs a folder, or a
// file, that the copy does not replace.
QString inTheWay(const QString& cardPath, unsigned char type, bool folderWanted) {
    const QString found = type == DT_REG   ? QStringLiteral("ファイル")
                          : type == DT_DIR ? QStringLiteral("空でないフォルダ")
                                           : QStringLiteral("ファイルでもフォルダでもないもの");
    return QStringLiteral("カードの「%1」は%2のため、そこに%3。カードの「%1」を削除するか名前を変えてから、もう一度"
                          "コピーしてください")
        .arg(cardPath, found,
             folderWanted ? QStringLiteral("フォルダを作れません") : QStringLiteral("ファイルを書けません"));
}
const QString kAnotherCopy =
    QStringLiteral("このカードへの別のコピーが実行中です。それが終わってから、もう一度コピーしてください");

// Why a card cannot hold the name of a package entry; nothing when it can. FAT and exFAT keep names
// as UTF-16 and forbid control characters and " * / : < > ? \ | in them. Trailing dots and blanks
// are kept as they are.
std::optional<QString> nameRefusal(const QByteArray& name) {
    const std::optional<QString> decoded = utf8Name(name);
    if (!decoded)
        return kNotUtf8;
    for (const QChar c : *decoded)
        if (c.unicode() < 0x20 || QStringView(u"\"*:<>?\\|").contains(c))
            return cannotHold(c);
    return std::nullopt;
}

struct Listed {
    QByteArray name;
    unsigned char type; // DT_DIR, DT_REG, DT_LNK, ..., DT_UNKNOWN where the file system does not say
};

// The entries of the open folder, in the order the file system lists them; nothing when the folder
// cannot be read to its end (a folder listed only in part would be copied only in part).
std::optional<QList<Listed>> list(int dirFd, int* error = nullptr) {
    const int fd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        if (error)
            *error = errno;
        if (fd >= 0)
            ::close(fd);
        return std::nullopt;
    }
    QList<Listed> entries;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            entries.append({name, entry->d_type});
    }
    const int code = errno;
    ::closedir(dir);
    if (code != 0) {
        if (error)
            *error = code;
        return std::nullopt;
    }
    return entries;
}

// A card folder's entries, to find the one that stands for a package entry: the same bytes, else
// the same name in either case and either Unicode form (one name on FAT and exFAT).
class Names {
public:
    explicit Names(const QList<Listed>& entries) : m_entries(entries) {
        for (int i = 0; i < entries.size(); ++i) {
            m_exact.insert(entries[i].name, i);
            m_folded.insert(fold(entries[i].name), i); // the first of several stays
        }
    }
    std::optional<Listed> find(const QByteArray& name) const {
        int i = m_exact.value(name, -1);
        if (i < 0)
            i = m_folded.value(fold(name), -1);
        if (i < 0)
            return std::nullopt;
        return m_entries[i];
    }

private:
    QList<Listed> m_entries;
    QHash<QByteArray, int> m_exact;
    QHash<QString, int> m_folded;
};

// The real path (no link, no "..") of path; nothing and errno set when it cannot be resolved.
std::optional<QByteArray> realPath(const QByteArray& path) {
    char buffer[PATH_MAX];
    if (!::realpath(path.constData(), buffer))
        return std::nullopt;
    return QByteArray(buffer);
}

// The identities of the real path and of every folder above it.
QSet<Id> chain(QByteArray real) {
    QSet<Id> ids;
    for (;;) {
        struct stat st {};
        if (::stat(real.constData(), &st) == 0)
            ids.insert(idOf(st));
        const qsizetype slash = real.lastIndexOf('/');
        if (slash < 0 || real == "/")
            return ids;
        real = slash == 0 ? QByteArray("/") : real.left(slash);
    }
}

std::optional<Id> idAt(const QByteArray& path) {
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return std::nullopt;
    return idOf(st);
}

// Reads a step's source before anything is written: every folder listed to its end, every link
// resolved and held to the package, every folder's names held against each other as the card will
// hold them. A refusal sets the progress line.
class Scanner {
public:
    Scanner(const QByteArray& package, const Progress& progress) : m_package(package), m_progress(progress) {
        m_inside = package.endsWith('/') ? package : package + '/';
    }

    // The source at the path relative to the package (its parts as shown), each link on the way
    // resolved by the same rule; not read yet. Nothing, with *missing set, when it does not exist.
    std::optional<Source> locate(const QStringList& parts, bool* missing) {
        *missing = false;
        m_read.clear();
        QByteArray real = m_package;
        m_shown.clear();
        struct stat st {};
        for (const QString& part : parts) {
            m_shown = m_shown.isEmpty() ? part : m_shown + u'/' + part;
            const QByteArray path = real + '/' + QFile::encodeName(part);
            if (::lstat(path.constData(), &st) != 0) {
                if (errno == ENOENT || errno == ENOTDIR) {
                    *missing = true;
                    return std::nullopt;
                }
                return refuse(m_shown, Messages::why(errno));
            }
            if (S_ISLNK(st.st_mode)) {
                const std::optional<QByteArray> target = resolve(path, m_shown);
                if (!target)
                    return std::nullopt;
                real = *target;
            } else {
                real = path;
            }
        }
        if (::stat(real.constData(), &st) != 0)
            return refuse(m_shown, Messages::why(errno));
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
            return refuse(m_shown, kNotFileOrFolder);
        Source top;
        top.name = QFile::encodeName(parts.isEmpty() ? QString() : parts.last());
        top.real = real;
        top.id = idOf(st);
        top.folder = S_ISDIR(st.st_mode);
        m_read.append(real);
        return top;
    }

    // Reads what Locate found, a folder to its last entry.
    bool read(Source& top) {
        if (!top.folder)
            return true;
        const Fd fd(::open(top.real.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd) {
            refuse(m_shown, Messages::why(errno));
            return false;
        }
        return fill(top, fd.get(), top.real, m_shown);
    }

    // The real paths the last step reads from: its source and what its links lead to.
    const QList<QByteArray>& read() const { return m_read; }

private:
    std::nullopt_t refuse(const QString& shown, const QString& reason) {
        m_progress(progressLine(shown, reason));
        return std::nullopt;
    }

    std::optional<QByteArray> resolve(const QByteArray& link, const QString& shown) {
        const std::optional<QByteArray> target = realPath(link);
        if (!target) {
            if (errno == ENOENT || errno == ENOTDIR)
                return refuse(shown, kDangling);
            return refuse(shown, errno == ELOOP ? kLoop : Messages::why(errno));
        }
        // The package itself holds the link: copying it would never end.
        if (*target == m_package)
            return refuse(shown, kLoop);
        if (!target->startsWith(m_inside))
            return refuse(shown, kOutside);
        return target;
    }

    bool fill(Source& folder, int fd, const QByteArray& real, const QString& shown) {
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            refuse(shown, Messages::why(errno));
            return false;
        }
        // A folder met again below itself (a mount of it inside it) would never end either.
        if (m_ids.contains(idOf(st))) {
            refuse(shown, kLoop);
            return false;
        }
        int error = 0;
        const std::optional<QList<Listed>> entries = list(fd, &error);
        if (!entries) {
            refuse(shown, Messages::why(error));
            return false;
        }
        // Two names the card holds as one: the second would overwrite or merge into the first.
        QHash<QString, QByteArray> seen;
        for (const Listed& e : *entries) {
            if (const std::optional<QString> why = nameRefusal(e.name)) {
                refuse(shown + u'/' + display(e.name), *why);
                return false;
            }
            const QString key = fold(e.name);
            if (const auto it = seen.constFind(key); it != seen.constEnd()) {
                refuse(shown + u'/' + display(e.name), sameNameOnCard(*it));
                return false;
            }
            seen.insert(key, e.name);
        }
        m_stack.append(real);
        m_ids.append(idOf(st));
        bool ok = true;
        folder.children.reserve(size_t(entries->size()));
        for (const Listed& e : *entries) {
            std::optional<Source> child = make(fd, real, e.name, shown + u'/' + display(e.name));
            if (!child) {
                ok = false;
                break;
            }
            folder.children.push_back(std::move(*child));
        }
        m_stack.removeLast();
        m_ids.removeLast();
        return ok;
    }

    std::optional<Source> make(int dirFd, const QByteArray& dirReal, const QByteArray& name, const QString& shown) {
        struct stat st {};
        if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return refuse(shown, Messages::why(errno));
        Source entry;
        entry.name = name;
        QByteArray real = dirReal + '/' + name;
        if (S_ISLNK(st.st_mode)) {
            const std::optional<QByteArray> target = resolve(real, shown);
            if (!target)
                return std::nullopt;
            if (::stat(target->constData(), &st) != 0)
                return refuse(shown, Messages::why(errno));
            real = entry.real = *target;
            // A link to a folder that holds it, or that holds a folder being read, never ends.
            if (S_ISDIR(st.st_mode))
                for (const QByteArray& open : m_stack)
                    if (open == real || open.startsWith(real + '/'))
                        return refuse(shown, kLoop);
            m_read.append(real);
        }
        entry.id = idOf(st);
        if (S_ISREG(st.st_mode))
            return entry;
        if (!S_ISDIR(st.st_mode))
            return refuse(shown, kNotFileOrFolder);
        entry.folder = true;
        const Fd fd(entry.real.isEmpty()
                        ? ::openat(dirFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                        : ::open(real.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd)
            return refuse(shown, Messages::why(errno));
        if (!fill(entry, fd.get(), real, shown))
            return std::nullopt;
        return entry;
    }

    QByteArray m_package, m_inside;
    const Progress& m_progress;
    QList<QByteArray> m_stack; // real paths of the folders being read
    QList<Id> m_ids;
    QList<QByteArray> m_read;
    QString m_shown;
};

// The tool's own temporary name, as the safe write makes them.
QByteArray tempName() {
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    QByteArray name(".pkltmp-");
    for (int i = 0; i < 8; ++i)
        name += digits[QRandomGenerator::global()->bounded(36)];
    return name;
}

// Removes everything in the open card folder, never through a link.
void removeAll(int dirFd) {
    const std::optional<QList<Listed>> entries = list(dirFd);
    if (!entries)
        return;
    for (const Listed& e : *entries) {
        struct stat st {};
        if (::fstatat(dirFd, e.name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            const Fd sub = openFolder(dirFd, e.name);
            if (sub)
                removeAll(sub.get());
            ::unlinkat(dirFd, e.name.constData(), AT_REMOVEDIR);
        } else {
            ::unlinkat(dirFd, e.name.constData(), 0);
        }
    }
}

// Takes out of the listing, and off the card, what an interrupted copy left in this folder: the
// tool's temporary files and folders that no running copy holds locked. Other names stay.
void removeStale(int dirFd, QList<Listed>& entries) {
    entries.removeIf([&](const Listed& e) {
        if (!FileIO::isTempName(e.name))
            return false;
        const Fd fd(::openat(dirFd, e.name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        if (!fd || ::fstat(fd.get(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) ||
            ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
            return false;
        if (S_ISDIR(st.st_mode))
            removeAll(fd.get());
        return ::unlinkat(dirFd, e.name.constData(), S_ISDIR(st.st_mode) ? AT_REMOVEDIR : 0) == 0;
    });
}

// The card folder name in the open folder parent, made a real folder when it is missing or a link
// (a link is replaced, never descended into); a file in the way is left and fails.
Fd destinationFolder(int parent, const QByteArray& name) {
    struct stat st {};
    bool present = ::fstatat(parent, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (present && S_ISLNK(st.st_mode) && ::unlinkat(parent, name.constData(), 0) == 0)
        present = false;
    if (!present)
        ::mkdirat(parent, name.constData(), 0777);
    return openFolder(parent, name);
}

// One step written onto the card from what the scan read. Package entries are opened by name in
// their folder (or, behind a link, by the real path the scan found) and must still be what the scan
// found; card entries are reached only below the card's folder and never through a link.
class Writer {
public:
    Writer(const Progress& progress, int& kernelCopy) : m_progress(progress), m_kernelCopy(kernelCopy) {}

    // Puts entry into the open card folder dir.
    bool into(int dir, const Source& entry) {
        int error = 0;
        std::optional<QList<Listed>> entries = list(dir, &error);
        if (!entries)
            return stop(
                progressLine(entry.folder ? folderLine(entry.name) : display(entry.name), Messages::why(error)));
        removeStale(dir, *entries);
        FileIO::SafeWriteBatch files;
        return put(dir, Names(*entries).find(entry.name), -1, entry, files);
    }

    bool stop(const QString& line) {
        m_progress(line);
        return false;
    }

private:
    // Opens the package entry in its open folder src (or by its real path) as the scan found it.
    Fd open(int src, const Source& e, QString* why) {
        const int flags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | (e.folder ? O_DIRECTORY : O_NONBLOCK);
        Fd fd(e.real.isEmpty() ? ::openat(src, e.name.constData(), flags) : ::open(e.real.constData(), flags));
        struct stat st {};
        if (!fd || ::fstat(fd.get(), &st) != 0) {
            *why = Messages::why(errno);
            return Fd();
        }
        if (idOf(st) != e.id || S_ISDIR(st.st_mode) != e.folder) {
            *why = kChanged;
            return Fd();
        }
        if (!e.folder)
            ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
        return fd;
    }

    // The entry e of the package folder src into the card folder dst, where the card holds it as
    // existing (or not at all).
    bool put(int dst, std::optional<Listed> existing, int src, const Source& e, FileIO::SafeWriteBatch& files) {
        if (existing && existing->type == DT_UNKNOWN) {
            struct stat st {};
            existing->type = ::fstatat(dst, existing->name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ? DT_UNKNOWN
                             : S_ISDIR(st.st_mode)                                                     ? DT_DIR
                             : S_ISLNK(st.st_mode)                                                     ? DT_LNK
                             : S_ISREG(st.st_mode)                                                     ? DT_REG
                                                                                                       : DT_UNKNOWN;
        }
        QString why;
        if (e.folder) {
            // A link on the card in the way is replaced, never followed.
            if (existing && existing->type == DT_LNK && ::unlinkat(dst, existing->name.constData(), 0) == 0)
                existing.reset();
            if (!existing)
                return fresh(dst, src, e);
            const QString line = folderLine(existing->name);
            const Fd from = open(src, e, &why);
            if (!from)
                return stop(progressLine(line, why));
            if (existing->type != DT_DIR)
                return stop(progressLine(line, kFileInTheWay));
            const Fd to = openFolder(dst, existing->name);
            m_progress(line);
            if (!to)
                return stop(progressLine(line, Messages::why(errno)));
            return merge(to.get(), from.get(), e);
        }
        const Fd in = open(src, e, &why);
        if (!in)
            return stop(progressLine(display(e.name), why));
        const QByteArray target = existing ? existing->name : e.name;
        // A repeat copy leaves a file that already holds the same bytes as it is.
        if (existing && existing->type == DT_REG && sameBytes(dst, target, in.get())) {
            m_progress(display(e.name));
            return true;
        }
        // An empty folder in the way goes; a full one makes the write refuse.
        if (existing && existing->type == DT_DIR)
            ::unlinkat(dst, target.constData(), AT_REMOVEDIR);
        // One new file beside its old one at a time, so a card with room for the package and its
        // largest file takes a repeat copy. The caller syncs the card before success.
        FileIO::Failure failure;
        int code = 0;
        const bool ok =
            files.addAt(
                dst, target, [&](QFileDevice& out) { return copyData(in.get(), out.handle(), &code); }, &failure) &&
            files.commit(&failure, FileIO::SafeWriteBatch::Sync::ByCaller);
        m_progress(ok ? display(e.name) : progressLine(display(e.name), Messages::reason(failure)));
        return ok;
    }

    // The package folder e (open as src) merged into the open card folder dst.
    bool merge(int dst, int src, const Source& e) {
        struct stat st {};
        if (::fstat(dst, &st) != 0 || idOf(st) == e.id)
            return stop(progressLine(folderLine(e.name), kOverlap));
        int error = 0;
        std::optional<QList<Listed>> entries = list(dst, &error);
        if (!entries)
            return stop(progressLine(folderLine(e.name), Messages::why(error)));
        removeStale(dst, *entries);
        const Names names(*entries);
        FileIO::SafeWriteBatch files;
        for (const Source& child : e.children)
            if (!put(dst, names.find(child.name), src, child, files))
                return false;
        return true;
    }

    // A folder the card does not hold yet: written whole under a temporary name, then renamed once,
    // so no file stands half written under its real name. After a failure what was written is kept
    // under the real name too (without the file that failed), as a merge keeps it.
    bool fresh(int dst, int src, const Source& e) {
        const QString line = folderLine(e.name);
        QString why;
        const Fd from = open(src, e, &why);
        if (!from)
            return stop(progressLine(line, why));
        QByteArray temp;
        for (int attempt = 0; attempt < 20; ++attempt) {
            temp = tempName();
            if (::mkdirat(dst, temp.constData(), 0777) == 0)
                break;
            if (errno != EEXIST || attempt == 19)
                return stop(progressLine(line, Messages::why(errno)));
        }
        Fd to = openFolder(dst, temp);
        if (!to) {
            const int code = errno;
            ::unlinkat(dst, temp.constData(), AT_REMOVEDIR);
            return stop(progressLine(line, Messages::why(code)));
        }
        // Held while it is written, so that no other copy takes it for a leftover.
        ::flock(to.get(), LOCK_EX | LOCK_NB);
        m_progress(line);
        const bool written = writeNew(to.get(), from.get(), e);
        if (::renameat(dst, temp.constData(), dst, e.name.constData()) != 0) {
            // What this copy wrote never stays under the temporary name.
            const int code = errno;
            removeAll(to.get());
            ::unlinkat(dst, temp.constData(), AT_REMOVEDIR);
            return written ? stop(progressLine(line, Messages::why(code))) : false;
        }
        return written;
    }

    // The content of the package folder e (open as src) into the new, empty card folder dst.
    bool writeNew(int dst, int src, const Source& e) {
        QString why;
        for (const Source& child : e.children) {
            const Fd from = open(src, child, &why);
            if (child.folder) {
                const QString line = folderLine(child.name);
                if (!from)
                    return stop(progressLine(line, why));
                if (::mkdirat(dst, child.name.constData(), 0777) != 0)
                    return stop(progressLine(line, Messages::why(errno)));
                const Fd to = openFolder(dst, child.name);
                m_progress(line);
                if (!to)
                    return stop(progressLine(line, Messages::why(errno)));
                if (!writeNew(to.get(), from.get(), child))
                    return false;
                continue;
            }
            const QString line = display(child.name);
            if (!from)
                return stop(progressLine(line, why));
            Fd out(::openat(dst, child.name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
            if (!out)
                return stop(progressLine(line, Messages::why(errno)));
            int code = 0;
            bool ok = copyData(from.get(), out.get(), &code);
            if (!out.close() && ok) {
                ok = false;
                code = errno;
            }
            if (!ok) {
                ::unlinkat(dst, child.name.constData(), 0);
                return stop(progressLine(line, Messages::why(code)));
            }
            m_progress(line);
        }
        return true;
    }

    // The card file name in the open folder dir holds exactly the bytes of the open file in.
    bool sameBytes(int dir, const QByteArray& name, int in) {
        struct stat a {
        }, b{};
        // Sizes first: a card file of another size is not opened at all.
        if (::fstat(in, &a) != 0 || ::fstatat(dir, name.constData(), &b, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(b.st_mode) || a.st_size != b.st_size)
            return false;
        // A package file changed after the card's copy was written is taken as changed unread: the
        // comparison only spares writing equal bytes again, and reading the card costs as much.
        if (a.st_mtim.tv_sec > b.st_mtim.tv_sec ||
            (a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec > b.st_mtim.tv_nsec))
            return false;
        const Fd card(::openat(dir, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!card || ::fstat(card.get(), &b) != 0 || !S_ISREG(b.st_mode) || a.st_size != b.st_size)
            return false;
        constexpr qsizetype kChunk = 1 << 20;
        m_buffer.resize(2 * kChunk);
        char* mine = m_buffer.data();
        char* theirs = mine + kChunk;
        for (off_t at = 0; at < a.st_size;) {
            const size_t n = size_t(qMin<off_t>(kChunk, a.st_size - at));
            if (!readAt(in, mine, n, at) || !readAt(card.get(), theirs, n, at) || std::memcmp(mine, theirs, n) != 0)
                return false;
            at += off_t(n);
        }
        return true;
    }

    static bool readAt(int fd, char* to, size_t n, off_t at) {
        while (n > 0) {
            const ssize_t got = ::pread(fd, to, n, at);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            to += got;
            n -= size_t(got);
            at += got;
        }
        return true;
    }

    // Copies the bytes, in the kernel where it can copy between the two file systems (found out
    // once per copy), else through a buffer. *code says why it failed.
    bool copyData(int in, int out, int* code) {
        for (bool first = m_kernelCopy != 0; first || m_kernelCopy == 1;) {
            const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
            if (n == 0)
                return true;
            if (n > 0) {
                m_kernelCopy = 1;
                first = false;
                continue;
            }
            if (m_kernelCopy == -1 && first &&
                (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                m_kernelCopy = 0;
                break;
            }
            *code = errno;
            return false;
        }
        m_buffer.resize(2 << 20);
        for (;;) {
            const ssize_t n = ::read(in, m_buffer.data(), size_t(m_buffer.size()));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                *code = n < 0 ? errno : 0;
                return n == 0;
            }
            for (ssize_t done = 0; done < n;) {
                const ssize_t w = ::write(out, m_buffer.constData() + done, size_t(n - done));
                if (w < 0 && errno == EINTR)
                    continue;
                if (w <= 0) {
                    *code = w < 0 ? errno : ENOSPC;
                    errno = *code;
                    return false;
                }
                done += w;
            }
        }
    }

    const Progress& m_progress;
    int& m_kernelCopy;
    QByteArray m_buffer;
};
} // namespace

QStringList packageEntries() {
    return {QStringLiteral("ADDON"), QStringLiteral("ロビ(初販版,再販版,第三版)"), QStringLiteral("ロビのココロ2"),
            QStringLiteral("ロビのココロ2DX"), QStringLiteral("ロビクル")};
}

QStringList variantFolders() {
    return packageEntries().mid(1);
}

QStringList variantItems() {
    return {QStringLiteral("ロビ(初販版,再販版,第三版)"), QStringLiteral("ロビのココロ２"),
            QStringLiteral("ロビのココロ２DX"), QStringLiteral("ロビクル")};
}

QString findEntry(const QString& folder, const QString& name) {
    if (folder.isEmpty() || name.isEmpty())
        return {};
    const QString direct = QDir(folder).filePath(name);
    if (present(direct))
        return direct;
    // A name with one form only can only be found under that name.
    if (nfc(name) == name.normalized(QString::NormalizationForm_D) || !QFileInfo(folder).isDir())
        return {};
    // The disk may hold the name composed or decomposed: compare normalised names.
    const QString wanted = nfc(name);
    QDirIterator it(folder, kAllEntries);
    while (it.hasNext()) {
        it.next();
        if (nfc(it.fileName()) == wanted)
            return it.filePath();
    }
    return {};
}

QString entryPath(const QString& folder, const QString& name) {
    const QString found = findEntry(folder, name);
    return found.isEmpty() ? QDir(folder).filePath(name) : found;
}

bool isPackageFolder(const QString& folder) {
    const QStringList names = packageEntries();
    return std::all_of(names.begin(), names.end(),
                       [&](const QString& n) { return QFileInfo::exists(findEntry(folder, n)); });
}

Plan makePlan(const QString& package, int variant) {
    Plan plan;
    plan.package = package;
    plan.stage1 = {{entryPath(package, QStringLiteral("ADDON")), QString()}};
    if (variant < 0 || variant >= variantFolders().size())
        return plan;
    const QString folder = entryPath(package, variantFolders()[variant]);
    // Into the card itself, or into the card's entry named like the source.
    auto file = [&](const QString& name) { return CopyStep{entryPath(folder, name), QString()}; };
    auto sub = [&](const QString& name) {
        const QString source = entryPath(folder, name);
        return CopyStep{source, QFileInfo(source).fileName()};
    };
    // Each variant's folder holds the three; a missing one is a failure, not a reason to skip.
    if (QFileInfo::exists(folder))
        plan.stage2 = {sub(QStringLiteral("1")), sub(QStringLiteral("5")), sub(QStringLiteral("ランダム"))};

    const QString main5 = QStringLiteral("main5_InitFlag確認補完無し_シーン1固定0415_test2.RM4");
    const QString mainP = QStringLiteral("mainP.RM4");
    switch (variant) {
    case 0:
        plan.stage3 = {file(main5)};
        break;
    case 1:
        plan.stage3 = {file(mainP)};
        break;
    case 2:
        plan.stage3 = {file(mainP), file(QStringLiteral("聞き音声にモーションdx.RM4"))};
        break;
    case 3:
        plan.stage3 = {file(main5), sub(QStringLiteral("voice")), sub(QStringLiteral("ロビクル"))};
        break;
    }
    return plan;
}

namespace {
// A step's source as the scanner finds it: below the package folder, where its links may lead; a
// source outside the package is read as a package of its own.
struct StepSource {
    std::optional<Scanner> scanner;
    QStringList parts; // as the messages name it
};
StepSource findStep(const QString& package, const QString& source, const Progress& progress) {
    const QString folder = QDir::cleanPath(package), path = QDir::cleanPath(source);
    StepSource step;
    QString root = folder;
    if (!folder.isEmpty() && path.startsWith(folder + u'/')) {
        step.parts = path.mid(folder.size() + 1).split(u'/', Qt::SkipEmptyParts);
    } else {
        step.parts = QStringList{QFileInfo(path).fileName()};
        root = QFileInfo(path).absolutePath();
    }
    if (const std::optional<QByteArray> real = realPath(QFile::encodeName(root)))
        step.scanner.emplace(*real, progress);
    return step;
}

// The entry of the open card folder that stands for name, when it is a real folder or file.
std::optional<QByteArray> cardEntry(int dirFd, const QByteArray& name) {
    const std::optional<QList<Listed>> entries = list(dirFd);
    if (!entries)
        return std::nullopt;
    const std::optional<Listed> found = Names(*entries).find(name);
    struct stat st {};
    if (!found || ::fstatat(dirFd, found->name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISLNK(st.st_mode))
        return std::nullopt;
    return found->name;
}
// The kind of a card entry, asked of the file system where its listing does not say.
unsigned char typeOf(int dirFd, const Listed& e) {
    if (e.type != DT_UNKNOWN)
        return e.type;
    struct stat st {};
    if (::fstatat(dirFd, e.name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return DT_UNKNOWN;
    return S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : S_ISREG(st.st_mode) ? DT_REG : DT_FIFO;
}

bool isEmptyFolder(int dirFd, const QByteArray& name) {
    const Fd fd = openFolder(dirFd, name);
    const std::optional<QList<Listed>> entries = fd ? list(fd.get()) : std::nullopt;
    return entries && entries->isEmpty();
}

std::optional<QString> inTheWayBelow(int parent, const QByteArray& name, const QString& at,
                                     const std::vector<Source>& children, const QString& shown);

// The progress line for what the card holds in the place of the package entry e (shown: its path in
// the package), in the open card folder dir (names: its entries; at: its path on the card), that
// is of the other kind and that the copy does not replace: a file where a folder goes, a folder
// that is not empty where a file goes. A link is replaced and an empty folder removed, so neither
// is in the way; what cannot be looked at is left to the copy, which fails there.
std::optional<QString> inTheWayOf(int dir, const Names& names, const QString& at, const Source& e,
                                  const QString& shown) {
    const std::optional<Listed> found = names.find(e.name);
    if (!found)
        return std::nullopt;
    const unsigned char type = typeOf(dir, *found);
    if (type == DT_LNK || type == DT_UNKNOWN)
        return std::nullopt;
    const QString path = at.isEmpty() ? display(found->name) : at + u'/' + display(found->name);
    if (!e.folder) {
        if (type == DT_REG || (type == DT_DIR && isEmptyFolder(dir, found->name)))
            return std::nullopt;
        return progressLine(shown, inTheWay(path, type, false));
    }
    if (type != DT_DIR)
        return progressLine(shown, inTheWay(path, type, true));
    return inTheWayBelow(dir, found->name, path, e.children, shown);
}

// The same for the entries children, to go into the card folder name (at on the card) of parent.
std::optional<QString> inTheWayBelow(int parent, const QByteArray& name, const QString& at,
                                     const std::vector<Source>& children, const QString& shown) {
    if (children.empty())
        return std::nullopt;
    const Fd fd = openFolder(parent, name);
    const std::optional<QList<Listed>> entries = fd ? list(fd.get()) : std::nullopt;
    if (!entries)
        return std::nullopt;
    const Names names(*entries);
    for (const Source& child : children)
        if (std::optional<QString> line = inTheWayOf(fd.get(), names, at, child, shown + u'/' + display(child.name)))
            return line;
    return std::nullopt;
}

// The same for a step's source, into the card's folder destination (empty: the card itself).
std::optional<QString> inTheWayOfStep(int card, const QString& destination, const Source& source,
                                      const QString& shown) {
    const std::optional<QList<Listed>> top = list(card);
    if (!top)
        return std::nullopt;
    const Names names(*top);
    if (destination.isEmpty())
        return inTheWayOf(card, names, QString(), source, shown);
    const std::optional<Listed> found = names.find(QFile::encodeName(destination));
    if (!found)
        return std::nullopt;
    const unsigned char type = typeOf(card, *found);
    if (type == DT_LNK || type == DT_UNKNOWN)
        return std::nullopt;
    if (type != DT_DIR)
        return progressLine(shown, inTheWay(display(found->name), type, true));
    const Fd into = openFolder(card, found->name);
    const std::optional<QList<Listed>> entries = into ? list(into.get()) : std::nullopt;
    if (!entries)
        return std::nullopt;
    return inTheWayOf(into.get(), Names(*entries), display(found->name), source, shown);
}
} // namespace

Card::Card(const QString& root) : m_root(root) {
    if (!root.isEmpty())
        m_fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

Card::~Card() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool Card::isMountRoot() const {
    if (m_fd < 0)
        return false;
#ifdef STATX_ATTR_MOUNT_ROOT
    // Knows bind mounts too, which share the device of the folder below them.
    struct statx sx {};
    if (::statx(m_fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &sx) == 0 &&
        (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT))
        return (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
#endif
    struct stat self {
    }, parent{};
    if (::fstat(m_fd, &self) != 0 || ::fstatat(m_fd, "..", &parent, 0) != 0)
        return false;
    // Another device than the folder it sits in, or the top of everything.
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

QString Card::overlap(const CopyStep& step, const Source& source, const QList<QByteArray>& read) const {
    const std::optional<QByteArray> card = realPath(QFile::encodeName(m_root));
    const std::optional<QByteArray> package = realPath(QFile::encodeName(m_package));
    if (!card || !package)
        return Messages::why(errno);
    // The deepest card folder of the step's target that exists: the target, its destination or the
    // card itself; what the step writes goes there or below.
    QByteArray deepest = *card;
    std::optional<Id> target;
    Fd into(::fcntl(m_fd, F_DUPFD_CLOEXEC, 0));
    if (!step.destination.isEmpty()) {
        const std::optional<QByteArray> name = cardEntry(m_fd, QFile::encodeName(step.destination));
        into = Fd(name ? ::openat(m_fd, name->constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC) : -1);
        if (into)
            deepest += '/' + *name;
    }
    if (into)
        if (const std::optional<QByteArray> name = cardEntry(into.get(), source.name)) {
            deepest += '/' + *name;
            target = idAt(deepest);
        }
    const QSet<Id> above = chain(deepest);
    const bool overlaps = std::any_of(read.begin(), read.end(), [&](const QByteArray& r) {
        const std::optional<Id> id = idAt(r);
        return id && (above.contains(*id) || (target && chain(r).contains(*target)));
    });
    if (!overlaps)
        return QString();
    const std::optional<Id> cardId = idAt(*card), packageId = idAt(*package);
    if (cardId && chain(*package).contains(*cardId))
        return kPackageOnCard;
    if (packageId && chain(*card).contains(*packageId))
        return kCardInPackage;
    return kOverlap;
}

bool Card::hold(const Progress& progress) {
    if (m_held)
        return true;
    // On the card's own top folder, so every process that copies onto this card sees it, and it
    // goes with this handle however the copy ends. A file system that keeps no locks has none.
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        const QString name = QFileInfo(m_root).fileName();
        progress(progressLine(name.isEmpty() ? m_root : name, kAnotherCopy));
        return false;
    }
    m_held = true;
    return true;
}

bool Card::check(const Plan& plan, const Progress& progress) {
    m_package = plan.package;
    m_checked.clear();
    if (m_fd < 0 || !hold(progress))
        return false;
    for (const QList<CopyStep>* stage : {&plan.stage1, &plan.stage2, &plan.stage3})
        for (const CopyStep& step : *stage) {
            StepSource found = findStep(plan.package, step.source, progress);
            bool missing = !found.scanner;
            std::optional<Source> source = found.scanner ? found.scanner->locate(found.parts, &missing) : std::nullopt;
            if (!source && missing)
                continue; // the copy stops there, after what comes before it
            if (!source)
                return false;
            // Before the source is read (a card inside it would be read too), and again for what
            // its links lead to.
            QString why = overlap(step, *source, found.scanner->read());
            if (why.isEmpty()) {
                if (!found.scanner->read(*source))
                    return false;
                why = overlap(step, *source, found.scanner->read());
            }
            if (!why.isEmpty()) {
                progress(progressLine(found.parts.join(u'/'), why));
                return false;
            }
            if (const std::optional<QString> line =
                    inTheWayOfStep(m_fd, step.destination, *source, found.parts.join(u'/'))) {
                progress(*line);
                return false;
            }
            m_checked.insert(step.source, std::make_shared<const Source>(std::move(*source)));
        }
    return true;
}

bool Card::copy(const QString& source, const QString& destination, const Progress& progress) {
    if (m_fd < 0 || !hold(progress))
        return false;
    const std::shared_ptr<const Source> checked = m_checked.value(source);
    std::optional<Source> scanned;
    const Source* entry = checked.get();
    if (!entry) {
        StepSource found = findStep(m_package, source, progress);
        bool missing = !found.scanner;
        if (found.scanner)
            scanned = found.scanner->locate(found.parts, &missing);
        if (scanned && !found.scanner->read(*scanned))
            return false;
        if (!scanned && !missing)
            return false;
        if (scanned)
            entry = &*scanned;
    }
    Writer writer(progress, m_kernelCopy);
    const QByteArray name = entry ? entry->name : QFile::encodeName(QFileInfo(source).fileName());
    Fd into;
    QByteArray intoName;
    if (destination.isEmpty()) {
        into = Fd(::fcntl(m_fd, F_DUPFD_CLOEXEC, 0));
    } else if (const std::optional<QList<Listed>> top = list(m_fd)) {
        const QByteArray wanted = QFile::encodeName(destination);
        const std::optional<Listed> found = Names(*top).find(wanted);
        intoName = found ? found->name : wanted;
        into = destinationFolder(m_fd, intoName);
    }
    // A missing source fails only now, after its destination folder was made.
    if (!entry)
        return writer.stop(progressLine(display(name), Messages::why(ENOENT)));
    if (!into)
        return writer.stop(
            progressLine(entry->folder ? folderLine(name) : display(name),
                         errno == ENOTDIR ? inTheWay(display(intoName), DT_REG, true) : Messages::why(errno)));
    return writer.into(into.get(), *entry);
}

bool Card::runSteps(const QList<CopyStep>& steps, const Progress& progress) {
    for (const CopyStep& step : steps)
        if (!copy(step.source, step.destination, progress))
            return false;
    return true;
}

bool Card::sync() {
    if (m_fd < 0)
        return false;
    // A file system in user space (exfat-fuse) writes its own tables out only when a file or folder
    // is synced; syncfs alone does not reach them.
    if (::fsync(m_fd) != 0 && errno != EINVAL && errno != ENOSYS)
        return false;
    return ::syncfs(m_fd) == 0;
}
QString progressLine(const QString& entry, const QString& reason) {
    return reason.isEmpty() ? entry : QStringLiteral("%1\n%2").arg(entry, reason);
}
} // namespace PackageCopy
