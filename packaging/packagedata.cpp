// tarvo-package-data: what the package installs beside the program and does
// not keep in the source tree as binary files: the default alarm sound and
// the menu icons in the hicolor theme's sizes. The icons are the program's
// emblem (ProgramIcon), drawn from its shapes both as PNG and SVG.
//
//   tarvo-package-data OUTDIR         writes OUTDIR/alarm.wav and OUTDIR/icons/

#include "alerts/soundplayer.h"
#include "shell/trayimages.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>

#include <cstdio>

namespace {

QByteArray Svg() {
    QByteArray svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" "
        "viewBox=\"0 0 64 64\">\n";
    for (const TEmblemShape& s : EmblemShapes()) {
        QString style = QStringLiteral("fill=\"%1\"").arg(s.fill.name());
        if (s.edge.isValid())
            style += QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\"")
                         .arg(s.edge.name())
                         .arg(s.edgeWidth);
        switch (s.kind) {
            case TEmblemShape::RoundedRect:
            case TEmblemShape::Rect:
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
            case TEmblemShape::Circle:
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

}  // namespace

int main(int argc, char* argv[]) {
    // Runs in the build, where there may be no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: tarvo-package-data OUTDIR\n");
        return 2;
    }
    const QString out = args[0];
    bool ok = Write(out + QStringLiteral("/alarm.wav"), AlarmWav());
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString path =
            QStringLiteral("%1/icons/hicolor/%2x%2/apps/tarvo-com.png").arg(out).arg(size);
        QDir().mkpath(QFileInfo(path).absolutePath());
        ok = EmblemImage(size).save(path, "PNG") && ok;
    }
    ok = Write(out + QStringLiteral("/icons/hicolor/scalable/apps/tarvo-com.svg"), Svg()) && ok;
    return ok ? 0 : 1;
}
