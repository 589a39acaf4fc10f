// The text helpers of the page-set formats.
#include "TextUtil.h"

#include <QTest>

class TestTextUtil : public QObject {
    Q_OBJECT
private slots:
    void lineEndingsAndHex() {
        QCOMPARE(TextUtil::WithLfLineEnds(QStringLiteral("a\r\nb\rc\n")), QStringLiteral("a\nb\nc\n"));
        QCOMPARE(TextUtil::WithLfLineEnds(QByteArray("a\r\n\r\rb")), QByteArray("a\n\n\nb"));
        QCOMPARE(TextUtil::TwoHexDigits(0), QStringLiteral("00"));
        QCOMPARE(TextUtil::TwoHexDigits(10), QStringLiteral("0a"));
        QCOMPARE(TextUtil::TwoHexDigits(255), QStringLiteral("ff"));
    }
};

QTEST_GUILESS_MAIN(TestTextUtil)
#include "tst_textutil.moc"
