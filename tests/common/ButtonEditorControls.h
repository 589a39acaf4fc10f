#pragma once
// The button editor's controls, found by the object names the window gives them; a name not found
// stops the test run.
#include <QByteArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

namespace ButtonEditorControls {
template <typename T> T* control(const QWidget* w, const QByteArray& name) {
    T* found = w->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no %s in the window", name.constData());
    return found;
}

inline QPushButton* loadFileButton(const QWidget* w) {
    return control<QPushButton>(w, "loadFileButton");
}
inline QPushButton* saveButton(const QWidget* w) {
    return control<QPushButton>(w, "saveButton");
}
inline QPushButton* storeButton(const QWidget* w) {
    return control<QPushButton>(w, "storeButton");
}
inline QPushButton* takeWordButton(const QWidget* w) {
    return control<QPushButton>(w, "takeWordButton");
}
inline QLineEdit* idField(const QWidget* w) {
    return control<QLineEdit>(w, "idField");
}
inline QLineEdit* secondsField(const QWidget* w) {
    return control<QLineEdit>(w, "secondsField");
}
inline QLineEdit* japaneseField(const QWidget* w) {
    return control<QLineEdit>(w, "japaneseField");
}
inline QLineEdit* englishField(const QWidget* w) {
    return control<QLineEdit>(w, "englishField");
}
inline QLabel* japaneseLabel(const QWidget* w) {
    return control<QLabel>(w, "japaneseLabel");
}
inline QLabel* englishLabel(const QWidget* w) {
    return control<QLabel>(w, "englishLabel");
}
inline QTreeWidget* wordList(const QWidget* w) {
    return control<QTreeWidget>(w, "wordList");
}
inline QPushButton* bankButton(const QWidget* w, int i) {
    return control<QPushButton>(w, "bankButton" + QByteArray::number(i));
}
inline QPushButton* padButton(const QWidget* w, int i) {
    return control<QPushButton>(w, "padButton" + QByteArray::number(i));
}
inline QPushButton* typeButton(const QWidget* w, int i) {
    return control<QPushButton>(w, "typeButton" + QByteArray::number(i));
}
} // namespace ButtonEditorControls
