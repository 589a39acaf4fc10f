#pragma once
// Whole-file reading and the one safe way the tool writes a user's file.
#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QFileDevice;

namespace FileIO {
// The file's bytes, or nothing when it cannot be opened or read.
std::optional<QByteArray> ReadAll(const QString& path);

using Fill = std::function<bool(QFileDevice&)>;

// Every write of a page-set or card file goes through here. Each new content goes to a temporary
// file beside its target; Commit puts all of them on the disk (one sync per file system) and only
// then renames each over its target, so a failure midway leaves the old file whole. Temporary
// files that were not committed are removed.
class SafeWriteBatch {
public:
    SafeWriteBatch() = default;
    ~SafeWriteBatch();
    SafeWriteBatch(const SafeWriteBatch&) = delete;
    SafeWriteBatch& operator=(const SafeWriteBatch&) = delete;

    // Writes the new content of path through fill, which returns whether it wrote everything. On
    // failure nothing is left behind and the batch keeps what was added before.
    bool Add(const QString& path, const Fill& fill, QString* error = nullptr);
    // Syncs, then renames in the order added; stops at the first failure.
    bool Commit(QString* error = nullptr);
    bool IsEmpty() const { return m_pending.isEmpty(); }

private:
    struct Pending {
        QString temp;
        QString target;
    };
    QList<Pending> m_pending;
};

// One file through a batch of its own.
bool SafeWrite(const QString& path, const Fill& fill, QString* error = nullptr);
bool SafeWrite(const QString& path, const QByteArray& data, QString* error = nullptr);

// For tests: the next write fails after this many bytes (a full card, a pulled card).
void InjectWriteFailure(qint64 afterBytes);
} // namespace FileIO
