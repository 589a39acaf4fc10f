#include "Volumes.h"

#include "FileIO.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>
#include <QTimer>
#include <algorithm>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

namespace {
// The mount table writes a blank, a tab, a line end and a backslash in a folder's name as "\ooo".
QByteArray unescape(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const auto octal = [&](qsizetype at) { return at < field.size() && field[at] >= '0' && field[at] <= '7'; };
        if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            out += char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

class SystemVolumeSource : public VolumeSource {
public:
    QList<MountInfo> mounts() override {
        QFile table(QStringLiteral("/proc/self/mountinfo"));
        if (!table.open(QIODevice::ReadOnly))
            return {};
        return recognisableMounts(parseMountTable(table.readAll()));
    }
    std::optional<VolumeInfo> probe(const MountInfo& mount) override {
        // statfs and the label; the call that never returns on a dead mount.
        const QStorageInfo storage(mount.root);
        // Taken out since the table was read: the folder now belongs to the volume below.
        if (!storage.isValid() || !storage.isReady() || QDir::cleanPath(storage.rootPath()) != mount.root)
            return std::nullopt;
        MountInfo named = mount;
        named.label = storage.name();
        return VolumeInfo{volumeName(named), mount.root};
    }
};
} // namespace

QList<MountInfo> parseMountTable(const QByteArray& table) {
    QList<MountInfo> out;
    for (const QByteArray& line : table.split('\n')) {
        // id, parent, major:minor, root, mount folder, options, optional fields..., "-", type, source
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-", 6);
        if (fields.size() < 5 || dash < 0 || dash + 2 >= fields.size())
            continue;
        MountInfo m;
        m.root = QFile::decodeName(unescape(fields[4]));
        m.fsType = unescape(fields[dash + 1]);
        m.device = unescape(fields[dash + 2]);
        out.append(m);
    }
    return out;
}

QList<MountInfo> recognisableMounts(const QList<MountInfo>& mounts) {
    static const QSet<QByteArray> pseudo = {
        "proc",        "sysfs",         "devtmpfs",  "devpts",    "tmpfs",   "ramfs",       "cgroup",
        "cgroup2",     "pstore",        "bpf",       "tracefs",   "debugfs", "securityfs",  "configfs",
        "fusectl",     "mqueue",        "hugetlbfs", "autofs",    "overlay", "squashfs",    "nsfs",
        "efivarfs",    "rpc_pipefs",    "nfsd",      "selinuxfs", "devfs",   "binfmt_misc", "fuse.gvfsd-fuse",
        "fuse.portal", "fuse.snapfuse", "none",      "shm"};
    static const QStringList systemRoots = {
        QStringLiteral("/proc"), QStringLiteral("/sys"), QStringLiteral("/dev"),           QStringLiteral("/snap"),
        QStringLiteral("/boot"), QStringLiteral("/run"), QStringLiteral("/System/Volumes")};
    QList<MountInfo> out;
    for (const MountInfo& m : mounts) {
        if (!m.valid || !m.ready || m.root.isEmpty() || pseudo.contains(m.fsType.toLower()))
            continue;
        const QString root = QDir::cleanPath(m.root);
        const bool removableUnderRun = root.startsWith(QStringLiteral("/run/media/"));
        const bool system = std::any_of(systemRoots.begin(), systemRoots.end(),
                                        [&](const QString& s) { return root == s || root.startsWith(s + u'/'); });
        if (system && !removableUnderRun)
            continue;
        // A later mount on the same folder hides the earlier one.
        out.removeIf([&](const MountInfo& o) { return o.root == root; });
        out.append(m);
        out.last().root = root;
    }
    std::stable_sort(out.begin(), out.end(), [](const MountInfo& a, const MountInfo& b) { return a.root < b.root; });
    return out;
}

QString volumeName(const MountInfo& mount) {
    if (!mount.label.isEmpty())
        return mount.label;
    const QString folder = QFileInfo(mount.root).fileName();
    return folder.isEmpty() ? mount.root : folder;
}

std::shared_ptr<VolumeSource> systemVolumes() {
    static const std::shared_ptr<VolumeSource> source = std::make_shared<SystemVolumeSource>();
    return source;
}

struct VolumeScan::Inbox {
    std::mutex mutex;
    VolumeScan* scan = nullptr; // cleared when the run ends, is replaced, or its scan is gone
};

struct VolumeScan::Question {
    // The runs waiting for the answer, with the volume's place in each; guarded by the registry.
    QList<QPair<std::weak_ptr<Inbox>, int>> askers;
};

namespace {
using QuestionKey = std::pair<const VolumeSource*, QString>;
struct Registry {
    std::mutex mutex;
    // The unanswered questions. Each holds its source through its worker, so no other source can
    // take the same address while its key is here.
    std::map<QuestionKey, std::shared_ptr<VolumeScan::Question>> open;
};
// Never destroyed: a worker stuck past the end of the program may still come back to it.
Registry& registry() {
    static Registry* r = new Registry;
    return *r;
}

std::chrono::milliseconds gTimeLimit{1500};
} // namespace

VolumeScan::VolumeScan(QObject* parent) : QObject(parent), m_timer(new QTimer(this)) {
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &VolumeScan::finish);
}

VolumeScan::~VolumeScan() {
    abandon();
}

std::chrono::milliseconds VolumeScan::timeLimit() {
    return gTimeLimit;
}

void VolumeScan::setTimeLimit(std::chrono::milliseconds limit) {
    gTimeLimit = limit;
}

void VolumeScan::abandon() {
    if (m_inbox) {
        // Waits only while a worker posts an answer, never for a volume.
        std::lock_guard lock(m_inbox->mutex);
        m_inbox->scan = nullptr;
    }
    m_inbox.reset();
    m_timer->stop();
    m_running = false;
}

void VolumeScan::start(const std::shared_ptr<VolumeSource>& source) {
    abandon();
    m_volumes.clear();
    m_indexes.clear();
    m_running = true;
    const QList<MountInfo> mounts = source->mounts();
    if (!source->mayBlock()) {
        for (int i = 0; i < mounts.size(); ++i)
            if (std::optional<VolumeInfo> v = source->probe(mounts[i])) {
                v->holdsSdWlan = QFileInfo::exists(FileIO::childPath(v->root, QStringLiteral("SD_WLAN")));
                add(i, *v);
            }
        return finish();
    }
    m_inbox = std::make_shared<Inbox>();
    m_inbox->scan = this;
    m_unanswered = 0;
    for (int i = 0; i < mounts.size(); ++i) {
        std::shared_ptr<Question> fresh;
        {
            std::lock_guard lock(registry().mutex);
            std::shared_ptr<Question>& question = registry().open[{source.get(), mounts[i].root}];
            if (!question)
                fresh = question = std::make_shared<Question>();
            question->askers.append({m_inbox, i});
        }
        ++m_unanswered;
        if (!fresh)
            continue; // asked before and not answered yet: wait for that answer
        try {
            std::thread(&VolumeScan::ask, source, mounts[i], fresh).detach();
        } catch (const std::system_error&) {
            // No thread to ask it in: the volume is left out, as one that does not answer.
            std::lock_guard lock(registry().mutex);
            registry().open.erase({source.get(), mounts[i].root});
            --m_unanswered;
        }
    }
    if (m_unanswered == 0)
        return finish();
    m_timer->start(gTimeLimit);
}

void VolumeScan::ask(const std::shared_ptr<VolumeSource>& source, const MountInfo& mount,
                     const std::shared_ptr<Question>& question) {
    std::optional<VolumeInfo> answer = source->probe(mount);
    if (answer)
        answer->holdsSdWlan = QFileInfo::exists(FileIO::childPath(answer->root, QStringLiteral("SD_WLAN")));
    QList<QPair<std::weak_ptr<Inbox>, int>> askers;
    {
        std::lock_guard lock(registry().mutex);
        askers.swap(question->askers);
        const auto it = registry().open.find({source.get(), mount.root});
        if (it != registry().open.end() && it->second == question)
            registry().open.erase(it);
    }
    for (const auto& [weak, index] : askers) {
        const std::shared_ptr<Inbox> inbox = weak.lock();
        if (!inbox)
            continue;
        std::lock_guard lock(inbox->mutex);
        // Posted, never called here: the scan lives on the main thread. An answer for a scan deleted
        // before it arrives is dropped with the scan.
        if (VolumeScan* scan = inbox->scan)
            QMetaObject::invokeMethod(
                scan, [scan, inbox, index = index, answer] { scan->answered(inbox, index, answer); },
                Qt::QueuedConnection);
    }
}

void VolumeScan::answered(const std::shared_ptr<Inbox>& inbox, int index, const std::optional<VolumeInfo>& answer) {
    if (inbox != m_inbox || !m_running)
        return; // a run before, or past the time limit
    --m_unanswered;
    if (answer)
        add(index, *answer);
    if (m_unanswered == 0)
        finish();
}

void VolumeScan::add(int index, VolumeInfo volume) {
    const int row = int(std::lower_bound(m_indexes.begin(), m_indexes.end(), index) - m_indexes.begin());
    m_indexes.insert(row, index);
    m_volumes.insert(row, std::move(volume));
    emit volumeAdded(row);
}

void VolumeScan::finish() {
    if (!m_running)
        return;
    abandon();
    emit finished();
}
