#pragma once
// Small file helpers for tests that build folders in a QTemporaryDir and compare bytes.
#include <QByteArray>
#include <QString>

namespace TestFiles {
// Writes the bytes, creating parent folders. Returns the path.
QString write(const QString& path, const QByteArray& bytes);
QByteArray read(const QString& path);
} // namespace TestFiles
