// Card folders as the copy meets them: listed by the names' own bytes, and a package entry's name
// matched the way FAT and exFAT match names, in either case and either Unicode form.
#include "PackageParts.h"

#include <QStringDecoder>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace PackageCopy {
QString nfc(const QString& s) {
    return s.normalized(QString::NormalizationForm_C);
}

FileIO::Fd openFolder(int parent, const QByteArray& name) {
    return FileIO::Fd(::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

std::optional<QString> utf8Name(const QByteArray& name) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString s = decoder(name);
    if (decoder.hasError())
        return std::nullopt;
    return s;
}

QString fold(const QByteArray& name) {
    if (const std::optional<QString> s = utf8Name(name))
        return nfc(*s).toCaseFolded();
    return QChar(0) + QString::fromLatin1(name.toLower());
}

std::optional<QList<Listed>> list(int dirFd, int* error) {
    FileIO::Fd fd(::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* dir = fd ? ::fdopendir(fd.get()) : nullptr;
    if (!dir) {
        if (error)
            *error = errno;
        return std::nullopt;
    }
    fd.release(); // closedir closes it
    QList<Listed> entries;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            entries.append({name, entry->d_type});
    }
    const int code = errno;
    ::closedir(dir);
    if (code != 0) {
        if (error)
            *error = code;
        return std::nullopt;
    }
    return entries;
}

unsigned char typeOf(int dirFd, const Listed& e) {
    if (e.type != DT_UNKNOWN)
        return e.type;
    struct stat st {};
    if (::fstatat(dirFd, e.name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return DT_UNKNOWN;
    return S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : S_ISREG(st.st_mode) ? DT_REG : DT_FIFO;
}

Names::Names(const QList<Listed>& entries) : m_entries(entries) {
    for (int i = 0; i < entries.size(); ++i) {
        m_exact.insert(entries[i].name, i);
        m_folded.insert(fold(entries[i].name), i); // the first of several stays
    }
}

std::optional<Listed> Names::find(const QByteArray& name) const {
    int i = m_exact.value(name, -1);
    if (i < 0)
        i = m_folded.value(fold(name), -1);
    if (i < 0)
        return std::nullopt;
    return m_entries[i];
}

std::optional<QByteArray> realPath(const QByteArray& path) {
    char buffer[PATH_MAX];
    if (!::realpath(path.constData(), buffer))
        return std::nullopt;
    return QByteArray(buffer);
}
} // namespace PackageCopy
