#pragma once
// Whole-file reading and the one safe way the tool writes a user's file.
#include <QByteArray>
#include <QString>
#include <optional>

namespace FileIO {
// The file's bytes, or nothing when it cannot be opened or read.
std::optional<QByteArray> ReadAll(const QString& path);

// Writes a temporary file beside the target and renames it over the target, so a failure midway
// leaves the old file whole. Returns false and fills error when anything failed.
bool SafeWrite(const QString& path, const QByteArray& data, QString* error = nullptr);

// For tests: the next SafeWrite fails after writing this many bytes (a full card, a pulled card).
void InjectWriteFailure(qint64 afterBytes);
} // namespace FileIO
