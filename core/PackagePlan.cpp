// The package folder and the copy plan of each robot variant.
#include "PackageCopy.h"
#include "PackageParts.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <algorithm>

namespace PackageCopy {
namespace {
constexpr QDir::Filters kAllEntries = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

bool present(const QString& path) {
    const QFileInfo fi(path);
    return fi.exists() || fi.isSymLink();
}
} // namespace

QStringList packageEntries() {
    return {QStringLiteral("ADDON"), QStringLiteral("ロビ(初販版,再販版,第三版)"), QStringLiteral("ロビのココロ2"),
            QStringLiteral("ロビのココロ2DX"), QStringLiteral("ロビクル")};
}

QStringList variantFolders() {
    return packageEntries().mid(1);
}

QStringList variantItems() {
    return {QStringLiteral("ロビ(初販版,再販版,第三版)"), QStringLiteral("ロビのココロ２"),
            QStringLiteral("ロビのココロ２DX"), QStringLiteral("ロビクル")};
}

QString findEntry(const QString& folder, const QString& name) {
    if (folder.isEmpty() || name.isEmpty())
        return {};
    const QString direct = QDir(folder).filePath(name);
    if (present(direct))
        return direct;
    // A name with one form only can only be found under that name.
    if (nfc(name) == name.normalized(QString::NormalizationForm_D) || !QFileInfo(folder).isDir())
        return {};
    // The disk may hold the name composed or decomposed: compare normalised names.
    const QString wanted = nfc(name);
    QDirIterator it(folder, kAllEntries);
    while (it.hasNext()) {
        it.next();
        if (nfc(it.fileName()) == wanted)
            return it.filePath();
    }
    return {};
}

QString entryPath(const QString& folder, const QString& name) {
    const QString found = findEntry(folder, name);
    return found.isEmpty() ? QDir(folder).filePath(name) : found;
}

bool isPackageFolder(const QString& folder) {
    const QStringList names = packageEntries();
    return std::all_of(names.begin(), names.end(),
                       [&](const QString& n) { return QFileInfo::exists(findEntry(folder, n)); });
}

Plan makePlan(const QString& package, int variant) {
    Plan plan;
    plan.package = package;
    plan.stage1 = {{entryPath(package, QStringLiteral("ADDON")), QString()}};
    if (variant < 0 || variant >= variantFolders().size())
        return plan;
    const QString folder = entryPath(package, variantFolders()[variant]);
    // Into the card itself, or into the card's entry named like the source.
    auto file = [&](const QString& name) { return CopyStep{entryPath(folder, name), QString()}; };
    auto sub = [&](const QString& name) {
        const QString source = entryPath(folder, name);
        return CopyStep{source, QFileInfo(source).fileName()};
    };
    // Each variant's folder holds the three; a missing one is a failure, not a reason to skip.
    if (QFileInfo::exists(folder))
        plan.stage2 = {sub(QStringLiteral("1")), sub(QStringLiteral("5")), sub(QStringLiteral("ランダム"))};

    const QString main5 = QStringLiteral("main5_InitFlag確認補完無し_シーン1固定0415_test2.RM4");
    const QString mainP = QStringLiteral("mainP.RM4");
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
} // namespace PackageCopy
