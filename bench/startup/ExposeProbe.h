#pragma once
// Prints "shown" and ends the process once the window is first exposed and painted (the paint of
// the expose event has run when the queued call comes).
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <cstdlib>

class ExposeProbe : public QObject {
public:
    static void watch(QWidget* w) {
        w->winId();
        w->windowHandle()->installEventFilter(new ExposeProbe);
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Expose && static_cast<QWindow*>(o)->isExposed())
            QMetaObject::invokeMethod(
                this,
                [] {
                    std::fputs("shown\n", stdout);
                    std::fflush(stdout);
                    std::_Exit(0);
                },
                Qt::QueuedConnection);
        return false;
    }
};
