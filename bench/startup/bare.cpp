// Baseline: a bare Qt Widgets window of the palette's size.
#include "ExposeProbe.h"

#include <QApplication>
#include <QPushButton>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget w;
    w.resize(156, 317);
    new QPushButton(QStringLiteral("x"), &w);
    ExposeProbe::watch(&w);
    w.show();
    return app.exec();
}
