#include "HomeIcon.h"

#include <QBuffer>
#include <QPainter>

namespace HomeIcon {

QImage art() {
    static QImage art;
    if (art.isNull())
        art = QImage(QStringLiteral(":/home-icon-art.png"));
    return art;
}

QImage make(const QImage& art, const QColor& color) {
    if (art.isNull())
        return {};
    const int w = art.width(), h = art.height();
    const QRectF plate(0, 0, w, h);
    // The arcs are whole pixels (truncated); the painter takes their halves as radii.
    const qreal rx = int(w / 5.0) / 2.0, ry = int(h / 5.0) / 2.0;

    QImage icon(w, h, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(color.red(), color.green(), color.blue()));
    p.drawRoundedRect(plate, rx, ry, Qt::AbsoluteSize);
    p.drawImage(0, 0, art);

    // Cut the corners away, whatever the art holds there.
    QImage mask(w, h, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter m(&mask);
        m.setRenderHint(QPainter::Antialiasing);
        m.setPen(Qt::NoPen);
        m.setBrush(Qt::black);
        m.drawRoundedRect(plate, rx, ry, Qt::AbsoluteSize);
    }
    p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    p.drawImage(0, 0, mask);
    p.end();
    return icon.convertToFormat(QImage::Format_ARGB32);
}

std::optional<QByteArray> encodePng(const QImage& icon) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (icon.isNull() || !buffer.open(QIODevice::WriteOnly) || !icon.save(&buffer, "PNG"))
        return std::nullopt;
    return bytes;
}

} // namespace HomeIcon
