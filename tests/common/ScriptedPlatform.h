#pragma once
// A platform for tests: dialogs answer from queues, messages and opened addresses are recorded,
// and the volume list is whatever the test sets.
#include "Platform.h"

#include <QHash>
#include <QQueue>
#include <QSet>
#include <QStringList>
#include <condition_variable>
#include <mutex>

// The volumes of a test. They answer from memory on the spot, unless the test holds one back: from
// then on the scan asks every volume in a worker, as it asks the system's, and a held volume answers
// only once released (or after a minute, so that a test that goes wrong still ends).
class ScriptedVolumes : public VolumeSource {
public:
    QList<MountInfo> mounts() override;
    std::optional<VolumeInfo> probe(const MountInfo& mount) override;
    bool mayBlock() const override { return m_blocking; }

    void hold(const QString& root);
    void release(const QString& root);
    void releaseAll();
    // How often the volume at root was asked, and how many of those questions are blocked now.
    int asked(const QString& root) const;
    int waiting(const QString& root) const;

    QList<VolumeInfo> volumes;
    int scans = 0;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    QSet<QString> m_held;
    QHash<QString, int> m_asked;
    QHash<QString, int> m_waiting;
    bool m_blocking = false;
};

class ScriptedPlatform : public Platform {
public:
    // Installs a fresh scripted platform and returns it (owned by the seam).
    static ScriptedPlatform* install();
    ~ScriptedPlatform() override;

    void message(const QString& text) override;
    std::optional<QString> chooseFolder() override;
    std::optional<QString> chooseFile(const QString& filter) override;
    std::optional<QColor> chooseColour(const QColor& start, const QString& prompt) override;
    void openUrl(const QUrl& url) override;
    std::shared_ptr<VolumeSource> volumeSource() override { return volumeScript; }

    // The volume source; it outlives the platform while a worker still asks it.
    const std::shared_ptr<ScriptedVolumes> volumeScript = std::make_shared<ScriptedVolumes>();

    // Next answers; an empty queue answers "cancelled".
    QQueue<std::optional<QString>> folders;
    QQueue<std::optional<QString>> openFiles;
    QQueue<std::optional<QColor>> colors;
    QList<VolumeInfo>& volumes = volumeScript->volumes;

    // What the code asked for.
    QStringList messages;
    QStringList openFileFilters;
    QList<QColor> colorStarts;
    QStringList colorPrompts;
    QList<QUrl> shownUrls;
    int& volumeScans = volumeScript->scans;
};

// The platform a test installed.
inline ScriptedPlatform* scripted() {
    return static_cast<ScriptedPlatform*>(&Platform::get());
}
