#include "PackageCopyWindow.h"

#include "CardVolumes.h"
#include "Controls.h"
#include "FileIO.h"
#include "Messages.h"
#include "PackageCopy.h"
#include "Platform.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMutex>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <utility>

const QString PackageCopyWindow::kDownloadAddress = QStringLiteral("https://www.example.jp/robi/Robi_550.zip");

namespace {
// The messages, in one place.
QString copyFailedMessage() {
    return QStringLiteral("作成エラー");
}

QString copiedMessage() {
    return QStringLiteral("完了しました...");
}

// The progress line while the card flushes what was copied, which takes a while on a real card.
QString writingCardLine() {
    return QStringLiteral("カードに書き込んでいます...");
}

// The progress line's reasons for the card itself.
QString cardGoneReason() {
    return QStringLiteral("カードが見つかりません（取り出された可能性があります）");
}
QString notSyncedReason(const QString& why) {
    return QStringLiteral("カードへの書き込みを終えられませんでした（%1）").arg(why);
}

// Why a chosen folder is not the package: the first entry it lacks. Choosing the folder one level
// too high (the one the archive was unpacked into) is the usual slip.
QString notAPackageMessage(const QString& folder) {
    for (const QString& entry : PackageCopy::packageEntries())
        if (!QFileInfo::exists(PackageCopy::findEntry(folder, entry)))
            return QStringLiteral("選んだフォルダに「%1」がありません。Robi_550.zipを解凍してできた"
                                  "「リモート接続用ロビプログラム」フォルダを選択してください...")
                .arg(entry);
    return QStringLiteral("選んだフォルダはリモート接続用ロビプログラムのフォルダではありません。Robi_550.zipを"
                          "解凍してできた「リモート接続用ロビプログラム」フォルダを選択してください...");
}
// How often the progress line follows the copy: often enough to see it move, and far less often
// than files are copied (each repaint is a round trip to the display server).
constexpr int kProgressIntervalMs = 50;
} // namespace

// What the worker hands to the window: the latest progress line and, at the end, the outcome.
struct PackageCopyWindow::CopyState {
    QMutex mutex;
    QString line;
    bool changed = false;
    bool succeeded = false;

    void setLine(const QString& text) {
        const QMutexLocker lock(&mutex);
        line = text;
        changed = true;
    }
};

PackageCopyWindow::PackageCopyWindow() {
    initWindow(this, QStringLiteral("PackageCopyWindow"), QStringLiteral("リモート接続プログラムFlashAir作成"), 470,
               454);
    setMaximumSize(32000, 32000);

    auto* layout = new FixedLayout(this);
    auto label = [&](const char* name, const QString& text, int left, int top, int width, int height) {
        QLabel* l = layout->place(makeLabel(this, QString::fromLatin1(name), text), left, top, width, height);
        l->setTextFormat(Qt::PlainText);
        return l;
    };
    const QString indent5(5, QChar(0x3000));
    const QString indent2(2, QChar(0x3000));

    QLabel* heading = label("heading", QStringLiteral("このアプリはRobi_550.zipに対応しています"), 12, 11, 309, 20);
    heading->setFont(layoutFont(heading->font(), 14, false, true));
    label("cardStepLabel", QStringLiteral("前操作１、FlashAirに「ロビのココロ」のファイルを全てコピー"), 20, 43, 430,
          20);
    label("downloadStepLabel",
          QStringLiteral("前操作２、コルベナさんのページから「リモート接続用ロビプログラム」\n") + indent5 +
              QStringLiteral("（Robi_550.zip）をダウンロード。\n") + indent5 +
              QStringLiteral("以下のURLをクリックするとダウンロードされます。"),
          20, 65, 450, 54);
    m_downloadLink = label("downloadLink", kDownloadAddress, 45, 119, 419, 20);
    m_downloadLink->setStyleSheet(QStringLiteral("color: #0000ff;"));
    m_downloadLink->installEventFilter(this);
    label("packageStepLabel",
          QStringLiteral("１、Robi_550.zipをダウンロードし、解凍してできた\n") + indent2 +
              QStringLiteral("「リモート接続用ロビプログラム」フォルダを選択"),
          20, 154, 312, 44);
    m_choosePackage = layout->place(
        makeButton(this, QStringLiteral("choosePackageButton"), QStringLiteral("フォルダ選択")), 352, 166, 98, 20);
    label("volumeStepLabel", QStringLiteral("２、FlashAirを選択"), 20, 210, 139, 20);
    m_volumeList = layout->place(new QComboBox(this), 152, 210, 298, 20);
    m_volumeList->setObjectName(QStringLiteral("volumeList"));
    m_volumes = new CardVolumeList(m_volumeList, packageCardRow);
    QLabel* insertHint = label(
        "insertHint", QStringLiteral("FlashAirを挿入してない場合は、\n挿入後、「アップデート」を押してください。"), 125,
        235, 234, 35);
    insertHint->setFont(layoutFont(insertHint->font(), 11));
    m_rescan = layout->place(makeButton(this, QStringLiteral("rescanButton"), QStringLiteral("アップデート")), 363, 242,
                             87, 20);
    label("variantStepLabel", QStringLiteral("３、FlashAirにコピーした「ロビのココロ」の種類を選択"), 20, 282, 339, 20);
    m_variantList = layout->place(new QComboBox(this), 240, 314, 210, 20);
    m_variantList->setObjectName(QStringLiteral("variantList"));
    m_variantList->addItems(PackageCopy::variantItems());
    m_variantList->setCurrentIndex(0);
    // "名称未設定" is the layout's placeholder; the line is empty until a copy runs.
    m_progress = label("progress", QStringLiteral("名称未設定"), 20, 346, 430, 46);
    m_startCopy = layout->place(makeButton(this, QStringLiteral("startCopyButton"), QStringLiteral("作成開始")), 130,
                                404, 210, 20);
    setTabOrder(m_variantList, m_choosePackage);
    setTabOrder(m_choosePackage, m_rescan);
    setTabOrder(m_rescan, m_startCopy);
    setTabOrder(m_startCopy, m_volumeList);

    connect(m_choosePackage, &QPushButton::clicked, this, &PackageCopyWindow::choosePackage);
    connect(m_rescan, &QPushButton::clicked, this, &PackageCopyWindow::findCards);
    connect(m_startCopy, &QPushButton::clicked, this, &PackageCopyWindow::startCopy);
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(kProgressIntervalMs);
    connect(m_progressTimer, &QTimer::timeout, this, &PackageCopyWindow::showLatestProgress);
    findCards();
    m_progress->setText(QString());
    // The window opens on the first control of its order.
    m_variantList->setFocus();
}

bool PackageCopyWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_downloadLink) {
        // The address looks and acts as a link: underlined under the pointer, opened on a press.
        auto hover = [this](bool on) {
            m_downloadLink->setCursor(on ? Qt::PointingHandCursor : Qt::ArrowCursor);
            QFont f = m_downloadLink->font();
            f.setUnderline(on);
            m_downloadLink->setFont(f);
        };
        switch (event->type()) {
        case QEvent::Enter:
            hover(true);
            break;
        case QEvent::Leave:
            hover(false);
            break;
        case QEvent::MouseButtonPress:
            Platform::get().openUrl(QUrl(kDownloadAddress));
            return false;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PackageCopyWindow::choosePackage() {
    const std::optional<QString> chosen = Platform::get().chooseFolder();
    if (!chosen)
        return;
    m_packageFolder.clear();
    if (PackageCopy::isPackageFolder(*chosen))
        m_packageFolder = *chosen;
    else
        Platform::get().message(notAPackageMessage(*chosen));
}

void PackageCopyWindow::findCards() {
    m_volumes->scan();
}

PackageCopyWindow::~PackageCopyWindow() {
    // The application may quit while a copy runs: let it end, so nothing is left half done.
    if (m_worker) {
        m_worker->wait();
        delete m_worker;
    }
}

void PackageCopyWindow::closeEvent(QCloseEvent* event) {
    if (m_worker) {
        m_closeWhenDone = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void PackageCopyWindow::showProgress(const QString& text) {
    m_progress->setText(text);
}

void PackageCopyWindow::showLatestProgress() {
    if (!m_state)
        return;
    QString line;
    {
        // The label is set after the lock is given back: laying its text out takes a while, and the
        // copy waits for the lock at its next file.
        const QMutexLocker lock(&m_state->mutex);
        if (!std::exchange(m_state->changed, false))
            return;
        line = m_state->line;
    }
    m_progress->setText(line);
}

void PackageCopyWindow::setControlsEnabled(bool enabled) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_variantList, m_choosePackage, m_rescan, m_volumeList, m_startCopy})
        w->setEnabled(enabled);
}

void PackageCopyWindow::startCopy() {
    using namespace PackageCopy;
    if (m_worker || !QFileInfo::exists(m_packageFolder))
        return;
    const int row = m_volumeList->currentIndex();
    if (row < 0)
        return;
    const QString root = m_volumeList->itemData(row).toString();
    if (root.isEmpty())
        return;
    const QString cardName = m_volumeList->itemText(row);
    // Still the mounted volume the scan found: a card taken out since leaves its mount folder on
    // the disk below, which must not receive the package.
    if (!CardVolumeList::isMounted(root)) {
        showProgress(progressLine(cardName, cardGoneReason()));
        Platform::get().message(copyFailedMessage());
        return;
    }
    auto state = std::make_shared<CopyState>();
    const QString package = m_packageFolder;
    const int variant = m_variantList->currentIndex();
    // Everything that touches the card runs here, off the window's thread: a card blocks for
    // seconds on the final flush, and forever once its FUSE daemon is gone.
    m_worker = QThread::create([state, root, cardName, package, variant] {
        const Progress progress = [&state](const QString& t) { state->setLine(t); };
        const Plan plan = makePlan(package, variant);
        // The check reads the whole package first and names what it refuses (a copy onto itself,
        // a link, two names the card holds as one).
        Card card(root);
        if (!card.isOpen() || !card.isMountRoot())
            return progress(progressLine(cardName, cardGoneReason()));
        if (!card.check(plan, progress))
            return;
        const bool copied = card.runSteps(plan.stage1, progress) && card.runSteps(plan.stage2, progress) &&
                            card.runSteps(plan.stage3, progress);
        if (copied)
            progress(writingCardLine());
        // Done only once the data is on the card; after a failure what was copied is kept there too.
        FileIO::Failure failure;
        const bool synced = card.sync(&failure);
        if (copied && !synced)
            progress(progressLine(cardName, notSyncedReason(Messages::reason(failure))));
        state->succeeded = copied && synced;
    });
    m_state = state;
    connect(m_worker, &QThread::finished, this, &PackageCopyWindow::copyEnded);
    setControlsEnabled(false);
    m_progress->setText(QString());
    m_progressTimer->start();
    m_worker->start();
}

void PackageCopyWindow::copyEnded() {
    m_worker->wait();
    delete m_worker;
    m_worker = nullptr;
    m_progressTimer->stop();
    const std::shared_ptr<CopyState> state = std::exchange(m_state, nullptr);
    setControlsEnabled(true);
    // The line a failure left stays exactly as the copy set it.
    m_progress->setText(state->succeeded ? QString() : state->line);
    Platform::get().message(state->succeeded ? copiedMessage() : copyFailedMessage());
    if (m_closeWhenDone)
        close();
}
