// The copy onto the card: what the check read, written below the card's folder by the names' own
// bytes and through no link.
#include "PackageCopy.h"
#include "PackageParts.h"

#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace PackageCopy {
using FileIO::Fd;
using FileIO::Step;

namespace {
// Takes out of the listing, and off the card, what an interrupted copy left in this folder: the
// tool's temporary files and folders that no running copy holds locked. Other names stay. The
// batch that writes there need not look again.
void removeStale(int dirFd, QList<Listed>& entries, FileIO::SafeWriteBatch& files) {
    entries.removeIf([&](const Listed& e) { return FileIO::removeIfStale(dirFd, e.name); });
    files.markCleaned(dirFd);
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

// The progress line of a copy whose writers may run side by side: one line at a time, and after the
// first failure no other, so the line keeps naming the entry that failed and why.
class Report {
public:
    explicit Report(const Progress& progress) : m_progress(progress) {}
    void line(const QString& text) {
        const std::lock_guard lock(m_mutex);
        if (!m_failed)
            m_progress(text);
    }
    bool stop(const QString& text) {
        const std::lock_guard lock(m_mutex);
        if (!m_failed.exchange(true))
            m_progress(text);
        return false;
    }
    bool failed() const { return m_failed; }

private:
    const Progress& m_progress;
    std::mutex m_mutex;
    std::atomic<bool> m_failed = false;
};

// One step written onto the card from what the scan read. Package entries are opened by name in
// their folder (or, behind a link, by the real path the scan found) and must still be what the scan
// found; card entries are reached only below the card's folder and never through a link.
class Writer {
public:
    Writer(Report& report, std::atomic<int>& kernelCopy) : m_report(report), m_kernelCopy(kernelCopy) {}

    // Puts entry into the open card folder dir.
    bool into(int dir, const Source& entry) {
        int error = 0;
        std::optional<QList<Listed>> entries = list(dir, &error);
        if (!entries)
            return stop(entry.folder ? folderLine(entry.name) : display(entry.name), {error, Step::Read});
        FileIO::SafeWriteBatch files;
        removeStale(dir, *entries, files);
        return put(dir, Names(*entries).find(entry.name), -1, entry, files);
    }

    bool stop(const QString& line) { return m_report.stop(line); }
    bool stop(const QString& line, const FileIO::Failure& failure) { return stop(progressLine(line, reason(failure))); }

private:
    // Opens the package entry in its open folder src (or by its real path) as the scan found it.
    Fd open(int src, const Source& e, FileIO::Failure* failure) {
        const int flags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | (e.folder ? O_DIRECTORY : O_NONBLOCK);
        Fd fd(e.real.isEmpty() ? ::openat(src, e.name.constData(), flags) : ::open(e.real.constData(), flags));
        struct stat st {};
        if (!fd || ::fstat(fd.get(), &st) != 0) {
            *failure = {errno, Step::Open};
            return Fd();
        }
        if (idOf(st) != e.id || S_ISDIR(st.st_mode) != e.folder) {
            *failure = {FileIO::kChanged, Step::Open};
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
        FileIO::Failure failure;
        if (e.folder) {
            // A link on the card in the way is replaced, never followed.
            if (existing && existing->type == DT_LNK && ::unlinkat(dst, existing->name.constData(), 0) == 0)
                existing.reset();
            if (!existing)
                return fresh(dst, src, e);
            const QString line = folderLine(existing->name);
            const Fd from = open(src, e, &failure);
            if (!from)
                return stop(line, failure);
            if (existing->type != DT_DIR)
                return stop(line, {kFileInTheWay, Step::Check});
            const Fd to = openFolder(dst, existing->name);
            m_report.line(line);
            if (!to)
                return stop(line, {errno, Step::Open});
            return merge(to.get(), from.get(), e);
        }
        const Fd in = open(src, e, &failure);
        if (!in)
            return stop(display(e.name), failure);
        const QByteArray target = existing ? existing->name : e.name;
        // A repeat copy leaves a file that already holds the same bytes as it is.
        if (existing && existing->type == DT_REG && sameBytes(dst, target, in.get())) {
            m_report.line(display(e.name));
            return true;
        }
        // An empty folder in the way goes; a full one makes the write refuse.
        if (existing && existing->type == DT_DIR)
            ::unlinkat(dst, target.constData(), AT_REMOVEDIR);
        // Each new file beside its old one, committed at once, so a repeat copy needs room for no
        // more than the files being written. The caller syncs the card before success.
        int code = 0;
        const bool ok =
            files.addAt(
                dst, target, [&](QFileDevice& out) { return copyData(in.get(), out.handle(), &code); }, &failure) &&
            files.commit(&failure, FileIO::SafeWriteBatch::Sync::ByCaller);
        if (!ok)
            return stop(display(e.name), failure);
        m_report.line(display(e.name));
        return true;
    }

    // The package folder e (open as src) merged into the open card folder dst.
    bool merge(int dst, int src, const Source& e) {
        struct stat st {};
        if (::fstat(dst, &st) != 0 || idOf(st) == e.id)
            return stop(folderLine(e.name), {kOverlap, Step::Check});
        int error = 0;
        std::optional<QList<Listed>> entries = list(dst, &error);
        if (!entries)
            return stop(folderLine(e.name), {error, Step::Read});
        FileIO::SafeWriteBatch files;
        removeStale(dst, *entries, files);
        const Names names(*entries);
        std::vector<const Source*> fileEntries;
        for (const Source& child : e.children)
            if (!child.folder)
                fileEntries.push_back(&child);
        if (!putFiles(dst, src, names, fileEntries, files))
            return false;
        for (const Source& child : e.children)
            if (child.folder && !put(dst, names.find(child.name), src, child, files))
                return false;
        return true;
    }

    // The files of a folder the card holds, two at a time: a card's driver in user space (FUSE)
    // answers one request after another, and a second writer keeps it busy while the first waits.
    // So a repeat copy needs room for the package and its two largest files.
    bool putFiles(int dst, int src, const Names& names, const std::vector<const Source*>& entries,
                  FileIO::SafeWriteBatch& files) {
        std::atomic<size_t> next = 0;
        std::atomic<bool> failed = false;
        auto run = [&](Writer& writer, FileIO::SafeWriteBatch& batch) {
            for (size_t i = 0; !failed && !m_report.failed() && (i = next++) < entries.size();)
                if (!writer.put(dst, names.find(entries[i]->name), src, *entries[i], batch))
                    failed = true;
        };
        Writer second(m_report, m_kernelCopy);
        FileIO::SafeWriteBatch secondFiles;
        std::optional<std::thread> other;
        if (entries.size() > 1) {
            secondFiles.markCleaned(dst);
            try {
                other.emplace([&] { run(second, secondFiles); });
            } catch (const std::system_error&) {
                // No thread to be had: one writer does it all.
            }
        }
        run(*this, files);
        if (other)
            other->join();
        return !failed && !m_report.failed();
    }

    // A folder the card does not hold yet: written whole under a temporary name, then renamed once,
    // so no file stands half written under its real name. After a failure what was written is kept
    // under the real name too (without the file that failed), as a merge keeps it.
    bool fresh(int dst, int src, const Source& e) {
        const QString line = folderLine(e.name);
        FileIO::Failure failure;
        const Fd from = open(src, e, &failure);
        if (!from)
            return stop(line, failure);
        QByteArray temp;
        for (int attempt = 0; attempt < 20; ++attempt) {
            temp = FileIO::tempName();
            if (::mkdirat(dst, temp.constData(), 0777) == 0)
                break;
            if (errno != EEXIST || attempt == 19)
                return stop(line, {errno, Step::Write});
        }
        Fd to = openFolder(dst, temp);
        if (!to) {
            const int code = errno;
            ::unlinkat(dst, temp.constData(), AT_REMOVEDIR);
            return stop(line, {code, Step::Write});
        }
        // Held while it is written, so that no other copy takes it for a leftover.
        ::flock(to.get(), LOCK_EX | LOCK_NB);
        m_report.line(line);
        const bool written = writeNew(to.get(), from.get(), e);
        if (::renameat(dst, temp.constData(), dst, e.name.constData()) != 0) {
            // What this copy wrote never stays under the temporary name.
            const int code = errno;
            FileIO::removeContents(to.get());
            ::unlinkat(dst, temp.constData(), AT_REMOVEDIR);
            return written ? stop(line, {code, Step::Rename}) : false;
        }
        return written;
    }

    // The content of the package folder e (open as src) into the new, empty card folder dst.
    bool writeNew(int dst, int src, const Source& e) {
        FileIO::Failure failure;
        for (const Source& child : e.children) {
            const Fd from = open(src, child, &failure);
            if (child.folder) {
                const QString line = folderLine(child.name);
                if (!from)
                    return stop(line, failure);
                if (::mkdirat(dst, child.name.constData(), 0777) != 0)
                    return stop(line, {errno, Step::Write});
                const Fd to = openFolder(dst, child.name);
                m_report.line(line);
                if (!to)
                    return stop(line, {errno, Step::Open});
                if (!writeNew(to.get(), from.get(), child))
                    return false;
                continue;
            }
            const QString line = display(child.name);
            if (!from)
                return stop(line, failure);
            Fd out(::openat(dst, child.name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
            if (!out)
                return stop(line, {errno, Step::Write});
            int code = 0;
            bool ok = copyData(from.get(), out.get(), &code);
            if (!out.close() && ok) {
                ok = false;
                code = errno;
            }
            if (!ok) {
                ::unlinkat(dst, child.name.constData(), 0);
                return stop(line, {code, Step::Write});
            }
            m_report.line(line);
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
        // Read once: the other writer may find it out meanwhile.
        const int kernelCopy = m_kernelCopy;
        for (bool first = true; kernelCopy != 0;) {
            const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
            if (n == 0)
                return true;
            if (n > 0) {
                m_kernelCopy = 1;
                first = false;
                continue;
            }
            if (kernelCopy == -1 && first &&
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

    Report& m_report;
    std::atomic<int>& m_kernelCopy;
    QByteArray m_buffer;
};
} // namespace

Card::Card(const QString& root) : m_root(root) {
    if (!root.isEmpty())
        m_fd = Fd(::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

Card::~Card() = default;

bool Card::isMountRoot() const {
    if (!m_fd)
        return false;
#ifdef STATX_ATTR_MOUNT_ROOT
    // Knows bind mounts too, which share the device of the folder below them.
    struct statx sx {};
    if (::statx(m_fd.get(), "", AT_EMPTY_PATH, STATX_BASIC_STATS, &sx) == 0 &&
        (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT))
        return (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
#endif
    struct stat self {
    }, parent{};
    if (::fstat(m_fd.get(), &self) != 0 || ::fstatat(m_fd.get(), "..", &parent, 0) != 0)
        return false;
    // Another device than the folder it sits in, or the top of everything.
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

bool Card::copy(const QString& source, const QString& destination, const Progress& progress) {
    if (!m_fd || !hold(progress))
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
    Report report(progress);
    Writer writer(report, m_kernelCopy);
    const QByteArray name = entry ? entry->name : QFile::encodeName(QFileInfo(source).fileName());
    Fd into;
    QByteArray intoName;
    if (destination.isEmpty()) {
        into = Fd(::fcntl(m_fd.get(), F_DUPFD_CLOEXEC, 0));
    } else if (const std::optional<QList<Listed>> top = list(m_fd.get())) {
        const QByteArray wanted = QFile::encodeName(destination);
        const std::optional<Listed> found = Names(*top).find(wanted);
        intoName = found ? found->name : wanted;
        into = destinationFolder(m_fd.get(), intoName);
    }
    // A missing source fails only now, after its destination folder was made.
    if (!entry)
        return writer.stop(display(name), {ENOENT, Step::Open});
    if (!into) {
        const QString line = entry->folder ? folderLine(name) : display(name);
        if (errno == ENOTDIR)
            return writer.stop(progressLine(line, inTheWay(display(intoName), DT_REG, true)));
        return writer.stop(line, {errno, Step::Open});
    }
    return writer.into(into.get(), *entry);
}

bool Card::runSteps(const QList<CopyStep>& steps, const Progress& progress) {
    for (const CopyStep& step : steps)
        if (!copy(step.source, step.destination, progress))
            return false;
    return true;
}

bool Card::sync(FileIO::Failure* failure) {
    // A file system in user space (exfat-fuse) writes its own tables out only when a file or folder
    // is synced; syncfs alone does not reach them.
    const bool ok =
        m_fd && (::fsync(m_fd.get()) == 0 || errno == EINVAL || errno == ENOSYS) && ::syncfs(m_fd.get()) == 0;
    if (!ok && failure)
        *failure = {!m_fd ? EBADF : errno, Step::Sync};
    return ok;
}
} // namespace PackageCopy
