// Whole-file reading, the safe write and the text encodings, on real files in temporary folders.
// Not covered here: the windows that use them (each subsystem's own tests).
#include "FileIO.h"
#include "JsEval.h"
#include "TestFiles.h"
#include "TextCodec.h"

#include <QTemporaryDir>
#include <QTest>

using TextCodec::Encoding;
Q_DECLARE_METATYPE(std::optional<Encoding>)

class TestFileIO : public QObject {
    Q_OBJECT
private slots:
    void detectsTheEncoding_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<Encoding>>("encoding");
        QTest::newRow("ascii") << QByteArray("var a=['x'];\n") << std::optional(Encoding::Utf8);
        QTest::newRow("utf-8") << QByteArray("\xE3\x81\x82") << std::optional(Encoding::Utf8);
        QTest::newRow("utf-8 with bom") << QByteArray("\xEF\xBB\xBF"
                                                      "a")
                                        << std::optional(Encoding::Utf8);
        // "ソ" and "ゼ" end in the bytes of "\" and "["
        QTest::newRow("shift_jis") << QByteArray("\x83\x5C\x83\x5B\x82\xA0") << std::optional(Encoding::ShiftJis);
        QTest::newRow("latin-1 at the end") << QByteArray("Caf\xE9") << std::optional<Encoding>();
        QTest::newRow("latin-1 before a quote") << QByteArray("'Caf\xE9'") << std::optional<Encoding>();
        QTest::newRow("utf-16 bom") << QByteArray("\xFF\xFEv\0", 4) << std::optional<Encoding>();
    }
    void detectsTheEncoding() {
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<Encoding>, encoding);
        QCOMPARE(TextCodec::Detect(bytes), encoding);
        // What is detected comes back byte for byte.
        if (encoding)
            QCOMPARE(TextCodec::Encode(TextCodec::Decode(bytes, *encoding), *encoding), std::optional(bytes));
    }
    void refusesWhatAnEncodingCannotCarry() {
        const QString text = QString::fromUtf8("あé😀");
        QCOMPARE(TextCodec::FirstUncarriable(text, Encoding::ShiftJis), std::optional(QString::fromUtf8("é")));
        QCOMPARE(TextCodec::FirstUncarriable(QString::fromUtf8("あ😀"), Encoding::ShiftJis),
                 std::optional(QString::fromUtf8("😀")));
        QVERIFY(!TextCodec::Encode(text, Encoding::ShiftJis));
        QCOMPARE(TextCodec::FirstUncarriable(text, Encoding::Utf8), std::nullopt);
        QCOMPARE(TextCodec::FirstUncarriable(QString(QChar(0xD800)), Encoding::Utf8),
                 std::optional(QString(QChar(0xD800))));
    }
    void engineReadsWhatThePageReads() {
        // The judge itself: rows of nested arrays, holes as empty cells. An old octal literal, which a
        // browser reads as another number, does not parse at all here.
        const JsEval::Result rows = JsEval::Rows("var d=[[[10,'a','b'],[,'c','d']]];", "d", true);
        QVERIFY2(rows.ok(), qPrintable(rows.error));
        QCOMPARE(rows.rows, (QList<QStringList>{{"10", "a", "b"}, {"", "c", "d"}}));
        QVERIFY(!JsEval::Rows("var d=[[010,'a']];", "d").ok());
        QVERIFY(!JsEval::Rows("var d=[['abc\\']];", "d").ok());
        QVERIFY(!JsEval::Rows("var e=1;", "d").ok());
    }
};

QTEST_GUILESS_MAIN(TestFileIO)
#include "tst_fileio.moc"
