#pragma once
// Small file helpers for tests that build folders in a QTemporaryDir and compare bytes.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace TestFiles {
// Writes the bytes, creating parent folders. Returns the path.
QString write(const QString& path, const QByteArray& bytes);
QByteArray read(const QString& path);
// A page set's folders and files under root, each file holding "x"; the entries named in skip (a
// file, or a folder with all it holds) are left out. Returns root.
QString makePageSet(const QString& root, const QStringList& skip = {});
} // namespace TestFiles
