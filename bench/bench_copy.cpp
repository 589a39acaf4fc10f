// The package copy against `cp -r` of the same generated tree on the same disk, side by side.
#include "Bench.h"
#include "PackageCopy.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>

namespace {
// 20 folders of 100 files of 100,000 bytes: 2,000 files, 200 MB.
void MakeTree(const QString& root) {
    QByteArray block(100000, Qt::Uninitialized);
    for (int i = 0; i < block.size(); ++i)
        block[i] = char((i * 131 + 7) & 0xff);
    for (int d = 0; d < 20; ++d) {
        const QString dir = QStringLiteral("%1/ADDON/d%2").arg(root).arg(d);
        QDir().mkpath(dir);
        for (int f = 0; f < 100; ++f) {
            QFile out(QStringLiteral("%1/f%2.RM4").arg(dir).arg(f));
            if (out.open(QIODevice::WriteOnly)) {
                block[0] = char(f);
                out.write(block);
            }
        }
    }
}

// What "作成開始" does with one folder: the copy onto the card, then the card synced.
void CopyAndSync(const QString& source, const QString& card, const PackageCopy::Progress& progress) {
    QDir().mkpath(card);
    PackageCopy::Card target(card);
    if (!target.CopyFileOrFolder(source, QString(), progress) || !target.Sync())
        std::printf("the copy failed\n");
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double TimeMs(const std::function<void()>& fn) {
    QProcess::execute(QStringLiteral("sync"), {});
    QElapsedTimer t;
    t.start();
    fn();
    return double(t.nsecsElapsed()) / 1e6;
}
} // namespace

PKL_BENCH(copy) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("package"));
    MakeTree(source);
    const QString addon = source + QStringLiteral("/ADDON");
    QLabel label;
    label.resize(430, 46);
    label.show();
    const QString a = dir.filePath(QStringLiteral("ours")), b = dir.filePath(QStringLiteral("cp")),
                  c = dir.filePath(QStringLiteral("label")), e = dir.filePath(QStringLiteral("cpsync"));
    std::vector<double> ours, oursLabel, cp, cpSync;
    const std::function<void()> runs[] = {
        [&] { ours.push_back(TimeMs([&] { CopyAndSync(addon, a, [](const QString&) {}); })); },
        [&] {
            QDir().mkpath(b);
            cp.push_back(TimeMs([&] { QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), addon, b}); }));
        },
        [&] {
            oursLabel.push_back(TimeMs([&] {
                CopyAndSync(addon, c, [&](const QString& t) {
                    label.setText(t);
                    label.repaint();
                });
            }));
        },
        // The copy ends only once the card is synced; cp leaves the data in the page cache, so cp
        // followed by sync is the like-for-like baseline.
        [&] {
            QDir().mkpath(e);
            cpSync.push_back(TimeMs([&] {
                QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), addon, e});
                QProcess::execute(QStringLiteral("sync"), {});
            }));
        }};
    for (int round = 0; round < 9; ++round) {
        for (const QString& d : {a, b, c, e})
            QDir(d).removeRecursively();
        // Rotate who goes first, so none always meets a cold or a busy disk.
        for (int i = 0; i < 4; ++i)
            runs[(round + i) % 4]();
    }
    const double cpMs = Median(cp), cpSyncMs = Median(cpSync), oursMs = Median(ours), labelMs = Median(oursLabel);
    Report("cp -r, 2,000 files / 200 MB", cpMs, cpMs / 0.9);
    Report("cp -r then sync", cpSyncMs, cpSyncMs / 0.9);
    Report("package copy (at most cp -r + sync / 0.9)", oursMs, cpSyncMs / 0.9);
    Report("package copy, progress label repainted", labelMs, cpSyncMs / 0.9);
    std::printf("throughput ratio ours / cp -r: %.2f, ours / (cp -r + sync): %.2f (with label: %.2f)\n", cpMs / oursMs,
                cpSyncMs / oursMs, cpSyncMs / labelMs);
}
