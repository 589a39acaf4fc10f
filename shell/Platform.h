#pragma once
// Everything that would stop an unattended run goes through here: message boxes, the standard
// dialogs, the browser and the list of mounted volumes. The program installs the Qt version;
// tests install a scripted one.
#include <QColor>
#include <QList>
#include <QString>
#include <QUrl>
#include <memory>
#include <optional>

struct VolumeInfo {
    QString name; // what the user calls the volume
    QString root; // its top-level folder
};

class Platform {
public:
    virtual ~Platform() = default;

    // A modal message with the text alone and one OK button.
    virtual void MsgBox(const QString& text) = 0;
    // The folder chooser; nothing when cancelled.
    virtual std::optional<QString> SelectFolder() = 0;
    // The open-file dialog filtered by a registered file type's name; nothing when cancelled.
    virtual std::optional<QString> GetOpenFolderItem(const QString& fileTypeName) = 0;
    // The colour picker starting at start; nothing when cancelled.
    virtual std::optional<QColor> SelectColor(const QColor& start, const QString& prompt) = 0;
    // Opens the address in the default browser.
    virtual void ShowURL(const QUrl& url) = 0;
    // The volumes a user would recognise, in a stable order.
    virtual QList<VolumeInfo> Volumes() = 0;

    static Platform& get();
    static void install(std::unique_ptr<Platform> platform);
};

// The real dialogs and system services.
class QtPlatform : public Platform {
public:
    void MsgBox(const QString& text) override;
    std::optional<QString> SelectFolder() override;
    std::optional<QString> GetOpenFolderItem(const QString& fileTypeName) override;
    std::optional<QColor> SelectColor(const QColor& start, const QString& prompt) override;
    void ShowURL(const QUrl& url) override;
    QList<VolumeInfo> Volumes() override;
};

// One mounted file system as the system reports it.
struct MountInfo {
    QString root;
    QString label;
    QByteArray fsType;
    QByteArray device;
    bool valid = true;
    bool ready = true;
};

// Leaves out pseudo and system file systems, names each volume (label, else the mount folder's
// name) and orders them by their top-level folder.
QList<VolumeInfo> RecognisableVolumes(const QList<MountInfo>& mounts);
