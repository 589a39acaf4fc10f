#pragma once
// A file handle: a path that may be unset, and that may name an item that does not exist.
#include <QString>
#include <optional>

using FolderItem = std::optional<QString>;

// Handle of a named item inside an existing folder, whether or not the item exists;
// unset when the folder is unset or not an existing folder, or the name is not a plain name.
FolderItem Child(const FolderItem& folder, const QString& name);

// Set and present on disk. An unset handle counts as missing.
bool Exists(const FolderItem& item);
