#include "PackageCopy.h"

#include "FileIO.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cerrno>
#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

namespace PackageCopy {
namespace {
constexpr QDir::Filters kAllEntries = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

QString Nfc(const QString& s) {
    return s.normalized(QString::NormalizationForm_C);
}

QString Join(const QString& folder, const QString& name) {
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

bool Present(const QString& path) {
    const QFileInfo fi(path);
    return fi.exists() || fi.isSymLink();
}

// The path with every existing part resolved (links, "..") and the missing rest appended.
QString Resolved(const QString& path) {
    const QFileInfo fi(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
    if (fi.exists())
        return fi.canonicalFilePath();
    const QString parent = fi.absolutePath();
    if (parent == fi.absoluteFilePath())
        return parent;
    return QDir(Resolved(parent)).filePath(fi.fileName());
}

// Copies the bytes, in the kernel where it can (as cp does), else through a buffer.
bool CopyData(QFile& in, QFileDevice& out) {
#ifdef Q_OS_LINUX
    for (bool first = true;; first = false) {
        const ssize_t n = ::copy_file_range(in.handle(), nullptr, out.handle(), nullptr, 1 << 30, 0);
        if (n == 0)
            return true;
        if (n < 0) {
            // Another file system, or one that cannot: only the first call may fall back.
            if (first && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP))
                break;
            return false;
        }
    }
#endif
    static QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (out.write(buffer.constData(), n) != n)
            return false;
    }
}

// Into the folder's batch of safe writes, so a failed copy leaves the old file whole and never
// half a file under the real name.
bool CopyFile(const QFileInfo& source, const QString& target, bool targetExists, FileIO::SafeWriteBatch& batch) {
    if (!source.isFile())
        return false;
    QFile in(source.filePath());
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    if (targetExists) {
        const QFileInfo old(target);
        if (old.isDir() && !old.isSymLink())
            QDir().rmdir(target); // an empty folder in the way goes; a full one makes the rename fail
    }
    return batch.Add(target, [&](QFileDevice& out) { return CopyData(in, out); });
}

// The folder's entries, keyed by their composed names.
QHash<QString, QString> EntriesByName(const QString& folder) {
    QHash<QString, QString> names;
    QDirIterator it(folder, kAllEntries);
    while (it.hasNext()) {
        it.next();
        names.insert(Nfc(it.fileName()), it.fileName());
    }
    return names;
}

// A file goes into the batch of the folder it is copied into; a folder's files are committed
// together when the folder is done, with one sync instead of one per file.
bool CopyEntry(const QFileInfo& source, const QString& target, bool targetExists, const Progress& progress,
               FileIO::SafeWriteBatch& batch) {
    if (!source.isDir()) {
        const bool ok = CopyFile(source, target, targetExists, batch);
        progress(source.fileName());
        return ok;
    }
    if (!targetExists)
        QDir().mkdir(target);
    progress(QStringLiteral("Create as ") + QFileInfo(target).fileName());
    if (!QFileInfo(target).isDir())
        return false;
    // List the target once: looking each name up would read the folder again for every file.
    const QHash<QString, QString> existing = EntriesByName(target);
    const QFileInfoList entries = QDir(source.filePath()).entryInfoList(kAllEntries, QDir::Unsorted);
    FileIO::SafeWriteBatch files;
    for (const QFileInfo& entry : entries) {
        // A link could lead out of the package (or in a circle): leave it behind.
        if (entry.isSymLink())
            continue;
        const auto old = existing.constFind(Nfc(entry.fileName()));
        const bool exists = old != existing.constEnd();
        if (!CopyEntry(entry, Join(target, exists ? *old : entry.fileName()), exists, progress, files)) {
            // What was copied before the failure stays copied.
            files.Commit();
            return false;
        }
    }
    return files.Commit();
}
} // namespace

QStringList PackageEntries() {
    return {QStringLiteral("ADDON"), QStringLiteral("ロビ(初販版,再販版,第三版)"), QStringLiteral("ロビのココロ2"),
            QStringLiteral("ロビのココロ2DX"), QStringLiteral("ロビクル")};
}

QStringList VariantFolders() {
    return PackageEntries().mid(1);
}

QStringList VariantItems() {
    return {QStringLiteral("ロビ(初販版,再販版,第三版)"), QStringLiteral("ロビのココロ２"),
            QStringLiteral("ロビのココロ２DX"), QStringLiteral("ロビクル")};
}

FolderItem FindEntry(const QString& folder, const QString& name) {
    if (folder.isEmpty() || name.isEmpty())
        return std::nullopt;
    const QString direct = QDir(folder).filePath(name);
    if (Present(direct))
        return direct;
    // A name with one form only can only be found under that name.
    if (Nfc(name) == name.normalized(QString::NormalizationForm_D) || !QFileInfo(folder).isDir())
        return std::nullopt;
    // The disk may hold the name composed or decomposed: compare normalised names.
    const QString wanted = Nfc(name);
    QDirIterator it(folder, kAllEntries);
    while (it.hasNext()) {
        it.next();
        if (Nfc(it.fileName()) == wanted)
            return it.filePath();
    }
    return std::nullopt;
}

QString EntryPath(const QString& folder, const QString& name) {
    return FindEntry(folder, name).value_or(QDir(folder).filePath(name));
}

bool IsPackageFolder(const QString& folder) {
    const QStringList names = PackageEntries();
    return std::all_of(names.begin(), names.end(), [&](const QString& n) { return Exists(FindEntry(folder, n)); });
}

int CardRow(const QList<VolumeInfo>& volumes) {
    int row = 0;
    for (int i = 0; i < volumes.size(); ++i)
        if (Exists(Child(volumes[i].root, QStringLiteral("SD_WLAN"))))
            row = i;
    return row;
}

Plan MakePlan(const QString& package, const QString& card, int variant) {
    Plan plan;
    plan.stage1 = {{EntryPath(package, QStringLiteral("ADDON")), card}};
    if (variant < 0 || variant >= VariantFolders().size())
        return plan;
    const QString folder = EntryPath(package, VariantFolders()[variant]);
    // Into the card itself, or into the card's entry named like the source.
    auto toCard = [&](const QString& source) { return CopyStep{source, card}; };
    auto toSameName = [&](const QString& source) {
        return CopyStep{source, EntryPath(card, QFileInfo(source).fileName())};
    };

    bool complete = true;
    QList<CopyStep> stage2;
    for (const QString& name : {QStringLiteral("1"), QStringLiteral("5"), QStringLiteral("ランダム")}) {
        const QString source = EntryPath(folder, name);
        complete = complete && Exists(source);
        stage2.append(toSameName(source));
    }
    // Variant 0's folder must hold all three; the other variants' folders may lack them.
    if (Exists(folder) && (variant == 0 || complete))
        plan.stage2 = stage2;

    const QString main5 = QStringLiteral("main5_InitFlag確認補完無し_シーン1固定0415_test2.RM4");
    const QString mainP = QStringLiteral("mainP.RM4");
    auto file = [&](const QString& name) { return toCard(EntryPath(folder, name)); };
    auto sub = [&](const QString& name) { return toSameName(EntryPath(folder, name)); };
    switch (variant) {
    case 0:
        plan.stage3 = {file(main5)};
        break;
    case 1:
        plan.stage3 = {file(mainP)};
        break;
    case 2:
        plan.stage3 = {file(mainP), file(QStringLiteral("聞き音声にモーションdx.RM4"))};
        break;
    case 3:
        plan.stage3 = {file(main5), sub(QStringLiteral("voice")), sub(QStringLiteral("ロビクル"))};
        break;
    }
    return plan;
}

bool TargetInsideSource(const CopyStep& step) {
    const QFileInfo source(step.source);
    if (!source.exists())
        return false;
    const QString s = Nfc(source.canonicalFilePath());
    const QString t = Nfc(Resolved(EntryPath(step.destination, source.fileName())));
    return t == s || t.startsWith(s.endsWith(u'/') ? s : s + u'/');
}

bool AnyTargetInsideSource(const Plan& plan) {
    for (const QList<CopyStep>* stage : {&plan.stage1, &plan.stage2, &plan.stage3})
        for (const CopyStep& step : *stage)
            if (TargetInsideSource(step))
                return true;
    return false;
}

bool CopyFileOrFolder(const QString& source, const QString& destination, const Progress& progress) {
    if (!Present(destination))
        QDir().mkdir(destination);
    const QFileInfo src(source);
    const FolderItem target = FindEntry(destination, src.fileName());
    FileIO::SafeWriteBatch batch;
    const bool copied =
        CopyEntry(src, target.value_or(Join(destination, src.fileName())), target.has_value(), progress, batch);
    return batch.Commit() && copied;
}

bool RunSteps(const QList<CopyStep>& steps, const Progress& progress) {
    for (const CopyStep& step : steps)
        if (!CopyFileOrFolder(step.source, step.destination, progress))
            return false;
    return true;
}
} // namespace PackageCopy
