#pragma once
// The one menu bar: File with the quit item, Edit with the standard editing commands. Edit items
// act on the Edit target: the focused text field of the window the user works in, or a control
// there that registered its own handler for the item.
#include <QHash>
#include <QMenuBar>
#include <QPointer>
#include <functional>

class QAction;

class MainMenuBar : public QMenuBar {
    Q_OBJECT
public:
    MainMenuBar();
    static MainMenuBar* instance();

    // The item of that name anywhere in the bar ("EditCopy"), or nullptr.
    QAction* item(const QString& name) const;
    // A control's own handler for an Edit item, serving it while the Edit target is inside the
    // control: canAct says whether the item would act now, act performs it (true when it did).
    static void addMenuHandler(QWidget* control, const QString& itemName, std::function<bool()> act,
                               std::function<bool()> canAct);

    // The focused control of the active window; while the window holding this bar (the palette)
    // or a popup is active, that of the window the user worked in before. nullptr when none.
    QWidget* editTarget() const;
    // Whether the Edit item would act on the target now; an item is enabled exactly then.
    bool canEdit(const QString& name) const;

private:
    void addFileMenu();
    void addEditMenu();
    QAction* addItem(QMenu* menu, const QString& name, const QString& text, const QKeySequence& shortcut);
    bool edit(const QString& name, bool act) const;
    bool isWorkWindow(const QWidget* w) const;
    void noteActiveWindow();
    static inline QPointer<MainMenuBar> s_instance;
    QPointer<QWidget> m_lastWindow;
    QList<QAction*> m_editItems;
};
