// The words of a failed read or write: every system error code as a Japanese sentence, the card
// pulled out said as such, and the system's own name only ever in parentheses after a sentence.
#include "FileIO.h"
#include "Messages.h"

#include <QRegularExpression>
#include <QTest>
#include <cerrno>
#include <cstring>

Q_DECLARE_METATYPE(FileIO::Step)

namespace {
const QString kCardGone = "ディスクを読み書きできません（取り出された可能性があります）";

// Holds Japanese: the sentence is not a bare system name or number.
bool isJapanese(const QString& text) {
    return text.contains(QRegularExpression("[\\x{3040}-\\x{30ff}\\x{4e00}-\\x{9fff}]"));
}
} // namespace

class TestMessages : public QObject {
    Q_OBJECT
private slots:
    void reasons_data() {
        QTest::addColumn<int>("error");
        QTest::addColumn<FileIO::Step>("step");
        QTest::addColumn<QString>("reason");
        using FileIO::Step;
        QTest::newRow("ENOENT") << ENOENT << Step::Open << "見つかりません";
        QTest::newRow("ENOSPC") << ENOSPC << Step::Write << "空き容量が足りません";
        QTest::newRow("EROFS") << EROFS << Step::Create << "ディスクが書き込み禁止です";
        // The same code, worded by what was being done.
        QTest::newRow("EACCES, the target") << EACCES << Step::Check << "ファイルが書き込み禁止です";
        QTest::newRow("EACCES, the folder") << EACCES << Step::Create << "フォルダが書き込み禁止です";
        QTest::newRow("EACCES, reading") << EACCES << Step::Open << "アクセスが許可されていません";
        QTest::newRow("EPERM, the target") << EPERM << Step::Check << "ファイルが書き込み禁止です";
        // A FUSE card whose daemon has gone, a card pulled out, a card that cannot be read.
        for (const int code : {ECONNABORTED, ENOTCONN, ENODEV, EIO})
            QTest::addRow("%s", ::strerrorname_np(code)) << code << Step::Write << kCardGone;
        QTest::newRow("ENOTEMPTY") << ENOTEMPTY << Step::Rename << "同じ名前のフォルダがすでにあり、空ではありません";
        QTest::newRow("EILSEQ") << EILSEQ << Step::Create << "名前にディスクが扱えない文字があります";
        QTest::newRow("EINVAL") << EINVAL << Step::Create << "ディスクがこの名前か操作を受け付けませんでした";
        // No words of its own: a general sentence, the system's name after it.
        QTest::newRow("ENOMSG") << ENOMSG << Step::Read << "システムのエラーが起きました（ENOMSG）";
        QTest::newRow("no name at all") << 4000 << Step::Read << "システムのエラーが起きました（エラー番号 4000）";
        QTest::newRow("not a regular file") << FileIO::kNotRegular << Step::Open << "通常のファイルではありません";
        QTest::newRow("too large") << FileIO::kTooLarge << Step::Read << "64MBより大きいファイルです";
        QTest::newRow("stopped short") << FileIO::kStoppedShort << Step::Write << "書き込みが途中で止まりました";
        QTest::newRow("not a name") << FileIO::kNotAName << Step::Check << "ファイル名として使えない名前です";
        QTest::newRow("changed since read")
            << FileIO::kChanged << Step::Check << "読み込んだ後にほかから書き換えられました";
    }
    void reasons() {
        QFETCH(int, error);
        QFETCH(FileIO::Step, step);
        QFETCH(QString, reason);
        QCOMPARE(Messages::reason({error, step}), reason);
        QCOMPARE(Messages::cannotWrite("CONFIG", {error, step}), "CONFIGに書き込めませんでした（" + reason + "）...");
    }

    // Every code the system knows: a Japanese sentence, and where the system's name appears, it stands
    // in parentheses at the end of one.
    void noSystemNameAlone() {
        for (int code = 1; code < 134; ++code) {
            const QString why = Messages::why(code);
            QVERIFY2(isJapanese(why), qPrintable(why));
            const char* name = ::strerrorname_np(code);
            if (name && why.contains(QString::fromLatin1(name))) {
                QVERIFY2(why.endsWith("（" + QString::fromLatin1(name) + "）"), qPrintable(why));
                QVERIFY2(isJapanese(why.chopped(qstrlen(name) + 2)), qPrintable(why));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestMessages)
#include "tst_messages.moc"
