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
