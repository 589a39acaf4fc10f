#pragma once
// The modal dialog that chooses the page-set folder and checks its files one by one.
#include "Instance.h"

#include <QDialog>

class QLabel;
class QPushButton;

class SelPlkWin : public QDialog {
    Q_OBJECT
public:
    // Callers show it modally at once.
    static constexpr bool kVisibleAtCreation = false;
    SelPlkWin();
    static SelPlkWin* instance() { return ImplicitInstance<SelPlkWin>::get(); }
    static bool isOpen() { return ImplicitInstance<SelPlkWin>::isOpen(); }

    // Returns when the dialog has closed.
    void ShowModal();
    // The palette, which this dialog does not include: a complete folder's preview is placed beside
    // it, and closing without a choice brings it to the front. Wired in by the application object.
    static void SetPalette(QWidget* (*palette)());

    void SelectPB_Action();
    void ClosePB_Action();
    void QuitPB_Action();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    static inline QWidget* (*s_palette)() = nullptr;
    QLabel* Label1;
    QPushButton* SelectPB;
    QPushButton* QuitPB;
    QPushButton* ClosePB;
};
