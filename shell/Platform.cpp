#include "Platform.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

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

void QtPlatform::message(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, dialogParent());
    box.exec();
}

std::optional<QString> QtPlatform::chooseFolder() {
    const QString dir = QFileDialog::getExistingDirectory(dialogParent());
    if (dir.isEmpty())
        return std::nullopt;
    return dir;
}

std::optional<QString> QtPlatform::chooseFile(const QString& filter) {
    const QString file = QFileDialog::getOpenFileName(dialogParent(), QString(), QString(), filter);
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

std::optional<QColor> QtPlatform::chooseColour(const QColor& start, const QString& prompt) {
    const QColor c = QColorDialog::getColor(start, dialogParent(), prompt);
    if (!c.isValid())
        return std::nullopt;
    return c;
}

void QtPlatform::openUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

std::shared_ptr<VolumeSource> QtPlatform::volumeSource() {
    return systemVolumes();
}
