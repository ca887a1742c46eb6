#pragma once

#include "protocol/protocollayout.h"
#include "util/texttypes.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QRect>

class QPainter;
class QPaintDevice;

// Drawing of the protocol view, apart from the widget, so that it can paint
// into an image (tests, printing) as well as onto the screen.

// The colour of a level marker's text; levels outside 1..7 are not drawn.
QColor ProtocolLevelColor(int level);

namespace ProtocolColor {
inline const QColor Background(0, 0, 128);  // navy
inline const QColor Failing(128, 0, 0);     // maroon, while the file cannot be written
inline const QColor Selected(128, 128, 128);
inline const QColor Pending(128, 128, 0);  // olive: text waiting to be sent
inline const QColor Cursor(255, 255, 0);
inline const QColor Separator(0, 255, 0);  // lime line of the split display
inline const QColor MarkBox(0, 0, 0);
}  // namespace ProtocolColor

// Left margin of the text, in pixels.
inline constexpr int kProtocolMargin = 2;
// Gap before a mark shown on its black box, in pixels.
inline constexpr int kProtocolMarkGap = 2;

// Everything a paint of the view depends on.
struct ProtocolPaintState {
    const QList<LineText>* lines = nullptr;  // the shown list
    int position = 0;                        // index of the line in the top row
    int lineHeight = 1;
    QFont font;
    int selFirst = -1;  // selected lines, -1 for none
    int selLast = -1;
    bool showRegisters = false;
    bool split = false;
    bool failing = false;  // the store's write failures are counted
    bool live = true;      // the shown list is the live one: pending text applies
    LineText pendingText;  // line code waiting to be sent
    // The split display's two streams, synced to lines; needed only when split.
    const TProtocolStream* received = nullptr;
    const TProtocolStream* transmitted = nullptr;
};

// Height of a text row: the height of "Ag" in the font, at least one pixel.
int ProtocolLineHeight(const QFont& font, QPaintDevice* device = nullptr);

// Whole rows of lineHeight in height.
int ProtocolRows(int height, int lineHeight);

// The scroll position at which the last line is in the bottom row.
int ProtocolMaximum(int lines, int rows);

// The row the last line is drawn in, or -1 when it is not shown.
int ProtocolLastLineRow(int lines, int position, int rows);

// Paints the view into area: the background, then the rows from the bottom
// up, or the split display. Only rows meeting dirty are drawn (all when
// dirty is empty), so the cost follows the rows drawn, not the list's size.
void PaintProtocol(QPainter& painter, const QRect& area, const ProtocolPaintState& state,
                   const QRect& dirty = QRect());
