#include "PackageCopy.h"

#include "FileIO.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace PackageCopy {
namespace {
constexpr QDir::Filters kAllEntries = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

QString Nfc(const QString& s) {
    return s.normalized(QString::NormalizationForm_C);
}

bool Present(const QString& path) {
    const QFileInfo fi(path);
    return fi.exists() || fi.isSymLink();
}

// The path with every existing part resolved (links, "..") and the missing rest appended.
QString Resolved(const QString& path) {
    const QFileInfo fi(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
    if (fi.exists())
        return fi.canonicalFilePath();
    const QString parent = fi.absolutePath();
    if (parent == fi.absoluteFilePath())
        return parent;
    return QDir(Resolved(parent)).filePath(fi.fileName());
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

private:
    int m_fd;
};

// Names are bytes on disk; the progress line shows them decoded as far as they decode.
QString Display(const QByteArray& name) {
    return QString::fromUtf8(name);
}

std::optional<QString> Decoded(const QByteArray& name) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString s = decoder(name);
    if (decoder.hasError())
        return std::nullopt;
    return s;
}

// The names in the open folder, in the order the file system lists them; nothing when the folder
// cannot be read to its end (a folder listed only in part would be copied only in part).
std::optional<QList<QByteArray>> List(int dirFd) {
    const int fd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return std::nullopt;
    }
    QList<QByteArray> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    const bool complete = errno == 0;
    ::closedir(dir);
    if (!complete)
        return std::nullopt;
    return names;
}

// A card folder's entries, to find the one that stands for a package entry: the same bytes, else,
// for a name that decodes, the same name in the other Unicode form.
class Names {
public:
    explicit Names(const QList<QByteArray>& names) {
        for (const QByteArray& n : names) {
            m_exact.insert(n);
            if (const std::optional<QString> s = Decoded(n))
                m_composed.insert(Nfc(*s), n);
        }
    }
    QByteArray Find(const QByteArray& name) const {
        if (m_exact.contains(name))
            return name;
        if (const std::optional<QString> s = Decoded(name))
            return m_composed.value(Nfc(*s), name);
        return name;
    }

private:
    QSet<QByteArray> m_exact;
    QHash<QString, QByteArray> m_composed;
};

// Copies the bytes, in the kernel where it can (as cp does), else through a buffer.
bool CopyData(int in, QFileDevice& out) {
    for (bool first = true;; first = false) {
        const ssize_t n = ::copy_file_range(in, nullptr, out.handle(), nullptr, 1 << 30, 0);
        if (n == 0)
            return true;
        if (n < 0) {
            // Another file system, or one that cannot: only the first call may fall back.
            if (first && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
                break;
            return false;
        }
    }
    static QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), size_t(buffer.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (out.write(buffer.constData(), n) != n)
            return false;
    }
}

using Id = QPair<quint64, quint64>;
Id IdOf(const struct stat& st) {
    return {quint64(st.st_dev), quint64(st.st_ino)};
}

// One call of the copy. Package entries are opened relative to their folder and never through a
// link below the step's source; card entries likewise below the card's folder.
class Copier {
public:
    explicit Copier(const Progress& progress) : m_progress(progress) {}

    // The card folder name of the open folder parent, made a real folder when it is missing or a
    // link (a link is replaced, never descended into); a file in the way is left and fails.
    Fd TargetFolder(int parent, const QByteArray& name, bool* created = nullptr) {
        struct stat st {};
        bool present = ::fstatat(parent, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
        if (present && S_ISLNK(st.st_mode) && ::unlinkat(parent, name.constData(), 0) == 0)
            present = false;
        const bool made = !present && ::mkdirat(parent, name.constData(), 0777) == 0;
        if (created)
            *created = made;
        Fd fd(::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        // Every folder the copy writes into loses the tool's own leftovers of an interrupted copy.
        if (fd)
            FileIO::RemoveStaleTemps(fd.get());
        return fd;
    }

    // Copies the entry name of the package folder src (st: its status) into the open card folder
    // dst, as dst's entry target.
    bool Entry(int src, const QByteArray& name, const struct stat& st, bool follow, int dst, const QByteArray& target,
               FileIO::SafeWriteBatch& files) {
        if (S_ISDIR(st.st_mode))
            return Folder(src, name, follow, dst, target);
        if (S_ISREG(st.st_mode))
            return File(src, name, follow, dst, target, files);
        // A fifo, a socket or a device is no part of a package.
        return Stop(Display(name));
    }

    bool Stop(const QString& line) {
        m_progress(line);
        return false;
    }

private:
    bool File(int src, const QByteArray& name, bool follow, int dst, const QByteArray& target,
              FileIO::SafeWriteBatch& files) {
        const Fd in(::openat(src, name.constData(), O_RDONLY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW)));
        struct stat st {};
        bool ok = in && ::fstat(in.get(), &st) == 0 && S_ISREG(st.st_mode);
        if (ok) {
            // An empty folder in the way goes; a full one makes the write refuse.
            struct stat old {};
            if (::fstatat(dst, target.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(old.st_mode))
                ::unlinkat(dst, target.constData(), AT_REMOVEDIR);
            // One new file beside its old one at a time, so a card with room for the package and
            // its largest file takes a repeat copy. The caller syncs the card before success.
            ok = files.AddAt(dst, target, [&](QFileDevice& out) { return CopyData(in.get(), out); }) &&
                 files.Commit(nullptr, FileIO::SafeWriteBatch::Sync::ByCaller);
        }
        m_progress(Display(name));
        return ok;
    }

    bool Folder(int src, const QByteArray& name, bool follow, int dst, const QByteArray& target) {
        const QString line = QStringLiteral("Create as ") + Display(target);
        const Fd from(::openat(src, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW)));
        if (!from)
            return Stop(line);
        bool created = false;
        const Fd to = TargetFolder(dst, target, &created);
        m_progress(line);
        struct stat fromSt {
        }, toSt{};
        if (!to || ::fstat(from.get(), &fromSt) != 0 || ::fstat(to.get(), &toSt) != 0)
            return false;
        // Never into a folder being copied, nor out of one being written: that would not end.
        const Id fromId = IdOf(fromSt), toId = IdOf(toSt);
        if (fromId == toId || m_sources.contains(toId) || m_targets.contains(fromId))
            return false;
        const std::optional<QList<QByteArray>> entries = List(from.get());
        if (!entries)
            return false;
        std::optional<QList<QByteArray>> existing = QList<QByteArray>();
        if (!created)
            existing = List(to.get());
        if (!existing)
            return false;
        const Names names(*existing);
        m_sources.append(fromId);
        m_targets.append(toId);
        FileIO::SafeWriteBatch files;
        bool ok = true;
        for (const QByteArray& entry : *entries) {
            struct stat st {};
            if (::fstatat(from.get(), entry.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                ok = Stop(Display(entry));
                break;
            }
            // A link could lead out of the package (or in a circle): leave it behind.
            if (S_ISLNK(st.st_mode))
                continue;
            if (!Entry(from.get(), entry, st, false, to.get(), names.Find(entry), files)) {
                ok = false;
                break;
            }
        }
        m_sources.removeLast();
        m_targets.removeLast();
        return ok;
    }

    const Progress& m_progress;
    QList<Id> m_sources; // package folders being copied
    QList<Id> m_targets; // card folders being written
};
} // namespace

QStringList PackageEntries() {
    return {QStringLiteral("ADDON"), QStringLiteral("ロビ(初販版,再販版,第三版)"), QStringLiteral("ロビのココロ2"),
            QStringLiteral("ロビのココロ2DX"), QStringLiteral("ロビクル")};
}

QStringList VariantFolders() {
    return PackageEntries().mid(1);
}

QStringList VariantItems() {
    return {QStringLiteral("ロビ(初販版,再販版,第三版)"), QStringLiteral("ロビのココロ２"),
            QStringLiteral("ロビのココロ２DX"), QStringLiteral("ロビクル")};
}

FolderItem FindEntry(const QString& folder, const QString& name) {
    if (folder.isEmpty() || name.isEmpty())
        return std::nullopt;
    const QString direct = QDir(folder).filePath(name);
    if (Present(direct))
        return direct;
    // A name with one form only can only be found under that name.
    if (Nfc(name) == name.normalized(QString::NormalizationForm_D) || !QFileInfo(folder).isDir())
        return std::nullopt;
    // The disk may hold the name composed or decomposed: compare normalised names.
    const QString wanted = Nfc(name);
    QDirIterator it(folder, kAllEntries);
    while (it.hasNext()) {
        it.next();
        if (Nfc(it.fileName()) == wanted)
            return it.filePath();
    }
    return std::nullopt;
}

QString EntryPath(const QString& folder, const QString& name) {
    return FindEntry(folder, name).value_or(QDir(folder).filePath(name));
}

bool IsPackageFolder(const QString& folder) {
    const QStringList names = PackageEntries();
    return std::all_of(names.begin(), names.end(), [&](const QString& n) { return Exists(FindEntry(folder, n)); });
}

int CardRow(const QList<VolumeInfo>& volumes) {
    int row = 0;
    for (int i = 0; i < volumes.size(); ++i)
        if (Exists(Child(volumes[i].root, QStringLiteral("SD_WLAN"))))
            row = i;
    return row;
}

Plan MakePlan(const QString& package, int variant) {
    Plan plan;
    plan.stage1 = {{EntryPath(package, QStringLiteral("ADDON")), QString()}};
    if (variant < 0 || variant >= VariantFolders().size())
        return plan;
    const QString folder = EntryPath(package, VariantFolders()[variant]);
    // Into the card itself, or into the card's entry named like the source.
    auto file = [&](const QString& name) { return CopyStep{EntryPath(folder, name), QString()}; };
    auto sub = [&](const QString& name) {
        const QString source = EntryPath(folder, name);
        return CopyStep{source, QFileInfo(source).fileName()};
    };
    // Each variant's folder holds the three; a missing one is a failure, not a reason to skip.
    if (Exists(folder))
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

bool TargetInsideSource(const QString& card, const CopyStep& step) {
    const QFileInfo source(step.source);
    if (!source.exists())
        return false;
    const QString destination = step.destination.isEmpty() ? card : EntryPath(card, step.destination);
    const QString s = Nfc(source.canonicalFilePath());
    const QString t = Nfc(Resolved(EntryPath(destination, source.fileName())));
    return t == s || t.startsWith(s.endsWith(u'/') ? s : s + u'/');
}

bool AnyTargetInsideSource(const QString& card, const Plan& plan) {
    for (const QList<CopyStep>* stage : {&plan.stage1, &plan.stage2, &plan.stage3})
        for (const CopyStep& step : *stage)
            if (TargetInsideSource(card, step))
                return true;
    return false;
}

bool IsListed(const QString& root, const QList<VolumeInfo>& volumes) {
    const QString wanted = QDir::cleanPath(root);
    return std::any_of(volumes.begin(), volumes.end(),
                       [&](const VolumeInfo& v) { return QDir::cleanPath(v.root) == wanted; });
}

Card::Card(const QString& root) {
    if (!root.isEmpty())
        m_fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

Card::~Card() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool Card::IsMountRoot() const {
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

bool Card::CopyFileOrFolder(const QString& source, const QString& destination, const Progress& progress) {
    if (m_fd < 0)
        return false;
    Copier copier(progress);
    const QFileInfo src(source);
    const QByteArray name = QFile::encodeName(src.fileName());
    Fd into;
    if (destination.isEmpty()) {
        into = Fd(::fcntl(m_fd, F_DUPFD_CLOEXEC, 0));
        if (into)
            FileIO::RemoveStaleTemps(into.get());
    } else if (const std::optional<QList<QByteArray>> top = List(m_fd)) {
        into = copier.TargetFolder(m_fd, Names(*top).Find(QFile::encodeName(destination)));
    }
    // The package's own top level is read as the user chose it, links and all.
    const Fd parent(::open(QFile::encodeName(src.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (!parent || name.isEmpty() || ::fstatat(parent.get(), name.constData(), &st, 0) != 0)
        return copier.Stop(Display(name));
    const QString stopLine = S_ISDIR(st.st_mode) ? QStringLiteral("Create as ") + Display(name) : Display(name);
    if (!into)
        return copier.Stop(stopLine);
    const std::optional<QList<QByteArray>> existing = List(into.get());
    if (!existing)
        return copier.Stop(stopLine);
    FileIO::SafeWriteBatch files;
    return copier.Entry(parent.get(), name, st, true, into.get(), Names(*existing).Find(name), files);
}

bool Card::RunSteps(const QList<CopyStep>& steps, const Progress& progress) {
    for (const CopyStep& step : steps)
        if (!CopyFileOrFolder(step.source, step.destination, progress))
            return false;
    return true;
}

bool Card::Sync() {
    return m_fd >= 0 && ::syncfs(m_fd) == 0;
}
} // namespace PackageCopy
