#pragma once
// The tool palette: opens every other window of the tool, or quits. It cannot be closed.
#include "Instance.h"

#include <QMainWindow>
#include <functional>

class QAction;
class QLabel;
class QPushButton;

class ToolWin : public QMainWindow {
    Q_OBJECT
public:
    static constexpr bool kVisibleAtCreation = true;
    ToolWin();
    static ToolWin* instance() { return ImplicitInstance<ToolWin>::get(); }
    static bool isOpen() { return ImplicitInstance<ToolWin>::isOpen(); }

    // The windows of the editors and card tools, which the palette does not include.
    enum class Tool { ButtonEditor, WordEditor, BackgroundWindow, UploadSwitchWindow, PackageCopyWindow };
    // How the palette opens one of them, wired in by the program: its one window, whether it is
    // open, and what loads its file (nothing for a window without one).
    struct Opener {
        std::function<QWidget*()> instance;
        std::function<bool()> isOpen;
        std::function<void()> load;
    };
    static void SetOpener(Tool tool, Opener opener);
    // The opener of window class W.
    template <class W> static Opener OpenerOf(void (W::*load)() = nullptr) {
        Opener o{[]() -> QWidget* { return W::instance(); }, [] { return W::isOpen(); }, {}};
        if (load)
            o.load = [load] { (W::instance()->*load)(); };
        return o;
    }

    // Puts w right of the palette (see PlaceBeside).
    static void ApplyPlacement(QWidget* w);

    void plkselectBB_Action();
    void PrevBB_Action();
    void editBtnBB_Action();
    void BackColorBB_Action();
    void UploadBB_Action();
    void QuitBB_Action();
    void NinBB_Action();
    void UploadBB1_Action();

    QAction* EditMenu() const;
    QAction* EditSelectAll() const;
    QAction* EditSeparator2() const;
    QAction* EditClear() const;
    QAction* EditPaste() const;
    QAction* EditCopy() const;
    QAction* EditCut() const;
    QAction* EditSeparator1() const;
    QAction* EditUndo() const;
    QAction* FileMenu() const;
    QAction* FileQuit() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Shows a registered window, asks it to load its file, and places it when asked to.
    void openWindow(Tool tool, bool place);
    QAction* menuItem(const char* name) const;
    static Opener& opener(Tool tool);

    QPushButton* plkselectBB;
    QPushButton* PrevBB;
    QPushButton* editBtnBB;
    QPushButton* BackColorBB;
    QPushButton* UploadBB;
    QPushButton* QuitBB;
    QPushButton* NinBB;
    QLabel* Label1;
    QPushButton* UploadBB1;
};
