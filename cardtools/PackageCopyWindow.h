#pragma once
// Prepares a card for the robot's remote control: the package's download link, the package
// folder and its check, the card, the robot variant, and the copy with its progress line.
#include "SingleWindow.h"

#include <QWidget>
#include <memory>

class CardVolumeList;
class QThread;
class QTimer;
class QComboBox;
class QLabel;
class QPushButton;

class PackageCopyWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr bool kShownWhenCreated = true;
    // Where the package "Robi_550.zip" is downloaded from: the link's text and what a click opens.
    static const QString kDownloadAddress;

    PackageCopyWindow();
    static PackageCopyWindow* instance() { return SingleWindow<PackageCopyWindow>::get(); }
    static bool isOpen() { return SingleWindow<PackageCopyWindow>::isOpen(); }

    // Asks for the package folder and keeps it when it passes the check.
    void choosePackage();
    // Fills the list without waiting: a volume appears once it answers (see CardVolumeList).
    void findCards();
    // Copies the package onto the chosen card for the chosen variant, in a worker thread; the
    // window's controls stay disabled until it has ended.
    void startCopy();
    bool isCopying() const { return m_worker != nullptr; }

    ~PackageCopyWindow() override;

    // The package folder that passed the check; empty while none has.
    const QString& packageFolder() const { return m_packageFolder; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A copy is never abandoned: the window closes once it has ended.
    void closeEvent(QCloseEvent* event) override;

private:
    struct CopyState;
    void showProgress(const QString& text);
    void showLatestProgress();
    void copyEnded();
    void setControlsEnabled(bool enabled);

    QLabel* m_downloadLink;
    QComboBox* m_variantList;
    QPushButton* m_choosePackage;
    QPushButton* m_rescan;
    QPushButton* m_startCopy;
    QComboBox* m_volumeList;
    QLabel* m_progress;
    CardVolumeList* m_volumes;
    QString m_packageFolder;
    QThread* m_worker = nullptr;
    std::shared_ptr<CopyState> m_state; // shared with the worker
    QTimer* m_progressTimer;
    bool m_closeWhenDone = false;
};
