// Draws the home-screen icon art: a white robot head on a transparent ground, so that the page
// colour shows around it and through its eyes and mouth. Run at build time; writes the PNG named
// on the command line.
#include <QImage>
#include <QPainter>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    QImage art(180, 180, QImage::Format_ARGB32_Premultiplied);
    art.fill(Qt::transparent);
    {
        QPainter p(&art);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        // Antenna, ears, head and shoulders.
        p.drawEllipse(QPointF(90, 24), 10, 10);
        p.drawRoundedRect(QRectF(86, 28, 8, 24), 3, 3);
        p.drawRoundedRect(QRectF(22, 78, 20, 36), 7, 7);
        p.drawRoundedRect(QRectF(138, 78, 20, 36), 7, 7);
        p.drawRoundedRect(QRectF(34, 48, 112, 88), 26, 26);
        p.drawRoundedRect(QRectF(44, 146, 92, 60), 24, 24);
        // Eyes and mouth let the colour through.
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.drawEllipse(QPointF(68, 88), 13, 13);
        p.drawEllipse(QPointF(112, 88), 13, 13);
        p.drawRoundedRect(QRectF(64, 112, 52, 10), 5, 5);
    }
    if (!art.convertToFormat(QImage::Format_ARGB32).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
