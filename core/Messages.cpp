#include "Messages.h"

#include "TextUtil.h"

#include <QStringList>
#include <cerrno>
#include <cstring>

namespace Messages {
QString why(int code) {
    switch (code) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("見つかりません");
    case EACCES:
    case EPERM:
        return QStringLiteral("アクセスが許可されていません");
    case EROFS:
        return QStringLiteral("ディスクが書き込み禁止です");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("空き容量が足りません");
    case EFBIG:
        return QStringLiteral("ファイルが大きすぎます");
    case ENAMETOOLONG:
        return QStringLiteral("名前が長すぎます");
    case EISDIR:
    case FileIO::kNotRegular:
        return QStringLiteral("通常のファイルではありません");
    // A FUSE card whose daemon has gone gives ECONNABORTED or ENOTCONN; a pulled card EIO or ENODEV.
    case EIO:
    case ENXIO:
    case ENODEV:
    case ESTALE:
    case ENOTCONN:
    case ECONNABORTED:
    case ENOMEDIUM:
    case ESHUTDOWN:
        return QStringLiteral("ディスクを読み書きできません（取り出された可能性があります）");
    case ENOTEMPTY:
        return QStringLiteral("同じ名前のフォルダがすでにあり、空ではありません");
    case EEXIST:
        return QStringLiteral("同じ名前のものがすでにあります");
    case EILSEQ:
        return QStringLiteral("名前にディスクが扱えない文字があります");
    case EINVAL:
        return QStringLiteral("ディスクがこの名前か操作を受け付けませんでした");
    case ELOOP:
        return QStringLiteral("リンクが循環しています");
    case EMLINK:
        return QStringLiteral("フォルダに入れられる数を超えました");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("開いているファイルが多すぎます");
    case ENOMEM:
        return QStringLiteral("メモリが足りません");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("ほかのプログラムが使用中です");
    case EAGAIN:
        return QStringLiteral("一時的に使えません");
    case EINTR:
        return QStringLiteral("操作が中断されました");
    case ETIMEDOUT:
        return QStringLiteral("ディスクが応答しません");
    case EOPNOTSUPP:
    case ENOSYS:
        return QStringLiteral("ディスクがこの操作に対応していません");
    case EXDEV:
        return QStringLiteral("ディスクをまたいでは行えません");
    case FileIO::kTooLarge:
        return QStringLiteral("64MBより大きいファイルです");
    case FileIO::kStoppedShort:
        return QStringLiteral("書き込みが途中で止まりました");
    case FileIO::kNotAName:
        return QStringLiteral("ファイル名として使えない名前です");
    case FileIO::kChanged:
        return QStringLiteral("読み込んだ後にほかから書き換えられました");
    default:
        break;
    }
    const char* name = code > 0 ? ::strerrorname_np(code) : nullptr;
    return QStringLiteral("システムのエラーが起きました（%1）")
        .arg(name ? QString::fromLatin1(name) : QStringLiteral("エラー番号 %1").arg(code));
}

QString reason(const FileIO::Failure& failure) {
    if (failure.error == EACCES || failure.error == EPERM) {
        // Before the write, the target file itself; at the temporary file, the folder it goes in.
        if (failure.step == FileIO::Step::Check)
            return QStringLiteral("ファイルが書き込み禁止です");
        if (failure.step == FileIO::Step::Create)
            return QStringLiteral("フォルダが書き込み禁止です");
    }
    return why(failure.error);
}

QString cannotRead(const QString& fileName, const FileIO::Failure& failure) {
    return cannotRead(fileName, reason(failure));
}

QString cannotWrite(const QString& fileName, const FileIO::Failure& failure) {
    return cannotWrite(fileName, reason(failure));
}

QString cannotRead(const QString& fileName, const QString& why) {
    return QStringLiteral("%1を読み込めませんでした（%2）...").arg(fileName, why);
}

QString cannotWrite(const QString& fileName, const QString& why) {
    return QStringLiteral("%1に書き込めませんでした（%2）...").arg(fileName, why);
}

QString iconArtUnreadable(const QString& fileName) {
    return QStringLiteral("アイコンの絵を読み込めなかったため、%1を作れませんでした...").arg(fileName);
}

QString neitherEncoding(const QString& fileName, const QString& consequence) {
    return QStringLiteral("%1の文字コードがUTF-8でもShift_JISでもないため%2").arg(fileName, consequence);
}

QString cannotCarry(const QString& field, const QString& piece, TextCodec::Encoding encoding, const QString& file) {
    return QStringLiteral("%1の%2は%3の%4には書けません")
        .arg(field, TextUtil::shown(piece), TextCodec::name(encoding), file);
}

QString cannotCarrySo(const QString& field, const QString& piece, TextCodec::Encoding encoding, const QString& file,
                      const QString& consequence) {
    return QStringLiteral("%1の%2は%3の%4には書けないため%5")
        .arg(field, TextUtil::shown(piece), TextCodec::name(encoding), file, consequence);
}

QString lines(const QList<qsizetype>& lines) {
    QStringList shown;
    for (qsizetype line : lines)
        shown << QStringLiteral("%1行目").arg(line);
    return shown.join(QStringLiteral("、"));
}

QString markerCount(const QString& fileName, const QString& what, const QString& marker,
                    const QList<ScriptScan::Comment>& markers, const QString& consequence) {
    QList<qsizetype> at;
    for (const ScriptScan::Comment& m : markers)
        at << m.line;
    return QStringLiteral(
               "%1の%2の目印「%3」が%4つあるため%5（%6）。目印は、%2の前と後ろに1行ずつ、2つだけにして下さい...")
        .arg(fileName, what, marker, QString::number(markers.size()), consequence, lines(at));
}

QString unfinishedScript() {
    return QStringLiteral(
        "スクリプトが正しく終わっていません（文字列、コメントや括弧が閉じていない、HTML形式のコメントが"
        "ある、など）");
}

QString scriptDoesNotParse(const QString& fileName, qsizetype line, const QString& engineWords) {
    return QStringLiteral("%1の%2行目がJavaScriptとして読めません（%3）。ページはこのファイルを実行できず、"
                          "そのデータを読み込めないため、表示も保存もしません。%2行目を直してから開き直してください...")
        .arg(fileName, QString::number(line), engineWords);
}

QString saveWouldBreakScript(const QString& fileName, qsizetype line, const QString& engineWords) {
    return QStringLiteral("保存すると%1の%2行目がJavaScriptとして読めなくなる（%3）ため、保存しません。"
                          "ファイルは変更していません...")
        .arg(fileName, QString::number(line), engineWords);
}

QString pageShowsGarbled(const QString& fileName, TextCodec::Encoding file, TextCodec::Encoding page) {
    return QStringLiteral("%1は%2で書かれていますが、ページ（n.htm）は%3と宣言しているため、ページでは%1の"
                          "文字が化けて表示されます。%1は%2のまま保存します...")
        .arg(fileName, TextCodec::name(file), TextCodec::name(page));
}
} // namespace Messages
