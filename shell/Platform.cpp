#include "Platform.h"

#include "FileTypes1.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSet>
#include <QStorageInfo>
#include <algorithm>

namespace {
std::unique_ptr<Platform>& current() {
    static std::unique_ptr<Platform> p;
    return p;
}
QWidget* dialogParent() {
    return QApplication::activeWindow();
}
} // namespace

Platform& Platform::get() {
    if (!current())
        current() = std::make_unique<QtPlatform>();
    return *current();
}

void Platform::install(std::unique_ptr<Platform> platform) {
    current() = std::move(platform);
}

void QtPlatform::MsgBox(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, dialogParent());
    box.exec();
}

std::optional<QString> QtPlatform::SelectFolder() {
    const QString dir = QFileDialog::getExistingDirectory(dialogParent());
    if (dir.isEmpty())
        return std::nullopt;
    return dir;
}

std::optional<QString> QtPlatform::GetOpenFolderItem(const QString& fileTypeName) {
    const QString file =
        QFileDialog::getOpenFileName(dialogParent(), QString(), QString(), FileTypes1::Filter(fileTypeName));
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

std::optional<QColor> QtPlatform::SelectColor(const QColor& start, const QString& prompt) {
    const QColor c = QColorDialog::getColor(start, dialogParent(), prompt);
    if (!c.isValid())
        return std::nullopt;
    return c;
}

void QtPlatform::ShowURL(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

QList<VolumeInfo> QtPlatform::Volumes() {
    QList<MountInfo> mounts;
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes())
        mounts.append({s.rootPath(), s.name(), s.fileSystemType(), s.device(), s.isValid(), s.isReady()});
    return RecognisableVolumes(mounts);
}

QList<VolumeInfo> RecognisableVolumes(const QList<MountInfo>& mounts) {
    static const QSet<QByteArray> pseudo = {
        "proc",        "sysfs",         "devtmpfs",  "devpts",    "tmpfs",   "ramfs",       "cgroup",
        "cgroup2",     "pstore",        "bpf",       "tracefs",   "debugfs", "securityfs",  "configfs",
        "fusectl",     "mqueue",        "hugetlbfs", "autofs",    "overlay", "squashfs",    "nsfs",
        "efivarfs",    "rpc_pipefs",    "nfsd",      "selinuxfs", "devfs",   "binfmt_misc", "fuse.gvfsd-fuse",
        "fuse.portal", "fuse.snapfuse", "none",      "shm"};
    static const QStringList systemRoots = {
        QStringLiteral("/proc"), QStringLiteral("/sys"), QStringLiteral("/dev"),           QStringLiteral("/snap"),
        QStringLiteral("/boot"), QStringLiteral("/run"), QStringLiteral("/System/Volumes")};
    QList<VolumeInfo> out;
    for (const MountInfo& m : mounts) {
        if (!m.valid || !m.ready || m.root.isEmpty() || pseudo.contains(m.fsType.toLower()))
            continue;
        const QString root = QDir::cleanPath(m.root);
        const bool removableUnderRun = root.startsWith(QStringLiteral("/run/media/"));
        const bool system = std::any_of(systemRoots.begin(), systemRoots.end(),
                                        [&](const QString& s) { return root == s || root.startsWith(s + u'/'); });
        if (system && !removableUnderRun)
            continue;
        QString name = m.label;
        if (name.isEmpty())
            name = QFileInfo(root).fileName();
        if (name.isEmpty())
            name = root;
        out.append({name, root});
    }
    std::stable_sort(out.begin(), out.end(), [](const VolumeInfo& a, const VolumeInfo& b) { return a.root < b.root; });
    return out;
}
