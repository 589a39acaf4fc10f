#pragma once
// The tool palette: opens every other window of the tool, or quits. It cannot be closed.
#include "SingleWindow.h"

#include <QMainWindow>
#include <functional>

class QLabel;
class QPushButton;

class PaletteWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr bool kShownWhenCreated = true;
    PaletteWindow();
    static PaletteWindow* instance() { return SingleWindow<PaletteWindow>::get(); }
    static bool isOpen() { return SingleWindow<PaletteWindow>::isOpen(); }

    // The windows of the editors and card tools, which the palette does not include.
    enum class Tool { ButtonEditor, WordEditor, BackgroundWindow, UploadSwitchWindow, PackageCopyWindow };
    // How the palette opens one of them, wired in by the program: its one window, whether it is
    // open, and what loads its file (nothing for a window without one).
    struct Opener {
        std::function<QWidget*()> instance;
        std::function<bool()> isOpen;
        std::function<void()> load;
    };
    static void setOpener(Tool tool, Opener opener);
    // The opener of window class W.
    template <class W> static Opener openerOf(void (W::*load)() = nullptr) {
        Opener o{[]() -> QWidget* { return W::instance(); }, [] { return W::isOpen(); }, {}};
        if (load)
            o.load = [load] { (W::instance()->*load)(); };
        return o;
    }

    // Puts w right of the palette (see placeBeside).
    static void place(QWidget* w);

    void chooseFolder();
    void showPreview();
    // Each opens its window only once a page set holds its file.
    void openButtonEditor();
    void openBackgroundWindow();
    void openWordEditor();
    void openUploadSwitch();
    void openPackageCopy();
    void quit();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Shows a registered window, asks it to load its file, and places it when asked to.
    void openWindow(Tool tool, bool placed);
    static Opener& opener(Tool tool);

    QPushButton* m_chooseFolder;
    QPushButton* m_preview;
    QPushButton* m_buttonEditor;
    QPushButton* m_background;
    QPushButton* m_uploadSwitch;
    QPushButton* m_quit;
    QPushButton* m_wordEditor;
    QLabel* m_cardHeading;
    QPushButton* m_packageCopy;
};
