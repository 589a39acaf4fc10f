#pragma once
// The tool palette: opens every other window of the tool, or quits. It cannot be closed.
#include "Instance.h"

#include <QHash>
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

    // A window of another subsystem, wired in by the program: its implicit instance, whether it
    // is open, and its load method.
    struct Opener {
        std::function<QWidget*()> instance;
        std::function<bool()> isOpen;
        std::function<void()> load;
    };
    static void SetOpener(const QString& windowName, Opener opener);

    // The placement rule: a window left of the palette's right edge moves right by the palette's width.
    static int PlacedLeft(int left, int paletteLeft, int paletteWidth);
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
    void openWindow(const QString& windowName, bool place);
    QAction* menuItem(const char* name) const;
    static QHash<QString, Opener>& openers();

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
