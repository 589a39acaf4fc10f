#pragma once
// The background-colour window: the page colour of the style sheet and of the home-screen icon.
#include "Instance.h"

#include <QColor>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

// A filled rectangle with a bevelled border: the top and left edges in one colour, the bottom and
// right edges in another. Reports presses of the mouse.
class SwatchRect : public QWidget {
    Q_OBJECT
public:
    explicit SwatchRect(QWidget* parent);
    QColor FillColor() const { return m_fill; }
    void setFillColor(const QColor& color);
    int BorderWidth = 5;
    QColor TopLeftColor = QColor(0x7f, 0x7f, 0x7f);
    QColor BottomRightColor = QColor(0, 0, 0);

signals:
    void mouseDown(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor m_fill;
};

class BgcWin : public QWidget {
    Q_OBJECT
public:
    static constexpr bool kVisibleAtCreation = true;
    BgcWin();
    static BgcWin* instance() { return ImplicitInstance<BgcWin>::get(); }
    static bool isOpen() { return ImplicitInstance<BgcWin>::isOpen(); }

    // The icon's message when the swatch holds no colour read from the style sheet or chosen.
    static QString iconNeedsColourMessage(const QString& fileName);

    void ChangePB_Action();
    bool bkgRt_MouseDown(int x, int y);
    void SelectPB_Action();

    // Shows the style sheet's colour, or says why it cannot.
    void LoadBkgData();
    // Each writes its target and returns the message of a refusal or failure (naming the file and
    // why), or nothing when it wrote or had no file to write.
    QString SetPLKBackColor();
    QString SetIconBackColor();
    void DoSelectColor();

    SwatchRect* bkgRt;

private:
    // Where the swatch colour comes from: only a colour read from the style sheet or chosen by the
    // user is ever written.
    enum class ColourFrom { Nothing, StyleSheet, Picker };
    ColourFrom m_from = ColourFrom::Nothing;

    QPushButton* ChangePB;
    QLabel* Label1;
    QLabel* Label2;
    QPushButton* SelectPB;
    QCheckBox* IconCB;
    QCheckBox* DispCB;
    QLabel* Label3;
};
