#pragma once

// The tray icon's picture by the line and the channel: which image index
// the one-second tick shows. Indexes: 0-4 the activity animation in channel
// state РБ, 5 БА, 6 БВ, 7 БД, 8 РБ in automatic mode, 9 РБ in manual mode,
// 10 no connection, 0 for any other state.
inline constexpr int kTrayImageDisconnected = 10;
inline constexpr int kTrayImageRBAutomatic = 8;
inline constexpr int kTrayImageRBManual = 9;
inline constexpr int kTrayImageBA = 5;
inline constexpr int kTrayImageBV = 6;
inline constexpr int kTrayImageBD = 7;
inline constexpr int kTrayAnimationFrames = 5;

// The next picture. current is the one shown now; activity the received or
// sent chunks since the animation last took them. In state РБ with activity
// the picture steps on through the frames 0-4 ((current + 1) mod 5), and
// activity is set to 0 when the step reaches frame 0, so each burst of
// traffic plays the animation to its end.
int NextTrayImage(bool connected, int channelState, bool automatic, int current, int& activity);
