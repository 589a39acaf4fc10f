// The program package: the package check, the card scan, the copy of every variant onto a card
// (a small tmpfs mounted for each test where root allows it), and PackageCopyWindow driven by its controls.
// Not covered here: real removable media, that the final sync reaches the medium, and the browser
// itself (the platform seam records it).
#include "CardFixtures.h"
#include "CardVolumes.h"
#include "PackageCopy.h"
#include "PackageCopyWindow.h"
#include "PaletteWindow.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "Unprivileged.h"
#include "UploadSwitchWindow.h"
#include "WindowFrame.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace {
const QString kMain5 = "main5_InitFlag確認補完無し_シーン1固定0415_test2.RM4";
const QString kListen = "聞き音声にモーションdx.RM4";

QString nfd(const QString& s) {
    return s.normalized(QString::NormalizationForm_D);
}
QString nfc(const QString& s) {
    return s.normalized(QString::NormalizationForm_C);
}

// A package as unpacked from the archive, small: each variant's files hold "v<index>".
QString makePackage(const QString& root, bool decomposed = false) {
    auto put = [&](const QString& rel, const QByteArray& bytes) {
        TestFiles::write(root + '/' + (decomposed ? nfd(rel) : rel), bytes);
    };
    put("ADDON/a.txt", "addon");
    put("ADDON/sub/b.txt", "b");
    const QStringList variants = PackageCopy::variantFolders();
    for (int i = 0; i < 4; ++i) {
        const QString v = variants[i] + '/';
        const QByteArray tag = "v" + QByteArray::number(i);
        put(v + "1/x", tag);
        put(v + "5/y", tag);
        put(v + "ランダム/z", tag);
        if (i == 0 || i == 3)
            put(v + kMain5, tag);
        if (i == 1 || i == 2)
            put(v + "mainP.RM4", tag);
    }
    put(variants[2] + '/' + kListen, "v2");
    put(variants[3] + "/voice/v.wav", "v3");
    put(variants[3] + "/ロビクル/k.txt", "v3");
    return root;
}

QStringList stage2(const QString& tag) {
    return {"1/",
            "1/1/",
            "1/1/x=" + tag,
            "5/",
            "5/5/",
            "5/5/y=" + tag,
            "ランダム/",
            "ランダム/ランダム/",
            "ランダム/ランダム/z=" + tag};
}

// The card after a complete copy of the variant onto a card that held only SD_WLAN/CONFIG.
QStringList expected(int variant) {
    QStringList files = {"ADDON/",   "ADDON/a.txt=addon", "ADDON/sub/", "ADDON/sub/b.txt=b",
                         "SD_WLAN/", "SD_WLAN/CONFIG=c"};
    const QString tag = "v" + QString::number(variant);
    files += stage2(tag);
    if (variant == 0 || variant == 3)
        files << kMain5 + "=" + tag;
    if (variant == 1 || variant == 2)
        files << "mainP.RM4=" + tag;
    if (variant == 2)
        files << kListen + "=v2";
    if (variant == 3)
        files += {"voice/",    "voice/voice/",       "voice/voice/v.wav=v3",
                  "ロビクル/", "ロビクル/ロビクル/", "ロビクル/ロビクル/k.txt=v3"};
    files.sort();
    return files;
}

QByteArray bytes(const QString& path) {
    return QFile::encodeName(path);
}

void closePackageCopyWindow() {
    if (PackageCopyWindow::isOpen())
        delete PackageCopyWindow::instance();
}
} // namespace

class TestPackage : public QObject {
    Q_OBJECT
    QTemporaryDir* m_dir = nullptr;
    MountedCard* m_mount = nullptr;
    QString m_disk, m_card, m_package;
    const std::chrono::milliseconds m_timeLimit = VolumeScan::timeLimit();

    PackageCopyWindow* openWith(const QString& package) {
        scripted()->volumes = {{"Macintosh HD", m_disk}, {"FlashAir", m_card}};
        PackageCopyWindow* w = PackageCopyWindow::instance();
        scripted()->folders.enqueue(package);
        QTest::mouseClick(w->findChild<QPushButton*>("choosePackageButton"), Qt::LeftButton);
        return w;
    }
    void start(PackageCopyWindow* w, int variant) {
        w->findChild<QComboBox*>("variantList")->setCurrentIndex(variant);
        QTest::mouseClick(w->findChild<QPushButton*>("startCopyButton"), Qt::LeftButton);
        // The copy runs in a worker; its end comes back through the event loop.
        QTRY_VERIFY_WITH_TIMEOUT(!w->isCopying(), 120000);
    }
    QString progress(PackageCopyWindow* w) { return w->findChild<QLabel*>("progress")->text(); }
    // The card as real cards are: exFAT, names that differ only in case are one name.
    void useExFatCard() {
        delete m_mount;
        m_mount = new MountedCard(m_card, 8 << 20, MountedCard::Fs::ExFat);
        if (m_mount->skipReason().isEmpty())
            TestFiles::write(m_card + "/SD_WLAN/CONFIG", "c");
    }

private slots:
    void initTestCase() {
        PaletteWindow::setOpener(PaletteWindow::Tool::PackageCopyWindow, PaletteWindow::openerOf<PackageCopyWindow>());
    }
    void init() {
        ScriptedPlatform::install();
        m_dir = new QTemporaryDir;
        m_disk = m_dir->filePath("disk");
        m_card = m_dir->filePath("card");
        m_package = m_dir->filePath("pkg/リモート接続用ロビプログラム");
        QDir().mkpath(m_disk);
        m_mount = new MountedCard(m_card);
        TestFiles::write(m_card + "/SD_WLAN/CONFIG", "c");
    }
    void cleanup() {
        closePackageCopyWindow();
        VolumeScan::setTimeLimit(m_timeLimit);
        delete m_mount;
        // QTemporaryDir cannot remove names that are not UTF-8.
        removeTree(bytes(m_dir->path()));
        delete m_dir;
    }

    void frame() {
        scripted()->volumes = {{"disk", "/"}, {"FlashAir", m_card}};
        checkFrame(PackageCopyWindow::instance(), QAccessible::Window, "リモート接続プログラムFlashAir作成",
                   kLaidOutLimit, "variantList");
    }

    void cardRow_data() {
        QTest::addColumn<QStringList>("volumes"); // "-": no SD_WLAN, "d": folder, "f": file
        QTest::addColumn<int>("row");
        QTest::newRow("no card") << QStringList{"-", "-"} << 0;
        QTest::newRow("two cards, later wins") << QStringList{"d", "-", "d", "-"} << 2;
        QTest::newRow("a file named SD_WLAN") << QStringList{"-", "f"} << 1;
        QTest::newRow("no volume") << QStringList{} << -1;
    }
    void cardRow() {
        QFETCH(QStringList, volumes);
        QFETCH(int, row);
        QList<VolumeInfo> list;
        for (int i = 0; i < volumes.size(); ++i) {
            const QString root = m_dir->filePath("vol" + QString::number(i));
            QDir().mkpath(root);
            if (volumes[i] == "d")
                QDir().mkpath(root + "/SD_WLAN");
            if (volumes[i] == "f")
                TestFiles::write(root + "/SD_WLAN", "");
            list.append({"v" + QString::number(i), root});
        }
        scripted()->volumes = list;
        auto* pm = PackageCopyWindow::instance()->findChild<QComboBox*>("volumeList");
        QCOMPARE(pm->count(), volumes.size());
        QCOMPARE(pm->currentIndex(), row);
        if (row >= 0)
            QCOMPARE(pm->itemData(row).toString(), list[row].root);
    }

    void packageCheck_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("nfd");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("missing"); // the entry the refusal names
        QTest::newRow("complete") << "" << false << true << "";
        QTest::newRow("complete, names decomposed on disk") << "" << true << true << "";
        for (const QString& e : PackageCopy::packageEntries())
            QTest::newRow(qPrintable("without " + e)) << "remove " + e << false << false << e;
        QTest::newRow("an entry that is a file") << "file ロビクル" << false << true << "";
        // The usual slip: the folder the archive was unpacked into, one level too high.
        QTest::newRow("the folder above the package") << "parent" << false << false << "ADDON";
    }
    void packageCheck() {
        QFETCH(QString, change);
        QFETCH(bool, nfd);
        QFETCH(bool, accepted);
        QFETCH(QString, missing);
        makePackage(m_package, nfd);
        const QString entry = change == "parent" ? QString() : change.section(' ', 1);
        if (!entry.isEmpty())
            QVERIFY(QDir(PackageCopy::entryPath(m_package, entry)).removeRecursively());
        if (change.startsWith("file"))
            TestFiles::write(m_package + '/' + entry, "");
        // A package accepted before is forgotten when the next choice fails.
        QTemporaryDir good;
        makePackage(good.filePath("p"));
        PackageCopyWindow* w = openWith(good.filePath("p"));
        QCOMPARE(w->packageFolder(), good.filePath("p"));
        scripted()->folders.enqueue(change == "parent" ? QFileInfo(m_package).path() : m_package);
        QTest::mouseClick(w->findChild<QPushButton*>("choosePackageButton"), Qt::LeftButton);
        QCOMPARE(!w->packageFolder().isEmpty(), accepted);
        // A refusal says so when the folder is chosen, naming the entry that is missing.
        QCOMPARE(scripted()->messages,
                 accepted ? QStringList{}
                          : QStringList{"選んだフォルダに「" + missing +
                                        "」がありません。Robi_550.zipを解凍してできた「リモート接続用ロビプログラム」"
                                        "フォルダを選択してください..."});
        scripted()->messages.clear();
        const QStringList cardBefore = tree(m_card);
        if (!accepted) {
            start(w, 0);
            QCOMPARE(tree(m_card), cardBefore);
        }
        // Cancelling the chooser keeps what was accepted.
        const QString kept = w->packageFolder();
        QTest::mouseClick(w->findChild<QPushButton*>("choosePackageButton"), Qt::LeftButton);
        QCOMPARE(w->packageFolder(), kept);
        QVERIFY(scripted()->messages.isEmpty());
    }

    void copyVariant_data() {
        QTest::addColumn<int>("variant");
        QTest::addColumn<bool>("nfd");
        QTest::addColumn<bool>("exFat");
        for (bool nfd : {false, true})
            for (int variant = 0; variant < 4; ++variant)
                QTest::addRow("variant %d%s", variant, nfd ? " (decomposed)" : "") << variant << nfd << false;
        QTest::newRow("variant 3 on exFAT") << 3 << false << true;
        QTest::newRow("variant 2 on exFAT (decomposed)") << 2 << true << true;
    }
    void copyVariant() {
        QFETCH(int, variant);
        QFETCH(bool, nfd);
        QFETCH(bool, exFat);
        if (exFat)
            useExFatCard();
        NEED_CARD();
        makePackage(m_package, nfd);
        const QStringList package = tree(m_package);
        PackageCopyWindow* w = openWith(m_package);
        start(w, variant);
        QCOMPARE(scripted()->messages, QStringList{"完了しました..."});
        QCOMPARE(progress(w), QString());
        QCOMPARE(tree(m_card), expected(variant));
        // Again onto the same card: files replaced (also one of the same size), folders reused,
        // nothing nests deeper; a file that holds the package's bytes already is left as it is.
        TestFiles::write(m_card + "/ADDON/a.txt", "old");
        TestFiles::write(m_card + "/1/1/x", "vX");
        struct stat before {};
        QCOMPARE(::stat(bytes(m_card + "/ADDON/sub/b.txt").constData(), &before), 0);
        start(w, variant);
        QCOMPARE(scripted()->messages, (QStringList{"完了しました...", "完了しました..."}));
        QCOMPARE(tree(m_card), expected(variant));
        QCOMPARE(tree(m_package), package);
        struct stat after {};
        QCOMPARE(::stat(bytes(m_card + "/ADDON/sub/b.txt").constData(), &after), 0);
        if (!exFat) // exfat-fuse makes up its inode numbers
            QCOMPARE(after.st_ino, before.st_ino);
    }

    // The copy runs off the window's thread: an event queued after the start is handled while it
    // runs, with the controls disabled; the close box waits for the copy's end.
    void windowAnswersDuringCopy() {
        delete m_mount;
        m_mount = new MountedCard(m_card, 32 << 20, MountedCard::Fs::ExFat);
        NEED_CARD();
        TestFiles::write(m_card + "/SD_WLAN/CONFIG", "c"); // the card the list preselects
        makePackage(m_package);
        for (int i = 0; i < 1500; ++i)
            TestFiles::write(QString("%1/ADDON/many/f%2").arg(m_package).arg(i), QByteArray::number(i));
        PackageCopyWindow* w = openWith(m_package);
        const QStringList controls = {"variantList", "choosePackageButton", "rescanButton", "volumeList",
                                      "startCopyButton"};
        auto enabled = [&] {
            QStringList on;
            for (const QString& name : controls)
                if (w->findChild<QWidget*>(name)->isEnabled())
                    on << name;
            return on;
        };
        QCOMPARE(enabled(), controls);
        w->findChild<QComboBox*>("variantList")->setCurrentIndex(0);
        QTest::mouseClick(w->findChild<QPushButton*>("startCopyButton"), Qt::LeftButton);
        QVERIFY(w->isCopying());
        bool handled = false, copying = false;
        QStringList enabledMeanwhile = {"not handled"};
        QTimer::singleShot(0, w, [&] {
            handled = true;
            copying = w->isCopying();
            enabledMeanwhile = enabled();
        });
        QTRY_VERIFY_WITH_TIMEOUT(handled, 120000);
        QVERIFY(copying);
        QCOMPARE(enabledMeanwhile, QStringList());
        QVERIFY(!w->close());
        QVERIFY(w->isVisible());
        QVERIFY(scripted()->messages.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!PackageCopyWindow::isOpen(), 120000);
        QCOMPARE(scripted()->messages, QStringList{"完了しました..."});
        QCOMPARE(TestFiles::read(m_card + "/ADDON/many/f1499"), QByteArray("1499"));
        QCOMPARE(QDir(m_card + "/ADDON/many").entryList(QDir::Files).size(), 1500);
        // Quitting deletes the windows: the copy ends first, whole.
        for (int i = 0; i < 1500; ++i)
            TestFiles::write(QString("%1/ADDON/many/f%2").arg(m_package).arg(i), "new" + QByteArray::number(i));
        w = openWith(m_package);
        QTest::mouseClick(w->findChild<QPushButton*>("startCopyButton"), Qt::LeftButton);
        QVERIFY(w->isCopying());
        delete w;
        QCOMPARE(TestFiles::read(m_card + "/ADDON/many/f1499"), QByteArray("new1499"));
        QCOMPARE(QDir(m_card + "/ADDON/many").entryList(QDir::Files | QDir::Hidden).size(), 1500);
    }

    void copyMergesAcrossNameForms() {
        makePackage(m_package, true);
        TestFiles::write(m_card + "/ランダム/ランダム/old", "kept");
        const QList<PackageCopy::CopyStep> steps = PackageCopy::makePlan(m_package, 0).stage2;
        QStringList seen;
        PackageCopy::Card card(m_card);
        QVERIFY(card.runSteps(steps, [&](const QString& t) { seen << nfc(t); }));
        QCOMPARE(seen, (QStringList{"Create as 1", "x", "Create as 5", "y", "Create as ランダム", "z"}));
        QStringList random;
        for (const QString& e : QDir(m_card).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (nfc(e) == "ランダム")
                random << e;
        QCOMPARE(random, QStringList{"ランダム"});
        QCOMPARE(TestFiles::read(m_card + "/ランダム/ランダム/old"), QByteArray("kept"));
        QCOMPARE(TestFiles::read(PackageCopy::entryPath(m_card + "/ランダム/ランダム", "z")), QByteArray("v0"));
    }

    void copyFails_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("variant");
        QTest::addColumn<QString>("progress");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        const QString missing = "\n見つかりません";
        QTest::newRow("stage-3 file missing")
            << "remove ロビ(初販版,再販版,第三版)/" + kMain5 << 0 << kMain5 + missing
            << QStringList{"ADDON/a.txt", "1/1/x", "ランダム/ランダム/z"} << QStringList{kMain5};
        QTest::newRow("variant-0 folder without 1") << "remove ロビ(初販版,再販版,第三版)/1" << 0 << "1" + missing
                                                    << QStringList{"ADDON/a.txt", "1"} << QStringList{"1/1", "5"};
        QTest::newRow("variant-1 folder without ランダム")
            << "remove ロビのココロ2/ランダム" << 1 << "ランダム" + missing << QStringList{"1/1/x", "5/5/y", "ランダム"}
            << QStringList{"ランダム/ランダム", "mainP.RM4"};
        QTest::newRow("variant-3 folder without 5")
            << "remove ロビクル/5" << 3 << "5" + missing << QStringList{"1/1/x", "5"}
            << QStringList{"5/5", "ランダム", kMain5, "voice"};
        // A copy onto itself is refused before anything is written, and the line says why.
        QTest::newRow("package is the card")
            << "package on card" << 0 << "ADDON\nパッケージフォルダがカード上にあります" << QStringList{}
            << QStringList{"1"};
        QTest::newRow("card inside the package")
            << "card in package" << 0 << "ADDON\nカードがパッケージフォルダの中にあります" << QStringList{}
            << QStringList{"ADDON"};
        const QString gone = "FlashAir\nカードが見つかりません（取り出された可能性があります）";
        QTest::newRow("card taken out after the scan") << "card gone" << 0 << gone << QStringList{} << QStringList{};
        QTest::newRow("card taken out, its mount folder left behind")
            << "unmount" << 0 << gone << QStringList{} << QStringList{"ADDON"};
        QTest::newRow("card no longer listed") << "unlisted" << 0 << gone << QStringList{} << QStringList{"ADDON"};
        QTest::newRow("card taken out, mount folder left and still listed")
            << "unmount, still listed" << 0 << gone << QStringList{} << QStringList{"ADDON"};
        QTest::newRow("read-only card") << "read-only card" << 0 << "Create as ADDON\nアクセスが許可されていません"
                                        << QStringList{} << QStringList{"ADDON"};
        QTest::newRow("read-only folder on the card") << "read-only ADDON" << 0 << "a.txt\nフォルダが書き込み禁止です"
                                                      << QStringList{"ADDON/a.txt"} << QStringList{"1"};
    }
    void copyFails() {
        QFETCH(QString, change);
        QFETCH(int, variant);
        QFETCH(QString, progress);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        NEED_CARD();
        if (change == "package on card")
            m_package = m_card;
        std::optional<MountedCard> inner;
        if (change == "card in package") {
            m_card = m_package + "/ADDON/card";
            inner.emplace(m_card);
            QVERIFY(inner->skipReason().isEmpty());
        }
        makePackage(m_package);
        TestFiles::write(m_card + "/SD_WLAN/CONFIG", "c");
        if (change.startsWith("remove "))
            QVERIFY(QFile::remove(m_package + '/' + change.mid(7)) ||
                    QDir(m_package + '/' + change.mid(7)).removeRecursively());
        std::optional<ReadOnly> readOnly;
        if (change == "read-only card")
            readOnly.emplace(m_card);
        if (change == "read-only ADDON") {
            // Whichever entry comes first, the copy stops at a.txt: sub/b.txt holds its bytes already.
            TestFiles::write(m_card + "/ADDON/a.txt", "old");
            TestFiles::write(m_card + "/ADDON/sub/b.txt", "b");
            readOnly.emplace(m_card + "/ADDON");
        }
        if (readOnly && !readOnly->ok())
            QSKIP("cannot make a folder read-only here");
        const QStringList package = tree(m_package);
        const QStringList card = tree(m_card);

        PackageCopyWindow* w = openWith(m_package);
        QVERIFY(!w->packageFolder().isEmpty());
        if (change == "card gone" || change.startsWith("unmount"))
            QVERIFY(m_mount->unmount());
        if (change == "card gone")
            QVERIFY(QDir(m_card).removeRecursively());
        if (change == "unlisted" || change == "unmount")
            scripted()->volumes.removeLast();
        start(w, variant);
        QCOMPARE(scripted()->messages, QStringList{"作成エラー"});
        QCOMPARE(nfc(this->progress(w)), progress);
        for (const QString& p : present)
            QVERIFY2(QFileInfo::exists(m_card + '/' + p), qPrintable(p));
        for (const QString& p : absent)
            QVERIFY2(!QFileInfo::exists(m_card + '/' + p), qPrintable(p));
        if (change.startsWith("read-only") || m_package == m_card || m_card.startsWith(m_package)) {
            // Nothing was written, not even a temporary file; an old file stays whole.
            readOnly.reset();
            QCOMPARE(tree(m_card), card);
        }
        QCOMPARE(tree(m_package), package);
        // A card that is gone is not made again as a plain folder; a mount folder left behind on
        // the disk stays empty.
        QCOMPARE(QFileInfo::exists(m_card), change != "card gone");
        if (change.startsWith("unmount"))
            QCOMPARE(tree(m_card), QStringList{});
    }

    // A card that already holds the files: an old file stays byte for byte however the card fails.
    void failingCardKeepsTheOldFiles_data() { FailingFolder::addRows(); }
    void failingCardKeepsTheOldFiles() {
        QFETCH(WriteFailure, failure);
        NEED_CARD();
        makePackage(m_package);
        TestFiles::write(m_card + "/ADDON/a.txt", "old");
        TestFiles::write(m_card + "/ADDON/sub/b.txt", "old b");
        PackageCopyWindow* w = openWith(m_package);
        QVERIFY(!w->packageFolder().isEmpty());
        FailingFolder folder(failure, m_card + "/ADDON");
        if (!folder.skipReason().isEmpty())
            QSKIP(qPrintable(folder.skipReason()));
        start(w, 0);
        QCOMPARE(scripted()->messages, QStringList{"作成エラー"});
        QCOMPARE(TestFiles::read(m_card + "/ADDON/a.txt"), QByteArray("old"));
        QCOMPARE(folder.entries(), (QStringList{"a.txt", "sub"}));
        QVERIFY(!QFileInfo::exists(m_card + "/1"));
    }

    // A folder of changed files is written two at a time: after one fails, the line still names it
    // and why, it keeps its old bytes, and every other file is wholly old or wholly new.
    void failureAmongFilesWrittenSideBySide() {
        useExFatCard();
        NEED_CARD();
        makePackage(m_package);
        QStringList names;
        for (int i = 0; i < 24; ++i)
            names << QString("f%1.RM4").arg(i, 2, 10, QChar('0'));
        for (const QString& name : names)
            TestFiles::write(m_package + "/ADDON/many/" + name, "old");
        // Unpacked a while ago, as a package is: the card's copies are newer, so a repeat copy
        // leaves them (the card keeps times coarser than the disk).
        for (QDirIterator it(m_package, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            QFile f(it.next());
            QVERIFY(f.open(QIODevice::ReadWrite) &&
                    f.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
        }
        PackageCopyWindow* w = openWith(m_package);
        QVERIFY(!w->packageFolder().isEmpty());
        start(w, 0);
        QCOMPARE(scripted()->messages, QStringList{"完了しました..."});
        for (const QString& name : names)
            TestFiles::write(m_package + "/ADDON/many/" + name, "new " + name.toUtf8());
        FileIO::injectWriteFailure(2); // the next file finished breaks off, as on a card pulled out
        start(w, 0);
        FileIO::injectWriteFailure(-1);
        QCOMPARE(scripted()->messages.last(), QString("作成エラー"));
        const QString failed = progress(w).section('\n', 0, 0);
        QVERIFY2(names.contains(failed), qPrintable(progress(w)));
        QVERIFY2(!progress(w).section('\n', 1).isEmpty(), qPrintable(progress(w)));
        QCOMPARE(TestFiles::read(m_card + "/ADDON/many/" + failed), QByteArray("old"));
        for (const QString& name : names) {
            const QByteArray now = TestFiles::read(m_card + "/ADDON/many/" + name);
            QVERIFY2(now == "old" || now == "new " + name.toUtf8(), qPrintable(name));
        }
        for (const QString& e : tree(m_card))
            QVERIFY2(!e.contains(".pkltmp-"), qPrintable(e));
    }

    // Links already on the card in the way of the package are replaced, never written through.
    void linksOnTheCard_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("toFolder");
        QTest::newRow("a file of the package, to a file") << "ADDON/a.txt" << false;
        QTest::newRow("a file of the package, to a folder") << kMain5 << true;
        QTest::newRow("the package's ADDON, to a folder") << "ADDON" << true;
        QTest::newRow("a folder inside ADDON, to a folder") << "ADDON/sub" << true;
        QTest::newRow("a destination folder, to a folder") << "1" << true;
        QTest::newRow("a destination folder, to a file") << "5" << false;
        QTest::newRow("a folder below a destination, to a folder") << "ランダム/ランダム" << true;
    }
    void linksOnTheCard() {
        QFETCH(QString, link);
        QFETCH(bool, toFolder);
        NEED_CARD();
        makePackage(m_package);
        const QString outside = m_dir->filePath("elsewhere");
        TestFiles::write(outside + "/file.txt", "mine");
        TestFiles::write(outside + "/folder/kept.txt", "kept");
        const QStringList outsideBefore = tree(outside);
        QDir().mkpath(QFileInfo(m_card + '/' + link).absolutePath());
        QVERIFY(QFile::link(outside + (toFolder ? "/folder" : "/file.txt"), m_card + '/' + link));
        PackageCopyWindow* w = openWith(m_package);
        start(w, 0);
        QCOMPARE(scripted()->messages, QStringList{"完了しました..."});
        QCOMPARE(tree(outside), outsideBefore);
        QCOMPARE(tree(m_card), expected(0));
    }

    // Folders and files that cannot be read end the copy; they are never copied empty. A folder is
    // found out before anything is written, a file when the copy reaches it. Runs as an ordinary
    // user, for whom file modes hold.
    void unreadableSource_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("progress");
        QTest::addColumn<bool>("addonCopied");
        QTest::newRow("unreadable folder") << "ADDON/voice"
                                           << "ADDON/voice\nアクセスが許可されていません" << false;
        QTest::newRow("unreadable file") << "ADDON/a.txt"
                                         << "a.txt\nアクセスが許可されていません" << true;
    }
    void unreadableSource() {
        QFETCH(QString, entry);
        QFETCH(QString, progress);
        QFETCH(bool, addonCopied);
        auto attempt = [&](const QString& dir) {
            m_card = dir + "/card";
            PackageCopyWindow* w = openWith(dir + "/pkg/リモート接続用ロビプログラム");
            QVERIFY(!w->packageFolder().isEmpty());
            start(w, 0);
            QCOMPARE(scripted()->messages, QStringList{"作成エラー"});
            QCOMPARE(this->progress(w), progress);
        };
        if (Unprivileged::isChild())
            return attempt(Unprivileged::dir());
        NEED_CARD();
        makePackage(m_package);
        TestFiles::write(m_package + "/ADDON/voice/v.wav", "v");
        Unprivileged::giveTo(m_dir->path(), *Unprivileged::gid());
        QVERIFY(::chmod(bytes(m_package + '/' + entry).constData(), 0) == 0);
        const QByteArray function = QByteArray("unreadableSource:") + QTest::currentDataTag();
        const QString failed = Unprivileged::run(function.constData(), m_dir->path());
        if (failed.startsWith("skip"))
            QSKIP(qPrintable(failed));
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QCOMPARE(QFileInfo::exists(m_card + "/ADDON"), addonCopied);
        QVERIFY(!QFileInfo::exists(m_card + "/1"));
    }

    // Entries whose names are not UTF-8 (a package unpacked from a Shift_JIS archive) have no name
    // on a card: the copy is refused before anything is written, the line naming the entry as
    // Shift_JIS reads it, and saying what to do.
    void undecodableNames() {
        NEED_CARD();
        makePackage(m_package);
        const QByteArray addon = bytes(m_package + "/ADDON/");
        const QByteArray file = "\x83\x8d\x83\x72.txt", folder = "\x89\xb9\x90\xba", inner = "\x83\x4c.wav";
        auto put = [](const QByteArray& path, const QByteArray& data) {
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            QVERIFY(fd >= 0);
            QCOMPARE(::write(fd, data.constData(), size_t(data.size())), ssize_t(data.size()));
            ::close(fd);
        };
        put(addon + file, "sjis");
        QVERIFY(::mkdir((addon + folder).constData(), 0755) == 0);
        put(addon + folder + '/' + inner, "wav");
        QVERIFY(::mkdir(bytes(m_card + "/ADDON").constData(), 0755) == 0);
        put(bytes(m_card + "/ADDON/a.txt"), "old");
        const QStringList card = tree(m_card);
        PackageCopyWindow* w = openWith(m_package);
        start(w, 0);
        QCOMPARE(scripted()->messages, QStringList{"作成エラー"});
        const QString reason = "\n名前がUTF-8ではないため、カードに書けません。アーカイブを、名前がUTF-8になるように"
                               "解凍し直してから、もう一度コピーしてください";
        const QString shown = progress(w);
        QVERIFY2(shown == "ADDON/ロビ.txt" + reason || shown == "ADDON/音声" + reason, qPrintable(shown));
        QCOMPARE(tree(m_card), card);
    }

    // A repeat copy needs room for the package once plus its two largest files (it writes two at a
    // time); with less than one it stops, and every file on the card is wholly the old one or wholly
    // the new one.
    // A fresh copy that runs out of room keeps what it wrote, whole, under the real names.
    void nearlyFullCard_data() {
        QTest::addColumn<qint64>("room");
        QTest::addColumn<bool>("fits");
        QTest::addColumn<bool>("fresh");
        QTest::newRow("room for the two largest files")
            << qint64(150 * 1024) << true << false; // a little over, for the file system's own blocks
        QTest::newRow("less room than the largest file") << qint64(60 * 1024) << false << false;
        QTest::newRow("fresh copy, less room than the package") << qint64(150 * 1024) << false << true;
    }
    void nearlyFullCard() {
        QFETCH(qint64, room);
        QFETCH(bool, fits);
        QFETCH(bool, fresh);
        NEED_CARD();
        makePackage(m_package);
        const QStringList big = {"f0", "f1", "f2", "f3"};
        auto fill = [&](char c) {
            for (const QString& f : big)
                TestFiles::write(m_package + "/ADDON/big/" + f, QByteArray(64 * 1024, c));
        };
        fill('a');
        PackageCopyWindow* w = openWith(m_package);
        if (!fresh) {
            start(w, 0);
            QCOMPARE(scripted()->messages, QStringList{"完了しました..."});
            fill('b');
        }
        struct statvfs vfs {};
        QVERIFY(::statvfs(bytes(m_card).constData(), &vfs) == 0);
        const qint64 free = qint64(vfs.f_bavail) * qint64(vfs.f_bsize);
        QVERIFY(free > room);
        const QString filler = TestFiles::write(m_card + "/filler", QByteArray(free - room, 'x'));
        QVERIFY(QFileInfo(filler).size() == free - room);
        start(w, 0);
        QCOMPARE(scripted()->messages.last(), QString(fits ? "完了しました..." : "作成エラー"));
        int old = 0, present = 0;
        for (const QString& f : big) {
            if (fresh && !QFileInfo::exists(m_card + "/ADDON/big/" + f))
                continue;
            ++present;
            const QByteArray now = TestFiles::read(m_card + "/ADDON/big/" + f);
            QVERIFY2(now == QByteArray(64 * 1024, 'a') || now == QByteArray(64 * 1024, 'b'), qPrintable(f));
            old += now.startsWith('a');
        }
        QVERIFY(present > 0);
        if (fresh)
            QVERIFY(present < big.size());
        else
            QCOMPARE(old > 0, !fits);
        if (!fits && !fresh)
            QCOMPARE(TestFiles::read(m_card + "/ADDON/big/" + progress(w).section('\n', 0, 0)),
                     QByteArray(64 * 1024, 'a'));
        for (const QString& e : tree(m_card))
            QVERIFY2(!e.contains(".pkltmp-"), qPrintable(e));
    }

    // Temporary files and folders an interrupted copy left go in every folder the next copy writes;
    // names of any other pattern stay.
    void staleTemporaryFilesRemoved() {
        NEED_CARD();
        makePackage(m_package);
        const QStringList folders = {"", "ADDON/", "ADDON/sub/", "1/", "1/1/", "ランダム/ランダム/"};
        const QStringList others = {".pkltmp-ABCD1234", "x.pkltmp-abcd1234", ".pkltmp-abc"};
        QStringList kept = expected(0);
        for (const QString& f : folders) {
            TestFiles::write(m_card + '/' + f + ".pkltmp-abcd1234", "stale");
            TestFiles::write(m_card + '/' + f + ".pkltmp-folder00/inner/x", "stale");
            for (const QString& o : others) {
                TestFiles::write(m_card + '/' + f + o, "other");
                kept << f + o + "=other";
            }
        }
        kept.sort();
        start(openWith(m_package), 0);
        QCOMPARE(scripted()->messages, QStringList{"完了しました..."});
        QCOMPARE(tree(m_card), kept);
    }

    // --- What the copy refuses before it writes anything, and the card that ignores case ---

    // Two package entries that one card name would hold stop the copy before anything is written,
    // the line naming one and its reason the other; a card entry of another case is the one the
    // package's entry merges into or replaces. On exFAT, as real cards are.
    void caseBlindCard_data() {
        QTest::addColumn<QStringList>("package"); // added to the package: "path=content"
        QTest::addColumn<QStringList>("card");    // on the card before the copy
        QTest::addColumn<QStringList>("clash");   // folder, then the two names; empty: the copy succeeds
        QTest::addColumn<QStringList>("after");   // then on the card, besides SD_WLAN
        QTest::newRow("files that differ in case")
            << QStringList{"ADDON/Motion.RM4=1", "ADDON/motion.RM4=2"} << QStringList{}
            << QStringList{"ADDON", "Motion.RM4", "motion.RM4"} << QStringList{};
        QTest::newRow("folders that differ in case")
            << QStringList{"ADDON/Voice/a.wav=1", "ADDON/voice/b.wav=2"} << QStringList{}
            << QStringList{"ADDON", "Voice", "voice"} << QStringList{};
        QTest::newRow("deeper down, against an entry of the package")
            << QStringList{"ADDON/sub/B.TXT=B"} << QStringList{} << QStringList{"ADDON/sub", "b.txt", "B.TXT"}
            << QStringList{};
        QTest::newRow("names that differ in Unicode form")
            << QStringList{"ADDON/ランダム=1", "ADDON/" + nfd("ランダム") + "=2"} << QStringList{}
            << QStringList{"ADDON", "ランダム", nfd("ランダム")} << QStringList{};
        QTest::newRow("card entries of another case are merged into")
            << QStringList{} << QStringList{"Addon/A.TXT=old", "Addon/SUB/old.txt=kept"} << QStringList{}
            << QStringList{"Addon/", "Addon/A.TXT=addon", "Addon/SUB/", "Addon/SUB/b.txt=b", "Addon/SUB/old.txt=kept"};
    }
    void caseBlindCard() {
        QFETCH(QStringList, package);
        QFETCH(QStringList, card);
        QFETCH(QStringList, clash);
        QFETCH(QStringList, after);
        useExFatCard();
        NEED_CARD();
        makePackage(m_package);
        for (const QString& e : package)
            TestFiles::write(m_package + '/' + e.section('=', 0, 0), e.section('=', 1).toUtf8());
        for (const QString& e : card)
            TestFiles::write(m_card + '/' + e.section('=', 0, 0), e.section('=', 1).toUtf8());
        const QStringList cardBefore = tree(m_card), packageBefore = tree(m_package);
        start(openWith(m_package), 0);
        if (!clash.isEmpty()) {
            QCOMPARE(scripted()->messages, QStringList{"作成エラー"});
            // The folder lists the two in either order: the second is named, the first is the reason.
            auto line = [&](const QString& named, const QString& other) {
                return clash[0] + '/' + named + "\nカードでは「" + other + "」と同じ名前になります";
            };
            const QString shown = progress(PackageCopyWindow::instance());
            QVERIFY2(shown == line(clash[1], clash[2]) || shown == line(clash[2], clash[1]), qPrintable(shown));
            QCOMPARE(tree(m_card), cardBefore);
        } else {
            QCOMPARE(scripted()->messages, QStringList{"完了しました..."});
            QStringList whole = expected(0).filter(QRegularExpression("^(?!ADDON/)"));
            whole += after;
            whole.sort();
            QCOMPARE(tree(m_card), whole);
        }
        QCOMPARE(tree(m_package), packageBefore);
    }

    // A link in the package that leads to a file or folder inside it is copied as what it leads to;
    // any other link stops the copy before anything is written, at the top of a step as well as
    // inside one. Nothing outside the card changes; no link reaches the card.
    void linksInThePackage_data() {
        QTest::addColumn<QString>("link");   // in the package; an entry there is removed first
        QTest::addColumn<QString>("target"); // what the link holds; "@" is the folder outside the package
        QTest::addColumn<int>("variant");
        QTest::addColumn<QString>("reason");     // empty: the copy succeeds
        QTest::addColumn<QStringList>("copied"); // then on the card among the rest
        const QString outside = "\nパッケージの外を指すリンクです", loop = "\nリンクが循環しています";
        QTest::newRow("inside, to a file") << "ADDON/alias.RM4"
                                           << "a.txt" << 0 << "" << QStringList{"ADDON/alias.RM4=addon"};
        QTest::newRow("inside, to a folder") << "ADDON/alias"
                                             << "sub" << 0 << "" << QStringList{"ADDON/alias/", "ADDON/alias/b.txt=b"};
        QTest::newRow("inside, to another folder of the package")
            << "ADDON/kokoro"
            << "../ロビクル/voice" << 0 << "" << QStringList{"ADDON/kokoro/v.wav=v3"};
        QTest::newRow("a step's own source, inside")
            << "ADDON"
            << "ロビクル/voice" << 0 << "" << QStringList{"ADDON/", "ADDON/v.wav=v3"};
        QTest::newRow("outside, to a folder") << "ADDON/out"
                                              << "@" << 0 << "ADDON/out" + outside << QStringList{};
        QTest::newRow("outside, to a file") << "ADDON/secret.txt"
                                            << "@/secret.txt" << 0 << "ADDON/secret.txt" + outside << QStringList{};
        QTest::newRow("outside, up and out") << "ADDON/sub/up"
                                             << "../../../../outside" << 0 << "ADDON/sub/up" + outside << QStringList{};
        QTest::newRow("a step's own source, outside") << "ADDON"
                                                      << "@" << 0 << "ADDON" + outside << QStringList{};
        QTest::newRow("a variant folder, outside") << "ロビクル"
                                                   << "@" << 3 << "ロビクル" + outside << QStringList{};
        QTest::newRow("loop, to the folder that holds it") << "ADDON/sub/up"
                                                           << ".." << 0 << "ADDON/sub/up" + loop << QStringList{};
        QTest::newRow("loop, to the package") << "ADDON/all"
                                              << ".." << 0 << "ADDON/all" + loop << QStringList{};
        QTest::newRow("loop, to itself") << "ADDON/self"
                                         << "self" << 0 << "ADDON/self" + loop << QStringList{};
        QTest::newRow("dangling") << "ADDON/gone.RM4"
                                  << "nothing.RM4" << 0 << "ADDON/gone.RM4\nリンク先がありません" << QStringList{};
        QTest::newRow("a step's own file, dangling")
            << "ロビのココロ2/mainP.RM4"
            << "nothing.RM4" << 1 << "ロビのココロ2/mainP.RM4\nリンク先がありません" << QStringList{};
    }
    void linksInThePackage() {
        QFETCH(QString, link);
        QFETCH(QString, target);
        QFETCH(int, variant);
        QFETCH(QString, reason);
        QFETCH(QStringList, copied);
        NEED_CARD();
        makePackage(m_package);
        const QString outside = m_dir->filePath("outside");
        TestFiles::write(outside + "/secret.txt", "secret");
        const QString path = m_package + '/' + link;
        QVERIFY(QFile::remove(path) || QDir(path).removeRecursively() || !QFileInfo::exists(path));
        QVERIFY(::symlink(bytes(target.startsWith('@') ? outside + target.mid(1) : target).constData(),
                          bytes(path).constData()) == 0);
        const QStringList cardBefore = tree(m_card), packageBefore = tree(m_package), outsideBefore = tree(outside);
        PackageCopyWindow* w = openWith(m_package);
        QVERIFY(!w->packageFolder().isEmpty());
        start(w, variant);
        if (reason.isEmpty()) {
            QCOMPARE(scripted()->messages, QStringList{"完了しました..."});
            const QStringList now = tree(m_card);
            for (const QString& e : copied)
                QVERIFY2(now.contains(e), qPrintable(e));
            QVERIFY2(now.filter(QRegularExpression("@$")).isEmpty(), qPrintable(now.join(' ')));
        } else {
            QCOMPARE(scripted()->messages, QStringList{"作成エラー"});
            QCOMPARE(nfc(progress(w)), reason);
            QCOMPARE(tree(m_card), cardBefore);
        }
        QCOMPARE(tree(m_package), packageBefore);
        QCOMPARE(tree(outside), outsideBefore);
    }

    void linkAndLayout() {
        scripted()->volumes = {{"FlashAir", m_card}};
        PaletteWindow::instance()->openPackageCopy();
        QVERIFY(PackageCopyWindow::isOpen());
        PackageCopyWindow* w = PackageCopyWindow::instance();
        QCOMPARE(w->windowTitle(), QString("リモート接続プログラムFlashAir作成"));
        QCOMPARE(w->size(), QSize(470, 454));
        const QString ideo5(5, QChar(0x3000));
        QCOMPARE(w->findChild<QLabel*>("downloadStepLabel")->text(),
                 "前操作２、コルベナさんのページから「リモート接続用ロビプログラム」\n" + ideo5 +
                     "（Robi_550.zip）をダウンロード。\n" + ideo5 + "以下のURLをクリックするとダウンロードされます。");
        QCOMPARE(w->findChild<QLabel*>("packageStepLabel")->text(),
                 "１、Robi_550.zipをダウンロードし、解凍してできた\n" + QString(2, QChar(0x3000)) +
                     "「リモート接続用ロビプログラム」フォルダを選択");
        QCOMPARE(w->findChild<QLabel*>("insertHint")->text(),
                 QString("FlashAirを挿入してない場合は、\n挿入後、「アップデート」を押してください。"));
        auto* rh = w->findChild<QComboBox*>("variantList");
        QCOMPARE(rh->geometry(), QRect(240, 314, 210, 20));
        QCOMPARE(rh->currentIndex(), 0);
        QStringList items;
        for (int i = 0; i < rh->count(); ++i)
            items << rh->itemText(i);
        QCOMPARE(items, (QStringList{"ロビ(初販版,再販版,第三版)", "ロビのココロ２", "ロビのココロ２DX", "ロビクル"}));
        QCOMPARE(w->findChild<QLabel*>("progress")->text(), QString());
        QCOMPARE(w->findChild<QPushButton*>("startCopyButton")->geometry(), QRect(130, 404, 210, 20));

        auto* link = w->findChild<QLabel*>("downloadLink");
        QCOMPARE(link->text(), PackageCopyWindow::kDownloadAddress);
        QCOMPARE(link->geometry(), QRect(45, 119, 419, 20));
        QVERIFY(!link->font().underline());
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), link->mapToGlobal(QPointF(5, 5)));
        QCoreApplication::sendEvent(link, &enter);
        QVERIFY(link->font().underline());
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(link, &leave);
        QVERIFY(!link->font().underline());
        QCOMPARE(link->cursor().shape(), Qt::ArrowCursor);
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(scripted()->shownUrls, QList<QUrl>{QUrl(PackageCopyWindow::kDownloadAddress)});
        QVERIFY(QUrl(PackageCopyWindow::kDownloadAddress).fileName() == "Robi_550.zip");

        // A second click on the palette keeps the window's state; "アップデート" scans again.
        rh->setCurrentIndex(3);
        scripted()->volumes.prepend({"disk", m_disk});
        PaletteWindow::instance()->openPackageCopy();
        QCOMPARE(PackageCopyWindow::instance(), w);
        QCOMPARE(rh->currentIndex(), 3);
        auto* pm = w->findChild<QComboBox*>("volumeList");
        QCOMPARE(pm->count(), 1);
        QTest::mouseClick(w->findChild<QPushButton*>("rescanButton"), Qt::LeftButton);
        QCOMPARE(pm->count(), 2);
        QCOMPARE(pm->currentIndex(), 1);
        QVERIFY(scripted()->messages.isEmpty());
    }

    // The window's volume list: which card it preselects, and volumes that do not answer.

    // Where several volumes hold SD_WLAN (the card and a backup of it), the window takes the one the
    // upload window's name rule picks; otherwise the last one holding it.
    void cardPreselection_data() {
        QTest::addColumn<QStringList>("volumes"); // names; "+": holds SD_WLAN
        QTest::addColumn<int>("row");
        QTest::newRow("the card, then its backup") << QStringList{"disk", "FlashAir+", "USB-backup+"} << 1;
        QTest::newRow("the backup, then the card") << QStringList{"BACKUP+", "MicFA+"} << 1;
        QTest::newRow("two named cards: the later") << QStringList{"FlashAir+", "disk", "FLASHAIR2+"} << 2;
        QTest::newRow("two cards, neither named: the later") << QStringList{"a+", "b+", "c"} << 1;
        QTest::newRow("the named volume holds no SD_WLAN") << QStringList{"MicFA+", "FlashAir", "USB+"} << 0;
        QTest::newRow("one card, not named") << QStringList{"FlashAir", "USB+"} << 1;
        QTest::newRow("no card") << QStringList{"disk", "FlashAir"} << 0;
    }
    void cardPreselection() {
        QFETCH(QStringList, volumes);
        QFETCH(int, row);
        QList<VolumeInfo> list;
        for (int i = 0; i < volumes.size(); ++i) {
            const QString root = m_dir->filePath("vol" + QString::number(i));
            QDir().mkpath(root);
            if (volumes[i].endsWith('+'))
                QDir().mkpath(root + "/SD_WLAN");
            list.append({volumes[i].chopped(volumes[i].endsWith('+') ? 1 : 0), root});
        }
        scripted()->volumes = list;
        auto* pm = PackageCopyWindow::instance()->findChild<QComboBox*>("volumeList");
        QCOMPARE(pm->count(), volumes.size());
        QCOMPARE(pm->currentIndex(), row);
        // Where the upload window chooses a card, both windows choose the same one.
        const int upload = UploadSwitchWindow::instance()->findChild<QComboBox*>("volumeList")->currentIndex();
        delete UploadSwitchWindow::instance();
        if (upload >= 0 && volumes[upload].endsWith('+'))
            QCOMPARE(upload, row);
    }

    // A volume that does not answer (a stopped network share holding a backup of the card) is left
    // out once the time limit passes. The window opens without it and stays usable, asks it no second
    // time while its question is open, and closes without waiting for it.
    void volumeThatNeverAnswers() {
        VolumeScan::setTimeLimit(std::chrono::milliseconds(100));
        ScriptedVolumes& source = *scripted()->volumeScript;
        const QString share = m_dir->filePath("share");
        QDir().mkpath(share + "/SD_WLAN");
        source.volumes = {{"FlashAir", m_card}, {"share", share}};
        source.hold(share);
        PackageCopyWindow* w = PackageCopyWindow::instance();
        auto* pm = w->findChild<QComboBox*>("volumeList");
        auto* volumes = pm->findChild<CardVolumeList*>();
        QVERIFY(volumes);
        QTRY_VERIFY(!volumes->isScanning());
        QCOMPARE(pm->count(), 1);
        QCOMPARE(pm->itemText(0), QString("FlashAir"));
        QCOMPARE(pm->currentIndex(), 0);
        QCOMPARE(source.waiting(share), 1);

        QTest::mouseClick(w->findChild<QPushButton*>("rescanButton"), Qt::LeftButton);
        QVERIFY(volumes->isScanning());
        QTRY_VERIFY(!volumes->isScanning());
        QCOMPARE(pm->count(), 1);
        QCOMPARE(source.asked(share), 1);

        closePackageCopyWindow();
        QVERIFY(!PackageCopyWindow::isOpen());
        QCOMPARE(source.waiting(share), 1);
        source.release(share);
        QTRY_COMPARE(source.waiting(share), 0);
    }
};

PKL_GUI_TEST_MAIN(TestPackage)
#include "tst_packagecopywindow.moc"
