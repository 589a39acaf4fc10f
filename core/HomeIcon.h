#pragma once
// The page set's home-screen icon: the program's icon art on a rounded plate of the page colour.
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <optional>

namespace HomeIcon {
// The icon art carried by the program, loaded on first use and kept; while it cannot be loaded,
// every call tries again and gives a null image.
QImage art();

// A picture of the art's size: a plate of the colour with corner arcs a fifth of the width and of the
// height, the art drawn over it unscaled, and transparent corners outside the arcs. Null for a null art.
QImage make(const QImage& art, const QColor& color);

// The picture as PNG bytes; nothing when it cannot be encoded.
std::optional<QByteArray> encodePng(const QImage& icon);
} // namespace HomeIcon
