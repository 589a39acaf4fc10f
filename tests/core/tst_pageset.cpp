// The page set on its own: the folder check (the first entry it misses, its message, the paths it
// got to) and the one way a file of the set is written. Not covered here: the folder dialog that
// shows the message and the preview that follows a write (shell tests).
#include "FileIO.h"
#include "Messages.h"
#include "PageSet.h"
#include "TestFiles.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using Entry = PageSet::Entry;
Q_DECLARE_METATYPE(std::optional<PageSet::Entry>)

class TestPageSet : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    // Each row leaves one entry out of a complete set.
    void check_data() {
        QTest::addColumn<QStringList>("skip");
        QTest::addColumn<std::optional<PageSet::Entry>>("missing");
        QTest::addColumn<QString>("message");
        QTest::newRow("complete") << QStringList() << std::optional<Entry>() << QString();
        // The top page needs only the folder; the preview then reads the card.
        QTest::newRow("n.htm") << QStringList{"n.htm"} << std::optional<Entry>() << QString();
        QTest::newRow("js") << QStringList{"js"} << std::optional(Entry::ScriptFolder) << "jsフォルダがありません...";
        QTest::newRow("plkpadbtn.js") << QStringList{"js/plkpadbtn.js"} << std::optional(Entry::ButtonData)
                                      << "plkpadbtn.jsファイルがありません...";
        QTest::newRow("pelkavin.css") << QStringList{"js/pelkavin.css"} << std::optional(Entry::StyleSheet)
                                      << "pelkavin.cssファイルがありません...";
        QTest::newRow("ninshiki_jp.js") << QStringList{"js/ninshiki_jp.js"} << std::optional(Entry::JapaneseWords)
                                        << "ninshiki_jp.jsファイルがありません...";
        QTest::newRow("ninshiki_en.js") << QStringList{"js/ninshiki_en.js"} << std::optional(Entry::EnglishWords)
                                        << "ninshiki_en.jsファイルがありません...";
        // Without the folder there is no icon inside it either.
        QTest::newRow("img") << QStringList{"img"} << std::optional(Entry::Icon)
                             << "apple-touch-icon.pngファイルがありません...";
        QTest::newRow("apple-touch-icon.png") << QStringList{"img/apple-touch-icon.png"} << std::optional(Entry::Icon)
                                              << "apple-touch-icon.pngファイルがありません...";
    }
    void check() {
        QFETCH(QStringList, skip);
        QFETCH(std::optional<PageSet::Entry>, missing);
        QFETCH(QString, message);
        const QString root = TestFiles::makePageSet(m_dir.filePath(QTest::currentDataTag()), skip);
        const PageSet::Check c = PageSet::open(root);
        QCOMPARE(c.missing, missing);
        if (missing)
            QCOMPARE(PageSet::missingMessage(*missing), message);
        // The paths the check got to, the missing entry's included; none after it.
        QCOMPARE(c.files.folder, root);
        QCOMPARE(c.files.topPage, root + "/n.htm");
        const struct {
            Entry entry;
            QString path;
        } files[] = {{Entry::ButtonData, c.files.buttonData},
                     {Entry::StyleSheet, c.files.styleSheet},
                     {Entry::JapaneseWords, c.files.words[0]},
                     {Entry::EnglishWords, c.files.words[1]},
                     {Entry::Icon, c.files.icon}};
        for (const auto& f : files) {
            const bool reached = !missing || f.entry <= *missing;
            QCOMPARE(f.path.isEmpty(), !reached || (f.entry == Entry::Icon && skip == QStringList{"img"}));
        }
    }
    void notAFolder() {
        const QString file = TestFiles::write(m_dir.filePath("file"), "x");
        const PageSet::Check c = PageSet::open(file);
        QCOMPARE(c.missing, std::optional(Entry::TopPage));
        QCOMPARE(PageSet::missingMessage(Entry::TopPage), QString("トップページがありません..."));
        QCOMPARE(c.files.folder, file);
        QVERIFY(c.files.topPage.isEmpty());
    }
    // A fifo would block the reader: it counts as missing. A folder in place of a file counts as there.
    void onlyFilesAndFoldersCount() {
        const QString root = TestFiles::makePageSet(m_dir.filePath("fifo"), {"js/pelkavin.css"});
        QCOMPARE(::mkfifo(qPrintable(root + "/js/pelkavin.css"), 0600), 0);
        QCOMPARE(PageSet::open(root).missing, std::optional(Entry::StyleSheet));
        const QString other = TestFiles::makePageSet(m_dir.filePath("folder"), {"js/ninshiki_en.js"});
        QVERIFY(QDir().mkpath(other + "/js/ninshiki_en.js"));
        QCOMPARE(PageSet::open(other).missing, std::nullopt);
    }
    // A check that stops early leaves the later paths of the set as they were.
    void adoptTakesWhatTheCheckGotTo() {
        PageSet set;
        set.adopt(PageSet::open(TestFiles::makePageSet(m_dir.filePath("first"))));
        const PageSet::Files first = set.files();
        const QString second = TestFiles::makePageSet(m_dir.filePath("second"), {"js/pelkavin.css"});
        set.adopt(PageSet::open(second));
        QCOMPARE(set.folder(), second);
        QCOMPARE(set.buttonData(), second + "/js/plkpadbtn.js");
        QCOMPARE(set.styleSheet(), second + "/js/pelkavin.css");
        QCOMPARE(set.words(PageSet::Language::Japanese), first.words[0]);
        QCOMPARE(set.icon(), first.icon);
    }

    // A write goes through the safe write and is announced; a refusal or a failure is not, and
    // leaves the file as it was.
    void writeAndRewrite() {
        const QString root = TestFiles::makePageSet(m_dir.filePath("write"));
        PageSet set;
        set.adopt(PageSet::open(root));
        QSignalSpy written(&set, &PageSet::written);
        QCOMPARE(set.rewrite(Entry::ButtonData,
                             [](const QByteArray& now, QString*) -> std::optional<QByteArray> { return now + "y"; }),
                 QString());
        QCOMPARE(TestFiles::read(set.buttonData()), QByteArray("xy"));
        QCOMPARE(written.size(), 1);
        QCOMPARE(written.at(0).at(0).value<PageSet::Entry>(), Entry::ButtonData);

        const auto refuse = [](const QByteArray&, QString* refusal) -> std::optional<QByteArray> {
            *refusal = "no";
            return std::nullopt;
        };
        QCOMPARE(set.rewrite(Entry::StyleSheet, refuse), QString("no"));
        FileIO::injectWriteFailure(0);
        QCOMPARE(set.write(Entry::Icon, "new"), Messages::cannotWrite("apple-touch-icon.png", "空き容量が足りません"));
        QCOMPARE(TestFiles::read(set.icon()), QByteArray("x"));
        // A file gone at the save: said as a failed write, or as a failed read.
        QFile::remove(set.words(PageSet::Language::English));
        QCOMPARE(set.rewrite(Entry::EnglishWords, refuse), Messages::cannotWrite("ninshiki_en.js", "見つかりません"));
        QCOMPARE(set.rewrite(Entry::EnglishWords, refuse, PageSet::Unreadable::AsReadFailure),
                 Messages::cannotRead("ninshiki_en.js", "見つかりません"));
        QCOMPARE(written.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestPageSet)
#include "tst_pageset.moc"
