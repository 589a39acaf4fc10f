// The text helpers of the page-set formats.
#include "TextUtil.h"

#include <QTest>

class TestTextUtil : public QObject {
    Q_OBJECT
private slots:
    void lineEndingsAndHex() {
        QCOMPARE(TextUtil::withLfLineEnds(QStringLiteral("a\r\nb\rc\n")), QStringLiteral("a\nb\nc\n"));
        QCOMPARE(TextUtil::withLfLineEnds(QByteArray("a\r\n\r\rb")), QByteArray("a\n\n\nb"));
        QCOMPARE(TextUtil::twoHexDigits(0), QStringLiteral("00"));
        QCOMPARE(TextUtil::twoHexDigits(10), QStringLiteral("0a"));
        QCOMPARE(TextUtil::twoHexDigits(255), QStringLiteral("ff"));
    }

    // A name from the disk as a message shows it, whatever its bytes.
    void shownName_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("UTF-8") << QByteArray("ランダム") << QStringLiteral("ランダム");
        QTest::newRow("Shift_JIS") << QByteArray("\x83T\x83"
                                                 "E\x83\x93\x83h")
                                   << QStringLiteral("サウンド");
        QTest::newRow("neither") << QByteArray("a\x83\xff.wav") << QStringLiteral("a\\x83\\xff.wav");
        QTest::newRow("a control character") << QByteArray("a\x01\nb") << QStringLiteral("a\\x01\\x0ab");
    }
    void shownName() {
        QFETCH(QByteArray, name);
        QFETCH(QString, shown);
        QCOMPARE(TextUtil::shownName(name), shown);
    }
};

QTEST_GUILESS_MAIN(TestTextUtil)
#include "tst_textutil.moc"
