#include "FileTypes1.h"

#include <QList>

namespace FileTypes1 {
namespace {
QList<FileType>& registry() {
    static QList<FileType> types;
    return types;
}
void add(const FileType& t) {
    for (const FileType& r : registry())
        if (r.Name == t.Name)
            return;
    registry().append(t);
}
} // namespace

void Register() {
    add({QStringLiteral("jsfile"), {QStringLiteral(".js")}, true});
    add({QStringLiteral("cssfile"), {QStringLiteral(".css")}, true});
}

const FileType* Find(const QString& name) {
    for (const FileType& t : registry())
        if (t.Name == name)
            return &t;
    return nullptr;
}

QString Filter(const QString& name) {
    const FileType* t = Find(name);
    if (!t)
        return {};
    QStringList globs;
    for (const QString& ext : t->Extensions)
        globs << u'*' + ext;
    return t->Name + QStringLiteral(" (") + globs.join(u' ') + u')';
}

} // namespace FileTypes1
