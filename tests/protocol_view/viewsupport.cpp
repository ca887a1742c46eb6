#include "viewsupport.h"

#include <QDir>
#include <QFontInfo>

namespace {

bool Same(QRgb pixel, const QColor& color) {
    return (pixel & 0xFFFFFF) == (color.rgb() & 0xFFFFFF);
}

}  // namespace

QFont ViewFont(int pixelSize) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("DejaVu Sans"))
        << "fonts-dejavu-core must be installed";
    return font;
}

int CountColor(const QImage& image, const QRect& rect, const QColor& color) {
    const QRect r = rect.intersected(image.rect());
    int count = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            count += Same(image.pixel(x, y), color);
    return count;
}

int FirstX(const QImage& image, const QRect& rect, const QColor& color) {
    const QRect r = rect.intersected(image.rect());
    for (int x = r.left(); x <= r.right(); ++x)
        for (int y = r.top(); y <= r.bottom(); ++y)
            if (Same(image.pixel(x, y), color))
                return x;
    return -1;
}

int LastX(const QImage& image, const QRect& rect, const QColor& color) {
    const QRect r = rect.intersected(image.rect());
    for (int x = r.right(); x >= r.left(); --x)
        for (int y = r.top(); y <= r.bottom(); ++y)
            if (Same(image.pixel(x, y), color))
                return x;
    return -1;
}

QRect Row(const QImage& image, int row, int lineHeight) {
    return QRect(0, row * lineHeight, image.width(), lineHeight);
}

void RecordingTyping::SendToLine(const LineText& text) {
    sends.append(text);
    sendText += text;
    protocol.SetPendingText(sendText.left(199));
    if (protocol.View())
        protocol.View()->LastLineChanged();
}
