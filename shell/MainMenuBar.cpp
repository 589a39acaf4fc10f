#include "MainMenuBar.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QWindow>

namespace {
const char* kHandlersProperty = "pklMenuHandlers";
struct Handler {
    std::function<bool()> act;
    std::function<bool()> canAct;
};
using Handlers = QHash<QString, Handler>;
QHash<QWidget*, Handlers>& handlerTable() {
    static QHash<QWidget*, Handlers> table;
    return table;
}

// What a text field's own context menu offers, and when.
bool lineEditItem(QLineEdit* field, const QString& name, bool act) {
    const bool writable = !field->isReadOnly();
    const bool shown = field->echoMode() == QLineEdit::Normal;
    const bool selection = field->hasSelectedText();
    if (name == u"EditUndo") {
        if (!writable || !field->isUndoAvailable())
            return false;
        if (act)
            field->undo();
    } else if (name == u"EditCut") {
        if (!writable || !shown || !selection)
            return false;
        if (act)
            field->cut();
    } else if (name == u"EditCopy") {
        if (!shown || !selection)
            return false;
        if (act)
            field->copy();
    } else if (name == u"EditPaste") {
        if (!writable || QGuiApplication::clipboard()->text().isEmpty())
            return false;
        if (act)
            field->paste();
    } else if (name == u"EditClear") {
        // With no selection del() would take the character after the cursor.
        if (!writable || !selection)
            return false;
        if (act)
            field->del();
    } else if (name == u"EditSelectAll") {
        if (field->text().isEmpty() || field->selectedText() == field->text())
            return false;
        if (act)
            field->selectAll();
    } else {
        return false;
    }
    return true;
}
} // namespace

MainMenuBar::MainMenuBar() {
    setObjectName(QStringLiteral("MainMenuBar"));
    addFileMenu();
    addEditMenu();
    connect(qApp, &QApplication::focusChanged, this, &MainMenuBar::noteActiveWindow);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &MainMenuBar::noteActiveWindow);
    noteActiveWindow();
}

MainMenuBar* MainMenuBar::instance() {
    if (!s_instance)
        s_instance = new MainMenuBar();
    return s_instance;
}

QAction* MainMenuBar::item(const QString& name) const {
    for (QAction* a : findChildren<QAction*>())
        if (a->objectName() == name)
            return a;
    return nullptr;
}

QAction* MainMenuBar::addItem(QMenu* menu, const QString& name, const QString& text, const QKeySequence& shortcut) {
    auto* a = new QAction(text, menu);
    a->setObjectName(name);
    a->setVisible(true);
    if (!shortcut.isEmpty()) {
        a->setShortcut(shortcut);
        // Every window of the tool shares this bar.
        a->setShortcutContext(Qt::ApplicationShortcut);
    }
    menu->addAction(a);
    return a;
}

void MainMenuBar::addFileMenu() {
    QMenu* file = addMenu(QStringLiteral("ファイル"));
    file->setObjectName(QStringLiteral("FileMenu"));
    file->menuAction()->setObjectName(QStringLiteral("FileMenu"));
    QAction* quit = addItem(file, QStringLiteral("FileQuit"), QStringLiteral("終了"), QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, qApp, [] { QCoreApplication::exit(0); });
}

void MainMenuBar::addEditMenu() {
    QMenu* menu = addMenu(QStringLiteral("編集"));
    menu->setObjectName(QStringLiteral("EditMenu"));
    menu->menuAction()->setObjectName(QStringLiteral("EditMenu"));
    struct Row {
        const char* name;
        QString text; // empty: a separator line
        QKeySequence key;
    };
    const Row rows[] = {
        {"EditUndo", QStringLiteral("取り消す"), QKeySequence::Undo},
        {"EditSeparator1", {}, {}},
        {"EditCut", QStringLiteral("カット"), QKeySequence::Cut},
        {"EditCopy", QStringLiteral("コピー"), QKeySequence::Copy},
        {"EditPaste", QStringLiteral("貼り付け"), QKeySequence::Paste},
        {"EditClear", QStringLiteral("削除"), {}},
        {"EditSeparator2", {}, {}},
        {"EditSelectAll", QStringLiteral("すべてを選択"), QKeySequence::SelectAll},
    };
    for (const Row& r : rows) {
        const QString name = QString::fromLatin1(r.name);
        if (r.text.isEmpty()) {
            // A separator with a text would be drawn as a titled section.
            menu->addSeparator()->setObjectName(name);
            continue;
        }
        QAction* a = addItem(menu, name, r.text, r.key);
        m_editItems.append(a);
        connect(a, &QAction::triggered, this, [this, name] { edit(name, true); });
    }
    // Enabled while the menu is open only when they would act; closed, every item stays enabled so
    // that no shortcut is left dead by the state of an earlier opening (a trigger checks anyway).
    connect(menu, &QMenu::aboutToShow, this, [this] {
        for (QAction* a : std::as_const(m_editItems))
            a->setEnabled(canEdit(a->objectName()));
    });
    connect(menu, &QMenu::aboutToHide, this, [this] {
        for (QAction* a : std::as_const(m_editItems))
            a->setEnabled(true);
    });
}

void MainMenuBar::addMenuHandler(QWidget* control, const QString& itemName, std::function<bool()> act,
                                 std::function<bool()> canAct) {
    auto& table = handlerTable();
    if (!table.contains(control))
        QObject::connect(control, &QObject::destroyed, [control] { handlerTable().remove(control); });
    table[control][itemName] = {std::move(act), std::move(canAct)};
    control->setProperty(kHandlersProperty, true);
}

bool MainMenuBar::isWorkWindow(const QWidget* w) const {
    return w && w != window() && w->windowType() != Qt::Popup && w->windowType() != Qt::ToolTip;
}

void MainMenuBar::noteActiveWindow() {
    // Choosing a menu makes the palette active; remember the window the user was in before.
    QWidget* active = QApplication::activeWindow();
    if (isWorkWindow(active))
        m_lastWindow = active;
}

QWidget* MainMenuBar::editTarget() const {
    QWidget* active = QApplication::activeWindow();
    QWidget* w = isWorkWindow(active) ? active : m_lastWindow.data();
    if (!w || !w->isVisible())
        return nullptr;
    return w->focusWidget() ? w->focusWidget() : w;
}

bool MainMenuBar::canEdit(const QString& name) const {
    return edit(name, false);
}

bool MainMenuBar::edit(const QString& name, bool act) const {
    QWidget* target = editTarget();
    for (QWidget* w = target; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        if (!w->property(kHandlersProperty).toBool())
            continue;
        const Handlers handlers = handlerTable().value(w);
        const auto h = handlers.constFind(name);
        if (h == handlers.constEnd())
            continue;
        if (!h->canAct())
            return false;
        return !act || h->act();
    }
    if (auto* field = qobject_cast<QLineEdit*>(target))
        return lineEditItem(field, name, act);
    return false;
}
