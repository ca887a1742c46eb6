#pragma once

#include "util/qtcompat.h"
#include "util/texttypes.h"

#include <QList>

// What the protocol view's copy commands take from the shown list.

// Modes of ProtocolCopyText.
inline constexpr int kCopyAll = 0;          // all text, level markers removed
inline constexpr int kCopyReceived = 1;     // only received traffic
inline constexpr int kCopyTransmitted = 2;  // only transmitted traffic

// True when a byte of a segment opened by this level marker is drawn as a
// register or line-end mark rather than as a character: only traffic is
// written with marks; event and error lines hold them as ordinary text.
bool IsMarkLevel(int level);

// The text of the shown lines, in line code.
//
// Without a selection (selFirst < 0): every line followed by CR LF, the marks
// left as characters. With one: the lines selFirst..selLast (selLast cut to
// the last line) joined without separators, an event line (marker 3) put
// between CR LFs, and the traffic's '>' and '<' turned into LF and CR. When
// keepMarks is off the traffic's five marks are left out. Mode kCopyAll then
// drops the level markers (bytes 1..8); kCopyReceived and kCopyTransmitted keep
// only the bytes of segments opened by that marker (a byte 0..8 ends a segment).
LineText ProtocolCopyText(const QList<LineText>& lines, int selFirst, int selLast, int mode,
                          bool keepMarks);
