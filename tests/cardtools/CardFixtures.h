#pragma once
// Fixtures shared by the card-tool tests.
#include "FailingFolder.h"
#include "ScriptedPlatform.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

inline ScriptedPlatform* scripted() {
    return static_cast<ScriptedPlatform*>(&Platform::get());
}

// A card of its own: a small tmpfs mounted at root while this lives (root only), so the copy meets
// a real mount point, a real size limit and names as bytes.
class MountedCard {
public:
    explicit MountedCard(const QString& root, qint64 bytes = 8 << 20) : m_root(QFile::encodeName(root)) {
        QDir().mkpath(root);
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
        if (::geteuid() != 0)
            m_skip = "mounting a test card needs root";
        else if (::mount("tmpfs", m_root.constData(), "tmpfs", 0, options.constData()) != 0)
            m_skip = "cannot mount a tmpfs here";
    }
    ~MountedCard() { Unmount(); }
    MountedCard(const MountedCard&) = delete;
    MountedCard& operator=(const MountedCard&) = delete;
    // Empty when the card is mounted.
    QString skipReason() const { return m_skip; }
    // Takes the card out; its mount folder stays behind.
    bool Unmount() {
        if (m_skip.isEmpty() && ::umount2(m_root.constData(), MNT_DETACH) == 0)
            m_skip = "unmounted";
        return !m_skip.isEmpty();
    }

private:
    QByteArray m_root;
    QString m_skip;
};

// A name as the tests write it: decoded and composed where it is UTF-8, else its bytes as \xNN.
inline QString ShowName(const QByteArray& name) {
    QString shown = QString::fromUtf8(name);
    if (shown.toUtf8() == name)
        return shown.normalized(QString::NormalizationForm_C);
    shown.clear();
    for (const char c : name)
        shown += QString::asprintf("\\x%02x", unsigned(uchar(c)));
    return shown;
}

// The content of the file at path (bytes, so any name works), nothing when it cannot be read.
inline std::optional<QByteArray> ReadBytes(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW);
    if (fd < 0)
        return std::nullopt;
    QByteArray data;
    char buffer[64 * 1024];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        data.append(buffer, n);
    ::close(fd);
    if (n < 0)
        return std::nullopt;
    return data;
}

// Every entry below root, read by bytes and never through a link: "dir/", "file=contents", "link@".
inline QStringList Tree(const QByteArray& root, const QString& prefix = QString()) {
    QStringList out;
    DIR* dir = ::opendir(root.constData());
    if (!dir)
        return {prefix + "<unreadable>"};
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = root + '/' + name;
        const QString rel = prefix + ShowName(name);
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0) {
            out << rel + '?';
        } else if (S_ISLNK(st.st_mode)) {
            out << rel + '@';
        } else if (S_ISDIR(st.st_mode)) {
            out << rel + '/';
            out << Tree(path, rel + '/');
        } else {
            out << rel + '=' + QString::fromUtf8(ReadBytes(path).value_or("?"));
        }
    }
    ::closedir(dir);
    out.sort();
    return out;
}

// Removes root and all it holds, by bytes.
inline void RemoveTree(const QByteArray& root) {
    struct stat st {};
    if (::lstat(root.constData(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        ::chmod(root.constData(), 0700);
        if (DIR* dir = ::opendir(root.constData())) {
            QList<QByteArray> names;
            while (const dirent* e = ::readdir(dir))
                if (QByteArray(e->d_name) != "." && QByteArray(e->d_name) != "..")
                    names << QByteArray(e->d_name);
            ::closedir(dir);
            for (const QByteArray& n : names)
                RemoveTree(root + '/' + n);
        }
        ::rmdir(root.constData());
    } else {
        ::unlink(root.constData());
    }
}

inline QStringList Tree(const QString& root) {
    return Tree(QFile::encodeName(root));
}
