// The package copy against `cp -r` + `sync` of the same tree, from the disk onto a loop-mounted FAT
// or exFAT card image: a fresh copy onto an empty card, then a repeat copy onto the card that holds
// it, then one more after every file of the package changed. Needs root (loop devices); says so and
// skips otherwise.
#include "Bench.h"
#include "PackageCopy.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <sys/mount.h>
#include <unistd.h>

namespace {
bool Run(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return false;
    if (out)
        *out = p.readAllStandardOutput().trimmed();
    return true;
}

bool KernelHas(const QByteArray& fs) {
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
            if ((k == Kind::Fat32 && !KernelHas("vfat")) || (k == Kind::ExFat && !KernelHas("exfat")))
                continue;
            if (Format())
                return;
        }
        m_skip = QStringLiteral("no FAT or exFAT image can be mounted here (") + tools + u')';
    }
    ~CardImage() {
        Unmount();
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
    bool Format() {
        Unmount();
        QFile::remove(m_image);
        QFile f(m_image);
        if (!f.open(QIODevice::WriteOnly) || !f.resize(m_bytes))
            return false;
        f.close();
        switch (m_kind) {
        case Kind::Fat32:
            m_mounted = Run(QStringLiteral("mkfs.fat"), {QStringLiteral("-F"), QStringLiteral("32"), m_image}) &&
                        Run(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("vfat"),
                                                      QStringLiteral("-o"), QStringLiteral("loop"), m_image, m_root});
            break;
        case Kind::ExFat:
            m_mounted = Run(QStringLiteral("mkfs.exfat"), {m_image}) &&
                        Run(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("exfat"),
                                                      QStringLiteral("-o"), QStringLiteral("loop"), m_image, m_root});
            break;
        case Kind::ExFatFuse: {
            QByteArray loop;
            if (!Run(QStringLiteral("mkfs.exfat"), {m_image}) ||
                !Run(QStringLiteral("losetup"), {QStringLiteral("-f"), QStringLiteral("--show"), m_image}, &loop))
                return false;
            m_loop = QString::fromLocal8Bit(loop);
            m_mounted = Run(QStringLiteral("mount.exfat-fuse"), {m_loop, m_root});
            break;
        }
        }
        return m_mounted;
    }

private:
    enum class Kind { Fat32, ExFat, ExFatFuse };
    void Unmount() {
        if (m_mounted && ::umount2(QFile::encodeName(m_root).constData(), 0) != 0)
            ::umount2(QFile::encodeName(m_root).constData(), MNT_DETACH);
        m_mounted = false;
        if (!m_loop.isEmpty())
            Run(QStringLiteral("losetup"), {QStringLiteral("-d"), m_loop});
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
TreeSize MakeTree(const QString& addon) {
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
void ChangeEveryFile(const QString& addon) {
    QDirIterator it(addon, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        char c = 0;
        if (f.open(QIODevice::ReadWrite) && f.getChar(&c) && f.seek(0))
            f.putChar(char(~c));
    }
}

// What "作成開始" does with one folder: the check, the copy onto the card, then the card synced.
bool CopyAndSync(const QString& package, const QString& card, const PackageCopy::Progress& progress) {
#ifdef OLD_COPY
    PackageCopy::Card target(card);
    return target.Copy(package + QStringLiteral("/ADDON"), QString(), progress) && target.Sync();
#else
    PackageCopy::Plan plan;
    plan.package = package;
    plan.stage1 = {{package + QStringLiteral("/ADDON"), QString()}};
    PackageCopy::Card target(card);
    return target.Check(plan, progress) && target.RunSteps(plan.stage1, progress) && target.Sync();
#endif
}

double TimeMs(const std::function<bool()>& fn) {
    ::sync(); // what earlier runs left dirty is no part of this one
    QElapsedTimer t;
    t.start();
    const bool ok = fn();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (!ok)
        std::printf("  a run failed\n");
    return ms;
}

double Median(std::vector<double> v) {
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
    const TreeSize size = MakeTree(package + QStringLiteral("/ADDON"));
    std::printf("card: %s\ntree: %d files in %d folders, %.1f MB, from the disk (%s)\n", qPrintable(image.describe()),
                size.files, size.folders, double(size.bytes) / 1e6, qPrintable(dir.path()));

    QLabel label;
    label.resize(430, 46);
    label.show();
    const PackageCopy::Progress quiet = [](const QString&) {};
    const PackageCopy::Progress repainted = [&](const QString& t) {
        label.setText(t);
        label.repaint();
    };
    const QString addon = package + QStringLiteral("/ADDON");
    // Each contender in turn: a fresh copy onto a newly formatted card, the same copy again, and once
    // more after every file changed.
    struct Contender {
        const char* name;
        std::function<bool()> copy;
        std::vector<double> fresh = {}, repeat = {}, changed = {};
    };
    std::vector<Contender> contenders;
    contenders.push_back({"package copy", [&] { return CopyAndSync(package, card, quiet); }});
    contenders.push_back({"package copy, label repainted", [&] { return CopyAndSync(package, card, repainted); }});
    // cp leaves the data in the page cache; the copy ends only once the card is synced.
    contenders.push_back(
        {"cp -r + sync", [&] {
             return Run(QStringLiteral("cp"), {QStringLiteral("-r"), addon, card}) && Run(QStringLiteral("sync"), {});
         }});
    const int rounds =
        qEnvironmentVariableIntValue("PKL_BENCH_ROUNDS") > 0 ? qEnvironmentVariableIntValue("PKL_BENCH_ROUNDS") : 5;
    for (int round = 0; round < rounds; ++round) {
        // Alternate who goes first, so none always meets a cold or a busy disk.
        for (size_t i = 0; i < contenders.size(); ++i) {
            Contender& c = contenders[(size_t(round) + i) % contenders.size()];
            if (!image.Format()) {
                std::printf("cannot format the card image again\n");
                return;
            }
            c.fresh.push_back(TimeMs(c.copy));
            c.repeat.push_back(TimeMs(c.copy));
            ChangeEveryFile(addon);
            c.changed.push_back(TimeMs(c.copy));
        }
    }
    // Each round's contenders ran side by side, so their ratio is steadier than a ratio of medians
    // on a machine that is busy with other work.
    const Contender& cp = contenders.back();
    std::printf("%d rounds, median ms            fresh    repeat   changed\n", rounds);
    for (const Contender& c : contenders)
        std::printf("%-32s %9.0f %9.0f %9.0f\n", c.name, Median(c.fresh), Median(c.repeat), Median(c.changed));
    for (size_t i = 0; i + 1 < contenders.size(); ++i) {
        const Contender& c = contenders[i];
        std::vector<double> fresh, repeat, changed;
        for (size_t r = 0; r < size_t(rounds); ++r) {
            fresh.push_back(cp.fresh[r] / c.fresh[r]);
            repeat.push_back(cp.repeat[r] / c.repeat[r]);
            changed.push_back(cp.changed[r] / c.changed[r]);
        }
        const double f = Median(fresh), rp = Median(repeat);
        std::printf("%s, speed / (cp -r + sync), median of the rounds: fresh %.2f, repeat %.2f (goal 0.95)%s; "
                    "every file changed %.2f\n",
                    c.name, f, rp, f >= 0.95 && rp >= 0.95 ? "" : "  UNDER", Median(changed));
    }
}
