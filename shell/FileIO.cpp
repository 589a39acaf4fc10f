#include "FileIO.h"

#include <QFile>
#include <QSaveFile>

namespace FileIO {
namespace {
qint64 gFailAfter = -1;
}

std::optional<QByteArray> ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    return data;
}

bool SafeWrite(const QString& path, const QByteArray& data, QString* error) {
    QSaveFile f(path);
    // Never fall back to writing in place: that could truncate the old file.
    f.setDirectWriteFallback(false);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error)
            *error = f.errorString();
        return false;
    }
    if (gFailAfter >= 0) {
        f.write(data.left(gFailAfter));
        gFailAfter = -1;
        f.cancelWriting();
        f.commit();
        if (error)
            *error = QStringLiteral("write failed");
        return false;
    }
    if (f.write(data) != data.size()) {
        if (error)
            *error = f.errorString();
        f.cancelWriting();
        f.commit();
        return false;
    }
    if (!f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

void InjectWriteFailure(qint64 afterBytes) {
    gFailAfter = afterBytes;
}

} // namespace FileIO
