#pragma once
// What the package check and the copy share, inside core only: what the check read of a source,
// folder listings by the names' own bytes matched as the card matches names, and the copy's own
// reasons beside FileIO's, worded once.
#include "FileIO.h"
#include "PackageCopy.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace PackageCopy {
// A file or folder by its device and inode.
using Id = QPair<quint64, quint64>;
inline Id idOf(const struct stat& st) {
    return {quint64(st.st_dev), quint64(st.st_ino)};
}

// What the check read of one entry of the package (or of one step's own source).
struct Source {
    QByteArray name; // the entry's own name in its package folder (a link's own name)
    bool folder = false;
    Id id; // what is read: the entry itself, or what its link leads to
    // The real path of what a link leads to, and of a step's own source; empty: the entry is opened
    // by its name in its folder.
    QByteArray real;
    std::vector<Source> children;
};

// The copy's own reasons, where the system reports none; negative like FileIO's and apart from them.
inline constexpr int kOutside = -101;         // a link that leads out of the package
inline constexpr int kDangling = -102;        // a link that leads nowhere
inline constexpr int kNotFileOrFolder = -103; // a fifo, a device, a socket
inline constexpr int kFileInTheWay = -104;    // a card file where a folder goes
inline constexpr int kPackageOnCard = -105;   // the copy would write into what it reads
inline constexpr int kCardInPackage = -106;
inline constexpr int kOverlap = -107;
// A link loop is ELOOP; a package entry changed since the check read it is FileIO::kChanged.

// Words a failure of the check or the copy: the copy's own reasons here, the rest as Messages does.
QString reason(const FileIO::Failure& failure);

// The messages (PackageMessages.cpp, in one place). The progress line's name of a folder being
// written, and of an entry (bytes on disk shown readably: Shift_JIS decoded where they are no
// UTF-8, escapes otherwise).
QString folderLine(const QByteArray& name);
QString display(const QByteArray& name);
// What the card holds at cardPath (type as readdir gives it) where the package needs a folder, or a
// file, that the copy does not replace.
QString inTheWay(const QString& cardPath, unsigned char type, bool folderWanted);
// Two entries of one package folder that the card holds as one name.
QString sameNameOnCard(const QByteArray& other);
// A name the card cannot hold: bytes that are no UTF-8, a character FAT and exFAT forbid.
QString notUtf8();
QString cannotHold(QChar c);
QString anotherCopy();

QString nfc(const QString& s);
// The name decoded, when it is UTF-8.
std::optional<QString> utf8Name(const QByteArray& name);
// The name as a card that ignores case and Unicode form knows it. Bytes that are no UTF-8 keep
// their bytes, with ASCII letters folded, and never meet a decoded name.
QString fold(const QByteArray& name);

struct Listed {
    QByteArray name;
    unsigned char type; // DT_DIR, DT_REG, DT_LNK, ..., DT_UNKNOWN where the file system does not say
};
// The entries of the open folder, in the order the file system lists them; nothing when the folder
// cannot be read to its end (a folder listed only in part would be copied only in part).
std::optional<QList<Listed>> list(int dirFd, int* error = nullptr);
// The kind of an entry of the open folder, asked of the file system where its listing does not say.
unsigned char typeOf(int dirFd, const Listed& e);

// A card folder's entries, to find the one that stands for a package entry: the same bytes, else
// the same name in either case and either Unicode form (one name on FAT and exFAT).
class Names {
public:
    explicit Names(const QList<Listed>& entries);
    std::optional<Listed> find(const QByteArray& name) const;

private:
    QList<Listed> m_entries;
    QHash<QByteArray, int> m_exact;
    QHash<QString, int> m_folded;
};

// The folder name of the open folder parent, never through a link.
FileIO::Fd openFolder(int parent, const QByteArray& name);
// The real path (no link, no "..") of path; nothing and errno set when it cannot be resolved.
std::optional<QByteArray> realPath(const QByteArray& path);

// Reads a step's source before anything is written: every folder listed to its end, every link
// resolved and held to the package, every folder's names held against each other as the card will
// hold them. A refusal sets the progress line.
class Scanner {
public:
    Scanner(const QByteArray& package, const Progress& progress);

    // The source at the path relative to the package (its parts as shown), each link on the way
    // resolved by the same rule; not read yet. Nothing, with *missing set, when it does not exist.
    std::optional<Source> locate(const QStringList& parts, bool* missing);
    // Reads what locate found, a folder to its last entry.
    bool read(Source& top);
    // The real paths the last step reads from: its source and what its links lead to.
    const QList<QByteArray>& read() const { return m_read; }

private:
    std::nullopt_t refuse(const QString& shown, const FileIO::Failure& failure);
    std::nullopt_t refuse(const QString& shown, const QString& reason);
    std::optional<QByteArray> resolve(const QByteArray& link, const QString& shown);
    bool fill(Source& folder, int fd, const QByteArray& real, const QString& shown);
    std::optional<Source> make(int dirFd, const QByteArray& dirReal, const QByteArray& name, const QString& shown);

    QByteArray m_package, m_inside;
    const Progress& m_progress;
    QList<QByteArray> m_stack; // real paths of the folders being read
    QList<Id> m_ids;
    QList<QByteArray> m_read;
    QString m_shown;
};

// A step's source as the scanner finds it: below the package folder, where its links may lead; a
// source outside the package is read as a package of its own.
struct StepSource {
    std::optional<Scanner> scanner;
    QStringList parts; // as the messages name it
};
StepSource findStep(const QString& package, const QString& source, const Progress& progress);
} // namespace PackageCopy
