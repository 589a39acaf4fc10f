#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace TestFiles {
QString write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString makePageSet(const QString& root, const QStringList& skip) {
    const QStringList files = {"n.htm",
                               "js/plkpadbtn.js",
                               "js/pelkavin.css",
                               "js/ninshiki_jp.js",
                               "js/ninshiki_en.js",
                               "img/apple-touch-icon.png"};
    for (const char* dir : {"js", "img"})
        if (!skip.contains(QString::fromLatin1(dir)))
            QDir().mkpath(root + u'/' + QString::fromLatin1(dir));
    for (const QString& f : files) {
        if (skip.contains(f) || skip.contains(f.section(u'/', 0, 0)))
            continue;
        write(root + u'/' + f, "x");
    }
    return root;
}
} // namespace TestFiles
