// The package check: everything the copy will read, read before anything is written, and held to
// what the card can take.
#include "PackageCopy.h"
#include "PackageParts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace PackageCopy {
using FileIO::Fd;
using FileIO::Step;

namespace {
// Why a card cannot hold the name of a package entry; nothing when it can. FAT and exFAT keep names
// as UTF-16 and forbid control characters and " * / : < > ? \ | in them. Trailing dots and blanks
// are kept as they are.
std::optional<QString> nameRefusal(const QByteArray& name) {
    const std::optional<QString> decoded = utf8Name(name);
    if (!decoded)
        return notUtf8();
    for (const QChar c : *decoded)
        if (c.unicode() < 0x20 || QStringView(u"\"*:<>?\\|").contains(c))
            return cannotHold(c);
    return std::nullopt;
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

Scanner::Scanner(const QByteArray& package, const Progress& progress) : m_package(package), m_progress(progress) {
    m_inside = package.endsWith('/') ? package : package + '/';
}

std::optional<Source> Scanner::locate(const QStringList& parts, bool* missing) {
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
            return refuse(m_shown, {errno, Step::Open});
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
        return refuse(m_shown, {errno, Step::Open});
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        return refuse(m_shown, {kNotFileOrFolder, Step::Open});
    Source top;
    top.name = QFile::encodeName(parts.isEmpty() ? QString() : parts.last());
    top.real = real;
    top.id = idOf(st);
    top.folder = S_ISDIR(st.st_mode);
    m_read.append(real);
    return top;
}

bool Scanner::read(Source& top) {
    if (!top.folder)
        return true;
    const Fd fd(::open(top.real.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) {
        refuse(m_shown, {errno, Step::Open});
        return false;
    }
    return fill(top, fd.get(), top.real, m_shown);
}

std::nullopt_t Scanner::refuse(const QString& shown, const FileIO::Failure& failure) {
    return refuse(shown, reason(failure));
}

std::nullopt_t Scanner::refuse(const QString& shown, const QString& reason) {
    m_progress(progressLine(shown, reason));
    return std::nullopt;
}

std::optional<QByteArray> Scanner::resolve(const QByteArray& link, const QString& shown) {
    const std::optional<QByteArray> target = realPath(link);
    if (!target)
        return refuse(shown, {errno == ENOENT || errno == ENOTDIR ? kDangling : errno, Step::Open});
    // The package itself holds the link: copying it would never end.
    if (*target == m_package)
        return refuse(shown, {ELOOP, Step::Open});
    if (!target->startsWith(m_inside))
        return refuse(shown, {kOutside, Step::Open});
    return target;
}

bool Scanner::fill(Source& folder, int fd, const QByteArray& real, const QString& shown) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        refuse(shown, {errno, Step::Open});
        return false;
    }
    // A folder met again below itself (a mount of it inside it) would never end either.
    if (m_ids.contains(idOf(st))) {
        refuse(shown, {ELOOP, Step::Open});
        return false;
    }
    int error = 0;
    const std::optional<QList<Listed>> entries = list(fd, &error);
    if (!entries) {
        refuse(shown, {error, Step::Read});
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

std::optional<Source> Scanner::make(int dirFd, const QByteArray& dirReal, const QByteArray& name,
                                    const QString& shown) {
    struct stat st {};
    if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return refuse(shown, {errno, Step::Open});
    Source entry;
    entry.name = name;
    QByteArray real = dirReal + '/' + name;
    if (S_ISLNK(st.st_mode)) {
        const std::optional<QByteArray> target = resolve(real, shown);
        if (!target)
            return std::nullopt;
        if (::stat(target->constData(), &st) != 0)
            return refuse(shown, {errno, Step::Open});
        real = entry.real = *target;
        // A link to a folder that holds it, or that holds a folder being read, never ends.
        if (S_ISDIR(st.st_mode))
            for (const QByteArray& open : m_stack)
                if (open == real || open.startsWith(real + '/'))
                    return refuse(shown, {ELOOP, Step::Open});
        m_read.append(real);
    }
    entry.id = idOf(st);
    if (S_ISREG(st.st_mode))
        return entry;
    if (!S_ISDIR(st.st_mode))
        return refuse(shown, {kNotFileOrFolder, Step::Open});
    entry.folder = true;
    const Fd fd(entry.real.isEmpty()
                    ? ::openat(dirFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                    : ::open(real.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd)
        return refuse(shown, {errno, Step::Open});
    if (!fill(entry, fd.get(), real, shown))
        return std::nullopt;
    return entry;
}

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

std::optional<FileIO::Failure> Card::overlap(const CopyStep& step, const Source& source,
                                             const QList<QByteArray>& read) const {
    const std::optional<QByteArray> card = realPath(QFile::encodeName(m_root));
    const std::optional<QByteArray> package = realPath(QFile::encodeName(m_package));
    if (!card || !package)
        return FileIO::Failure{errno, Step::Open};
    // The deepest card folder of the step's target that exists: the target, its destination or the
    // card itself; what the step writes goes there or below.
    QByteArray deepest = *card;
    std::optional<Id> target;
    Fd into(::fcntl(m_fd.get(), F_DUPFD_CLOEXEC, 0));
    if (!step.destination.isEmpty()) {
        const std::optional<QByteArray> name = cardEntry(m_fd.get(), QFile::encodeName(step.destination));
        into = Fd(name ? ::openat(m_fd.get(), name->constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC) : -1);
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
        return std::nullopt;
    const std::optional<Id> cardId = idAt(*card), packageId = idAt(*package);
    if (cardId && chain(*package).contains(*cardId))
        return FileIO::Failure{kPackageOnCard, Step::Check};
    if (packageId && chain(*card).contains(*packageId))
        return FileIO::Failure{kCardInPackage, Step::Check};
    return FileIO::Failure{kOverlap, Step::Check};
}

bool Card::hold(const Progress& progress) {
    if (m_held)
        return true;
    // On the card's own top folder, so every process that copies onto this card sees it, and it
    // goes with this handle however the copy ends. A file system that keeps no locks has none.
    if (::flock(m_fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        const QString name = QFileInfo(m_root).fileName();
        progress(progressLine(name.isEmpty() ? m_root : name, anotherCopy()));
        return false;
    }
    m_held = true;
    return true;
}

bool Card::check(const Plan& plan, const Progress& progress) {
    m_package = plan.package;
    m_checked.clear();
    if (!m_fd || !hold(progress))
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
            std::optional<FileIO::Failure> failure = overlap(step, *source, found.scanner->read());
            if (!failure) {
                if (!found.scanner->read(*source))
                    return false;
                failure = overlap(step, *source, found.scanner->read());
            }
            if (failure) {
                progress(progressLine(found.parts.join(u'/'), reason(*failure)));
                return false;
            }
            if (const std::optional<QString> line =
                    inTheWayOfStep(m_fd.get(), step.destination, *source, found.parts.join(u'/'))) {
                progress(*line);
                return false;
            }
            m_checked.insert(step.source, std::make_shared<const Source>(std::move(*source)));
        }
    return true;
}
} // namespace PackageCopy
