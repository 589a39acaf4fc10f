// The home-screen icon: the plate in the page colour, the art over it, the corners cut away, and the
// art the program carries.
#include "HomeIcon.h"

#include <QImage>
#include <QTest>

namespace {
// An art with something in every part the icon treats differently: opaque corners (to be cut away),
// an opaque middle, a half-transparent band and transparent ground.
QImage testArt(int w, int h) {
    QImage art(w, h, QImage::Format_ARGB32);
    art.fill(Qt::transparent);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (y < h / 4)
                art.setPixel(x, y, qRgba(0, 255, 0, 255));
            else if (x >= w / 3 && x < 2 * w / 3 && y >= h / 3 && y < 2 * h / 3)
                art.setPixel(x, y, qRgba(255, 0, 0, 255));
            else if (y >= 3 * h / 4)
                art.setPixel(x, y, qRgba(255, 255, 255, 128));
        }
    return art;
}

// Pixels clearly outside the corner arcs must be fully transparent, all others clearly inside fully
// opaque; the antialiased rim between is left alone. Returns the number of pixels that break this.
int cornerFaults(const QImage& icon) {
    const int w = icon.width(), h = icon.height();
    const double rx = int(w / 5.0) / 2.0, ry = int(h / 5.0) / 2.0;
    int faults = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            double d = 0;
            // A pixel that reaches into a corner's square counts as a corner pixel.
            const bool cornerX = x < rx || x + 1 > w - rx, cornerY = y < ry || y + 1 > h - ry;
            if (cornerX && cornerY) {
                const double dx = (px - (px < w / 2.0 ? rx : w - rx)) / rx,
                             dy = (py - (py < h / 2.0 ? ry : h - ry)) / ry;
                d = dx * dx + dy * dy;
            }
            const int alpha = qAlpha(icon.pixel(x, y));
            if ((d > 1.3 && alpha != 0) || (d < 0.7 && alpha != 255))
                ++faults;
        }
    return faults;
}
} // namespace

class TestHomeIcon : public QObject {
    Q_OBJECT
private slots:
    void icon_data() {
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::newRow("180 square") << 180 << 180;
        QTest::newRow("wide: elliptic corners") << 200 << 100;
        QTest::newRow("tall with fractional arcs") << 97 << 183;
    }
    void icon() {
        QFETCH(int, w);
        QFETCH(int, h);
        const QColor c(12, 200, 99);
        const QImage icon = HomeIcon::make(testArt(w, h), c);
        QCOMPARE(icon.size(), QSize(w, h));
        QVERIFY(icon.hasAlphaChannel());
        QCOMPARE(cornerFaults(icon), 0);
        // The art hides the plate where it is opaque, lets it through where it is not.
        QCOMPARE(icon.pixel(w / 2, h / 2), qRgba(255, 0, 0, 255));
        QCOMPARE(icon.pixel(w / 2, h / 4 - 1), qRgba(0, 255, 0, 255));
        QCOMPARE(icon.pixel(w / 6, h / 2), c.rgb());
        const QRgb half = icon.pixel(w / 2, h - h / 8);
        QCOMPARE(qAlpha(half), 255);
        QVERIFY(qAbs(qRed(half) - (255 + 12) / 2) <= 2 && qAbs(qGreen(half) - (255 + 200) / 2) <= 2);
        // The same colour gives the same picture and the same file.
        const QImage again = HomeIcon::make(testArt(w, h), c);
        QCOMPARE(again, icon);
        QCOMPARE(HomeIcon::encodePng(again), HomeIcon::encodePng(icon));
        const QImage decoded = QImage::fromData(*HomeIcon::encodePng(icon), "PNG");
        QCOMPARE(decoded.convertToFormat(QImage::Format_ARGB32), icon);
    }
    void noArt() {
        QVERIFY(HomeIcon::make(QImage(), Qt::red).isNull());
        QVERIFY(!HomeIcon::encodePng(QImage()));
    }
    void shippedArt() {
        const QImage art = HomeIcon::art();
        QCOMPARE(art.size(), QSize(180, 180));
        QVERIFY(art.hasAlphaChannel());
        QCOMPARE(qAlpha(art.pixel(5, 90)), 0);  // the ground
        QCOMPARE(qAlpha(art.pixel(68, 88)), 0); // an eye
        QCOMPARE(art.pixel(90, 60), qRgba(255, 255, 255, 255));
        QCOMPARE(HomeIcon::art().cacheKey(), art.cacheKey());
    }
};

QTEST_GUILESS_MAIN(TestHomeIcon)
#include "tst_homeicon.moc"
