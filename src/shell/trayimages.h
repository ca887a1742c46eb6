#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QRectF>

// The tray icon's pictures by index: 0-4 the activity animation in channel
// state РБ, 5 БА, 6 БВ, 7 БД, 8 РБ in automatic mode, 9 РБ in manual mode,
// 10 no connection. Drawn here rather than loaded, so nothing can be missing.
inline constexpr int kTrayImageCount = 11;
inline constexpr int kTrayDisconnected = 10;

QIcon TrayImage(int index);

// The program's emblem, for the window, the tray menu and the About box.
QIcon ProgramIcon();

// The emblem of ProgramIcon as shapes in units of a 64 x 64 square: a grey
// plate with a navy edge and a strip of paper tape with its feed holes and
// code holes. The menu icons of the package are drawn from it too.
struct TEmblemShape {
    enum Kind { RoundedRect, Rect, Circle } kind;
    QRectF box;  // for a circle: centre in topLeft, radius in width
    QColor fill;
    QColor edge;  // invalid: none
    qreal edgeWidth = 0;
    qreal radius = 0;
};
QList<TEmblemShape> EmblemShapes();
// The emblem size x size pixels large.
QImage EmblemImage(int size);
