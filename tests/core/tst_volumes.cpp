// The card windows' volume list below the windows: the mount table as the system writes it, and the
// system's own volumes through a scan (a card image mounted for the test, root only).
#include "CardFixtures.h"
#include "Volumes.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
// The name the system's volume list gives the volume at root, empty when it lists none there.
QString listedName(const QString& root) {
    VolumeScan scan;
    QSignalSpy finished(&scan, &VolumeScan::finished);
    scan.start(systemVolumes());
    if (scan.isRunning() && !finished.wait(10000))
        return "<scan did not end>";
    for (const VolumeInfo& v : scan.volumes())
        if (v.root == root)
            return v.name;
    return {};
}
} // namespace

class TestVolumes : public QObject {
    Q_OBJECT
private slots:
    void volumesLeaveOutSystemMounts() {
        const QList<MountInfo> mounts = {{"/media/u/FlashAir", "", "vfat", "/dev/sdb1"},
                                         {"/proc", "", "proc", "proc"},
                                         {"/", "", "ext4", "/dev/vda"},
                                         {"/run/user/0", "", "tmpfs", "tmpfs"},
                                         {"/run/media/u/MicFA", "CARD", "exfat", "/dev/sdc1"},
                                         {"/snap/core", "", "squashfs", "/dev/loop0"},
                                         {"/media/u/x", "", "vfat", "/dev/sdd1", true, false}};
        QStringList names;
        for (const MountInfo& m : recognisableMounts(mounts))
            names << volumeName(m) + u'=' + m.root;
        QCOMPARE(names, (QStringList{"/=/", "FlashAir=/media/u/FlashAir", "CARD=/run/media/u/MicFA"}));
    }
    // Folder names are escaped in the table ("NO NAME" is a FAT card's usual label); a folder
    // mounted on twice shows the later mount.
    void mountTable() {
        const QByteArray table = "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                                 "30 22 8:17 / /media/u/NO\\040NAME rw,nosuid shared:12 master:3 - vfat /dev/sdb1 rw\n"
                                 "31 22 0:40 / /mnt/back\\134slash rw - fuseblk /dev/sdc1 rw\n"
                                 "32 22 0:5 / /proc rw - proc proc rw\n"
                                 "33 22 8:33 / /media/u/card rw - exfat /dev/sdd1 rw\n"
                                 "34 33 8:49 / /media/u/card rw - vfat /dev/sde1 rw\n"
                                 "a line that is no mount\n";
        QStringList mounts;
        for (const MountInfo& m : recognisableMounts(parseMountTable(table)))
            mounts << m.root + '=' + m.fsType + '@' + m.device;
        QCOMPARE(mounts, (QStringList{"/=ext4@/dev/sda1", "/media/u/NO NAME=vfat@/dev/sdb1",
                                      "/media/u/card=vfat@/dev/sde1", "/mnt/back\\slash=fuseblk@/dev/sdc1"}));
    }

    // A card mounted on this system is listed under its folder's name, and gone once taken out.
    void systemVolumes() {
        QTemporaryDir dir;
        const QString root = dir.filePath("FlashAir");
        MountedCard card(root);
        if (!card.skipReason().isEmpty())
            QSKIP(qPrintable(card.skipReason()));
        QCOMPARE(listedName(root), QString("FlashAir"));
        card.unmount();
        QCOMPARE(listedName(root), QString());
    }
};

QTEST_GUILESS_MAIN(TestVolumes)
#include "tst_volumes.moc"
