#include "ScriptedPlatform.h"

ScriptedPlatform* ScriptedPlatform::install() {
    auto p = std::make_unique<ScriptedPlatform>();
    ScriptedPlatform* raw = p.get();
    Platform::install(std::move(p));
    return raw;
}

void ScriptedPlatform::MsgBox(const QString& text) {
    messages.append(text);
}

std::optional<QString> ScriptedPlatform::SelectFolder() {
    return folders.isEmpty() ? std::nullopt : folders.dequeue();
}

std::optional<QString> ScriptedPlatform::GetOpenFolderItem(const QString& fileTypeName) {
    openFileTypes.append(fileTypeName);
    return openFiles.isEmpty() ? std::nullopt : openFiles.dequeue();
}

std::optional<QColor> ScriptedPlatform::SelectColor(const QColor& start, const QString& prompt) {
    colorStarts.append(start);
    colorPrompts.append(prompt);
    return colors.isEmpty() ? std::nullopt : colors.dequeue();
}

void ScriptedPlatform::ShowURL(const QUrl& url) {
    shownUrls.append(url);
}

QList<VolumeInfo> ScriptedPlatform::Volumes() {
    ++volumeScans;
    return volumes;
}
