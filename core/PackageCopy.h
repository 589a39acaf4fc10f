#pragma once
// The robot program package: the copy plan of each robot variant (PackagePlan.cpp), its check
// (PackageCheck.cpp), and the recursive copy that puts folders and files onto the card volume
// (PackageCopy.cpp).
#include "FileIO.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace PackageCopy {
// The entries a package folder must hold, in the order they are tested.
QStringList packageEntries();
// Folder of each robot variant in the package, by the variant's index.
QStringList variantFolders();
// The variant pop-up's items (full-width digits), by index.
QStringList variantItems();

// The existing entry of folder whose name equals name, whether the disk holds it composed or
// decomposed; empty when there is none.
QString findEntry(const QString& folder, const QString& name);
// The existing entry of that name, else the path it would have (named as given).
QString entryPath(const QString& folder, const QString& name);

// All package entries are present (existence only).
bool isPackageFolder(const QString& folder);

// One call of the copy: source, a file or folder of the package, goes into the card's folder
// named destination (empty: the card's top level).
struct CopyStep {
    QString source;
    QString destination;
};
struct Plan {
    QString package;        // the package folder the sources are in
    QList<CopyStep> stage1; // the package's ADDON
    QList<CopyStep> stage2; // "1", "5", "ランダム"; empty when the variant has no such folder
    QList<CopyStep> stage3; // the variant's program files and folders
};
Plan makePlan(const QString& package, int variant);

// Receives each text of the progress line as it changes. A failure leaves a line that names the
// entry, and below it the reason where one is known.
using Progress = std::function<void(const QString&)>;
// The progress line of a failure: the entry, and below it the reason where one is known.
QString progressLine(const QString& entry, const QString& reason);

// What the copy reads of one step's source (the package side, read once).
struct Source;

// One copy onto the card. Its top-level folder is opened once and every write goes below that
// handle, by the names' own bytes and through no link, so nothing outside the card changes. The card
// is taken to ignore case, as FAT and exFAT do.
class Card {
public:
    explicit Card(const QString& root);
    ~Card();
    Card(const Card&) = delete;
    Card& operator=(const Card&) = delete;

    bool isOpen() const { return bool(m_fd); }
    // The folder is the root of a mounted file system, not the empty mount folder a card taken out
    // leaves behind on the disk below it.
    bool isMountRoot() const;

    // Takes the card for this copy, and reads the package side of every step before anything is
    // written. Refuses the plan (false, the progress line naming the entry and the reason) for:
    // another copy onto this card running (in this process or another); a step that would write
    // onto or into what it reads (a package on the card, a card inside the package); a name the
    // card cannot hold (a character FAT and exFAT forbid, bytes that are not UTF-8); two entries of
    // one folder whose names differ only in case or Unicode form (one name on the card); a link
    // that does not lead to a file or folder inside the package (outside, dangling, a loop);
    // anything that is neither file nor folder; a folder that cannot be read; a card entry of the
    // other kind in the way (a file where a folder goes, a folder that is not empty where a file
    // goes), the reason naming it by its path on the card. A source that is missing is left to the
    // copy, which fails there.
    bool check(const Plan& plan, const Progress& progress);

    // Copies source, a file or a whole folder, into the card's folder destination (created when
    // missing). A folder the card does not hold yet is written under a temporary name and renamed
    // once; an existing one is merged into. A file the card holds with the same bytes is left as it
    // is; any other file is written beside its old one and renamed over it. A link in the package
    // is copied as the file or folder it leads to; a link on the card in the way is replaced, never
    // followed. Names match whether stored composed or decomposed, and in either case. False at the
    // first failure; the rest is not attempted, what was copied before stays, no file is left half
    // written under its real name, and nothing under a temporary name. Takes the card as Check does.
    bool copy(const QString& source, const QString& destination, const Progress& progress);
    bool runSteps(const QList<CopyStep>& steps, const Progress& progress);
    // Puts everything written on the card itself; the copy is complete only after this. *failure
    // says why it could not.
    bool sync(FileIO::Failure* failure = nullptr);

private:
    // Takes the card's lock, which lasts as long as this object; false, with the progress line,
    // while another copy holds it.
    bool hold(const Progress& progress);
    // Why the step would write onto or into what it reads; nothing when it would not.
    std::optional<FileIO::Failure> overlap(const CopyStep& step, const Source& source,
                                           const QList<QByteArray>& read) const;

    QString m_root;
    FileIO::Fd m_fd;
    bool m_held = false;                                     // the card's lock
    QString m_package;                                       // set by Check: links may lead anywhere inside it
    QHash<QString, std::shared_ptr<const Source>> m_checked; // what Check read, by step source
    std::atomic<int> m_kernelCopy = -1; // whether the kernel copies between the two file systems; -1: not tried
};
} // namespace PackageCopy
