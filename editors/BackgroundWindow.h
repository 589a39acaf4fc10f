#pragma once
// The background-colour window: the page colour of the style sheet and of the home-screen icon.
#include "SingleWindow.h"

#include <QColor>
#include <QWidget>

class QCheckBox;
class QPushButton;

// A filled rectangle with a bevelled border: the top and left edges in one colour, the bottom and
// right edges in another. Reports presses of the mouse.
class ColourSwatch : public QWidget {
    Q_OBJECT
public:
    explicit ColourSwatch(QWidget* parent);
    QColor colour() const { return m_fill; }
    void setColour(const QColor& colour);
    int borderWidth = 5;
    QColor topLeftColour = QColor(0x7f, 0x7f, 0x7f);
    QColor bottomRightColour = QColor(0, 0, 0);

signals:
    void pressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor m_fill;
};

class BackgroundWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr bool kShownWhenCreated = true;
    BackgroundWindow();
    static BackgroundWindow* instance() { return SingleWindow<BackgroundWindow>::get(); }
    static bool isOpen() { return SingleWindow<BackgroundWindow>::isOpen(); }

    // The icon's message when the swatch holds no colour read from the style sheet or chosen.
    static QString iconNeedsColourMessage(const QString& fileName);

    // Writes the swatch's colour into the targets ticked.
    void apply();
    void chooseColour();

    // Shows the style sheet's colour, or says why it cannot.
    void load();
    // Each writes its target and returns the message of a refusal or failure (naming the file and
    // why), or nothing when it wrote or had no file to write.
    QString writeStyleSheet();
    QString writeIcon();

    ColourSwatch* swatch;

private:
    // Where the swatch colour comes from: only a colour read from the style sheet or chosen by the
    // user is ever written.
    enum class ColourFrom { Nothing, StyleSheet, Picker };
    ColourFrom m_from = ColourFrom::Nothing;

    QPushButton* m_apply;
    QPushButton* m_chooseColour;
    QCheckBox* m_iconTarget;
    QCheckBox* m_pageTarget;
};
