#pragma once
// Whole-file reading and the one safe way the tool writes a user's file.
#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <unistd.h>
#include <utility>
#include <vector>

class QFileDevice;

namespace FileIO {
// Larger files are no page-set or card file; reading one whole would only exhaust memory.
inline constexpr qint64 kMaxReadSize = 64 * 1024 * 1024;

// What was being done when a read or a write failed.
enum class Step {
    Open,   // opening the file or its folder
    Read,   // reading the file
    Check,  // looking at the target before anything is written
    Create, // creating the temporary file beside the target
    Write,  // writing the new content
    Sync,   // putting it on the disk
    Rename, // renaming it over the target
};

// The tool's own reasons, where the system reports none. Negative, so never a system error code.
inline constexpr int kNotRegular = -1;   // a folder, fifo or device where a file must be
inline constexpr int kTooLarge = -2;     // larger than kMaxReadSize
inline constexpr int kStoppedShort = -3; // the content was not written whole, the system said nothing
inline constexpr int kNotAName = -4;     // not a plain file name
inline constexpr int kChanged = -5;      // changed on the disk since it was read

// A failed read or write as a value: the system's error code (errno) or one of the tool's own
// above, and the step. Messages::reason words it.
struct Failure {
    int error = 0;
    Step step = Step::Write;
};

// The bytes of a regular file (or of the regular file a link points at). Nothing when it is
// missing, cannot be opened or read, is larger than kMaxReadSize, or is anything else (a fifo or a
// device would block or never end); *failure then says which.
std::optional<QByteArray> readAll(const QString& path, Failure* failure = nullptr);

// The path of the entry name inside folder, whether or not the entry exists; empty when folder is
// empty or no existing folder, or name is not a plain name.
QString childPath(const QString& folder, const QString& name);

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
    // Gives the descriptor up without closing it.
    int release() { return std::exchange(m_fd, -1); }
    // Closes now, for the close's own result (a card reports a failed write there).
    bool close() { return ::close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};

// Every temporary file or folder of the tool is named kTempPrefix and eight letters or digits. Its
// length does not depend on the target's, so a name near the file system's limit can still be saved.
inline constexpr char kTempPrefix[] = ".pkltmp-";
// A new temporary name, random; the caller creates it exclusively and tries again when it exists.
QByteArray tempName();
bool isTempName(const QByteArray& name);
// Removes the entry name of the open folder when it is the tool's own temporary file or folder
// (a folder with everything in it, never through a link) that no running write holds locked: left
// by a crash or a pulled card. True when it was removed.
bool removeIfStale(int dirFd, const QByteArray& name);
// The same for every entry of the open folder. Entries of any other name are never touched.
void removeStaleTemps(int dirFd);
// Removes everything in the open folder, never through a link; the folder itself stays.
void removeContents(int dirFd);

using Fill = std::function<bool(QFileDevice&)>;

// Every write of a page-set or card file goes through here. Each new content goes to a temporary
// file beside its target; Commit puts all of them on the disk (one sync per file system) and only
// then renames each over its target, so a failure midway leaves the old file whole. Temporary
// files that were not committed are removed. Each pending file stays open until Commit (so no
// cleanup takes it for stale): keep batches small.
//
// Refused, with nothing written: a target that exists and that the user may not write, and a target
// that is not a regular file (a folder, a fifo, a device). A replaced file keeps its mode, and its
// owner and group where the process may set them. The first write into a folder removes the stale
// temporary files there.
class SafeWriteBatch {
public:
    SafeWriteBatch() = default;
    ~SafeWriteBatch();
    SafeWriteBatch(const SafeWriteBatch&) = delete;
    SafeWriteBatch& operator=(const SafeWriteBatch&) = delete;

    // Writes the new content of path through fill, which returns whether it wrote everything. On
    // failure nothing is left behind and the batch keeps what was added before, and *failure says
    // why. A link is written through, as the file it points at.
    bool add(const QString& path, const Fill& fill, Failure* failure = nullptr);
    // The same for the entry name (its bytes as on disk) of the open folder dirFd. The name is taken
    // as it stands: a link of that name is replaced by the new file, never written through.
    bool addAt(int dirFd, const QByteArray& name, const Fill& fill, Failure* failure = nullptr);

    // When the data goes to the disk: before the renames (a failure midway leaves every old file
    // whole), or later, by the caller, who renames at once and syncs the file system itself before
    // reporting success (the package copy, which replaces hundreds of files).
    enum class Sync { BeforeRename, ByCaller };
    // Syncs, then renames in the order added; stops at the first failure.
    bool commit(Failure* failure = nullptr, Sync sync = Sync::BeforeRename);
    // The caller has just removed the stale temporary files of the open folder (removeIfStale on its
    // own listing): the first write there need not list it again.
    void markCleaned(int dirFd);

private:
    struct Pending {
        Fd dirFd; // our own copy
        QByteArray temp;
        QByteArray target;
        Fd fd; // open, and locked, until the rename
    };
    void drop(Pending& p);
    std::vector<Pending> m_pending;
    QList<QPair<quint64, quint64>> m_cleaned; // folders (device, inode) whose stale files are gone
};

// One file through a batch of its own.
bool safeWrite(const QString& path, const Fill& fill, Failure* failure = nullptr);
bool safeWrite(const QString& path, const QByteArray& data, Failure* failure = nullptr);

// For tests: the next write fails after this many bytes (a full card, a pulled card).
void injectWriteFailure(qint64 afterBytes);
} // namespace FileIO
