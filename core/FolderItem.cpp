#include "FolderItem.h"

#include <QDir>
#include <QFileInfo>

FolderItem Child(const FolderItem& folder, const QString& name) {
    if (!folder || name.isEmpty() || name == u"." || name == u".." || name.contains(u'/'))
        return std::nullopt;
    const QFileInfo dir(*folder);
    if (!dir.isDir())
        return std::nullopt;
    return QDir(*folder).filePath(name);
}

bool Exists(const FolderItem& item) {
    return item && QFileInfo::exists(*item);
}
