#pragma once

#include "util/texttypes.h"

#include "util/qtcompat.h"

// Pieces of the received stream's grammar, shared by the exchange and its tests.

// "ЗЦЗЦ " and "НННН  " in line code.
const LineText& MessageStartMark();
const LineText& MessageEndMark();

// The trailer at the start of a buffer that begins with "НННН  ": the end
// mark, an optional register mark, then as much of "dddd", " hh.mm",
// " dddd" as matches whole groups. decided is false while the text so far
// could still grow into a longer trailer: more of the stream is needed
// before the telegram can be completed with it.
struct TTrailer {
    LineText text;
    bool decided = false;
};
TTrailer ParseTrailer(QByteArrayView buffer);

// A message body that is a telegram: an optional figures-shift mark, three
// digits, a white-space character.
bool IsTelegramBody(QByteArrayView body);

// A telegram's header (after the number and its space) matched against the
// centre's header forms in order:
//   1 "%.3A%d %06D %d"   2 "%.3A%03D %03D %d"   3 "%.3A%03D=%03D %d %06D %d"
// form is the first that matched well enough (4 conversions; form 3 at
// least 4), 0 when none did. Every form starts with the category, so its
// letters are there even for an unreadable header.
struct TCentreHeader {
    int form = 0;
    int conversions = 0;
    LineText category;
    LineText groupA, groupB;  // forms 2 and 3: the three-digit groups
    LineText six;             // forms 1 and 3: the six-digit group
};
TCentreHeader MatchCentreHeader(QByteArrayView rest);
