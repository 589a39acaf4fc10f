#pragma once
// Everything that would stop an unattended run goes through here: message boxes, the standard
// dialogs, the browser and the source of the mounted volumes. The program installs the Qt version;
// tests install a scripted one.
#include "Volumes.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QUrl>
#include <memory>
#include <optional>

class Platform {
public:
    virtual ~Platform() = default;

    // A modal message with the text alone and one OK button.
    virtual void message(const QString& text) = 0;
    // The folder chooser; nothing when cancelled.
    virtual std::optional<QString> chooseFolder() = 0;
    // The open-file dialog showing the files filter names ("jsfile (*.js)"); nothing when cancelled.
    virtual std::optional<QString> chooseFile(const QString& filter) = 0;
    // The colour picker starting at start; nothing when cancelled.
    virtual std::optional<QColor> chooseColour(const QColor& start, const QString& prompt) = 0;
    // Opens the address in the default browser.
    virtual void openUrl(const QUrl& url) = 0;
    // Where the volume list comes from; VolumeScan asks it without blocking the caller.
    virtual std::shared_ptr<VolumeSource> volumeSource() = 0;

    static Platform& get();
    static void install(std::unique_ptr<Platform> platform);
};

// The real dialogs and system services.
class QtPlatform : public Platform {
public:
    void message(const QString& text) override;
    std::optional<QString> chooseFolder() override;
    std::optional<QString> chooseFile(const QString& filter) override;
    std::optional<QColor> chooseColour(const QColor& start, const QString& prompt) override;
    void openUrl(const QUrl& url) override;
    std::shared_ptr<VolumeSource> volumeSource() override;
};
