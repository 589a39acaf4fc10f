#pragma once
// Fixed pixel layouts with edge anchoring, and the control kinds the windows share.
#include <QFont>
#include <QList>
#include <QObject>
#include <QPushButton>
#include <QRect>
#include <QSize>
#include <cstddef>

class QLabel;

namespace Lock {
enum : unsigned { Left = 1, Top = 2, Right = 4, Bottom = 8, TopLeft = Left | Top, All = Left | Top | Right | Bottom };
}

// Keeps each child's distance to the edges it is locked to when the container resizes; a child
// locked to two opposite edges stretches.
class FixedLayout : public QObject {
public:
    explicit FixedLayout(QWidget* container);
    // Places the control at its layout rectangle and remembers its locks.
    template <class T> T* place(T* control, int left, int top, int width, int height, unsigned locks = Lock::TopLeft) {
        add(control, QRect(left, top, width, height), locks);
        return control;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Item {
        QWidget* control;
        QRect rect;
        unsigned locks;
    };
    void add(QWidget* control, const QRect& rect, unsigned locks);
    void apply();
    QWidget* m_container;
    QSize m_designSize;
    QList<Item> m_items;
};

// A window's frame: name, title, close/minimise/maximise boxes, content size, minimum size.
void initWindow(QWidget* window, const QString& name, const QString& title, int width, int height,
                Qt::WindowFlags extra = {});

// A button of the palette and the toggle groups: push (keeps its value) or toggle (inverts its value
// on a click, before clicked()). Its accessibility action is a click, so a screen reader's press
// runs the window's handler.
class ClickButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;
};
QPushButton* makeClickButton(QWidget* parent, const QString& name, const QString& caption, bool toggle = false,
                             bool value = false);
QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption);
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text);
// The layouts give font sizes in points of a 72-dpi screen, one point to a pixel; sizing the font
// in pixels keeps captions inside their fixed rectangles on every screen.
QFont layoutFont(const QFont& base, int size, bool bold = false, bool underline = false);
// A toggle group's handler: the member of that index stays pressed, every other is released.
template <std::size_t N> void pressOnly(QPushButton* (&group)[N], int index) {
    for (std::size_t i = 0; i < N; ++i)
        group[i]->setChecked(int(i) == index);
}
// The object name of one of a row of controls: "bankButton2".
QString indexedName(const QString& name, int index);
// A caption taken from data, for a button: shown as it stands, "&" included, and never a mnemonic.
QString literalCaption(const QString& text);
// Windows opened from the palette stand right of it: a window whose left edge lies left of the
// palette's right edge moves right by the palette's width; nothing else moves.
int placedLeft(int left, int paletteLeft, int paletteWidth);
void placeBeside(const QWidget* palette, QWidget* w);
// Screen readers see the windows built on QWidget as windows with their titles, and click buttons
// as buttons whose action is a click. Called once, when the application object is built.
void installAccessibility();
