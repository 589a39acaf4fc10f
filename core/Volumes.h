#pragma once
// The mounted volumes, without widgets (Qt Core only). The mount table is read as it stands; each
// volume is then asked about itself off the main thread with a time limit, since statfs on a dead
// network or FUSE mount never returns. A volume that does not answer in time is left out.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

class QTimer;

struct VolumeInfo {
    QString name; // what the user calls the volume
    QString root; // its top-level folder
    // Its top level holds an entry "SD_WLAN", as a FlashAir card does (found by the scan).
    bool holdsSdWlan = false;
};

// One mounted file system as the system reports it.
struct MountInfo {
    QString root;
    QString label;
    QByteArray fsType;
    QByteArray device;
    bool valid = true;
    bool ready = true;
};

// The entries of /proc/self/mountinfo, in its order (mount folders unescaped).
QList<MountInfo> parseMountTable(const QByteArray& table);
// Leaves out pseudo and system file systems and those not ready, keeps the top one of several
// mounted on one folder, and orders them by their top-level folder.
QList<MountInfo> recognisableMounts(const QList<MountInfo>& mounts);
// What the user calls the volume: its label, else its mount folder's name.
QString volumeName(const MountInfo& mount);

// Where the volume list comes from: the system, or a test's script.
class VolumeSource {
public:
    virtual ~VolumeSource() = default;
    // The volumes a user would recognise, in a stable order, from the mount table alone: nothing
    // here asks a volume anything, so this never blocks.
    virtual QList<MountInfo> mounts() = 0;
    // Asks the volume mounted at mount.root about itself; nothing when it is not usable. May block
    // for as long as the volume does not answer, so the scan calls it in a worker thread.
    virtual std::optional<VolumeInfo> probe(const MountInfo& mount) = 0;
    // False for a source that answers from memory (a test's plain list): the scan asks it on the spot.
    virtual bool mayBlock() const { return true; }
};

// The mounted volumes of this system (mount table, then statfs and the label in the probe).
std::shared_ptr<VolumeSource> systemVolumes();

// One scan of a source. Rows appear as their volumes answer, in the source's order; after the time
// limit the scan ends and a volume that has not answered is left out. Nothing here waits for a
// volume, neither a new scan, nor the end of the scan object, nor the end of the program: a worker
// stuck on a dead mount is left to itself, and a volume whose earlier question is still unanswered
// is not asked again but waited for by the new scan.
class VolumeScan : public QObject {
    Q_OBJECT
public:
    explicit VolumeScan(QObject* parent = nullptr);
    ~VolumeScan() override;

    // How long a scan waits for each volume.
    static std::chrono::milliseconds timeLimit();
    static void setTimeLimit(std::chrono::milliseconds limit);

    // Starts afresh on source; the volumes of a scan before are dropped and its late answers ignored.
    void start(const std::shared_ptr<VolumeSource>& source);
    // The volumes that have answered, in the source's order.
    const QList<VolumeInfo>& volumes() const { return m_volumes; }
    bool isRunning() const { return m_running; }

    // Where the answers of one run go (the workers hold it); one question to one volume.
    struct Inbox;
    struct Question;

signals:
    // A volume answered; it is row row of volumes().
    void volumeAdded(int row);
    // Every volume has answered, or the time limit has passed.
    void finished();

private:
    static void ask(const std::shared_ptr<VolumeSource>& source, const MountInfo& mount,
                    const std::shared_ptr<Question>& question);
    void answered(const std::shared_ptr<Inbox>& inbox, int index, const std::optional<VolumeInfo>& answer);
    void add(int index, VolumeInfo volume);
    void finish();
    void abandon();

    QList<VolumeInfo> m_volumes;
    QList<int> m_indexes; // each volume's place in the source's order
    std::shared_ptr<Inbox> m_inbox;
    int m_unanswered = 0;
    bool m_running = false;
    QTimer* m_timer = nullptr;
};
