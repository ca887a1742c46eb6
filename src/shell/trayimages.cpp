#include "shell/trayimages.h"

#include <QPainter>
#include <QPixmap>

namespace {

constexpr int kSize = 32;

QPixmap base(const QColor& fill) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1, 1, kSize - 2, kSize - 2), 6, 6);
    return pixmap;
}

QPixmap lettered(const QColor& fill, const QString& text, const QColor& ink) {
    QPixmap pixmap = base(fill);
    QPainter p(&pixmap);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(text.size() > 1 ? 13 : 20);
    p.setFont(font);
    p.setPen(ink);
    p.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, text);
    return pixmap;
}

// Working channel with traffic: a bar runs across the icon.
QPixmap activity(int step) {
    QPixmap pixmap = base(QColor(0, 160, 0));
    QPainter p(&pixmap);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const int width = (kSize - 8) / 5;
    p.drawRect(4 + step * width, 8, width - 1, kSize - 16);
    return pixmap;
}

QPixmap disconnected() {
    QPixmap pixmap = base(QColor(200, 0, 0));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(9, 9, kSize - 9, kSize - 9);
    p.drawLine(kSize - 9, 9, 9, kSize - 9);
    return pixmap;
}

}  // namespace

QIcon TrayImage(int index) {
    switch (index) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
            return QIcon(activity(index));
        case 5:
            return QIcon(lettered(QColor(255, 200, 0), QStringLiteral("БА"), Qt::black));
        case 6:
            return QIcon(lettered(QColor(120, 140, 200), QStringLiteral("БВ"), Qt::white));
        case 7:
            return QIcon(lettered(QColor(150, 80, 180), QStringLiteral("БД"), Qt::white));
        case 8:
            return QIcon(lettered(QColor(0, 160, 0), QStringLiteral("А"), Qt::white));
        case 9:
            return QIcon(lettered(QColor(0, 160, 0), QStringLiteral("Р"), Qt::yellow));
        default:
            return QIcon(disconnected());
    }
}

QList<TEmblemShape> EmblemShapes() {
    const QColor navy(0, 0, 128);
    QList<TEmblemShape> shapes;
    shapes.append({TEmblemShape::RoundedRect, QRectF(3, 3, 58, 58), QColor(230, 230, 230), navy,
                   3, 10});
    // A strip of paper tape with its feed holes.
    shapes.append(
        {TEmblemShape::Rect, QRectF(8, 22, 48, 20), QColor(255, 240, 180), QColor(), 0, 0});
    for (int i = 0; i < 6; ++i) {
        const qreal x = 12 + i * 8;
        shapes.append({TEmblemShape::Circle, QRectF(x, 32, 1.5, 0), navy, QColor(), 0, 0});
        if (i % 2 == 0)
            shapes.append({TEmblemShape::Circle, QRectF(x, 26, 2.5, 0), navy, QColor(), 0, 0});
        if (i % 3 != 1)
            shapes.append({TEmblemShape::Circle, QRectF(x, 38, 2.5, 0), navy, QColor(), 0, 0});
    }
    return shapes;
}

QImage EmblemImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    for (const TEmblemShape& s : EmblemShapes()) {
        p.setPen(s.edge.isValid() ? QPen(s.edge, s.edgeWidth) : QPen(Qt::NoPen));
        p.setBrush(s.fill);
        switch (s.kind) {
            case TEmblemShape::RoundedRect:
                p.drawRoundedRect(s.box, s.radius, s.radius);
                break;
            case TEmblemShape::Rect:
                p.drawRect(s.box);
                break;
            case TEmblemShape::Circle:
                p.drawEllipse(s.box.topLeft(), s.box.width(), s.box.width());
                break;
        }
    }
    return image;
}

QIcon ProgramIcon() {
    return QIcon(QPixmap::fromImage(EmblemImage(64)));
}
