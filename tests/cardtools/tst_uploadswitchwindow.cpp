// The upload switch window: the card's name rule, the CONFIG update (also on a full card), driven by
// its controls, with a volume list that answers late. Not covered here: the real volume list
// (tst_volumes), that the sync reaches the medium, and fonts.
#include "CardFixtures.h"
#include "FailingFolder.h"
#include "FileIO.h"
#include "PaletteWindow.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "Unprivileged.h"
#include "UploadConfig.h"
#include "UploadSwitchWindow.h"
#include "Volumes.h"
#include "WindowFrame.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <cerrno>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace {
void closeUploadSwitchWindow() {
    if (UploadSwitchWindow::isOpen())
        delete UploadSwitchWindow::instance();
}

// Writes until the card takes no further byte; twice, with a sync between, since a file system may
// give back room it kept for data not yet written out.
void fillCard(const QString& root) {
    static const QByteArray chunk(1 << 20, 'x');
    for (int pass = 0; pass < 2; ++pass) {
        const int fd = ::open(QFile::encodeName(root + "/filler").constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd < 0)
            return;
        for (qsizetype size = chunk.size(); size > 0; size /= 2)
            while (::write(fd, chunk.constData(), size_t(size)) > 0) {
            }
        // This card's file system only: a global sync would write out other tests' cards too.
        ::syncfs(fd);
        ::close(fd);
    }
}

const QString kWritten = "CONFIGファイルにUPLOAD=1を書き込みました...";
QString failedBecause(const QString& reason) {
    return "CONFIGファイルの書き換えに失敗しました（" + reason + "）...";
}
const QString kCardFull = "CONFIGファイルに書き込めませんでした（FlashAirの空き容量がありません）...";
} // namespace

class TestUploadSwitchWindow : public QObject {
    Q_OBJECT
    QTemporaryDir* m_dir = nullptr;
    QString m_card;
    const std::chrono::milliseconds m_timeLimit = VolumeScan::timeLimit();

private slots:
    void initTestCase() {
        PaletteWindow::setOpener(PaletteWindow::Tool::UploadSwitchWindow,
                                 PaletteWindow::openerOf<UploadSwitchWindow>());
    }
    void cleanupTestCase() { VolumeScan::setTimeLimit(m_timeLimit); }
    void init() {
        ScriptedPlatform::install();
        m_dir = new QTemporaryDir;
        QDir(m_dir->path()).mkpath("disk");
        m_card = m_dir->filePath("card");
        QDir().mkpath(m_card);
    }
    void cleanup() {
        closeUploadSwitchWindow();
        VolumeScan::setTimeLimit(m_timeLimit);
        delete m_dir;
    }

    // The set button is disabled while no card is chosen; the focus goes to the next control.
    void frame_data() {
        QTest::addColumn<bool>("card");
        QTest::addColumn<QString>("focus");
        QTest::newRow("card") << true << "setButton";
        QTest::newRow("no card") << false << "volumeList";
    }
    void frame() {
        QFETCH(bool, card);
        QFETCH(QString, focus);
        scripted()->volumes = {{"disk", "/"}};
        if (card)
            scripted()->volumes.append({"FlashAir", m_card});
        checkFrame(UploadSwitchWindow::instance(), QAccessible::Window, "Upload設定", kLaidOutLimit, focus);
    }

    void flashAirRow_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("row");
        QTest::newRow("start-up disk, then the fragment itself") << QStringList{"Macintosh HD", "FlashAir"} << 1;
        QTest::newRow("later of two, either fragment") << QStringList{"MicFA", "x", "FlashAir", "y"} << 2;
        QTest::newRow("MicFA after FlashAir") << QStringList{"FlashAir", "MicFA2", "disk"} << 1;
        QTest::newRow("fragment inside the name") << QStringList{"disk", "myFlashAir-16G"} << 1;
        QTest::newRow("upper-case FAT label") << QStringList{"disk", "FLASHAIR"} << 1;
        QTest::newRow("no fragment") << QStringList{"disk", "USB"} << -1;
        QTest::newRow("no volume") << QStringList{} << -1;
    }
    void flashAirRow() {
        QFETCH(QStringList, names);
        QFETCH(int, row);
        QList<VolumeInfo> volumes;
        for (const QString& n : names)
            volumes.append({n, m_dir->filePath("disk")});
        QCOMPARE(UploadConfig::flashAirRow(volumes), row);

        // The window selects that row and enables the set button only with a row.
        scripted()->volumes = volumes;
        UploadSwitchWindow* w = UploadSwitchWindow::instance();
        auto* list = w->findChild<QComboBox*>("volumeList");
        auto* set = w->findChild<QPushButton*>("setButton");
        QCOMPARE(list->count(), names.size());
        QCOMPARE(list->currentIndex(), row);
        QCOMPARE(set->isEnabled(), row >= 0);
        if (row < 0 && !names.isEmpty()) {
            list->setCurrentIndex(0);
            QVERIFY(set->isEnabled());
        }
    }

    void upload_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("after");
        const QString written = kWritten;
        const QString already = "すでに設定されていました...";
        const QString failed = failedBecause("通常のファイルではありません");
        QTest::newRow("0 bytes") << "" << QByteArray() << written << QByteArray("UPLOAD=1\r\n");
        QTest::newRow("set in the middle")
            << "" << QByteArray("A=1\r\nUPLOAD=1\r\nB=2\r\n") << already << QByteArray("A=1\r\nUPLOAD=1\r\nB=2\r\n");
        QTest::newRow("set at the end of a longer line")
            << "" << QByteArray("A=1\r\nXUPLOAD=1\r\n") << already << QByteArray("A=1\r\nXUPLOAD=1\r\n");
        QTest::newRow("LF-only line is not the setting")
            << "" << QByteArray("A=1\nUPLOAD=1\n") << written << QByteArray("A=1\nUPLOAD=1\nUPLOAD=1\r\n");
        QTest::newRow("UPLOAD=0 stays") << "" << QByteArray("A=1\r\nUPLOAD=0\r\n") << written
                                        << QByteArray("A=1\r\nUPLOAD=0\r\nUPLOAD=1\r\n");
        QTest::newRow("last line without line end")
            << "" << QByteArray("A=1\r\nUPLOAD=1") << written << QByteArray("A=1\r\nUPLOAD=1\r\nUPLOAD=1\r\n");
        // "テスト" in Shift_JIS, then 0x83 0x55 ("ゼ") whose second byte is an ASCII 'U'.
        QTest::newRow("Shift_JIS double-byte text")
            << "" << QByteArray("ID=\x83\x65\x83\x58\x83\x67\r\n\x83UPLOAD=1\r\n") << written
            << QByteArray("ID=\x83\x65\x83\x58\x83\x67\r\n\x83UPLOAD=1\r\nUPLOAD=1\r\n");
        QTest::newRow("no SD_WLAN") << "noSdWlan" << QByteArray() << "FlashAirを選択してないようです..."
                                    << QByteArray();
        QTest::newRow("no CONFIG") << "noConfig" << QByteArray() << "CONFIGファイルが見つかりません..." << QByteArray();
        QTest::newRow("CONFIG is a folder") << "folder" << QByteArray() << failed << QByteArray();
        // Neither may hold the program: a fifo blocks a plain open, /dev/zero never ends.
        QTest::newRow("CONFIG is a fifo") << "fifo" << QByteArray() << failed << QByteArray();
        QTest::newRow("CONFIG links to /dev/zero") << "devZero" << QByteArray() << failed << QByteArray();
        QTest::newRow("read-only CONFIG") << "readOnly" << QByteArray("A=1\r\n")
                                          << failedBecause("ファイルが書き込み禁止です") << QByteArray("A=1\r\n");
        // The safe copy reports no room: the line goes into the file in place.
        QTest::newRow("no room for the safe copy")
            << "noRoom" << QByteArray("A=1\r\n") << written << QByteArray("A=1\r\nUPLOAD=1\r\n");
    }
    void upload() {
        QFETCH(QString, setup);
        QFETCH(QByteArray, before);
        QFETCH(QString, message);
        QFETCH(QByteArray, after);
        const QString config = m_card + "/SD_WLAN/CONFIG";
        if (setup == "folder")
            QDir().mkpath(config);
        else if (setup == "noConfig" || setup == "fifo" || setup == "devZero")
            QDir().mkpath(m_card + "/SD_WLAN");
        else if (setup != "noSdWlan")
            TestFiles::write(config, before);
        if (setup == "fifo")
            QVERIFY(::mkfifo(QFile::encodeName(config).constData(), 0644) == 0);
        if (setup == "devZero")
            QVERIFY(QFile::link("/dev/zero", config));
        std::optional<ReadOnly> readOnly;
        if (setup == "readOnly") {
            readOnly.emplace(config);
            if (!readOnly->ok())
                QSKIP("cannot make a file read-only here");
        }
        if (setup == "noRoom")
            FileIO::injectWriteFailure(2);

        scripted()->volumes = {{"Macintosh HD", m_dir->filePath("disk")}, {"FlashAir", m_card}};
        UploadSwitchWindow* w = UploadSwitchWindow::instance();
        QTest::mouseClick(w->findChild<QPushButton*>("setButton"), Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{message});
        if (QFileInfo(config).isFile())
            QCOMPARE(TestFiles::read(config), after);
        // Nothing is left beside CONFIG, whatever it is.
        const bool configThere = QFileInfo(config).exists() || QFileInfo(config).isSymLink();
        QCOMPARE(
            QDir(m_card + "/SD_WLAN").entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            configThere ? QStringList{"CONFIG"} : QStringList{});
    }

    // However the card fails, CONFIG is wholly the old file or the old file and the line, and nothing
    // is left beside it. A full disk (or a write that breaks off with no room) still takes the line in
    // place, where it fits in the file's last block; a folder that takes no new file keeps the old.
    void failingCard_data() { FailingFolder::addRows(); }
    void failingCard() {
        QFETCH(WriteFailure, failure);
        const QByteArray before = "[Vendor]\r\nUPLOAD=0\r\n";
        const QString config = TestFiles::write(m_card + "/SD_WLAN/CONFIG", before);
        scripted()->volumes = {{"FlashAir", m_card}};
        UploadSwitchWindow* w = UploadSwitchWindow::instance();
        FailingFolder folder(failure, m_card + "/SD_WLAN");
        if (!folder.skipReason().isEmpty())
            QSKIP(qPrintable(folder.skipReason()));
        QTest::mouseClick(w->findChild<QPushButton*>("setButton"), Qt::LeftButton);
        const bool inPlace = failure != WriteFailure::ReadOnlyFolder;
        QCOMPARE(TestFiles::read(config), inPlace ? before + "UPLOAD=1\r\n" : before);
        QCOMPARE(scripted()->messages, QStringList{inPlace ? kWritten : failedBecause("フォルダが書き込み禁止です")});
        QCOMPARE(folder.entries(), QStringList{"CONFIG"});
    }

    // A write-protected CONFIG, SD_WLAN or card: the message says which, and CONFIG stays as it was.
    // File modes hold only for an ordinary user, so those run in a child process as one.
    void protectedConfig_data() {
        QTest::addColumn<QString>("protect");
        QTest::addColumn<QString>("reason");
        QTest::newRow("CONFIG") << "CONFIG"
                                << "ファイルが書き込み禁止です";
        QTest::newRow("SD_WLAN") << "SD_WLAN"
                                 << "フォルダが書き込み禁止です";
        QTest::newRow("card mounted read-only") << "card"
                                                << "ディスクが書き込み禁止です";
    }
    void protectedConfig() {
        QFETCH(QString, protect);
        QFETCH(QString, reason);
        auto attempt = [&](const QString& card) {
            scripted()->volumes = {{"FlashAir", card}};
            QTest::mouseClick(UploadSwitchWindow::instance()->findChild<QPushButton*>("setButton"), Qt::LeftButton);
            QCOMPARE(scripted()->messages, QStringList{failedBecause(reason)});
        };
        if (Unprivileged::isChild())
            return attempt(Unprivileged::dir() + "/card");
        std::optional<MountedCard> mounted;
        if (protect == "card") {
            mounted.emplace(m_card);
            if (!mounted->skipReason().isEmpty())
                QSKIP(qPrintable(mounted->skipReason()));
        }
        const QByteArray before = "[Vendor]\r\nUPLOAD=0\r\n";
        const QString config = TestFiles::write(m_card + "/SD_WLAN/CONFIG", before);
        if (protect == "card") {
            QProcess remount;
            remount.start("mount", {"-o", "remount,ro", m_card});
            QVERIFY(remount.waitForFinished() && remount.exitCode() == 0);
            attempt(m_card);
        } else {
            QVERIFY(::chmod(QFile::encodeName(protect == "CONFIG" ? config : m_card + "/SD_WLAN").constData(),
                            protect == "CONFIG" ? 0444 : 0555) == 0);
            if (::geteuid() != 0) {
                attempt(m_card);
            } else {
                Unprivileged::giveTo(m_dir->path(), *Unprivileged::gid());
                const QByteArray function = QByteArray("protectedConfig:") + QTest::currentDataTag();
                const QString failed = Unprivileged::run(function.constData(), m_dir->path());
                if (failed.startsWith("skip"))
                    QSKIP(qPrintable(failed));
                QVERIFY2(failed.isEmpty(), qPrintable(failed));
            }
        }
        QCOMPARE(TestFiles::read(config), before);
        QCOMPARE(QDir(m_card + "/SD_WLAN").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"CONFIG"});
    }

    // A card filled up (as from a camera): no room for the safe copy, so the line is appended to
    // CONFIG in place where its last cluster has room; otherwise the full-card message, and the old
    // bytes as they were, also where only part of the line fitted.
    void fullCard_data() {
        QTest::addColumn<bool>("exfat");
        QTest::addColumn<int>("size"); // CONFIG's bytes, its last line ended; -1: one cluster
        QTest::addColumn<bool>("appended");
        QTest::newRow("exFAT, room in CONFIG's last cluster") << true << 100 << true;
        QTest::newRow("exFAT, CONFIG's last cluster full") << true << -1 << false;
        QTest::newRow("exFAT, CONFIG empty (it holds no cluster)") << true << 0 << false;
        QTest::newRow("ext4, only the line's first byte fits") << false << 4095 << false;
    }
    void fullCard() {
        QFETCH(bool, exfat);
        QFETCH(int, size);
        QFETCH(bool, appended);
        MountedCard card(m_card, 8 << 20, exfat ? MountedCard::Fs::ExFat : MountedCard::Fs::Ext4);
        if (!card.skipReason().isEmpty())
            QSKIP(qPrintable(card.skipReason()));
        struct statvfs vfs {};
        QVERIFY(::statvfs(QFile::encodeName(m_card).constData(), &vfs) == 0);
        if (size < 0)
            size = int(vfs.f_frsize);
        const QByteArray before = size ? QByteArray("[Vendor]\r\n").leftJustified(size - 2, '#') + "\r\n" : "";
        const QString config = TestFiles::write(m_card + "/SD_WLAN/CONFIG", before);
        QCOMPARE(QFileInfo(config).size(), size);
        fillCard(m_card);
        FileIO::Failure failure;
        QVERIFY(!FileIO::safeWrite(m_card + "/SD_WLAN/other", QByteArray("x"), &failure));
        QCOMPARE(failure.error, ENOSPC);

        scripted()->volumes = {{"FlashAir", m_card}};
        QTest::mouseClick(UploadSwitchWindow::instance()->findChild<QPushButton*>("setButton"), Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{appended ? kWritten : kCardFull});
        QCOMPARE(TestFiles::read(config), appended ? before + "UPLOAD=1\r\n" : before);
        QCOMPARE(QDir(m_card + "/SD_WLAN").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"CONFIG"});
    }

    // A volume that does not answer (a stopped network or FUSE mount) never holds the window: it
    // opens with the volumes that answered, and the card appears, chosen, once it answers.
    void cardThatAnswersLate() {
        VolumeScan::setTimeLimit(std::chrono::minutes(1)); // only the answer ends the wait here
        ScriptedVolumes& source = *scripted()->volumeScript;
        source.volumes = {{"FlashAir", m_card}, {"disk", m_dir->filePath("disk")}};
        source.hold(m_card);
        UploadSwitchWindow* w = UploadSwitchWindow::instance();
        auto* list = w->findChild<QComboBox*>("volumeList");
        auto* set = w->findChild<QPushButton*>("setButton");
        // Open and filled while the card's question is blocked.
        QTRY_COMPARE(source.waiting(m_card), 1);
        QTRY_COMPARE(list->count(), 1);
        QCOMPARE(list->itemText(0), QString("disk"));
        QVERIFY(!set->isEnabled());
        QCOMPARE(w->focusWidget(), list);

        source.release(m_card);
        QTRY_COMPARE(list->count(), 2);
        QCOMPARE(list->itemText(0), QString("FlashAir"));
        QCOMPARE(list->currentIndex(), 0);
        QVERIFY(set->isEnabled());
        QCOMPARE(w->focusWidget(), set);
        TestFiles::write(m_card + "/SD_WLAN/CONFIG", "");
        QTest::mouseClick(set, Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{kWritten});
    }

    void pressTwiceThenCardGone() {
        TestFiles::write(m_card + "/SD_WLAN/CONFIG", "APPMODE=4\r\n");
        scripted()->volumes = {{"FlashAir", m_card}};
        UploadSwitchWindow* w = UploadSwitchWindow::instance();
        auto* set = w->findChild<QPushButton*>("setButton");
        QTest::mouseClick(set, Qt::LeftButton);
        QTest::mouseClick(set, Qt::LeftButton);
        QCOMPARE(scripted()->messages, (QStringList{kWritten, "すでに設定されていました..."}));
        QCOMPARE(TestFiles::read(m_card + "/SD_WLAN/CONFIG"), QByteArray("APPMODE=4\r\nUPLOAD=1\r\n"));
        // The card taken out after the scan: silence, and nothing is created.
        QDir(m_card).removeRecursively();
        QTest::mouseClick(set, Qt::LeftButton);
        QCOMPARE(scripted()->messages.size(), 2);
        QVERIFY(!QFileInfo::exists(m_card));
    }

    void layoutAndPalette() {
        scripted()->volumes = {{"disk", m_dir->filePath("disk")}, {"USB", m_card}};
        PaletteWindow::instance()->openUploadSwitch();
        QVERIFY(UploadSwitchWindow::isOpen());
        UploadSwitchWindow* w = UploadSwitchWindow::instance();
        QCOMPARE(w->windowTitle(), QString("Upload設定"));
        QCOMPARE(w->size(), QSize(374, 120));
        const struct {
            const char* name;
            QRect rect;
            const char* text;
        } rows[] = {{"heading", {12, 11, 351, 20}, "FlashAirのConfigファイルにUpload=1を書き込みます"},
                    {"volumeLabel", {33, 43, 100, 20}, "FlashAirを選択"},
                    {"rescanButton", {124, 43, 64, 20}, "再検索"},
                    {"volumeList", {33, 68, 197, 20}, ""},
                    {"setButton", {242, 68, 111, 20}, "Upload=1を設定"}};
        for (const auto& r : rows) {
            auto* c = w->findChild<QWidget*>(r.name);
            QVERIFY2(c, r.name);
            QCOMPARE(c->geometry(), r.rect);
            if (auto* l = qobject_cast<QLabel*>(c))
                QCOMPARE(l->text(), QString(r.text));
            if (auto* b = qobject_cast<QPushButton*>(c))
                QCOMPARE(b->text(), QString(r.text));
        }
        QVERIFY(w->findChild<QLabel*>("heading")->font().underline());
        w->resize(600, 400);
        QCOMPARE(w->findChild<QWidget*>("setButton")->geometry(), QRect(242, 68, 111, 20));

        // The user's row survives a second click on the palette, a re-scan applies the rule again.
        auto* list = w->findChild<QComboBox*>("volumeList");
        list->setCurrentIndex(1);
        scripted()->volumes.append({"FlashAir", m_card});
        PaletteWindow::instance()->openUploadSwitch();
        QCOMPARE(UploadSwitchWindow::instance(), w);
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->currentIndex(), 1);
        QTest::mouseClick(w->findChild<QPushButton*>("rescanButton"), Qt::LeftButton);
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->currentIndex(), 2);
        QCOMPARE(list->itemText(2), QString("FlashAir"));
        QCOMPARE(list->itemData(2).toString(), m_card);
    }
};

PKL_GUI_TEST_MAIN(TestUploadSwitchWindow)
#include "tst_uploadswitchwindow.moc"
