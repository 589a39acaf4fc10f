#pragma once
// Writes that fail for real, for the failure tests of every editor and card tool: a folder that
// cannot be written, a file system with no room left, or a write that breaks off midway.
#include <QByteArray>
#include <QFileDevice>
#include <QList>
#include <QString>

// Makes a file or folder unwritable while it lives: permission bits for ordinary users, the
// immutable flag for root (who ignores the bits). ok() says whether it took.
class ReadOnly {
public:
    explicit ReadOnly(const QString& path);
    ~ReadOnly();
    ReadOnly(const ReadOnly&) = delete;
    ReadOnly& operator=(const ReadOnly&) = delete;
    bool ok() const;

private:
    bool setImmutable(bool on);
    QString m_path;
    QFileDevice::Permissions m_perms;
    bool m_immutable = false;
};

enum class WriteFailure { Midway, ReadOnlyFolder, FullDisk };

// Every write into one folder fails while this lives, in one of three ways:
// - Midway: the next safe write breaks off after a few bytes (a card pulled out while writing);
// - ReadOnlyFolder: the folder takes no new file;
// - FullDisk: a small tmpfs holding a copy of the folder's content is mounted over it and filled up.
//   This needs root; the folder shows its own content again afterwards.
class FailingFolder {
public:
    FailingFolder(WriteFailure kind, const QString& folder);
    ~FailingFolder();
    FailingFolder(const FailingFolder&) = delete;
    FailingFolder& operator=(const FailingFolder&) = delete;
    // Empty when the failure is in place, otherwise why it cannot be arranged here.
    QString skipReason() const { return m_skip; }
    // The entries of the folder, to show that nothing was left behind.
    QStringList entries() const;

    // Adds the column "failure" and a row for each kind to a data function.
    static void addRows();

private:
    QString m_folder;
    QString m_skip;
    ReadOnly* m_readOnly = nullptr;
    bool m_mounted = false;
};

Q_DECLARE_METATYPE(WriteFailure)
