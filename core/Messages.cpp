#include "Messages.h"

#include "TextUtil.h"

#include <QStringList>

namespace Messages {
QString CannotRead(const QString& fileName, const QString& why) {
    return QStringLiteral("%1を読み込めませんでした（%2）...").arg(fileName, why);
}

QString CannotWrite(const QString& fileName, const QString& why) {
    return QStringLiteral("%1に書き込めませんでした（%2）...").arg(fileName, why);
}

QString NeitherEncoding(const QString& fileName, const QString& consequence) {
    return QStringLiteral("%1の文字コードがUTF-8でもShift_JISでもないため%2").arg(fileName, consequence);
}

QString CannotCarry(const QString& field, const QString& piece, TextCodec::Encoding encoding, const QString& file) {
    return QStringLiteral("%1の%2は%3の%4には書けません")
        .arg(field, TextUtil::Shown(piece), TextCodec::Name(encoding), file);
}

QString CannotCarrySo(const QString& field, const QString& piece, TextCodec::Encoding encoding, const QString& file,
                      const QString& consequence) {
    return QStringLiteral("%1の%2は%3の%4には書けないため%5")
        .arg(field, TextUtil::Shown(piece), TextCodec::Name(encoding), file, consequence);
}

QString Lines(const QList<qsizetype>& lines) {
    QStringList shown;
    for (qsizetype line : lines)
        shown << QStringLiteral("%1行目").arg(line);
    return shown.join(QStringLiteral("、"));
}

QString UnfinishedScript() {
    return QStringLiteral(
        "スクリプトが正しく終わっていません（文字列、コメントや括弧が閉じていない、HTML形式のコメントが"
        "ある、など）");
}
} // namespace Messages
