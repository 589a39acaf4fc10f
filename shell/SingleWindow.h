#pragma once
// One window of each kind: the open one, or a new one. Windows delete themselves on close, so the
// next call builds a fresh window from its layout.
#include <QPointer>
#include <QWidget>

template <class W> class SingleWindow {
public:
    // W::kShownWhenCreated says whether a new window shows itself.
    static W* get() {
        if (!s_window) {
            s_window = new W();
            s_window->setAttribute(Qt::WA_DeleteOnClose);
            if constexpr (W::kShownWhenCreated)
                s_window->show();
        }
        return s_window;
    }
    static bool isOpen() { return !s_window.isNull(); }

private:
    static inline QPointer<W> s_window;
};

// Visible and in front.
inline void bringToFront(QWidget* w) {
    w->show();
    w->raise();
    w->activateWindow();
}
