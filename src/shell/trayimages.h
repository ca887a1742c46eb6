#pragma once

#include <QIcon>

// The tray icon's pictures by index: 0-4 the activity animation in channel
// state РБ, 5 БА, 6 БВ, 7 БД, 8 РБ in automatic mode, 9 РБ in manual mode,
// 10 no connection. Drawn here rather than loaded, so nothing can be missing.
inline constexpr int kTrayImageCount = 11;
inline constexpr int kTrayDisconnected = 10;

QIcon TrayImage(int index);

// The program's emblem, for the window, the tray menu and the About box.
QIcon ProgramIcon();
