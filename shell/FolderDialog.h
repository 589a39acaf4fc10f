#pragma once
// The modal dialog that chooses the page-set folder and checks its files one by one.
#include "SingleWindow.h"

#include <QDialog>

class QLabel;
class QPushButton;

class FolderDialog : public QDialog {
    Q_OBJECT
public:
    // Callers show it modally at once (exec()).
    static constexpr bool kShownWhenCreated = false;
    FolderDialog();
    static FolderDialog* instance() { return SingleWindow<FolderDialog>::get(); }
    static bool isOpen() { return SingleWindow<FolderDialog>::isOpen(); }

    // The palette, which this dialog does not include: a complete folder's preview is placed beside
    // it, and closing without a choice brings it to the front. Wired in by the application object.
    static void setPalette(QWidget* (*palette)());

    // Asks for a folder and checks it; a complete one becomes the page set and closes the dialog.
    void chooseFolder();
    void closeWithoutChoosing();
    void quit();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    static inline QWidget* (*s_palette)() = nullptr;
    QLabel* m_prompt;
    QPushButton* m_choose;
    QPushButton* m_quit;
    QPushButton* m_close;
};
