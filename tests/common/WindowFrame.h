#pragma once
// What a top-level window of the tool shows screen readers and the window manager: its role and
// title, its size limits, and the control that has the focus once it is active. Each window's own
// test program checks its window.
#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <QWidget>

// The limit the laid-out windows set, and none.
inline const QSize kLaidOutLimit(32000, 32000);
inline const QSize kNoLimit(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);

// focus empty: not looked at. A failure returns from here and fails the test.
inline void checkFrame(QWidget* w, QAccessible::Role role, const QString& title, const QSize& maximum,
                       const QString& focus) {
    QVERIFY(w);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    QVERIFY(a);
    QCOMPARE(int(a->role()), int(role));
    QCOMPARE(a->text(QAccessible::Name), title);
    QCOMPARE(w->maximumSize(), maximum);
    QCOMPARE(w->minimumSize(), QSize(64, 64));
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    if (!focus.isEmpty()) {
        QVERIFY(QApplication::focusWidget());
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    }
}
