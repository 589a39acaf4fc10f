#pragma once
// Fixtures shared by the card-tool tests.
#include "FailingFolder.h"
#include "ScriptedPlatform.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

// A card of its own: a file-system image loop-mounted at root while this lives (root only), so the
// copy meets a real mount point, a real size limit and names as bytes. ext4 goes through the kernel;
// exFAT, as on a real card (names that differ only in case are one name, no links, no modes), goes
// through exfat-fuse, since the kernel here may have no FAT driver.
class MountedCard {
public:
    enum class Fs { Ext4, ExFat };
    explicit MountedCard(const QString& root, qint64 bytes = 8 << 20, Fs fs = Fs::Ext4)
        : m_root(QFile::encodeName(root)), m_image(m_root + ".img") {
        QDir().mkpath(root);
        if (::geteuid() != 0) {
            m_skip = "mounting a test card needs root";
            return;
        }
        QFile image(QFile::decodeName(m_image));
        if (!image.open(QIODevice::WriteOnly) || !image.resize(bytes)) {
            m_skip = "cannot make a card image";
            return;
        }
        image.close();
        if (fs == Fs::Ext4) {
            if (!run("mkfs.ext4", {"-q", "-F", "-m", "0", "-O", "^has_journal", m_image}) ||
                !run("mount", {"-o", "loop", m_image, m_root})) {
                m_skip = "cannot mount an ext4 image here";
                return;
            }
            ::rmdir((m_root + "/lost+found").constData());
            ::chmod(m_root.constData(), 0755);
        } else {
            QByteArray loop;
            if (!run("mkfs.exfat", {m_image}) || !run("losetup", {"-f", "--show", m_image}, &loop) ||
                !run("mount.exfat-fuse", {loop, m_root})) {
                if (!loop.isEmpty())
                    run("losetup", {"-d", loop});
                m_skip = "cannot mount an exFAT image here (exfat-fuse, exfatprogs)";
                return;
            }
            m_loop = loop;
        }
        m_mounted = true;
    }
    ~MountedCard() {
        unmount();
        ::unlink(m_image.constData());
    }
    MountedCard(const MountedCard&) = delete;
    MountedCard& operator=(const MountedCard&) = delete;
    // Empty when the card is mounted.
    QString skipReason() const { return m_skip; }
    // Takes the card out; its mount folder stays behind.
    bool unmount() {
        if (m_mounted && ::umount2(m_root.constData(), 0) != 0)
            ::umount2(m_root.constData(), MNT_DETACH);
        if (!m_loop.isEmpty())
            run("losetup", {"-d", m_loop});
        m_loop.clear();
        if (m_mounted)
            m_skip = "unmounted";
        m_mounted = false;
        return !m_skip.isEmpty();
    }

private:
    static bool run(const char* program, const QList<QByteArray>& args, QByteArray* out = nullptr) {
        QProcess p;
        QStringList list;
        for (const QByteArray& a : args)
            list << QFile::decodeName(a);
        p.start(QString::fromLatin1(program), list);
        if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return false;
        if (out)
            *out = p.readAllStandardOutput().trimmed();
        return true;
    }
    QByteArray m_root;
    QByteArray m_image;
    QByteArray m_loop;
    bool m_mounted = false;
    QString m_skip;
};

// A name as the tests write it: decoded and composed where it is UTF-8, else its bytes as \xNN.
inline QString showName(const QByteArray& name) {
    QString shown = QString::fromUtf8(name);
    if (shown.toUtf8() == name)
        return shown.normalized(QString::NormalizationForm_C);
    shown.clear();
    for (const char c : name)
        shown += QString::asprintf("\\x%02x", unsigned(uchar(c)));
    return shown;
}

// The content of the file at path (bytes, so any name works), nothing when it cannot be read.
inline std::optional<QByteArray> readBytes(const QByteArray& path) {
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
inline QStringList tree(const QByteArray& root, const QString& prefix = QString()) {
    QStringList out;
    DIR* dir = ::opendir(root.constData());
    if (!dir)
        return {prefix + "<unreadable>"};
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = root + '/' + name;
        const QString rel = prefix + showName(name);
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0) {
            out << rel + '?';
        } else if (S_ISLNK(st.st_mode)) {
            out << rel + '@';
        } else if (S_ISDIR(st.st_mode)) {
            out << rel + '/';
            out << tree(path, rel + '/');
        } else {
            out << rel + '=' + QString::fromUtf8(readBytes(path).value_or("?"));
        }
    }
    ::closedir(dir);
    out.sort();
    return out;
}

// Removes root and all it holds, by bytes.
inline void removeTree(const QByteArray& root) {
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
                removeTree(root + '/' + n);
        }
        ::rmdir(root.constData());
    } else {
        ::unlink(root.constData());
    }
}

inline QStringList tree(const QString& root) {
    return tree(QFile::encodeName(root));
}

// The copy tests need the card mounted (a test class with m_mount).
#define NEED_CARD()                                                                                                    \
    do {                                                                                                               \
        if (!m_mount->skipReason().isEmpty())                                                                          \
            QSKIP(qPrintable(m_mount->skipReason()));                                                                  \
    } while (false)
