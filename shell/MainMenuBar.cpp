#include "MainMenuBar.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {
const char* kHandlersProperty = "pklMenuHandlers";
using Handlers = QHash<QString, std::function<bool()>>;
QHash<QWidget*, Handlers>& handlerTable() {
    static QHash<QWidget*, Handlers> table;
    return table;
}
} // namespace

MainMenuBar::MainMenuBar() {
    setObjectName(QStringLiteral("MainMenuBar"));
    Untitled0();
    Untitled1();
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

void MainMenuBar::Untitled0() {
    QMenu* file = addMenu(QStringLiteral("ファイル"));
    file->setObjectName(QStringLiteral("FileMenu"));
    file->menuAction()->setObjectName(QStringLiteral("FileMenu"));
    QAction* quit = addItem(file, QStringLiteral("FileQuit"), QStringLiteral("終了"), QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, qApp, [] { QCoreApplication::exit(0); });
}

void MainMenuBar::Untitled1() {
    QMenu* edit = addMenu(QStringLiteral("編集"));
    edit->setObjectName(QStringLiteral("EditMenu"));
    edit->menuAction()->setObjectName(QStringLiteral("EditMenu"));
    struct Row {
        const char* name;
        QString text;
        QKeySequence key;
    };
    const Row rows[] = {
        {"EditUndo", QStringLiteral("取り消す"), QKeySequence::Undo},
        {"EditSeparator1", QStringLiteral("-"), {}},
        {"EditCut", QStringLiteral("カット"), QKeySequence::Cut},
        {"EditCopy", QStringLiteral("コピー"), QKeySequence::Copy},
        {"EditPaste", QStringLiteral("貼り付け"), QKeySequence::Paste},
        {"EditClear", QStringLiteral("削除"), {}},
        {"EditSeparator2", QStringLiteral("-"), {}},
        {"EditSelectAll", QStringLiteral("すべてを選択"), QKeySequence::SelectAll},
    };
    for (const Row& r : rows) {
        const QString name = QString::fromLatin1(r.name);
        QAction* a = addItem(edit, name, r.text, r.key);
        if (r.text == u"-") {
            a->setSeparator(true);
            continue;
        }
        connect(a, &QAction::triggered, this, [this, name] { editItem(name); });
    }
}

void MainMenuBar::AddMenuHandler(QWidget* control, const QString& itemName, std::function<bool()> handler) {
    auto& table = handlerTable();
    if (!table.contains(control))
        QObject::connect(control, &QObject::destroyed, [control] { handlerTable().remove(control); });
    table[control][itemName] = std::move(handler);
    control->setProperty(kHandlersProperty, true);
}

void MainMenuBar::editItem(const QString& name) {
    QWidget* focus = QApplication::focusWidget();
    for (QWidget* w = focus; w; w = w->parentWidget()) {
        if (!w->property(kHandlersProperty).toBool())
            continue;
        const Handlers& h = handlerTable().value(w);
        if (h.contains(name) && h.value(name)())
            return;
    }
    if (auto* le = qobject_cast<QLineEdit*>(focus)) {
        if (name == u"EditUndo")
            le->undo();
        else if (name == u"EditCut")
            le->cut();
        else if (name == u"EditCopy")
            le->copy();
        else if (name == u"EditPaste")
            le->paste();
        else if (name == u"EditClear")
            le->del();
        else if (name == u"EditSelectAll")
            le->selectAll();
        return;
    }
    auto text = [&](auto* te) {
        if (name == u"EditUndo")
            te->undo();
        else if (name == u"EditCut")
            te->cut();
        else if (name == u"EditCopy")
            te->copy();
        else if (name == u"EditPaste")
            te->paste();
        else if (name == u"EditClear")
            te->textCursor().removeSelectedText();
        else if (name == u"EditSelectAll")
            te->selectAll();
    };
    if (auto* te = qobject_cast<QTextEdit*>(focus))
        text(te);
    else if (auto* pe = qobject_cast<QPlainTextEdit*>(focus))
        text(pe);
}
