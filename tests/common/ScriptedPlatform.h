#pragma once
// A platform for tests: dialogs answer from queues, messages and opened addresses are recorded,
// and the volume list is whatever the test sets.
#include "Platform.h"

#include <QQueue>
#include <QStringList>

class ScriptedPlatform : public Platform {
public:
    // Installs a fresh scripted platform and returns it (owned by the seam).
    static ScriptedPlatform* install();

    void MsgBox(const QString& text) override;
    std::optional<QString> SelectFolder() override;
    std::optional<QString> GetOpenFolderItem(const QString& fileTypeName) override;
    std::optional<QColor> SelectColor(const QColor& start, const QString& prompt) override;
    void ShowURL(const QUrl& url) override;
    QList<VolumeInfo> Volumes() override;

    // Next answers; an empty queue answers "cancelled".
    QQueue<std::optional<QString>> folders;
    QQueue<std::optional<QString>> openFiles;
    QQueue<std::optional<QColor>> colors;
    QList<VolumeInfo> volumes;

    // What the code asked for.
    QStringList messages;
    QStringList openFileTypes;
    QList<QColor> colorStarts;
    QStringList colorPrompts;
    QList<QUrl> shownUrls;
    int volumeScans = 0;
};
