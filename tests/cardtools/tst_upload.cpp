// The upload switch: the card's name rule, the CONFIG update and UpSetWin driven by its controls.
// Not covered here: the real volume list (the shell's tests cover its filter) and fonts.
#include "CardFixtures.h"
#include "CardTools.h"
#include "FailingFolder.h"
#include "FileIO.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "ToolWin.h"
#include "UpSetWin.h"
#include "UploadConfig.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <sys/stat.h>

namespace {
void closeUpSetWin() {
    if (UpSetWin::isOpen())
        delete UpSetWin::instance();
}
} // namespace

class TestUpSetWin : public QObject {
    Q_OBJECT
    QTemporaryDir* m_dir = nullptr;
    QString m_card;

private slots:
    void initTestCase() { RegisterCardTools(); }
    void init() {
        ScriptedPlatform::install();
        m_dir = new QTemporaryDir;
        QDir(m_dir->path()).mkpath("disk");
        m_card = m_dir->filePath("card");
        QDir().mkpath(m_card);
    }
    void cleanup() {
        closeUpSetWin();
        delete m_dir;
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
        QCOMPARE(UploadConfig::FlashAirRow(volumes), row);

        // The window selects that row and enables the set button only with a row.
        scripted()->volumes = volumes;
        UpSetWin* w = UpSetWin::instance();
        auto* list = w->findChild<QComboBox*>("FAVolPM");
        auto* set = w->findChild<QPushButton*>("UpPB");
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
        const QString written = "CONFIGファイルにUPLOAD=1を書き込みました...";
        const QString already = "すでに設定されていました...";
        const QString failed = "CONFIGファイルの書き換えに失敗しました...";
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
        QTest::newRow("read-only CONFIG") << "readOnly" << QByteArray("A=1\r\n") << failed << QByteArray("A=1\r\n");
        QTest::newRow("write fails midway") << "writeFails" << QByteArray("A=1\r\n") << failed << QByteArray("A=1\r\n");
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
        if (setup == "writeFails")
            FileIO::InjectWriteFailure(2);

        scripted()->volumes = {{"Macintosh HD", m_dir->filePath("disk")}, {"FlashAir", m_card}};
        UpSetWin* w = UpSetWin::instance();
        QTest::mouseClick(w->findChild<QPushButton*>("UpPB"), Qt::LeftButton);
        QCOMPARE(scripted()->messages, QStringList{message});
        if (QFileInfo(config).isFile())
            QCOMPARE(TestFiles::read(config), after);
        // Nothing is left beside CONFIG, whatever it is.
        const bool configThere = QFileInfo(config).exists() || QFileInfo(config).isSymLink();
        QCOMPARE(
            QDir(m_card + "/SD_WLAN").entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            configThere ? QStringList{"CONFIG"} : QStringList{});
    }

    // The old CONFIG stays byte for byte however the card fails, and nothing is left beside it.
    void failingCardKeepsTheOldConfig_data() { FailingFolder::addRows(); }
    void failingCardKeepsTheOldConfig() {
        QFETCH(WriteFailure, failure);
        const QString config = TestFiles::write(m_card + "/SD_WLAN/CONFIG", "[Vendor]\r\nUPLOAD=0\r\n");
        scripted()->volumes = {{"FlashAir", m_card}};
        UpSetWin* w = UpSetWin::instance();
        FailingFolder folder(failure, m_card + "/SD_WLAN");
        if (!folder.skipReason().isEmpty())
            QSKIP(qPrintable(folder.skipReason()));
        QTest::mouseClick(w->findChild<QPushButton*>("UpPB"), Qt::LeftButton);
        QCOMPARE(TestFiles::read(config), QByteArray("[Vendor]\r\nUPLOAD=0\r\n"));
        QCOMPARE(scripted()->messages, QStringList{"CONFIGファイルの書き換えに失敗しました..."});
        QCOMPARE(folder.entries(), QStringList{"CONFIG"});
    }

    void pressTwiceThenCardGone() {
        TestFiles::write(m_card + "/SD_WLAN/CONFIG", "APPMODE=4\r\n");
        scripted()->volumes = {{"FlashAir", m_card}};
        UpSetWin* w = UpSetWin::instance();
        auto* set = w->findChild<QPushButton*>("UpPB");
        QTest::mouseClick(set, Qt::LeftButton);
        QTest::mouseClick(set, Qt::LeftButton);
        QCOMPARE(scripted()->messages,
                 (QStringList{"CONFIGファイルにUPLOAD=1を書き込みました...", "すでに設定されていました..."}));
        QCOMPARE(TestFiles::read(m_card + "/SD_WLAN/CONFIG"), QByteArray("APPMODE=4\r\nUPLOAD=1\r\n"));
        // The card taken out after the scan: silence, and nothing is created.
        QDir(m_card).removeRecursively();
        QTest::mouseClick(set, Qt::LeftButton);
        QCOMPARE(scripted()->messages.size(), 2);
        QVERIFY(!QFileInfo::exists(m_card));
    }

    void layoutAndPalette() {
        scripted()->volumes = {{"disk", m_dir->filePath("disk")}, {"USB", m_card}};
        ToolWin::instance()->UploadBB_Action();
        QVERIFY(UpSetWin::isOpen());
        UpSetWin* w = UpSetWin::instance();
        QCOMPARE(w->windowTitle(), QString("Upload設定"));
        QCOMPARE(w->size(), QSize(374, 120));
        const struct {
            const char* name;
            QRect rect;
            const char* text;
        } rows[] = {{"Label1", {12, 11, 351, 20}, "FlashAirのConfigファイルにUpload=1を書き込みます"},
                    {"Label2", {33, 43, 100, 20}, "FlashAirを選択"},
                    {"PushButton1", {124, 43, 64, 20}, "再検索"},
                    {"FAVolPM", {33, 68, 197, 20}, ""},
                    {"UpPB", {242, 68, 111, 20}, "Upload=1を設定"}};
        for (const auto& r : rows) {
            auto* c = w->findChild<QWidget*>(r.name);
            QVERIFY2(c, r.name);
            QCOMPARE(c->geometry(), r.rect);
            if (auto* l = qobject_cast<QLabel*>(c))
                QCOMPARE(l->text(), QString(r.text));
            if (auto* b = qobject_cast<QPushButton*>(c))
                QCOMPARE(b->text(), QString(r.text));
        }
        QVERIFY(w->findChild<QLabel*>("Label1")->font().underline());
        w->resize(600, 400);
        QCOMPARE(w->findChild<QWidget*>("UpPB")->geometry(), QRect(242, 68, 111, 20));

        // The user's row survives a second click on the palette, a re-scan applies the rule again.
        auto* list = w->findChild<QComboBox*>("FAVolPM");
        list->setCurrentIndex(1);
        scripted()->volumes.append({"FlashAir", m_card});
        ToolWin::instance()->UploadBB_Action();
        QCOMPARE(UpSetWin::instance(), w);
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->currentIndex(), 1);
        QTest::mouseClick(w->findChild<QPushButton*>("PushButton1"), Qt::LeftButton);
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->currentIndex(), 2);
        QCOMPARE(list->itemText(2), QString("FlashAir"));
        QCOMPARE(list->itemData(2).toString(), m_card);
    }
};

PKL_GUI_TEST_MAIN(TestUpSetWin)
#include "tst_upload.moc"
