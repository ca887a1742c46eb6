#pragma once

#include <QList>

#include "util/texttypes.h"

// The workstation's service groups as it sends them to the centre: КГ0, and
// КГ1 with the count n of both sides.
extern const LineText kKg0;
LineText Kg1(int n);

// One message as the workstation cuts the centre's stream: the body between
// "ЗЦЗЦ " and "НННН  ", and what follows up to the next "ЗЦЗЦ " (trailer,
// receipt or clock stamp, then the line end).
struct CentreCut {
    LineText body;
    LineText after;
};

// The complete messages of a stream, in order; a message still waiting for
// its "НННН  " is left out.
QList<CentreCut> CutMessages(const LineText& stream);
