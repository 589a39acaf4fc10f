// The encodings: what the top page declares, which encoding each page-set file is read and written
// in beside it, and the Shift_JIS forms of the characters a Mac keyboard types.
#include "TextCodec.h"

#include <QTest>

using TextCodec::Encoding;
Q_DECLARE_METATYPE(std::optional<Encoding>)

namespace {
const std::optional<Encoding> kNone;
const std::optional<Encoding> kUtf8 = Encoding::Utf8;
const std::optional<Encoding> kSjis = Encoding::ShiftJis;
const QByteArray kSjisText = "var a = '\x97\xa7\x82\xc1\x82\xc4';";             // 立って
const QByteArray kUtf8Text = "var a = '\xe7\xab\x8b\xe3\x81\xa3\xe3\x81\xa6';"; // 立って
} // namespace

class TestTextCodec : public QObject {
    Q_OBJECT
private slots:
    void declared_data() {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<std::optional<Encoding>>("expected");
        QTest::newRow("meta charset") << QByteArray("<html><head><meta charset=\"Shift_JIS\">") << kSjis;
        QTest::newRow("meta charset, unquoted, case") << QByteArray("<HEAD><META CHARSET=utf-8>") << kUtf8;
        QTest::newRow("http-equiv") << QByteArray(
                                           "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=x-sjis\">")
                                    << kSjis;
        QTest::newRow("content before http-equiv")
            << QByteArray("<meta content='text/html;charset=UTF-8' http-equiv='content-type'>") << kUtf8;
        QTest::newRow("content without http-equiv") << QByteArray("<meta content=\"charset=Shift_JIS\">") << kNone;
        QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF<meta charset=\"Shift_JIS\">") << kUtf8;
        QTest::newRow("in a comment") << QByteArray("<!-- <meta charset=\"Shift_JIS\"> --><meta charset=utf-8>")
                                      << kUtf8;
        QTest::newRow("past 1024 bytes") << QByteArray(1100, ' ') + "<meta charset=\"Shift_JIS\">" << kNone;
        QTest::newRow("another encoding") << QByteArray("<meta charset=\"EUC-JP\">") << kNone;
        QTest::newRow("none") << QByteArray("<html><body>") << kNone;
    }
    void declared() {
        QFETCH(QByteArray, page);
        QFETCH(std::optional<Encoding>, expected);
        QCOMPARE(TextCodec::declared(page), expected);
    }

    // Page encodings against file encodings.
    void forFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<Encoding>>("page");
        QTest::addColumn<bool>("styleSheet");
        QTest::addColumn<std::optional<Encoding>>("encoding");
        QTest::addColumn<bool>("settles");
        QTest::addColumn<bool>("garbled");
        const QByteArray ascii = "var a = ['x'];";
        QTest::newRow("ASCII, Shift_JIS page") << ascii << kSjis << false << kSjis << false << false;
        QTest::newRow("ASCII, UTF-8 page") << ascii << kUtf8 << false << kUtf8 << false << false;
        QTest::newRow("ASCII, no declaration") << ascii << kNone << false << kUtf8 << false << false;
        QTest::newRow("Shift_JIS file, UTF-8 page") << kSjisText << kUtf8 << false << kSjis << true << true;
        QTest::newRow("UTF-8 file, Shift_JIS page") << kUtf8Text << kSjis << false << kUtf8 << true << true;
        QTest::newRow("Shift_JIS file, Shift_JIS page") << kSjisText << kSjis << false << kSjis << true << false;
        QTest::newRow("Shift_JIS file, no declaration") << kSjisText << kNone << false << kSjis << true << false;
        QTest::newRow("byte order mark, Shift_JIS page")
            << QByteArray("\xEF\xBB\xBF") + kUtf8Text << kSjis << false << kUtf8 << true << false;
        QTest::newRow("@charset, UTF-8 page") << QByteArray("@charset \"Shift_JIS\";\nbody { content: \"\x95\x5c\"; }")
                                              << kUtf8 << true << kSjis << true << false;
        QTest::newRow("@charset in a script is text")
            << QByteArray("@charset \"Shift_JIS\";") << kUtf8 << false << kUtf8 << false << false;
        QTest::newRow("neither") << QByteArray("var a = '\xff\xff';") << kUtf8 << false << kNone << false << false;
        // A big file is checked a piece at a time: a character across the 64 KiB mark is still one,
        // and a sequence cut short there is still no UTF-8.
        const QByteArray pad(65535, 'a');
        QTest::newRow("UTF-8 character across 64 KiB")
            << pad + kUtf8Text.mid(9) << kSjis << false << kUtf8 << true << true;
        QTest::newRow("UTF-8 cut short at 64 KiB")
            << pad + QByteArray("\xe7\xab") + QByteArray(70000, 'a') << kUtf8 << false << kSjis << true << true;
        QTest::newRow("UTF-8 fault past 64 KiB")
            << kUtf8Text + QByteArray(70000, 'a') + "\xe7" << kUtf8 << false << kNone << false << false;
    }
    void forFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<Encoding>, page);
        QFETCH(bool, styleSheet);
        QFETCH(std::optional<Encoding>, encoding);
        QFETCH(bool, settles);
        QFETCH(bool, garbled);
        const TextCodec::FileEncoding got = TextCodec::forFile(bytes, page, styleSheet);
        QCOMPARE(got.encoding, encoding);
        QCOMPARE(got.ownBytesSettle, settles);
        QCOMPARE(got.differsFromPage, garbled);
    }

    // What a Mac keyboard types goes into Shift_JIS under the codes the browser shows for it.
    void macForms_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("wave dash") << QStringLiteral("\u301C") << QByteArray("\x81\x60");
        QTest::newRow("minus sign") << QStringLiteral("\u2212") << QByteArray("\x81\x7C");
        QTest::newRow("double vertical line") << QStringLiteral("\u2016") << QByteArray("\x81\x61");
        QTest::newRow("em dash") << QStringLiteral("\u2014") << QByteArray("\x81\x5C");
        QTest::newRow("cent, pound, not")
            << QStringLiteral("\u00A2\u00A3\u00AC") << QByteArray("\x81\x91\x81\x92\x81\xCA");
        QTest::newRow("fullwidth tilde as it is") << QStringLiteral("\uFF5E") << QByteArray("\x81\x60");
    }
    void macForms() {
        QFETCH(QString, typed);
        QFETCH(QByteArray, bytes);
        QCOMPARE(TextCodec::encode(typed, Encoding::ShiftJis), std::optional<QByteArray>(bytes));
        QVERIFY(!TextCodec::firstUncarriable(typed, Encoding::ShiftJis));
        QCOMPARE(TextCodec::decode(bytes, Encoding::ShiftJis), TextCodec::stored(typed, Encoding::ShiftJis));
        QCOMPARE(TextCodec::stored(typed, Encoding::Utf8), typed);
        // A yen sign would be written as the backslash: still refused.
        QVERIFY(TextCodec::firstUncarriable(QStringLiteral("\u00A5"), Encoding::ShiftJis));
    }
};

QTEST_GUILESS_MAIN(TestTextCodec)
#include "tst_textcodec.moc"
