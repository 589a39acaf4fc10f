#include "FailingFolder.h"

#include "FileIO.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <algorithm>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

ReadOnly::ReadOnly(const QString& path) : m_path(path) {
    m_perms = QFile::permissions(path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther |
                                    (QFileInfo(path).isDir() ? QFileDevice::ExeOwner : QFileDevice::Permissions()));
    if (::geteuid() == 0)
        m_immutable = setImmutable(true);
}

ReadOnly::~ReadOnly() {
    if (m_immutable)
        setImmutable(false);
    QFile::setPermissions(m_path, m_perms);
}

bool ReadOnly::ok() const {
    return ::geteuid() != 0 || m_immutable;
}

bool ReadOnly::setImmutable(bool on) {
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
}

namespace {
struct Entry {
    QString path; // relative to the folder
    bool dir;
    QByteArray bytes;
};

QList<Entry> snapshot(const QString& folder) {
    QList<Entry> out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo fi = it.fileInfo();
        Entry e{QDir(folder).relativeFilePath(fi.filePath()), fi.isDir(), {}};
        if (!e.dir) {
            QFile f(fi.filePath());
            if (f.open(QIODevice::ReadOnly))
                e.bytes = f.readAll();
        }
        out.append(e);
    }
    // Folders before what they hold.
    std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) { return a.path < b.path; });
    return out;
}

// Writes until the file system refuses, so no further byte fits.
void fillUp(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder + "/.filler").constData(), O_WRONLY | O_CREAT, 0644);
    if (fd < 0)
        return;
    static const QByteArray chunk(64 * 1024, 'x');
    for (qsizetype size = chunk.size(); size > 0; size /= 2)
        while (::write(fd, chunk.constData(), size_t(size)) > 0) {
        }
    ::close(fd);
}
} // namespace

FailingFolder::FailingFolder(WriteFailure kind, const QString& folder) : m_folder(folder) {
    switch (kind) {
    case WriteFailure::Midway:
        FileIO::injectWriteFailure(10);
        break;
    case WriteFailure::ReadOnlyFolder:
        m_readOnly = new ReadOnly(folder);
        if (!m_readOnly->ok())
            m_skip = "cannot make a folder read-only here";
        break;
    case WriteFailure::FullDisk: {
        if (::geteuid() != 0) {
            m_skip = "mounting a small file system needs root";
            break;
        }
        const QList<Entry> content = snapshot(folder);
        if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=512k,mode=0755") != 0) {
            m_skip = "cannot mount a tmpfs here";
            break;
        }
        m_mounted = true;
        for (const Entry& e : content) {
            const QString path = QDir(folder).filePath(e.path);
            if (e.dir) {
                QDir().mkpath(path);
            } else {
                QFile f(path);
                if (!f.open(QIODevice::WriteOnly) || f.write(e.bytes) != e.bytes.size())
                    m_skip = "the small file system is too small for the folder";
            }
        }
        fillUp(folder);
        QFile probe(QDir(folder).filePath(".probe"));
        if (probe.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && probe.write("x", 1) == 1)
            m_skip = "the small file system did not fill up";
        probe.remove();
        break;
    }
    }
}

FailingFolder::~FailingFolder() {
    FileIO::injectWriteFailure(-1);
    delete m_readOnly;
    if (m_mounted)
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
}

QStringList FailingFolder::entries() const {
    QStringList names = QDir(m_folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.removeAll(".filler");
    return names;
}

void FailingFolder::addRows() {
    QTest::addColumn<WriteFailure>("failure");
    QTest::newRow("write breaks off midway") << WriteFailure::Midway;
    QTest::newRow("read-only folder") << WriteFailure::ReadOnlyFolder;
    QTest::newRow("full disk") << WriteFailure::FullDisk;
}
