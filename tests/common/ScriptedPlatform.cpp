#include "ScriptedPlatform.h"

QList<MountInfo> ScriptedVolumes::mounts() {
    ++scans;
    QList<MountInfo> out;
    for (const VolumeInfo& v : volumes)
        out.append({v.root, v.name, "scripted", {}});
    return out;
}

std::optional<VolumeInfo> ScriptedVolumes::probe(const MountInfo& mount) {
    std::unique_lock lock(m_mutex);
    ++m_asked[mount.root];
    if (m_held.contains(mount.root)) {
        ++m_waiting[mount.root];
        m_released.wait_for(lock, std::chrono::minutes(1), [&] { return !m_held.contains(mount.root); });
        --m_waiting[mount.root];
    }
    return VolumeInfo{mount.label, mount.root};
}

void ScriptedVolumes::hold(const QString& root) {
    std::lock_guard lock(m_mutex);
    m_held.insert(root);
    m_blocking = true;
}

void ScriptedVolumes::release(const QString& root) {
    std::lock_guard lock(m_mutex);
    m_held.remove(root);
    m_released.notify_all();
}

void ScriptedVolumes::releaseAll() {
    std::lock_guard lock(m_mutex);
    m_held.clear();
    m_released.notify_all();
}

int ScriptedVolumes::asked(const QString& root) const {
    std::lock_guard lock(m_mutex);
    return m_asked.value(root);
}

int ScriptedVolumes::waiting(const QString& root) const {
    std::lock_guard lock(m_mutex);
    return m_waiting.value(root);
}

ScriptedPlatform* ScriptedPlatform::install() {
    auto p = std::make_unique<ScriptedPlatform>();
    ScriptedPlatform* raw = p.get();
    Platform::install(std::move(p));
    return raw;
}

ScriptedPlatform::~ScriptedPlatform() {
    // A worker still asking a held volume finishes; nothing waits for it.
    volumeScript->releaseAll();
}

void ScriptedPlatform::message(const QString& text) {
    messages.append(text);
}

std::optional<QString> ScriptedPlatform::chooseFolder() {
    return folders.isEmpty() ? std::nullopt : folders.dequeue();
}

std::optional<QString> ScriptedPlatform::chooseFile(const QString& filter) {
    openFileFilters.append(filter);
    return openFiles.isEmpty() ? std::nullopt : openFiles.dequeue();
}

std::optional<QColor> ScriptedPlatform::chooseColour(const QColor& start, const QString& prompt) {
    colorStarts.append(start);
    colorPrompts.append(prompt);
    return colors.isEmpty() ? std::nullopt : colors.dequeue();
}

void ScriptedPlatform::openUrl(const QUrl& url) {
    shownUrls.append(url);
}
