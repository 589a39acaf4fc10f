// The package copy against `cp -r` + `sync -f <card>` of the same tree, from the disk onto a
// loop-mounted FAT or exFAT card image: a fresh copy onto an empty card, then a repeat copy onto the
// card that holds it, then one more after every file of the package changed. The contenders: the
// copy window itself ("作成開始" to its message, in a program of its own, offscreen and, where
// DISPLAY is set, through the X server with the accessibility bridge on), and the copy without a
// window. Needs root (loop devices); says so and skips otherwise.
#include "Bench.h"
#include "PackageCopy.h"
#include "PackageCopyWindow.h"
#include "Platform.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <sys/mount.h>
#include <tuple>
#include <unistd.h>

namespace {
bool run(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return false;
    if (out)
        *out = p.readAllStandardOutput().trimmed();
    return true;
}

bool kernelHas(const QByteArray& fs) {
    QFile f(QStringLiteral("/proc/filesystems"));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.split('\t').last() == fs)
            return true;
    return false;
}

// A card image, formatted anew for every fresh copy, mounted at root as this machine allows: FAT32
// or exFAT through the kernel, else exFAT through exfat-fuse on a loop device.
class CardImage {
public:
    CardImage(const QString& image, const QString& root, qint64 bytes) : m_image(image), m_root(root), m_bytes(bytes) {
        QDir().mkpath(root);
        if (::geteuid() != 0) {
            m_skip = QStringLiteral("mounting a card image needs root");
            return;
        }
        const QString tools = QStringLiteral("mkfs.fat, mkfs.exfat or mount.exfat-fuse (dosfstools, exfatprogs, "
                                             "exfat-fuse)");
        for (Kind k : {Kind::Fat32, Kind::ExFat, Kind::ExFatFuse}) {
            m_kind = k;
            if ((k == Kind::Fat32 && !kernelHas("vfat")) || (k == Kind::ExFat && !kernelHas("exfat")))
                continue;
            if (format())
                return;
        }
        m_skip = QStringLiteral("no FAT or exFAT image can be mounted here (") + tools + u')';
    }
    ~CardImage() {
        unmount();
        QFile::remove(m_image);
    }
    QString skipReason() const { return m_skip; }
    QString describe() const {
        const QString size = QString::number(m_bytes >> 20) + QStringLiteral(" MB image on a loop device");
        switch (m_kind) {
        case Kind::Fat32:
            return QStringLiteral("FAT32 (kernel vfat), ") + size;
        case Kind::ExFat:
            return QStringLiteral("exFAT (kernel), ") + size;
        case Kind::ExFatFuse:
            break;
        }
        return QStringLiteral("exFAT through exfat-fuse, ") + size;
    }
    // An empty card again.
    bool format() {
        unmount();
        QFile::remove(m_image);
        QFile f(m_image);
        if (!f.open(QIODevice::WriteOnly) || !f.resize(m_bytes))
            return false;
        f.close();
        switch (m_kind) {
        case Kind::Fat32:
            m_mounted = run(QStringLiteral("mkfs.fat"), {QStringLiteral("-F"), QStringLiteral("32"), m_image}) &&
                        run(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("vfat"),
                                                      QStringLiteral("-o"), QStringLiteral("loop"), m_image, m_root});
            break;
        case Kind::ExFat:
            m_mounted = run(QStringLiteral("mkfs.exfat"), {m_image}) &&
                        run(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("exfat"),
                                                      QStringLiteral("-o"), QStringLiteral("loop"), m_image, m_root});
            break;
        case Kind::ExFatFuse: {
            QByteArray loop;
            if (!run(QStringLiteral("mkfs.exfat"), {m_image}) ||
                !run(QStringLiteral("losetup"), {QStringLiteral("-f"), QStringLiteral("--show"), m_image}, &loop))
                return false;
            m_loop = QString::fromLocal8Bit(loop);
            m_mounted = run(QStringLiteral("mount.exfat-fuse"), {m_loop, m_root});
            break;
        }
        }
        return m_mounted;
    }

private:
    enum class Kind { Fat32, ExFat, ExFatFuse };
    void unmount() {
        if (m_mounted && ::umount2(QFile::encodeName(m_root).constData(), 0) != 0)
            ::umount2(QFile::encodeName(m_root).constData(), MNT_DETACH);
        m_mounted = false;
        if (!m_loop.isEmpty())
            run(QStringLiteral("losetup"), {QStringLiteral("-d"), m_loop});
        m_loop.clear();
    }
    QString m_image, m_root, m_loop, m_skip;
    qint64 m_bytes;
    Kind m_kind = Kind::ExFatFuse;
    bool m_mounted = false;
};

struct TreeSize {
    int files = 0, folders = 0;
    qint64 bytes = 0;
};

// A package's ADDON as it comes: 60 folders of 100 small files (8 to 10 KB) and 8 sound files of
// 6 MB, contents that differ from file to file.
TreeSize makeTree(const QString& addon) {
    TreeSize size;
    QByteArray block(6 << 20, Qt::Uninitialized);
    quint32 x = 12345;
    for (char& c : block) {
        x = x * 1103515245u + 12345u;
        c = char(x >> 24);
    }
    auto put = [&](const QString& path, qsizetype offset, qsizetype length) {
        QFile out(path);
        if (out.open(QIODevice::WriteOnly) && out.write(block.constData() + offset, length) == length) {
            ++size.files;
            size.bytes += length;
        }
    };
    for (int d = 0; d < 60; ++d) {
        const QString dir = QStringLiteral("%1/m%2").arg(addon).arg(d, 2, 10, QLatin1Char('0'));
        QDir().mkpath(dir);
        ++size.folders;
        for (int f = 0; f < 100; ++f)
            put(QStringLiteral("%1/motion%2.RM4").arg(dir).arg(f), (d * 100 + f) * 97, 8000 + (f * 37) % 2000);
    }
    QDir().mkpath(addon + QStringLiteral("/voice"));
    ++size.folders;
    for (int f = 0; f < 8; ++f) {
        block[f] = char(f + 1);
        put(QStringLiteral("%1/voice/sound%2.wav").arg(addon).arg(f), 0, block.size());
    }
    return size;
}

// A repeat copy in which no file on the card holds the package's bytes any more: the first byte of
// every file changes, its size stays.
void changeEveryFile(const QString& addon) {
    QDirIterator it(addon, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        char c = 0;
        if (f.open(QIODevice::ReadWrite) && f.getChar(&c) && f.seek(0))
            f.putChar(char(~c));
    }
}

// What "作成開始" does with one folder: the check, the copy onto the card, then the card synced.
bool copyAndSync(const QString& package, const QString& card, const PackageCopy::Progress& progress) {
#ifdef OLD_COPY
    PackageCopy::Card target(card);
    return target.Copy(package + QStringLiteral("/ADDON"), QString(), progress) && target.Sync();
#else
    PackageCopy::Plan plan;
    plan.package = package;
    plan.stage1 = {{package + QStringLiteral("/ADDON"), QString()}};
    PackageCopy::Card target(card);
    return target.check(plan, progress) && target.runSteps(plan.stage1, progress) && target.sync();
#endif
}

// The real dialogs, but for the two the copy meets: the folder chooser answers with the package,
// and the message is kept.
class BenchPlatform : public QtPlatform {
public:
    explicit BenchPlatform(const QString& package) : m_package(package) {}
    void message(const QString& text) override { messages << text; }
    std::optional<QString> chooseFolder() override { return m_package; }
    QStringList messages;

private:
    QString m_package;
};

} // namespace

// The time from "作成開始" to the copy window's message, or a negative number when it failed.
double timeWindowCopy(const QString& package, const QString& card) {
    auto owned = std::make_unique<BenchPlatform>(package);
    BenchPlatform* platform = owned.get();
    Platform::install(std::move(owned));
    auto* w = new PackageCopyWindow;
    w->show();
    w->choosePackage();
    auto* volumes = w->findChild<QComboBox*>(QStringLiteral("volumeList"));
    QElapsedTimer wait;
    wait.start();
    while (volumes->findData(card) < 0 && wait.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    volumes->setCurrentIndex(volumes->findData(card));
    if (volumes->currentIndex() < 0) {
        std::fprintf(stderr, "the card is not in the volume list\n");
        return -1;
    }
    ::sync();
    QElapsedTimer t;
    t.start();
    w->findChild<QPushButton*>(QStringLiteral("startCopyButton"))->click();
    while (platform->messages.isEmpty())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    const bool ok = platform->messages == QStringList{QStringLiteral("完了しました...")};
    if (!ok)
        std::fprintf(stderr, "%s\n%s\n", qPrintable(platform->messages.join(u'/')),
                     qPrintable(w->findChild<QLabel*>(QStringLiteral("progress"))->text()));
    delete w;
    return ok ? ms : -1;
}

namespace {

// The copy window in a program of its own on the platform given, so the offscreen and the X server
// runs each get their own application object; it prints the milliseconds.
bool windowCopyProcess(const QString& platform, const QString& package, const QString& card, double* ms) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    if (platform == QLatin1String("xcb"))
        env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--copy-window"), package, card});
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        return false;
    std::fprintf(stderr, "%s", p.readAllStandardError().constData());
    bool ok = false;
    *ms = p.readAllStandardOutput().trimmed().split('\n').last().toDouble(&ok);
    return ok && *ms >= 0;
}

double timeMs(const std::function<bool()>& fn) {
    ::sync(); // what earlier runs left dirty is no part of this one
    QElapsedTimer t;
    t.start();
    const bool ok = fn();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (!ok)
        std::printf("  a run failed\n");
    return ms;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}
} // namespace

PKL_BENCH(copy) {
    QTemporaryDir dir;
    const QString package = dir.filePath(QStringLiteral("package"));
    const QString card = dir.filePath(QStringLiteral("card"));
    CardImage image(dir.filePath(QStringLiteral("card.img")), card, 768LL << 20);
    if (!image.skipReason().isEmpty()) {
        std::printf("skipped: %s\n", qPrintable(image.skipReason()));
        return;
    }
    const TreeSize size = makeTree(package + QStringLiteral("/ADDON"));
    // The rest of a package, as small as the window's check lets it be: the copy window copies the
    // first variant's three folders and program file too (four files more than cp).
    for (const QString& variant : PackageCopy::variantFolders())
        QDir().mkpath(package + u'/' + variant);
    const QString first = package + u'/' + PackageCopy::variantFolders().first();
    for (const QString& name : {QStringLiteral("1/x"), QStringLiteral("5/y"), QStringLiteral("ランダム/z"),
                                QStringLiteral("main5_InitFlag確認補完無し_シーン1固定0415_test2.RM4")}) {
        QDir().mkpath(QFileInfo(first + u'/' + name).absolutePath());
        QFile f(first + u'/' + name);
        if (!f.open(QIODevice::WriteOnly) || f.write("v0") != 2)
            std::printf("cannot write %s\n", qPrintable(f.fileName()));
    }
    std::printf("card: %s\ntree: %d files in %d folders, %.1f MB, from the disk (%s)\n", qPrintable(image.describe()),
                size.files, size.folders, double(size.bytes) / 1e6, qPrintable(dir.path()));

    const PackageCopy::Progress quiet = [](const QString&) {};
    const QString addon = package + QStringLiteral("/ADDON");
    // Each contender in turn: a fresh copy onto a newly formatted card, the same copy again, and once
    // more after every file changed.
    struct Contender {
        const char* name;
        std::function<bool()> copy;
        std::vector<double> fresh = {}, repeat = {}, changed = {};
        // Times itself (a program of its own): its own milliseconds, not the process's.
        std::function<double()> timed = {};
    };
    std::vector<Contender> contenders;
    auto window = [&](const char* name, const QString& platform) {
        Contender c{name, {}};
        c.timed = [&, platform] {
            double ms = 0;
            if (!windowCopyProcess(platform, package, card, &ms))
                std::printf("  a run failed\n");
            return ms;
        };
        contenders.push_back(c);
    };
    window("copy window, offscreen", QStringLiteral("offscreen"));
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        window("copy window, X server, a11y on", QStringLiteral("xcb"));
    contenders.push_back({"core copy, no window", [&] { return copyAndSync(package, card, quiet); }});
    // cp leaves the data in the page cache; the copy ends only once the card is synced, and the tool
    // syncs the card alone.
    contenders.push_back({"cp -r + sync -f card", [&] {
                              return run(QStringLiteral("cp"), {QStringLiteral("-r"), addon, card}) &&
                                     run(QStringLiteral("sync"), {QStringLiteral("-f"), card});
                          }});
    const int rounds =
        qEnvironmentVariableIntValue("PKL_BENCH_ROUNDS") > 0 ? qEnvironmentVariableIntValue("PKL_BENCH_ROUNDS") : 5;
    for (int round = 0; round < rounds; ++round) {
        // Alternate who goes first, so none always meets a cold or a busy disk.
        for (size_t i = 0; i < contenders.size(); ++i) {
            Contender& c = contenders[(size_t(round) + i) % contenders.size()];
            if (!image.format()) {
                std::printf("cannot format the card image again\n");
                return;
            }
            auto time = [&] { return c.timed ? c.timed() : timeMs(c.copy); };
            c.fresh.push_back(time());
            c.repeat.push_back(time());
            changeEveryFile(addon);
            c.changed.push_back(time());
        }
    }
    // Each round's contenders ran side by side, so their ratio is steadier than a ratio of medians
    // on a machine that is busy with other work.
    const Contender& cp = contenders.back();
    std::printf("%d rounds, median ms              fresh    repeat   changed\n", rounds);
    for (const Contender& c : contenders)
        std::printf("%-32s %9.0f %9.0f %9.0f\n", c.name, median(c.fresh), median(c.repeat), median(c.changed));
    std::printf("speed / (cp -r + sync -f card), median [min-max] of the rounds (goal: fresh 0.95, repeat 1.0, "
                "changed 0.8)\n");
    auto ratios = [&](const std::vector<double>& theirs, const std::vector<double>& ours) {
        std::vector<double> r;
        for (size_t i = 0; i < ours.size(); ++i)
            r.push_back(ours[i] > 0 ? theirs[i] / ours[i] : 0);
        std::sort(r.begin(), r.end());
        return r;
    };
    for (size_t i = 0; i + 1 < contenders.size(); ++i) {
        const Contender& c = contenders[i];
        std::printf("%-32s", c.name);
        for (const auto& [name, theirs, ours, goal] :
             {std::tuple{"fresh", &cp.fresh, &c.fresh, 0.95}, std::tuple{"repeat", &cp.repeat, &c.repeat, 1.0},
              std::tuple{"changed", &cp.changed, &c.changed, 0.8}}) {
            const std::vector<double> r = ratios(*theirs, *ours);
            const double m = median(r);
            std::printf(" %s %.2f [%.2f-%.2f]%s", name, m, r.front(), r.back(), m >= goal ? "" : " UNDER");
        }
        std::printf("\n");
    }
}
