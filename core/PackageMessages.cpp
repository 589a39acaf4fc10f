// The package check's and the copy's messages, in one place.
#include "Messages.h"
#include "PackageParts.h"
#include "TextUtil.h"

#include <dirent.h>

namespace PackageCopy {
QString reason(const FileIO::Failure& failure) {
    switch (failure.error) {
    case kOutside:
        return QStringLiteral("パッケージの外を指すリンクです");
    case kDangling:
        return QStringLiteral("リンク先がありません");
    case kNotFileOrFolder:
        return QStringLiteral("ファイルでもフォルダでもありません");
    case kFileInTheWay:
        return QStringLiteral("同じ名前のファイルがカードにあります");
    case kPackageOnCard:
        return QStringLiteral("パッケージフォルダがカード上にあります");
    case kCardInPackage:
        return QStringLiteral("カードがパッケージフォルダの中にあります");
    case kOverlap:
        return QStringLiteral("コピー先がコピー元と重なっています");
    // What the check read is no longer there as it was.
    case FileIO::kChanged:
        return QStringLiteral("コピー中に変更されました");
    default:
        return Messages::reason(failure);
    }
}

QString progressLine(const QString& entry, const QString& reason) {
    return reason.isEmpty() ? entry : QStringLiteral("%1\n%2").arg(entry, reason);
}

QString display(const QByteArray& name) {
    return TextUtil::shownName(name);
}

QString folderLine(const QByteArray& name) {
    return QStringLiteral("Create as %1").arg(display(name));
}

QString sameNameOnCard(const QByteArray& other) {
    return QStringLiteral("カードでは「%1」と同じ名前になります").arg(display(other));
}

QString notUtf8() {
    return QStringLiteral("名前がUTF-8ではないため、カードに書けません。アーカイブを、名前がUTF-8になるように"
                          "解凍し直してから、もう一度コピーしてください");
}

QString cannotHold(QChar c) {
    return QStringLiteral("名前の%1はカードのファイル名に使えません。パッケージを解凍し直すか名前を直してから、もう一度"
                          "コピーしてください")
        .arg(TextUtil::shown(QString(c)));
}

QString inTheWay(const QString& cardPath, unsigned char type, bool folderWanted) {
    const QString found = type == DT_REG   ? QStringLiteral("ファイル")
                          : type == DT_DIR ? QStringLiteral("空でないフォルダ")
                                           : QStringLiteral("ファイルでもフォルダでもないもの");
    return QStringLiteral("カードの「%1」は%2のため、そこに%3。カードの「%1」を削除するか名前を変えてから、もう一度"
                          "コピーしてください")
        .arg(cardPath, found,
             folderWanted ? QStringLiteral("フォルダを作れません") : QStringLiteral("ファイルを書けません"));
}

QString anotherCopy() {
    return QStringLiteral("このカードへの別のコピーが実行中です。それが終わってから、もう一度コピーしてください");
}
} // namespace PackageCopy
