#pragma once
// The robot program package: its check, the copy plan of each robot variant, and the recursive
// copy that puts folders and files onto the card volume.
#include "FolderItem.h"
#include "Platform.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace PackageCopy {
// The entries a package folder must hold, in the order they are tested.
QStringList PackageEntries();
// Folder of each robot variant in the package, by the variant's index.
QStringList VariantFolders();
// The variant pop-up's items (full-width digits), by index.
QStringList VariantItems();

// The existing entry of folder whose name equals name, whether the disk holds it composed or
// decomposed; unset when there is none.
FolderItem FindEntry(const QString& folder, const QString& name);
// The existing entry of that name, else the path it would have (named as given).
QString EntryPath(const QString& folder, const QString& name);

// All package entries are present (existence only).
bool IsPackageFolder(const QString& folder);
// Row of the last volume holding an entry "SD_WLAN", else 0.
int CardRow(const QList<VolumeInfo>& volumes);

// One call of the copy: source, a file or folder, goes into the folder destination.
struct CopyStep {
    QString source;
    QString destination;
};
struct Plan {
    QList<CopyStep> stage1; // the package's ADDON
    QList<CopyStep> stage2; // "1", "5", "ランダム"; empty when skipped
    QList<CopyStep> stage3; // the variant's program files and folders
};
Plan MakePlan(const QString& package, const QString& card, int variant);
// The step would write onto its own source or into it.
bool TargetInsideSource(const CopyStep& step);
bool AnyTargetInsideSource(const Plan& plan);

// Receives each text of the progress line as it changes.
using Progress = std::function<void(const QString&)>;
// Copies source, a file or a whole folder, into the folder destination (created when missing):
// folders are merged into existing ones, files replace old ones. Links found inside a folder are
// skipped, never followed. False at the first failure; the rest is not attempted.
bool CopyFileOrFolder(const QString& source, const QString& destination, const Progress& progress);
bool RunSteps(const QList<CopyStep>& steps, const Progress& progress);
} // namespace PackageCopy
