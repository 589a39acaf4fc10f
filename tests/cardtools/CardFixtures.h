#pragma once
// Fixtures shared by the card-tool tests: read-only files and folders that hold even for root.
#include "ScriptedPlatform.h"

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

inline ScriptedPlatform* scripted() {
    return static_cast<ScriptedPlatform*>(&Platform::get());
}

// Makes a file or folder unwritable while it lives: permission bits for ordinary users, the
// immutable flag for root (who ignores the bits). ok() says whether it took.
class ReadOnly {
public:
    explicit ReadOnly(const QString& path) : m_path(path) {
        m_perms = QFile::permissions(path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther |
                                        (QFileInfo(path).isDir() ? QFileDevice::ExeOwner : QFileDevice::Permissions()));
        if (::geteuid() == 0)
            m_immutable = setImmutable(true);
    }
    ~ReadOnly() {
        if (m_immutable)
            setImmutable(false);
        QFile::setPermissions(m_path, m_perms);
    }
    bool ok() const { return ::geteuid() != 0 || m_immutable; }

private:
    bool setImmutable(bool on) {
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
    QString m_path;
    QFileDevice::Permissions m_perms;
    bool m_immutable = false;
};
