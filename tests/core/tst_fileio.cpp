// Whole-file reading, the safe write and the text encodings, on real files in temporary folders.
// Not covered here: the windows that use them (each subsystem's own tests).
#include "FileIO.h"
#include "JsEval.h"
#include "TestFiles.h"
#include "TextCodec.h"
#include "Unprivileged.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using TextCodec::Encoding;
Q_DECLARE_METATYPE(std::optional<Encoding>)

namespace {
QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

struct stat statOf(const QString& path) {
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

bool makeFifo(const QString& path) {
    return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
}
} // namespace

class TestFileIO : public QObject {
    Q_OBJECT
private slots:
    void safeWriteKeepsOldFileOnFailure() {
        QTemporaryDir dir;
        const QString path = TestFiles::write(dir.filePath("f.txt"), "old contents");
        FileIO::injectWriteFailure(3);
        FileIO::Failure failure;
        QVERIFY(!FileIO::safeWrite(path, "new contents that fail", &failure));
        QCOMPARE(failure.error, ENOSPC);
        QCOMPARE(failure.step, FileIO::Step::Write);
        QCOMPARE(TestFiles::read(path), QByteArray("old contents"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"f.txt"});
        QVERIFY(FileIO::safeWrite(path, "new"));
        QCOMPARE(TestFiles::read(path), QByteArray("new"));
        // A folder that is gone (card pulled) fails and creates nothing.
        QVERIFY(!FileIO::safeWrite(dir.filePath("gone/f.txt"), "x"));
        QVERIFY(!FileIO::readAll(dir.filePath("gone/f.txt")));
    }
    void safeWriteBatch() {
        QTemporaryDir dir;
        const QString a = TestFiles::write(dir.filePath("a"), "old a");
        const QString b = TestFiles::write(dir.filePath("b"), "old b");
        QFile::setPermissions(a, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        const QFileDevice::Permissions perms = QFile::permissions(a);
        auto bytes = [](const QByteArray& data) {
            return [=](QFileDevice& f) { return f.write(data) == data.size(); };
        };
        {
            FileIO::SafeWriteBatch batch;
            QVERIFY(batch.add(a, bytes("new a")));
            QVERIFY(!batch.add(b, [](QFileDevice&) { return false; }));
            // Nothing is replaced before the commit, and a failed add leaves the batch as it was.
            QCOMPARE(TestFiles::read(a), QByteArray("old a"));
            QVERIFY(batch.commit());
        }
        QCOMPARE(TestFiles::read(a), QByteArray("new a"));
        QCOMPARE(TestFiles::read(b), QByteArray("old b"));
        QCOMPARE(QFile::permissions(a), perms);
        {
            FileIO::SafeWriteBatch abandoned;
            QVERIFY(abandoned.add(b, bytes("never")));
        }
        QCOMPARE(TestFiles::read(b), QByteArray("old b"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"a", "b"}));
        // A link is written through: the file it points at changes, the link stays a link.
        QVERIFY(QFile::link(a, dir.filePath("link")));
        QVERIFY(FileIO::safeWrite(dir.filePath("link"), "through"));
        QVERIFY(QFileInfo(dir.filePath("link")).isSymLink());
        QCOMPARE(TestFiles::read(a), QByteArray("through"));
    }
    void childHandles() {
        QTemporaryDir dir;
        QCOMPARE(FileIO::childPath(dir.path(), "missing"), dir.filePath("missing"));
        QVERIFY(!QFileInfo::exists(FileIO::childPath(dir.path(), "missing")));
        QVERIFY(FileIO::childPath(QString(), "x").isEmpty());
        QVERIFY(FileIO::childPath(dir.filePath("nodir"), "x").isEmpty());
        QVERIFY(FileIO::childPath(dir.path(), "a/b").isEmpty());
    }
    // The parts that must hold for a user other than root run in a child process as "nobody".
    void protectedFileIsRefused() {
        auto attempt = [](const QString& dir) {
            QVERIFY(!FileIO::safeWrite(dir + "/pelkavin.css", "new"));
            QVERIFY(FileIO::readAll(dir + "/pelkavin.css"));
        };
        if (Unprivileged::isChild())
            return attempt(Unprivileged::dir());
        QTemporaryDir tmp;
        const QString dir = tmp.filePath("plk");
        const QString file = TestFiles::write(dir + "/pelkavin.css", "old");
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        if (::geteuid() != 0) {
            attempt(dir);
        } else {
            Unprivileged::giveTo(dir, *Unprivileged::gid());
            const QString failed = Unprivileged::run("protectedFileIsRefused", dir);
            if (failed.startsWith("skip"))
                QSKIP(qPrintable(failed));
            QVERIFY2(failed.isEmpty(), qPrintable(failed));
        }
        QCOMPARE(TestFiles::read(file), QByteArray("old"));
        QCOMPARE(statOf(file).st_mode & 07777, mode_t(0444));
        QCOMPARE(entries(dir), QStringList{"pelkavin.css"});
    }
    void savedFileKeepsModeAndGroup() {
        const gid_t users = 100;
        auto save = [](const QString& dir) { QVERIFY(FileIO::safeWrite(dir + "/plkpadbtn.js", "new")); };
        if (Unprivileged::isChild())
            return save(Unprivileged::dir());
        QTemporaryDir tmp;
        const QString dir = tmp.filePath("plk");
        const QString file = TestFiles::write(dir + "/plkpadbtn.js", "old");
        QVERIFY(::chmod(QFile::encodeName(file).constData(), 0640) == 0);
        if (::geteuid() != 0)
            QSKIP("needs root to give the file a group of its own");
        Unprivileged::giveTo(dir, *Unprivileged::gid());
        QVERIFY(::chown(QFile::encodeName(file).constData(), *Unprivileged::uid(), users) == 0);
        // The user is in the file's group, but it is not the user's own group.
        const QString failed = Unprivileged::run("savedFileKeepsModeAndGroup", dir, users);
        if (failed.startsWith("skip"))
            QSKIP(qPrintable(failed));
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QCOMPARE(TestFiles::read(file), QByteArray("new"));
        QCOMPARE(statOf(file).st_mode & 07777, mode_t(0640));
        QCOMPARE(statOf(file).st_gid, users);
        QCOMPARE(statOf(file).st_uid, *Unprivileged::uid());
    }
    void rootKeepsModeAndOwner() {
        if (::geteuid() != 0)
            QSKIP("only root may write a read-only file of another user");
        QTemporaryDir tmp;
        const QString file = TestFiles::write(tmp.filePath("apple-touch-icon.png"), "old");
        QVERIFY(::chown(QFile::encodeName(file).constData(), 1234, 5678) == 0);
        QVERIFY(::chmod(QFile::encodeName(file).constData(), 0444) == 0);
        QVERIFY(FileIO::safeWrite(file, "new"));
        QCOMPARE(TestFiles::read(file), QByteArray("new"));
        QCOMPARE(statOf(file).st_mode & 07777, mode_t(0444));
        QCOMPARE(statOf(file).st_uid, uid_t(1234));
        QCOMPARE(statOf(file).st_gid, gid_t(5678));
    }
    void onlyRegularFilesAreReadOrWritten_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("fifo") << "fifo";
        QTest::newRow("link to a fifo") << "link to fifo";
        QTest::newRow("link to /dev/zero") << "link to /dev/zero";
        QTest::newRow("folder") << "folder";
    }
    void onlyRegularFilesAreReadOrWritten() {
        QFETCH(QString, kind);
        QTemporaryDir tmp;
        const QString path = tmp.filePath("ninshiki_jp.js");
        if (kind == "fifo")
            QVERIFY(makeFifo(path));
        else if (kind == "link to fifo")
            QVERIFY(makeFifo(tmp.filePath("pipe")) && QFile::link(tmp.filePath("pipe"), path));
        else if (kind == "link to /dev/zero")
            QVERIFY(QFile::link("/dev/zero", path));
        else
            QVERIFY(QDir().mkdir(path));
        const QStringList before = entries(tmp.path());
        const struct stat st = statOf(path);
        // Neither blocks: a fifo with no writer would hold a plain open for good.
        QVERIFY(!FileIO::readAll(path));
        QVERIFY(!FileIO::safeWrite(path, "new"));
        QCOMPARE(entries(tmp.path()), before);
        QCOMPARE(statOf(path).st_mode, st.st_mode);
        QCOMPARE(statOf(path).st_ino, st.st_ino);
    }
    void readsRegularFilesAndLinksToThem() {
        QTemporaryDir tmp;
        const QString file = TestFiles::write(tmp.filePath("CONFIG"), "APPMODE=4\r\n");
        QVERIFY(QFile::link(file, tmp.filePath("link")));
        QCOMPARE(FileIO::readAll(file), std::optional(QByteArray("APPMODE=4\r\n")));
        QCOMPARE(FileIO::readAll(tmp.filePath("link")), std::optional(QByteArray("APPMODE=4\r\n")));
        QCOMPARE(FileIO::readAll(TestFiles::write(tmp.filePath("empty"), "")), std::optional(QByteArray()));
        QVERIFY(!FileIO::readAll(tmp.filePath("missing")));
    }
    void staleTemporaryFilesGoOthersStay() {
        QTemporaryDir tmp;
        const QString dir = tmp.path();
        TestFiles::write(dir + "/.pkltmp-0a1b2c3d", "left by a crash");
        // Files that only look alike are the user's.
        for (const char* name :
             {"x.part", ".plkpadbtn.js.k3j2l1.part", ".pkltmp-abc", ".pkltmp-0A1B2C3D", "pkltmp-0a1b2c3d"})
            TestFiles::write(dir + '/' + name, "user's");
        // A folder an interrupted package copy left goes with all it holds; a link of a temporary
        // name goes without its target being touched.
        TestFiles::write(dir + "/.pkltmp-f0lder00/inner/x", "left by a crash");
        QTemporaryDir elsewhere;
        const QString outside = TestFiles::write(elsewhere.filePath("y"), "outside");
        QVERIFY(QFile::link(elsewhere.path(), dir + "/.pkltmp-link0000"));
        // A write in progress elsewhere holds its temporary file or folder locked.
        const QString live = TestFiles::write(dir + "/.pkltmp-live0000", "being written");
        const QString liveFolder = TestFiles::write(dir + "/.pkltmp-live0001/z", "being written");
        const int fd = ::open(QFile::encodeName(live).constData(), O_RDONLY);
        const int folderFd = ::open(QFile::encodeName(dir + "/.pkltmp-live0001").constData(), O_RDONLY | O_DIRECTORY);
        QVERIFY(fd >= 0 && ::flock(fd, LOCK_EX) == 0);
        QVERIFY(folderFd >= 0 && ::flock(folderFd, LOCK_EX) == 0);
        QVERIFY(FileIO::safeWrite(dir + "/plkpadbtn.js", "new"));
        ::close(fd);
        ::close(folderFd);
        QCOMPARE(entries(dir), (QStringList{".pkltmp-0A1B2C3D", ".pkltmp-abc", ".pkltmp-link0000", ".pkltmp-live0000",
                                            ".pkltmp-live0001", ".plkpadbtn.js.k3j2l1.part", "pkltmp-0a1b2c3d",
                                            "plkpadbtn.js", "x.part"}));
        QCOMPARE(TestFiles::read(outside), QByteArray("outside"));
        QCOMPARE(TestFiles::read(liveFolder), QByteArray("being written"));
    }
    void temporaryNameDoesNotGrowWithTheTarget() {
        QTemporaryDir tmp;
        // As long as the file system allows (255 bytes on most).
        const QString name = QString(255 - 3, u'a') + ".js";
        QVERIFY(FileIO::safeWrite(tmp.filePath(name), "data"));
        QCOMPARE(TestFiles::read(tmp.filePath(name)), QByteArray("data"));
        QCOMPARE(entries(tmp.path()), QStringList{name});
    }
    void writeAtReplacesALinkInsteadOfFollowingIt() {
        QTemporaryDir tmp;
        const QString outside = TestFiles::write(tmp.filePath("outside/file"), "outside");
        const QString card = tmp.filePath("card");
        QVERIFY(QDir().mkpath(card));
        QVERIFY(QFile::link(outside, card + "/mainP.RM4"));
        const int dirFd = ::open(QFile::encodeName(card).constData(), O_RDONLY | O_DIRECTORY);
        QVERIFY(dirFd >= 0);
        {
            FileIO::SafeWriteBatch batch;
            QVERIFY(batch.addAt(dirFd, "mainP.RM4", [](QFileDevice& f) { return f.write("program") == 7; }));
            QVERIFY(batch.commit());
        }
        ::close(dirFd);
        QVERIFY(!QFileInfo(card + "/mainP.RM4").isSymLink());
        QCOMPARE(TestFiles::read(card + "/mainP.RM4"), QByteArray("program"));
        QCOMPARE(TestFiles::read(outside), QByteArray("outside"));
    }
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
        QCOMPARE(TextCodec::detect(bytes), encoding);
        // What is detected comes back byte for byte.
        if (encoding)
            QCOMPARE(TextCodec::encode(TextCodec::decode(bytes, *encoding), *encoding), std::optional(bytes));
    }
    void refusesWhatAnEncodingCannotCarry() {
        const QString text = QString::fromUtf8("あé😀");
        QCOMPARE(TextCodec::firstUncarriable(text, Encoding::ShiftJis), std::optional(QString::fromUtf8("é")));
        QCOMPARE(TextCodec::firstUncarriable(QString::fromUtf8("あ😀"), Encoding::ShiftJis),
                 std::optional(QString::fromUtf8("😀")));
        QVERIFY(!TextCodec::encode(text, Encoding::ShiftJis));
        QCOMPARE(TextCodec::firstUncarriable(text, Encoding::Utf8), std::nullopt);
        QCOMPARE(TextCodec::firstUncarriable(QString(QChar(0xD800)), Encoding::Utf8),
                 std::optional(QString(QChar(0xD800))));
    }
    void engineReadsWhatThePageReads() {
        // The judge itself: rows of nested arrays, holes as empty cells. An old octal literal, which a
        // browser reads as another number, does not parse at all here.
        const JsEval::Result rows = JsEval::rows("var d=[[[10,'a','b'],[,'c','d']]];", "d", true);
        QVERIFY2(rows.ok(), qPrintable(rows.error));
        QCOMPARE(rows.rows, (QList<QStringList>{{"10", "a", "b"}, {"", "c", "d"}}));
        QVERIFY(!JsEval::rows("var d=[[010,'a']];", "d").ok());
        QVERIFY(!JsEval::rows("var d=[['abc\\']];", "d").ok());
        QVERIFY(!JsEval::rows("var e=1;", "d").ok());
    }
};

QTEST_GUILESS_MAIN(TestFileIO)
#include "tst_fileio.moc"
