#include "Controls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QLabel>
#include <QWidget>

namespace {
// A button's text as shown: "&x" marks a mnemonic, "&&" is one "&".
QString shownText(const QString& caption) {
    QString shown;
    shown.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i;
        shown += caption[i];
    }
    return shown;
}

// Qt's own button interface toggles a checkable button without clicking it, so the toggle
// group's handler would never run; here every action is a click.
class ClickButtonAccessible : public QAccessibleWidget {
public:
    explicit ClickButtonAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::PushButton) {
        addControllingSignal(QStringLiteral("clicked(bool)"));
    }
    QAccessible::Role role() const override {
        return button()->isCheckable() ? QAccessible::CheckBox : QAccessible::PushButton;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString name = widget()->accessibleName();
            return name.isEmpty() ? shownText(button()->text()) : name;
        }
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = button()->isCheckable();
        s.checked = button()->isChecked();
        s.pressed = button()->isDown();
        return s;
    }
    QStringList actionNames() const override {
        QStringList names;
        if (widget()->isEnabled())
            names << (button()->isCheckable() ? toggleAction() : pressAction());
        return names + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == toggleAction() || action == pressAction()) {
            if (widget()->isEnabled())
                button()->click();
            return;
        }
        QAccessibleWidget::doAction(action);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPushButton* button() const { return static_cast<QPushButton*>(widget()); }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* w = static_cast<QWidget*>(object);
    const QMetaObject* mo = object->metaObject();
    if (className == QLatin1String(ClickButton::staticMetaObject.className()))
        return new ClickButtonAccessible(w);
    // A window class of the tool's own built straight on QWidget; Qt would present it as a plain panel.
    if (w->windowType() == Qt::Window && className == QLatin1String(mo->className()) &&
        mo->superClass() == &QWidget::staticMetaObject)
        return new QAccessibleWidget(w, QAccessible::Window);
    return nullptr;
}
} // namespace

FixedLayout::FixedLayout(QWidget* container) : QObject(container), m_container(container) {
    container->installEventFilter(this);
}

void FixedLayout::add(QWidget* control, const QRect& rect, unsigned locks) {
    if (m_items.isEmpty())
        m_designSize = m_container->size();
    m_items.append({control, rect, locks});
    control->setGeometry(rect);
}

bool FixedLayout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_container && event->type() == QEvent::Resize)
        apply();
    return false;
}

void FixedLayout::apply() {
    const int dw = m_container->width() - m_designSize.width();
    const int dh = m_container->height() - m_designSize.height();
    for (const Item& it : m_items) {
        QRect r = it.rect;
        const bool l = it.locks & Lock::Left, rt = it.locks & Lock::Right;
        const bool t = it.locks & Lock::Top, b = it.locks & Lock::Bottom;
        if (l && rt)
            r.setWidth(it.rect.width() + dw);
        else if (rt)
            r.moveLeft(it.rect.left() + dw);
        if (t && b)
            r.setHeight(it.rect.height() + dh);
        else if (b)
            r.moveTop(it.rect.top() + dh);
        it.control->setGeometry(r);
    }
}

void initWindow(QWidget* window, const QString& name, const QString& title, int width, int height,
                Qt::WindowFlags extra) {
    window->setObjectName(name);
    window->setWindowTitle(title);
    window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint |
                           extra);
    window->resize(width, height);
    window->setMinimumSize(64, 64);
}

QPushButton* makeClickButton(QWidget* parent, const QString& name, const QString& caption, bool toggle, bool value) {
    auto* b = new ClickButton(caption, parent);
    b->setObjectName(name);
    b->setFocusPolicy(Qt::StrongFocus);
    b->setAutoDefault(false);
    if (toggle) {
        b->setCheckable(true);
        b->setChecked(value);
    }
    return b;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setTextInteractionFlags(Qt::NoTextInteraction);
    return l;
}

QString indexedName(const QString& name, int index) {
    return name + QString::number(index);
}

QString literalCaption(const QString& text) {
    return QString(text).replace(u'&', QStringLiteral("&&"));
}

int placedLeft(int left, int paletteLeft, int paletteWidth) {
    return left < paletteLeft + paletteWidth ? left + paletteWidth : left;
}

void placeBeside(const QWidget* palette, QWidget* w) {
    const int left = placedLeft(w->x(), palette->x(), palette->width());
    if (left != w->x())
        w->move(left, w->y());
}

void installAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    (void)installed;
}

QFont layoutFont(const QFont& base, int size, bool bold, bool underline) {
    QFont f = base;
    f.setPixelSize(size);
    f.setBold(bold);
    f.setUnderline(underline);
    return f;
}
