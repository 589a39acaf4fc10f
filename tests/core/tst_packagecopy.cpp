// The package copy below its window, onto an exFAT card image as real cards are: names the card
// cannot hold, card entries of the other kind in the way, two copies onto one card at once (two
// processes), and what a failed copy leaves. Needs root to mount the card; skipped otherwise.
// The window's own part (messages, the progress line shown) is in tst_packagecopywindow.
#include "CardFixtures.h"
#include "PackageCopy.h"
#include "TestFiles.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <unistd.h>

namespace {
const QString kVariant0 = "ロビ(初販版,再販版,第三版)";
const QString kMain5 = "main5_InitFlag確認補完無し_シーン1固定0415_test2.RM4";
// The child that holds the card: its card and package.
const char* kHolderCard = "PKL_HOLDER_CARD";
const char* kHolderPackage = "PKL_HOLDER_PACKAGE";

// A small package: ADDON and the first variant, each file holding its own name.
QString makePackage(const QString& root) {
    for (const QString& f : QStringList{"ADDON/a.txt", "ADDON/sub/b.txt", kVariant0 + "/1/x", kVariant0 + "/5/y",
                                        kVariant0 + "/ランダム/z", kVariant0 + '/' + kMain5})
        TestFiles::write(root + '/' + f, f.section('/', -1).toUtf8());
    for (const QString& v : PackageCopy::variantFolders().mid(1))
        QDir().mkpath(root + '/' + v);
    return root;
}

// A file by the bytes of its path, with the folders above it.
void put(const QByteArray& path, const QByteArray& data) {
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1))
        ::mkdir(path.left(slash).constData(), 0755);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY2(fd >= 0, path.constData());
    QCOMPARE(::write(fd, data.constData(), size_t(data.size())), ssize_t(data.size()));
    ::close(fd);
}

bool copyAll(PackageCopy::Card& card, const PackageCopy::Plan& plan, const PackageCopy::Progress& progress) {
    return card.runSteps(plan.stage1, progress) && card.runSteps(plan.stage2, progress) &&
           card.runSteps(plan.stage3, progress) && card.sync();
}

// The card after a complete copy of variant 0 onto a card that held only SD_WLAN/CONFIG.
QStringList copied() {
    QStringList files = {"ADDON/",
                         "ADDON/a.txt=a.txt",
                         "ADDON/sub/",
                         "ADDON/sub/b.txt=b.txt",
                         "SD_WLAN/",
                         "SD_WLAN/CONFIG=c",
                         "1/",
                         "1/1/",
                         "1/1/x=x",
                         "5/",
                         "5/5/",
                         "5/5/y=y",
                         "ランダム/",
                         "ランダム/ランダム/",
                         "ランダム/ランダム/z=z",
                         kMain5 + "=" + kMain5};
    files.sort();
    return files;
}

} // namespace

class TestPackageCopy : public QObject {
    Q_OBJECT
    QTemporaryDir* m_dir = nullptr;
    MountedCard* m_mount = nullptr;
    QString m_card, m_package;
    QStringList m_lines;
    const PackageCopy::Progress m_progress = [this](const QString& line) { m_lines << line; };

private slots:
    void init() {
        m_lines.clear();
        if (qEnvironmentVariableIsSet(kHolderCard))
            return;
        m_dir = new QTemporaryDir;
        m_card = m_dir->filePath("card");
        m_package = makePackage(m_dir->filePath("pkg"));
        m_mount = new MountedCard(m_card, 8 << 20, MountedCard::Fs::ExFat);
        if (m_mount->skipReason().isEmpty())
            TestFiles::write(m_card + "/SD_WLAN/CONFIG", "c");
    }
    void cleanup() {
        delete m_mount;
        m_mount = nullptr;
        if (m_dir)
            removeTree(QFile::encodeName(m_dir->path()));
        delete m_dir;
        m_dir = nullptr;
    }

    // A name FAT and exFAT cannot hold is refused by the check, before anything is written: the
    // line names the package path, readably, and which character or that the name is no UTF-8.
    // Trailing dots and blanks, and DEL, the card holds: they are copied.
    void namesTheCardCannotHold_data() {
        QTest::addColumn<QByteArray>("name"); // below ADDON/zz/
        QTest::addColumn<QString>("shown");   // empty: copied
        QTest::addColumn<QString>("reason");
        const QString after = "はカードのファイル名に使えません。パッケージを解凍し直すか名前を直してから、もう一度"
                              "コピーしてください";
        for (const char c : QByteArray(":?\"*<>|\\"))
            QTest::addRow("%c", c) << QByteArray("a") + c + "b.RM4"
                                   << "ADDON/zz/a" + QString(QChar(c)) + "b.RM4"
                                   << "名前の「" + QString(QChar(c)) + "」" + after;
        QTest::newRow("control character") << QByteArray("a\x01"
                                                         "b.RM4")
                                           << "ADDON/zz/a\\x01b.RM4"
                                           << "名前の文字（U+0001）" + after;
        QTest::newRow("line break") << QByteArray("a\nb") << "ADDON/zz/a\\x0ab"
                                    << "名前の改行" + after;
        const QString notUtf8 = "名前がUTF-8ではないため、カードに書けません。アーカイブを、名前がUTF-8になるように"
                                "解凍し直してから、もう一度コピーしてください";
        // "サウンド" kept as Shift_JIS bytes by the unpacker, a folder with a file in it.
        QTest::newRow("Shift_JIS folder") << QByteArray("\x83T\x83"
                                                        "E\x83\x93\x83h/v.wav")
                                          << "ADDON/zz/サウンド" << notUtf8;
        QTest::newRow("neither UTF-8 nor Shift_JIS") << QByteArray("\xff.wav") << "ADDON/zz/\\xff.wav" << notUtf8;
        QTest::newRow("trailing dot") << QByteArray("a.") << QString() << QString();
        QTest::newRow("trailing blank") << QByteArray("a ") << QString() << QString();
        QTest::newRow("DEL") << QByteArray("a\x7f"
                                           "b")
                             << QString() << QString();
    }
    void namesTheCardCannotHold() {
        QFETCH(QByteArray, name);
        QFETCH(QString, shown);
        QFETCH(QString, reason);
        NEED_CARD();
        put(QFile::encodeName(m_package) + "/ADDON/zz/" + name, "new");
        // A card that holds the older package: it must not end up half old, half new.
        TestFiles::write(m_card + "/ADDON/a.txt", "old");
        const QStringList before = tree(m_card);
        PackageCopy::Card card(m_card);
        const PackageCopy::Plan plan = PackageCopy::makePlan(m_package, 0);
        if (shown.isEmpty()) {
            QVERIFY2(card.check(plan, m_progress), qPrintable(m_lines.join(' ')));
            QVERIFY(copyAll(card, plan, m_progress));
            QCOMPARE(readBytes(QFile::encodeName(m_card) + "/ADDON/zz/" + name), QByteArray("new"));
            return;
        }
        QVERIFY(!card.check(plan, m_progress));
        QCOMPARE(m_lines, QStringList{shown + '\n' + reason});
        QCOMPARE(tree(m_card), before);
    }

    // A card entry of the other kind where the package puts a file or folder stops the check: the
    // line names the package path, and the card path, what is there, and what to do. A link or an
    // empty folder in the way is replaced, so the copy goes ahead.
    void entryOfTheOtherKindInTheWay_data() {
        QTest::addColumn<QStringList>("card"); // "path=content", "path/" an empty folder
        QTest::addColumn<QString>("line");     // empty: copied
        auto line = [](const QString& package, const QString& card, const QString& found, const QString& wanted) {
            return package + "\nカードの「" + card + "」は" + found + "のため、そこに" + wanted + "。カードの「" +
                   card + "」を削除するか名前を変えてから、もう一度コピーしてください";
        };
        const QString folder = "フォルダを作れません", file = "ファイルを書けません";
        QTest::newRow("a file where a folder goes")
            << QStringList{"ADDON/sub=x"} << line("ADDON/sub", "ADDON/sub", "ファイル", folder);
        QTest::newRow("a folder where a file goes")
            << QStringList{"ADDON/a.txt/kept=x"} << line("ADDON/a.txt", "ADDON/a.txt", "空でないフォルダ", file);
        QTest::newRow("a file where a step's own folder goes, another case")
            << QStringList{"addon=x"} << line("ADDON", "addon", "ファイル", folder);
        QTest::newRow("a file in place of a destination folder")
            << QStringList{"1=x"} << line(kVariant0 + "/1", "1", "ファイル", folder);
        QTest::newRow("a file below a destination folder")
            << QStringList{"1/1=x"} << line(kVariant0 + "/1", "1/1", "ファイル", folder);
        QTest::newRow("a folder where a step's own file goes")
            << QStringList{kMain5 + "/kept=x"} << line(kVariant0 + '/' + kMain5, kMain5, "空でないフォルダ", file);
        QTest::newRow("an empty folder where a file goes") << QStringList{"ADDON/a.txt/"} << QString();
    }
    void entryOfTheOtherKindInTheWay() {
        QFETCH(QStringList, card);
        QFETCH(QString, line);
        NEED_CARD();
        for (const QString& e : card)
            if (e.endsWith('/'))
                QDir().mkpath(m_card + '/' + e);
            else
                TestFiles::write(m_card + '/' + e.section('=', 0, 0), e.section('=', 1).toUtf8());
        const QStringList before = tree(m_card);
        PackageCopy::Card copy(m_card);
        const PackageCopy::Plan plan = PackageCopy::makePlan(m_package, 0);
        if (line.isEmpty()) {
            QVERIFY2(copy.check(plan, m_progress), qPrintable(m_lines.join(' ')));
            QVERIFY(copyAll(copy, plan, m_progress));
            QCOMPARE(tree(m_card), copied());
            return;
        }
        QVERIFY(!copy.check(plan, m_progress));
        QCOMPARE(m_lines, QStringList{line});
        QCOMPARE(tree(m_card), before);
    }

    // Two copies onto one card at once, from two processes: the one that comes second refuses at
    // once and writes nothing; the first completes; afterwards the card takes a copy again.
    void twoCopiesAtOnce() {
        if (qEnvironmentVariableIsSet(kHolderCard)) {
            // The first copy: holds the card from its check on, until told to go on.
            PackageCopy::Card card(qEnvironmentVariable(kHolderCard));
            const PackageCopy::Plan plan = PackageCopy::makePlan(qEnvironmentVariable(kHolderPackage), 0);
            QVERIFY(card.check(plan, m_progress));
            std::fputs("held\n", stdout);
            std::fflush(stdout);
            char c = 0;
            while (::read(STDIN_FILENO, &c, 1) > 0) {
            }
            QVERIFY2(copyAll(card, plan, m_progress), qPrintable(m_lines.join(' ')));
            return;
        }
        NEED_CARD();
        QProcess first;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kHolderCard, m_card);
        env.insert(kHolderPackage, m_package);
        first.setProcessEnvironment(env);
        first.setProcessChannelMode(QProcess::MergedChannels);
        first.start(QCoreApplication::applicationFilePath(), {"twoCopiesAtOnce"});
        QByteArray output;
        while (!output.contains("held\n") && first.waitForReadyRead(30000))
            output += first.readAll();
        QVERIFY2(output.contains("held\n"), output.constData());

        const QStringList before = tree(m_card);
        const PackageCopy::Plan plan = PackageCopy::makePlan(m_package, 0);
        const QString refusal =
            "card\nこのカードへの別のコピーが実行中です。それが終わってから、もう一度コピーしてください";
        {
            PackageCopy::Card second(m_card);
            QVERIFY(!second.check(plan, m_progress));
            QVERIFY(!second.runSteps(plan.stage1, m_progress));
            QCOMPARE(m_lines, (QStringList{refusal, refusal}));
        }
        QCOMPARE(tree(m_card), before);

        first.closeWriteChannel();
        QVERIFY(first.waitForFinished(60000));
        output += first.readAll();
        QVERIFY2(first.exitStatus() == QProcess::NormalExit && first.exitCode() == 0, output.constData());
        QCOMPARE(tree(m_card), copied());

        PackageCopy::Card again(m_card);
        QVERIFY(again.check(plan, m_progress));
        QVERIFY(copyAll(again, plan, m_progress));
        QCOMPARE(tree(m_card), copied());
    }

    // A folder new to the card is written under a temporary name; when it cannot take its real name
    // (something else made that folder meanwhile), the copy stops there and removes what it wrote.
    void noTemporaryFolderLeftAfterAFailure() {
        NEED_CARD();
        PackageCopy::Card card(m_card);
        const PackageCopy::Plan plan = PackageCopy::makePlan(m_package, 0);
        QVERIFY(card.check(plan, m_progress));
        bool made = false;
        const PackageCopy::Progress meanwhile = [&](const QString& line) {
            m_lines << line;
            if (line == "Create as ADDON" && !made)
                made = !TestFiles::write(m_card + "/ADDON/other", "other").isEmpty();
        };
        QVERIFY(!card.runSteps(plan.stage1, meanwhile));
        QVERIFY(made);
        QCOMPARE(m_lines.last(), QString("Create as ADDON\n同じ名前のフォルダがすでにあり、空ではありません"));
        QStringList left = {"ADDON/", "ADDON/other=other", "SD_WLAN/", "SD_WLAN/CONFIG=c"};
        QCOMPARE(tree(m_card), left);
    }
};

QTEST_GUILESS_MAIN(TestPackageCopy)
#include "tst_packagecopy.moc"
