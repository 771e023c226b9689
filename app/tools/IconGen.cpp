// Draws the application icon (a chip receiving a downward arrow) at 48, 32 and 16 pixels.
// Run by hand when the picture changes: orvane-icongen <res directory>.
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>

#include <cstdio>

namespace {

QImage DrawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x4e, 0x8c));
    p.drawRoundedRect(QRectF(2, 2, 44, 44), 9, 9);

    // The chip: a light body with three pins at each side.
    p.setBrush(QColor(0xe8, 0xee, 0xf6));
    p.drawRoundedRect(QRectF(13, 27, 22, 13), 2, 2);
    for (int i = 0; i < 3; ++i) {
        p.drawRect(QRectF(15.5 + i * 7, 40, 3, 4));
    }

    // The arrow pointing into the chip.
    QPainterPath arrow;
    arrow.moveTo(21, 6);
    arrow.lineTo(27, 6);
    arrow.lineTo(27, 15);
    arrow.lineTo(33, 15);
    arrow.lineTo(24, 25);
    arrow.lineTo(15, 15);
    arrow.lineTo(21, 15);
    arrow.closeSubpath();
    p.setBrush(QColor(0xff, 0xb3, 0x2e));
    p.drawPath(arrow);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s RES_DIR\n", argv[0]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const bool ok = DrawIcon(48).save(dir + "/orvane.png") &&
                    DrawIcon(32).save(dir + "/orvane-32.png") &&
                    DrawIcon(16).save(dir + "/orvane-16.png");
    return ok ? 0 : 1;
}
