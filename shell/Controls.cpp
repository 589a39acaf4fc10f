#include "Controls.h"

#include <QEvent>
#include <QLabel>
#include <QWidget>

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

void InitDocumentWindow(QWidget* window, const QString& name, const QString& title, int width, int height,
                        Qt::WindowFlags extra) {
    window->setObjectName(name);
    window->setWindowTitle(title);
    window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint |
                           extra);
    window->resize(width, height);
    window->setMinimumSize(64, 64);
}

QPushButton* MakeBevelButton(QWidget* parent, const QString& name, const QString& caption, bool toggle, bool value) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setFocusPolicy(Qt::StrongFocus);
    b->setAutoDefault(false);
    if (toggle) {
        b->setCheckable(true);
        b->setChecked(value);
    }
    return b;
}

QPushButton* MakePushButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setTextInteractionFlags(Qt::NoTextInteraction);
    return l;
}

QString ArrayName(const QString& name, int index) {
    return name + u'(' + QString::number(index) + u')';
}

QFont LayoutFont(const QFont& base, int size, bool bold, bool underline) {
    QFont f = base;
    f.setPixelSize(size);
    f.setBold(bold);
    f.setUnderline(underline);
    return f;
}
