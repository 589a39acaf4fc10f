#pragma once
// The file types the tool registers by name; the open-file dialog is filtered by one of them.
#include <QString>
#include <QStringList>

namespace FileTypes1 {
struct FileType {
    QString Name;
    QStringList Extensions; // with the leading dot
    bool Imported = true;
};

void Register();
// The registered type of that name, or nullptr.
const FileType* Find(const QString& name);
// A file-dialog filter for the type ("jsfile (*.js)"); empty for an unknown name.
QString Filter(const QString& name);
} // namespace FileTypes1
