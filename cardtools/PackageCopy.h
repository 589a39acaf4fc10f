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

// One call of the copy: source, a file or folder of the package, goes into the card's folder
// named destination (empty: the card's top level).
struct CopyStep {
    QString source;
    QString destination;
};
struct Plan {
    QList<CopyStep> stage1; // the package's ADDON
    QList<CopyStep> stage2; // "1", "5", "ランダム"; empty when the variant has no such folder
    QList<CopyStep> stage3; // the variant's program files and folders
};
Plan MakePlan(const QString& package, int variant);
// The step would write onto its own source or into it, on the card whose top level is card.
bool TargetInsideSource(const QString& card, const CopyStep& step);
bool AnyTargetInsideSource(const QString& card, const Plan& plan);

// The volume is still listed among volumes under the same top-level folder.
bool IsListed(const QString& root, const QList<VolumeInfo>& volumes);

// Receives each text of the progress line as it changes.
using Progress = std::function<void(const QString&)>;

// The card the copy writes to. Its top-level folder is opened once and every write goes below that
// handle, by the names' own bytes and through no link, so nothing outside the card changes.
class Card {
public:
    explicit Card(const QString& root);
    ~Card();
    Card(const Card&) = delete;
    Card& operator=(const Card&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    // The folder is the root of a mounted file system, not the empty mount folder a card taken out
    // leaves behind on the disk below it.
    bool IsMountRoot() const;

    // Copies source, a file or a whole folder, into the card's folder destination (created when
    // missing): folders are merged into existing ones, files replace old ones one at a time (the new
    // file is written beside the old one and renamed over it). A link on the card in the way is
    // replaced, never followed; links inside the package are skipped. Names match whether stored
    // composed or decomposed. False at the first failure (the progress line then names the entry);
    // the rest is not attempted.
    bool CopyFileOrFolder(const QString& source, const QString& destination, const Progress& progress);
    bool RunSteps(const QList<CopyStep>& steps, const Progress& progress);
    // Puts everything written on the card itself; the copy is complete only after this.
    bool Sync();

private:
    int m_fd = -1;
};
} // namespace PackageCopy
