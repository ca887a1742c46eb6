// tarvo-package-data: what the package installs beside the program and does
// not keep in the source tree as binary files: the default alarm sound and
// the menu icons in the hicolor theme's sizes. The icons are the program's
// emblem (ProgramIcon), drawn here from one description both as PNG and SVG.
//
//   tarvo-package-data OUTDIR         writes OUTDIR/alarm.wav and OUTDIR/icons/
//   tarvo-package-data --check-emblem  compares the description with the
//                                      emblem the program draws itself

#include "alerts/soundplayer.h"
#include "shell/trayimages.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The emblem in ProgramIcon's 64 x 64 units: a grey plate with a navy edge
// and a strip of paper tape with its feed holes and code holes.
struct Shape {
    enum Kind { RoundedRect, Rect, Circle } kind;
    QRectF box;  // for a circle: centre in topLeft, radius in width
    QColor fill;
    QColor edge;  // invalid: none
    qreal edgeWidth = 0;
    qreal radius = 0;
};

std::vector<Shape> Emblem() {
    const QColor navy(0, 0, 128);
    std::vector<Shape> shapes;
    shapes.push_back(
        {Shape::RoundedRect, QRectF(3, 3, 58, 58), QColor(230, 230, 230), navy, 3, 10});
    shapes.push_back({Shape::Rect, QRectF(8, 22, 48, 20), QColor(255, 240, 180), QColor(), 0, 0});
    for (int i = 0; i < 6; ++i) {
        const qreal x = 12 + i * 8;
        shapes.push_back({Shape::Circle, QRectF(x, 32, 1.5, 0), navy, QColor(), 0, 0});
        if (i % 2 == 0)
            shapes.push_back({Shape::Circle, QRectF(x, 26, 2.5, 0), navy, QColor(), 0, 0});
        if (i % 3 != 1)
            shapes.push_back({Shape::Circle, QRectF(x, 38, 2.5, 0), navy, QColor(), 0, 0});
    }
    return shapes;
}

QImage Paint(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    for (const Shape& s : Emblem()) {
        p.setPen(s.edge.isValid() ? QPen(s.edge, s.edgeWidth) : QPen(Qt::NoPen));
        p.setBrush(s.fill);
        switch (s.kind) {
            case Shape::RoundedRect:
                p.drawRoundedRect(s.box, s.radius, s.radius);
                break;
            case Shape::Rect:
                p.drawRect(s.box);
                break;
            case Shape::Circle:
                p.drawEllipse(s.box.topLeft(), s.box.width(), s.box.width());
                break;
        }
    }
    return image;
}

QByteArray Svg() {
    QByteArray svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" "
        "viewBox=\"0 0 64 64\">\n";
    for (const Shape& s : Emblem()) {
        QString style = QStringLiteral("fill=\"%1\"").arg(s.fill.name());
        if (s.edge.isValid())
            style += QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\"")
                         .arg(s.edge.name())
                         .arg(s.edgeWidth);
        switch (s.kind) {
            case Shape::RoundedRect:
            case Shape::Rect:
                svg += QStringLiteral(
                           "  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" "
                           "rx=\"%5\" %6/>\n")
                           .arg(s.box.x())
                           .arg(s.box.y())
                           .arg(s.box.width())
                           .arg(s.box.height())
                           .arg(s.radius)
                           .arg(style)
                           .toUtf8();
                break;
            case Shape::Circle:
                svg += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" %4/>\n")
                           .arg(s.box.x())
                           .arg(s.box.y())
                           .arg(s.box.width())
                           .arg(style)
                           .toUtf8();
                break;
        }
    }
    return svg + "</svg>\n";
}

bool Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "tarvo-package-data: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// The largest difference of one colour channel between the two pictures.
int Difference(const QImage& a, const QImage& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QColor ca = a.pixelColor(x, y), cb = b.pixelColor(x, y);
            worst =
                std::max({worst, std::abs(ca.red() - cb.red()), std::abs(ca.green() - cb.green()),
                          std::abs(ca.blue() - cb.blue()), std::abs(ca.alpha() - cb.alpha())});
        }
    }
    return worst;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Runs in the build, where there may be no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: tarvo-package-data OUTDIR | --check-emblem\n");
        return 2;
    }
    if (args[0] == QLatin1String("--check-emblem")) {
        const QImage program = ProgramIcon().pixmap(64, 64).toImage().convertToFormat(
            QImage::Format_ARGB32_Premultiplied);
        const QImage drawn = Paint(64);
        const int difference = program.size() == drawn.size() ? Difference(program, drawn) : 256;
        if (difference > 2) {
            std::fprintf(stderr,
                         "tarvo-package-data: the icon differs from the program's emblem "
                         "(by %d in a channel): update Emblem() to ProgramIcon()\n",
                         difference);
            return 1;
        }
        std::printf("emblem matches ProgramIcon()\n");
        return 0;
    }
    const QString out = args[0];
    bool ok = Write(out + QStringLiteral("/alarm.wav"), AlarmWav());
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString path =
            QStringLiteral("%1/icons/hicolor/%2x%2/apps/tarvo-com.png").arg(out).arg(size);
        QDir().mkpath(QFileInfo(path).absolutePath());
        ok = Paint(size).save(path, "PNG") && ok;
    }
    ok = Write(out + QStringLiteral("/icons/hicolor/scalable/apps/tarvo-com.svg"), Svg()) && ok;
    return ok ? 0 : 1;
}
