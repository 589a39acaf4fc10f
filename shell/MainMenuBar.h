#pragma once
// The one menu bar: File with the quit item, Edit with the standard editing commands. Edit items
// act on the focused text field, or on a control that registered its own handler for the item.
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
    // A control's own handler for an Edit item; it serves the item while the focus is inside the control.
    static void AddMenuHandler(QWidget* control, const QString& itemName, std::function<bool()> handler);

private:
    void Untitled0();
    void Untitled1();
    QAction* addItem(QMenu* menu, const QString& name, const QString& text, const QKeySequence& shortcut);
    void editItem(const QString& name);
    static inline QPointer<MainMenuBar> s_instance;
};
